#include "data/store/ServerWatch.h"

#include "data/store/ServerStore.h"

#include <QDateTime>
#include <QVector>

#include <libpq-fe.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fcntl.h>

namespace {

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

// The watched connection's own parameters (password and password file
// included), under another application name, for the watch's connection.
QByteArray pingConninfo(PGconn* conn)
{
    return ServerStore::conninfoOf(conn, {"application_name", "connect_timeout"}) +
           "application_name='waybill-watch'";
}

} // namespace

ServerWatch::ServerWatch(PGconn* conn)
    : m_socket(fcntl(PQsocket(conn), F_DUPFD_CLOEXEC, 0)), m_backend(PQbackendPID(conn)),
      m_conninfo(pingConninfo(conn))
{
    PQsetNoticeReceiver(conn, &ServerWatch::receiveNotice, this);
    if (pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0)
        m_wake[0] = m_wake[1] = -1;
    m_thread = std::thread([this] { run(); });
}

ServerWatch::~ServerWatch()
{
    {
        std::lock_guard<std::mutex> lock(m_stopMutex);
        m_stop = true;
    }
    m_stopped.notify_all();
    if (m_wake[1] >= 0 && write(m_wake[1], "x", 1) < 0) {
        // the pipe is full: the thread is woken already
    }
    m_thread.join();
    for (int fd : {m_socket, m_wake[0], m_wake[1]})
        if (fd >= 0)
            ::close(fd);
}

void ServerWatch::receiveNotice(void* self, const PGresult* notice)
{
    const char* state = PQresultErrorField(notice, PG_DIAG_SQLSTATE);
    // 57P01 to 57P03: the server is stopping, restarting or crashed.
    if (state && qstrncmp(state, "57P0", 4) == 0) {
        auto* watch = static_cast<ServerWatch*>(self);
        std::lock_guard<std::mutex> lock(watch->m_mutex);
        watch->m_stopState = QString::fromLatin1(state);
    }
}

QString ServerWatch::stopState() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_stopState;
}

QString ServerWatch::explain(const QString& sentence) const
{
    if (fired())
        return QStringLiteral("数据库服务器在 %1 秒内没有回应（服务器程序可能停住了），连接已断开；"
                              "这次操作是否已保存无法确定，请在服务器恢复后核对。")
            .arg(kAnswerSeconds);
    const QString stop = stopState();
    // A connection that broke after the server said it was stopping.
    if (!stop.isEmpty() && sentence == ServerStore::describe(QStringLiteral("08006"), {}))
        return ServerStore::describe(stop, {});
    return sentence;
}

void ServerWatch::fire()
{
    m_fired = true;
    // The statement waiting on this socket sees it end at once.
    ::shutdown(m_socket, SHUT_RDWR);
}

ServerWatch::Answer ServerWatch::waitFor(PGconn* ping, bool forWrite, qint64 deadline)
{
    for (;;) {
        const qint64 left = deadline - nowMs();
        if (left <= 0)
            return Answer::Silent;
        pollfd fds[2] = {{PQsocket(ping), short(forWrite ? POLLOUT : POLLIN), 0}, {m_wake[0], POLLIN, 0}};
        const int n = poll(fds, m_wake[0] >= 0 ? 2 : 1, int(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || (fds[1].revents & POLLIN))
            return Answer::Stopping;
        if (n > 0)
            return Answer::Given;
    }
}

ServerWatch::Answer ServerWatch::connectPing(PGconn** ping)
{
    *ping = PQconnectStart(m_conninfo.constData());
    if (!*ping || PQstatus(*ping) == CONNECTION_BAD)
        return Answer::Failed;
    const qint64 deadline = nowMs() + kAnswerSeconds * 1000;
    PostgresPollingStatusType status = PGRES_POLLING_WRITING;
    while (status != PGRES_POLLING_OK) {
        if (status == PGRES_POLLING_FAILED)
            return Answer::Failed;
        const Answer a = waitFor(*ping, status == PGRES_POLLING_WRITING, deadline);
        if (a != Answer::Given)
            return a;
        status = PQconnectPoll(*ping);
    }
    return PQsetnonblocking(*ping, 1) == 0 ? Answer::Given : Answer::Failed;
}

ServerWatch::Answer ServerWatch::check(PGconn* ping, bool* stuck)
{
    *stuck = false;
    const QByteArray pid = QByteArray::number(m_backend);
    const QByteArray limit = QByteArray::number(ServerStore::kStatementSeconds + 15) + " seconds";
    const char* values[] = {pid.constData(), limit.constData()};
    if (!PQsendQueryParams(ping,
                           "SELECT state = 'active' AND now() - query_start > $2::interval "
                           "FROM pg_catalog.pg_stat_activity WHERE pid = $1::integer",
                           2, nullptr, values, nullptr, nullptr, 0))
        return Answer::Failed;
    const qint64 deadline = nowMs() + kAnswerSeconds * 1000;
    int flushed;
    while ((flushed = PQflush(ping)) == 1) {
        const Answer a = waitFor(ping, true, deadline);
        if (a != Answer::Given)
            return a;
    }
    if (flushed < 0)
        return Answer::Failed;
    for (;;) {
        while (!PQisBusy(ping)) {
            PGresult* r = PQgetResult(ping);
            if (!r)
                return Answer::Given;
            if (PQresultStatus(r) == PGRES_TUPLES_OK && PQntuples(r) == 1)
                *stuck = qstrcmp(PQgetvalue(r, 0, 0), "t") == 0;
            const bool failed = PQresultStatus(r) != PGRES_TUPLES_OK;
            PQclear(r);
            if (failed)
                return Answer::Failed;
        }
        const Answer a = waitFor(ping, false, deadline);
        if (a != Answer::Given)
            return a;
        if (!PQconsumeInput(ping))
            return Answer::Failed;
    }
}

void ServerWatch::run()
{
    PGconn* ping = nullptr;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(m_stopMutex);
            if (m_stopped.wait_for(lock, std::chrono::seconds(kCheckSeconds), [this] { return m_stop; }))
                break;
        }
        Answer a = Answer::Given;
        if (!ping || PQstatus(ping) != CONNECTION_OK) {
            PQfinish(ping);
            a = connectPing(&ping);
        }
        bool stuck = false;
        if (a == Answer::Given)
            a = check(ping, &stuck);
        if (a == Answer::Stopping)
            break;
        if (a == Answer::Silent || stuck) {
            fire();
            break;
        }
        if (a == Answer::Failed) {
            PQfinish(ping);
            ping = nullptr;
        }
    }
    PQfinish(ping);
}
