#include "data/store/RegularFile.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool say(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

// The sentence for what stat found at path, or empty for a regular file.
QString notRegular(const QString& path, const struct stat& st)
{
    const QString native = QDir::toNativeSeparators(path);
    if (S_ISREG(st.st_mode))
        return {};
    if (S_ISDIR(st.st_mode))
        return QStringLiteral("%1 是一个文件夹，不是文件。").arg(native);
    return QStringLiteral("%1 不是文件。").arg(native);
}

QString failedLookup(const QString& path, int err)
{
    const QString native = QDir::toNativeSeparators(path);
    if (err == ENOENT || err == ENOTDIR)
        return QStringLiteral("%1 不存在。").arg(native);
    return QStringLiteral("无法读取 %1：%2").arg(native, QString::fromLocal8Bit(strerror(err)));
}

} // namespace

bool RegularFile::check(const QString& path, QString* error)
{
    if (path.isEmpty())
        return say(error, QStringLiteral("没有给出文件名。"));
    struct stat st
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return say(error, failedLookup(path, errno));
    const QString why = notRegular(path, st);
    return why.isEmpty() || say(error, why);
}

bool RegularFile::open(QFile& file, const QString& path, QString* error)
{
    if (!check(path, error))
        return false;
    // Non-blocking, so that opening a FIFO returns at once; the check on
    // the opened descriptor is the one that counts.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return say(error, failedLookup(path, errno));
    struct stat st
    {
    };
    QString why = ::fstat(fd, &st) == 0 ? notRegular(path, st) : failedLookup(path, errno);
    if (why.isEmpty() && ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
        why = failedLookup(path, errno);
    if (why.isEmpty() && !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        why = QStringLiteral("无法读取 %1：%2").arg(QDir::toNativeSeparators(path), file.errorString());
    if (!why.isEmpty()) {
        if (!file.isOpen())
            ::close(fd);
        return say(error, why);
    }
    return true;
}
