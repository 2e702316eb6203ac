#pragma once

#include "exchange/Progress.h"
#include "exchange/TextTable.h"

#include <QString>
#include <QStringList>

// An order file as the platforms export it: a CSV or text table (see
// CsvReader) or a workbook (.xlsx, .xls; see WorkbookReader), told by its
// content. The header row is the row among the first few that names the
// most columns the mapping knows (some exports put a title line first);
// the order rows follow it.
class OrderFile
{
public:
    enum class Kind
    {
        Csv,
        Xlsx,
        Xls
    };

    bool read(const QString& path, QString* error, const ProgressFn& progress = {},
              bool* cancelled = nullptr);
    // The same for rows already read (row 0 need not be the header).
    void setTable(TextTable&& table);

    Kind kind() const { return m_kind; }
    // "CSV（UTF-8）", "CSV（GB18030）", "Excel 工作簿（.xlsx）" …
    QString description() const { return m_description; }
    const TextTable& table() const { return m_rows; }
    int headerRow() const { return m_header; }
    QStringList headers() const;
    // Order rows after the header.
    int orderCount() const { return qMax(0, m_rows.rowCount() - m_header - 1); }
    // The file's row number (1-based, as a spreadsheet shows it) of a table row.
    int fileRow(int row) const { return m_rows.rowKey(row) + 1; }

private:
    void findHeader();

    TextTable m_rows;
    Kind m_kind = Kind::Csv;
    QString m_description;
    int m_header = 0;
};
