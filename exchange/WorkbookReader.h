#pragma once

#include "exchange/Progress.h"
#include "exchange/TextTable.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

// Reads one sheet of a workbook into text: the sheet named "Sheet1", or the
// first sheet when there is none of that name. .xls (Excel 97-2003) with our
// own BIFF8 reader over libgsf, .xlsx through QuaZip; the format is told by
// the file's content, not by its name. Rows come in sheet order; each row
// holds the used range's columns as text (see CellText), fully empty rows
// are left out.
//
// A list longer than one sheet holds goes on in the following sheets (as
// this program's older exports wrote it): when the sheet is full to its
// last row, the next sheets are read too, in order, as long as each one
// before was full. A following sheet whose first row repeats the header has
// that row left out; one that starts with a different header is another
// table and ends the list.
//
// Whatever the bytes, reading ends: damaged, encrypted or oversized files
// fail with a Chinese reason, and the reading never takes more than
// Budget::limit() bytes of memory for what it keeps.
class WorkbookReader
{
public:
    enum class Format
    {
        Unknown,
        Xls,
        Xlsx
    };

    // Memory the reading may take for the cells and strings it keeps.
    class Budget
    {
    public:
        static constexpr qint64 limit() { return qint64(512) << 20; }
        // Adds bytes; false once the total is past the limit.
        bool charge(qint64 bytes)
        {
            m_used += qMax<qint64>(0, bytes);
            return m_used <= limit();
        }
        bool exceeded() const { return m_used > limit(); }
        static QString message() { return QStringLiteral("工作簿太大，超出了导入可用的内存（512 MB）。"); }

    private:
        qint64 m_used = 0;
    };

    // One sheet as a format reader gives it.
    struct Sheet
    {
        QString name;
        TextTable rows;
        int lastRow = -1;  // 0-based, of the used range (empty rows too)
        bool full = false; // the used range reaches the format's last row
    };

    static Format detect(const QString& path);
    static Format detect(const QByteArray& head);

    // Reads the whole sheet. On failure returns false with a Chinese reason.
    // Progress runs 0..100 over the reading; cancelling returns false with
    // *cancelled set.
    bool read(const QString& path, QString* error, const ProgressFn& progress = {},
              bool* cancelled = nullptr);
    // The same for a workbook held in memory.
    bool readData(const QByteArray& data, QString* error);

    QString sheetName() const { return m_sheetName; }
    // The rows read, each cell a view into the table.
    const TextTable& table() const { return m_rows; }
    // The same as plain lists, for small sheets.
    QVector<QStringList> rows() const { return m_rows.lists(); }
    // How many sheets the rows came from.
    int sheetsRead() const { return m_sheetsRead; }

    // Used by the format readers: the chosen sheet first, then the sheets
    // that go on from it.
    void addSheet(Sheet&& sheet) { m_sheets.push_back(std::move(sheet)); }
    Budget& budget() { return m_budget; }

private:
    bool finish(bool ok, QString* error);

    QString m_sheetName;
    TextTable m_rows;
    QVector<Sheet> m_sheets;
    Budget m_budget;
    int m_sheetsRead = 0;
};

// Whatever a reading keeps stays within a table's reach.
static_assert(WorkbookReader::Budget::limit() / 2 < TextTable::kShared, "texts past a table's reach");
