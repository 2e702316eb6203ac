#include "exchange/FileReplacer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

FileReplacer::FileReplacer(const QString& finalPath, Access access)
    : m_final(QFileInfo(finalPath).absoluteFilePath()), m_access(access)
{
}

FileReplacer::~FileReplacer()
{
    if (!m_committed && !m_temp.isEmpty())
        QFile::remove(m_temp);
}

bool FileReplacer::prepare(QString* error)
{
    const QFileInfo fi(m_final);
    if (fi.isDir()) {
        if (error)
            *error = QStringLiteral("%1 是一个文件夹。").arg(QDir::toNativeSeparators(m_final));
        return false;
    }
    // Hidden name in the same folder, so the final rename never crosses file systems.
    QTemporaryFile tmp(fi.absolutePath() + QStringLiteral("/.") + fi.fileName() + QStringLiteral(".XXXXXX"));
    tmp.setAutoRemove(false);
    if (!tmp.open()) {
        if (error)
            *error = QStringLiteral("无法在文件夹 %1 中写入文件：%2")
                         .arg(QDir::toNativeSeparators(fi.absolutePath()), tmp.errorString());
        return false;
    }
    m_temp = tmp.fileName();
    tmp.close();
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
