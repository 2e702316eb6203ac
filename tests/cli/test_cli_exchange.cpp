#include "data/store/Database.h"
#include "exchange/WorkbookReader.h"

#include "tests/TestStore.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sqlite3.h>
#include <unistd.h>

// The exchange commands of waybill-cli, run as a user runs them.
class TestCliExchange : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { WAYBILL_REQUIRE_STORE(); }
    void init();
    void exportImportRoundTrip();
    void failuresExitNonZeroAndChangeNothing_data();
    void failuresExitNonZeroAndChangeNothing();
    void backupThenRestore();
    void restoreKeepsASafetyCopyAndUndoes();
    void restoreOverAnUnreadableBook();
    void outputsNeverOverwriteTheDatabase_data();
    void outputsNeverOverwriteTheDatabase();
    void saysWhatIsTheMatter_data();
    void saysWhatIsTheMatter();
    void exportKeepsExistingFileWithoutForce();
    void killedMidwayLeavesBeforeOrAfter_data();
    void killedMidwayLeavesBeforeOrAfter();

private:
    int run(const QStringList& args, QString* out = nullptr, QString* err = nullptr);
    int count(const QString& table);

    QTemporaryDir m_dir;
    QString m_db;
};

int TestCliExchange::run(const QStringList& args, QString* out, QString* err)
{
    QProcess p;
    p.setWorkingDirectory(m_dir.path());
    p.start(QStringLiteral(WAYBILL_CLI), args);
    if (!p.waitForFinished(60000))
        return -1;
    if (out)
        *out = QString::fromUtf8(p.readAllStandardOutput());
    if (err)
        *err = QString::fromUtf8(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

int TestCliExchange::count(const QString& table)
{
    Database db;
    if (!db.open(m_db, nullptr, false))
        return -1;
    QSqlQuery q(db.db());
    if (!q.exec(QStringLiteral("SELECT count(*) FROM %1").arg(table)) || !q.next())
        return -1;
    return q.value(0).toInt();
}

void TestCliExchange::init()
{
    m_db = TestStore::location(m_dir.filePath(QStringLiteral("data.mdb")));
    QFile::remove(m_db);
    Database db;
    QVERIFY(db.open(m_db, nullptr));
    QVERIFY(db.exec(
        "INSERT INTO inr (姓名, 手机, 邮编) VALUES ('张三', '13800138000', '010000'), ('李四', '', '')"));
    QVERIFY(db.exec("INSERT INTO outr (姓名) VALUES ('寄件人')"));
}

static QByteArray digest(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                                       : QByteArray();
}

void TestCliExchange::exportImportRoundTrip()
{
    QString out, err;
    QCOMPARE(run({"--db", m_db, "export", m_dir.filePath("list")}, &out, &err), 0);
    QVERIFY(QFile::exists(m_dir.filePath("list.xls")));
    QCOMPARE(run({"--db", m_db, "import", m_dir.filePath("list.xls")}, &out, &err), 0);
    QVERIFY2(out.contains(QStringLiteral("批量导入EXCEL成功！")), qPrintable(out));
    QVERIFY(out.contains(QStringLiteral("2")));
    QCOMPARE(count("excel"), 2);
    Database db;
    QVERIFY(db.open(m_db, nullptr, false));
    QSqlQuery q(db.db());
    QVERIFY(q.exec("SELECT 手机, 邮编 FROM excel WHERE 姓名 = '张三'") && q.next());
    QCOMPARE(q.value(0).toString(), QStringLiteral("13800138000"));
    QCOMPARE(q.value(1).toString(), QStringLiteral("010000"));
}

void TestCliExchange::failuresExitNonZeroAndChangeNothing_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("import a text file") << QStringList{"import", "notes.xls"} << 1 << "批量导入EXCEL失败！";
    QTest::newRow("import a missing file")
        << QStringList{"import", "missing.xls"} << 1 << "批量导入EXCEL失败！";
    QTest::newRow("import blank path") << QStringList{"import", "  "} << 2 << "请正确选择相关路径！";
    QTest::newRow("restore a text file")
        << QStringList{"restore", "notes.xls"} << 1 << "数据恢复失败，请重试！";
    QTest::newRow("export into a missing folder") << QStringList{"export", "no/such/folder/list"} << 1 << "";
    QTest::newRow("no arguments") << QStringList{"backup"} << 2 << "用法";
}

void TestCliExchange::failuresExitNonZeroAndChangeNothing()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, message);
    // A previous import that a failure must leave alone.
    {
        Database db;
        QVERIFY(db.open(m_db, nullptr, false));
        QVERIFY(db.exec("DELETE FROM excel"));
        QVERIFY(db.exec("INSERT INTO excel (姓名) VALUES ('王五')"));
    }
    QFile notes(m_dir.filePath("notes.xls"));
    QVERIFY(notes.open(QIODevice::WriteOnly));
    notes.write("姓名\t手机\n赵六\t1\n");
    notes.close();
    QString out, err;
    QCOMPARE(run(QStringList{"--db", m_db} + args, &out, &err), code);
    QVERIFY2(err.contains(message), qPrintable(err));
    QCOMPARE(count("excel"), 1);
    QCOMPARE(count("inr"), 2);
}

void TestCliExchange::backupThenRestore()
{
    {
        // Number 2 was given once: a restored book never gives it again.
        Database db;
        QVERIFY(db.open(m_db, nullptr, false));
        QVERIFY(db.exec("DELETE FROM inr WHERE 序号 = 2"));
    }
    QCOMPARE(run({"--db", m_db, "backup", m_dir.filePath("copy")}), 0);
    QVERIFY(QFile::exists(m_dir.filePath("copy.bak")));
    {
        Database db;
        QVERIFY(db.open(m_db, nullptr, false));
        QVERIFY(db.exec("DELETE FROM inr"));
    }
    QCOMPARE(count("inr"), 0);
    QString out;
    QCOMPARE(run({"--db", m_db, "restore", m_dir.filePath("copy.bak")}, &out), 0);
    QVERIFY(out.contains(QStringLiteral("数据恢复成功！")));
    QCOMPARE(count("inr"), 1);
    {
        Database db;
        QVERIFY(db.open(m_db, nullptr, false));
        QSqlQuery q(db.db());
        QVERIFY(q.exec("INSERT INTO inr (姓名) VALUES ('新') RETURNING 序号") && q.next());
        QCOMPARE(q.value(0).toInt(), 3);
    }
    // A database that isn't there is not made up by an export.
    const QString typo = m_dir.filePath("typo.mdb");
    QString err;
    QCOMPARE(run({"--db", typo, "export", m_dir.filePath("x")}, nullptr, &err), 1);
    QVERIFY(!QFile::exists(typo));
    QVERIFY(!QFile::exists(m_dir.filePath("x.xls")));
}

void TestCliExchange::restoreKeepsASafetyCopyAndUndoes()
{
    QCOMPARE(run({"--db", m_db, "backup", m_dir.filePath("early")}), 0);
    {
        Database db;
        QVERIFY(db.open(m_db, nullptr, false));
        QVERIFY(db.exec("INSERT INTO inr (姓名) VALUES ('备份后加的')"));
    }
    QString out, err;
    QCOMPARE(run({"--db", m_db, "restore", m_dir.filePath("early.bak")}, &out, &err), 0);
    QCOMPARE(count("inr"), 2);
    static const QRegularExpression where(QStringLiteral("安全副本：(.+)\n"));
    const QString copy = where.match(out).captured(1);
    QVERIFY2(QFileInfo(copy).isFile(), qPrintable(out));
    if (!TestStore::serverRun())
        QCOMPARE(QFileInfo(copy).absolutePath(), QFileInfo(m_db).absolutePath());
    // The work done since the backup comes back, and the undo keeps a copy too.
    QCOMPARE(run({"--db", m_db, "restore", "--undo"}, &out, &err), 0);
    QCOMPARE(count("inr"), 3);
    const QString second = where.match(out).captured(1);
    QVERIFY2(QFileInfo(second).isFile() && second != copy, qPrintable(out));
    QCOMPARE(run({"--db", m_db, "restore", "--undo", m_dir.filePath("early.bak")}, &out, &err), 2);
    QCOMPARE(count("inr"), 3);
}

void TestCliExchange::restoreOverAnUnreadableBook()
{
    WAYBILL_FILE_ONLY();
    QCOMPARE(run({"--db", m_db, "backup", m_dir.filePath("early")}), 0);
    // The header stands, the pages behind it no longer read: no safety copy can be taken.
    QFile book(m_db);
    QVERIFY(book.open(QIODevice::ReadWrite) && book.seek(4096));
    book.write(QByteArray(book.size() - 4096, '\xff'));
    book.close();
    const QByteArray damaged = digest(m_db);
    QString out, err;
    QCOMPARE(run({"--db", m_db, "restore", m_dir.filePath("early.bak")}, &out, &err), 1);
    QVERIFY2(err.contains(QStringLiteral("无法保存当前数据的安全副本")) && err.contains("--no-safety-copy"),
             qPrintable(err));
    QCOMPARE(digest(m_db), damaged);
    QCOMPARE(run({"--db", m_db, "restore", "--no-safety-copy", m_dir.filePath("early.bak")}, &out, &err), 0);
    QVERIFY2(!out.contains(QStringLiteral("安全副本")), qPrintable(out));
    QCOMPARE(count("inr"), 2);
}

void TestCliExchange::outputsNeverOverwriteTheDatabase_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    const QString file = QStringLiteral("正在使用的数据库文件");
    const QString journal = QStringLiteral("日志文件");
    QTest::newRow("pdf over the database")
        << QStringList{"print", "--template", "st", "--pdf", "data.mdb"} << file;
    QTest::newRow("pdf over its journal")
        << QStringList{"print", "--template", "st", "--pdf", "data.mdb-journal"} << journal;
    QTest::newRow("pdf over a link to it")
        << QStringList{"print", "--template", "st", "--pdf", "link.pdf"} << file;
    QTest::newRow("export over a link to it") << QStringList{"export", "--force", "link.xls"} << file;
    QTest::newRow("backup over a link to it") << QStringList{"backup", "link.bak"} << file;
}

void TestCliExchange::outputsNeverOverwriteTheDatabase()
{
    WAYBILL_FILE_ONLY();
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    // Other names of the same file: a hard link.
    for (const char* name : {"link.pdf", "link.xls", "link.bak"}) {
        QFile::remove(m_dir.filePath(name));
        QCOMPARE(
            ::link(QFile::encodeName(m_db).constData(), QFile::encodeName(m_dir.filePath(name)).constData()),
            0);
    }
    const QByteArray before = digest(m_db);
    QString out, err;
    QCOMPARE(run(QStringList{"--db", "data.mdb"} + args, &out, &err), 1);
    QVERIFY2(err.contains(message), qPrintable(err));
    QCOMPARE(digest(m_db), before);
    QVERIFY(!QFile::exists(m_db + "-journal"));
    QCOMPARE(count("inr"), 2);
}

void TestCliExchange::saysWhatIsTheMatter_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    for (const QStringList& args :
         {QStringList{"import", "list.xls"}, QStringList{"export", "list"}, QStringList{"backup", "copy"},
          QStringList{"print", "--template", "st", "--pdf", "x.pdf"}})
        QTest::newRow(qPrintable("folder: " + args.first())) << "folder" << args << "是一个文件夹";
    QTest::newRow("bare sqlite: backup") << "bare" << QStringList{"backup", "copy"} << "缺少数据表";
    QTest::newRow("locked: import") << "locked" << QStringList{"import", "list.xls"}
                                    << "数据库正被其他程序使用，请稍后再试";
    QTest::newRow("locked: backup") << "locked" << QStringList{"backup", "copy"}
                                    << "数据库正被其他程序使用，请稍后再试";
}

void TestCliExchange::saysWhatIsTheMatter()
{
    WAYBILL_FILE_ONLY();
    QFETCH(QString, kind);
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    QCOMPARE(run({"--db", m_db, "export", "--force", m_dir.filePath("list")}), 0);
    QFile::remove(m_dir.filePath("copy.bak"));
    QString db = m_db;
    sqlite3* other = nullptr;
    if (kind == "folder") {
        db = m_dir.filePath("folder");
        QVERIFY(QDir().mkpath(db));
    } else if (kind == "bare") {
        db = m_dir.filePath("bare.db");
        QFile::remove(db);
        QCOMPARE(sqlite3_open(QFile::encodeName(db).constData(), &other), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "PRAGMA user_version=1", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(other);
        other = nullptr;
    } else {
        // Another program in the middle of writing the address book.
        QCOMPARE(sqlite3_open(QFile::encodeName(db).constData(), &other), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE; DELETE FROM excel;", nullptr, nullptr, nullptr),
                 SQLITE_OK);
    }
    QString out, err;
    QCOMPARE(run(QStringList{"--db", db} + args, &out, &err), 1);
    QVERIFY2(err.contains(message), qPrintable(err));
    for (const char* wrong : {"损坏", "不存在", "not an error", "不是本程序的数据库：", "Unable"})
        QVERIFY2(!err.contains(QString::fromUtf8(wrong)), qPrintable(err));
    QVERIFY(!QFile::exists(m_dir.filePath("copy.bak")));
    if (other) {
        QCOMPARE(sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(other);
    }
}

void TestCliExchange::exportKeepsExistingFileWithoutForce()
{
    QFile::remove(m_dir.filePath("list.xls"));
    QCOMPARE(run({"--db", m_db, "export", m_dir.filePath("list")}), 0);
    const QByteArray first = digest(m_dir.filePath("list.xls"));
    {
        Database db;
        QVERIFY(db.open(m_db, nullptr, false));
        QVERIFY(db.exec("INSERT INTO inr (姓名) VALUES ('王五')"));
    }
    QString out, err;
    QCOMPARE(run({"--db", m_db, "export", m_dir.filePath("list")}, &out, &err), 1);
    QVERIFY2(err.contains("已存在") && err.contains("--force"), qPrintable(err));
    QCOMPARE(digest(m_dir.filePath("list.xls")), first);
    QCOMPARE(run({"--db", m_db, "export", "--force", m_dir.filePath("list")}, &out, &err), 0);
    QVERIFY2(out.contains("共 3 条记录"), qPrintable(out));
    QVERIFY(digest(m_dir.filePath("list.xls")) != first);
}

void TestCliExchange::killedMidwayLeavesBeforeOrAfter_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("import") << "import";
    QTest::newRow("export") << "export";
}

void TestCliExchange::killedMidwayLeavesBeforeOrAfter()
{
    QFETCH(QString, command);
    const bool import = command == QLatin1String("import");
    // Before: the two rows of init, imported, and exported under the target name.
    const QString small = m_dir.filePath("kill-small.xlsx");
    const QString list = m_dir.filePath("kill-list.xlsx");
    const QString target = m_dir.filePath("kill-out.xlsx");
    for (const QString& f : {small, list, target})
        QFile::remove(f);
    QCOMPARE(run({"--db", m_db, "export", small}), 0);
    QCOMPARE(run({"--db", m_db, "import", small}), 0);
    const QByteArray old = digest(small);
    // A list long enough that a kill lands while the work is under way.
    constexpr int kRows = 30000;
    const int total = kRows + 2;
    {
        Database db;
        QVERIFY(db.open(m_db, nullptr, false));
        QVERIFY(db.exec(
            QStringLiteral("WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c WHERE n < %1) "
                           "INSERT INTO inr (姓名, 地址, 手机) SELECT '收件' || CAST(n AS TEXT), "
                           "'河南省郑州市金水区花园路' || CAST(n AS TEXT) || '号', '13800138000' FROM c")
                .arg(kRows)));
    }
    QCOMPARE(run({"--db", m_db, "export", list}), 0);
    const QStringList args = import ? QStringList{"--db", m_db, "import", list}
                                    : QStringList{"--db", m_db, "export", "--force", target};
    // Back to the state before after a run that got through.
    const auto restore = [&] {
        if (import)
            return count("excel") == 2 || run({"--db", m_db, "import", small}) == 0;
        return digest(target) == old ||
               ((!QFile::exists(target) || QFile::remove(target)) && QFile::copy(small, target));
    };
    QVERIFY(restore());
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(run(args), 0);
    const qint64 duration = clock.elapsed();
    QVERIFY(restore());

    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    for (int kill = 0; kill < 4; ++kill) {
        const int after = int(random.bounded(qMax<qint64>(1, duration)));
        const QString where =
            QStringLiteral("seed %1, kill %2 after %3 of %4 ms").arg(seed).arg(kill).arg(after).arg(duration);
        QProcess p;
        p.setWorkingDirectory(m_dir.path());
        p.start(QStringLiteral(WAYBILL_CLI), args);
        QVERIFY(p.waitForStarted());
        QThread::msleep(after);
        p.kill(); // SIGKILL
        QVERIFY(p.waitForFinished(60000));
        qInfo("%s: %s", qPrintable(where), p.exitStatus() == QProcess::CrashExit ? "killed" : "had finished");
        if (import) {
            const int rows = count("excel");
            QVERIFY2(rows == 2 || rows == total, qPrintable(where + QStringLiteral(": %1 rows").arg(rows)));
        } else if (digest(target) != old) {
            // Not the old file: then the whole new one.
            WorkbookReader reader;
            QString error;
            QVERIFY2(reader.read(target, &error), qPrintable(where + QStringLiteral(": ") + error));
            QVERIFY2(reader.table().rowCount() == total + 1, qPrintable(where));
        }
        QVERIFY(restore());
    }
}

QTEST_GUILESS_MAIN(TestCliExchange)
#include "test_cli_exchange.moc"
