#include "exchange/BiffFormulaReader.h"

#include "exchange/CellText.h"

#include <QFile>
#include <QVector>

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-utils.h>

#include <cmath>
#include <cstring>
#include <memory>

namespace {

// Record types.
enum : quint16
{
    kFormula = 0x0006,
    kEof = 0x000A,
    kDateMode = 0x0022,
    kContinue = 0x003C,
    kBoundSheet = 0x0085,
    kMulRk = 0x00BD,
    kMulBlank = 0x00BE,
    kRString = 0x00D6,
    kXf = 0x00E0,
    kLabelSst = 0x00FD,
    kBlank = 0x0201,
    kNumber = 0x0203,
    kLabel = 0x0204,
    kBoolErr = 0x0205,
    kString = 0x0207,
    kRk = 0x027E,
    kFormat = 0x041E,
    kBof = 0x0809,
};

constexpr quint16 kBiff8 = 0x0600;
constexpr qint64 kMaxStream = qint64(1) << 30;

template <typename T>
using GsfPtr = std::unique_ptr<T, void (*)(gpointer)>;

template <typename T>
GsfPtr<T> own(T* p)
{
    return GsfPtr<T>(p, g_object_unref);
}

quint16 u16(const uchar* p)
{
    return quint16(p[0] | (p[1] << 8));
}

quint32 u32(const uchar* p)
{
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

double f64(const uchar* p)
{
    quint64 bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = (bits << 8) | p[i];
    double d;
    std::memcpy(&d, &bits, 8);
    return d;
}

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

Step recordAt(const QByteArray& s, qsizetype pos, Record* r)
{
    if (pos < 0 || pos > s.size() - 4)
        return Step::End;
    const auto* p = reinterpret_cast<const uchar*>(s.constData()) + pos;
    r->type = u16(p);
    r->size = u16(p + 2);
    r->data = pos + 4;
    if (r->size > s.size() - r->data)
        return Step::Damaged;
    r->next = r->data + r->size;
    return Step::Ok;
}

// Appends up to count characters (one byte each, or UTF-16LE when wide)
// from p..end; returns how many it took.
int takeChars(const uchar* p, const uchar* end, int count, bool wide, QString* out)
{
    const qsizetype avail = (end - p) / (wide ? 2 : 1);
    const int n = int(qMin<qsizetype>(count, avail));
    for (int i = 0; i < n; ++i)
        out->append(QChar(wide ? u16(p + 2 * i) : quint16(p[i])));
    return n;
}

// A string of a BOUNDSHEET or FORMAT record (8- or 16-bit length, option
// byte, characters), cut at the end of the record.
QString recordString(const uchar* p, const uchar* end, bool shortLength)
{
    const int head = shortLength ? 2 : 3;
    if (end - p < head)
        return QString();
    const int count = shortLength ? p[0] : u16(p);
    const bool wide = (p[head - 1] & 0x01) != 0;
    QString s;
    takeChars(p + head, end, count, wide, &s);
    return s;
}

// The text of a STRING record: an XLUnicodeString whose characters may go
// on in CONTINUE records, each starting with a new option byte. False when
// the text is cut off.
bool continuedString(const QByteArray& s, const Record& rec, QString* out)
{
    const auto* base = reinterpret_cast<const uchar*>(s.constData());
    if (rec.size < 3)
        return false;
    const uchar* p = base + rec.data;
    const int count = u16(p);
    bool wide = (p[2] & 0x01) != 0;
    const uchar* from = p + 3;
    const uchar* end = base + rec.next;
    QString text;
    text.reserve(count);
    qsizetype next = rec.next;
    for (;;) {
        takeChars(from, end, count - int(text.size()), wide, &text);
        if (text.size() >= count)
            break;
        Record more;
        if (recordAt(s, next, &more) != Step::Ok || more.type != kContinue || more.size < 1)
            return false;
        wide = (base[more.data] & 0x01) != 0;
        from = base + more.data + 1;
        end = base + more.next;
        next = more.next;
    }
    *out = text;
    return true;
}

enum class NumberKind
{
    Plain,
    Date,
    DateTime,
    Time
};

// How number cells of a format show, as the FreeXL reading of number cells
// decides it: the built-in date and time formats by number, the workbook's
// own formats by the letters of their code.
NumberKind builtinKind(quint16 format)
{
    switch (format) {
    case 14:
    case 15:
    case 16:
    case 17:
        return NumberKind::Date;
    case 18:
    case 19:
    case 20:
    case 21:
    case 45:
    case 46:
    case 47:
        return NumberKind::Time;
    case 22:
        return NumberKind::DateTime;
    default:
        return NumberKind::Plain;
    }
}

NumberKind codeKind(const QString& code)
{
    int y = 0, m = 0, d = 0, h = 0, s = 0;
    for (QChar c : code) {
        switch (c.toLower().unicode()) {
        case 'y':
            ++y;
            break;
        case 'm':
            ++m;
            break;
        case 'd':
            ++d;
            break;
        case 'h':
            ++h;
            break;
        case 's':
            ++s;
            break;
        default:
            break;
        }
    }
    if (y && m && d && h)
        return NumberKind::DateTime;
    if ((y && m) || (m && d))
        return NumberKind::Date;
    if ((h && m) || (m && s))
        return NumberKind::Time;
    return NumberKind::Plain;
}

QString damaged(const QString& why)
{
    return QStringLiteral("工作簿已损坏：%1").arg(why);
}

} // namespace

bool BiffFormulaReader::readFile(const QString& path, const QString& sheetName, int sheetIndex,
                                 QString* error)
{
    static const bool initialised = [] {
        gsf_init();
        return true;
    }();
    Q_UNUSED(initialised);

    m_cells.clear();
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    const QString notXls = QStringLiteral("文件不是Excel 97-2003工作簿。");
    GError* err = nullptr;
    const QByteArray native = QFile::encodeName(path);
    auto input = own(gsf_input_stdio_new(native.constData(), &err));
    if (err)
        g_error_free(err);
    if (!input)
        return fail(QStringLiteral("文件不存在或无法读取。"));
    err = nullptr;
    auto ole = own(gsf_infile_msole_new(input.get(), &err));
    if (err)
        g_error_free(err);
    if (!ole)
        return fail(notXls);

    // Stream names in a compound file are compared without case.
    GsfPtr<GsfInput> workbook = own<GsfInput>(nullptr);
    for (const char* want : {"Workbook", "Book"}) {
        const int n = gsf_infile_num_children(ole.get());
        for (int i = 0; i < n && !workbook; ++i) {
            const char* name = gsf_infile_name_by_index(ole.get(), i);
            if (name && QString::fromUtf8(name).compare(QLatin1String(want), Qt::CaseInsensitive) == 0)
                workbook = own(gsf_infile_child_by_index(ole.get(), i));
        }
        if (workbook)
            break;
    }
    if (!workbook)
        return fail(notXls);

    const gsf_off_t size = gsf_input_size(workbook.get());
    if (size < 0 || size > kMaxStream)
        return fail(QStringLiteral("工作簿过大或已损坏。"));
    QByteArray stream(qsizetype(size), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < stream.size()) {
        const qsizetype chunk = qMin<qsizetype>(stream.size() - done, 1 << 20);
        if (!gsf_input_read(workbook.get(), size_t(chunk), reinterpret_cast<guint8*>(stream.data() + done)))
            return fail(damaged(QStringLiteral("工作簿数据无法完整读出。")));
        done += chunk;
    }
    return readStream(stream, sheetName, sheetIndex, error);
}

bool BiffFormulaReader::readStream(const QByteArray& stream, const QString& sheetName, int sheetIndex,
                                   QString* error)
{
    m_cells.clear();
    auto fail = [&](const QString& why) {
        if (error)
            *error = damaged(why);
        return false;
    };
    const QString pastEnd = QStringLiteral("记录超出了工作簿数据的末尾。");
    const auto* base = reinterpret_cast<const uchar*>(stream.constData());

    Record rec;
    Step step = recordAt(stream, 0, &rec);
    if (step == Step::Damaged)
        return fail(pastEnd);
    // Only BIFF8 is read here; older workbooks keep what FreeXL gives.
    if (step == Step::End || rec.type != kBof || rec.size < 4 || u16(base + rec.data) != kBiff8)
        return true;

    // Workbook globals: date system, formats, cell formats, sheets.
    bool date1904 = false;
    QHash<quint16, NumberKind> customFormats;
    QVector<quint16> xfFormats;
    struct Sheet
    {
        quint32 offset;
        QString name;
    };
    QVector<Sheet> sheets;
    for (qsizetype pos = rec.next;;) {
        step = recordAt(stream, pos, &rec);
        if (step == Step::End)
            break;
        if (step == Step::Damaged)
            return fail(pastEnd);
        pos = rec.next;
        const uchar* p = base + rec.data;
        const uchar* end = base + rec.next;
        if (rec.type == kEof)
            break;
        switch (rec.type) {
        case kDateMode:
            if (rec.size >= 2)
                date1904 = u16(p) != 0;
            break;
        case kFormat:
            if (rec.size >= 2)
                customFormats.insert(u16(p), codeKind(recordString(p + 2, end, false)));
            break;
        case kXf:
            xfFormats << (rec.size >= 4 ? u16(p + 2) : 0);
            break;
        case kBoundSheet:
            if (rec.size >= 6)
                sheets.push_back({u32(p), recordString(p + 6, end, true)});
            break;
        default:
            break;
        }
    }

    const Sheet* sheet = nullptr;
    for (const Sheet& s : sheets) {
        if (s.name == sheetName) {
            sheet = &s;
            break;
        }
    }
    if (!sheet && sheetIndex >= 0 && sheetIndex < sheets.size())
        sheet = &sheets.at(sheetIndex);
    if (!sheet)
        return fail(QStringLiteral("找不到工作表“%1”。").arg(sheetName));
    step = recordAt(stream, qsizetype(sheet->offset), &rec);
    if (step == Step::Damaged)
        return fail(pastEnd);
    if (step == Step::End || rec.type != kBof)
        return fail(QStringLiteral("工作表“%1”的位置不对。").arg(sheet->name));

    auto numberText = [&](quint16 xf, double v) {
        NumberKind kind = NumberKind::Plain;
        if (xf < xfFormats.size()) {
            const quint16 format = xfFormats.at(xf);
            kind = builtinKind(format);
            if (kind == NumberKind::Plain)
                kind = customFormats.value(format, NumberKind::Plain);
        }
        switch (kind) {
        case NumberKind::Date:
            return CellText::serialDate(v, CellText::DateKind::Date, date1904);
        case NumberKind::DateTime:
            return CellText::serialDate(v, CellText::DateKind::DateTime, date1904);
        case NumberKind::Time:
            return CellText::serialDate(v, CellText::DateKind::Time, date1904);
        case NumberKind::Plain:
            break;
        }
        return CellText::number(v);
    };

    // The sheet's records up to its EOF; charts embedded in the sheet bring
    // BOF..EOF substreams of their own.
    int depth = 1;
    bool pending = false; // a string result waits for its STRING record
    quint64 pendingCell = 0;
    for (qsizetype pos = rec.next; depth > 0;) {
        step = recordAt(stream, pos, &rec);
        if (step == Step::End)
            break;
        if (step == Step::Damaged)
            return fail(pastEnd);
        pos = rec.next;
        const uchar* p = base + rec.data;
        switch (rec.type) {
        case kBof:
            ++depth;
            continue;
        case kEof:
            --depth;
            continue;
        default:
            break;
        }
        if (depth != 1)
            continue;
        switch (rec.type) {
        case kFormula: {
            pending = false;
            // row, column, XF, 8-byte result, flags, cache, formula size.
            if (rec.size < 20)
                break;
            const quint64 cell = key(u16(p), u16(p + 2));
            const uchar* result = p + 6;
            if (result[6] == 0xFF && result[7] == 0xFF) {
                m_cells.insert(cell, result[0] == 1 ? CellText::boolean(result[2] != 0) : QString());
                if (result[0] == 0) {
                    pending = true;
                    pendingCell = cell;
                }
            } else {
                m_cells.insert(cell, numberText(u16(p + 4), f64(result)));
            }
            break;
        }
        case kString: {
            if (!pending)
                break;
            pending = false;
            QString text;
            if (continuedString(stream, rec, &text))
                m_cells.insert(pendingCell, text);
            break;
        }
        case kBoolErr:
            pending = false;
            if (rec.size >= 8 && p[7] != 0)
                m_cells.insert(key(u16(p), u16(p + 2)), QString());
            break;
        case kNumber:
        case kRk:
        case kLabel:
        case kLabelSst:
        case kRString:
        case kBlank:
        case kMulRk:
        case kMulBlank:
            pending = false;
            break;
        default:
            break;
        }
    }
    return true;
}
