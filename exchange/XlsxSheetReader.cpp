#include "exchange/XlsxSheetReader.h"

#include "exchange/XlsxScanner.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

#include <cmath>
#include <type_traits>

namespace {

constexpr int kMaxRows = 1048576;
constexpr int kMaxColumns = 16384;
// What one string or cell costs besides its characters (headers, heap).
constexpr qint64 kStringCost = 40;

QString damaged(const QString& why)
{
    return XlsxSheetReader::damaged(why);
}

int hexDigit(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

// Characters XML cannot hold are written as _xHHHH_ (an underscore that
// would read as one as _x005F_).
QString unescaped(const QString& s)
{
    if (!s.contains(QLatin1String("_x")))
        return s;
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s.at(i) == QLatin1Char('_') && i + 6 < s.size() && s.at(i + 1) == QLatin1Char('x') &&
            s.at(i + 6) == QLatin1Char('_')) {
            int v = 0;
            bool hex = true;
            for (int k = 2; k < 6 && hex; ++k) {
                const int d = hexDigit(s.at(i + k));
                hex = d >= 0;
                v = v * 16 + d;
            }
            if (hex) {
                out.append(QChar(ushort(v)));
                i += 6;
                continue;
            }
        }
        out.append(s.at(i));
    }
    return out;
}

// QXmlStreamReader as the sheet and the shared strings read with: the
// reader that knows all of XML and words what is wrong.
class QtXml
{
public:
    explicit QtXml(QIODevice* in) : m_x(in) {}
    explicit QtXml(const QByteArray& data) : m_x(data) {}
    bool next()
    {
        if (!XlsxSheetReader::nextToken(m_x))
            return false;
        if (m_x.isStartElement())
            m_attributes = m_x.attributes();
        return true;
    }
    bool isStartElement() const { return m_x.isStartElement(); }
    bool isEndElement() const { return m_x.isEndElement(); }
    bool nameIs(QLatin1String name) const { return m_x.name() == name; }
    QStringView attribute(QLatin1String name) const { return m_attributes.value(name); }
    QString readElementText() { return m_x.readElementText(); }
    void readElementText(QString* text) { *text = m_x.readElementText(); }
    void skipCurrentElement() { m_x.skipCurrentElement(); }
    const QXmlStreamReader& reader() const { return m_x; }

private:
    QXmlStreamReader m_x;
    QXmlStreamAttributes m_attributes;
};

// How one reading of a part ended: read, failed with a reason, or given up
// by the lean scanner, to be read again with QXmlStreamReader.
enum class Pass
{
    Done,
    Failed,
    Retry
};

bool stopped(const QtXml& x)
{
    return x.reader().hasError();
}

bool stopped(const XlsxScanner& x)
{
    return x.gaveUp();
}

Pass xmlFailure(const QtXml& x, const QString& part, QString* error)
{
    if (error)
        *error = XlsxSheetReader::badXml(part, x.reader());
    return Pass::Failed;
}

Pass xmlFailure(const XlsxScanner&, const QString&, QString*)
{
    return Pass::Retry;
}

// Text of an <si> or <is> element: its <t> runs, without phonetic guides.
template <class Xml>
QString readRichText(Xml& x, QLatin1String outer)
{
    QString text;
    int phonetic = 0;
    while (x.next()) {
        if (x.isStartElement()) {
            if (x.nameIs(QLatin1String("rPh")))
                ++phonetic;
            else if (x.nameIs(QLatin1String("t")) && phonetic == 0)
                text += x.readElementText();
        } else if (x.isEndElement()) {
            if (x.nameIs(QLatin1String("rPh")))
                --phonetic;
            else if (x.nameIs(outer))
                break;
        }
    }
    return unescaped(text);
}

// The column of a cell reference ("B7" is 1); -1 when it is no reference
// or lies past the last column (XFD).
int columnOf(QStringView ref)
{
    int col = 0;
    int i = 0;
    for (; i < ref.size(); ++i) {
        const ushort u = ref.at(i).toUpper().unicode();
        if (u < 'A' || u > 'Z')
            break;
        if (i == 3)
            return -1;
        col = col * 26 + (u - 'A' + 1);
    }
    return i == 0 || col > kMaxColumns ? -1 : col - 1;
}

// An ISO 8601 value of a date cell: a date, a date and time, a time of
// day, or a duration (hours past 24, or "PT36H"), as days.
struct IsoValue
{
    enum Kind
    {
        Date,
        DateTime,
        Time,
        Duration
    };
    Kind kind = Date;
    QDate date;      // Date and DateTime
    double time = 0; // the time of day, or the duration, in days
};

bool isoValue(const QString& v, IsoValue* out)
{
    // Zones are left out: a sheet's times have none.
    static const QRegularExpression dateTime(
        QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})(?:[T "
                       "](\\d{2}):(\\d{2})(?::(\\d{2}(?:\\.\\d+)?))?)?(?:Z|[+-]\\d{2}:?\\d{2})?$"));
    static const QRegularExpression time(
        QStringLiteral("^T?(\\d{1,7}):(\\d{2})(?::(\\d{2}(?:\\.\\d+)?))?(?:Z|[+-]\\d{2}:?\\d{2})?$"));
    static const QRegularExpression duration(
        QStringLiteral("^P(?:(\\d+(?:\\.\\d+)?)D)?(?:T(?:(\\d+(?:\\.\\d+)?)H)?(?:(\\d+(?:\\.\\d+)?)M)?(?:("
                       "\\d+(?:\\.\\d+)?)S)?)?$"));
    const QString s = v.trimmed();
    auto seconds = [](const QRegularExpressionMatch& m, int h, int min, int sec) {
        return m.captured(h).toDouble() * 3600 + m.captured(min).toDouble() * 60 + m.captured(sec).toDouble();
    };
    QRegularExpressionMatch m = dateTime.match(s);
    if (m.hasMatch()) {
        out->date = QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
        const double secs = seconds(m, 4, 5, 6);
        if (!out->date.isValid() || m.captured(4).toInt() > 23 || m.captured(5).toInt() > 59 || secs >= 86400)
            return false;
        out->kind = m.capturedLength(4) > 0 && secs > 0 ? IsoValue::DateTime : IsoValue::Date;
        out->time = secs / 86400;
        return true;
    }
    m = time.match(s);
    if (m.hasMatch()) {
        if (m.captured(2).toInt() > 59 || m.captured(3).toDouble() >= 60)
            return false;
        out->time = seconds(m, 1, 2, 3) / 86400;
        out->kind = m.captured(1).toInt() > 23 ? IsoValue::Duration : IsoValue::Time;
        return true;
    }
    m = duration.match(s);
    if (m.hasMatch() && s != QLatin1String("P") && !s.endsWith(QLatin1Char('T'))) {
        out->time = (m.captured(1).toDouble() * 86400 + seconds(m, 2, 3, 4)) / 86400;
        out->kind = IsoValue::Duration;
        return true;
    }
    return false;
}

// The serial day number of a date in the workbook's date system; false
// before the system's first day.
bool serialDay(const QDate& d, bool date1904, double* days)
{
    qint64 n;
    if (date1904)
        n = QDate(1904, 1, 1).daysTo(d);
    else if (d >= QDate(1900, 3, 1))
        n = QDate(1899, 12, 30).daysTo(d);
    else
        n = QDate(1899, 12, 31).daysTo(d); // day 60 is the 29 February 1900 that never was
    // A time alone is often written on the day before the first.
    if (n < 0 && (d == QDate(1899, 12, 30) || d == QDate(1899, 12, 31)))
        n = 0;
    *days = double(n);
    return n >= 0;
}

// A date cell's text: through the cell's number format, as a number cell of
// the same serial would read; under General, as what the value holds.
QString isoDateText(const QString& v, const CellText::NumberFormat* format, bool date1904)
{
    IsoValue iso;
    if (!isoValue(v, &iso))
        return v;
    const bool dated = iso.kind == IsoValue::Date || iso.kind == IsoValue::DateTime;
    double serial = iso.time;
    double days = 0;
    const bool counted = !dated || serialDay(iso.date, date1904, &days);
    serial += days;
    if (format && format->kind != CellText::NumberFormat::Kind::General && counted)
        return CellText::formatted(serial, *format, date1904);
    switch (iso.kind) {
    case IsoValue::Date:
        return iso.date.toString(QStringLiteral("yyyy-MM-dd"));
    case IsoValue::DateTime:
        return iso.date.toString(QStringLiteral("yyyy-MM-dd ")) +
               QTime(0, 0).addSecs(int(std::llround(iso.time * 86400))).toString(QStringLiteral("hh:mm:ss"));
    case IsoValue::Time:
        return CellText::serialDate(iso.time, CellText::DateKind::Time);
    case IsoValue::Duration:
        return CellText::elapsedTime(iso.time);
    }
    return v;
}

// What a cell's t attribute says it holds.
enum class CellType
{
    Number,
    Shared,
    Inline,
    Formula,
    Boolean,
    Error,
    Date
};

CellType cellType(QStringView t)
{
    if (t == QLatin1String("s"))
        return CellType::Shared;
    if (t == QLatin1String("inlineStr"))
        return CellType::Inline;
    if (t == QLatin1String("str"))
        return CellType::Formula;
    if (t == QLatin1String("b"))
        return CellType::Boolean;
    if (t == QLatin1String("e"))
        return CellType::Error;
    if (t == QLatin1String("d"))
        return CellType::Date;
    return CellType::Number;
}

// One reading of the sheet part with the reader Xml.
template <class Xml>
Pass sheetPass(const XlsxSheetReader::Workbook& wb, const QString& part, WorkbookReader::Sheet* out,
               QString* error, const ProgressFn& progress, bool* cancelled)
{
    auto fail = [&](const QString& reason) {
        if (error)
            *error = reason;
        return Pass::Failed;
    };
    if (!wb.zip->setCurrentFile(part, QuaZip::csInsensitive))
        return fail(damaged(QStringLiteral("找不到工作表“%1”。").arg(out->name)));
    QuaZipFile file(wb.zip);
    if (!file.open(QIODevice::ReadOnly))
        return fail(damaged(QStringLiteral("无法解压工作表。")));
    const qint64 total = qMax<qint64>(1, file.usize());
    TextTable& table = out->rows;
    table = TextTable();
    table.setShared(wb.stringChars);
    out->lastRow = -1;

    Xml x(&file);
    QString v; // a cell's <v>, its room kept from cell to cell
    bool inRow = false;
    int rowIndex = -1;
    int nextCol = 0;
    int lastPercent = -1;
    int rowCounter = 0;
    while (x.next()) {
        if (x.isStartElement()) {
            if (x.nameIs(QLatin1String("row"))) {
                nextCol = 0;
                const QStringView r = x.attribute(QLatin1String("r"));
                bool ok = true;
                const int number = r.isEmpty() ? rowIndex + 2 : r.toInt(&ok);
                if (!ok || number < 1 || number > kMaxRows)
                    return fail(damaged(QStringLiteral("行号“%1”无效。").arg(r.toString())));
                // A row met again, or after a later one, joins its row.
                rowIndex = number - 1;
                out->lastRow = qMax(out->lastRow, rowIndex);
                inRow = true;
                if (progress && (++rowCounter & 255) == 0) {
                    const int percent = int(qMin<qint64>(99, file.pos() * 100 / total));
                    if (percent != lastPercent) {
                        lastPercent = percent;
                        if (!progress(percent)) {
                            if (cancelled)
                                *cancelled = true;
                            return fail(QStringLiteral("已取消。"));
                        }
                    }
                }
            } else if (inRow && x.nameIs(QLatin1String("c"))) {
                const QStringView ref = x.attribute(QLatin1String("r"));
                const int col = ref.isEmpty() ? nextCol : columnOf(ref);
                if (col < 0 || col >= kMaxColumns)
                    return fail(damaged(QStringLiteral("单元格位置“%1”无效。").arg(ref.left(20).toString())));
                const CellType type = cellType(x.attribute(QLatin1String("t")));
                const int style = x.attribute(QLatin1String("s")).toInt();
                QString inlineText;
                bool hasInline = false;
                v.resize(0);
                while (x.next()) {
                    if (x.isStartElement()) {
                        if (x.nameIs(QLatin1String("v"))) {
                            x.readElementText(&v);
                        } else if (x.nameIs(QLatin1String("is"))) {
                            inlineText = readRichText(x, QLatin1String("is"));
                            hasInline = true;
                        } else {
                            x.skipCurrentElement();
                        }
                    } else if (x.isEndElement() && x.nameIs(QLatin1String("c"))) {
                        break;
                    }
                }
                QString text;
                TextTable::Text sharedText;
                bool shared = false;
                switch (type) {
                case CellType::Shared: {
                    if (v.isEmpty())
                        break; // <c t="s"/>: no string
                    bool ok = false;
                    const int i = v.toInt(&ok);
                    if (!ok || i < 0 || i >= wb.strings.size())
                        return fail(damaged(QStringLiteral("共享字符串编号 %1 无效。").arg(v.left(20))));
                    sharedText = wb.strings.at(i);
                    shared = true;
                    break;
                }
                case CellType::Inline:
                    text = hasInline ? inlineText : unescaped(v);
                    break;
                case CellType::Formula:
                    text = unescaped(v);
                    break;
                case CellType::Boolean:
                    text = v.isEmpty() ? QString() : CellText::boolean(v.trimmed() == QLatin1String("1"));
                    break;
                case CellType::Error:
                    break; // #N/A and friends: no value
                case CellType::Date:
                    text = isoDateText(
                        v, style >= 0 && style < wb.styles.size() ? &wb.styles.at(style) : nullptr,
                        wb.date1904);
                    break;
                case CellType::Number:
                    if (!v.isEmpty()) {
                        bool ok = false;
                        const double d = v.toDouble(&ok);
                        if (!ok)
                            text = v;
                        else if (style >= 0 && style < wb.styles.size())
                            text = CellText::formatted(d, wb.styles.at(style), wb.date1904);
                        else
                            text = CellText::number(d);
                    }
                    break;
                }
                if (!shared && !wb.budget->charge(2 * qint64(text.size())))
                    return fail(WorkbookReader::Budget::message());
                if (!wb.budget->charge(table.put(rowIndex, col, shared ? sharedText : table.add(text))))
                    return fail(WorkbookReader::Budget::message());
                nextCol = col + 1;
            }
        } else if (x.isEndElement() && x.nameIs(QLatin1String("row"))) {
            inRow = false;
        }
    }
    if (stopped(x)) {
        // Whatever stopped the scanner, QXmlStreamReader reads the part
        // again and words the reason as it always has.
        if (std::is_same_v<Xml, XlsxScanner>)
            return Pass::Retry;
        if (file.getZipError() != UNZ_OK)
            return fail(damaged(QStringLiteral("工作表“%1”的数据无法解压。").arg(out->name)));
        return xmlFailure(x, part, error);
    }
    file.close();
    if (file.getZipError() != UNZ_OK)
        return fail(damaged(QStringLiteral("工作表数据校验失败。")));
    if (!wb.budget->charge(table.mergeBytes()))
        return fail(WorkbookReader::Budget::message());
    table.finish();
    out->full = out->lastRow >= kMaxRows - 1;
    return Pass::Done;
}

// The shared strings, read as the sheet is.
template <class Xml>
Pass stringsPass(const QByteArray& data, XlsxSheetReader::Workbook* wb, const QString& part, QString* error)
{
    wb->strings.clear();
    wb->stringChars.clear();
    Xml x(data);
    while (x.next()) {
        if (x.isStartElement() && x.nameIs(QLatin1String("si"))) {
            const QString text = readRichText(x, QLatin1String("si"));
            // Each entry costs at least its header, whatever its text.
            if (!wb->budget->charge(kStringCost + 2 * qint64(text.size()))) {
                if (error)
                    *error = WorkbookReader::Budget::message();
                return Pass::Failed;
            }
            wb->strings << TextTable::sharedText(wb->stringChars.size(), text.size());
            wb->stringChars += text;
        }
    }
    if (stopped(x))
        return xmlFailure(x, part, error);
    return Pass::Done;
}

} // namespace

bool XlsxSheetReader::nextToken(QXmlStreamReader& x)
{
    if (x.atEnd() || x.hasError())
        return false;
    x.readNext();
    // Qt bounds what entities expand to by their characters: nested empty
    // ones cost it time by the number of references. No workbook part
    // declares any.
    if (x.isDTD() && (!x.entityDeclarations().isEmpty() || x.text().contains(QLatin1String("<!ENTITY"))))
        x.raiseError(QStringLiteral("XML 中声明了实体，已拒绝读取"));
    return !x.hasError();
}

QString XlsxSheetReader::damaged(const QString& why)
{
    return QStringLiteral("工作簿已损坏：%1").arg(why);
}

QString XlsxSheetReader::badXml(const QString& part, const QXmlStreamReader& x)
{
    return damaged(QStringLiteral("%1 的内容不完整或格式错误（第 %2 行：%3）。")
                       .arg(part)
                       .arg(x.lineNumber())
                       .arg(x.errorString()));
}

bool XlsxSheetReader::readStrings(const QByteArray& data, const QString& part, Workbook* package,
                                  QString* error)
{
    const WorkbookReader::Budget before = *package->budget;
    Pass pass = stringsPass<XlsxScanner>(data, package, part, error);
    if (pass == Pass::Retry) {
        *package->budget = before;
        pass = stringsPass<QtXml>(data, package, part, error);
    }
    return pass == Pass::Done;
}

// The sheet is read with the lean scanner; what it gives up on is read
// again, from the start, with QXmlStreamReader.
bool XlsxSheetReader::readSheet(const Workbook& package, const QString& part, WorkbookReader::Sheet* out,
                                QString* error, const ProgressFn& progress, bool* cancelled)
{
    const WorkbookReader::Budget before = *package.budget;
    Pass pass = sheetPass<XlsxScanner>(package, part, out, error, progress, cancelled);
    if (pass == Pass::Retry) {
        *package.budget = before;
        pass = sheetPass<QtXml>(package, part, out, error, progress, cancelled);
    }
    return pass == Pass::Done;
}
