#pragma once

// The address book a data test works on: a file in the test's temporary
// folder, or, in the server run of the test (WAYBILL_TEST_SERVER names the
// socket folder of the private test cluster), a fresh database on that
// server. The same test then checks both stores.

#include <QAtomicInt>
#include <QCoreApplication>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QTest>

namespace TestStore {

inline QString serverSocket()
{
    return qEnvironmentVariable("WAYBILL_TEST_SERVER");
}

inline bool serverRun()
{
    return !serverSocket().isEmpty();
}

// Why the server run cannot go on, or empty.
inline QString unavailable()
{
    if (!serverRun())
        return {};
    if (!QFileInfo::exists(serverSocket() + QStringLiteral("/.s.PGSQL.5432")))
        return QStringLiteral("PostgreSQL test cluster not running (server binaries absent?)");
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        return QStringLiteral("Qt's PostgreSQL driver (libqt6sql6-psql) absent");
    return {};
}

// A new, empty database on the test server, as a URI. The cluster lives
// for a whole run of the suite, and over a run the process ids come round
// again: the name is drawn at random, so that no test is handed the
// database of an earlier one with the same id.
inline QString freshServerDatabase()
{
    static QAtomicInt counter;
    const auto draw = [] {
        return QStringLiteral("t%1_%2_%3")
            .arg(QCoreApplication::applicationPid())
            .arg(QRandomGenerator::system()->generate64(), 0, 36)
            .arg(counter.fetchAndAddRelaxed(1));
    };
    QString name = draw();
    {
        QSqlDatabase admin = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("test-admin"));
        admin.setHostName(serverSocket());
        admin.setUserName(QStringLiteral("waybill"));
        admin.setDatabaseName(QStringLiteral("postgres"));
        // Several tests make databases at once; the server may ask one to wait.
        bool made = false;
        for (int attempt = 0; !made && attempt < 10; ++attempt) {
            if (attempt)
                QTest::qWait(200);
            if (!admin.isOpen() && !admin.open())
                continue;
            QSqlQuery q(admin);
            made = q.exec(QStringLiteral("CREATE DATABASE %1").arg(name));
            if (!made)
                qWarning("CREATE DATABASE %s: %s", qPrintable(name), qPrintable(q.lastError().text()));
            if (!made && q.lastError().nativeErrorCode() == QLatin1String("42P04"))
                name = draw(); // taken: never someone else's
        }
        admin.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("test-admin"));
    return QStringLiteral("postgresql://waybill@/%1?host=%2").arg(name, serverSocket());
}

// filePath in the file run, a fresh server database in the server run.
inline QString location(const QString& filePath)
{
    return serverRun() ? freshServerDatabase() : filePath;
}

} // namespace TestStore

// In initTestCase: the server run skips, saying why, where the server is missing.
#define WAYBILL_REQUIRE_STORE()                                                                              \
    do {                                                                                                     \
        const QString why = TestStore::unavailable();                                                        \
        if (!why.isEmpty())                                                                                  \
            QSKIP(qPrintable(why));                                                                          \
    } while (false)

// A case that is about the file itself (its bytes, its journal, its mode).
#define WAYBILL_FILE_ONLY()                                                                                  \
    do {                                                                                                     \
        if (TestStore::serverRun())                                                                          \
            QSKIP("about the address book file");                                                            \
    } while (false)
