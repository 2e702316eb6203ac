#include "data/store/Database.h"
#include "data/store/DatabaseFile.h"
#include "data/store/Schema.h"
#include "tests/SqliteFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

class TestDatabase : public QObject
{
    Q_OBJECT
private slots:
    void firstStartCreatesSchema();
    void emptyFileIsTreatedAsMissing();
    void foreignFileIsRefusedUnchanged_data();
    void foreignFileIsRefusedUnchanged();
    void thoroughCheckFindsTruncation();
    void connectionsCloseOnTheirOwn();
    void fileLeftMidWriteIsRecovered();
    void saysWhatIsTheMatter_data();
    void saysWhatIsTheMatter();
    void noticesReplacedFile();
    void foundFileIsReadThroughOnce_data();
    void foundFileIsReadThroughOnce();
};

static QByteArray digest(const QString& path)
{
    QFile f(path);
    if (!QFileInfo(path).isFile() || !f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

void TestDatabase::firstStartCreatesSchema()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("data.mdb");
    Database db;
    QString error;
    QVERIFY2(db.open(path, &error), qPrintable(error));

    struct stat st
    {
    };
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
    QCOMPARE(int(st.st_mode & 0777), 0600);

    for (const QString& table : {Schema::kSenderTable, Schema::kRecipientTable, Schema::kExcelTable}) {
        QSqlQuery q(db.db());
        QVERIFY(q.exec(QStringLiteral("SELECT * FROM %1").arg(table)));
        QStringList names;
        for (int i = 0; i < q.record().count(); ++i)
            names << q.record().fieldName(i);
        QCOMPARE(names, table == Schema::kSenderTable ? Schema::senderColumns() : Schema::recipientColumns());
    }
    // "序号" numbers itself.
    QVERIFY(db.exec(QStringLiteral("INSERT INTO inr (姓名) VALUES (?)"), {QStringLiteral("张三")}));
    QVERIFY(db.exec(QStringLiteral("INSERT INTO inr (姓名) VALUES (?)"), {QStringLiteral("李四")}));
    QSqlQuery q(db.db());
    QVERIFY(q.exec(QStringLiteral("SELECT 序号 FROM inr ORDER BY 序号")));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toInt(), 1);
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toInt(), 2);

    QSqlQuery jm(db.db());
    QVERIFY(jm.exec(QStringLiteral("PRAGMA journal_mode")) && jm.next());
    QCOMPARE(jm.value(0).toString(), QStringLiteral("delete"));
    jm.finish();
    // A list's connection keeps a large page cache, a batch's a small one.
    QVERIFY(jm.exec(QStringLiteral("PRAGMA cache_size")) && jm.next());
    QCOMPARE(jm.value(0).toInt(), -32768);
    jm.finish();
    db.sizeCacheForBatch();
    QVERIFY(jm.exec(QStringLiteral("PRAGMA cache_size")) && jm.next());
    QCOMPARE(jm.value(0).toInt(), -2048);
}

void TestDatabase::emptyFileIsTreatedAsMissing()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("data.mdb");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    Database db;
    QString error;
    QVERIFY2(db.open(path, &error), qPrintable(error));
    QVERIFY(DatabaseFile::check(path, &error));
}

void TestDatabase::foreignFileIsRefusedUnchanged_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("needle");

    QByteArray jet(4096, '\0');
    jet.replace(0, 19, QByteArray("\x00\x01\x00\x00Standard Jet DB", 19));
    QTest::newRow("text file") << QByteArray("姓名,手机\n张三,13800138000\n")
                               << QStringLiteral("不是本程序的数据库");
    QTest::newRow("jet database") << jet << QStringLiteral("Access");
    QTest::newRow("sqlite without our tables") << QByteArray() << QStringLiteral("缺少数据表");
    // The right tables with other columns: named, table by table.
    // A trigger would run in the middle of the program's own statements.
    QTest::newRow("trigger") << QByteArray(
                                    "CREATE TRIGGER wipe AFTER INSERT ON inr BEGIN DELETE FROM outr; END")
                             << QStringLiteral("含有本程序不使用的触发器 wipe");
    // Opening a FIFO would wait for a writer for ever.
    QTest::newRow("FIFO") << QByteArray("fifo") << QStringLiteral("data.mdb 不是文件。");
    QTest::newRow("FIFO as its journal")
        << QByteArray("fifo journal") << QStringLiteral("data.mdb-journal 不是文件。");
    QTest::newRow("columns missing") << QByteArray("columns")
                                     << QStringLiteral(
                                            "缺少本程序需要的列（表 outr 的 年；表 inr 的 地址、快递单号）");
}

void TestDatabase::foreignFileIsRefusedUnchanged()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, needle);
    QTemporaryDir dir;
    const QString path = dir.filePath("data.mdb");
    if (content.isEmpty()) {
        // A real SQLite file that lacks the table "excel".
        QVERIFY(
            SqliteFile::exec(path, "CREATE TABLE outr(a); CREATE TABLE inr(b); INSERT INTO outr VALUES(1);"));
    } else if (content == "columns") {
        QVERIFY(Database::createFile(path, nullptr));
        // The index's triggers read the column: a book without it has none.
        QVERIFY(SqliteFile::exec(path, "DROP TRIGGER inr_search_update; DROP TRIGGER inr_search_delete;"
                                       "ALTER TABLE outr DROP COLUMN 年; ALTER TABLE inr DROP COLUMN 地址;"
                                       "ALTER TABLE inr DROP COLUMN 快递单号;"));
    } else if (content == "fifo") {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (content.startsWith("CREATE") || content == "fifo journal") {
        QVERIFY(Database::createFile(path, nullptr));
        if (content.startsWith("CREATE")) {
            QVERIFY(SqliteFile::exec(path, content.constData()));
        } else {
            QCOMPARE(::mkfifo(QFile::encodeName(path + "-journal").constData(), 0600), 0);
        }
    } else {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
        f.close();
    }
    const QByteArray before = digest(path);
    Database db;
    QString error;
    QVERIFY(!db.open(path, &error));
    QVERIFY2(error.contains(needle), qPrintable(error));
    QVERIFY(error.contains(QStringLiteral("data.mdb")));
    QVERIFY(!db.isOpen());
    QCOMPARE(digest(path), before);
    QCOMPARE(QFileInfo::exists(path + "-journal"), content == "fifo journal");
}

void TestDatabase::thoroughCheckFindsTruncation()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("data.mdb");
    {
        Database db;
        QVERIFY(db.open(path, nullptr));
        QVERIFY(db.exec(
            QStringLiteral("WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM k WHERE i < 2000) "
                           "INSERT INTO inr (姓名, 地址) SELECT '收件人' || i, ? FROM k"),
            {QString(200, QChar(0x5730))}));
    }
    QString error;
    QVERIFY2(DatabaseFile::check(path, &error, true), qPrintable(error));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.resize(f.size() / 2));
    f.close();
    QVERIFY(!DatabaseFile::check(path, &error, true));
    QVERIFY2(error.contains(QStringLiteral("损坏")), qPrintable(error));
}

// Each window holds its connection and closes it itself: closing one
// leaves the others to the same file reading.
void TestDatabase::connectionsCloseOnTheirOwn()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("data.mdb");
    Database a, b;
    QVERIFY(a.open(path, nullptr));
    QVERIFY(b.open(path, nullptr));
    a.close();
    QVERIFY(!a.isOpen());
    QVERIFY(b.isOpen());
    QVERIFY(b.exec(QStringLiteral("INSERT INTO inr (姓名) VALUES ('甲')")));
}

static QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

static void putBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

void TestDatabase::fileLeftMidWriteIsRecovered()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("data.mdb");
    {
        Database db;
        QVERIFY(db.open(path, nullptr));
        QVERIFY(db.exec("INSERT INTO inr (姓名) VALUES ('张三'), ('李四')"));
    }
    // The file and its journal as a crash in the middle of a big write
    // leaves them: pages already changed in the file, the journal hot.
    QByteArray file, journal;
    {
        sqlite3* h = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &h), SQLITE_OK);
        sqlite3_exec(h, "PRAGMA cache_size=5; BEGIN; DELETE FROM inr;", nullptr, nullptr, nullptr);
        for (int i = 0; i < 300; ++i)
            sqlite3_exec(h, "INSERT INTO inr (姓名, 地址) VALUES ('半截', hex(randomblob(500)))", nullptr,
                         nullptr, nullptr);
        file = bytesOf(path);
        journal = bytesOf(path + "-journal");
        sqlite3_exec(h, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(h);
    }
    QVERIFY(journal.size() > 4096);
    putBytes(path, file);
    putBytes(path + "-journal", journal);

    Database db;
    QString error;
    QVERIFY2(db.open(path, &error), qPrintable(error));
    QSqlQuery q(db.db());
    QVERIFY(q.exec("SELECT 姓名 FROM inr ORDER BY 序号"));
    QStringList names;
    while (q.next())
        names << q.value(0).toString();
    QCOMPARE(names, QStringList({"张三", "李四"}));
}

void TestDatabase::saysWhatIsTheMatter_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("needle");
    QTest::newRow("folder") << "folder"
                            << "是一个文件夹";
    QTest::newRow("sqlite file without tables") << "bare"
                                                << "缺少数据表 outr、inr、excel";
    QTest::newRow("another program writing") << "locked" << Database::lockedMessage();
}

void TestDatabase::saysWhatIsTheMatter()
{
    QFETCH(QString, kind);
    QFETCH(QString, needle);
    QTemporaryDir dir;
    const QString path = dir.filePath("data.mdb");
    sqlite3* other = nullptr;
    if (kind == "folder") {
        QVERIFY(QDir().mkpath(path));
    } else if (kind == "bare") {
        QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &other), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "PRAGMA user_version=1", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(other);
        other = nullptr;
    } else {
        QVERIFY(Database::createFile(path, nullptr));
        // A second connection in the middle of writing: its lock and journal.
        QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &other), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE; INSERT INTO inr (姓名) VALUES ('写入中');", nullptr,
                              nullptr, nullptr),
                 SQLITE_OK);
    }
    const QByteArray before = digest(path);
    QString checked, opened;
    QVERIFY(!DatabaseFile::check(path, &checked));
    Database db;
    QVERIFY(!db.open(path, &opened));
    for (const QString& e : {checked, opened}) {
        QVERIFY2(e.contains(needle), qPrintable(e));
        QVERIFY2(!e.contains("损坏") && !e.contains("not an error") && !e.contains("不存在"), qPrintable(e));
    }
    QCOMPARE(digest(path), before);
    if (other) {
        // The writer was not disturbed.
        QCOMPARE(sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(other);
        QVERIFY(db.open(path, &opened));
    }
}

void TestDatabase::noticesReplacedFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("data.mdb");
    Database db;
    QVERIFY(db.open(path, nullptr));
    QVERIFY(!db.fileReplaced());
    // Another program puts a copy in its place, as a restore does.
    QVERIFY(QFile::copy(path, dir.filePath("copy")));
    QCOMPARE(
        ::rename(QFile::encodeName(dir.filePath("copy")).constData(), QFile::encodeName(path).constData()),
        0);
    QVERIFY(db.fileReplaced());
    QVERIFY(db.open(path, nullptr, false));
    QVERIFY(!db.fileReplaced());
}

void TestDatabase::foundFileIsReadThroughOnce_data()
{
    QTest::addColumn<bool>("damaged");
    QTest::newRow("intact: opened and marked") << false;
    QTest::newRow("a damaged page: refused, saying so") << true;
}

// A file the program did not make pays for SQLite's quick check once, at
// its first opening; the program's own files carry its mark.
void TestDatabase::foundFileIsReadThroughOnce()
{
    QFETCH(bool, damaged);
    QTemporaryDir dir;
    const QString path = dir.filePath("data.mdb");
    QVERIFY(Database::createFile(path, nullptr));
    QVERIFY(DatabaseFile::isStamped(path));
    {
        sqlite3* raw = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &raw), SQLITE_OK);
        QCOMPARE(
            sqlite3_exec(raw,
                         "PRAGMA application_id=0; WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i+1 "
                         "FROM k WHERE i < 300) INSERT INTO inr (姓名, 地址) SELECT i, hex(randomblob(200)) "
                         "FROM k",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
        sqlite3_close(raw);
    }
    QVERIFY(!DatabaseFile::isStamped(path));
    if (damaged) {
        QByteArray bytes = bytesOf(path);
        bytes.replace((bytes.size() / 4096 / 2) * 4096, 8, QByteArray(8, '\xff'));
        putBytes(path, bytes);
    }
    Database db;
    QString error;
    QCOMPARE(db.open(path, &error, false), !damaged);
    QCOMPARE(DatabaseFile::isStamped(path), !damaged);
    if (damaged)
        QVERIFY2(error.contains(QStringLiteral("数据库文件 %1 已损坏").arg(path)), qPrintable(error));
}

QTEST_GUILESS_MAIN(TestDatabase)
#include "test_database.moc"
