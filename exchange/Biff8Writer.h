#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

// Writes an Excel 97-2003 workbook (BIFF8 in an OLE2 compound file) of
// plain cells. Texts go through the shared string table and carry the text
// number format "@", so "007" and "13800138000" stay texts in Excel.
// Numbers, booleans, dates and date-times can be written too.
// A sheet holds at most maxRows() rows; the caller starts the next sheet.
class Biff8Writer
{
public:
    static constexpr int maxRows() { return 65536; }
    static constexpr int maxColumns() { return 256; }
    // Characters one cell holds; a row with a longer text is refused.
    static constexpr int maxCellChars() { return 32767; }

    Biff8Writer();

    // Starts a new sheet; the rows added afterwards go there.
    void addSheet(const QString& name);
    int sheetCount() const { return m_sheets.size(); }
    int rowCount() const; // rows of the current sheet

    // Appends a row of texts to the current sheet; empty texts leave their
    // cell empty. Returns false when the sheet is full, no sheet exists or a
    // text is longer than maxCellChars().
    bool addRow(const QStringList& cells);
    // A row of values: QString texts, double/int numbers, bool, QDate,
    // QDateTime; an invalid QVariant leaves the cell empty.
    bool addRow(const QVariantList& cells);

    // The whole workbook stream ("Workbook" inside the container).
    QByteArray workbookStream() const;
    // Writes the compound file to path (created or replaced as it is).
    bool save(const QString& path, QString* error) const;

private:
    struct Sheet
    {
        QString name;
        QByteArray cells; // cell records in row order
        int rows = 0;
        int lastColumn = 0; // one past the last used column
    };
    int sstIndex(const QString& s);
    void appendCell(Sheet& sh, int row, int col, const QVariant& v);

    QVector<Sheet> m_sheets;
    QVector<QString> m_strings;
    QHash<QString, int> m_stringIndex;
    quint32 m_sstTotal = 0; // cells referring to the SST
};
