#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

struct pg_conn;

// Keeps one server connection from waiting for ever. A server whose
// process was stopped still has its computer answer for it, so neither
// TCP keepalives nor the server's statement_timeout help: a thread of the
// watch asks the server over a second connection of its own, every few
// seconds, whether it answers and whether the connection's backend is
// still inside a statement long past the statement timeout. When it does
// not answer within kAnswerSeconds, the watched connection's socket is
// shut, so that the statement waiting on it fails at once instead of
// hanging; fired() then says why.
//
// The watch also takes the connection's notices (the server's warnings,
// which libpq would print in English on stderr): the last one that says
// the server is stopping is kept, so the failure can say so.
class ServerWatch
{
public:
    static constexpr int kCheckSeconds = 3;
    static constexpr int kAnswerSeconds = 10;

    // Watches conn. The watch may go before or after the connection is
    // closed, but the connection must not be used once the watch is gone
    // (its notices come to the watch).
    explicit ServerWatch(pg_conn* conn);
    ~ServerWatch();
    ServerWatch(const ServerWatch&) = delete;
    ServerWatch& operator=(const ServerWatch&) = delete;

    // Whether the watch gave up on the server and shut the connection.
    bool fired() const { return m_fired.load(); }
    // The server's SQLSTATE of its last "stopping" notice, or empty.
    QString stopState() const;
    // The user's sentence for a failure of the watched connection: the
    // watch's own reason when it fired, else the sentence given.
    QString explain(const QString& sentence) const;

private:
    static void receiveNotice(void* self, const struct pg_result* notice);
    void run();
    enum class Answer
    {
        Given,
        Silent, // nothing within kAnswerSeconds
        Failed, // refused or broken: the watched connection learns that itself
        Stopping
    };
    // Whether the server answers; stuck: the watched backend is still in a
    // statement long after the server should have cancelled it.
    Answer check(pg_conn* ping, bool* stuck);
    Answer connectPing(pg_conn** ping);
    Answer waitFor(pg_conn* ping, bool forWrite, qint64 deadline);
    void fire();

    int m_socket = -1; // a duplicate: shutting it shuts the connection's socket
    int m_backend = 0;
    int m_wake[2] = {-1, -1};
    QByteArray m_conninfo;
    std::atomic<bool> m_fired{false};
    mutable std::mutex m_mutex;
    QString m_stopState;
    std::mutex m_stopMutex;
    std::condition_variable m_stopped;
    bool m_stop = false;
    std::thread m_thread;
};
