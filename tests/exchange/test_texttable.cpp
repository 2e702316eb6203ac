#include "exchange/TextTable.h"

#include <QtTest>

// Builds a table from steps: "r5" starts a row of key 5, "2=abc" sets
// column 2 of it to abc in the table's own buffer, "1=@3,2" to two
// characters of the shared buffer from its fourth; "4:2=abc" puts abc in
// column 2 of row 4.
TextTable built(const QStringList& steps)
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
        const TextTable::Text cell =
            text.startsWith(QLatin1Char('@'))
                ? TextTable::sharedText(slice.value(0).toInt(), slice.value(1).toInt())
                : t.add(text);
        const QStringList place = s.left(eq).split(QLatin1Char(':'));
        if (place.size() == 2)
            t.put(place.at(0).toInt(), place.at(1).toInt(), cell);
        else
            t.set(place.at(0).toInt(), cell);
    }
    t.finish();
    return t;
}

class TestTextTable : public QObject
{
    Q_OBJECT
private slots:
    void rows_data();
    void rows();
    void appendedRowsKeepTheirTexts();
    void mergeChargedBeforeItIsMade();
};

void TestTextTable::rows_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QVector<QStringList>>("expected");
    QTest::newRow("gaps read empty") << QStringList{"0:2=c", "0:0=a", "4:1=@2,2"}
                                     << QVector<QStringList>{{"a", "", "c"}, {"", "李四"}};
    QTest::newRow("rows without text left out")
        << QStringList{"r0", "3=", "r1", "0=x", "r2"} << QVector<QStringList>{{"x"}};
    QTest::newRow("a row met again is merged, a later cell wins, an empty one too")
        << QStringList{"1:0=a", "1:1=b", "1:2=z", "3:0=c", "1:0=A", "1:2=", "0:1=first", "3:1=d"}
        << QVector<QStringList>{{"", "first"}, {"A", "b", ""}, {"c", "d"}};
    QTest::newRow("cells column by column")
        << QStringList{"0:0=a", "1:0=b", "2:0=c", "0:1=d", "1:1=e", "2:1=f"}
        << QVector<QStringList>{{"a", "d"}, {"b", "e"}, {"c", "f"}};
    QTest::newRow("document order kept for rows started")
        << QStringList{"r3", "0=c", "r1", "0=a", "r3", "0=d"} << QVector<QStringList>{{"c"}, {"a"}, {"d"}};
    QTest::newRow("a merged row without text left out")
        << QStringList{"2:0=x", "3:0=a", "2:0="} << QVector<QStringList>{{"a"}};
}

void TestTextTable::rows()
{
    QFETCH(QStringList, steps);
    QFETCH(QVector<QStringList>, expected);
    const TextTable t = built(steps);
    QCOMPARE(t.lists(), expected);
    QVERIFY(t.at(0, 99).isEmpty() && t.at(-1, 0).isEmpty() && t.at(t.rowCount(), 0).isEmpty());
}

void TestTextTable::appendedRowsKeepTheirTexts()
{
    // A following sheet's rows outlive the sheet they came from.
    TextTable t = built({"r0", "0=标题", "r1", "0=@0,2"});
    {
        const TextTable more = built({"r0", "0=标题", "r1", "1=@4,2"});
        QVERIFY(t.appendRows(more, 1));
    }
    QCOMPARE(t.lists(), (QVector<QStringList>{{"标题"}, {"张三"}, {"", "王五"}}));
    // Slices of the string table both share are not copied: a workbook
    // whose sheets name one long string a million times stays small.
    QCOMPARE(t.ownSize(), 2);
}

void TestTextTable::mergeChargedBeforeItIsMade()
{
    // A row met again in the last column takes the sheet's whole width
    // when merged: that is what the budget must see, not the cell alone.
    TextTable t;
    t.put(1, 255, t.add(QStringLiteral("x")));
    t.put(0, 255, t.add(QStringLiteral("y")));
    QVERIFY(t.mergeBytes() >= 2 * 256 * qint64(sizeof(TextTable::Text)));
    t.finish();
    QCOMPARE(t.columnCount(0), 256);
    QCOMPARE(t.at(0, 255), QStringLiteral("y"));
}

QTEST_APPLESS_MAIN(TestTextTable)
#include "test_texttable.moc"
