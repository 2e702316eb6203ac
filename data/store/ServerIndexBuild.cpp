#include "data/store/ServerIndexBuild.h"

#include "data/store/Database.h"
#include "data/store/ServerStore.h"

#include <QtDebug>

#include <libpq-fe.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace ServerIndexBuild {

namespace {

// Never destroyed: a build's thread may outlive main().
struct Builds
{
    std::mutex mutex;
    std::condition_variable idle;
    QByteArray conninfo;
    QStringList queued;
    bool running = false;
};

Builds& builds()
{
    static Builds* b = new Builds;
    return *b;
}

bool run(PGconn* conn, const QByteArray& sql, QString* error)
{
    PGresult* res = PQexec(conn, sql.constData());
    const bool ok = PQresultStatus(res) == PGRES_COMMAND_OK || PQresultStatus(res) == PGRES_TUPLES_OK;
    if (!ok)
        *error = ServerStore::describe(res, conn);
    PQclear(res);
    return ok;
}

void buildAll(QByteArray conninfo, QStringList statements)
{
    Builds& b = builds();
    while (true) {
        PGconn* conn = PQconnectdb(conninfo.constData());
        QString error;
        bool ok = PQstatus(conn) == CONNECTION_OK;
        if (!ok)
            error = ServerStore::describe(nullptr, conn);
        // The same lock the indexes' making at an opening takes; more
        // working memory lets the server sort the entries in one go.
        ok = ok && run(conn, "BEGIN", &error) &&
             run(conn, "SET LOCAL maintenance_work_mem = '256MB'", &error) &&
             run(conn, "SELECT pg_advisory_xact_lock(727972)", &error);
        for (const QString& s : std::as_const(statements))
            ok = ok && run(conn, s.toUtf8(), &error);
        ok = ok && run(conn, "COMMIT", &error);
        if (!ok)
            qWarning().noquote()
                << QStringLiteral("数据库服务器上的查询索引没有建成，查询将逐行查找：%1").arg(error);
        PQfinish(conn);
        std::lock_guard<std::mutex> lock(b.mutex);
        if (b.queued.isEmpty()) {
            b.running = false;
            b.idle.notify_all();
            return;
        }
        statements = std::exchange(b.queued, {});
        conninfo = b.conninfo;
    }
}

} // namespace

void start(const Database& db, const QStringList& statements)
{
    PGconn* conn = db.isServer() ? ServerStore::handle(db.db()) : nullptr;
    if (!conn || statements.isEmpty())
        return;
    const QByteArray conninfo = ServerStore::conninfoOf(conn, {"application_name", "options"}) +
                                "application_name='waybill-index' options='-c statement_timeout=900s'";
    Builds& b = builds();
    std::lock_guard<std::mutex> lock(b.mutex);
    if (b.running) {
        for (const QString& s : statements)
            if (!b.queued.contains(s))
                b.queued << s;
        b.conninfo = conninfo;
        return;
    }
    b.running = true;
    std::thread(buildAll, conninfo, statements).detach();
}

bool running()
{
    Builds& b = builds();
    std::lock_guard<std::mutex> lock(b.mutex);
    return b.running;
}

bool wait(int seconds)
{
    Builds& b = builds();
    std::unique_lock<std::mutex> lock(b.mutex);
    return b.idle.wait_for(lock, std::chrono::seconds(seconds), [&] { return !b.running; });
}

} // namespace ServerIndexBuild
