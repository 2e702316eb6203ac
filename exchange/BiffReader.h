#pragma once

#include "exchange/CellText.h"
#include "exchange/Progress.h"
#include "exchange/WorkbookReader.h"

#include <QByteArray>
#include <QString>
#include <QVector>

// The cells of an Excel 97-2003 (BIFF8) workbook stream, as text: shared
// and inline strings, numbers (NUMBER, RK, MULRK) through the cell's number
// format (CellText), formula results, booleans and error cells (empty).
//
// Whatever the bytes, it reads nothing outside the stream and keeps within
// the reading's memory budget: every length is checked against its record,
// counts are never trusted for allocation, and a damaged stream fails with
// a reason instead of guessing.
class BiffReader
{
public:
    struct SheetInfo
    {
        QString name;
        quint32 offset = 0;
        bool worksheet = true; // not a chart, macro or module sheet
    };

    static constexpr int maxRow() { return 65535; }
    static constexpr int maxColumn() { return 255; }

    // Whether the bytes start as a workbook of Excel 2.x to 4.0 does (a BOF
    // record of theirs), and what the user is told to do with one.
    static bool oldFormat(const QByteArray& head);
    static QString oldFormatMessage();

    // Reads the workbook globals: date system, formats, shared strings and
    // the list of sheets. Fails for encrypted workbooks, older formats and
    // damaged streams. The stream must outlive the reader.
    bool open(const QByteArray& stream, WorkbookReader::Budget* budget, QString* error);

    const QVector<SheetInfo>& sheets() const { return m_sheets; }

    // Reads sheet `index`. Progress runs over the stream's bytes.
    bool readSheet(int index, WorkbookReader::Sheet* out, QString* error, const ProgressFn& progress = {},
                   bool* cancelled = nullptr);

private:
    class SheetCells;
    QString numberText(quint16 xf, double v) const;

    const QByteArray* m_stream = nullptr;
    WorkbookReader::Budget* m_budget = nullptr;
    bool m_date1904 = false;
    QVector<CellText::NumberFormat> m_xfFormats;
    // The shared strings, one after another; each a slice of them.
    QString m_sstChars;
    QVector<TextTable::Text> m_sst;
    QVector<SheetInfo> m_sheets;
};
