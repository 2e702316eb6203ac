#include "data/store/Database.h"
#include "data/store/Schema.h"
#include "data/store/Settings.h"
#include "exchange/Biff8Writer.h"
#include "exchange/ExcelImporter.h"

#include "tests/TestStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

using Rows = QVector<QVariantList>;

namespace {

const QString kName = QStringLiteral("姓名");

// An .xlsx through libxlsxwriter (in a helper process): shared strings,
// real number, date and boolean cells.
bool writeXlsx(const QString& path, const QStringList& sheets, int dataSheet, const Rows& rows)
{
    QJsonArray jrows;
    for (const QVariantList& r : rows) {
        QJsonArray jr;
        for (const QVariant& v : r) {
            QJsonObject o;
            switch (v.typeId()) {
            case QMetaType::Double:
            case QMetaType::Int:
                o.insert("n", v.toDouble());
                break;
            case QMetaType::Bool:
                o.insert("b", v.toBool());
                break;
            case QMetaType::QDate:
                o.insert("d", v.toDate().toString(Qt::ISODate));
                break;
            case QMetaType::QDateTime:
                o.insert("dt", v.toDateTime().toString(Qt::ISODate));
                break;
            case QMetaType::QVariantMap: // {"n": number, "f": format}
                o = QJsonObject::fromVariantMap(v.toMap());
                break;
            default:
                o.insert("s", v.toString());
            }
            jr << o;
        }
        jrows << jr;
    }
    QJsonObject d;
    d.insert("sheets", QJsonArray::fromStringList(sheets));
    d.insert("dataSheet", dataSheet);
    d.insert("rows", jrows);
    QFile recipe(path + ".json");
    if (!recipe.open(QIODevice::WriteOnly))
        return false;
    recipe.write(QJsonDocument(d).toJson());
    recipe.close();
    const int rc = QProcess::execute(QStringLiteral(XLSX_FIXTURE_TOOL), {recipe.fileName(), path});
    recipe.remove();
    return rc == 0;
}

// An .xls through our own writer.
bool writeXls(const QString& path, const QStringList& sheets, int dataSheet, const Rows& rows)
{
    Biff8Writer w;
    for (int s = 0; s < sheets.size(); ++s) {
        w.addSheet(sheets.at(s));
        if (s != dataSheet) {
            w.addRow(QStringList{QStringLiteral("不是这一张")});
            continue;
        }
        for (const QVariantList& r : rows)
            w.addRow(r);
    }
    return w.save(path, nullptr);
}

bool addZipEntry(QuaZip& zip, const QString& name, const QByteArray& data)
{
    QuaZipFile f(&zip);
    if (!f.open(QIODevice::WriteOnly, QuaZipNewInfo(name)))
        return false;
    f.write(data);
    f.close();
    return f.getZipError() == ZIP_OK;
}

QString columnName(int c)
{
    QString s;
    for (++c; c > 0; c = (c - 1) / 26)
        s.prepend(QChar('A' + (c - 1) % 26));
    return s;
}

// An .xlsx as other programs write it: inline strings, no sharedStrings.xml,
// no styles.xml, a sheet named by the caller.
bool writeInlineXlsx(const QString& path, const QString& sheetName, const Rows& rows)
{
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdCreate))
        return false;
    QByteArray sheet =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
        "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>";
    for (int r = 0; r < rows.size(); ++r) {
        sheet += "<row r=\"" + QByteArray::number(r + 1) + "\">";
        for (int c = 0; c < rows.at(r).size(); ++c) {
            const QVariant& v = rows.at(r).at(c);
            const QByteArray ref = (columnName(c) + QString::number(r + 1)).toLatin1();
            if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Int)
                sheet += "<c r=\"" + ref + "\"><v>" + QByteArray::number(v.toDouble(), 'g', 17) + "</v></c>";
            else if (!v.toString().isEmpty())
                sheet += "<c r=\"" + ref + "\" t=\"inlineStr\"><is><t xml:space=\"preserve\">" +
                         v.toString().toHtmlEscaped().toUtf8() + "</t></is></c>";
        }
        sheet += "</row>";
    }
    sheet += "</sheetData></worksheet>";
    const QByteArray workbook =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
        "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>"
        "<sheet name=\"" +
        sheetName.toHtmlEscaped().toUtf8() + "\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";
    const QByteArray rels =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" "
        "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
        "Target=\"worksheets/data.xml\"/></Relationships>";
    const QByteArray types = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                             "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                             "<Default Extension=\"xml\" ContentType=\"application/xml\"/></Types>";
    bool ok = addZipEntry(zip, QStringLiteral("[Content_Types].xml"), types) &&
              addZipEntry(zip, QStringLiteral("xl/workbook.xml"), workbook) &&
              addZipEntry(zip, QStringLiteral("xl/_rels/workbook.xml.rels"), rels) &&
              addZipEntry(zip, QStringLiteral("xl/worksheets/data.xml"), sheet);
    zip.close();
    return ok && zip.getZipError() == ZIP_OK;
}

enum Kind
{
    Xls,
    Xlsx,
    InlineXlsx
};

bool writeFixture(Kind kind, const QString& path, const Rows& rows, const QStringList& sheets = {"Sheet1"},
                  int dataSheet = 0)
{
    switch (kind) {
    case Xls:
        return writeXls(path, sheets, dataSheet, rows);
    case Xlsx:
        return writeXlsx(path, sheets, dataSheet, rows);
    case InlineXlsx:
        return writeInlineXlsx(path, sheets.at(dataSheet), rows);
    }
    return false;
}

QVariantList header()
{
    QVariantList h;
    for (const QString& c : Schema::importColumns())
        h << c;
    return h;
}

// A record in import order with the given name and everything else derived from it.
QVariantList record(const QString& name)
{
    QVariantList r;
    for (const QString& c : Schema::importColumns())
        r << (c == kName ? name : name + QLatin1Char('-') + c);
    return r;
}

} // namespace

Q_DECLARE_METATYPE(Rows)

class TestExcelImporter : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void imports_data();
    void imports();
    void valuesBecomeText_data();
    void valuesBecomeText();
    void sheetChoice_data();
    void sheetChoice();
    void failureKeepsPreviousImport_data();
    void failureKeepsPreviousImport();
    void cancelKeepsPreviousImport_data();
    void cancelKeepsPreviousImport();
    void sameWorkbookTwiceLeavesOneCopy();
    void emptyPath();
    void rowsWithoutNameAndAddressLeftOut_data();
    void rowsWithoutNameAndAddressLeftOut();

private:
    QVector<QStringList> table() const;
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
    Database m_db;
};

void TestExcelImporter::initTestCase()
{
    WAYBILL_REQUIRE_STORE();
    QString err;
    QVERIFY2(m_db.open(TestStore::location(Settings().storeLocation()), &err), qPrintable(err));
}

void TestExcelImporter::init()
{
    // Every case starts from a known previous import.
    QVERIFY(ExcelImporter::replaceTable(m_db,
                                        {QStringList{"旧一", "", "", "", "", "", "", "", "", ""},
                                         QStringList{"旧二", "", "", "", "", "", "", "", "", ""}},
                                        nullptr));
}

QVector<QStringList> TestExcelImporter::table() const
{
    QVector<QStringList> out;
    QSqlQuery q(m_db.db());
    QStringList cols;
    for (const QString& c : Schema::importColumns())
        cols << QLatin1Char('"') + c + QLatin1Char('"');
    q.exec(QStringLiteral("SELECT %1 FROM excel ORDER BY \"序号\"").arg(cols.join(QLatin1Char(','))));
    while (q.next()) {
        QStringList r;
        for (int i = 0; i < cols.size(); ++i)
            r << q.value(i).toString();
        out << r;
    }
    return out;
}

void TestExcelImporter::imports_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<QVector<QStringList>>("expected");

    // Header shuffled, blanks around the texts, two extra columns.
    QVariantList shuffled = header();
    std::reverse(shuffled.begin(), shuffled.end());
    shuffled.insert(3, QStringLiteral("多余"));
    shuffled[0] = QStringLiteral("  备注 ");
    shuffled << QStringLiteral("另一列");
    auto reorder = [&](const QVariantList& rec, const QString& extra) {
        QVariantList out;
        for (const QVariant& h : shuffled) {
            const int i = Schema::importColumns().indexOf(h.toString().trimmed());
            out << (i >= 0 ? rec.at(i) : QVariant(extra));
        }
        return out;
    };
    const QStringList names{QStringLiteral("张三"), QStringLiteral("李四😀"), QStringLiteral("王五")};
    Rows rows{shuffled};
    QVector<QStringList> expected;
    for (const QString& n : names) {
        rows << reorder(record(n), QStringLiteral("忽略"));
        if (n == names.at(0))
            rows << QVariantList(shuffled.size()); // an empty row in between
        QStringList e;
        for (const QVariant& v : record(n))
            e << v.toString();
        expected << e;
    }
    // A row with some columns empty: empty texts, later columns in place.
    QVariantList sparse(shuffled.size());
    sparse[shuffled.indexOf(kName)] = QStringLiteral("赵六");
    sparse[shuffled.indexOf(QStringLiteral("电话"))] = QStringLiteral("010-12345678");
    rows << sparse;
    QStringList e(10);
    e[0] = QStringLiteral("赵六");
    e[6] = QStringLiteral("010-12345678");
    expected << e;
    for (int k : {Xls, Xlsx, InlineXlsx})
        QTest::addRow("kind %d", k) << k << rows << expected;
    QTest::addRow("header only") << int(Xlsx) << Rows{header()} << QVector<QStringList>{};
}

void TestExcelImporter::imports()
{
    QFETCH(int, kind);
    QFETCH(Rows, rows);
    QFETCH(QVector<QStringList>, expected);
    const QString file = path(QStringLiteral("in.%1").arg(kind == Xls ? "xls" : "xlsx"));
    QVERIFY(writeFixture(Kind(kind), file, rows));
    QVector<int> seen;
    const ExcelImporter::Result r = ExcelImporter::importFile(m_db, file, [&](int p) {
        seen << p;
        return true;
    });
    QVERIFY2(r.ok, qPrintable(r.message));
    QCOMPARE(r.message, ExcelImporter::successMessage());
    QCOMPARE(r.imported, expected.size());
    QCOMPARE(table(), expected);
    QVERIFY(!seen.isEmpty());
    QCOMPARE(seen.last(), 100);
    QVERIFY(std::is_sorted(seen.begin(), seen.end()));
    // Columns the import does not fill stay without a value.
    QSqlQuery q(m_db.db());
    QVERIFY(
        q.exec(QStringLiteral("SELECT count(*) FROM excel WHERE \"快递单号\" IS NOT NULL OR \"选中\" IS NOT "
                              "NULL OR \"已打印\" IS NOT NULL")));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toInt(), 0);
}

void TestExcelImporter::valuesBecomeText_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("text");
    const QList<int> all{Xls, Xlsx, InlineXlsx};
    for (int k : all) {
        QTest::addRow("mobile %d", k) << k << QVariant(13800138000.0) << "13800138000";
        QTest::addRow("postcode as number %d", k) << k << QVariant(10000.0) << "10000";
        QTest::addRow("fraction %d", k) << k << QVariant(2.5) << "2.5";
        // libxlsxwriter stores 16 significant digits, so only the other two keep the last bit.
        if (k != Xlsx)
            QTest::addRow("inexact %d", k) << k << QVariant(0.1 + 0.2) << "0.30000000000000004";
        QTest::addRow("text leading zero %d", k) << k << QVariant(QStringLiteral("010000")) << "010000";
    }
    for (int k : {Xls, Xlsx}) {
        QTest::addRow("whole small %d", k) << k << QVariant(3) << "3";
        QTest::addRow("date %d", k) << k << QVariant(QDate(2024, 3, 15)) << "2024-03-15";
        QTest::addRow("date-time %d", k)
            << k << QVariant(QDateTime(QDate(2024, 3, 15), QTime(9, 30, 5))) << "2024-03-15 09:30:05";
    }
    QTest::addRow("boolean xlsx") << int(Xlsx) << QVariant(true) << "1";
    // Number formats: numbers stay numbers, zero padding kept.
    const auto formatted = [](double n, const QString& f) {
        return QVariant(QVariantMap{{"n", n}, {"f", f}});
    };
    QTest::addRow("General with unit xlsx") << int(Xlsx) << formatted(12, "General\"件\"") << "12";
    QTest::addRow("[Red]General xlsx") << int(Xlsx) << formatted(12, "[Red]General") << "12";
    QTest::addRow("[$-804]General xlsx") << int(Xlsx) << formatted(12, "[$-804]General") << "12";
    QTest::addRow("[DBNum1]General xlsx") << int(Xlsx) << formatted(12, "[DBNum1][$-804]General") << "12";
    QTest::addRow("zero padded xlsx") << int(Xlsx) << formatted(10000, "000000") << "010000";
    QTest::addRow("two decimals xlsx") << int(Xlsx) << formatted(1234.5, "#,##0.00") << "1234.50";
    QTest::addRow("boolean false xlsx") << int(Xlsx) << QVariant(false) << "0";
}

void TestExcelImporter::valuesBecomeText()
{
    QFETCH(int, kind);
    QFETCH(QVariant, value);
    QFETCH(QString, text);
    QVariantList row = record(QStringLiteral("某人"));
    row[Schema::importColumns().indexOf(QStringLiteral("手机"))] = value;
    const QString file = path(QStringLiteral("v.%1").arg(kind == Xls ? "xls" : "xlsx"));
    QVERIFY(writeFixture(Kind(kind), file, Rows{header(), row}));
    const ExcelImporter::Result r = ExcelImporter::importFile(m_db, file);
    QVERIFY2(r.ok, qPrintable(r.message));
    QCOMPARE(table().value(0).value(5), text);
}

void TestExcelImporter::sheetChoice_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("sheets");
    QTest::addColumn<int>("dataSheet");
    for (int k : {Xls, Xlsx}) {
        QTest::addRow("Sheet1 second %d", k) << k << QStringList{"说明", "Sheet1"} << 1;
        QTest::addRow("no Sheet1, first sheet %d", k) << k << QStringList{"收件人", "其他"} << 0;
    }
    QTest::addRow("inline, sheet named in Chinese") << int(InlineXlsx) << QStringList{"收件人"} << 0;
}

void TestExcelImporter::sheetChoice()
{
    QFETCH(int, kind);
    QFETCH(QStringList, sheets);
    QFETCH(int, dataSheet);
    const QString file = path(QStringLiteral("s.%1").arg(kind == Xls ? "xls" : "xlsx"));
    QVERIFY(writeFixture(Kind(kind), file, Rows{header(), record(QStringLiteral("甲"))}, sheets, dataSheet));
    const ExcelImporter::Result r = ExcelImporter::importFile(m_db, file);
    QVERIFY2(r.ok, qPrintable(r.message));
    QCOMPARE(table().size(), 1);
    QCOMPARE(table().first().first(), QStringLiteral("甲"));
}

void TestExcelImporter::failureKeepsPreviousImport_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("reasonPart");

    QVariantList noNote = header();
    noNote.removeLast();
    QVERIFY(writeXls(path("nonote.xls"), {"Sheet1"}, 0, {noNote, record("x").mid(0, 9)}));
    QTest::newRow("xls without 备注") << path("nonote.xls") << "备注";
    QVERIFY(writeXlsx(path("nonote.xlsx"), {"Sheet1"}, 0, {noNote, record("x").mid(0, 9)}));
    QTest::newRow("xlsx without 备注") << path("nonote.xlsx") << "备注";
    QVERIFY(writeXlsx(path("empty.xlsx"), {"Sheet1"}, 0, {}));
    QTest::newRow("empty sheet") << path("empty.xlsx") << "标题行";

    QFile text(path("text.xls"));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("姓名,城市\n张三,北京\n");
    text.close();
    QTest::newRow("text file named .xls") << path("text.xls") << "不是Excel";
    QTest::newRow("missing file") << path("nothing.xls") << "不存在";
    QTest::newRow("a folder") << m_dir.path() << "不是文件";

    Rows many{header()};
    for (int i = 0; i < 3000; ++i)
        many << record(QStringLiteral("人%1").arg(i));
    for (const QString& ext : {QStringLiteral("xls"), QStringLiteral("xlsx")}) {
        const QString good = path("good." + ext);
        QVERIFY(ext == "xls" ? writeXls(good, {"Sheet1"}, 0, many) : writeXlsx(good, {"Sheet1"}, 0, many));
        QFile f(good);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray all = f.readAll();
        QFile t(path("truncated." + ext));
        QVERIFY(t.open(QIODevice::WriteOnly));
        t.write(all.left(all.size() / 2));
        t.close();
        QTest::addRow("truncated %s", qPrintable(ext)) << t.fileName() << "";
    }
}

void TestExcelImporter::failureKeepsPreviousImport()
{
    QFETCH(QString, file);
    QFETCH(QString, reasonPart);
    const QVector<QStringList> before = table();
    const ExcelImporter::Result r = ExcelImporter::importFile(m_db, file);
    QVERIFY(!r.ok);
    QVERIFY(r.message.startsWith(ExcelImporter::failureMessage()));
    QVERIFY(!r.reason.isEmpty());
    QVERIFY2(r.reason.contains(reasonPart), qPrintable(r.reason));
    QCOMPARE(table(), before);
}

void TestExcelImporter::cancelKeepsPreviousImport_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("cancelAt");
    for (int k : {Xls, Xlsx}) {
        QTest::addRow("reading %d", k) << k << 20;
        QTest::addRow("storing %d", k) << k << 80;
    }
}

void TestExcelImporter::cancelKeepsPreviousImport()
{
    QFETCH(int, kind);
    QFETCH(int, cancelAt);
    Rows rows{header()};
    for (int i = 0; i < 5000; ++i)
        rows << record(QStringLiteral("人%1").arg(i));
    const QString file = path(QStringLiteral("c.%1").arg(kind == Xls ? "xls" : "xlsx"));
    QVERIFY(writeFixture(Kind(kind), file, rows));
    const QVector<QStringList> before = table();
    const ExcelImporter::Result r =
        ExcelImporter::importFile(m_db, file, [&](int p) { return p < cancelAt; });
    QVERIFY(!r.ok);
    QVERIFY(r.cancelled);
    QCOMPARE(table(), before);
}

void TestExcelImporter::sameWorkbookTwiceLeavesOneCopy()
{
    const QString file = path("twice.xlsx");
    QVERIFY(writeXlsx(file, {"Sheet1"}, 0, {header(), record("一"), record("二")}));
    QVERIFY(ExcelImporter::importFile(m_db, file).ok);
    QVERIFY(ExcelImporter::importFile(m_db, file).ok);
    QCOMPARE(table().size(), 2);
}

void TestExcelImporter::emptyPath()
{
    QVERIFY(ExcelImporter::isEmptyPath(QStringLiteral(" \t\u3000\n")));
    QVERIFY(!ExcelImporter::isEmptyPath(QStringLiteral(" a.xls ")));
    const QVector<QStringList> before = table();
    const ExcelImporter::Result r = ExcelImporter::importFile(m_db, QStringLiteral("   "));
    QVERIFY(!r.ok);
    QCOMPARE(r.message, ExcelImporter::emptyPathMessage());
    QCOMPARE(table(), before);
    // The trimmed path is the one read.
    const QString file = path("trim.xlsx");
    QVERIFY(writeXlsx(file, {"Sheet1"}, 0, {header(), record("丙")}));
    QVERIFY(ExcelImporter::importFile(m_db, QStringLiteral("  ") + file + QStringLiteral(" \r\n")).ok);
}

void TestExcelImporter::rowsWithoutNameAndAddressLeftOut_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<Rows>("rows");
    const QStringList columns = Schema::importColumns();
    auto row = [&](const QString& name, const QString& address, const QString& mobile) {
        QVariantList r(columns.size(), QString());
        r[columns.indexOf(kName)] = name;
        r[columns.indexOf(QStringLiteral("地址"))] = address;
        r[columns.indexOf(QStringLiteral("手机"))] = mobile;
        return r;
    };
    // Sheet rows 2..6: kept, mobile only, address only, blanks only, name only.
    const Rows rows{header(),
                    row("张三", "花园路1号", "13800138000"),
                    row("", "", "13900139000"),
                    row("", "花园路2号", ""),
                    row("  ", " ", "13700137000"),
                    row("李四", "", "")};
    for (int k : {Xls, Xlsx, InlineXlsx})
        QTest::addRow("kind %d", k) << k << rows;
}

void TestExcelImporter::rowsWithoutNameAndAddressLeftOut()
{
    QFETCH(int, kind);
    QFETCH(Rows, rows);
    const QString file = path(QStringLiteral("blank.%1").arg(kind == Xls ? "xls" : "xlsx"));
    QVERIFY(writeFixture(Kind(kind), file, rows));
    const ExcelImporter::Result r = ExcelImporter::importFile(m_db, file);
    QVERIFY2(r.ok, qPrintable(r.message));
    QCOMPARE(r.imported, 3);
    QCOMPARE(r.blankRows, (QList<int>{3, 5}));
    QCOMPARE(r.message, ExcelImporter::successMessage() +
                            QStringLiteral("\n未导入 2 行（姓名和地址都为空）：第 3、5 行"));
    QStringList kept;
    for (const QStringList& rec : table())
        kept << rec.at(0) + QLatin1Char('/') + rec.at(4);
    QCOMPARE(kept, (QStringList{"张三/花园路1号", "/花园路2号", "李四/"}));
}

QTEST_GUILESS_MAIN(TestExcelImporter)
#include "test_excelimporter.moc"
