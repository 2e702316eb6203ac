#include "data/store/Database.h"
#include "exchange/OutputGuard.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

class TestOutputGuard : public QObject
{
    Q_OBJECT
private slots:
    void outputOverTheDatabaseIsRefused_data();
    void outputOverTheDatabaseIsRefused();
};

void TestOutputGuard::outputOverTheDatabaseIsRefused_data()
{
    QTest::addColumn<QString>("target"); // relative to the folder of data.mdb
    QTest::addColumn<bool>("refused");
    QTest::newRow("the file itself") << "data.mdb" << true;
    QTest::newRow("another spelling") << "sub/../data.mdb" << true;
    QTest::newRow("hard link") << "hard.pdf" << true;
    QTest::newRow("symbolic link") << "soft.pdf" << true;
    QTest::newRow("journal, not there yet") << "data.mdb-journal" << true;
    QTest::newRow("write-ahead log") << "sub/../data.mdb-wal" << true;
    QTest::newRow("shared memory") << "data.mdb-shm" << true;
    QTest::newRow("journal beside the link's target") << "real/book.db-journal" << true;
    QTest::newRow("another file") << "data.pdf" << false;
    QTest::newRow("journal of another name") << "data.mdb2-journal" << false;
}

void TestOutputGuard::outputOverTheDatabaseIsRefused()
{
    QFETCH(QString, target);
    QFETCH(bool, refused);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("sub") && QDir(dir.path()).mkpath("real"));
    // data.mdb is a link to real/book.db: SQLite keeps its journal beside that.
    QVERIFY(Database::createFile(dir.filePath("real/book.db"), nullptr));
    QVERIFY(QFile::link(dir.filePath("real/book.db"), dir.filePath("data.mdb")));
    QCOMPARE(::link(QFile::encodeName(dir.filePath("real/book.db")).constData(),
                    QFile::encodeName(dir.filePath("hard.pdf")).constData()),
             0);
    QVERIFY(QFile::link(dir.filePath("data.mdb"), dir.filePath("soft.pdf")));
    const QString db = dir.filePath("data.mdb");
    const QString out = dir.filePath(target);
    QString error;
    QCOMPARE(!OutputGuard::check(out, db, &error), refused);
    if (refused)
        QVERIFY2(error.contains("正在使用的数据库"), qPrintable(error));
    // Among several books, a server's address (no file) beside it.
    const QString server = QStringLiteral("postgresql://waybill@/book?host=/tmp");
    QCOMPARE(!OutputGuard({server, dir.filePath("other.mdb"), db}).allows(out, nullptr), refused);
    QVERIFY(OutputGuard({server, QString()}).allows(out, nullptr)); // nothing named, nothing refused
}

QTEST_GUILESS_MAIN(TestOutputGuard)
#include "test_outputguard.moc"
