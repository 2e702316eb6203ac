#include "data/store/RangeScan.h"

#include "data/store/Database.h"
#include "data/store/DatabaseFile.h"
#include "data/store/ServerStore.h"
#include "data/store/ServerWatch.h"
#include "data/store/SqliteDialect.h"
#include "data/store/SqliteStatement.h"

#include <QDateTime>
#include <QFile>

#include <libpq-fe.h>
#include <poll.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

struct RangeScan::State
{
    bool server = false;
    QByteArray path; // the file, or the server's connection parameters
    Range range;
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::condition_variable ended;
    bool finished = false;
    sqlite3* file = nullptr; // while a file is read: what an interrupt stops
    std::function<void()> done;
    Result result;
};

namespace {

using State = RangeScan::State;

QString unanswered()
{
    return QStringLiteral("数据库服务器没有回答。");
}

// A read-only connection to the file, kept between scans: a new one maps
// the file afresh, and its first touch of every page costs as much as the
// scan's reading. One is kept, for the file last scanned.
struct Spare
{
    QByteArray path;
    dev_t device = 0;
    ino_t inode = 0;
    sqlite3* handle = nullptr;
    ~Spare() { sqlite3_close(handle); }
};

std::mutex& spareMutex()
{
    static std::mutex m;
    return m;
}

Spare& spare()
{
    static Spare kept;
    return kept;
}

bool identify(const QByteArray& path, dev_t* device, ino_t* inode)
{
    struct stat st
    {
    };
    if (::stat(path.constData(), &st) != 0)
        return false;
    *device = st.st_dev;
    *inode = st.st_ino;
    return true;
}

// The one kept when it is still of the file at path (not one another
// program put there since), else a new one with the settings of the
// program's own connections, pages read through the file's mapping.
sqlite3* lend(const QByteArray& path, dev_t* device, ino_t* inode)
{
    if (!identify(path, device, inode))
        return nullptr;
    {
        std::lock_guard<std::mutex> lock(spareMutex());
        Spare& k = spare();
        if (k.handle && k.path == path && k.device == *device && k.inode == *inode)
            return std::exchange(k.handle, nullptr);
    }
    sqlite3* h = nullptr;
    if (sqlite3_open_v2(path.constData(), &h, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK ||
        !DatabaseFile::harden(h) || !SqliteStatement::addKeyCollector(h) ||
        sqlite3_exec(
            h, QByteArray("PRAGMA mmap_size=" + QByteArray::number(SqliteDialect::kMapBytes)).constData(),
            nullptr, nullptr, nullptr) != SQLITE_OK) {
        sqlite3_close(h);
        return nullptr;
    }
    sqlite3_busy_timeout(h, 5000);
    return h;
}

// Kept under the identity the file had when it was lent: one replaced
// meanwhile does not match at the next lending.
void giveBack(const QByteArray& path, dev_t device, ino_t inode, sqlite3* h)
{
    std::lock_guard<std::mutex> lock(spareMutex());
    Spare& k = spare();
    sqlite3_close(std::exchange(k.handle, h));
    k.path = path;
    k.device = device;
    k.inode = inode;
}

void readFile(State& s)
{
    RangeScan::Result& r = s.result;
    dev_t device = 0;
    ino_t inode = 0;
    sqlite3* h = lend(s.path, &device, &inode);
    if (!h) {
        r.unread = true;
        return;
    }
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.file = h;
    }
    if (!s.stop) {
        SqliteStatement st(h, QStringLiteral("SELECT COUNT(*), waybill_keys(?, %2) FILTER (WHERE %3) FROM %1")
                                  .arg(s.range.from, s.range.key, s.range.where));
        if (!st || !st.bind(s.range.binds, false, 2)) {
            r.error = st.error();
        } else {
            r.ok = st.readCountAndKeys(&r.rows, &r.keys, &r.error);
            r.matches = r.keys.size();
        }
    }
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.file = nullptr;
    }
    giveBack(s.path, device, inode, h);
    if (!std::is_sorted(r.keys.cbegin(), r.keys.cend()))
        std::sort(r.keys.begin(), r.keys.end());
}

// Waits for the server's answer to what was sent, looking every 50 ms
// whether the scan is still wanted; a server that stopped answering is
// given up after its own statement timeout and the watch's grace.
bool awaitAnswer(State& s, PGconn* conn, PGresult** out)
{
    const qint64 deadline = QDateTime::currentMSecsSinceEpoch() +
                            qint64(ServerStore::kStatementSeconds + ServerWatch::kAnswerSeconds) * 1000;
    while (true) {
        if (s.stop) {
            // Ended on the server too, so that it does not go on reading beside the next search.
            if (PGcancel* c = PQgetCancel(conn)) {
                char why[256];
                PQcancel(c, why, sizeof why);
                PQfreeCancel(c);
            }
            return false;
        }
        if (PQflush(conn) < 0 || !PQconsumeInput(conn))
            break;
        if (!PQisBusy(conn)) {
            *out = PQgetResult(conn);
            // The end of the results, after the one that was asked for.
            while (PGresult* more = PQgetResult(conn))
                PQclear(more);
            return *out != nullptr;
        }
        if (QDateTime::currentMSecsSinceEpoch() > deadline) {
            s.result.error = unanswered();
            return false;
        }
        pollfd p{PQsocket(conn), POLLIN, 0};
        if (poll(&p, 1, 50) < 0 && errno != EINTR)
            break;
    }
    s.result.error = ServerStore::describe(nullptr, conn);
    return false;
}

// The server's count of the range's rows and of those that match, in one
// statement on a connection of the scan's own.
// A server connection kept between scans, as the file's is: a new one
// costs the server a process and its first reading of the catalog.
struct SpareServer
{
    QByteArray conninfo;
    PGconn* conn = nullptr;
    ~SpareServer() { PQfinish(conn); }
};

SpareServer& spareServer()
{
    static SpareServer kept;
    return kept;
}

PGconn* lendServer(const QByteArray& conninfo, bool* kept)
{
    {
        std::lock_guard<std::mutex> lock(spareMutex());
        SpareServer& k = spareServer();
        if (k.conn && k.conninfo == conninfo) {
            *kept = true;
            return std::exchange(k.conn, nullptr);
        }
    }
    *kept = false;
    PGconn* conn = PQconnectdb(conninfo.constData());
    if (PQstatus(conn) != CONNECTION_OK) {
        PQfinish(conn);
        return nullptr;
    }
    return conn;
}

void giveBackServer(const QByteArray& conninfo, PGconn* conn)
{
    std::lock_guard<std::mutex> lock(spareMutex());
    SpareServer& k = spareServer();
    PQfinish(std::exchange(k.conn, conn));
    k.conninfo = conninfo;
}

void readServer(State& s)
{
    RangeScan::Result& r = s.result;
    bool kept = false;
    PGconn* conn = lendServer(s.path, &kept);
    if (!conn) {
        r.unread = true;
        return;
    }
    QVector<QByteArray> texts;
    QVector<const char*> values;
    for (const QVariant& v : s.range.binds)
        texts << (v.isNull() ? QByteArray() : v.toString().toUtf8());
    for (int i = 0; i < texts.size(); ++i)
        values << (s.range.binds.at(i).isNull() ? nullptr : texts.at(i).constData());
    const QByteArray sql =
        ServerStore::numbered(QStringLiteral("SELECT COUNT(*), COUNT(*) FILTER (WHERE %2) FROM %1")
                                  .arg(s.range.from, s.range.where));
    PGresult* res = nullptr;
    if (!PQsendQueryParams(conn, sql.constData(), int(values.size()), nullptr, values.constData(), nullptr,
                           nullptr, 0)) {
        r.error = ServerStore::describe(nullptr, conn);
    } else if (awaitAnswer(s, conn, &res)) {
        if (PQresultStatus(res) != PGRES_TUPLES_OK) {
            r.error = ServerStore::describe(res, conn);
        } else if (PQntuples(res) == 1 && PQnfields(res) == 2) {
            r.rows = QByteArray(PQgetvalue(res, 0, 0)).toLongLong();
            r.matches = QByteArray(PQgetvalue(res, 0, 1)).toLongLong();
            r.ok = true;
        } else {
            r.error = QStringLiteral("数据库操作失败。详情：服务器返回的结果无法识别。");
        }
    }
    PQclear(res);
    if (r.ok && PQtransactionStatus(conn) == PQTRANS_IDLE) {
        giveBackServer(s.path, conn);
        return;
    }
    // A kept connection the server has closed since (it restarted): the
    // range is read on the window's connection instead.
    if (kept && PQstatus(conn) == CONNECTION_BAD && !s.stop) {
        r = RangeScan::Result();
        r.unread = true;
    }
    PQfinish(conn);
}

// The main connection's parameters (password and password file included),
// under the scan's own application name and with the program's statement
// timeout.
QByteArray serverConninfo(PGconn* conn)
{
    return ServerStore::conninfoOf(conn, {"application_name", "options"}) +
           "application_name='waybill-scan' options='-c statement_timeout=" +
           QByteArray::number(ServerStore::kStatementSeconds) + "s'";
}

} // namespace

bool RangeScan::possible(const Database& db)
{
    if (!db.isOpen())
        return false;
    if (db.isServer()) {
        PGconn* conn = ServerStore::handle(db.db());
        return conn && PQtransactionStatus(conn) == PQTRANS_IDLE;
    }
    // A file another program put in its place since is not the one this connection reads.
    return db.handle() && sqlite3_get_autocommit(db.handle()) && !db.fileReplaced();
}

RangeScan::RangeScan(const Database& db, Range range, std::function<void()> done)
    : m_state(std::make_shared<State>())
{
    State& s = *m_state;
    s.server = db.isServer();
    s.path = s.server ? serverConninfo(ServerStore::handle(db.db())) : QFile::encodeName(db.path());
    s.range = std::move(range);
    s.done = std::move(done);
    // Its own thread holds the state as long as it runs: a server that no
    // longer answers may keep it past the scan.
    std::thread([state = m_state] {
        if (state->server)
            readServer(*state);
        else
            readFile(*state);
        std::lock_guard<std::mutex> lock(state->mutex);
        state->finished = true;
        state->ended.notify_all();
        if (state->done && !state->stop)
            state->done();
    }).detach();
}

RangeScan::~RangeScan()
{
    State& s = *m_state;
    std::unique_lock<std::mutex> lock(s.mutex);
    s.stop = true;
    s.done = nullptr;
    if (s.server)
        return; // the thread ends the statement itself, without keeping the window waiting
    if (s.file)
        sqlite3_interrupt(s.file);
    // A file stops at once: its thread is gone before the next scan reads.
    s.ended.wait(lock, [&] { return s.finished; });
}

bool RangeScan::finished() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->finished;
}

RangeScan::Result RangeScan::take()
{
    State& s = *m_state;
    std::unique_lock<std::mutex> lock(s.mutex);
    s.ended.wait(lock, [&] { return s.finished; });
    return std::move(s.result);
}
