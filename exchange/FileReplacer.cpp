#include "exchange/FileReplacer.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

FileReplacer::FileReplacer(const QString& finalPath, Access access)
    : m_final(QFileInfo(finalPath).absoluteFilePath()), m_access(access)
{
}

FileReplacer::~FileReplacer()
{
    if (!m_committed && !m_temp.isEmpty()) {
        QFile::remove(m_temp);
        QFile::remove(m_temp + QStringLiteral("-journal"));
    }
    if (m_lockFd >= 0)
        ::close(m_lockFd);
}

namespace {

// Whether some live process holds the flock of the file at path.
bool isLocked(const QByteArray& path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return locked;
}

} // namespace

int FileReplacer::removeStale(const QString& finalPath, int minAgeSeconds)
{
    const QFileInfo fi(QFileInfo(finalPath).absoluteFilePath());
    const QDir folder(fi.absolutePath());
    // Ours: the temporary files of this class, and those of earlier versions
    // (".<name>.XXXXXX" for this very name, ".waybill-XXXXXX.pdf"), each
    // possibly with the journal SQLite kept beside it.
    static const QRegularExpression tagged(QStringLiteral("^\\..+\\.waybill-[A-Za-z0-9]{6}(-journal)?$"));
    static const QRegularExpression pdf(QStringLiteral("^\\.waybill-[A-Za-z0-9]{6}\\.pdf$"));
    const QRegularExpression legacy(
        QStringLiteral("^\\.%1\\.[A-Za-z0-9]{6}(-journal)?$").arg(QRegularExpression::escape(fi.fileName())));
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    int removed = 0;
    const QStringList names = folder.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        if (!name.startsWith(QLatin1Char('.')) ||
            !(tagged.match(name).hasMatch() || pdf.match(name).hasMatch() || legacy.match(name).hasMatch()))
            continue;
        const QByteArray native = QFile::encodeName(folder.filePath(name));
        struct stat st
        {
        };
        if (::lstat(native.constData(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::getuid() ||
            now - qint64(st.st_mtime) < minAgeSeconds)
            continue;
        // A journal goes with its file: never while that one is in use.
        QByteArray owner = native;
        if (name.endsWith(QLatin1String("-journal")))
            owner.chop(int(qstrlen("-journal")));
        if (isLocked(owner) || isLocked(native))
            continue;
        if (::unlink(native.constData()) == 0)
            ++removed;
    }
    return removed;
}

bool FileReplacer::prepare(QString* error)
{
    const QFileInfo fi(m_final);
    if (fi.isDir()) {
        if (error)
            *error = QStringLiteral("%1 是一个文件夹。").arg(QDir::toNativeSeparators(m_final));
        return false;
    }
    removeStale(m_final);
    // Hidden name in the same folder, so the final rename never crosses file systems.
    QTemporaryFile tmp(fi.absolutePath() + QStringLiteral("/.") + fi.fileName() +
                       QStringLiteral(".waybill-XXXXXX"));
    tmp.setAutoRemove(false);
    if (!tmp.open()) {
        if (error)
            *error = QStringLiteral("无法在文件夹 %1 中写入文件：%2")
                         .arg(QDir::toNativeSeparators(fi.absolutePath()), tmp.errorString());
        return false;
    }
    m_temp = tmp.fileName();
    tmp.close();
    // Held until the replacer ends: tells a live temporary file from a stale one.
    m_lockFd = ::open(QFile::encodeName(m_temp).constData(), O_RDONLY | O_CLOEXEC);
    if (m_lockFd >= 0)
        ::flock(m_lockFd, LOCK_EX | LOCK_NB);
    return true;
}

bool FileReplacer::syncPath(const QString& path, QString* error)
{
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) {
        const int e = errno;
        if (fd >= 0)
            ::close(fd);
        if (error)
            *error = QStringLiteral("无法写入磁盘：%1（%2）")
                         .arg(QString::fromLocal8Bit(strerror(e)), QDir::toNativeSeparators(path));
        return false;
    }
    ::close(fd);
    return true;
}

bool FileReplacer::commit(QString* error)
{
    if (m_temp.isEmpty()) {
        if (error)
            *error = QStringLiteral("临时文件不存在。");
        return false;
    }
    const QByteArray finalName = QFile::encodeName(m_final);
    struct stat old
    {
    };
    mode_t mode = 0600;
    if (::stat(finalName.constData(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else if (m_access == Access::Shared) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::chmod(QFile::encodeName(m_temp).constData(), mode);
    if (!syncPath(m_temp, error))
        return false;
    if (::rename(QFile::encodeName(m_temp).constData(), QFile::encodeName(m_final).constData()) != 0) {
        if (error)
            *error = QStringLiteral("无法写入 %1：%2")
                         .arg(QDir::toNativeSeparators(m_final), QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    m_committed = true;
    // The rename itself must reach the disk too; failing that is no reason to undo it.
    syncPath(QFileInfo(m_final).absolutePath(), nullptr);
    return true;
}
