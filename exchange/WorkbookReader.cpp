#include "exchange/WorkbookReader.h"

#include "exchange/BiffReader.h"
#include "exchange/CellText.h"
#include "exchange/XlsReader.h"
#include "exchange/XlsxReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// Row 0 as a header compares: texts trimmed, empty cells at the end left
// out. Compared in place: a header cell may be a very long text.
int headerWidth(const TextTable& t)
{
    int n = t.columnCount(0);
    while (n > 0 && CellText::trimmed(t.at(0, n - 1)).isEmpty())
        --n;
    return n;
}

bool sameHeader(const TextTable& a, const TextTable& b)
{
    const int n = headerWidth(a);
    if (n != headerWidth(b))
        return false;
    for (int c = 0; c < n; ++c)
        if (CellText::trimmed(a.at(0, c)) != CellText::trimmed(b.at(0, c)))
            return false;
    return true;
}

bool sharesText(const TextTable& a, const TextTable& b)
{
    const int n = headerWidth(a), m = headerWidth(b);
    for (int c = 0; c < n; ++c) {
        const QStringView s = CellText::trimmed(a.at(0, c));
        if (s.isEmpty())
            continue;
        for (int d = 0; d < m; ++d)
            if (CellText::trimmed(b.at(0, d)) == s)
                return true;
    }
    return false;
}

} // namespace

WorkbookReader::Format WorkbookReader::detect(const QByteArray& head)
{
    if (head.startsWith(QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)))
        return Format::Xls;
    if (head.startsWith(QByteArray("PK\x03\x04", 4)))
        return Format::Xlsx;
    if (BiffReader::oldFormat(head))
        return Format::Xls; // of Excel 2.x to 4.0, which the reader names as such
    return Format::Unknown;
}

WorkbookReader::Format WorkbookReader::detect(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return Format::Unknown;
    return detect(f.read(8));
}

bool WorkbookReader::read(const QString& path, QString* error, const ProgressFn& progress, bool* cancelled)
{
    m_rows = TextTable();
    m_sheets.clear();
    m_sheetName.clear();
    m_sheetsRead = 0;
    m_budget = Budget();
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
    return finish(ok, error);
}

bool WorkbookReader::readData(const QByteArray& data, QString* error)
{
    m_rows = TextTable();
    m_sheets.clear();
    m_sheetName.clear();
    m_sheetsRead = 0;
    m_budget = Budget();
    bool ok = false;
    switch (detect(data.left(8))) {
    case Format::Xls:
        ok = XlsReader::readData(data, this, error);
        break;
    case Format::Xlsx:
        ok = XlsxReader::readData(data, this, error);
        break;
    case Format::Unknown:
        if (error)
            *error = QStringLiteral("文件不是Excel工作簿（.xls 或 .xlsx）。");
        return false;
    }
    return finish(ok, error);
}

bool WorkbookReader::finish(bool ok, QString* error)
{
    if (!ok || m_sheets.isEmpty()) {
        m_sheets.clear();
        return false;
    }
    m_sheetName = m_sheets.first().name;
    m_rows = std::move(m_sheets.first().rows);
    m_sheetsRead = 1;
    for (int i = 1; i < m_sheets.size(); ++i) {
        const TextTable& more = m_sheets.at(i).rows;
        if (more.rowCount() == 0)
            break;
        int from = 0;
        if (sameHeader(more, m_rows))
            from = 1;
        else if (sharesText(more, m_rows))
            break; // another table
        // The copy of the sheet's own texts is charged as they were.
        if (!m_budget.charge(2 * more.ownSize()) || !m_rows.appendRows(more, from)) {
            m_sheets.clear();
            m_rows = TextTable();
            if (error)
                *error = Budget::message();
            return false;
        }
        ++m_sheetsRead;
    }
    m_sheets.clear();
    return true;
}
