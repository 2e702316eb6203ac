#include "exchange/TextTable.h"

#include <QtTest>

// Builds a table from steps: "r5" starts a row of key 5, "2=abc" sets
// column 2 to abc in the table's own buffer, "1=@3,2" to two characters of
// the shared buffer from its fourth.
TextTable built(const QStringList& steps, bool byKey)
{
    TextTable t;
    t.setShared(QStringLiteral("张三李四王五"));
    for (const QString& s : steps) {
        if (s.startsWith(QLatin1Char('r'))) {
            t.startRow(s.mid(1).toInt());
            continue;
        }
        const int eq = int(s.indexOf(QLatin1Char('=')));
        const QString text = s.mid(eq + 1);
        const QStringList slice = text.mid(1).split(QLatin1Char(','));
        t.set(s.left(eq).toInt(), text.startsWith(QLatin1Char('@'))
                                      ? TextTable::sharedText(slice.value(0).toInt(), slice.value(1).toInt())
                                      : t.add(text));
    }
    t.finish(byKey);
    return t;
}

class TestTextTable : public QObject
{
    Q_OBJECT
private slots:
    void rows_data();
    void rows();
    void appendedRowsKeepTheirTexts();
};

void TestTextTable::rows_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<bool>("byKey");
    QTest::addColumn<QVector<QStringList>>("expected");
    QTest::newRow("gaps read empty") << QStringList{"r0", "2=c", "0=a", "r4", "1=@2,2"} << true
                                     << QVector<QStringList>{{"a", "", "c"}, {"", "李四"}};
    QTest::newRow("rows without text left out")
        << QStringList{"r0", "3=", "r1", "0=x", "r2"} << false << QVector<QStringList>{{"x"}};
    QTest::newRow("a row met again is merged, later text wins")
        << QStringList{"r3", "0=c", "r1", "0=a", "1=b", "r3", "0=C", "2=e", "1="} << true
        << QVector<QStringList>{{"a", "b"}, {"C", "", "e"}};
    QTest::newRow("document order kept without keys") << QStringList{"r3", "0=c", "r1", "0=a", "r3", "0=d"}
                                                      << false << QVector<QStringList>{{"c"}, {"a"}, {"d"}};
    QTest::newRow("a merged row without text left out")
        << QStringList{"r2", "0=", "r1", "0=a", "r2", "1="} << true << QVector<QStringList>{{"a"}};
}

void TestTextTable::rows()
{
    QFETCH(QStringList, steps);
    QFETCH(bool, byKey);
    QFETCH(QVector<QStringList>, expected);
    const TextTable t = built(steps, byKey);
    QCOMPARE(t.lists(), expected);
    QVERIFY(t.at(0, 99).isEmpty() && t.at(-1, 0).isEmpty() && t.at(t.rowCount(), 0).isEmpty());
}

void TestTextTable::appendedRowsKeepTheirTexts()
{
    // A following sheet's rows outlive the sheet they came from.
    TextTable t = built({"r0", "0=标题", "r1", "0=@0,2"}, true);
    {
        const TextTable more = built({"r0", "0=标题", "r1", "1=@4,2"}, true);
        t.appendRows(more, 1);
    }
    QCOMPARE(t.lists(), (QVector<QStringList>{{"标题"}, {"张三"}, {"", "王五"}}));
    // Slices of the string table both share are not copied: a workbook
    // whose sheets name one long string a million times stays small.
    QCOMPARE(t.ownSize(), 2);
}

QTEST_APPLESS_MAIN(TestTextTable)
#include "test_texttable.moc"
