#include "data/store/Database.h"
#include "data/store/DatabaseFile.h"
#include "data/store/SearchIndex.h"
#include "data/store/Settings.h"
#include "exchange/DatabaseBackup.h"
#include "tests/TestStore.h"

#include <QCryptographicHash>
#include <QDir>
#include <QScopeGuard>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <sqlite3.h>

#include <atomic>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& data)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}

QStringList names(const QString& dbPath)
{
    Database db;
    QStringList out;
    if (!db.open(dbPath, nullptr, false))
        return {QStringLiteral("<cannot open>")};
    QSqlQuery q(db.db());
    q.exec(QStringLiteral("SELECT \"姓名\" FROM inr ORDER BY rowid"));
    while (q.next())
        out << q.value(0).toString();
    return out;
}

} // namespace

class TestDatabaseBackup : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { WAYBILL_REQUIRE_STORE(); }
    void init();
    void cleanup();
    void backupPath_data();
    void backupPath();
    void backupCopiesAndReplaces();
    void backupFailureLeavesNothing();
    void backupWhileWriting();
    void restoreRefuses_data();
    void restoreRefuses();
    void restoreBringsBackBackup();
    void restoreOntoItself();
    void restoreDiscardsLeftoverJournal_data();
    void restoreDiscardsLeftoverJournal();
    void restoreTakesWhatIsStillInTheLog();
    void backupAfterCrash();
    void restoreWaitsForOrRefusesWriter_data();
    void restoreWaitsForOrRefusesWriter();
    void staleTemporaryFilesAreRemoved();
    void backupSaysTheBookIsDamaged();
    void restoreTakesInOnlyWhatIsSafe_data();
    void restoreTakesInOnlyWhatIsSafe();

private:
    void setNames(const QStringList& list);
    QString dbPath() const { return Settings().storeLocation(); }
    QString path(const QString& n) const { return m_dir.filePath(n); }
    QTemporaryDir m_dir;
    Database* m_db = nullptr;
};

void TestDatabaseBackup::init()
{
    QFile::remove(dbPath());
    QFile::remove(dbPath() + "-journal");
    m_db = new Database;
    QString err;
    QVERIFY2(m_db->open(dbPath(), &err), qPrintable(err));
    setNames({"张三", "李四"});
}

void TestDatabaseBackup::cleanup()
{
    delete m_db;
    m_db = nullptr;
}

void TestDatabaseBackup::setNames(const QStringList& list)
{
    if (!m_db->isOpen())
        QVERIFY(m_db->open(dbPath(), nullptr));
    QVERIFY(m_db->exec(QStringLiteral("DELETE FROM inr")));
    for (const QString& n : list)
        QVERIFY(m_db->exec(QStringLiteral("INSERT INTO inr (\"姓名\") VALUES (?)"), {n}));
}

void TestDatabaseBackup::backupPath_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << "/b/备份"
                           << "/b/备份.bak";
    QTest::newRow("already .bak") << "/b/x.bak"
                                  << "/b/x.bak";
    QTest::newRow("upper case") << "/b/x.BAK"
                                << "/b/x.BAK";
    QTest::newRow("other extension") << "/b/x.mdb"
                                     << "/b/x.mdb.bak";
}

void TestDatabaseBackup::backupPath()
{
    QFETCH(QString, chosen);
    QFETCH(QString, expected);
    QCOMPARE(DatabaseBackup::backupPath(chosen), expected);
}

void TestDatabaseBackup::backupCopiesAndReplaces()
{
    QString err, written;
    QVERIFY2(DatabaseBackup::backup(dbPath(), path("one"), &err, &written), qPrintable(err));
    QCOMPARE(written, path("one.bak"));
    QCOMPARE(names(written), QStringList({"张三", "李四"}));
    // A second backup to the same name replaces the first.
    setNames({"王五"});
    QVERIFY(DatabaseBackup::backup(dbPath(), path("one.bak"), &err, &written));
    QCOMPARE(written, path("one.bak"));
    QCOMPARE(names(written), QStringList({"王五"}));
    QVERIFY(!QFileInfo::exists(path("one.bak.bak")));
    QVERIFY(DatabaseFile::check(written, &err, true));
}

void TestDatabaseBackup::backupFailureLeavesNothing()
{
    QString err;
    QVERIFY(!DatabaseBackup::backup(dbPath(), path("no/such/dir/x"), &err));
    QVERIFY(!err.isEmpty());
    // No database there: nothing to copy, nothing written.
    const QString folder = path("failing");
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(!DatabaseBackup::backup(path("absent.mdb"), folder + "/x", &err));
    QVERIFY(QDir().mkpath(folder + "/dir.bak"));
    QVERIFY(!DatabaseBackup::backup(dbPath(), folder + "/dir", &err)); // a folder stands at the target
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList());
}

void TestDatabaseBackup::backupWhileWriting()
{
    // Another connection keeps committing while the copy runs.
    QVERIFY(m_db->exec(QStringLiteral(
        "WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM k WHERE i < 2000) "
        "INSERT INTO inr (\"姓名\", \"地址\") SELECT '预置' || i, hex(randomblob(100)) FROM k")));
    std::atomic<bool> stop{false};
    std::atomic<int> commits{0};
    QThread* writer = QThread::create([&] {
        sqlite3* h = nullptr;
        sqlite3_open(QFile::encodeName(dbPath()).constData(), &h);
        sqlite3_busy_timeout(h, 5000);
        while (!stop) {
            if (sqlite3_exec(h,
                             "INSERT INTO inr (\"姓名\", \"地址\") VALUES ('写入中', hex(randomblob(300)))",
                             nullptr, nullptr, nullptr) == SQLITE_OK)
                ++commits;
            QThread::usleep(500); // a busy user, not a tight loop that starves every reader
        }
        sqlite3_close(h);
    });
    writer->start();
    while (commits < 20)
        QThread::msleep(1);
    QString err, written;
    bool ok = true;
    for (int i = 0; i < 5 && ok; ++i)
        ok = DatabaseBackup::backup(dbPath(), path(QStringLiteral("live%1").arg(i)), &err, &written);
    stop = true;
    writer->wait();
    delete writer;
    QVERIFY2(ok, qPrintable(err));
    QVERIFY(commits > 20);
    QVERIFY2(DatabaseFile::check(written, &err, true), qPrintable(err));
    QVERIFY(names(written).size() >= 2002);
}

void TestDatabaseBackup::restoreRefuses_data()
{
    QTest::addColumn<QString>("source");

    writeBytes(path("text.bak"), "这不是数据库\n");
    QTest::newRow("text file") << path("text.bak");
    QTest::newRow("missing file") << path("absent.bak");

    QVERIFY(DatabaseBackup::backup(dbPath(), path("full"), nullptr));
    // Make it bigger than a few pages so a cut loses real data.
    {
        Database big;
        QVERIFY(big.open(path("full.bak"), nullptr, false));
        for (int i = 0; i < 500; ++i)
            big.exec(QStringLiteral("INSERT INTO outr (\"姓名\", \"地址\") VALUES (?, ?)"),
                     {QString::number(i), QString(300, QLatin1Char('y'))});
    }
    const QByteArray full = fileBytes(path("full.bak"));
    writeBytes(path("cut.bak"), full.left(full.size() / 2));
    QTest::newRow("truncated database") << path("cut.bak");

    sqlite3* h = nullptr;
    sqlite3_open(QFile::encodeName(path("two-tables.bak")).constData(), &h);
    sqlite3_exec(h, "CREATE TABLE outr (a); CREATE TABLE inr (b);", nullptr, nullptr, nullptr);
    sqlite3_close(h);
    QTest::newRow("missing table excel") << path("two-tables.bak");

    QVERIFY(Database::createFile(path("no-date.bak"), nullptr));
    h = nullptr;
    sqlite3_open(QFile::encodeName(path("no-date.bak")).constData(), &h);
    sqlite3_exec(h, "ALTER TABLE outr DROP COLUMN 年", nullptr, nullptr, nullptr);
    sqlite3_close(h);
    QTest::newRow("column missing") << path("no-date.bak");
}

void TestDatabaseBackup::restoreRefuses()
{
    QFETCH(QString, source);
    const QByteArray before = fileBytes(dbPath());
    QString err;
    bool closed = false;
    QVERIFY(!DatabaseBackup::restore(source, dbPath(), &err, [&] { closed = true; }));
    QVERIFY(!err.isEmpty());
    QVERIFY(!closed); // a refused file costs the caller's connections nothing
    QCOMPARE(fileBytes(dbPath()), before);
    // The program's connection was not touched either.
    QVERIFY(m_db->isOpen());
    const QStringList left = QDir::current().entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(left, QStringList{"data.mdb"});
}

void TestDatabaseBackup::restoreBringsBackBackup()
{
    QVERIFY(DatabaseBackup::backup(dbPath(), path("snap"), nullptr));
    setNames({"后来的", "又一个", "第三个"});
    QString err;
    // The caller's connections, closed by it once, while the old file still stands.
    Database other;
    QVERIFY(other.open(dbPath(), nullptr, false));
    int calls = 0;
    QStringList before;
    auto closeMine = [&] {
        ++calls;
        before = names(dbPath());
        m_db->close();
        other.close();
    };
    QVERIFY2(DatabaseBackup::restore(path("snap.bak"), dbPath(), &err, closeMine), qPrintable(err));
    QCOMPARE(calls, 1);
    QCOMPARE(before, QStringList({"后来的", "又一个", "第三个"}));
    QCOMPARE(fileBytes(dbPath()), fileBytes(path("snap.bak")));
    QCOMPARE(names(dbPath()), QStringList({"张三", "李四"}));
    QCOMPARE(QDir::current().entryList(QDir::Files | QDir::Hidden), QStringList{"data.mdb"});
}

void TestDatabaseBackup::restoreOntoItself()
{
    // The restore takes a snapshot through SQLite, so the file's header
    // counters may move; what it holds stays the same.
    QString err;
    QVERIFY2(DatabaseBackup::restore(dbPath(), dbPath(), &err, [this] { m_db->close(); }), qPrintable(err));
    QVERIFY2(DatabaseFile::check(dbPath(), &err, true), qPrintable(err));
    QCOMPARE(names(dbPath()), QStringList({"张三", "李四"}));
}

void TestDatabaseBackup::restoreDiscardsLeftoverJournal_data()
{
    // Hot: a header that is not zero, and no connection holds the reserved lock.
    QTest::addColumn<bool>("hot");
    QTest::newRow("hot journal of a transaction in flight") << true;
    QTest::newRow("journal kept with a zeroed header (persist mode)") << false;
}

void TestDatabaseBackup::restoreDiscardsLeftoverJournal()
{
    QFETCH(bool, hot);
    QVERIFY(DatabaseBackup::backup(dbPath(), path("good"), nullptr));
    m_db->close();
    const QString journal = dbPath() + "-journal";
    QByteArray left;
    {
        sqlite3* h = nullptr;
        sqlite3_open(QFile::encodeName(dbPath()).constData(), &h);
        if (hot) {
            // Catch the journal of a transaction in flight: what a crash would leave.
            sqlite3_exec(h, "PRAGMA cache_size=5; BEGIN; DELETE FROM inr;", nullptr, nullptr, nullptr);
            for (int i = 0; i < 300; ++i)
                sqlite3_exec(h, "INSERT INTO inr (\"姓名\", \"地址\") VALUES ('垃圾', hex(randomblob(500)))",
                             nullptr, nullptr, nullptr);
        } else {
            // A committed write in persist mode: the journal stays, its header zeroed.
            QCOMPARE(sqlite3_exec(h,
                                  "PRAGMA journal_mode=PERSIST; UPDATE inr SET \"地址\" = 'x';"
                                  "UPDATE inr SET \"地址\" = NULL;",
                                  nullptr, nullptr, nullptr),
                     SQLITE_OK);
        }
        left = fileBytes(journal);
        sqlite3_exec(h, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(h);
    }
    if (hot)
        QVERIFY(left.size() > 4096);
    else
        QVERIFY(!left.isEmpty() && left.at(0) == '\0');
    writeBytes(journal, left);
    QString err;
    QVERIFY2(DatabaseBackup::restore(path("good.bak"), dbPath(), &err, [this] { m_db->close(); }),
             qPrintable(err));
    QVERIFY(!QFileInfo::exists(journal));
    QVERIFY2(DatabaseFile::check(dbPath(), &err, true), qPrintable(err));
    QCOMPARE(names(dbPath()), QStringList({"张三", "李四"}));
}

void TestDatabaseBackup::restoreTakesWhatIsStillInTheLog()
{
    // A chosen file whose last committed rows still sit in its write-ahead
    // log: a copy of the bare file would miss them.
    const QString source = path("wal.bak");
    QVERIFY(Database::createFile(source, nullptr));
    QByteArray file, log;
    {
        sqlite3* h = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(source).constData(), &h), SQLITE_OK);
        sqlite3_exec(h, "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;", nullptr, nullptr, nullptr);
        QCOMPARE(sqlite3_exec(h, "INSERT INTO inr (\"姓名\") VALUES ('王五')", nullptr, nullptr, nullptr),
                 SQLITE_OK);
        file = fileBytes(source);
        log = fileBytes(source + "-wal");
        sqlite3_close(h);
    }
    QVERIFY(!log.isEmpty());
    writeBytes(source, file);
    writeBytes(source + "-wal", log);
    QString err;
    QVERIFY2(DatabaseBackup::restore(source, dbPath(), &err, [this] { m_db->close(); }), qPrintable(err));
    QCOMPARE(names(dbPath()), QStringList({"王五"}));
    QVERIFY(!QFileInfo::exists(dbPath() + "-wal"));
}

// A journal of a transaction in flight, as a killed import leaves it.
static void leaveHotJournal(const QString& db)
{
    const QString journal = db + "-journal";
    QByteArray file, hot;
    sqlite3* h = nullptr;
    sqlite3_open(QFile::encodeName(db).constData(), &h);
    sqlite3_exec(h, "PRAGMA cache_size=5; BEGIN; DELETE FROM inr;", nullptr, nullptr, nullptr);
    for (int i = 0; i < 300; ++i)
        sqlite3_exec(h, "INSERT INTO inr (\"姓名\", \"地址\") VALUES ('垃圾', hex(randomblob(500)))", nullptr,
                     nullptr, nullptr);
    file = fileBytes(db);
    hot = fileBytes(journal);
    sqlite3_exec(h, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(h);
    QVERIFY(hot.size() > 4096);
    writeBytes(db, file);
    writeBytes(journal, hot);
}

void TestDatabaseBackup::backupAfterCrash()
{
    m_db->close();
    leaveHotJournal(dbPath());
    if (QTest::currentTestFailed())
        return;
    QString err, written;
    QVERIFY2(DatabaseBackup::backup(dbPath(), path("after-crash"), &err, &written), qPrintable(err));
    QCOMPARE(names(written), QStringList({"张三", "李四"}));
    QCOMPARE(names(dbPath()), QStringList({"张三", "李四"}));
}

void TestDatabaseBackup::restoreWaitsForOrRefusesWriter_data()
{
    QTest::addColumn<int>("holdMs"); // how long the other writer keeps its transaction open
    QTest::newRow("writer finishes soon") << 700;
    QTest::newRow("writer keeps on") << 8000;
}

void TestDatabaseBackup::restoreWaitsForOrRefusesWriter()
{
    QFETCH(int, holdMs);
    QVERIFY(DatabaseBackup::backup(dbPath(), path("before"), nullptr));
    // A second connection in the middle of a write transaction, its journal on disk.
    sqlite3* writer = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(dbPath()).constData(), &writer), SQLITE_OK);
    QCOMPARE(sqlite3_exec(writer, "BEGIN IMMEDIATE; INSERT INTO inr (\"姓名\") VALUES ('另一个程序');",
                          nullptr, nullptr, nullptr),
             SQLITE_OK);
    QVERIFY(QFileInfo::exists(dbPath() + "-journal"));
    std::atomic<int> commit{-1};
    QThread* other = QThread::create([&] {
        QThread::msleep(holdMs);
        commit = sqlite3_exec(writer, "COMMIT", nullptr, nullptr, nullptr);
    });
    other->start();
    QString err;
    const bool restored =
        DatabaseBackup::restore(path("before.bak"), dbPath(), &err, [this] { m_db->close(); });
    other->wait();
    delete other;
    sqlite3_close(writer);
    // Either way the other program's transaction went through.
    QCOMPARE(commit.load(), SQLITE_OK);
    if (holdMs < 5000) {
        QVERIFY2(restored, qPrintable(err));
        QCOMPARE(names(dbPath()), QStringList({"张三", "李四"}));
    } else {
        QVERIFY(!restored);
        QCOMPARE(err, Database::lockedMessage());
        QCOMPARE(names(dbPath()), QStringList({"张三", "李四", "另一个程序"}));
    }
    QVERIFY2(DatabaseFile::check(dbPath(), &err, true), qPrintable(err));
}

void TestDatabaseBackup::staleTemporaryFilesAreRemoved()
{
    const QString folder = path("stale");
    QVERIFY(QDir().mkpath(folder));
    const QDateTime old = QDateTime::currentDateTime().addSecs(-3600);
    auto make = [&](const QString& name, bool isOld) {
        QFile f(folder + "/" + name);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("x");
        f.flush();
        if (isOld)
            QVERIFY(f.setFileTime(old, QFileDevice::FileModificationTime));
    };
    // Left by killed runs: removed.
    const QStringList stale = {".copy.bak.AbC123", ".copy.bak.AbC123-journal", ".list.xls.waybill-Qw3rty",
                               ".waybill-Zx81Ab.pdf"};
    // Someone else's, in use, or too young: kept.
    const QStringList kept = {".copy.bak.waybill-Fresh1", ".other.txt.AbC123",        "copy.bak.AbC123",
                              ".copy.bak.AbC12",          ".copy.bak.waybill-Locked", "notes.txt"};
    for (const QString& n : stale)
        make(n, true);
    for (const QString& n : kept)
        make(n, n != ".copy.bak.waybill-Fresh1");
    // A live replacer holds its file locked, however old it looks.
    const int fd = ::open(QFile::encodeName(folder + "/.copy.bak.waybill-Locked").constData(), O_RDONLY);
    QVERIFY(fd >= 0);
    QCOMPARE(::flock(fd, LOCK_EX), 0);

    QString err;
    QVERIFY2(DatabaseBackup::backup(dbPath(), folder + "/copy", &err), qPrintable(err));
    ::close(fd);
    QStringList left = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    QStringList expected = kept;
    expected << "copy.bak";
    left.sort();
    expected.sort();
    QCOMPARE(left, expected);
}

void TestDatabaseBackup::backupSaysTheBookIsDamaged()
{
    QVERIFY(m_db->exec(
        QStringLiteral("WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM k WHERE i < 300) "
                       "INSERT INTO outr (\"姓名\", \"地址\") SELECT i, hex(randomblob(200)) FROM k")));
    m_db->close();
    QByteArray bytes = fileBytes(dbPath());
    bytes.replace((bytes.size() / 4096 / 2) * 4096, 8, QByteArray(8, '\xff'));
    writeBytes(dbPath(), bytes);
    QString err;
    QVERIFY(!DatabaseBackup::backup(dbPath(), path("of-damaged"), &err));
    // The book is named, not a copy of it.
    QVERIFY2(err.startsWith(QStringLiteral("数据库文件 %1 已损坏").arg(dbPath())), qPrintable(err));
    QVERIFY(!QFileInfo::exists(path("of-damaged.bak")));
}

// Every entry of folder with a digest of its content: what a restore must
// leave as it found beside the chosen file.
static QMap<QString, QByteArray> folderState(const QString& folder)
{
    QMap<QString, QByteArray> state;
    for (const QFileInfo& fi :
         QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        state[fi.fileName()] =
            fi.isFile() ? QCryptographicHash::hash(fileBytes(fi.filePath()), QCryptographicHash::Sha256)
                        : QByteArray("not a file");
    return state;
}

// The recipients of the store at location, in their order.
static QStringList storeNames(const QString& location)
{
    Database db;
    QStringList out;
    if (!db.open(location, nullptr, false))
        return {QStringLiteral("<cannot open>")};
    QSqlQuery q(db.db());
    q.exec(QStringLiteral("SELECT \"姓名\" FROM inr ORDER BY \"序号\""));
    while (q.next())
        out << q.value(0).toString();
    return out;
}

static void runSql(const QString& file, const char* sql)
{
    sqlite3* h = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(file).constData(), &h), SQLITE_OK);
    const int rc = sqlite3_exec(h, sql, nullptr, nullptr, nullptr);
    QVERIFY2(rc == SQLITE_OK, sqlite3_errmsg(h));
    sqlite3_close(h);
}

void TestDatabaseBackup::restoreTakesInOnlyWhatIsSafe_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("refusal");   // empty: restored
    QTest::addColumn<QStringList>("names"); // restored recipients
    const QStringList none;
    // Companions beside the chosen file: taken in, in the private copy.
    QTest::newRow("hot journal beside") << "journal"
                                        << "" << QStringList{"张三", "李四"};
    QTest::newRow("write-ahead log beside") << "log"
                                            << "" << QStringList{"张三", "李四", "王五"};
    // Files that would act on their own, or cannot be read as they are.
    QTest::newRow("trigger on inr") << "CREATE TRIGGER wipe AFTER INSERT ON inr BEGIN DELETE FROM outr; END"
                                    << "含有本程序不使用的触发器 wipe，已拒绝恢复。" << none;
    QTest::newRow("printlog view with INSTEAD OF trigger")
        << "CREATE VIEW printlog AS SELECT 1 AS x;"
           "CREATE TRIGGER swallow INSTEAD OF INSERT ON printlog BEGIN DELETE FROM inr; END"
        << "触发器 swallow，视图 printlog" << none;
    QTest::newRow("virtual table") << "CREATE VIRTUAL TABLE notes USING fts5(x)"
                                   << "虚拟表 notes" << none;
    // The search index's own objects pass only as the program writes them.
    QTest::newRow("search trigger rewritten")
        << "DROP TRIGGER inr_search_insert;"
           "CREATE TRIGGER inr_search_insert AFTER INSERT ON inr BEGIN DELETE FROM outr; END"
        << "含有本程序不使用的触发器 inr_search_insert，已拒绝恢复。" << none;
    QTest::newRow("search trigger on another table")
        << "DROP TRIGGER inr_search_delete;"
           "CREATE TRIGGER inr_search_delete AFTER DELETE ON outr BEGIN "
           "INSERT OR IGNORE INTO search_queue (tbl, id) VALUES ('inr', old.rowid); END"
        << "触发器 inr_search_delete" << none;
    QTest::newRow("search table of another module")
        << "DROP TABLE excel_search; CREATE VIRTUAL TABLE excel_search USING fts5(x)"
        << "虚拟表 excel_search" << none;
    QTest::newRow("backup of a version without the index")
        << "DROP TABLE inr_search; DROP TABLE excel_search; DROP TABLE search_queue; DROP TABLE list_sizes;"
           "DROP TRIGGER inr_search_insert; DROP TRIGGER inr_search_update; DROP TRIGGER inr_search_delete;"
           "DROP TRIGGER excel_search_insert; DROP TRIGGER excel_search_update; DROP TRIGGER "
           "excel_search_delete"
        << "" << QStringList{"张三", "李四"};
    // The index as the build before wrote it: its texts in the index, keys only noted.
    QString earlier = "DROP TABLE search_queue; CREATE TABLE search_queue (tbl TEXT NOT NULL, id INTEGER NOT "
                      "NULL, PRIMARY KEY (tbl, id)) WITHOUT ROWID;";
    for (const QString t : {"inr", "excel"})
        earlier +=
            QStringLiteral(
                "DROP TABLE %1_search; DROP TRIGGER %1_search_insert; DROP TRIGGER %1_search_update;"
                "DROP TRIGGER %1_search_delete;"
                "CREATE VIRTUAL TABLE %1_search USING fts5(\"姓名\", \"手机\", \"快递单号\", "
                "tokenize='trigram', columnsize=0, detail=column);"
                "CREATE TRIGGER %1_search_insert AFTER INSERT ON %1 BEGIN INSERT OR IGNORE INTO "
                "search_queue (tbl, id) VALUES ('%1', new.rowid); UPDATE list_sizes SET n = n + 1 WHERE "
                "tbl = '%1'; END;"
                "CREATE TRIGGER %1_search_update AFTER UPDATE OF \"序号\", \"姓名\", \"手机\", "
                "\"快递单号\" ON %1 BEGIN INSERT OR IGNORE INTO search_queue (tbl, id) VALUES ('%1', "
                "old.rowid), ('%1', new.rowid); END;"
                "CREATE TRIGGER %1_search_delete AFTER DELETE ON %1 BEGIN INSERT OR IGNORE INTO "
                "search_queue (tbl, id) VALUES ('%1', old.rowid); UPDATE list_sizes SET n = n - 1 WHERE "
                "tbl = '%1'; END;")
                .arg(t);
    QTest::newRow("backup of a version with an earlier index")
        << earlier << "" << QStringList{"张三", "李四"};
    // The build after it: each trigram's column kept in the index.
    QString columns;
    for (const QString t : {"inr", "excel"})
        columns += QStringLiteral("DROP TABLE %1_search; CREATE VIRTUAL TABLE %1_search USING fts5(\"姓名\", "
                                  "\"手机\", \"快递单号\", tokenize='trigram', content='', columnsize=0, "
                                  "detail=column);")
                       .arg(t);
    QTest::newRow("backup of a version whose index kept the columns")
        << columns << "" << QStringList{"张三", "李四"};
    QTest::newRow("earlier search trigger with more in it")
        << "DROP TRIGGER inr_search_insert;"
           "CREATE TRIGGER inr_search_insert AFTER INSERT ON inr BEGIN INSERT OR IGNORE INTO search_queue "
           "(tbl, id) VALUES ('inr', new.rowid); DELETE FROM outr; END"
        << "含有本程序不使用的触发器 inr_search_insert，已拒绝恢复。" << none;
    QTest::newRow("table of another program") << "CREATE TABLE extra (x)"
                                              << "数据表 extra" << none;
    QTest::newRow("corrupted page") << "corrupt"
                                    << "已损坏" << none;
    QTest::newRow("huge page count") << "huge"
                                     << "已损坏" << none;
    QTest::newRow("FIFO") << "fifo"
                          << "不是文件。" << none;
    QTest::newRow("FIFO as its journal") << "fifo journal"
                                         << "-journal 不是文件。" << none;
}

void TestDatabaseBackup::restoreTakesInOnlyWhatIsSafe()
{
    QFETCH(QString, kind);
    QFETCH(QString, refusal);
    QFETCH(QStringList, names);
    // The backup in a folder of its own, made as another program or a
    // crash would leave it: without the program's mark.
    static int row = 0;
    const QString folder = path(QStringLiteral("chosen-%1").arg(++row));
    QVERIFY(QDir().mkpath(folder));
    const QString source = folder + "/copy.bak";
    if (kind == "fifo") {
        QCOMPARE(::mkfifo(QFile::encodeName(source).constData(), 0600), 0);
    } else {
        QVERIFY(Database::createFile(source, nullptr));
        runSql(source, "PRAGMA application_id=0;"
                       "INSERT INTO inr (\"姓名\") VALUES ('张三'), ('李四');"
                       "WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM k WHERE i < 300) "
                       "INSERT INTO outr (\"姓名\", \"地址\") SELECT i, hex(randomblob(200)) FROM k");
    }
    if (kind == "journal") {
        leaveHotJournal(source);
    } else if (kind == "log") {
        sqlite3* h = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(source).constData(), &h), SQLITE_OK);
        sqlite3_exec(h, "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;", nullptr, nullptr, nullptr);
        sqlite3_exec(h, "INSERT INTO inr (\"姓名\") VALUES ('王五')", nullptr, nullptr, nullptr);
        const QByteArray file = fileBytes(source), log = fileBytes(source + "-wal");
        sqlite3_close(h);
        writeBytes(source, file);
        writeBytes(source + "-wal", log);
    } else if (kind == "fifo journal") {
        QCOMPARE(::mkfifo(QFile::encodeName(source + "-journal").constData(), 0600), 0);
    } else if (kind == "corrupt" || kind == "huge") {
        QByteArray bytes = fileBytes(source);
        const int page = 4096;
        if (kind == "corrupt") // the header of a page in the middle of outr's rows
            bytes.replace((bytes.size() / page / 2) * page, 8, QByteArray(8, '\xff'));
        else // a page count far beyond the file, valid for this version of it
            bytes.replace(28, 4, QByteArray("\x7f\xff\xff\xff", 4)).replace(92, 4, bytes.mid(24, 4));
        writeBytes(source, bytes);
    } else if (kind != "fifo") {
        runSql(source, kind.toUtf8().constData());
    }
    if (QTest::currentTestFailed())
        return;
    // A FIFO that blocked a read would be let go after a while, and said so.
    std::atomic<bool> unblocked{false}, done{false};
    QThread* watchdog = QThread::create([&] {
        for (int i = 0; !done; ++i) {
            QThread::msleep(10);
            for (const QString& f : {source, source + "-journal"}) {
                struct stat st
                {
                };
                if (i < 300 || ::stat(QFile::encodeName(f).constData(), &st) != 0 || !S_ISFIFO(st.st_mode))
                    continue;
                const int fd = ::open(QFile::encodeName(f).constData(), O_WRONLY | O_NONBLOCK);
                if (fd >= 0) {
                    unblocked = true;
                    ::close(fd);
                }
            }
        }
    });
    watchdog->start();
    // Stopped on every way out of the case, a failed comparison too.
    auto stopWatchdog = qScopeGuard([&] {
        done = true;
        watchdog->wait();
        delete watchdog;
    });

    const QString store = TestStore::location(dbPath());
    if (TestStore::serverRun())
        QCOMPARE(storeNames(store), QStringList());
    const QStringList before = storeNames(store);
    const QMap<QString, QByteArray> beside = folderState(folder);
    QString err;
    bool closed = false;
    const bool restored = DatabaseBackup::restore(source, store, &err, [&] {
        closed = true;
        m_db->close();
    });
    QCOMPARE(folderState(folder), beside);
    // Found as an address book, a refused file is refused for the same reason.
    QString why;
    bool opened = false;
    if (!restored) {
        Database found;
        opened = found.open(source, &why, false);
    }
    stopWatchdog.dismiss();
    done = true;
    watchdog->wait();
    delete watchdog;
    QVERIFY(!unblocked);
    QCOMPARE(folderState(folder), beside);
    // The private copy went with the restore.
    QCOMPARE(QDir::current().entryList({".waybill-copy-*"}, QDir::AllEntries | QDir::Hidden), QStringList());
    if (refusal.isEmpty()) {
        QVERIFY2(restored, qPrintable(err));
        QCOMPARE(storeNames(store), names);
        // Opened, the book has the index as this build makes it.
        Database opened;
        QVERIFY2(opened.open(store, &err), qPrintable(err));
        QCOMPARE(SearchIndex::rowCount(opened, "inr"), int(names.size()));
        for (const QString& t : SearchIndex::tables()) {
            QString narrow;
            QVariantList binds;
            QVERIFY2(SearchIndex::narrowing(opened, t, "姓名", "张三丰", &narrow, &binds), qPrintable(t));
        }
        return;
    }
    QVERIFY(!restored);
    QVERIFY2(err.contains(refusal), qPrintable(err));
    QVERIFY2(err.contains(QDir::toNativeSeparators(source)), qPrintable(err));
    QVERIFY(!closed);
    QCOMPARE(storeNames(store), before);
    QVERIFY(!opened);
    QVERIFY2(why.contains(refusal.section(QStringLiteral("，已拒绝"), 0, 0)), qPrintable(why));
}

QTEST_GUILESS_MAIN(TestDatabaseBackup)
#include "test_databasebackup.moc"
