#include "data/records/DataSet.h"
#include "data/store/Database.h"
#include "data/store/Schema.h"
#include "data/store/Settings.h"
#include "data/store/Transaction.h"
#include "exchange/DataExporter.h"
#include "exchange/ExcelImporter.h"
#include "exchange/WorkbookReader.h"

#include "tests/TestStore.h"

#include <QDir>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

class TestDataExporter : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void targetPath_data();
    void targetPath();
    void roundTrip_data();
    void roundTrip();
    void searchResultOnly();
    void noRecordsGivesTitleRow();
    void failureLeavesNoFile();
    void fullDiskIsReported();
    void cancelLeavesNoFile();
    void replacesExistingFile();
    void workbookModes_data();
    void workbookModes();
    void limitsAreRefusedNotCut_data();
    void limitsAreRefusedNotCut();
    void existingFileIsKeptUnlessAllowed();
    void randomRecipientsComeBackIdentical_data();
    void randomRecipientsComeBackIdentical();

private:
    void fill(const QVector<QStringList>& records);
    QVector<QStringList> readBack(const QString& file);
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
    Database m_db;
};

void TestDataExporter::initTestCase()
{
    WAYBILL_REQUIRE_STORE();
    QString err;
    QVERIFY2(m_db.open(TestStore::location(Settings().storeLocation()), &err), qPrintable(err));
}

// Recipients with the editable columns given (in import order), nothing else.
void TestDataExporter::fill(const QVector<QStringList>& records)
{
    Transaction tx(m_db.db()); // one write to disk, not one per record
    QVERIFY(m_db.exec(QStringLiteral("DELETE FROM inr")));
    QStringList cols, marks;
    for (const QString& c : Schema::importColumns()) {
        cols << QLatin1Char('"') + c + QLatin1Char('"');
        marks << QStringLiteral("?");
    }
    for (const QStringList& r : records) {
        QVariantList binds;
        for (const QString& v : r)
            binds << v;
        QVERIFY(m_db.exec(QStringLiteral("INSERT INTO inr (%1, \"快递单号\") VALUES (%2, '')")
                              .arg(cols.join(QLatin1Char(',')), marks.join(QLatin1Char(','))),
                          binds));
    }
    QVERIFY(tx.commit());
}

QVector<QStringList> TestDataExporter::readBack(const QString& file)
{
    WorkbookReader reader;
    QString err;
    if (!reader.read(file, &err))
        qWarning() << err;
    return reader.rows();
}

void TestDataExporter::targetPath_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("target");
    QTest::newRow("plain") << "/d/收件人"
                           << ""
                           << "/d/收件人.xls";
    QTest::newRow("already .xls") << "/d/a.xls"
                                  << ""
                                  << "/d/a.xls";
    QTest::newRow("upper case") << "/d/a.XLS"
                                << ""
                                << "/d/a.XLS";
    QTest::newRow("other extension") << "/d/a.txt"
                                     << ""
                                     << "/d/a.txt.xls";
    QTest::newRow("xlsx by name") << "/d/a.xlsx"
                                  << ""
                                  << "/d/a.xlsx";
    QTest::newRow("xlsx by filter") << "/d/a"
                                    << "Excel 2007 (*.xlsx)"
                                    << "/d/a.xlsx";
    QTest::newRow("xls name wins over filter") << "/d/a.xls"
                                               << "Excel 2007 (*.xlsx)"
                                               << "/d/a.xls";
    QTest::newRow("xlsx filter, .Xlsx") << "/d/a.Xlsx"
                                        << "Excel 2007 (*.xlsx)"
                                        << "/d/a.Xlsx";
}

void TestDataExporter::targetPath()
{
    QFETCH(QString, chosen);
    QFETCH(QString, filter);
    QFETCH(QString, target);
    QCOMPARE(DataExporter::targetPath(chosen, DataExporter::formatFor(chosen, filter)), target);
}

void TestDataExporter::roundTrip_data()
{
    QTest::addColumn<int>("format");
    QTest::newRow("xls") << int(DataExporter::Format::Xls);
    QTest::newRow("xlsx") << int(DataExporter::Format::Xlsx);
}

void TestDataExporter::roundTrip()
{
    QFETCH(int, format);
    const QVector<QStringList> records{{"张三", "北京", "010000", "某某公司", "朝阳区建国路88号",
                                        "13800138000", "010-12345678", "书", "2", "易碎😀"},
                                       {"李四", "", "", "", "", "13900000000", "", "", "", ""},
                                       {"", "上海", "200000", "", "", "", "", "", "007", "  空格  "}};
    fill(records);
    DataSet ds;
    ds.setDatabase(&m_db);
    QVERIFY(ds.open(Schema::kRecipientTable));
    const auto f = DataExporter::Format(format);
    const DataExporter::Result r = DataExporter::exportDataSet(ds, path("rt"), f);
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(r.records, 3);
    QVERIFY(!r.filtered);
    QCOMPARE(DataExporter::messageFor(r), DataExporter::successMessage() + "\n共 3 条记录。");
    QCOMPARE(QFileInfo(r.path).fileName(), f == DataExporter::Format::Xls ? "rt.xls" : "rt.xlsx");
    const QVector<QStringList> rows = readBack(r.path);
    QCOMPARE(rows.size(), 4);
    const QStringList& head = rows.first();
    QCOMPARE(head, ds.fieldNames());
    for (int i = 0; i < records.size(); ++i) {
        QStringList got = rows.at(i + 1);
        while (got.size() < head.size())
            got << QString();
        for (int k = 0; k < Schema::importColumns().size(); ++k)
            QCOMPARE(got.at(head.indexOf(Schema::importColumns().at(k))), records.at(i).at(k));
        // Every column of the query, the hidden ones too, in the query's order.
        for (int c = 0; c < head.size(); ++c)
            QCOMPARE(got.at(c), ds.value(i, c));
    }
}

void TestDataExporter::searchResultOnly()
{
    fill({{"张三", "北京", "", "", "", "138", "", "", "", ""},
          {"李四", "上海", "", "", "", "139", "", "", "", ""},
          {"张无忌", "武当", "", "", "", "137", "", "", "", ""}});
    DataSet ds;
    ds.setDatabase(&m_db);
    QVERIFY(ds.open(Schema::kRecipientTable, QStringLiteral("\"姓名\" like ?"), {QStringLiteral("%张%")}));
    const DataExporter::Result r = DataExporter::exportDataSet(ds, path("search"), DataExporter::Format::Xls);
    QVERIFY(r.ok);
    // The message says it was a search result, and how many.
    QVERIFY(r.filtered);
    QCOMPARE(r.records, 2);
    QVERIFY(!DataExporter::messageFor(r).contains(DataExporter::successMessage()));
    QVERIFY(DataExporter::messageFor(r).contains(QStringLiteral("搜索结果中的 2 条")));
    const QVector<QStringList> rows = readBack(r.path);
    QCOMPARE(rows.size(), 3);
    const int name = rows.first().indexOf(QStringLiteral("姓名"));
    QCOMPARE(rows.at(1).at(name), QStringLiteral("张三"));
    QCOMPARE(rows.at(2).at(name), QStringLiteral("张无忌"));
}

void TestDataExporter::noRecordsGivesTitleRow()
{
    fill({});
    DataSet ds;
    ds.setDatabase(&m_db);
    QVERIFY(ds.open(Schema::kRecipientTable));
    for (auto f : {DataExporter::Format::Xls, DataExporter::Format::Xlsx}) {
        const DataExporter::Result r = DataExporter::exportDataSet(ds, path("empty"), f);
        QVERIFY(r.ok);
        const QVector<QStringList> rows = readBack(r.path);
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.first(), ds.fieldNames());
    }
}

void TestDataExporter::failureLeavesNoFile()
{
    fill({{"张三", "", "", "", "", "", "", "", "", ""}});
    DataSet ds;
    ds.setDatabase(&m_db);
    QVERIFY(ds.open(Schema::kRecipientTable));
    // A folder without write permission (root ignores it: then a missing folder).
    const QString locked = path("locked");
    QVERIFY(QDir().mkpath(locked));
    ::chmod(QFile::encodeName(locked).constData(), 0500);
    const bool rootUser = QFileInfo(locked).isWritable();
    const QString chosen = rootUser ? path("missing/folder/x") : locked + QStringLiteral("/x");
    for (auto f : {DataExporter::Format::Xls, DataExporter::Format::Xlsx}) {
        const DataExporter::Result r = DataExporter::exportDataSet(ds, chosen, f);
        QVERIFY(!r.ok);
        QVERIFY(!r.error.isEmpty());
        QVERIFY(!QFileInfo::exists(r.path));
    }
    ::chmod(QFile::encodeName(locked).constData(), 0700);
    QCOMPARE(QDir(locked).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
}

void TestDataExporter::fullDiskIsReported()
{
    // Texts that do not compress away, so the file outgrows the limit below.
    QVector<QStringList> records;
    QRandomGenerator random(7);
    for (int i = 0; i < 4000; ++i)
        records << QStringList{QString::number(random.generate64()),
                               QString::number(random.generate64()),
                               "",
                               "",
                               "",
                               "",
                               "",
                               "",
                               "",
                               ""};
    fill(records);
    DataSet ds;
    ds.setDatabase(&m_db);
    QVERIFY(ds.open(Schema::kRecipientTable));
    const QString folder = path("full");
    QVERIFY(QDir().mkpath(folder));
    // A file size limit stands in for a full disk: writes past it fail.
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit before{};
    ::getrlimit(RLIMIT_FSIZE, &before);
    rlimit small = before;
    small.rlim_cur = 48 * 1024;
    ::setrlimit(RLIMIT_FSIZE, &small);
    QList<DataExporter::Result> results;
    for (auto f : {DataExporter::Format::Xls, DataExporter::Format::Xlsx})
        results << DataExporter::exportDataSet(ds, folder + "/x", f);
    ::setrlimit(RLIMIT_FSIZE, &before);
    for (const DataExporter::Result& r : results) {
        QVERIFY(!r.ok);
        QVERIFY2(r.error.contains(QStringLiteral("磁盘已满")), qPrintable(r.error));
    }
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
}

void TestDataExporter::cancelLeavesNoFile()
{
    QVector<QStringList> records;
    for (int i = 0; i < 2000; ++i)
        records << QStringList{QStringLiteral("人%1").arg(i), "", "", "", "", "", "", "", "", ""};
    fill(records);
    DataSet ds;
    ds.setDatabase(&m_db);
    QVERIFY(ds.open(Schema::kRecipientTable));
    const QString folder = path("cancel");
    QVERIFY(QDir().mkpath(folder));
    for (auto f : {DataExporter::Format::Xls, DataExporter::Format::Xlsx}) {
        const DataExporter::Result r =
            DataExporter::exportDataSet(ds, folder + "/x", f, [](int p) { return p < 50; });
        QVERIFY(!r.ok);
        QVERIFY(r.cancelled);
    }
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
}

void TestDataExporter::replacesExistingFile()
{
    fill({{"新", "", "", "", "", "", "", "", "", ""}});
    DataSet ds;
    ds.setDatabase(&m_db);
    QVERIFY(ds.open(Schema::kRecipientTable));
    QFile old(path("again.xls"));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old content");
    old.close();
    const DataExporter::Result r =
        DataExporter::exportDataSet(ds, path("again.xls"), DataExporter::Format::Xls);
    QVERIFY(r.ok);
    QCOMPARE(r.path, path("again.xls"));
    QCOMPARE(readBack(r.path).size(), 2);
}

void TestDataExporter::workbookModes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("existingMode"); // -1: no file before
    QTest::addColumn<int>("expectedMode");
    // A new workbook is readable as the umask (022 here) allows; a replaced
    // one keeps the mode it had.
    QTest::newRow("new xls") << "new.xls" << -1 << 0644;
    QTest::newRow("new xlsx") << "new.xlsx" << -1 << 0644;
    QTest::newRow("replaced 0640") << "kept.xls" << 0640 << 0640;
}

void TestDataExporter::workbookModes()
{
    QFETCH(QString, name);
    QFETCH(int, existingMode);
    QFETCH(int, expectedMode);
    const mode_t oldMask = ::umask(022);
    fill({{"张三", "", "", "", "", "", "", "", "", ""}});
    DataSet ds;
    ds.setDatabase(&m_db);
    QVERIFY(ds.open(Schema::kRecipientTable));
    const QString target = path(name);
    QFile::remove(target);
    if (existingMode >= 0) {
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.close();
        QCOMPARE(::chmod(QFile::encodeName(target).constData(), mode_t(existingMode)), 0);
    }
    const DataExporter::Result r = DataExporter::exportDataSet(ds, target, DataExporter::formatFor(target));
    ::umask(oldMask);
    QVERIFY2(r.ok, qPrintable(r.error));
    struct stat st
    {
    };
    QCOMPARE(::stat(QFile::encodeName(r.path).constData(), &st), 0);
    QCOMPARE(int(st.st_mode & 0777), expectedMode);
}

void TestDataExporter::limitsAreRefusedNotCut_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("cellChars");   // length of the first record's address
    QTest::addColumn<QString>("refusal"); // empty: written whole
    const int xls = int(DataExporter::Format::Xls), xlsx = int(DataExporter::Format::Xlsx);
    const int sheet = DataExporter::maxRecords(DataExporter::Format::Xls);
    QTest::newRow("one sheet of xls") << xls << sheet << 1 << "";
    QTest::newRow("more than xls holds") << xls << sheet + 1 << 1 << ".xlsx";
    QTest::newRow("the same to xlsx") << xlsx << sheet + 1 << 1 << "";
    QTest::newRow("longest cell xls") << xls << 2 << 32767 << "";
    QTest::newRow("longest cell xlsx") << xlsx << 2 << 32767 << "";
    QTest::newRow("cell too long xls") << xls << 2 << 32768 << "第 1 条记录的“地址”";
    QTest::newRow("cell too long xlsx") << xlsx << 2 << 32768 << "第 1 条记录的“地址”";
}

void TestDataExporter::limitsAreRefusedNotCut()
{
    QFETCH(int, format);
    QFETCH(int, records);
    QFETCH(int, cellChars);
    QFETCH(QString, refusal);
    // "序号" from 1 on, so every run writes the same workbook.
    QVERIFY(m_db.exec(QStringLiteral("DELETE FROM inr")));
    QVERIFY(m_db.exec(m_db.isServer() ? QStringLiteral("ALTER TABLE inr ALTER COLUMN \"序号\" RESTART WITH 1")
                                      : QStringLiteral("DELETE FROM sqlite_sequence")));
    QVERIFY(
        m_db.exec(QStringLiteral("WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM k WHERE i < ?) "
                                 "INSERT INTO inr (\"姓名\") SELECT 'n' || i FROM k"),
                  {records}));
    const QString address(cellChars, QChar(u'址'));
    QVERIFY(m_db.exec(QStringLiteral("UPDATE inr SET \"地址\" = ? WHERE \"姓名\" = 'n1'"), {address}));
    DataSet ds;
    ds.setDatabase(&m_db);
    QVERIFY(ds.open(Schema::kRecipientTable));
    const DataExporter::Result r = DataExporter::exportDataSet(
        ds, path(QStringLiteral("limit-%1").arg(QTest::currentDataTag())), DataExporter::Format(format));
    if (!refusal.isEmpty()) {
        QVERIFY(!r.ok);
        QVERIFY2(r.error.contains(refusal), qPrintable(r.error));
        QVERIFY(!QFileInfo::exists(r.path));
        return;
    }
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(r.records, records);
    // Every record comes back from the first sheet, every character of the
    // longest cell too (a text continued over records of the string table).
    const QVector<QStringList> rows = readBack(r.path);
    QCOMPARE(rows.size(), records + 1);
    const int name = rows.first().indexOf(QStringLiteral("姓名"));
    const int addr = rows.first().indexOf(QStringLiteral("地址"));
    QCOMPARE(rows.last().at(name), QStringLiteral("n%1").arg(records));
    QCOMPARE(rows.at(1).at(addr), address);
}

void TestDataExporter::existingFileIsKeptUnlessAllowed()
{
    fill({{"新", "", "", "", "", "", "", "", "", ""}});
    DataSet ds;
    ds.setDatabase(&m_db);
    QVERIFY(ds.open(Schema::kRecipientTable));
    const QString chosen = path("recipients");
    QFile old(chosen + ".xls");
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old content");
    old.close();
    // The dialog asked about "recipients", the file written is "recipients.xls".
    QVERIFY(DataExporter::extensionHidesExisting(chosen, DataExporter::Format::Xls));
    QVERIFY(!DataExporter::extensionHidesExisting(chosen + ".xls", DataExporter::Format::Xls));
    QVERIFY(!DataExporter::extensionHidesExisting(chosen, DataExporter::Format::Xlsx));
    DataExporter::Result r = DataExporter::exportDataSet(ds, chosen, DataExporter::Format::Xls, {},
                                                         DataExporter::Existing::Refuse);
    QVERIFY(!r.ok);
    QVERIFY(r.targetExists);
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("old content"));
    old.close();
    r = DataExporter::exportDataSet(ds, chosen, DataExporter::Format::Xlsx, {},
                                    DataExporter::Existing::Refuse);
    QVERIFY2(r.ok, qPrintable(r.error));
}

void TestDataExporter::randomRecipientsComeBackIdentical_data()
{
    QTest::addColumn<int>("format");
    QTest::newRow("xls") << int(DataExporter::Format::Xls);
    QTest::newRow("xlsx") << int(DataExporter::Format::Xlsx);
}

// Export, then import: every value comes back as it was, whatever it looks like.
void TestDataExporter::randomRecipientsComeBackIdentical()
{
    QFETCH(int, format);
    const QStringList pieces = {"张三",
                                "北京市朝阳区建国路88号",
                                "某某有限公司",
                                "😀",
                                "📦",
                                "𠀀",
                                "𪚥",
                                "\"",
                                "'",
                                "“引号”",
                                "007",
                                "010000",
                                "0",
                                "=1+2",
                                "=SUM(A1:A3)",
                                "+86",
                                "-5",
                                "@",
                                "  ",
                                " ",
                                "\t",
                                "a\tb",
                                "1.50",
                                "1E5",
                                "TRUE",
                                "2024-03-15",
                                "12%",
                                "&<>",
                                "#N/A",
                                "ABC"};
    QRandomGenerator random(20261209);
    auto value = [&] {
        QString v;
        if (random.bounded(5) == 0)
            return v; // an empty cell
        for (int n = 1 + random.bounded(3); n > 0; --n) {
            if (random.bounded(6) == 0) {
                // A long digit string, maybe with leading zeros.
                for (int d = 12 + random.bounded(10); d > 0; --d)
                    v += QChar(u'0' + random.bounded(10));
            } else {
                v += pieces.at(random.bounded(pieces.size()));
            }
        }
        return v;
    };
    QVector<QStringList> records;
    for (int r = 0; r < 300; ++r) {
        QStringList rec;
        for (int c = 0; c < Schema::importColumns().size(); ++c)
            rec << value();
        if (rec.first().isEmpty())
            rec.first() = QStringLiteral("收件人%1").arg(r); // no record is blank throughout
        records << rec;
    }
    fill(records);
    DataSet ds;
    ds.setDatabase(&m_db);
    QVERIFY(ds.open(Schema::kRecipientTable));
    const DataExporter::Result r =
        DataExporter::exportDataSet(ds, path("random"), DataExporter::Format(format));
    QVERIFY2(r.ok, qPrintable(r.error));
    const ExcelImporter::Result in = ExcelImporter::importFile(m_db, r.path);
    QVERIFY2(in.ok, qPrintable(in.message));
    QCOMPARE(in.imported, records.size());

    QStringList cols;
    for (const QString& c : Schema::importColumns())
        cols << QLatin1Char('"') + c + QLatin1Char('"');
    QSqlQuery q(m_db.db());
    QVERIFY(
        q.exec(QStringLiteral("SELECT %1 FROM excel ORDER BY \"序号\"").arg(cols.join(QLatin1Char(',')))));
    QStringList wrong;
    for (int i = 0; q.next(); ++i) {
        for (int c = 0; c < cols.size(); ++c) {
            const QString got = q.value(c).toString();
            const QString want = records.value(i).value(c);
            if (got != want)
                wrong << QStringLiteral("record %1 %2: wrote [%3] read [%4]")
                             .arg(i + 1)
                             .arg(Schema::importColumns().at(c), want, got);
        }
    }
    QVERIFY2(wrong.isEmpty(), qPrintable(QStringLiteral("%1 values changed, first: %2")
                                             .arg(wrong.size())
                                             .arg(wrong.mid(0, 5).join(QStringLiteral("; ")))));
}

QTEST_GUILESS_MAIN(TestDataExporter)
#include "test_dataexporter.moc"
