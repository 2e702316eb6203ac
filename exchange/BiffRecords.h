#pragma once

#include <QByteArray>
#include <QString>

// The record layer of an Excel 97-2003 (BIFF8) workbook stream: record
// numbers, little-endian fields, one record's bounds and strings, and the
// strings that run on into CONTINUE records. Nothing here reads outside
// the stream: every length is checked against its record.
namespace BiffRecords {

// Record types.
enum : quint16
{
    kFormula = 0x0006,
    kEof = 0x000A,
    kDateMode = 0x0022,
    kFilePass = 0x002F,
    kContinue = 0x003C,
    kBoundSheet = 0x0085,
    kMulRk = 0x00BD,
    kMulBlank = 0x00BE,
    kRString = 0x00D6,
    kXf = 0x00E0,
    kSst = 0x00FC,
    kLabelSst = 0x00FD,
    kBlank = 0x0201,
    kNumber = 0x0203,
    kLabel = 0x0204,
    kBoolErr = 0x0205,
    kString = 0x0207,
    kRow = 0x0208,
    kRk = 0x027E,
    kFormat = 0x041E,
    kFormulaOld = 0x0406, // the id of Excel 4.0, still written by some programs
    kBof = 0x0809,
    // BOF records of Excel 2.x to 4.0.
    kBof2 = 0x0009,
    kBof3 = 0x0209,
    kBof4 = 0x0409,
};

constexpr quint16 kBiff8 = 0x0600;

inline quint16 u16(const uchar* p)
{
    return quint16(p[0] | (p[1] << 8));
}

inline quint32 u32(const uchar* p)
{
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

double f64(const uchar* p);
// The number of an RK field: a shortened double or an integer, maybe / 100.
double rkValue(quint32 rk);

// One record of the stream: its type and where its data lies.
struct Record
{
    quint16 type = 0;
    qsizetype data = 0; // offset of the data in the stream
    qsizetype size = 0;
    qsizetype next = 0; // offset of the following record
};

enum class Step
{
    Ok,
    End,    // no further record header in the stream
    Damaged // the record's data runs past the end of the stream
};

Step recordAt(const QByteArray& s, qsizetype pos, Record* r);

// Appends up to count characters (one byte each, or UTF-16LE when wide)
// from p..end; returns how many it took.
int takeChars(const uchar* p, const uchar* end, int count, bool wide, QString* out);

// A string within one record: 8- or 16-bit length, option byte (rich-text
// and phonetic headers skipped), characters; cut at the end of the record.
QString recordString(const uchar* p, const uchar* end, bool shortLength);

// Reads bytes of a record and the CONTINUE records after it as one
// sequence, as the shared string table and long STRING results are stored.
// Characters that run into a CONTINUE record start there with a fresh
// option byte; everything else just goes on.
class Continued
{
public:
    Continued(const QByteArray& s, const Record& first);

    bool bytes(qsizetype n, const uchar** p);
    bool skip(qint64 n);
    // Appends count characters to out.
    bool chars(int count, bool wide, QString* out);
    bool atEnd() { return !ensure(); }

private:
    bool ensure();
    bool nextRecord();

    const QByteArray& m_s;
    const uchar* m_base;
    qsizetype m_pos = 0;
    qsizetype m_end = 0;
};

} // namespace BiffRecords
