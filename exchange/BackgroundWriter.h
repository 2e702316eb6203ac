#pragma once

#include <QByteArray>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

class QIODevice;

// Writes byte chunks to a device on a thread of its own, in the order they
// came, so that compressing a large sheet runs beside making its rows. At
// most a few chunks wait, so memory stays flat however long the sheet is.
// The device must not be touched by anyone else until finish() returns.
class BackgroundWriter
{
public:
    explicit BackgroundWriter(QIODevice* device);
    ~BackgroundWriter(); // finishes

    // False once a write has failed; later chunks are dropped.
    bool write(QByteArray chunk);
    // Waits until every chunk is written; false if any write failed.
    bool finish();

private:
    void run();

    QIODevice* m_device;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<QByteArray> m_queue;
    bool m_done = false;
    bool m_failed = false;
    std::thread m_thread;
};
