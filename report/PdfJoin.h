#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryFile>

class QFile;
class QIODevice;

// Joins PDF files written by QPdfWriter, one after another, into one PDF:
// their objects renumbered into one numbering, the page tree of each file
// made a branch of one page tree (so the pages keep their order), one
// cross-reference table. The first file gives the header, the catalog, the
// document information and the ID; the others give their pages (with their
// own fonts and resources).
//
// QPdfWriter keeps an offset of every object and a list of every page for the
// whole document; writing a long run as short files joined here keeps memory
// at what one file costs. The joined offsets go to a side file as they are
// written, so joining itself holds only the table of the file being copied.
class PdfJoin
{
public:
    // out must be open for writing, empty, and outlive finish(). The side
    // file goes into sideDir.
    PdfJoin(QIODevice* out, const QString& sideDir);
    ~PdfJoin();
    PdfJoin(const PdfJoin&) = delete;
    PdfJoin& operator=(const PdfJoin&) = delete;

    // Copies every page of the PDF at path (a finished QPdfWriter file).
    bool append(const QString& path, QString* error);
    // Writes the page tree, the catalog, the table and the trailer.
    bool finish(QString* error);

    int pageCount() const { return m_pages; }

private:
    struct Source;
    bool readTable(QFile& file, Source* src, QString* error) const;
    bool copyObjects(QFile& file, const Source& src, QString* error);
    bool write(const QByteArray& bytes, QString* error);
    bool addEntry(qint64 offset, QString* error);

    QIODevice* m_out;
    qint64 m_pos = 0;         // bytes written to m_out
    QTemporaryFile m_entries; // the table's lines from object 3 on
    int m_next = 3;           // 1 is the page tree's root, 2 the catalog
    int m_files = 0;
    int m_pages = 0;
    QByteArray m_kids;    // "N 0 R\n" of every file's page tree
    QByteArray m_catalog; // the first file's, pointed at our root
    QByteArray m_id;      // the first file's "/ID [...]", or empty
    int m_info = 0;       // the first file's document information, renumbered
};
