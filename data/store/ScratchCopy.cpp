#include "data/store/ScratchCopy.h"

#include "data/store/DataLocation.h"
#include "data/store/RegularFile.h"
#include "data/store/ServerAddress.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStorageInfo>
#include <QTemporaryDir>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kCopyName = QStringLiteral("copy.db");

bool say(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

// Whether some live process holds the flock of the folder at path.
bool isLocked(const QByteArray& path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return locked;
}

// Copies the regular file from into the new file to (owner only).
bool copyFile(const QString& from, const QString& to, QString* error)
{
    QFile in;
    if (!RegularFile::open(in, from, error))
        return false;
    QFile out(to);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                  QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return say(
            error,
            QStringLiteral("无法创建临时文件 %1：%2").arg(QDir::toNativeSeparators(to), out.errorString()));
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 n = in.read(buffer.data(), buffer.size());
        if (n < 0)
            return say(
                error,
                QStringLiteral("无法读取 %1：%2").arg(QDir::toNativeSeparators(from), in.errorString()));
        if (n == 0)
            break;
        if (out.write(buffer.constData(), n) != n)
            return say(error, QStringLiteral("无法写入临时文件 %1：%2")
                                  .arg(QDir::toNativeSeparators(to), out.errorString()));
    }
    return true;
}

} // namespace

ScratchCopy::~ScratchCopy()
{
    remove();
}

void ScratchCopy::remove()
{
    if (!m_folder.isEmpty())
        QDir(m_folder).removeRecursively();
    if (m_lockFd >= 0)
        ::close(m_lockFd);
    m_folder.clear();
    m_path.clear();
    m_lockFd = -1;
}

QString ScratchCopy::folderFor(const QString& location)
{
    const QString book = ServerAddress::isServer(location)
                             ? DataLocation::addressBook(QCoreApplication::applicationFilePath())
                             : location;
    return QFileInfo(QFileInfo(book).absoluteFilePath()).absolutePath();
}

bool ScratchCopy::make(const QString& source, const QString& folder, QString* error)
{
    remove();
    if (!RegularFile::check(source, error))
        return false;
    const QStringList companions{QStringLiteral("-journal"), QStringLiteral("-wal")};
    qint64 needed = QFileInfo(source).size();
    for (const QString& c : companions) {
        const QFileInfo companion(source + c);
        if (!companion.exists())
            continue;
        if (!RegularFile::check(companion.filePath(), error))
            return false;
        needed += companion.size();
    }
    if (!QDir().mkpath(folder))
        return say(error, QStringLiteral("无法创建文件夹 %1").arg(QDir::toNativeSeparators(folder)));
    sweep(folder);
    // A file whose size claims more than the disk holds is not copied at all.
    const qint64 available = QStorageInfo(folder).bytesAvailable();
    if (available >= 0 && needed > available)
        return say(error, QStringLiteral("文件夹 %1 所在的磁盘空间不足，无法复制 %2（需要 %3 MB）。")
                              .arg(QDir::toNativeSeparators(folder), QDir::toNativeSeparators(source))
                              .arg((needed >> 20) + 1));
    QTemporaryDir dir(QDir(folder).filePath(QStringLiteral(".waybill-copy-XXXXXX")));
    if (!dir.isValid())
        return say(error, QStringLiteral("无法在文件夹 %1 中创建临时文件夹：%2")
                              .arg(QDir::toNativeSeparators(folder), dir.errorString()));
    dir.setAutoRemove(false);
    m_folder = dir.path();
    m_path = dir.filePath(kCopyName);
    // Held until the copy ends: tells a live folder from one a killed run left.
    m_lockFd = ::open(QFile::encodeName(m_folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_lockFd >= 0)
        ::flock(m_lockFd, LOCK_EX | LOCK_NB);
    bool ok = copyFile(source, m_path, error);
    for (const QString& c : companions)
        ok = ok && (!QFileInfo::exists(source + c) || copyFile(source + c, m_path + c, error));
    if (!ok)
        remove();
    return ok;
}

int ScratchCopy::sweep(const QString& folder, int minAgeSeconds)
{
    static const QRegularExpression ours(QStringLiteral("^\\.waybill-copy-[A-Za-z0-9]{6}$"));
    const QDir dir(folder);
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    int removed = 0;
    const QStringList names = dir.entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        if (!ours.match(name).hasMatch())
            continue;
        const QByteArray native = QFile::encodeName(dir.filePath(name));
        struct stat st
        {
        };
        if (::lstat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid() ||
            now - qint64(st.st_mtime) < minAgeSeconds || isLocked(native))
            continue;
        if (QDir(dir.filePath(name)).removeRecursively())
            ++removed;
    }
    return removed;
}
