#include "data/store/Database.h"
#include "data/store/DatabaseFile.h"
#include "data/store/ScratchCopy.h"
#include "tests/SqliteFile.h"
#include "tests/TestStore.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTest>
#include <QThread>

#include <sqlite3.h>

#include <sys/stat.h>
#include <utime.h>

// A restore killed at any moment (waybill-cli, SIGKILL) leaves the book as
// it was or as the backup has it, never something between; what it left
// behind goes at the next opening of the book.
class TestRestoreKills : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void killedRestoreLeavesBeforeOrAfter();

private:
    void resetBook();
    int recipients() const;
    QString m_store;
    QString m_backup;
};

static QByteArray digest(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                                       : QByteArray();
}

void TestRestoreKills::initTestCase()
{
    WAYBILL_REQUIRE_STORE();
    // The backup: enough recipients that a restore takes a while.
    m_backup = QDir::current().absoluteFilePath("after.bak");
    QFile::remove(m_backup);
    QVERIFY(Database::createFile(m_backup, nullptr));
    QVERIFY(SqliteFile::exec(m_backup,
                             "WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM k WHERE i < 30000) "
                             "INSERT INTO inr (姓名, 地址) SELECT '之后' || i, hex(randomblob(60)) FROM k"));
    const QString file = QDir::current().absoluteFilePath("book.mdb");
    QFile::remove(file);
    m_store = TestStore::location(file);
    resetBook();
}

void TestRestoreKills::resetBook()
{
    Database db;
    QVERIFY(db.open(m_store, nullptr, true));
    QVERIFY(db.exec("DELETE FROM inr"));
    QVERIFY(db.exec("INSERT INTO inr (姓名) VALUES ('之前')"));
}

int TestRestoreKills::recipients() const
{
    Database db;
    if (!db.open(m_store, nullptr, false))
        return -1;
    QSqlQuery q(db.db());
    return q.exec("SELECT count(*) FROM inr") && q.next() ? q.value(0).toInt() : -1;
}

void TestRestoreKills::killedRestoreLeavesBeforeOrAfter()
{
    const QByteArray backup = digest(m_backup);
    auto start = [&](QProcess& p) {
        p.setWorkingDirectory(QDir::currentPath());
        p.start(QStringLiteral(WAYBILL_CLI), {"--db", m_store, "restore", m_backup});
        return p.waitForStarted();
    };
    // Once to the end: how long a whole restore takes.
    QElapsedTimer clock;
    clock.start();
    {
        QProcess p;
        QVERIFY(start(p));
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
    }
    const int whole = int(clock.elapsed());
    QCOMPARE(recipients(), 30000);
    int before = 0, after = 0;
    for (int i = 0; i < 5; ++i) {
        resetBook();
        QProcess p;
        QVERIFY(start(p));
        const int wait = int(QRandomGenerator::global()->bounded(whole + 1));
        QThread::msleep(wait);
        p.kill();
        QVERIFY(p.waitForFinished(10000));
        const int n = recipients();
        QVERIFY2(n == 1 || n == 30000,
                 qPrintable(QStringLiteral("%1 recipients after %2 ms").arg(n).arg(wait)));
        (n == 1 ? before : after) += 1;
        QString why;
        if (!TestStore::serverRun())
            QVERIFY2(DatabaseFile::check(m_store, &why, true), qPrintable(why));
        QCOMPARE(digest(m_backup), backup);
    }
    qInfo("whole restore %d ms; killed runs: %d left the book as before, %d as after", whole, before, after);

    // What killed runs left, aged, goes at the next opening of the book;
    // a copy still in use stays.
    const QString folder = QDir::currentPath();
    QVERIFY(QDir(folder).mkpath(".waybill-copy-Killed"));
    ScratchCopy live;
    QVERIFY(live.make(m_backup, folder, nullptr));
    const QStringList left =
        QDir(folder).entryList({".waybill-copy-*"}, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString& name : left) {
        struct utimbuf old
        {
            0, 0
        };
        QCOMPARE(::utime(QFile::encodeName(folder + "/" + name).constData(), &old), 0);
    }
    {
        Database db;
        QVERIFY(db.open(m_store, nullptr, false));
    }
    QCOMPARE(QDir(folder).entryList({".waybill-copy-*"}, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QFileInfo(QFileInfo(live.path()).path()).fileName()});
}

QTEST_GUILESS_MAIN(TestRestoreKills)
#include "test_restore_kills.moc"
