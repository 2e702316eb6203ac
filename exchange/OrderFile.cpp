#include "exchange/OrderFile.h"

#include "exchange/CellText.h"
#include "exchange/CsvReader.h"
#include "exchange/OrderMapping.h"
#include "exchange/WorkbookReader.h"

#include <QFile>

bool OrderFile::read(const QString& path, QString* error, const ProgressFn& progress, bool* cancelled)
{
    if (cancelled)
        *cancelled = false;
    QFile probe(path);
    if (!probe.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("无法打开文件：%1").arg(probe.errorString());
        return false;
    }
    const WorkbookReader::Format format = WorkbookReader::detect(probe.read(8));
    probe.close();
    if (format == WorkbookReader::Format::Unknown) {
        CsvReader csv;
        if (!csv.read(path, error))
            return false;
        m_kind = Kind::Csv;
        m_description = csv.encoding() == CsvReader::Encoding::Gb18030 ? QStringLiteral("CSV（GBK/GB18030）")
                        : csv.encoding() == CsvReader::Encoding::Utf16 ? QStringLiteral("CSV（UTF-16）")
                                                                       : QStringLiteral("CSV（UTF-8）");
        TextTable rows = csv.table();
        setTable(std::move(rows));
        if (progress && !progress(100)) {
            if (cancelled)
                *cancelled = true;
            return false;
        }
        return true;
    }
    WorkbookReader reader;
    if (!reader.read(path, error, progress, cancelled))
        return false;
    m_kind = format == WorkbookReader::Format::Xls ? Kind::Xls : Kind::Xlsx;
    m_description = m_kind == Kind::Xls ? QStringLiteral("Excel 工作簿（.xls）")
                                        : QStringLiteral("Excel 工作簿（.xlsx）");
    TextTable rows = reader.table();
    setTable(std::move(rows));
    return true;
}

void OrderFile::setTable(TextTable&& table)
{
    m_rows = std::move(table);
    findHeader();
}

void OrderFile::findHeader()
{
    constexpr int kLooked = 10;
    m_header = 0;
    int best = 0;
    for (int r = 0; r < m_rows.rowCount() && r < kLooked; ++r) {
        const int known = OrderMapping::knownCount(m_rows.row(r));
        if (known > best) {
            best = known;
            m_header = r;
        }
    }
}

QStringList OrderFile::headers() const
{
    QStringList h;
    if (m_header >= m_rows.rowCount())
        return h;
    for (int c = 0; c < m_rows.columnCount(m_header); ++c)
        h << CellText::trimmed(m_rows.at(m_header, c).toString());
    return h;
}
