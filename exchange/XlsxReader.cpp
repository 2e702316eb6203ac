#include "exchange/XlsxReader.h"

#include "exchange/CellText.h"
#include "exchange/WorkbookReader.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QHash>
#include <QXmlStreamReader>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

namespace {

// Parts read whole (workbook, relationships, styles, shared strings) and the
// sheet, which is streamed: their uncompressed sizes are checked before
// anything is inflated, so a small zip that would unpack to gigabytes is
// refused at once. A sheet the memory budget lets through is far smaller
// than kMaxSheetPart; a large part packed more than kMaxRatio times tighter
// than real sheet XML ever is, is a zip bomb, not a list.
constexpr qint64 kMaxSheetPart = qint64(512) << 20;
constexpr qint64 kRatioFrom = qint64(16) << 20;
constexpr qint64 kMaxRatio = 100;
constexpr int kMaxRows = 1048576;
constexpr int kMaxColumns = 16384;
// What one string or cell costs besides its characters (headers, heap).
constexpr qint64 kStringCost = 40;
constexpr qint64 kCellCost = int(sizeof(QString));

QString damaged(const QString& why)
{
    return QStringLiteral("工作簿已损坏：%1").arg(why);
}

bool bomb(const QuaZipFileInfo64& info)
{
    const qint64 size = qint64(info.uncompressedSize);
    return size > kRatioFrom && size / kMaxRatio > qint64(info.compressedSize);
}

QString bombMessage(const QString& part)
{
    return QStringLiteral("工作簿中的 %1 解压后异常庞大（压缩比超过 %2 倍），不像是表格数据，已拒绝读取。")
        .arg(part)
        .arg(kMaxRatio);
}

// A part whose XML cannot be read, with the parser's words after ours.
QString badXml(const QString& part, const QXmlStreamReader& x)
{
    return damaged(QStringLiteral("%1 的内容不完整或格式错误（第 %2 行：%3）。")
                       .arg(part)
                       .arg(x.lineNumber())
                       .arg(x.errorString()));
}

struct Package
{
    QuaZip* zip = nullptr;
    WorkbookReader::Budget* budget = nullptr;

    // A part of the package, read whole; false when it is missing (error
    // left empty) or cannot be read (error set).
    bool read(const QString& name, QByteArray* data, QString* error) const
    {
        error->clear();
        if (!zip->setCurrentFile(name, QuaZip::csInsensitive))
            return false;
        QuaZipFileInfo64 info;
        if (!zip->getCurrentFileInfo(&info)) {
            *error = damaged(QStringLiteral("无法读取 %1。").arg(name));
            return false;
        }
        if (bomb(info)) {
            *error = bombMessage(name);
            return false;
        }
        if (!budget->charge(qint64(info.uncompressedSize))) {
            *error = WorkbookReader::Budget::message();
            return false;
        }
        QuaZipFile f(zip);
        if (!f.open(QIODevice::ReadOnly)) {
            *error = damaged(QStringLiteral("无法解压 %1。").arg(name));
            return false;
        }
        *data = f.readAll();
        const bool ok = f.getZipError() == UNZ_OK;
        f.close();
        if (!ok || f.getZipError() != UNZ_OK) {
            *error = damaged(QStringLiteral("%1 不完整。").arg(name));
            return false;
        }
        return true;
    }
};

// The next token, or false at the end of the document or at an error (a
// damaged part must end the loop, not spin in it).
bool next(QXmlStreamReader& x)
{
    if (x.atEnd() || x.hasError())
        return false;
    x.readNext();
    return !x.hasError();
}

QString attr(const QXmlStreamReader& x, const char* name)
{
    return x.attributes().value(QLatin1String(name)).toString();
}

// The relationship id of a <sheet>: r:id in whatever namespace the writer used.
QString relId(const QXmlStreamReader& x)
{
    for (const QXmlStreamAttribute& a : x.attributes())
        if (a.name() == QLatin1String("id") && !a.prefix().isEmpty())
            return a.value().toString();
    return QString();
}

QString resolveTarget(const QString& target)
{
    if (target.startsWith(QLatin1Char('/')))
        return QDir::cleanPath(target.mid(1));
    return QDir::cleanPath(QStringLiteral("xl/") + target);
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

// Text of an <si> or <is> element: its <t> runs, without phonetic guides.
QString readRichText(QXmlStreamReader& x)
{
    const QString outer = x.name().toString();
    QString text;
    int phonetic = 0;
    while (next(x)) {
        if (x.isStartElement()) {
            if (x.name() == QLatin1String("rPh"))
                ++phonetic;
            else if (x.name() == QLatin1String("t") && phonetic == 0)
                text += x.readElementText();
        } else if (x.isEndElement()) {
            if (x.name() == QLatin1String("rPh"))
                --phonetic;
            else if (x.name() == outer)
                break;
        }
    }
    return unescaped(text);
}

QVector<CellText::NumberFormat> readStyles(const QByteArray& xml, QString* error)
{
    QHash<int, QString> custom;
    QVector<CellText::NumberFormat> formats;
    QXmlStreamReader x(xml);
    bool inCellXfs = false;
    while (next(x)) {
        if (x.isStartElement()) {
            if (x.name() == QLatin1String("numFmt")) {
                custom.insert(attr(x, "numFmtId").toInt(), attr(x, "formatCode"));
            } else if (x.name() == QLatin1String("cellXfs")) {
                inCellXfs = true;
            } else if (inCellXfs && x.name() == QLatin1String("xf")) {
                const int id = attr(x, "numFmtId").toInt();
                const auto it = custom.constFind(id);
                formats << CellText::parseFormat(it != custom.constEnd() ? it.value()
                                                                         : CellText::builtinFormat(id));
            }
        } else if (x.isEndElement() && x.name() == QLatin1String("cellXfs")) {
            inCellXfs = false;
        }
    }
    if (x.hasError())
        *error = badXml(QStringLiteral("styles.xml"), x);
    return formats;
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

// What every sheet of the package reads with.
struct Shared
{
    QuaZip* zip = nullptr;
    WorkbookReader::Budget* budget = nullptr;
    QVector<QString> strings;
    QVector<CellText::NumberFormat> styles;
    bool date1904 = false;
};

bool readSheet(const Shared& wb, const QString& part, WorkbookReader::Sheet* out, QString* error,
               const ProgressFn& progress, bool* cancelled)
{
    auto fail = [&](const QString& reason) {
        if (error)
            *error = reason;
        return false;
    };
    if (!wb.zip->setCurrentFile(part, QuaZip::csInsensitive))
        return fail(damaged(QStringLiteral("找不到工作表“%1”。").arg(out->name)));
    QuaZipFileInfo64 info;
    if (!wb.zip->getCurrentFileInfo(&info) || qint64(info.uncompressedSize) > kMaxSheetPart)
        return fail(QStringLiteral("工作表“%1”太大或已损坏。").arg(out->name));
    if (bomb(info))
        return fail(bombMessage(part));
    QuaZipFile file(wb.zip);
    if (!file.open(QIODevice::ReadOnly))
        return fail(damaged(QStringLiteral("无法解压工作表。")));
    const qint64 total = qMax<qint64>(1, file.usize());
    QVector<QStringList>& rows = out->rows;
    rows.clear();

    QXmlStreamReader x(&file);
    QStringList row;
    int rowIndex = -1;
    int nextCol = 0;
    int lastPercent = -1;
    int rowCounter = 0;
    while (next(x)) {
        if (x.isStartElement()) {
            if (x.name() == QLatin1String("row")) {
                row.clear();
                nextCol = 0;
                const QStringView r = x.attributes().value(QLatin1String("r"));
                bool ok = true;
                const int number = r.isEmpty() ? rowIndex + 2 : r.toInt(&ok);
                if (!ok || number < 1 || number > kMaxRows)
                    return fail(damaged(QStringLiteral("行号“%1”无效。").arg(r.toString())));
                rowIndex = number - 1;
                out->lastRow = qMax(out->lastRow, rowIndex);
                if (!wb.budget->charge(int(sizeof(QStringList))))
                    return fail(WorkbookReader::Budget::message());
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
            } else if (rowIndex >= 0 && x.name() == QLatin1String("c")) {
                const QXmlStreamAttributes a = x.attributes(); // once per cell: the hot loop
                const QStringView ref = a.value(QLatin1String("r"));
                const int col = ref.isEmpty() ? nextCol : columnOf(ref);
                if (col < 0 || col >= kMaxColumns)
                    return fail(damaged(QStringLiteral("单元格位置“%1”无效。").arg(ref.left(20).toString())));
                const QStringView type = a.value(QLatin1String("t"));
                const int style = a.value(QLatin1String("s")).toInt();
                QString v, inlineText;
                bool hasInline = false;
                while (next(x)) {
                    if (x.isStartElement()) {
                        if (x.name() == QLatin1String("v")) {
                            v = x.readElementText();
                        } else if (x.name() == QLatin1String("is")) {
                            inlineText = readRichText(x);
                            hasInline = true;
                        } else {
                            x.skipCurrentElement();
                        }
                    } else if (x.isEndElement() && x.name() == QLatin1String("c")) {
                        break;
                    }
                }
                QString text;
                bool shared = false;
                if (type == QLatin1String("s")) {
                    bool ok = false;
                    const int i = v.toInt(&ok);
                    if (!ok || i < 0 || i >= wb.strings.size())
                        return fail(damaged(QStringLiteral("共享字符串编号 %1 无效。").arg(v.left(20))));
                    text = wb.strings.at(i);
                    shared = true;
                } else if (type == QLatin1String("inlineStr")) {
                    text = hasInline ? inlineText : unescaped(v);
                } else if (type == QLatin1String("str")) {
                    text = unescaped(v);
                } else if (type == QLatin1String("b")) {
                    text = v.isEmpty() ? QString() : CellText::boolean(v.trimmed() == QLatin1String("1"));
                } else if (type == QLatin1String("e")) {
                    text.clear(); // #N/A and friends: no value
                } else if (type == QLatin1String("d")) {
                    text = isoDateText(v);
                } else if (!v.isEmpty()) {
                    bool ok = false;
                    const double d = v.toDouble(&ok);
                    if (!ok)
                        text = v;
                    else if (style >= 0 && style < wb.styles.size())
                        text = CellText::formatted(d, wb.styles.at(style), wb.date1904);
                    else
                        text = CellText::number(d);
                }
                const qint64 grow = qMax<qint64>(0, qint64(col) + 1 - row.size());
                if (!wb.budget->charge(grow * kCellCost +
                                       (shared ? 0 : 2 * qint64(text.size()) + kStringCost)))
                    return fail(WorkbookReader::Budget::message());
                while (row.size() < col)
                    row << QString();
                if (row.size() == col)
                    row << text;
                else
                    row[col] = text;
                nextCol = col + 1;
            }
        } else if (x.isEndElement() && x.name() == QLatin1String("row")) {
            if (WorkbookReader::hasText(row))
                rows << row;
            row.clear();
        }
    }
    if (x.hasError()) {
        if (file.getZipError() != UNZ_OK)
            return fail(damaged(QStringLiteral("工作表“%1”的数据无法解压。").arg(out->name)));
        return fail(badXml(part, x));
    }
    file.close();
    if (file.getZipError() != UNZ_OK)
        return fail(damaged(QStringLiteral("工作表数据校验失败。")));
    out->full = out->lastRow >= kMaxRows - 1;
    return true;
}

bool readPackage(QuaZip& zip, WorkbookReader* out, QString* error, const ProgressFn& progress,
                 bool* cancelled)
{
    QString why;
    auto fail = [&](const QString& reason) {
        if (error)
            *error = reason;
        return false;
    };
    if (!zip.open(QuaZip::mdUnzip))
        return fail(QStringLiteral("工作簿已损坏或不是Excel工作簿。"));
    Shared wb;
    wb.zip = &zip;
    wb.budget = &out->budget();
    const Package pkg{&zip, wb.budget};

    QByteArray data;
    if (!pkg.read(QStringLiteral("xl/workbook.xml"), &data, &why))
        return fail(why.isEmpty() ? QStringLiteral("文件不是Excel工作簿（缺少 xl/workbook.xml）。") : why);

    // Sheets in workbook order: the one named "Sheet1", else the first.
    QVector<QPair<QString, QString>> sheets; // name, relationship id
    int chosen = -1;
    {
        QXmlStreamReader x(data);
        while (next(x)) {
            if (!x.isStartElement())
                continue;
            if (x.name() == QLatin1String("workbookPr")) {
                const QString v = attr(x, "date1904");
                wb.date1904 = v == QLatin1String("1") || v == QLatin1String("true");
            } else if (x.name() == QLatin1String("sheet")) {
                const QString name = attr(x, "name");
                if (chosen < 0 && name.compare(QLatin1String("Sheet1"), Qt::CaseInsensitive) == 0)
                    chosen = int(sheets.size());
                sheets.append({name, relId(x)});
            }
        }
        if (x.hasError())
            return fail(badXml(QStringLiteral("xl/workbook.xml"), x));
    }
    if (sheets.isEmpty())
        return fail(QStringLiteral("工作簿中没有工作表。"));
    if (chosen < 0)
        chosen = 0;

    QHash<QString, QString> targets; // relationship id -> part
    QString stringsPart = QStringLiteral("xl/sharedStrings.xml"),
            stylesPart = QStringLiteral("xl/styles.xml");
    if (pkg.read(QStringLiteral("xl/_rels/workbook.xml.rels"), &data, &why)) {
        QXmlStreamReader x(data);
        while (next(x)) {
            if (!x.isStartElement() || x.name() != QLatin1String("Relationship"))
                continue;
            const QString type = attr(x, "Type");
            const QString target = resolveTarget(attr(x, "Target"));
            targets.insert(attr(x, "Id"), target);
            if (type.endsWith(QLatin1String("/sharedStrings")))
                stringsPart = target;
            else if (type.endsWith(QLatin1String("/styles")))
                stylesPart = target;
        }
        if (x.hasError())
            return fail(badXml(QStringLiteral("xl/_rels/workbook.xml.rels"), x));
    } else if (!why.isEmpty()) {
        return fail(why);
    }

    if (pkg.read(stringsPart, &data, &why)) {
        QXmlStreamReader x(data);
        while (next(x)) {
            if (x.isStartElement() && x.name() == QLatin1String("si")) {
                // Each entry costs at least its header, whatever its text.
                if (!wb.budget->charge(kStringCost))
                    return fail(WorkbookReader::Budget::message());
                wb.strings << readRichText(x);
            }
        }
        if (x.hasError())
            return fail(badXml(stringsPart, x));
        data.clear();
    } else if (!why.isEmpty()) {
        return fail(why);
    }

    if (pkg.read(stylesPart, &data, &why)) {
        wb.styles = readStyles(data, &why);
        if (!why.isEmpty())
            return fail(why);
    } else if (!why.isEmpty()) {
        return fail(why);
    }

    for (int i = chosen; i < sheets.size(); ++i) {
        WorkbookReader::Sheet sheet;
        sheet.name = sheets.at(i).first;
        const QString part = targets.value(sheets.at(i).second);
        if (part.isEmpty())
            return fail(damaged(QStringLiteral("找不到工作表“%1”。").arg(sheet.name)));
        if (!readSheet(wb, part, &sheet, error, progress, cancelled))
            return false;
        const bool full = sheet.full;
        out->addSheet(std::move(sheet));
        if (!full)
            break;
    }
    if (progress)
        progress(100);
    return true;
}

} // namespace

bool XlsxReader::read(const QString& path, WorkbookReader* out, QString* error, const ProgressFn& progress,
                      bool* cancelled)
{
    QuaZip zip(path);
    return readPackage(zip, out, error, progress, cancelled);
}

bool XlsxReader::readData(const QByteArray& data, WorkbookReader* out, QString* error)
{
    QBuffer buffer;
    buffer.setData(data);
    QuaZip zip(&buffer);
    return readPackage(zip, out, error, {}, nullptr);
}
