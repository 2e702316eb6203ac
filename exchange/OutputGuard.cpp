#include "exchange/OutputGuard.h"

#include "data/store/ServerAddress.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace {

struct FileId
{
    bool valid = false;
    quint64 device = 0;
    quint64 inode = 0;
    bool operator==(const FileId& o) const
    {
        return valid && o.valid && device == o.device && inode == o.inode;
    }
};

FileId fileId(const QString& path)
{
    struct stat st
    {
    };
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return {true, quint64(st.st_dev), quint64(st.st_ino)};
}

// Where SQLite keeps a book's companions: beside the name it was given,
// or, for a link, beside the file the link points to.
QStringList companionBases(const QString& book)
{
    const QFileInfo info(QDir::current().absoluteFilePath(book));
    QStringList bases{info.absoluteFilePath()};
    const QString real = info.canonicalFilePath();
    if (!real.isEmpty() && real != bases.first())
        bases << real;
    return bases;
}

} // namespace

OutputGuard::OutputGuard(const QStringList& books)
{
    for (const QString& b : books)
        if (!b.isEmpty() && !ServerAddress::isServer(b))
            m_books << b;
}

bool OutputGuard::check(const QString& target, const QString& book, QString* error)
{
    return OutputGuard({book}).allows(target, error);
}

// A folder, a device, a pipe or a socket (or a link to one) is no file to
// write a PDF, workbook or backup into: renaming over it would fail or
// replace a device node with a file, and writing into it would block or
// vanish.
bool OutputGuard::isWritableKind(const QString& target, QString* error)
{
    const QString path = QDir::current().absoluteFilePath(target);
    struct stat st
    {
    };
    if (target.trimmed().isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0 ||
        S_ISREG(st.st_mode))
        return true; // nothing there yet (or no name): the writer says what is wrong
    if (error)
        *error = S_ISDIR(st.st_mode) ? QStringLiteral("不能写入 %1：它是一个文件夹，不是文件。")
                                           .arg(QDir::toNativeSeparators(path))
                                     : QStringLiteral("不能写入 %1：它是设备、管道或套接字，不是普通文件。")
                                           .arg(QDir::toNativeSeparators(path));
    return false;
}

bool OutputGuard::allows(const QString& target, QString* error) const
{
    if (!isWritableKind(target, error))
        return false;
    const QFileInfo out(QDir::current().absoluteFilePath(target));
    const FileId outId = fileId(out.absoluteFilePath());
    const FileId outFolder = fileId(out.absolutePath());
    const QString native = QDir::toNativeSeparators(out.absoluteFilePath());
    static const QStringList suffixes{QString(), QStringLiteral("-journal"), QStringLiteral("-wal"),
                                      QStringLiteral("-shm")};
    for (const QString& book : m_books) {
        for (const QString& base : companionBases(book)) {
            for (const QString& suffix : suffixes) {
                // A companion not there yet is caught by its folder and name.
                const QFileInfo c(base + suffix);
                const bool same = outId == fileId(c.absoluteFilePath()) ||
                                  (out.fileName() == c.fileName() && outFolder == fileId(c.absolutePath()));
                if (!same)
                    continue;
                if (error)
                    *error = suffix.isEmpty()
                                 ? QStringLiteral("不能写入 %1：它就是正在使用的数据库文件。").arg(native)
                                 : QStringLiteral(
                                       "不能写入 %1：它是正在使用的数据库的日志文件，写入会损坏数据库。")
                                       .arg(native);
                return false;
            }
        }
    }
    return true;
}
