#include "biff_records.h"
#include "data/store/Database.h"
#include "data/store/Schema.h"
#include "exchange/Biff8Writer.h"
#include "exchange/ExcelImporter.h"
#include "exchange/WorkbookReader.h"
#include "exchange/XlsxTextWriter.h"

#include <QDir>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

#include <array>

using namespace BiffRecords;

namespace {

using Parts = QVector<QPair<QString, QByteArray>>;

bool writeZip(const QString& path, const Parts& parts)
{
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdCreate))
        return false;
    for (const auto& p : parts) {
        QuaZipFile f(&zip);
        if (!f.open(QIODevice::WriteOnly, QuaZipNewInfo(p.first)) || f.write(p.second) != p.second.size())
            return false;
        f.close();
    }
    zip.close();
    return zip.getZipError() == UNZ_OK;
}

// A one-sheet package around the sheet's rows (the <sheetData> content).
Parts package(const QByteArray& rows)
{
    return {{"xl/workbook.xml",
             "<workbook xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
             "<sheets><sheet name=\"Sheet1\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
            {"xl/_rels/workbook.xml.rels",
             "<Relationships><Relationship Id=\"rId1\" Type=\"worksheet\" Target=\"worksheets/sheet1.xml\"/>"
             "</Relationships>"},
            {"xl/worksheets/sheet1.xml", "<worksheet><sheetData>" + rows + "</sheetData></worksheet>"}};
}

QByteArray inlineRow(int row, const QStringList& cells)
{
    QByteArray xml = "<row r=\"" + QByteArray::number(row) + "\">";
    for (const QString& c : cells)
        xml += "<c t=\"inlineStr\"><is><t>" + c.toUtf8() + "</t></is></c>";
    return xml + "</row>";
}

const QByteArray kMainNs = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const QByteArray kRelNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

QByteArray workbookXml(const QByteArray& inner)
{
    return "<workbook xmlns=\"" + kMainNs + "\" xmlns:r=\"" + kRelNs + "\">" + inner + "</workbook>";
}

QByteArray sheetsXml(const QVector<QPair<QByteArray, QByteArray>>& nameAndId)
{
    QByteArray xml = "<sheets>";
    for (const auto& s : nameAndId)
        xml += "<sheet name=\"" + s.first + "\" sheetId=\"1\" r:id=\"" + s.second + "\"/>";
    return xml + "</sheets>";
}

// Relationships of (id, type, target).
QByteArray relsXml(const QVector<std::array<QByteArray, 3>>& rels)
{
    QByteArray xml = "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    for (const auto& r : rels)
        xml += "<Relationship Id=\"" + r[0] + "\" Type=\"" + kRelNs + "/" + r[1] + "\" Target=\"" + r[2] +
               "\"/>";
    return xml + "</Relationships>";
}

QByteArray sheetXml(const QByteArray& rows)
{
    return "<worksheet xmlns=\"" + kMainNs + "\"><sheetData>" + rows + "</sheetData></worksheet>";
}

QByteArray textCell(const QByteArray& ref, const QString& text)
{
    return "<c r=\"" + ref + "\" t=\"inlineStr\"><is><t>" + text.toUtf8() + "</t></is></c>";
}

// A package as Excel lays it out: styles (1 date, 2 elapsed hours, 3 time,
// 4 "0.00") and one shared string "有" beside the sheet "Sheet1".
Parts book(const QByteArray& rows, const QByteArray& workbookInner = {})
{
    return {{"xl/workbook.xml",
             workbookXml(workbookInner.isEmpty() ? sheetsXml({{"Sheet1", "rId1"}}) : workbookInner)},
            {"xl/_rels/workbook.xml.rels", relsXml({{"rId1", "worksheet", "worksheets/sheet1.xml"},
                                                    {"rId8", "sharedStrings", "sharedStrings.xml"},
                                                    {"rId9", "styles", "/xl/styles.xml"}})},
            {"xl/sharedStrings.xml", "<sst xmlns=\"" + kMainNs + "\"><si><t>有</t></si></sst>"},
            {"xl/styles.xml", "<styleSheet xmlns=\"" + kMainNs +
                                  "\"><numFmts><numFmt numFmtId=\"164\" formatCode=\"[h]:mm:ss\"/>"
                                  "<numFmt numFmtId=\"165\" formatCode=\"0.00\"/></numFmts><cellXfs>"
                                  "<xf numFmtId=\"0\"/><xf numFmtId=\"14\"/><xf numFmtId=\"164\"/>"
                                  "<xf numFmtId=\"21\"/><xf numFmtId=\"165\"/></cellXfs></styleSheet>"},
            {"xl/worksheets/sheet1.xml", sheetXml(rows)}};
}

// The part under a DTD of entities that expand to nothing, six deep.
QByteArray withEntities(const QByteArray& root, const QByteArray& xml)
{
    QByteArray dtd = "<!ENTITY e0 \"\">";
    for (int i = 1; i <= 6; ++i)
        dtd += "<!ENTITY e" + QByteArray::number(i) + " \"" +
               QByteArray("&e" + QByteArray::number(i - 1) + ";").repeated(4) + "\">";
    return "<?xml version=\"1.0\"?><!DOCTYPE " + root + " [" + dtd + "]>" + xml;
}

// A file of Excel 2.x to 4.0: their BOF record of a worksheet, then EOF.
QByteArray oldBiff(quint16 bof)
{
    QByteArray body;
    put16(body, 0);
    put16(body, 0x0010);
    if (bof != 0x0009)
        put16(body, 0);
    return record(bof, body) + record(0x000A, {});
}

// Keeps the GLib messages that would reach the terminal.
void keepLogged(const gchar* domain, GLogLevelFlags, const gchar* message, gpointer list)
{
    static_cast<QStringList*>(list)->append(QString::fromUtf8(domain ? domain : "") + QLatin1Char(':') +
                                            QString::fromUtf8(message));
}

// Sets the uncompressed size of a part in both of its zip headers.
void claimSize(QByteArray* zip, const QByteArray& name, quint32 size)
{
    for (const QByteArray& sig : {QByteArray("PK\x03\x04", 4), QByteArray("PK\x01\x02", 4)}) {
        const int sizeAt = sig.at(2) == 3 ? 22 : 24;
        const int nameAt = sig.at(2) == 3 ? 30 : 46;
        for (qsizetype at = zip->indexOf(sig); at >= 0; at = zip->indexOf(sig, at + 4))
            if (zip->mid(at + nameAt, name.size()) == name)
                qToLittleEndian(size, zip->data() + at + sizeAt);
    }
}

} // namespace

class TestWorkbookReader : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void damaged_data();
    void damaged();
    void sharedReproducers();
    void continuedSheets_data();
    void continuedSheets();
    void xlsxTextsRoundTrip();
    void xlsxMarkup_data();
    void xlsxMarkup();
    void xlsxVariants_data();
    void xlsxVariants();

private:
    QString path(const QString& name) const { return m_dir.filePath(name); }
    int importedCount();
    QTemporaryDir m_dir;
    Database m_db;
};

void TestWorkbookReader::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QString err;
    QVERIFY2(m_db.open(path(QStringLiteral("book.db")), &err), qPrintable(err));
}

int TestWorkbookReader::importedCount()
{
    QSqlQuery q(m_db.db());
    return q.exec(QStringLiteral("SELECT COUNT(*) FROM excel")) && q.next() ? q.value(0).toInt() : -1;
}

void TestWorkbookReader::damaged_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("reason"); // a part of it

    const QByteArray header = inlineRow(1, Schema::importColumns());
    QByteArray rows = header;
    for (int r = 2; r < 400; ++r)
        rows += inlineRow(r, {QStringLiteral("收件人%1").arg(r), QStringLiteral("北京")});

    // Sheet data that cannot be inflated: once read for ever.
    const QString corrupt = path(QStringLiteral("corrupt.xlsx"));
    QVERIFY(writeZip(corrupt, package(rows)));
    QFile f(corrupt);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QByteArray bytes = f.readAll();
    const qsizetype sheetAt = bytes.indexOf("xl/worksheets/sheet1.xml");
    for (qsizetype i = sheetAt + 200; i < sheetAt + 260; ++i)
        bytes[i] = char(0xA5 ^ i);
    f.seek(0);
    f.write(bytes);
    f.close();
    QTest::newRow("xlsx sheet damaged") << corrupt << "损坏";

    // Cell references past the last column never wrap onto another column.
    const QString longRef = path(QStringLiteral("longref.xlsx"));
    QVERIFY(writeZip(longRef, package(header + "<row r=\"2\"><c r=\"AAAAAAAAAAAAAAAAB2\" t=\"inlineStr\">"
                                               "<is><t>x</t></is></c></row>")));
    QTest::newRow("xlsx column overflow") << longRef << "单元格位置";
    const QString pastXfd = path(QStringLiteral("xfe.xlsx"));
    QVERIFY(writeZip(pastXfd, package(header + "<row r=\"2\"><c r=\"XFE2\"><v>1</v></c></row>")));
    QTest::newRow("xlsx column XFE") << pastXfd << "单元格位置";

    // Sizes are checked before anything is inflated.
    QByteArray bomb;
    {
        const QString p = path(QStringLiteral("bomb.xlsx"));
        Parts parts = package(header);
        parts.append(
            qMakePair(QStringLiteral("xl/sharedStrings.xml"), QByteArray("<sst><si><t>x</t></si></sst>")));
        QVERIFY(writeZip(p, parts));
        QFile b(p);
        QVERIFY(b.open(QIODevice::ReadWrite));
        bomb = b.readAll();
        claimSize(&bomb, "xl/sharedStrings.xml", 0xC0000000u);
        b.seek(0);
        b.write(bomb);
    }
    QTest::newRow("xlsx strings claiming 3 GB") << path(QStringLiteral("bomb.xlsx")) << "异常庞大";
    // A sheet claiming 200 MB packed into a few kilobytes: a part packed
    // that tight may inflate to 128 MB at most.
    {
        const QString p = path(QStringLiteral("blanks.xlsx"));
        QVERIFY(
            writeZip(p, package(header + QByteArray(1 << 20, ' ') + inlineRow(2, {QStringLiteral("张三")}))));
        QFile b(p);
        QVERIFY(b.open(QIODevice::ReadWrite));
        QByteArray zip = b.readAll();
        claimSize(&zip, "xl/worksheets/sheet1.xml", 200u << 20);
        b.seek(0);
        b.write(zip);
    }
    QTest::newRow("xlsx packed a thousand times") << path(QStringLiteral("blanks.xlsx")) << "压缩比超过";
    // Entities, even empty ones, are refused in every part before they
    // are expanded.
    const QByteArray use = "<row r=\"2\">" + textCell("A2", QStringLiteral("&e6;张三")) + "</row>";
    Parts dtd = book(inlineRow(1, Schema::importColumns()));
    dtd[4].second = withEntities("worksheet", sheetXml(inlineRow(1, Schema::importColumns()) + use));
    QVERIFY(writeZip(path(QStringLiteral("dtd-sheet.xlsx")), dtd));
    QTest::newRow("xlsx entities in the sheet") << path(QStringLiteral("dtd-sheet.xlsx")) << "实体";
    dtd = book(inlineRow(1, Schema::importColumns()));
    dtd[2].second = withEntities("sst", "<sst><si><t>&e6;</t></si></sst>");
    QVERIFY(writeZip(path(QStringLiteral("dtd-strings.xlsx")), dtd));
    QTest::newRow("xlsx entities in the shared strings")
        << path(QStringLiteral("dtd-strings.xlsx")) << "实体";
    dtd = book(inlineRow(1, Schema::importColumns()));
    dtd[0].second = withEntities("workbook", workbookXml(sheetsXml({{"&e6;Sheet1", "rId1"}})));
    QVERIFY(writeZip(path(QStringLiteral("dtd-workbook.xlsx")), dtd));
    QTest::newRow("xlsx entities in the workbook") << path(QStringLiteral("dtd-workbook.xlsx")) << "实体";

    // Cells spread over the width of the sheet: the memory budget ends it.
    QByteArray wide = header;
    for (int r = 2; r < 5000; ++r)
        wide += "<row r=\"" + QByteArray::number(r) + "\"><c r=\"XFD" + QByteArray::number(r) +
                "\"><v>1</v></c></row>";
    QVERIFY(writeZip(path(QStringLiteral("wide.xlsx")), package(wide)));
    QTest::newRow("xlsx over the memory budget") << path(QStringLiteral("wide.xlsx")) << "内存";

    // .xls: encrypted, too old, cut short.
    Biff8Writer w;
    w.addSheet(QStringLiteral("Sheet1"));
    w.addRow(Schema::importColumns());
    w.addRow(QStringList{QStringLiteral("张三")});
    QByteArray filePass;
    put16(filePass, 1);
    filePass += QByteArray(52, '\1');
    QVERIFY(saveCompound(path(QStringLiteral("locked.xls")),
                         patched(w.workbookStream(), {{-1, 0, 0, record(0x002F, filePass)}})));
    QTest::newRow("xls with a password") << path(QStringLiteral("locked.xls")) << "密码保护";
    QByteArray biff5 = w.workbookStream();
    qToLittleEndian(quint16(0x0500), biff5.data() + 4);
    QVERIFY(saveCompound(path(QStringLiteral("old.xls")), biff5));
    QTest::newRow("xls from Excel 95") << path(QStringLiteral("old.xls")) << "Excel 5.0/95";
    QVERIFY(saveCompound(path(QStringLiteral("cut.xls")), w.workbookStream().left(300)));
    QTest::newRow("xls cut short") << path(QStringLiteral("cut.xls")) << "损坏";
    // Excel 2.x to 4.0 wrote their records without a compound file around.
    for (const quint16 bof : {0x0009, 0x0209, 0x0409}) {
        const QString p = path(QStringLiteral("biff%1.xls").arg(bof >> 8));
        QFile f(p);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(oldBiff(bof)) > 0);
        f.close();
        QTest::newRow(qPrintable(QStringLiteral("xls from Excel %1")
                                     .arg(QLatin1String(bof == 0x0009   ? "2.x"
                                                        : bof == 0x0209 ? "3.0"
                                                                        : "4.0"))))
            << p << "Excel 5.0/95或更早";
    }
    // Compound files damaged where libgsf asserts on them (a count of
    // master sector blocks, the small stream cutoff).
    QVERIFY(w.save(path(QStringLiteral("container.xls")), nullptr));
    for (const int at : {0x48, 0x39}) {
        QFile c(path(QStringLiteral("container.xls")));
        QVERIFY(c.open(QIODevice::ReadOnly));
        QByteArray bytes = c.readAll();
        bytes[at] = char(0xFE);
        const QString p = path(QStringLiteral("container%1.xls").arg(at));
        QFile d(p);
        QVERIFY(d.open(QIODevice::WriteOnly) && d.write(bytes) == bytes.size());
        QTest::newRow(qPrintable(QStringLiteral("xls container damaged at %1").arg(at))) << p << "损坏";
    }
    // A shared string table claiming four billion strings, the first one
    // 65,535 characters long, in a few bytes.
    QByteArray sst;
    put32(sst, 0xFFFFFFFFu);
    put32(sst, 0xFFFFFFFFu);
    put16(sst, 0xFFFF);
    put8(sst, 1);
    sst += "ab";
    QVERIFY(saveCompound(path(QStringLiteral("sst.xls")),
                         patched(w.workbookStream(), {{-1, 0, 0, record(0x00FC, sst)}})));
    QTest::newRow("xls shared strings cut off") << path(QStringLiteral("sst.xls")) << "共享字符串";
}

void TestWorkbookReader::damaged()
{
    // Each fails with "批量导入EXCEL失败！" and its reason; the previous import stays.
    QFETCH(QString, file);
    QFETCH(QString, reason);
    const QString good = path(QStringLiteral("good.xls"));
    Biff8Writer w;
    w.addSheet(QStringLiteral("Sheet1"));
    w.addRow(Schema::importColumns());
    w.addRow(QStringList{QStringLiteral("前一次")});
    QVERIFY(w.save(good, nullptr));
    QVERIFY(ExcelImporter::importFile(m_db, good).ok);
    QCOMPARE(importedCount(), 1);

    // Nothing of libgsf's on the terminal meanwhile; its messages reach
    // it again after the reading.
    QStringList logged;
    const GLogFunc before = g_log_set_default_handler(keepLogged, &logged);
    const ExcelImporter::Result r = ExcelImporter::importFile(m_db, file);
    g_log("libgsf:msole", G_LOG_LEVEL_MESSAGE, "after");
    g_log_set_default_handler(before, nullptr);
    QVERIFY(!r.ok);
    QVERIFY2(r.message.startsWith(ExcelImporter::failureMessage()), qPrintable(r.message));
    QVERIFY2(r.reason.contains(reason), qPrintable(r.reason));
    QCOMPARE(importedCount(), 1);
    QCOMPARE(logged, QStringList{QStringLiteral("libgsf:msole:after")});
}

void TestWorkbookReader::sharedReproducers()
{
    const QDir dir(QStringLiteral(WAYBILL_SHARED_DIR "/fixtures/damaged-workbooks"));
    if (!dir.exists())
        QSKIP("no shared damaged workbooks beside the repository");
    const QStringList files = dir.entryList(QDir::Files);
    QVERIFY(!files.isEmpty());
    for (const QString& name : files) {
        const ExcelImporter::Result r = ExcelImporter::importFile(m_db, dir.filePath(name));
        QVERIFY2(!r.ok && !r.reason.isEmpty(), qPrintable(name));
    }
}

void TestWorkbookReader::continuedSheets_data()
{
    QTest::addColumn<int>("firstRows"); // of Sheet1, its header included
    QTest::addColumn<QStringList>("secondHeader");
    QTest::addColumn<int>("records");
    QTest::addColumn<QString>("last");
    const QStringList same = Schema::importColumns();
    const int full = Biff8Writer::maxRows();
    QTest::newRow("full, same header") << full << same << full + 1 << "续2";
    QTest::newRow("full, no header") << full << QStringList() << full + 1 << "续2";
    QTest::newRow("full, another table")
        << full << QStringList{QStringLiteral("姓名"), QStringLiteral("其他")} << full - 1
        << QStringLiteral("收件人%1").arg(full - 1);
    QTest::newRow("not full") << full - 1 << same << full - 2 << QStringLiteral("收件人%1").arg(full - 2);
}

void TestWorkbookReader::continuedSheets()
{
    // As older exports wrote lists longer than one .xls sheet.
    QFETCH(int, firstRows);
    QFETCH(QStringList, secondHeader);
    QFETCH(int, records);
    QFETCH(QString, last);
    Biff8Writer w;
    w.addSheet(QStringLiteral("Sheet1"));
    w.addRow(Schema::importColumns());
    for (int r = 1; r < firstRows; ++r)
        QVERIFY(w.addRow(QStringList{QStringLiteral("收件人%1").arg(r)}));
    w.addSheet(QStringLiteral("Sheet2"));
    if (!secondHeader.isEmpty())
        w.addRow(secondHeader);
    w.addRow(QStringList{QStringLiteral("续1")});
    w.addRow(QStringList{QStringLiteral("续2")});
    const QString file = path(QStringLiteral("long.xls"));
    QVERIFY(w.save(file, nullptr));
    const ExcelImporter::Result r = ExcelImporter::importFile(m_db, file);
    QVERIFY2(r.ok, qPrintable(r.message));
    QCOMPARE(r.imported, records);
    QSqlQuery q(m_db.db());
    QVERIFY(q.exec(QStringLiteral("SELECT \"姓名\" FROM excel ORDER BY rowid DESC LIMIT 1")) && q.next());
    QCOMPARE(q.value(0).toString(), last);
}

void TestWorkbookReader::xlsxTextsRoundTrip()
{
    // Texts the XML cannot hold as they are come back as written.
    const QStringList texts{QStringLiteral("控制\x01字符\x1f"),    QStringLiteral("回车\r\n换行"),
                            QStringLiteral("像转义的_x0041_文字"), QStringLiteral("_x005F_"),
                            QStringLiteral(" 前后空格 "),          QStringLiteral("\t制表")};
    const QString file = path(QStringLiteral("texts.xlsx"));
    XlsxTextWriter w(file);
    QString err;
    QVERIFY2(w.open(&err) && w.addSheet(QStringLiteral("Sheet1"), &err) && w.addRow(texts, &err) &&
                 w.close(&err),
             qPrintable(err));
    WorkbookReader r;
    QVERIFY2(r.read(file, &err), qPrintable(err));
    QCOMPARE(r.rows(), QVector<QStringList>{texts});
}

QTEST_GUILESS_MAIN(TestWorkbookReader)
#include "test_workbookreader.moc"

void TestWorkbookReader::xlsxMarkup_data()
{
    // The second row's rows XML; the first cell's text, or a part of the reason it fails.
    QTest::addColumn<QByteArray>("row");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("reason");

    auto cell = [](const QByteArray& inner) {
        return "<row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is>" + inner + "</is></c></row>";
    };
    QTest::newRow("references") << cell("<t>a&amp;b&lt;&#x4E2D;&#25991;&quot;</t>") << "a&b<中文\""
                                << "";
    QTest::newRow("line ends") << cell("<t xml:space=\"preserve\"> a\r\nb\rc </t>") << " a\nb\nc "
                               << "";
    QTest::newRow("runs, no phonetic guide")
        << cell("<r><t>张</t></r><r><rPr><b/></rPr><t>三</t></r><rPh sb=\"0\"><t>zhang</t></rPh>") << "张三"
        << "";
    QTest::newRow("escaped character") << cell("<t>a_x000D_b_x005F_x0041_</t>") << "a\rb_x0041_"
                                       << "";
    QTest::newRow("CDATA") << cell("<t><![CDATA[<b>&amp;]]></t>") << "<b>&amp;"
                           << "";
    QTest::newRow("comment") << cell("<t>上<!-- 注 -->海</t>") << "上海"
                             << "";
    QTest::newRow("prefixed elements")
        << QByteArray("<x:row xmlns:x=\"urn:s\" r=\"2\"><x:c t=\"inlineStr\"><x:is><x:t>甲</x:t></x:is></x:c>"
                      "</x:row>")
        << "甲"
        << "";
    QTest::newRow("number without a type") << QByteArray("<row r=\"2\"><c><v>0012</v></c></row>") << "12"
                                           << "";
    QTest::newRow("tags crossed") << cell("<t>x</is></t>") << ""
                                  << "格式错误";
    QTest::newRow("unknown entity") << cell("<t>&nbsp;</t>") << ""
                                    << "格式错误";
    QTest::newRow("bad character reference") << cell("<t>&#1;</t>") << ""
                                             << "格式错误";
    QTest::newRow("undeclared prefix") << QByteArray("<row r=\"2\" y:h=\"1\"/>") << ""
                                       << "格式错误";
    QTest::newRow("attribute twice") << QByteArray("<row r=\"2\" r=\"3\"/>") << ""
                                     << "格式错误";
    QTest::newRow("not UTF-8") << cell("<t>\xE4\xB8</t>") << ""
                               << "格式错误";
    QTest::newRow("element left open") << QByteArray("<row r=\"2\"><c t=\"inlineStr\"><is><t>a") << ""
                                       << "格式错误";
}

void TestWorkbookReader::xlsxMarkup()
{
    // The same texts and the same refusals whichever way the sheet is read.
    QFETCH(QByteArray, row);
    QFETCH(QString, text);
    QFETCH(QString, reason);
    const QString file = path(QStringLiteral("markup.xlsx"));
    QVERIFY(writeZip(file, package(inlineRow(1, Schema::importColumns()) + row)));
    WorkbookReader reader;
    QString error;
    const bool ok = reader.read(file, &error);
    if (!reason.isEmpty()) {
        QVERIFY(!ok);
        QVERIFY2(error.contains(reason), qPrintable(error));
        return;
    }
    QVERIFY2(ok, qPrintable(error));
    QCOMPARE(reader.rows().size(), 2);
    QCOMPARE(reader.rows().at(1).value(0), text);
}

void TestWorkbookReader::xlsxVariants_data()
{
    // Packages as other programs write them, and the rows they read as.
    QTest::addColumn<Parts>("parts");
    QTest::addColumn<QVector<QStringList>>("rows");

    const QByteArray sheet1 = sheetsXml({{"Sheet1", "rId1"}});
    QTest::newRow("1904 dates beside the extension's workbookPr")
        << book("<row r=\"1\"><c r=\"A1\" s=\"1\"><v>1</v></c></row>",
                "<workbookPr date1904=\"1\"/>" + sheet1 +
                    "<extLst><ext uri=\"{x}\" xmlns:x15=\"http://schemas.microsoft.com/office/spreadsheetml/"
                    "2010/11/main\"><x15:workbookPr chartTrackingRefBase=\"1\"/></ext></extLst>")
        << QVector<QStringList>{{"1904-01-02"}};
    QTest::newRow("a row met again") << book("<row r=\"1\">" + textCell("A1", "a") + "</row><row r=\"3\">" +
                                             textCell("A3", "c") + "</row><row r=\"3\">" +
                                             textCell("B3", "d") + "</row><row r=\"1\">" +
                                             textCell("B1", "b") + "</row><row r=\"2\">" +
                                             textCell("A2", "x") + "</row>")
                                     << QVector<QStringList>{{"a", "b"}, {"x"}, {"c", "d"}};
    auto iso = [](const QByteArray& style, const QByteArray& v) {
        return "<c t=\"d\"" + (style.isEmpty() ? QByteArray() : " s=\"" + style + "\"") + "><v>" + v +
               "</v></c>";
    };
    QTest::newRow("ISO dates, times and durations")
        << book("<row r=\"1\">" + iso("", "2024-03-15") + iso("", "2024-03-15T08:30:00") + iso("3", "10:30") +
                iso("3", "1899-12-30T06:00:00") + iso("2", "PT36H") + iso("", "PT1H30M") +
                iso("1", "2024-03-15T12:00:00") + iso("4", "2024-03-15T12:00:00") + "</row>")
        << QVector<QStringList>{{"2024-03-15", "2024-03-15 08:30:00", "10:30:00", "06:00:00", "36:00:00",
                                 "01:30:00", "2024-03-15", "45366.50"}};
    QTest::newRow("shared string cells without a value")
        << book("<row r=\"1\"><c r=\"A1\" t=\"s\"/><c r=\"B1\" t=\"s\"><v/></c><c r=\"C1\" "
                "t=\"s\"><v>0</v></c>"
                "</row>")
        << QVector<QStringList>{{"", "", "有"}};

    const QByteArray named =
        "<row r=\"1\">" + textCell("A1", "姓名") + "</row><row r=\"2\">" + textCell("A2", "张三") + "</row>";
    const QVector<QStringList> namedRows{{"姓名"}, {"张三"}};
    QTest::newRow("workbook part elsewhere")
        << Parts{{"_rels/.rels", relsXml({{"rId1", "officeDocument", "/book/wb.xml"}})},
                 {"book/wb.xml", workbookXml(sheet1)},
                 {"book/_rels/wb.xml.rels", relsXml({{"rId1", "worksheet", "data/s.xml"}})},
                 {"book/data/s.xml", sheetXml(named)}}
        << namedRows;
    Parts backslashes = book(named);
    for (auto& p : backslashes)
        p.first.replace(QLatin1Char('/'), QLatin1Char('\\'));
    QTest::newRow("entry names with backslashes") << backslashes << namedRows;
    Parts chart = book(named, sheetsXml({{"Sheet1", "rId2"}, {"数据", "rId1"}}));
    chart[1].second = relsXml(
        {{"rId1", "worksheet", "worksheets/sheet1.xml"}, {"rId2", "chartsheet", "chartsheets/sheet1.xml"}});
    chart.append(
        {"xl/chartsheets/sheet1.xml", "<chartsheet xmlns=\"" + kMainNs + "\"><sheetPr/></chartsheet>"});
    QTest::newRow("chart sheet first") << chart << namedRows;

    // A sheet past 16 MB that packs well over 100 times: formatted blank cells.
    QByteArray big = "<row r=\"1\">" + textCell("A1", "姓名") + "</row>";
    int r = 2;
    while (big.size() < (17 << 20))
        big += "<row r=\"" + QByteArray::number(r++) + "\">" + QByteArray("<c s=\"1\"/>").repeated(55) +
               "</row>";
    big += "<row r=\"" + QByteArray::number(r) + "\">" + textCell("A" + QByteArray::number(r), "张三") +
           "</row>";
    QTest::newRow("big sheet packed tight") << book(big) << namedRows;
}

void TestWorkbookReader::xlsxVariants()
{
    QFETCH(Parts, parts);
    QFETCH(QVector<QStringList>, rows);
    const QString file = path(QStringLiteral("variant.xlsx"));
    QVERIFY(writeZip(file, parts));
    WorkbookReader reader;
    QString error;
    QVERIFY2(reader.read(file, &error), qPrintable(error));
    QCOMPARE(reader.rows(), rows);
}
