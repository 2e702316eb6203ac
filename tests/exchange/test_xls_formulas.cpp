#include "biff_records.h"
#include "data/store/Database.h"
#include "data/store/Schema.h"
#include "exchange/Biff8Writer.h"
#include "exchange/BiffReader.h"
#include "exchange/ExcelImporter.h"
#include "exchange/WorkbookReader.h"

#include <QDate>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <cstring>

// Workbooks from our own Biff8Writer whose cell records are then replaced
// by formula and error records, as Excel writes them.

namespace {

using namespace BiffRecords;

// Cell formats of Biff8Writer workbooks.
constexpr quint16 kXfGeneral = 15;
constexpr quint16 kXfDate = 17;
constexpr quint16 kXfDateTime = 18;

// The 8 result bytes of a FORMULA record.
QByteArray numberResult(double v)
{
    quint64 bits;
    std::memcpy(&bits, &v, 8);
    char c[8];
    qToLittleEndian(bits, c);
    return QByteArray(c, 8);
}
// 0 string (a STRING record follows), 1 boolean, 2 error, 3 empty string.
QByteArray specialResult(quint8 kind, quint8 value = 0)
{
    QByteArray b;
    put8(b, kind);
    put8(b, 0);
    put8(b, value);
    b.append(3, '\0');
    put16(b, 0xFFFF);
    return b;
}

// A FORMULA record holding "=1" (ptgInt) with the given stored result.
QByteArray formula(int row, int col, quint16 xf, const QByteArray& result)
{
    QByteArray b;
    put16(b, quint16(row));
    put16(b, quint16(col));
    put16(b, xf);
    b.append(result);
    put16(b, 0x0002); // calculate on load
    put32(b, 0);
    put16(b, 3);
    put8(b, 0x1E);
    put16(b, 1);
    return record(0x0006, b);
}

// The same record under the FORMULA id older writers used.
QByteArray oldFormula(QByteArray rec)
{
    qToLittleEndian(quint16(0x0406), rec.data());
    return rec;
}

void putChars(QByteArray& b, const QString& s, bool wide)
{
    for (QChar c : s) {
        if (wide)
            put16(b, c.unicode());
        else
            put8(b, quint8(c.unicode()));
    }
}

// A STRING record of `head` (characters in one byte each unless wide), the
// further parts in CONTINUE records of their own, each with its option byte.
// declared: the character count written (-1: the true one).
QByteArray stringRecords(const QString& head, bool wide, const QList<QPair<QString, bool>>& more = {},
                         int declared = -1)
{
    int count = int(head.size());
    for (const auto& m : more)
        count += int(m.first.size());
    QByteArray b;
    put16(b, quint16(declared >= 0 ? declared : count));
    put8(b, wide ? 1 : 0);
    putChars(b, head, wide);
    QByteArray out = record(0x0207, b);
    for (const auto& m : more) {
        QByteArray c;
        put8(c, m.second ? 1 : 0);
        putChars(c, m.first, m.second);
        out += record(0x003C, c);
    }
    return out;
}

QByteArray boolErr(int row, int col, quint8 value, bool error)
{
    QByteArray b;
    put16(b, quint16(row));
    put16(b, quint16(col));
    put16(b, kXfGeneral);
    put8(b, value);
    put8(b, error ? 1 : 0);
    return record(0x0205, b);
}

// One sheet "Sheet1": a header row, then row 1 with a name in column 0 and
// a placeholder in column 1 that the patch replaces.
QByteArray oneCellWorkbook(const QByteArray& records)
{
    Biff8Writer w;
    w.addSheet(QStringLiteral("Sheet1"));
    w.addRow(QStringList{QStringLiteral("姓名"), QStringLiteral("手机")});
    w.addRow(QVariantList{QStringLiteral("张三"), QStringLiteral("占位")});
    w.addRow(QStringList{QStringLiteral("李四"), QStringLiteral("13900139000")});
    return patched(w.workbookStream(), {{0, 1, 1, records}});
}

// A NUMBER cell.
QByteArray number(int row, int col, quint16 xf, double v)
{
    QByteArray b;
    put16(b, quint16(row));
    put16(b, quint16(col));
    put16(b, xf);
    return record(0x0203, b + numberResult(v));
}

// A cell format (XF) showing numbers in format `format`; the writer's
// workbooks have 19 before it.
QByteArray cellFormat(quint16 format)
{
    QByteArray b;
    put16(b, 0);
    put16(b, format);
    put16(b, 0x0001);
    b.append(14, '\0');
    return record(0x00E0, b);
}

// Reads the first sheet of a stream: false with a reason, or true with
// the text of 张三's second cell (empty when the row is gone).
bool readCell(const QByteArray& stream, QString* text, QString* error)
{
    WorkbookReader::Budget budget;
    BiffReader r;
    WorkbookReader::Sheet sheet;
    text->clear();
    if (!r.open(stream, &budget, error) || !r.readSheet(0, &sheet, error))
        return false;
    for (int row = 0; row < sheet.rows.rowCount(); ++row)
        if (sheet.rows.at(row, 0) == QStringLiteral("张三"))
            *text = sheet.rows.at(row, 1).toString();
    return true;
}

} // namespace

class TestXlsFormulas : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cellTexts_data();
    void cellTexts();
    void datesReadAsDateCells_data();
    void datesReadAsDateCells();
    void sheetChoice_data();
    void sheetChoice();
    void rowMetAgainJoinsItsRow();
    void damagedStream_data();
    void damagedStream();
    void cutAnywhereNeverCrashes();
    void importsFormulaColumns();
    void numberFormats_data();
    void numberFormats();

private:
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

void TestXlsFormulas::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TestXlsFormulas::cellTexts_data()
{
    QTest::addColumn<QByteArray>("records");
    QTest::addColumn<QString>("text");

    QTest::newRow("mobile number") << formula(1, 1, kXfGeneral, numberResult(13800138000.0)) << "13800138000";
    QTest::newRow("fraction") << formula(1, 1, kXfGeneral, numberResult(0.1 + 0.2)) << "0.30000000000000004";
    QTest::newRow("negative") << formula(1, 1, kXfGeneral, numberResult(-2.5)) << "-2.5";
    QTest::newRow("string one byte") << formula(1, 1, kXfGeneral, specialResult(0)) +
                                            stringRecords(QStringLiteral("13700137000"), false)
                                     << "13700137000";
    QTest::newRow("string wide") << formula(1, 1, kXfGeneral, specialResult(0)) +
                                        stringRecords(QStringLiteral("北京市海淀区"), true)
                                 << "北京市海淀区";
    // A STRING record holds at most 8224 bytes: 2 count + 1 option + 8221 characters.
    const QString longHead(8221, QLatin1Char('7'));
    QTest::newRow("string continued, wide afterwards")
        << formula(1, 1, kXfGeneral, specialResult(0)) +
               stringRecords(longHead, false, {{QStringLiteral("收件人"), true}})
        << longHead + QStringLiteral("收件人");
    QTest::newRow("string in three parts")
        << formula(1, 1, kXfGeneral, specialResult(0)) +
               stringRecords(QStringLiteral("上海"), true,
                             {{QStringLiteral("-abc-"), false}, {QStringLiteral("浦东"), true}})
        << "上海-abc-浦东";
    QTest::newRow("string after a shared formula record")
        << formula(1, 1, kXfGeneral, specialResult(0)) + record(0x04BC, QByteArray(10, '\0')) +
               stringRecords(QStringLiteral("共享"), true)
        << "共享";
    QTest::newRow("old FORMULA id, number")
        << oldFormula(formula(1, 1, kXfGeneral, numberResult(13800138000.0))) << "13800138000";
    QTest::newRow("old FORMULA id, string") << oldFormula(formula(1, 1, kXfGeneral, specialResult(0))) +
                                                   stringRecords(QStringLiteral("旧式"), true)
                                            << "旧式";
    QTest::newRow("boolean true") << formula(1, 1, kXfGeneral, specialResult(1, 1)) << "1";
    QTest::newRow("boolean false") << formula(1, 1, kXfGeneral, specialResult(1, 0)) << "0";
    QTest::newRow("error #N/A") << formula(1, 1, kXfGeneral, specialResult(2, 0x2A)) << "";
    QTest::newRow("error #DIV/0!") << formula(1, 1, kXfGeneral, specialResult(2, 0x07)) << "";
    QTest::newRow("empty string") << formula(1, 1, kXfGeneral, specialResult(3)) << "";
    QTest::newRow("date") << formula(1, 1, kXfDate, numberResult(45000.0)) << "2023-03-15";
    QTest::newRow("date-time") << formula(1, 1, kXfDateTime, numberResult(45000.75)) << "2023-03-15 18:00:00";
    QTest::newRow("unknown XF is a number") << formula(1, 1, 999, numberResult(45000.0)) << "45000";
    QTest::newRow("BOOLERR error") << boolErr(1, 1, 0x2A, true) << "";
    QTest::newRow("BOOLERR boolean stays") << boolErr(1, 1, 1, false) << "1";
    // Damaged records: the cell stays empty.
    QByteArray shortFormula = formula(1, 1, kXfGeneral, numberResult(13800138000.0)).left(4 + 12);
    qToLittleEndian(quint16(12), shortFormula.data() + 2);
    QTest::newRow("formula record too short") << shortFormula << "";
    QTest::newRow("string cut off") << formula(1, 1, kXfGeneral, specialResult(0)) +
                                           stringRecords(QStringLiteral("138"), false, {}, 50)
                                    << "";
    QTest::newRow("string continued too short")
        << formula(1, 1, kXfGeneral, specialResult(0)) +
               stringRecords(QStringLiteral("138"), false, {{QStringLiteral("00"), false}}, 11)
        << "";
    QTest::newRow("string record header only")
        << formula(1, 1, kXfGeneral, specialResult(0)) + record(0x0207, QByteArray(1, '\5')) << "";
    QTest::newRow("string record empty")
        << formula(1, 1, kXfGeneral, specialResult(0)) + record(0x0207, QByteArray()) << "";
    // The next cell's record comes first: a later STRING is not this cell's.
    QTest::newRow("string record missing") << formula(1, 1, kXfGeneral, specialResult(0)) << "";
}

void TestXlsFormulas::cellTexts()
{
    QFETCH(QByteArray, records);
    QFETCH(QString, text);
    const QString file = path(QStringLiteral("cell.xls"));
    QVERIFY(saveCompound(file, oneCellWorkbook(records)));
    WorkbookReader reader;
    QString error;
    QVERIFY2(reader.read(file, &error), qPrintable(error));
    QCOMPARE(reader.sheetName(), QStringLiteral("Sheet1"));
    QCOMPARE(reader.rows().size(), 3);
    QCOMPARE(reader.rows().at(1).value(0), QStringLiteral("张三"));
    QCOMPARE(reader.rows().at(1).value(1), text); // a cell left out reads as empty
    // The cells around keep their texts.
    QCOMPARE(reader.rows().at(2), (QStringList{QStringLiteral("李四"), QStringLiteral("13900139000")}));
}

void TestXlsFormulas::datesReadAsDateCells_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::newRow("1900-03-01") << QVariant(QDate(1900, 3, 1));
    QTest::newRow("2024-02-29") << QVariant(QDate(2024, 2, 29));
    QTest::newRow("date-time") << QVariant(QDateTime(QDate(2023, 3, 15), QTime(8, 30, 5)));
}

void TestXlsFormulas::datesReadAsDateCells()
{
    // A date cell and a formula giving the same serial in
    // the same format read alike.
    QFETCH(QVariant, value);
    const bool withTime = value.typeId() == QMetaType::QDateTime;
    const QDateTime dt = withTime ? value.toDateTime() : QDateTime(value.toDate(), QTime(0, 0));
    const double serial =
        double(QDate(1899, 12, 30).daysTo(dt.date())) + dt.time().msecsSinceStartOfDay() / 86400000.0;
    Biff8Writer w;
    w.addSheet(QStringLiteral("Sheet1"));
    w.addRow(QVariantList{value, QStringLiteral("占位")});
    const QString file = path(QStringLiteral("dates.xls"));
    QVERIFY(saveCompound(
        file, patched(w.workbookStream(),
                      {{0, 0, 1, formula(0, 1, withTime ? kXfDateTime : kXfDate, numberResult(serial))}})));
    WorkbookReader reader;
    QString error;
    QVERIFY2(reader.read(file, &error), qPrintable(error));
    QCOMPARE(reader.rows().size(), 1);
    const QString expected =
        dt.toString(withTime ? QStringLiteral("yyyy-MM-dd hh:mm:ss") : QStringLiteral("yyyy-MM-dd"));
    QCOMPARE(reader.rows().at(0), (QStringList{expected, expected}));
}

void TestXlsFormulas::sheetChoice_data()
{
    QTest::addColumn<QStringList>("sheets");
    QTest::addColumn<QString>("chosen");
    QTest::newRow("Sheet1 second") << QStringList{"其他", "SHEET1"} << "SHEET1";
    QTest::newRow("Sheet1 first") << QStringList{"sheet1", "其他"} << "sheet1";
    QTest::newRow("no Sheet1") << QStringList{"收件人", "其他"} << "收件人";
}

void TestXlsFormulas::sheetChoice()
{
    QFETCH(QStringList, sheets);
    QFETCH(QString, chosen);
    // Every sheet carries a formula whose result names its sheet.
    Biff8Writer w;
    QVector<Patch> patches;
    for (int s = 0; s < sheets.size(); ++s) {
        w.addSheet(sheets.at(s));
        w.addRow(QStringList{QStringLiteral("表"), QStringLiteral("占位")});
        patches.push_back(
            {s, 0, 1, formula(0, 1, kXfGeneral, specialResult(0)) + stringRecords(sheets.at(s), true)});
    }
    const QString file = path(QStringLiteral("sheets.xls"));
    QVERIFY(saveCompound(file, patched(w.workbookStream(), patches)));
    WorkbookReader reader;
    QString error;
    QVERIFY2(reader.read(file, &error), qPrintable(error));
    QCOMPARE(reader.sheetName(), chosen);
    QCOMPARE(reader.rows(), (QVector<QStringList>{{QStringLiteral("表"), chosen}}));
}

void TestXlsFormulas::rowMetAgainJoinsItsRow()
{
    // A cell of the first row stored after the third's: it still reads in
    // the first row, and the rows keep their order.
    Biff8Writer w;
    w.addSheet(QStringLiteral("Sheet1"));
    w.addRow(QStringList{"a", "b"});
    w.addRow(QStringList{"c", "d"});
    w.addRow(QStringList{"e", "f"});
    const QString file = path(QStringLiteral("again.xls"));
    QVERIFY(
        saveCompound(file, patched(w.workbookStream(), {{0, 2, 0,
                                                         formula(2, 0, kXfGeneral, numberResult(5)) +
                                                             formula(0, 2, kXfGeneral, numberResult(7))}})));
    WorkbookReader reader;
    QString error;
    QVERIFY2(reader.read(file, &error), qPrintable(error));
    QCOMPARE(reader.rows(), (QVector<QStringList>{{"a", "b", "7"}, {"c", "d"}, {"5", "f"}}));
}

void TestXlsFormulas::damagedStream_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QString>("error"); // a part of the reason; empty: read
    QTest::addColumn<QString>("text");  // of row 1, column 1 when read

    const QByteArray formulaRecord = formula(1, 1, kXfGeneral, specialResult(0));
    const QByteArray stringRecord = stringRecords(QStringLiteral("值"), true);
    const QByteArray good = oneCellWorkbook(formulaRecord + stringRecord);
    QTest::newRow("intact") << good << ""
                            << "值";

    // The stream ends inside the STRING record.
    const qsizetype stringAt = good.indexOf(stringRecord);
    QVERIFY(stringAt > 0);
    QTest::newRow("cut in STRING") << good.left(stringAt + 6) << "损坏"
                                   << "";

    // A FORMULA record declaring more data than the stream holds.
    const qsizetype formulaAt = good.indexOf(formulaRecord);
    QVERIFY(formulaAt > 0);
    QByteArray longFormula = good.left(formulaAt + 30);
    qToLittleEndian(quint16(0xFFFF), longFormula.data() + formulaAt + 2);
    QTest::newRow("FORMULA past the end") << longFormula << "损坏"
                                          << "";

    // A sheet position outside the stream.
    QByteArray badSheet = good;
    const qsizetype boundSheet = badSheet.indexOf(QByteArray::fromHex("8500"));
    QVERIFY(boundSheet > 0);
    qToLittleEndian(quint32(0x7FFFFFF0), badSheet.data() + boundSheet + 4);
    QTest::newRow("sheet outside the stream") << badSheet << "损坏"
                                              << "";

    // A sheet position not at a BOF record.
    QByteArray offSheet = good;
    qToLittleEndian(quint32(qFromLittleEndian<quint32>(good.constData() + boundSheet + 4) + 2),
                    offSheet.data() + boundSheet + 4);
    QTest::newRow("sheet position off") << offSheet << "损坏"
                                        << "";

    // A shared string continued past an empty CONTINUE record.
    const QString longText = QString(6000, QChar(0x957F)); // 长
    Biff8Writer w;
    w.addSheet(QStringLiteral("Sheet1"));
    w.addRow(QStringList{QStringLiteral("姓名"), QStringLiteral("手机")});
    w.addRow(QStringList{QStringLiteral("张三"), longText});
    QByteArray split = w.workbookStream();
    const qsizetype sstAt = split.indexOf(QByteArray::fromHex("fc00"));
    QVERIFY(sstAt > 0 && u16At(split, sstAt + 2 + u16At(split, sstAt + 2) + 2) == 0x003C);
    split.insert(sstAt + 4 + u16At(split, sstAt + 2), QByteArray::fromHex("3c000000"));
    QTest::newRow("shared strings past an empty CONTINUE") << patched(split, {}) << "" << longText;

    // An empty stream fails; a BIFF5 one is named for what it is.
    QTest::newRow("empty") << QByteArray() << "损坏"
                           << "";
    QByteArray biff5 = good;
    qToLittleEndian(quint16(0x0500), biff5.data() + 4);
    QTest::newRow("BIFF5") << biff5 << "Excel 5.0/95"
                           << "";
}

void TestXlsFormulas::damagedStream()
{
    QFETCH(QByteArray, stream);
    QFETCH(QString, error);
    QFETCH(QString, text);
    QString why, got;
    QCOMPARE(readCell(stream, &got, &why), error.isEmpty());
    if (error.isEmpty())
        QCOMPARE(got, text);
    else
        QVERIFY2(why.contains(error), qPrintable(why));
}

void TestXlsFormulas::cutAnywhereNeverCrashes()
{
    const QByteArray good = oneCellWorkbook(formula(1, 1, kXfGeneral, specialResult(0)) +
                                            stringRecords(QStringLiteral("值"), true, {{"x", false}}));
    const qsizetype sheetAt = good.indexOf(QByteArray::fromHex("0908"), 4);
    QVERIFY(sheetAt > 0);
    // Cut anywhere in the sheet's part: a failure with a reason, or the
    // whole text, or none (never a part of it).
    for (qsizetype n = sheetAt; n <= good.size(); ++n) {
        QString error, t;
        const bool ok = readCell(good.left(n), &t, &error);
        QVERIFY2(ok == error.isEmpty(), qPrintable(QStringLiteral("cut at %1").arg(n)));
        QVERIFY2(t.isEmpty() || t == QStringLiteral("值x"),
                 qPrintable(QStringLiteral("cut at %1: %2").arg(n).arg(t)));
    }
    QString whole, none;
    QVERIFY(readCell(good, &whole, &none));
    QCOMPARE(whole, QStringLiteral("值x"));
    // Any byte of the sheet's part garbled: a reason whenever it fails.
    for (qsizetype i = sheetAt; i < good.size(); ++i) {
        for (char v : {char(0x00), char(0xFF), char(0x3C), char(0x07), char(0x06)}) {
            QByteArray s = good;
            s[i] = v;
            QString error, t;
            const bool ok = readCell(s, &t, &error);
            QVERIFY2(ok == error.isEmpty(),
                     qPrintable(QStringLiteral("byte %1 = %2").arg(i).arg(int(uchar(v)))));
        }
    }
}

void TestXlsFormulas::importsFormulaColumns()
{
    // The header names the ten columns; 姓名 and 手机 of the record are formulas.
    const QStringList cols = Schema::importColumns();
    Biff8Writer w;
    w.addSheet(QStringLiteral("Sheet1"));
    w.addRow(cols);
    QStringList rec;
    for (const QString& c : cols)
        rec << QStringLiteral("占位") + c;
    w.addRow(rec);
    const int name = int(cols.indexOf(QStringLiteral("姓名")));
    const int mobile = int(cols.indexOf(QStringLiteral("手机")));
    const int date = int(cols.indexOf(QStringLiteral("备注")));
    const int phone = int(cols.indexOf(QStringLiteral("电话")));
    QVERIFY(name >= 0 && mobile >= 0 && date >= 0 && phone >= 0);
    const QVector<Patch> patches{
        {0, 1, name,
         formula(1, name, kXfGeneral, specialResult(0)) + stringRecords(QStringLiteral("王五"), true)},
        {0, 1, mobile, formula(1, mobile, kXfGeneral, numberResult(13800138000.0))},
        {0, 1, date, formula(1, date, kXfDate, numberResult(45000.0))},
        {0, 1, phone, boolErr(1, phone, 0x2A, true)},
    };
    const QString file = path(QStringLiteral("import.xls"));
    QVERIFY(saveCompound(file, patched(w.workbookStream(), patches)));

    Database db;
    QString err;
    QVERIFY2(db.open(path(QStringLiteral("book.db")), &err), qPrintable(err));
    const ExcelImporter::Result r = ExcelImporter::importFile(db, file);
    QVERIFY2(r.ok, qPrintable(r.message));
    QCOMPARE(r.imported, 1);
    QStringList quoted;
    for (const QString& c : cols)
        quoted << QLatin1Char('"') + c + QLatin1Char('"');
    QSqlQuery q(db.db());
    QVERIFY(q.exec(QStringLiteral("SELECT %1 FROM excel").arg(quoted.join(QLatin1Char(',')))));
    QVERIFY(q.next());
    QStringList got;
    for (int i = 0; i < cols.size(); ++i)
        got << q.value(i).toString();
    QStringList expected = rec;
    expected[name] = QStringLiteral("王五");
    expected[mobile] = QStringLiteral("13800138000");
    expected[date] = QStringLiteral("2023-03-15");
    expected[phone] = QString();
    QCOMPARE(got, expected);
}

void TestXlsFormulas::numberFormats_data()
{
    QTest::addColumn<QString>("code"); // empty: built-in format `id`
    QTest::addColumn<int>("id");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("unit after General") << "General\"件\"" << 164 << 12.0 << "12";
    QTest::newRow("[DBNum1]") << "[DBNum1][$-804]General" << 165 << 12.0 << "12";
    QTest::newRow("[DBNum2] digits") << "[DBNum2][$-804]0" << 166 << 305.0 << "305";
    QTest::newRow("zero padded postcode") << "000000" << 167 << 10000.0 << "010000";
    QTest::newRow("chinese date") << "yyyy\"年\"m\"月\"d\"日\"" << 168 << 45366.0 << "2024-03-15";
    QTest::newRow("built-in #,##0.00") << "" << 4 << 1234.5 << "1234.50";
    QTest::newRow("built-in chinese time") << "" << 32 << 0.75 << "18:00:00";
}

void TestXlsFormulas::numberFormats()
{
    QFETCH(QString, code);
    QFETCH(int, id);
    QFETCH(double, value);
    QFETCH(QString, text);
    constexpr quint16 xf = 19;
    QByteArray globals;
    if (!code.isEmpty()) {
        QByteArray f;
        put16(f, quint16(id));
        put16(f, quint16(code.size()));
        put8(f, 1);
        putChars(f, code, true);
        globals += record(0x041E, f);
    }
    globals += cellFormat(quint16(id));
    Biff8Writer w;
    w.addSheet(QStringLiteral("Sheet1"));
    w.addRow(QVariantList{QStringLiteral("数字"), QStringLiteral("公式")});
    const QString file = path(QStringLiteral("formats.xls"));
    QVERIFY(
        saveCompound(file, patched(w.workbookStream(), {{-1, 0, 0, globals},
                                                        {0, 0, 0, number(0, 0, xf, value)},
                                                        {0, 0, 1, formula(0, 1, xf, numberResult(value))}})));
    WorkbookReader reader;
    QString error;
    QVERIFY2(reader.read(file, &error), qPrintable(error));
    QCOMPARE(reader.rows(), (QVector<QStringList>{{text, text}}));
}

QTEST_GUILESS_MAIN(TestXlsFormulas)
#include "test_xls_formulas.moc"
