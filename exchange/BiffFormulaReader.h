#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

// The cells of an Excel 97-2003 (BIFF8) sheet that FreeXL does not give as
// they show in Excel: formula cells (their stored results) and error cells
// (#N/A, #DIV/0! …). Walks the records of the workbook stream itself.
//
// Results become text as CellText does for plain cells: numbers in the
// shortest exact form, dates and times when the cell's format is one
// (the same rule the reader applies to number cells), booleans as 1/0,
// strings as they are; errors and empty results become empty text.
//
// A damaged stream never makes it read outside the data: every length is
// checked against its record and the stream. A formula record too short to
// hold a result, or a string result whose text is cut off, leaves its cell
// empty; records running past the end of the stream, or a sheet position
// outside it, fail with a reason.
class BiffFormulaReader
{
public:
    // Reads the workbook stream ("Workbook", or "Book") of the compound file
    // at path, then the sheet as readStream() does.
    bool readFile(const QString& path, const QString& sheetName, int sheetIndex, QString* error);

    // Reads the sheet named sheetName (exactly), or else the sheetIndex-th
    // sheet of the workbook. Workbooks older than BIFF8 give no cells.
    bool readStream(const QByteArray& stream, const QString& sheetName, int sheetIndex, QString* error);

    // The texts found, by cell (see key()).
    const QHash<quint64, QString>& cells() const { return m_cells; }
    static quint64 key(quint32 row, quint32 col) { return (quint64(row) << 32) | col; }

private:
    QHash<quint64, QString> m_cells;
};
