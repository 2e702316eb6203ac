#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVector>

// A sheet read into text. Every character lies in one of two buffers (the
// table's own, or the workbook's string table it was given) and each cell
// is a slice of one of them: a sheet of a million cells costs a handful of
// allocations instead of one per cell. Rows are dense from column 0 to their
// last cell; a cell never set reads as empty.
//
// Readers build it either in document order (startRow(), then set() for
// the row's cells) or by row number (put()), then call finish().
class TextTable
{
public:
    // A slice of one of the buffers.
    struct Text
    {
        quint32 at = 0; // the highest bit marks the shared buffer
        quint32 size = 0;
    };
    // Buffers stay below 2^31 characters: the readers' memory budget ends
    // a reading long before.
    static constexpr quint32 kShared = 0x80000000u;

    // The workbook's string table, kept by reference (implicitly shared).
    void setShared(const QString& chars) { m_shared = chars; }
    static Text sharedText(qsizetype at, qsizetype size) { return {quint32(at) | kShared, quint32(size)}; }
    // Copies a text into the table's own buffer.
    Text add(QStringView s);

    // A new row at the end, its cells set next.
    void startRow(int key);
    // Sets a cell of the current row; returns how many cells the row grew
    // by, for the caller's memory budget.
    int set(int col, Text text);
    // Sets a cell by its row number. Rows met in increasing order are kept
    // as they come; a cell of a row met before is set aside and merged by
    // finish(), after the cells before it (a later cell wins, an empty one
    // too). Returns the bytes this took, for the caller's memory budget.
    qint64 put(int row, int col, Text text);
    // What finish() will take to merge the cells set aside, in bytes, for
    // the caller's budget before it is taken.
    qint64 mergeBytes();
    // Merges the cells set aside and leaves out rows without any text.
    void finish();

    int rowCount() const { return int(m_rowStart.size()); }
    // The row's number as its reader gave it (0-based, in the sheet; rows of
    // a following sheet go on counting after the first sheet's).
    int rowKey(int row) const { return m_rowKey.value(row, row); }
    int columnCount(int row) const;
    // The cell's text, empty outside the table; valid while the table is.
    QStringView at(int row, int col) const;
    QStringList row(int row) const;
    QVector<QStringList> lists() const;
    static TextTable fromLists(const QVector<QStringList>& rows);

    // Appends rows from..end of another finished table: its own texts
    // copied, slices of a string table both share kept as they are. False
    // when the texts would not fit.
    bool appendRows(const TextTable& other, int from);
    // Characters in the table's own buffer.
    qsizetype ownSize() const { return m_own.size(); }

private:
    int currentKey() const { return m_rowKey.isEmpty() ? -1 : m_rowKey.constLast(); }
    QStringView view(Text t) const;
    qsizetype rowEnd(int row) const
    {
        return row + 1 < m_rowStart.size() ? qsizetype(m_rowStart.at(row + 1)) : m_cells.size();
    }

    QString m_own;
    QString m_shared;
    QVector<Text> m_cells;
    QVector<qsizetype> m_rowStart;
    QVector<int> m_rowKey;
    struct Aside
    {
        int row;
        int col;
        Text text;
    };
    QVector<Aside> m_aside;
    bool m_asideSorted = true;

    void sortAside();
    template <class F>
    void mergeWalk(F each) const;
};
