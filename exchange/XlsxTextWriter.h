#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class BackgroundWriter;
class QuaZip;
class QuaZipFile;

// Writes an Excel 2007+ workbook (.xlsx) of text cells, row by row, straight
// into the zip container: every cell is an inline string in the text number
// format "@", so leading zeros and long digit strings stay as typed.
// (libxlsxwriter cannot share a process with QuaZip: both export minizip's
// zip functions under the same names, and one of them calls the other's.)
class XlsxTextWriter
{
public:
    static constexpr int maxRows() { return 1048576; }
    // Characters one cell holds; a row with a longer text is refused, never cut.
    static constexpr int maxCellChars() { return 32767; }

    explicit XlsxTextWriter(const QString& path);
    ~XlsxTextWriter();

    bool open(QString* error);
    // Starts a sheet; the previous one is finished.
    bool addSheet(const QString& name, QString* error);
    bool addRow(const QStringList& cells, QString* error);
    int rowCount() const { return m_rows; }
    // Writes the remaining parts and closes the file.
    bool close(QString* error);

private:
    bool finishSheet(QString* error);
    bool writePart(const QString& name, const QByteArray& data, QString* error);
    bool flushRows(QString* error);

    QString m_path;
    std::unique_ptr<QuaZip> m_zip;
    std::unique_ptr<QuaZipFile> m_sheet;
    // The sheet is compressed on a thread of its own while rows are made.
    std::unique_ptr<BackgroundWriter> m_sheetWriter;
    QByteArray m_pending; // rows not yet handed to the sheet's writer
    QStringList m_sheetNames;
    int m_rows = 0;
};
