#include "exchange/Biff8Writer.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QtEndian>

#include <gsf/gsf-infile.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-utils.h>

#include <cmath>
#include <cstring>

namespace {

// Record types.
enum : quint16
{
    kBof = 0x0809,
    kEof = 0x000A,
    kCodepage = 0x0042,
    kWindow1 = 0x003D,
    kDateMode = 0x0022,
    kFont = 0x0031,
    kFormat = 0x041E,
    kXf = 0x00E0,
    kStyle = 0x0293,
    kBoundSheet = 0x0085,
    kSst = 0x00FC,
    kContinue = 0x003C,
    kExtSst = 0x00FF,
    kDimensions = 0x0200,
    kRow = 0x0208,
    kWindow2 = 0x023E,
    kLabelSst = 0x00FD,
    kNumber = 0x0203,
    kRk = 0x027E,
    kBoolErr = 0x0205,
};

// Cell formats (XF indexes) after the 15 style XFs.
enum : quint16
{
    kXfGeneral = 15,
    kXfText = 16,
    kXfDate = 17,
    kXfDateTime = 18
};
enum : quint16
{
    kFmtText = 49,
    kFmtDate = 164,
    kFmtDateTime = 165
};

constexpr int kMaxRecordData = 8224;

void put8(QByteArray& b, quint8 v)
{
    b.append(char(v));
}
void put16(QByteArray& b, quint16 v)
{
    char c[2];
    qToLittleEndian(v, c);
    b.append(c, 2);
}
void put32(QByteArray& b, quint32 v)
{
    char c[4];
    qToLittleEndian(v, c);
    b.append(c, 4);
}
void putDouble(QByteArray& b, double v)
{
    quint64 bits;
    std::memcpy(&bits, &v, 8);
    char c[8];
    qToLittleEndian(bits, c);
    b.append(c, 8);
}
void record(QByteArray& out, quint16 type, const QByteArray& body)
{
    put16(out, type);
    put16(out, quint16(body.size()));
    out.append(body);
}

bool isCompressible(const QString& s)
{
    for (QChar c : s)
        if (c.unicode() > 0xFF)
            return false;
    return true;
}

void putChars(QByteArray& b, const QString& s, bool compressed)
{
    for (QChar c : s) {
        if (compressed)
            put8(b, quint8(c.unicode()));
        else
            put16(b, c.unicode());
    }
}

// XLUnicodeString (16-bit length) or ShortXLUnicodeString (8-bit length).
QByteArray unicodeString(const QString& s, bool shortLength)
{
    QByteArray b;
    const bool compressed = isCompressible(s);
    if (shortLength)
        put8(b, quint8(s.size()));
    else
        put16(b, quint16(s.size()));
    put8(b, compressed ? 0 : 1);
    putChars(b, s, compressed);
    return b;
}

QByteArray bof(quint16 kind)
{
    QByteArray b;
    put16(b, 0x0600); // BIFF8
    put16(b, kind);   // 0x0005 workbook globals, 0x0010 worksheet
    put16(b, 0x0DBB);
    put16(b, 0x07CC);
    put32(b, 0);
    put32(b, 0x00000006);
    return b;
}

QByteArray font()
{
    QByteArray b;
    put16(b, 220);    // 11 pt in twips
    put16(b, 0);      // no italic, strikeout …
    put16(b, 0x7FFF); // automatic colour
    put16(b, 400);    // normal weight
    put16(b, 0);
    put8(b, 0);
    put8(b, 0);
    put8(b, 0x86); // GB2312 character set
    put8(b, 0);
    b.append(unicodeString(QStringLiteral("宋体"), true));
    return b;
}

QByteArray xf(quint16 fontIndex, quint16 format, bool style, quint8 usedAttributes)
{
    QByteArray b;
    put16(b, fontIndex);
    put16(b, format);
    put16(b, style ? 0xFFF5 : 0x0001); // style XF (parent none) / cell XF of style 0, locked
    put8(b, 0x20);                     // bottom aligned
    put8(b, 0);
    put8(b, 0);
    put8(b, usedAttributes);
    put32(b, 0); // no borders
    put32(b, 0);
    put16(b, 0x20C0); // pattern colours: automatic
    return b;
}

// The shared string table split into records of at most 8224 bytes: a
// string's header never splits, a string's characters continue in the next
// CONTINUE record after a repeated option byte, a UTF-16 character never
// splits. Also notes where every bucket's first string starts, for EXTSST.
struct SstRecords
{
    QVector<QByteArray> bodies; // SST first, then CONTINUE bodies
    struct Mark
    {
        int record;
        int offset; // within the body
    };
    QVector<Mark> buckets;
    int perBucket = 8;
};

SstRecords buildSst(const QVector<QString>& strings, quint32 total)
{
    SstRecords out;
    out.perBucket = qMax(8, (strings.size() + 127) / 128);
    QByteArray cur;
    put32(cur, total);
    put32(cur, quint32(strings.size()));
    for (int i = 0; i < strings.size(); ++i) {
        const QString& s = strings.at(i);
        const bool compressed = isCompressible(s);
        const int charSize = compressed ? 1 : 2;
        const int need = 3 + (s.isEmpty() ? 0 : charSize);
        if (cur.size() + need > kMaxRecordData) {
            out.bodies << cur;
            cur.clear();
        }
        if (i % out.perBucket == 0)
            out.buckets.push_back({int(out.bodies.size()), int(cur.size())});
        put16(cur, quint16(s.size()));
        put8(cur, compressed ? 0 : 1);
        int pos = 0;
        while (pos < s.size()) {
            int room = (kMaxRecordData - cur.size()) / charSize;
            if (room == 0) {
                out.bodies << cur;
                cur.clear();
                put8(cur, compressed ? 0 : 1);
                room = (kMaxRecordData - 1) / charSize;
            }
            const int take = qMin(room, int(s.size()) - pos);
            putChars(cur, s.mid(pos, take), compressed);
            pos += take;
        }
    }
    out.bodies << cur;
    return out;
}

} // namespace

Biff8Writer::Biff8Writer() = default;

void Biff8Writer::addSheet(const QString& name)
{
    Sheet sh;
    // Sheet names: at most 31 characters, none of : \ / ? * [ ].
    QString n = name.left(31);
    for (QChar& c : n)
        if (QStringLiteral(":\\/?*[]").contains(c))
            c = QLatin1Char('_');
    sh.name = n.isEmpty() ? QStringLiteral("Sheet%1").arg(m_sheets.size() + 1) : n;
    m_sheets << sh;
}

int Biff8Writer::rowCount() const
{
    return m_sheets.isEmpty() ? 0 : m_sheets.last().rows;
}

int Biff8Writer::sstIndex(const QString& s)
{
    auto it = m_stringIndex.constFind(s);
    if (it != m_stringIndex.constEnd())
        return it.value();
    const int i = m_strings.size();
    m_strings << s;
    m_stringIndex.insert(s, i);
    return i;
}

bool Biff8Writer::addRow(const QStringList& cells)
{
    QVariantList v;
    v.reserve(cells.size());
    for (const QString& s : cells)
        v << QVariant(s);
    return addRow(v);
}

bool Biff8Writer::addRow(const QVariantList& cells)
{
    if (m_sheets.isEmpty() || m_sheets.last().rows >= maxRows())
        return false;
    // A text Excel cannot hold is refused whole, never cut.
    for (const QVariant& v : cells)
        if (v.typeId() == QMetaType::QString && v.toString().size() > maxCellChars())
            return false;
    Sheet& sh = m_sheets.last();
    const int row = sh.rows++;
    const int n = qMin(int(cells.size()), maxColumns());
    int first = -1, last = -1;
    for (int c = 0; c < n; ++c) {
        const QVariant& v = cells.at(c);
        if (!v.isValid() || v.isNull() || (v.typeId() == QMetaType::QString && v.toString().isEmpty()))
            continue;
        if (first < 0)
            first = c;
        last = c;
    }
    if (first < 0)
        return true; // an empty row needs no record
    // ROW record, then its cells.
    QByteArray r;
    put16(r, quint16(row));
    put16(r, quint16(first));
    put16(r, quint16(last + 1));
    put16(r, 0x00FF); // default height
    put16(r, 0);
    put16(r, 0);
    put16(r, 0x0100);
    put16(r, kXfGeneral);
    record(sh.cells, kRow, r);
    for (int c = first; c <= last; ++c)
        appendCell(sh, row, c, cells.at(c));
    sh.lastColumn = qMax(sh.lastColumn, last + 1);
    return true;
}

void Biff8Writer::appendCell(Sheet& sh, int row, int col, const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return;
    QByteArray b;
    put16(b, quint16(row));
    put16(b, quint16(col));
    switch (v.typeId()) {
    case QMetaType::Bool:
        put16(b, kXfGeneral);
        put8(b, v.toBool() ? 1 : 0);
        put8(b, 0); // a boolean, not an error
        record(sh.cells, kBoolErr, b);
        return;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = v.toDouble();
        put16(b, kXfGeneral);
        // Small whole numbers fit an RK value (30-bit integer).
        if (d == std::floor(d) && d >= -(1 << 29) && d < (1 << 29)) {
            put32(b, (quint32(qint32(d)) << 2) | 0x2);
            record(sh.cells, kRk, b);
        } else {
            putDouble(b, d);
            record(sh.cells, kNumber, b);
        }
        return;
    }
    case QMetaType::QDate: {
        const QDate d = v.toDate();
        put16(b, kXfDate);
        putDouble(b, double(QDate(1899, 12, 30).daysTo(d)));
        record(sh.cells, kNumber, b);
        return;
    }
    case QMetaType::QDateTime: {
        const QDateTime dt = v.toDateTime();
        put16(b, kXfDateTime);
        const double serial =
            double(QDate(1899, 12, 30).daysTo(dt.date())) + dt.time().msecsSinceStartOfDay() / 86400000.0;
        putDouble(b, serial);
        record(sh.cells, kNumber, b);
        return;
    }
    default: {
        const QString s = v.toString();
        if (s.isEmpty())
            return;
        put16(b, kXfText);
        put32(b, quint32(sstIndex(s)));
        ++m_sstTotal;
        record(sh.cells, kLabelSst, b);
        return;
    }
    }
}

QByteArray Biff8Writer::workbookStream() const
{
    QByteArray g;
    record(g, kBof, bof(0x0005));
    {
        QByteArray b;
        put16(b, 1200); // UTF-16
        record(g, kCodepage, b);
    }
    {
        QByteArray b;
        for (quint16 v : {quint16(0x01E0), quint16(0x005A), quint16(0x3FCF), quint16(0x2A4E), quint16(0x0038),
                          quint16(0), quint16(0), quint16(1), quint16(0x0258)})
            put16(b, v);
        record(g, kWindow1, b);
    }
    {
        QByteArray b;
        put16(b, 0); // 1900 date system
        record(g, kDateMode, b);
    }
    // Five fonts: index 4 does not exist in BIFF, so readers expect 0-3 and 5.
    for (int i = 0; i < 5; ++i)
        record(g, kFont, font());
    {
        QByteArray b;
        put16(b, kFmtDate);
        b.append(unicodeString(QStringLiteral("yyyy-mm-dd"), false));
        record(g, kFormat, b);
        b.clear();
        put16(b, kFmtDateTime);
        b.append(unicodeString(QStringLiteral("yyyy-mm-dd hh:mm:ss"), false));
        record(g, kFormat, b);
    }
    // The 15 style XFs every workbook carries, then the cell XFs.
    record(g, kXf, xf(0, 0, true, 0x00));
    for (int i = 1; i < 15; ++i)
        record(g, kXf, xf(i <= 2 ? 1 : (i <= 4 ? 2 : 0), 0, true, 0xF4));
    record(g, kXf, xf(0, 0, false, 0x00));
    record(g, kXf, xf(0, kFmtText, false, 0x04));
    record(g, kXf, xf(0, kFmtDate, false, 0x04));
    record(g, kXf, xf(0, kFmtDateTime, false, 0x04));
    {
        QByteArray b;
        put16(b, 0x8000); // built-in style "Normal" on XF 0
        put8(b, 0);
        put8(b, 0xFF);
        record(g, kStyle, b);
    }
    QVector<int> offsetAt; // where each BOUNDSHEET keeps its sheet's stream position
    for (const Sheet& sh : m_sheets) {
        QByteArray b;
        put32(b, 0); // patched below
        put8(b, 0);  // visible
        put8(b, 0);  // worksheet
        b.append(unicodeString(sh.name, true));
        offsetAt << g.size() + 4;
        record(g, kBoundSheet, b);
    }
    const SstRecords sst = buildSst(m_strings, m_sstTotal);
    QVector<int> recordStart;
    for (int i = 0; i < sst.bodies.size(); ++i) {
        recordStart << g.size();
        record(g, i == 0 ? kSst : kContinue, sst.bodies.at(i));
    }
    {
        QByteArray b;
        put16(b, quint16(sst.perBucket));
        for (const SstRecords::Mark& m : sst.buckets) {
            put32(b, quint32(recordStart.at(m.record) + 4 + m.offset));
            put16(b, quint16(4 + m.offset));
            put16(b, 0);
        }
        record(g, kExtSst, b);
    }
    record(g, kEof, {});

    QByteArray stream = g;
    for (int i = 0; i < m_sheets.size(); ++i) {
        const Sheet& sh = m_sheets.at(i);
        qToLittleEndian(quint32(stream.size()), stream.data() + offsetAt.at(i));
        record(stream, kBof, bof(0x0010));
        QByteArray dim;
        put32(dim, 0);
        put32(dim, quint32(sh.rows));
        put16(dim, 0);
        put16(dim, quint16(sh.lastColumn));
        put16(dim, 0);
        record(stream, kDimensions, dim);
        stream.append(sh.cells);
        QByteArray w;
        put16(w, i == 0 ? 0x06B6 : 0x00B6); // grid lines, headers, zeros; the first sheet selected
        put16(w, 0);
        put16(w, 0);
        put16(w, 64);
        put16(w, 0);
        put16(w, 0);
        put16(w, 0);
        put32(w, 0);
        record(stream, kWindow2, w);
        record(stream, kEof, {});
    }
    return stream;
}

bool Biff8Writer::save(const QString& path, QString* error) const
{
    static const bool initialised = [] {
        gsf_init();
        return true;
    }();
    Q_UNUSED(initialised);

    QByteArray stream = workbookStream();
    // Streams under 4096 bytes would go to the mini stream, which some Excel
    // versions refuse for the workbook; the padding after EOF is never read.
    if (stream.size() < 4096)
        stream.append(QByteArray(4096 - stream.size(), '\0'));

    auto fail = [&](const QString& why) {
        if (error)
            *error = QStringLiteral("无法写入 %1：%2").arg(QDir::toNativeSeparators(path), why);
        return false;
    };
    // Built in memory and written to path in place: a file output of libgsf
    // would write a temporary file of its own and rename it over path, which
    // the caller's own temporary file (and its lock) must not suffer.
    GsfOutput* sink = gsf_output_memory_new();
    GsfOutfile* ole = gsf_outfile_msole_new(sink);
    GsfOutput* child = ole ? gsf_outfile_new_child(ole, "Workbook", FALSE) : nullptr;
    bool ok = child != nullptr;
    ok = ok &&
         gsf_output_write(child, gsize(stream.size()), reinterpret_cast<const guint8*>(stream.constData()));
    if (child) {
        ok = gsf_output_close(child) && ok;
        g_object_unref(child);
    }
    if (ole) {
        ok = gsf_output_close(GSF_OUTPUT(ole)) && ok;
        g_object_unref(ole);
    }
    QString why;
    if (const GError* e = gsf_output_error(sink))
        why = QString::fromUtf8(e->message);
    if (!gsf_output_is_closed(sink))
        ok = gsf_output_close(sink) && ok;
    if (const GError* e = gsf_output_error(sink); why.isEmpty() && e)
        why = QString::fromUtf8(e->message);
    QByteArray bytes;
    if (ok) {
        GsfOutputMemory* mem = GSF_OUTPUT_MEMORY(sink);
        bytes = QByteArray(reinterpret_cast<const char*>(gsf_output_memory_get_bytes(mem)),
                           qsizetype(gsf_output_size(sink)));
    }
    g_object_unref(sink);
    if (!ok)
        return fail(why.isEmpty() ? QStringLiteral("写入失败（内存不足？）") : why);
    QFile file(path);
    // Qt's own error texts are English ("Unknown error" for a full disk).
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return fail(QStringLiteral("无法创建文件（没有权限？）"));
    if (file.write(bytes) != bytes.size() || !file.flush())
        return fail(QStringLiteral("写入失败（磁盘已满？）"));
    return true;
}
