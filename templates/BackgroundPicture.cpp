#include "templates/BackgroundPicture.h"

#include "templates/LayoutAdjustments.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Opens without waiting (a pipe would wait for a writer for ever), then
// asks the open file what it is, so nothing can swap it in between.
bool openRegular(const QString& path, QFile* file, QString* error)
{
    const QString shown = QDir::toNativeSeparators(path);
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *error = errno == ENOENT   ? QStringLiteral("找不到图片文件 %1。").arg(shown)
                 : errno == EACCES ? QStringLiteral("没有读取图片文件 %1 的权限。").arg(shown)
                                   : QStringLiteral("无法打开图片文件 %1。").arg(shown);
        return false;
    }
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const bool folder = S_ISDIR(st.st_mode);
        ::close(fd);
        *error = folder ? QStringLiteral("%1 是一个文件夹，不是文件。").arg(shown)
                        : QStringLiteral("%1 是设备、管道或套接字，不是文件。").arg(shown);
        return false;
    }
    if (st.st_size > LayoutAdjustments::kMaxPictureBytes) {
        ::close(fd);
        *error = QStringLiteral("图片文件 %1 太大（最多 %2 MB）。")
                     .arg(shown)
                     .arg(LayoutAdjustments::kMaxPictureBytes >> 20);
        return false;
    }
    if (!file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        *error = QStringLiteral("无法读取图片文件 %1。").arg(shown);
        return false;
    }
    return true;
}

} // namespace

bool BackgroundPicture::read(const QString& path, QByteArray* bytes, QString* error)
{
    QFile file;
    if (!openRegular(path, &file, error))
        return false;
    // One byte more than allowed tells a file that grew since it was opened.
    const QByteArray data = file.read(LayoutAdjustments::kMaxPictureBytes + 1);
    if (data.size() > LayoutAdjustments::kMaxPictureBytes || file.error() != QFileDevice::NoError) {
        *error = QStringLiteral("无法完整读取图片文件 %1。").arg(QDir::toNativeSeparators(path));
        return false;
    }
    if (!check(data, QDir::toNativeSeparators(path), error))
        return false;
    *bytes = data;
    return true;
}

bool BackgroundPicture::check(const QByteArray& bytes, const QString& name, QString* error)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAllocationLimit(kAllocationLimitMiB);
    const QByteArray format = reader.format().toLower();
    if (!QList<QByteArray>{"jpeg", "jpg", "png", "bmp", "tiff", "tif"}.contains(format)) {
        *error = QStringLiteral("%1 不是可读的 JPEG、PNG、BMP 或 TIFF 图片。").arg(name);
        return false;
    }
    const QSize size = reader.size();
    if (size.width() > kMaxSide || size.height() > kMaxSide) {
        *error = QStringLiteral("图片 %1 有 %2 × %3 像素，超过了 %4 × %4 的上限，请缩小后再用。")
                     .arg(name)
                     .arg(size.width())
                     .arg(size.height())
                     .arg(kMaxSide);
        return false;
    }
    // Worst case four bytes a pixel; asked before decoding, so the decoder
    // never starts on what it would refuse halfway.
    if (qint64(size.width()) * size.height() * 4 > qint64(kAllocationLimitMiB) << 20) {
        *error = QStringLiteral("图片 %1 有 %2 × %3 像素，显示它需要的内存超过 %4 MB，请缩小后再用。")
                     .arg(name)
                     .arg(size.width())
                     .arg(size.height())
                     .arg(kAllocationLimitMiB);
        return false;
    }
    if (!size.isValid() || reader.read().isNull()) {
        *error = QStringLiteral("图片 %1 无法解码：文件不完整或已损坏。").arg(name);
        return false;
    }
    return true;
}
