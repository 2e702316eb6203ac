#include "exchange/XlsxSheetReader.h"

#include "exchange/XlsxScanner.h"

#include <QDateTime>
#include <QXmlStreamReader>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

#include <type_traits>

namespace {

constexpr int kMaxRows = 1048576;
constexpr int kMaxColumns = 16384;
// What one string or cell costs besides its characters (headers, heap).
constexpr qint64 kStringCost = 40;
constexpr qint64 kCellCost = int(sizeof(TextTable::Text));
constexpr qint64 kRowCost = 2 * int(sizeof(qsizetype));

QString damaged(const QString& why)
{
    return XlsxSheetReader::damaged(why);
}

// The next token, or false at the end of the document or at an error (a
// damaged part must end the loop, not spin in it).
bool next(QXmlStreamReader& x)
{
    if (x.atEnd() || x.hasError())
        return false;
    x.readNext();
    return !x.hasError();
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
        if (!::next(m_x))
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

QString isoDateText(const QString& v)
{
    QDateTime dt = QDateTime::fromString(v, Qt::ISODate);
    if (!dt.isValid()) {
        const QDate d = QDate::fromString(v.left(10), Qt::ISODate);
        return d.isValid() ? d.toString(QStringLiteral("yyyy-MM-dd")) : v;
    }
    if (dt.time() == QTime(0, 0))
        return dt.date().toString(QStringLiteral("yyyy-MM-dd"));
    return dt.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
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
                rowIndex = number - 1;
                out->lastRow = qMax(out->lastRow, rowIndex);
                if (!wb.budget->charge(kRowCost))
                    return fail(WorkbookReader::Budget::message());
                table.startRow(rowIndex);
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
                    text = isoDateText(v);
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
                const int grown = table.set(col, shared ? sharedText : table.add(text));
                if (!wb.budget->charge(grown * kCellCost))
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
