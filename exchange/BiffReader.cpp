#include "exchange/BiffReader.h"

#include "exchange/BiffRecords.h"

#include <QHash>

// The records, their numbers and strings.
using namespace BiffRecords;

namespace {

// What one string or cell costs besides its characters (headers, heap).
constexpr qint64 kStringCost = 40;
constexpr qint64 kCellCost = int(sizeof(TextTable::Text));

// Asks progress every 4096 records, and only when the share read has moved.
struct ProgressTicks
{
    const ProgressFn& progress;
    qsizetype total;
    quint32 counter = 0;
    int lastPercent = -1;

    // False when the user cancelled.
    bool tick(qsizetype pos)
    {
        if (!progress || (++counter & 4095) != 0)
            return true;
        const int percent = int(qMin<qint64>(99, pos * 100 / qMax<qsizetype>(1, total)));
        if (percent == lastPercent)
            return true;
        lastPercent = percent;
        return progress(percent);
    }
};

QString damaged(const QString& why)
{
    return QStringLiteral("工作簿已损坏：%1").arg(why);
}

QString pastEnd()
{
    return damaged(QStringLiteral("记录超出了工作簿数据的末尾。"));
}

} // namespace

bool BiffReader::oldFormat(const QByteArray& head)
{
    if (head.size() < 8)
        return false;
    const auto* p = reinterpret_cast<const uchar*>(head.constData());
    const quint16 type = u16(p);
    // Its size, and the kind of document it starts: a worksheet, chart,
    // macro sheet or (Excel 4.0) a workbook.
    const quint16 size = u16(p + 2);
    const quint16 kind = u16(p + 6);
    return (type == kBof2 || type == kBof3 || type == kBof4) && size >= 4 && size <= 16 &&
           (kind == 0x10 || kind == 0x20 || kind == 0x40 || kind == 0x100);
}

QString BiffReader::oldFormatMessage()
{
    return QStringLiteral("工作簿是Excel 5.0/95或更早的格式，请在Excel中另存为Excel 97-2003工作簿后再导入。");
}

bool BiffReader::open(const QByteArray& stream, WorkbookReader::Budget* budget, QString* error)
{
    m_stream = &stream;
    m_budget = budget;
    m_date1904 = false;
    m_xfFormats.clear();
    m_sstChars.clear();
    m_sst.clear();
    m_sheets.clear();
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    const auto* base = reinterpret_cast<const uchar*>(stream.constData());

    Record rec;
    Step step = recordAt(stream, 0, &rec);
    if (step != Step::Ok)
        return fail(damaged(QStringLiteral("工作簿数据是空的。")));
    if (rec.type == kBof2 || rec.type == kBof3 || rec.type == kBof4 ||
        (rec.type == kBof && rec.size >= 2 && u16(base + rec.data) < kBiff8))
        return fail(oldFormatMessage());
    if (rec.type != kBof || rec.size < 4)
        return fail(QStringLiteral("文件不是Excel 97-2003工作簿。"));

    QHash<quint16, CellText::NumberFormat> formats;
    QVector<quint16> xfFormatIds;
    for (qsizetype pos = rec.next;;) {
        step = recordAt(stream, pos, &rec);
        if (step == Step::End)
            return fail(damaged(QStringLiteral("工作簿的全局数据不完整。")));
        if (step == Step::Damaged)
            return fail(pastEnd());
        pos = rec.next;
        const uchar* p = base + rec.data;
        const uchar* end = base + rec.next;
        if (rec.type == kEof)
            break;
        switch (rec.type) {
        case kFilePass:
            return fail(QStringLiteral(
                "工作簿有密码保护（已加密），无法读取。请先在Excel中取消密码，另存后再导入。"));
        case kDateMode:
            if (rec.size >= 2)
                m_date1904 = u16(p) != 0;
            break;
        case kFormat:
            if (rec.size >= 2) {
                const QString code = recordString(p + 2, end, false);
                if (!m_budget->charge(kStringCost))
                    return fail(WorkbookReader::Budget::message());
                formats.insert(u16(p), CellText::parseFormat(code));
            }
            break;
        case kXf:
            if (!m_budget->charge(int(sizeof(CellText::NumberFormat))))
                return fail(WorkbookReader::Budget::message());
            xfFormatIds << (rec.size >= 4 ? u16(p + 2) : 0);
            break;
        case kBoundSheet:
            if (rec.size >= 6) {
                if (!m_budget->charge(kStringCost + 2 * 255))
                    return fail(WorkbookReader::Budget::message());
                m_sheets.push_back({recordString(p + 6, end, true), u32(p), p[5] == 0});
            }
            break;
        case kSst: {
            if (rec.size < 8)
                return fail(damaged(QStringLiteral("共享字符串表不完整。")));
            // The declared count is only an upper bound: every string
            // takes at least three bytes of the stream.
            const quint32 declared = u32(p + 4);
            m_sstChars.clear(); // one table to a workbook
            m_sst.clear();
            Continued in(stream, rec);
            const uchar* q = nullptr;
            in.bytes(8, &q);
            m_sst.reserve(int(qMin<qint64>(declared, (stream.size() - rec.data) / 3)));
            for (quint32 i = 0; i < declared; ++i) {
                if (in.atEnd())
                    break; // fewer than declared: cells naming the rest fail
                if (!in.bytes(3, &q))
                    return fail(damaged(QStringLiteral("共享字符串表不完整。")));
                const int count = u16(q);
                const quint8 flags = q[2];
                quint16 runs = 0;
                quint32 phonetic = 0;
                if ((flags & 0x08) && in.bytes(2, &q))
                    runs = u16(q);
                if ((flags & 0x04) && in.bytes(4, &q))
                    phonetic = u32(q);
                if (!m_budget->charge(kCellCost + 2 * qint64(count)))
                    return fail(WorkbookReader::Budget::message());
                const qsizetype from = m_sstChars.size();
                if (!in.chars(count, (flags & 0x01) != 0, &m_sstChars) || !in.skip(4 * qint64(runs)) ||
                    !in.skip(phonetic))
                    return fail(damaged(QStringLiteral("共享字符串表不完整。")));
                m_sst << TextTable::sharedText(from, count);
            }
            break; // its CONTINUE records follow as records of their own
        }
        default:
            break;
        }
    }
    m_xfFormats.reserve(xfFormatIds.size());
    for (quint16 id : qAsConst(xfFormatIds)) {
        const auto it = formats.constFind(id);
        m_xfFormats << (it != formats.constEnd() ? it.value()
                                                 : CellText::parseFormat(CellText::builtinFormat(id)));
    }
    return true;
}

QString BiffReader::numberText(quint16 xf, double v) const
{
    if (xf < m_xfFormats.size())
        return CellText::formatted(v, m_xfFormats.at(xf), m_date1904);
    return CellText::number(v);
}

// Puts the cell records of one sheet into its table, charging the budget
// for every text the sheet keeps.
class BiffReader::SheetCells
{
public:
    SheetCells(const BiffReader& reader, WorkbookReader::Sheet* out, QString* error)
        : m_reader(reader), m_out(out), m_table(out->rows), m_error(error)
    {
    }

    // One record of the sheet's own substream; false, with the error set,
    // when the sheet cannot be read on.
    bool take(const Record& rec);

private:
    bool fail(const QString& why)
    {
        if (m_error)
            *m_error = why;
        return false;
    }
    bool put(quint32 row, quint32 col, TextTable::Text text);
    // A text of the sheet's own (not a shared string), charged as it is kept.
    bool putText(quint32 row, quint32 col, const QString& text);
    bool putNumbers(const uchar* p, qsizetype size);
    bool putFormula(const uchar* p);
    bool putStringResult(const Record& rec);
    void seeRow(quint32 row) { m_out->lastRow = qMax(m_out->lastRow, int(row)); }

    const BiffReader& m_reader;
    WorkbookReader::Sheet* m_out;
    TextTable& m_table;
    QString* m_error;
    bool m_pending = false; // a string result waits for its STRING record
    quint32 m_pendingRow = 0;
    quint32 m_pendingCol = 0;
};

bool BiffReader::SheetCells::put(quint32 row, quint32 col, TextTable::Text text)
{
    if (row <= quint32(maxRow()) && col <= quint32(maxColumn()) &&
        m_reader.m_budget->charge(m_table.put(int(row), int(col), text))) {
        seeRow(row);
        return true;
    }
    return fail(m_reader.m_budget->exceeded() ? WorkbookReader::Budget::message()
                                              : damaged(QStringLiteral("单元格位置无效，或工作簿太大。")));
}

bool BiffReader::SheetCells::putText(quint32 row, quint32 col, const QString& text)
{
    if (!m_reader.m_budget->charge(2 * qint64(text.size())))
        return fail(WorkbookReader::Budget::message());
    return put(row, col, m_table.add(text));
}

// MULRK: row, first column, then XF and RK value for each column, last column.
bool BiffReader::SheetCells::putNumbers(const uchar* p, qsizetype size)
{
    const quint32 row = u16(p);
    const quint32 first = u16(p + 2);
    const int n = int((size - 6) / 6);
    for (int i = 0; i < n; ++i) {
        const uchar* c = p + 4 + 6 * i;
        if (!putText(row, first + quint32(i), m_reader.numberText(u16(c), rkValue(u32(c + 2)))))
            return false;
    }
    return true;
}

// FORMULA: row, column, XF, 8-byte result, flags, cache, formula size. A
// string result comes in the STRING record that follows.
bool BiffReader::SheetCells::putFormula(const uchar* p)
{
    const quint32 row = u16(p);
    const quint32 col = u16(p + 2);
    const uchar* result = p + 6;
    QString text;
    if (result[6] == 0xFF && result[7] == 0xFF) {
        if (result[0] == 1)
            text = CellText::boolean(result[2] != 0);
        if (result[0] == 0) {
            m_pending = true;
            m_pendingRow = row;
            m_pendingCol = col;
        }
    } else {
        text = m_reader.numberText(u16(p + 4), f64(result));
    }
    return putText(row, col, text);
}

bool BiffReader::SheetCells::putStringResult(const Record& rec)
{
    if (!m_pending)
        return true;
    m_pending = false;
    if (rec.size < 3)
        return true;
    Continued in(*m_reader.m_stream, rec);
    const uchar* q = nullptr;
    in.bytes(3, &q);
    QString text;
    return !in.chars(u16(q), (q[2] & 0x01) != 0, &text) || putText(m_pendingRow, m_pendingCol, text);
}

bool BiffReader::SheetCells::take(const Record& rec)
{
    const auto* base = reinterpret_cast<const uchar*>(m_reader.m_stream->constData());
    const uchar* p = base + rec.data;
    const uchar* end = base + rec.next;
    switch (rec.type) {
    case kLabelSst:
    case kLabel:
    case kRString:
    case kNumber:
    case kRk:
    case kMulRk:
    case kBoolErr:
    case kBlank:
    case kMulBlank:
    case kFormula:
    case kFormulaOld:
        m_pending = false; // a STRING record belongs to the formula just before
        break;
    default:
        break;
    }
    switch (rec.type) {
    case kLabelSst:
        if (rec.size >= 10) {
            const quint32 i = u32(p + 6);
            if (i >= quint32(m_reader.m_sst.size()))
                return fail(damaged(QStringLiteral("共享字符串编号 %1 无效。").arg(i)));
            return put(u16(p), u16(p + 2), m_reader.m_sst.at(int(i)));
        }
        return true;
    case kLabel:
    case kRString:
        return rec.size < 9 || putText(u16(p), u16(p + 2), recordString(p + 6, end, false));
    case kNumber:
        return rec.size < 14 || putText(u16(p), u16(p + 2), m_reader.numberText(u16(p + 4), f64(p + 6)));
    case kRk:
        return rec.size < 10 ||
               putText(u16(p), u16(p + 2), m_reader.numberText(u16(p + 4), rkValue(u32(p + 6))));
    case kMulRk:
        return rec.size < 6 || putNumbers(p, rec.size);
    case kBoolErr:
        return rec.size < 8 ||
               putText(u16(p), u16(p + 2), p[7] != 0 ? QString() : CellText::boolean(p[6] != 0));
    case kBlank:
    case kRow:
    case kMulBlank:
        if (rec.size >= 2)
            seeRow(u16(p));
        return true;
    case kFormula:
    case kFormulaOld:
        return rec.size < 20 || putFormula(p);
    case kString:
        return putStringResult(rec);
    default:
        return true;
    }
}

bool BiffReader::readSheet(int index, WorkbookReader::Sheet* out, QString* error, const ProgressFn& progress,
                           bool* cancelled)
{
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (!m_stream || index < 0 || index >= m_sheets.size())
        return fail(damaged(QStringLiteral("找不到工作表。")));
    const QByteArray& stream = *m_stream;
    const SheetInfo& sheet = m_sheets.at(index);
    out->name = sheet.name;
    out->lastRow = -1;
    out->rows = TextTable();
    out->rows.setShared(m_sstChars);

    Record rec;
    Step step = recordAt(stream, qsizetype(sheet.offset), &rec);
    if (step == Step::Damaged)
        return fail(pastEnd());
    if (step == Step::End || rec.type != kBof)
        return fail(damaged(QStringLiteral("工作表“%1”的位置不对。").arg(sheet.name)));

    // The sheet's records up to its EOF; charts embedded in the sheet bring
    // BOF..EOF substreams of their own. Cells come row by row; a row met
    // again later is merged at the end.
    SheetCells cells(*this, out, error);
    ProgressTicks ticks{progress, stream.size()};
    int depth = 1;
    for (qsizetype pos = rec.next; depth > 0;) {
        step = recordAt(stream, pos, &rec);
        if (step == Step::End)
            break;
        if (step == Step::Damaged)
            return fail(pastEnd());
        pos = rec.next;
        if (!ticks.tick(pos)) {
            if (cancelled)
                *cancelled = true;
            return fail(QStringLiteral("已取消。"));
        }
        if (rec.type == kBof)
            ++depth;
        else if (rec.type == kEof)
            --depth;
        else if (depth == 1 && !cells.take(rec))
            return false;
    }
    if (!m_budget->charge(out->rows.mergeBytes()))
        return fail(WorkbookReader::Budget::message());
    out->rows.finish();
    out->full = out->lastRow >= maxRow();
    return true;
}
