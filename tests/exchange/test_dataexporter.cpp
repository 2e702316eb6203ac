#include "data/DataSet.h"
#include "data/Database.h"
#include "data/Schema.h"
#include "exchange/DataExporter.h"
#include "exchange/WorkbookReader.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

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
    void cancelLeavesNoFile();
    void replacesExistingFile();
    void workbookModes_data();
    void workbookModes();
    void moreRowsThanOneXlsSheet();

private:
    void fill(const QVector<QStringList>& records);
    QVector<QStringList> readBack(const QString& file);
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
    Database m_db;
};

void TestDataExporter::initTestCase()
{
    QString err;
    QVERIFY2(m_db.open(Database::defaultPath(), &err), qPrintable(err));
}

// Recipients with the editable columns given (in import order), nothing else.
void TestDataExporter::fill(const QVector<QStringList>& records)
{
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
    QCOMPARE(QFileInfo(r.path).fileName(), f == DataExporter::Format::Xls ? "rt.xls" : "rt.xlsx");
    const QVector<QStringList> rows = readBack(r.path);
    QCOMPARE(rows.size(), 4);
    QStringList head = rows.first();
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

void TestDataExporter::moreRowsThanOneXlsSheet()
{
    // One sheet cannot hold them all: the list goes on in Sheet2, with its own title row.
    const int n = DataExporter::xlsRowsPerSheet() + 10;
    QVERIFY(m_db.exec(QStringLiteral("DELETE FROM inr")));
    QVERIFY(
        m_db.exec(QStringLiteral("WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM k WHERE i < ?) "
                                 "INSERT INTO inr (\"姓名\") SELECT 'n' || i FROM k"),
                  {n}));
    DataSet ds;
    ds.setDatabase(&m_db);
    QVERIFY(ds.open(Schema::kRecipientTable));
    QCOMPARE(ds.recordCount(), n);
    const DataExporter::Result r = DataExporter::exportDataSet(ds, path("big"), DataExporter::Format::Xls);
    QVERIFY2(r.ok, qPrintable(r.error));
    // The import reads Sheet2 on from the full Sheet1, without its title row.
    WorkbookReader reader;
    QString err;
    QVERIFY2(reader.read(r.path, &err), qPrintable(err));
    QCOMPARE(reader.sheetsRead(), 2);
    const QVector<QStringList>& rows = reader.rows();
    QCOMPARE(rows.size(), n + 1);
    const int name = int(rows.first().indexOf(QStringLiteral("姓名")));
    QCOMPARE(rows.at(DataExporter::xlsRowsPerSheet()).at(name),
             QStringLiteral("n%1").arg(DataExporter::xlsRowsPerSheet()));
    QCOMPARE(rows.last().at(name), QStringLiteral("n%1").arg(n));
}

QTEST_GUILESS_MAIN(TestDataExporter)
#include "test_dataexporter.moc"
