#include "exchange/Biff8Writer.h"
#include "exchange/BiffReader.h"
#include "exchange/WorkbookReader.h"

#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

// Reads a written stream back with the program's own BIFF8 reader, sheet by
// sheet (fully empty rows are left out, as the import does).
class XlsSheets
{
public:
    explicit XlsSheets(const QByteArray& stream) : m_stream(stream)
    {
        ok = m_biff.open(m_stream, &m_budget, &error);
    }
    int sheetCount() const { return int(m_biff.sheets().size()); }
    QString sheetName(int i) const { return m_biff.sheets().at(i).name; }
    QVector<QStringList> rows(int sheet)
    {
        WorkbookReader::Sheet s;
        if (!m_biff.readSheet(sheet, &s, &error))
            return {};
        lastRow = s.lastRow;
        return s.rows.lists();
    }
    bool ok = false;
    QString error;
    int lastRow = -1;

private:
    QByteArray m_stream;
    WorkbookReader::Budget m_budget;
    BiffReader m_biff;
};

// The rows of a saved file as the import reads them.
QVector<QStringList> fileRows(const QString& file)
{
    WorkbookReader r;
    QString error;
    if (!r.read(file, &error))
        qWarning() << error;
    return r.rows();
}

// The shared strings as a BIFF8 reader must see them: SST and its CONTINUE
// records, where a string split across records goes on after a fresh option
// byte, checked here apart from the reader.
QStringList sharedStrings(const QByteArray& st)
{
    QVector<QByteArray> parts;
    int pos = 0;
    while (pos + 4 <= st.size()) {
        const quint16 type = qFromLittleEndian<quint16>(st.constData() + pos);
        const quint16 len = qFromLittleEndian<quint16>(st.constData() + pos + 2);
        if (type == 0x00FC || (type == 0x003C && !parts.isEmpty()))
            parts << st.mid(pos + 4, len);
        else if (!parts.isEmpty())
            break;
        pos += 4 + len;
    }
    QStringList out;
    if (parts.isEmpty())
        return out;
    const quint32 unique = qFromLittleEndian<quint32>(parts.first().constData() + 4);
    int part = 0, off = 8;
    for (quint32 i = 0; i < unique; ++i) {
        if (off >= parts.at(part).size()) {
            ++part;
            off = 0;
        }
        const QByteArray* p = &parts.at(part);
        const int cch = qFromLittleEndian<quint16>(p->constData() + off);
        bool wide = p->at(off + 2) & 1;
        off += 3;
        QString s;
        while (s.size() < cch) {
            if (off >= p->size()) {
                p = &parts.at(++part);
                wide = p->at(0) & 1;
                off = 1;
            }
            if (wide) {
                s += QChar(qFromLittleEndian<quint16>(p->constData() + off));
                off += 2;
            } else {
                s += QChar(uchar(p->at(off)));
                off += 1;
            }
        }
        out << s;
    }
    return out;
}

class TestBiff8Writer : public QObject
{
    Q_OBJECT
private slots:
    void init() { QVERIFY(m_dir.isValid()); }
    void texts_data();
    void texts();
    void emptyCellsKeepColumns();
    void sharedStringsAcrossContinue_data();
    void sharedStringsAcrossContinue();
    void stringsOverManyRecords();
    void recordsAndSheetOffsets();
    void valueCells();
    void sheetLimit();
    void saveFailsInMissingFolder();

private:
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

void TestBiff8Writer::texts_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("chinese") << QStringLiteral("北京市朝阳区建国路88号");
    QTest::newRow("leading zeros") << QStringLiteral("007");
    QTest::newRow("postcode") << QStringLiteral("010000");
    QTest::newRow("mobile") << QStringLiteral("13800138000");
    QTest::newRow("latin-1") << QStringLiteral("Café Zoë");
    QTest::newRow("emoji") << QStringLiteral("礼物🎁");
    QTest::newRow("blanks kept") << QStringLiteral("  两边空格  ");
    QTest::newRow("newline") << QStringLiteral("第一行\n第二行");
}

void TestBiff8Writer::texts()
{
    QFETCH(QString, text);
    Biff8Writer w;
    w.addSheet(QStringLiteral("Sheet1"));
    QVERIFY(w.addRow(QStringList{QStringLiteral("列"), text}));
    const QString file = path(QStringLiteral("t.xls"));
    QString err;
    QVERIFY2(w.save(file, &err), qPrintable(err));
    // A text, never a number: "007" and "010000" keep their zeros.
    QCOMPARE(fileRows(file), (QVector<QStringList>{{QStringLiteral("列"), text}}));
}

void TestBiff8Writer::emptyCellsKeepColumns()
{
    Biff8Writer w;
    w.addSheet(QStringLiteral("Sheet1"));
    w.addRow(QStringList{QStringLiteral("a"), QString(), QStringLiteral("c")});
    w.addRow(QStringList{QString(), QString(), QString()});
    w.addRow(QStringList{QString(), QStringLiteral("b"), QString()});
    const QString file = path(QStringLiteral("e.xls"));
    QVERIFY(w.save(file, nullptr));
    XlsSheets x(w.workbookStream());
    QVERIFY2(x.ok, qPrintable(x.error));
    QCOMPARE(x.rows(0), (QVector<QStringList>{{QStringLiteral("a"), QString(), QStringLiteral("c")},
                                              {QString(), QStringLiteral("b")}}));
    QCOMPARE(x.lastRow, 2);
    QCOMPARE(fileRows(file).size(), 2);
}

void TestBiff8Writer::sharedStringsAcrossContinue_data()
{
    QTest::addColumn<QStringList>("strings");
    auto series = [](const QString& stem, int count, int width) {
        QStringList out;
        for (int i = 0; i < count; ++i)
            out << (stem.repeated(width / stem.size() + 1).left(width - 5) + QString::number(10000 + i));
        return out;
    };
    // Lengths that do not divide 8224, so strings split inside their characters.
    QTest::newRow("narrow") << series(QStringLiteral("abcdefg"), 700, 37);
    QTest::newRow("wide") << series(QStringLiteral("收件人地址"), 700, 23);
    QStringList mixed;
    for (int i = 0; i < 900; ++i)
        mixed << (i % 3 ? series(QStringLiteral("xyz"), 1, 11 + i % 50).first() + QString::number(i)
                        : series(QStringLiteral("浙江省杭州市"), 1, 9 + i % 40).first() + QString::number(i));
    QTest::newRow("mixed") << mixed;
    QTest::newRow("long strings over two records")
        << (QStringList{QStringLiteral("前"), QStringLiteral("长").repeated(5000),
                        QStringLiteral("x").repeated(9000)} +
            series(QStringLiteral("尾"), 800, 7));
}

void TestBiff8Writer::sharedStringsAcrossContinue()
{
    QFETCH(QStringList, strings);
    Biff8Writer w;
    w.addSheet(QStringLiteral("Sheet1"));
    for (const QString& s : strings)
        QVERIFY(w.addRow(QStringList{s}));
    const QByteArray stream = w.workbookStream();
    QVERIFY(stream.size() > 3 * 8224);
    QCOMPARE(sharedStrings(stream), strings);
    const QString file = path(QStringLiteral("sst.xls"));
    QVERIFY(w.save(file, nullptr));
    const QVector<QStringList> rows = fileRows(file);
    QCOMPARE(rows.size(), strings.size());
    for (int i = 0; i < strings.size(); ++i)
        QCOMPARE(rows.at(i), QStringList{strings.at(i)});
}

void TestBiff8Writer::stringsOverManyRecords()
{
    const QStringList strings{QStringLiteral("a"),
                              QStringLiteral("长").repeated(20000),
                              QStringLiteral("x").repeated(17000),
                              QStringLiteral("长").repeated(8300),
                              QStringLiteral("混合ab").repeated(3000),
                              QStringLiteral("b")};
    Biff8Writer w;
    w.addSheet(QStringLiteral("Sheet1"));
    for (const QString& s : strings)
        w.addRow(QStringList{s});
    QCOMPARE(sharedStrings(w.workbookStream()), strings);
}

void TestBiff8Writer::recordsAndSheetOffsets()
{
    Biff8Writer w;
    for (int s = 0; s < 3; ++s) {
        w.addSheet(QStringLiteral("表%1").arg(s));
        for (int r = 0; r < 500; ++r)
            w.addRow(QStringList{QStringLiteral("第%1行内容内容内容").arg(r * (s + 1))});
    }
    const QByteArray st = w.workbookStream();
    // Every record within the BIFF8 limit; every BOUNDSHEET points at a worksheet BOF.
    QVector<quint32> sheetOffsets;
    int pos = 0;
    int sstRecords = 0;
    while (pos + 4 <= st.size()) {
        const quint16 type = qFromLittleEndian<quint16>(st.constData() + pos);
        const quint16 len = qFromLittleEndian<quint16>(st.constData() + pos + 2);
        QVERIFY2(len <= 8224, qPrintable(QString::number(type, 16)));
        if (type == 0x0085)
            sheetOffsets << qFromLittleEndian<quint32>(st.constData() + pos + 4);
        if (type == 0x00FC || type == 0x003C)
            ++sstRecords;
        pos += 4 + len;
    }
    QCOMPARE(pos, st.size());
    QVERIFY(sstRecords > 1);
    QCOMPARE(sheetOffsets.size(), 3);
    for (quint32 off : sheetOffsets) {
        QCOMPARE(qFromLittleEndian<quint16>(st.constData() + off), quint16(0x0809));
        QCOMPARE(qFromLittleEndian<quint16>(st.constData() + off + 6), quint16(0x0010));
    }
    const QString file = path(QStringLiteral("sheets.xls"));
    QVERIFY(w.save(file, nullptr));
    XlsSheets x(st);
    QVERIFY2(x.ok, qPrintable(x.error));
    QCOMPARE(x.sheetCount(), 3);
    QCOMPARE(x.sheetName(2), QStringLiteral("表2"));
    QCOMPARE(x.rows(2).at(499), QStringList{QStringLiteral("第1497行内容内容内容")});
    QCOMPARE(fileRows(file).at(499), QStringList{QStringLiteral("第499行内容内容内容")});
}

void TestBiff8Writer::valueCells()
{
    Biff8Writer w;
    w.addSheet(QStringLiteral("Sheet1"));
    w.addRow(QVariantList{13800138000.0, 42, -7, 2.5, true, false, QDate(2024, 3, 15),
                          QDateTime(QDate(2024, 3, 15), QTime(9, 30)), QVariant(), QStringLiteral("t")});
    const QString file = path(QStringLiteral("v.xls"));
    QVERIFY(w.save(file, nullptr));
    QCOMPARE(fileRows(file), (QVector<QStringList>{{"13800138000", "42", "-7", "2.5", "1", "0", "2024-03-15",
                                                    "2024-03-15 09:30:00", "", "t"}}));
}

void TestBiff8Writer::sheetLimit()
{
    Biff8Writer w;
    QVERIFY(!w.addRow(QStringList{QStringLiteral("x")})); // no sheet yet
    w.addSheet(QStringLiteral("Sheet1"));
    for (int r = 0; r < Biff8Writer::maxRows(); ++r)
        QVERIFY(w.addRow(QStringList{QString::number(r)}));
    QVERIFY(!w.addRow(QStringList{QStringLiteral("one too many")}));
    w.addSheet(QStringLiteral("Sheet2"));
    QVERIFY(w.addRow(QStringList{QStringLiteral("next")}));
    const QString file = path(QStringLiteral("full.xls"));
    QVERIFY(w.save(file, nullptr));
    XlsSheets x(w.workbookStream());
    QVERIFY2(x.ok, qPrintable(x.error));
    const QVector<QStringList> first = x.rows(0);
    QCOMPARE(first.size(), Biff8Writer::maxRows());
    QCOMPARE(first.last(), QStringList{QString::number(Biff8Writer::maxRows() - 1)});
    QCOMPARE(x.rows(1), QVector<QStringList>{{QStringLiteral("next")}});
}

void TestBiff8Writer::saveFailsInMissingFolder()
{
    Biff8Writer w;
    w.addSheet(QStringLiteral("Sheet1"));
    w.addRow(QStringList{QStringLiteral("a")});
    QString err;
    QVERIFY(!w.save(path(QStringLiteral("no/such/folder/x.xls")), &err));
    QVERIFY(!err.isEmpty());
}

QTEST_GUILESS_MAIN(TestBiff8Writer)
#include "test_biff8writer.moc"
