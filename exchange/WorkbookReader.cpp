#include "exchange/WorkbookReader.h"

#include "exchange/XlsReader.h"
#include "exchange/XlsxReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

WorkbookReader::Format WorkbookReader::detect(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return Format::Unknown;
    const QByteArray head = f.read(8);
    if (head == QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8))
        return Format::Xls;
    if (head.startsWith(QByteArray("PK\x03\x04", 4)))
        return Format::Xlsx;
    return Format::Unknown;
}

bool WorkbookReader::read(const QString& path, QString* error, const ProgressFn& progress, bool* cancelled)
{
    m_rows.clear();
    m_sheetName.clear();
    if (cancelled)
        *cancelled = false;
    const QFileInfo fi(path);
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (!fi.exists())
        return fail(QStringLiteral("文件不存在：%1").arg(QDir::toNativeSeparators(path)));
    if (!fi.isFile())
        return fail(QStringLiteral("%1 不是文件。").arg(QDir::toNativeSeparators(path)));
    if (!fi.isReadable())
        return fail(QStringLiteral("无法读取文件：%1").arg(QDir::toNativeSeparators(path)));

    bool ok = false;
    switch (detect(path)) {
    case Format::Xls:
        ok = XlsReader::read(path, this, error, progress, cancelled);
        break;
    case Format::Xlsx:
        ok = XlsxReader::read(path, this, error, progress, cancelled);
        break;
    case Format::Unknown:
        return fail(QStringLiteral("文件不是Excel工作簿（.xls 或 .xlsx）。"));
    }
    if (!ok)
        m_rows.clear();
    return ok;
}
