#include "exchange/BackgroundWriter.h"

#include <QIODevice>

namespace {
constexpr size_t kMaxWaiting = 4;
}

BackgroundWriter::BackgroundWriter(QIODevice* device) : m_device(device), m_thread([this] { run(); }) {}

BackgroundWriter::~BackgroundWriter()
{
    finish();
}

bool BackgroundWriter::write(QByteArray chunk)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_failed || m_queue.size() < kMaxWaiting; });
    if (m_failed || m_done)
        return false;
    m_queue.push_back(std::move(chunk));
    m_changed.notify_all();
    return true;
}

bool BackgroundWriter::finish()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_done = true;
        m_changed.notify_all();
    }
    if (m_thread.joinable())
        m_thread.join();
    std::lock_guard<std::mutex> lock(m_mutex);
    return !m_failed;
}

void BackgroundWriter::run()
{
    for (;;) {
        QByteArray chunk;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait(lock, [this] { return m_done || !m_queue.empty(); });
            if (m_queue.empty())
                return; // done, and nothing left
            chunk = std::move(m_queue.front());
            m_queue.pop_front();
            m_changed.notify_all();
        }
        const bool ok = m_device->write(chunk) == chunk.size();
        if (!ok) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_failed = true;
            m_queue.clear();
            m_changed.notify_all();
            return;
        }
    }
}
