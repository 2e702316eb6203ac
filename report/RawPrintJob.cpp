#include "report/RawPrintJob.h"

#include <QFile>

#include <cups/cups.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

RawPrintJob::RawPrintJob(QObject* parent) : QIODevice(parent) {}

RawPrintJob::~RawPrintJob()
{
    if (isOpen())
        cancel();
}

bool RawPrintJob::openQueue(const QString& queue, const QString& title, QString* error)
{
    m_queue = queue;
    const QByteArray name = queue.toLocal8Bit();
    m_job = cupsCreateJob(CUPS_HTTP_DEFAULT, name.constData(), title.toUtf8().constData(), 0, nullptr);
    if (m_job <= 0) {
        if (error)
            *error = QStringLiteral("无法在打印机“%1”上开始打印：%2")
                         .arg(queue, QString::fromUtf8(cupsLastErrorString()));
        return false;
    }
    if (cupsStartDocument(CUPS_HTTP_DEFAULT, name.constData(), m_job, title.toUtf8().constData(),
                          CUPS_FORMAT_RAW, 1) != HTTP_STATUS_CONTINUE) {
        if (error)
            *error = QStringLiteral("无法把数据送往打印机“%1”：%2")
                         .arg(queue, QString::fromUtf8(cupsLastErrorString()));
        cupsCancelJob2(CUPS_HTTP_DEFAULT, name.constData(), m_job, 0);
        m_job = 0;
        return false;
    }
    return QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

bool RawPrintJob::openDevice(const QString& path, QString* error)
{
    struct stat st = {};
    const QByteArray local = QFile::encodeName(path);
    if (::stat(local.constData(), &st) != 0 || !S_ISCHR(st.st_mode)) {
        if (error)
            *error = QStringLiteral("“%1”不是打印机设备（例如 /dev/usb/lp0）。").arg(path);
        return false;
    }
    m_fd = ::open(local.constData(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (m_fd < 0) {
        if (error)
            *error = QStringLiteral("无法打开打印机设备“%1”：%2")
                         .arg(path, QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    return QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

qint64 RawPrintJob::writeData(const char* data, qint64 size)
{
    if (m_fd >= 0) {
        qint64 done = 0;
        while (done < size) {
            const ssize_t n = ::write(m_fd, data + done, size_t(size - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                setErrorString(QString::fromLocal8Bit(strerror(errno)));
                return -1;
            }
            done += n;
        }
        return size;
    }
    if (m_job <= 0)
        return -1;
    if (cupsWriteRequestData(CUPS_HTTP_DEFAULT, data, size_t(size)) != HTTP_STATUS_CONTINUE) {
        setErrorString(QString::fromUtf8(cupsLastErrorString()));
        return -1;
    }
    return size;
}

bool RawPrintJob::finish(QString* error)
{
    bool ok = true;
    if (m_fd >= 0) {
        ok = ::close(m_fd) == 0;
        if (!ok && error)
            *error = QString::fromLocal8Bit(strerror(errno));
        m_fd = -1;
    } else if (m_job > 0) {
        ok = cupsFinishDocument(CUPS_HTTP_DEFAULT, m_queue.toLocal8Bit().constData()) == IPP_STATUS_OK;
        if (!ok && error)
            *error = QStringLiteral("打印机“%1”没有接受打印任务：%2")
                         .arg(m_queue, QString::fromUtf8(cupsLastErrorString()));
    }
    QIODevice::close();
    return ok;
}

void RawPrintJob::cancel()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    } else if (m_job > 0) {
        // The unfinished document is dropped with the job.
        const QByteArray name = m_queue.toLocal8Bit();
        cupsFinishDocument(CUPS_HTTP_DEFAULT, name.constData());
        cupsCancelJob2(CUPS_HTTP_DEFAULT, name.constData(), m_job, 0);
        m_job = 0;
    }
    QIODevice::close();
}
