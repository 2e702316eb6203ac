#pragma once

#include "exchange/Progress.h"

#include <QString>
#include <QStringList>
#include <QVector>

// Reads one sheet of a workbook into text: the sheet named "Sheet1", or the
// first sheet when there is none of that name. .xls (Excel 97-2003) through
// FreeXL, .xlsx through QuaZip; the format is told by the file's content,
// not by its name. Rows come in sheet order; each row holds the used range's
// columns as text (see CellText), fully empty rows are left out.
class WorkbookReader
{
public:
    enum class Format
    {
        Unknown,
        Xls,
        Xlsx
    };

    static Format detect(const QString& path);

    // Reads the whole sheet. On failure returns false with a Chinese reason.
    // Progress runs 0..100 over the reading; cancelling returns false with
    // *cancelled set.
    bool read(const QString& path, QString* error, const ProgressFn& progress = {},
              bool* cancelled = nullptr);

    QString sheetName() const { return m_sheetName; }
    const QVector<QStringList>& rows() const { return m_rows; }

    // Used by the format readers.
    void setSheetName(const QString& name) { m_sheetName = name; }
    QVector<QStringList>& mutableRows() { return m_rows; }

private:
    QString m_sheetName;
    QVector<QStringList> m_rows;
};
