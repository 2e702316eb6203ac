#include "exchange/XlsxReader.h"

#include "exchange/CellText.h"
#include "exchange/WorkbookReader.h"

#include <QDateTime>
#include <QDir>
#include <QHash>
#include <QXmlStreamReader>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

namespace {

using DateKind = CellText::DateKind;

// What a cell style does to a number: nothing, or show it as a date/time.
enum class NumKind
{
    Number,
    Date,
    DateTime,
    Time
};

struct Package
{
    QuaZip* zip = nullptr;

    // A part of the package, read whole; false when it is missing.
    bool read(const QString& name, QByteArray* data, QString* error) const
    {
        if (!zip->setCurrentFile(name, QuaZip::csInsensitive))
            return false;
        QuaZipFile f(zip);
        if (!f.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("工作簿已损坏：无法解压 %1。").arg(name);
            return false;
        }
        *data = f.readAll();
        const bool ok = f.getZipError() == UNZ_OK;
        f.close();
        if (!ok || f.getZipError() != UNZ_OK) {
            *error = QStringLiteral("工作簿已损坏：%1 不完整。").arg(name);
            return false;
        }
        return true;
    }
};

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

// Text of an <si> or <is> element: its <t> runs, without phonetic guides.
QString readRichText(QXmlStreamReader& x)
{
    const QString outer = x.name().toString();
    QString text;
    int phonetic = 0;
    while (!x.atEnd()) {
        x.readNext();
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
    return text;
}

NumKind builtinKind(int id)
{
    if ((id >= 14 && id <= 17) || (id >= 27 && id <= 31) || (id >= 34 && id <= 36) || (id >= 50 && id <= 58))
        return NumKind::Date;
    if (id == 22)
        return NumKind::DateTime;
    if ((id >= 18 && id <= 21) || (id >= 32 && id <= 33) || (id >= 45 && id <= 47))
        return NumKind::Time;
    return NumKind::Number;
}

// Whether a number format code shows a date, a time or both: y, d (and a
// lone m) mean date, h and s time; quoted text, escapes and [colour]
// sections don't count.
NumKind codeKind(const QString& code)
{
    bool date = false, time = false, month = false;
    bool quoted = false;
    for (int i = 0; i < code.size(); ++i) {
        const QChar c = code.at(i).toLower();
        if (quoted) {
            quoted = c != QLatin1Char('"');
            continue;
        }
        if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char('\\') || c == QLatin1Char('_') || c == QLatin1Char('*')) {
            ++i;
        } else if (c == QLatin1Char('[')) {
            const int end = code.indexOf(QLatin1Char(']'), i);
            const QString inner = code.mid(i + 1, end < 0 ? -1 : end - i - 1).toLower();
            if (inner == QLatin1String("h") || inner == QLatin1String("hh") || inner == QLatin1String("m") ||
                inner == QLatin1String("mm") || inner == QLatin1String("s") || inner == QLatin1String("ss"))
                time = true;
            if (end < 0)
                break;
            i = end;
        } else if (c == QLatin1Char(';')) {
            break; // the first section decides
        } else if (c == QLatin1Char('y') || c == QLatin1Char('d') || c == QLatin1Char('e') ||
                   c == QLatin1Char('b')) {
            date = true;
        } else if (c == QLatin1Char('h') || c == QLatin1Char('s')) {
            time = true;
        } else if (c == QLatin1Char('m')) {
            month = true;
        } else if (c == QLatin1Char('0') || c == QLatin1Char('#') || c == QLatin1Char('?')) {
            if (!date && !time && !month)
                return NumKind::Number; // a digit placeholder before any date part
        }
    }
    if (month && !time)
        date = true;
    if (date && time)
        return NumKind::DateTime;
    if (date)
        return NumKind::Date;
    if (time)
        return NumKind::Time;
    return NumKind::Number;
}

bool isGeneral(const QString& code)
{
    return code.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0 || code == QLatin1String("@");
}

QVector<NumKind> readStyles(const QByteArray& xml)
{
    QHash<int, QString> custom;
    QVector<NumKind> kinds;
    QXmlStreamReader x(xml);
    bool inCellXfs = false;
    while (!x.atEnd()) {
        x.readNext();
        if (x.isStartElement()) {
            if (x.name() == QLatin1String("numFmt")) {
                custom.insert(attr(x, "numFmtId").toInt(), attr(x, "formatCode"));
            } else if (x.name() == QLatin1String("cellXfs")) {
                inCellXfs = true;
            } else if (inCellXfs && x.name() == QLatin1String("xf")) {
                const int id = attr(x, "numFmtId").toInt();
                NumKind k = NumKind::Number;
                if (custom.contains(id)) {
                    const QString code = custom.value(id);
                    k = isGeneral(code) ? NumKind::Number : codeKind(code);
                } else {
                    k = builtinKind(id);
                }
                kinds << k;
            }
        } else if (x.isEndElement() && x.name() == QLatin1String("cellXfs")) {
            inCellXfs = false;
        }
    }
    return kinds;
}

int columnOf(QStringView ref)
{
    int col = 0;
    int i = 0;
    for (; i < ref.size() && ref.at(i).isLetter(); ++i)
        col = col * 26 + (ref.at(i).toUpper().unicode() - 'A' + 1);
    return i == 0 ? -1 : col - 1;
}

QString numberText(const QString& v, NumKind kind, bool date1904)
{
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (!ok)
        return v;
    switch (kind) {
    case NumKind::Date:
        return CellText::serialDate(d, DateKind::Date, date1904);
    case NumKind::DateTime:
        return CellText::serialDate(d, DateKind::DateTime, date1904);
    case NumKind::Time:
        return CellText::serialDate(d, DateKind::Time, date1904);
    case NumKind::Number:
        break;
    }
    return CellText::number(d);
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

} // namespace

bool XlsxReader::read(const QString& path, WorkbookReader* out, QString* error, const ProgressFn& progress,
                      bool* cancelled)
{
    QString why;
    auto fail = [&](const QString& reason) {
        if (error)
            *error = reason;
        return false;
    };
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdUnzip))
        return fail(QStringLiteral("工作簿已损坏或不是Excel工作簿。"));
    Package pkg{&zip};

    QByteArray data;
    if (!pkg.read(QStringLiteral("xl/workbook.xml"), &data, &why))
        return fail(why.isEmpty() ? QStringLiteral("文件不是Excel工作簿（缺少 xl/workbook.xml）。") : why);

    // Sheets in workbook order; the one named "Sheet1", else the first.
    bool date1904 = false;
    QString sheetName, sheetRel;
    {
        QXmlStreamReader x(data);
        while (!x.atEnd()) {
            x.readNext();
            if (!x.isStartElement())
                continue;
            if (x.name() == QLatin1String("workbookPr")) {
                const QString v = attr(x, "date1904");
                date1904 = v == QLatin1String("1") || v == QLatin1String("true");
            } else if (x.name() == QLatin1String("sheet")) {
                const QString name = attr(x, "name");
                if (sheetRel.isEmpty() || name.compare(QLatin1String("Sheet1"), Qt::CaseInsensitive) == 0) {
                    const bool isSheet1 = name.compare(QLatin1String("Sheet1"), Qt::CaseInsensitive) == 0;
                    sheetName = name;
                    sheetRel = relId(x);
                    if (isSheet1)
                        break;
                }
            }
        }
        if (x.hasError() && x.error() != QXmlStreamReader::PrematureEndOfDocumentError)
            return fail(QStringLiteral("工作簿已损坏：%1").arg(x.errorString()));
    }
    if (sheetRel.isEmpty())
        return fail(QStringLiteral("工作簿中没有工作表。"));

    QString sheetPart, stringsPart = QStringLiteral("xl/sharedStrings.xml"),
                       stylesPart = QStringLiteral("xl/styles.xml");
    if (pkg.read(QStringLiteral("xl/_rels/workbook.xml.rels"), &data, &why)) {
        QXmlStreamReader x(data);
        while (!x.atEnd()) {
            x.readNext();
            if (!x.isStartElement() || x.name() != QLatin1String("Relationship"))
                continue;
            const QString type = attr(x, "Type");
            const QString target = resolveTarget(attr(x, "Target"));
            if (attr(x, "Id") == sheetRel)
                sheetPart = target;
            else if (type.endsWith(QLatin1String("/sharedStrings")))
                stringsPart = target;
            else if (type.endsWith(QLatin1String("/styles")))
                stylesPart = target;
        }
    } else if (!why.isEmpty()) {
        return fail(why);
    }
    if (sheetPart.isEmpty())
        return fail(QStringLiteral("工作簿已损坏：找不到工作表“%1”。").arg(sheetName));

    QVector<QString> strings;
    if (pkg.read(stringsPart, &data, &why)) {
        QXmlStreamReader x(data);
        while (!x.atEnd()) {
            x.readNext();
            if (x.isStartElement() && x.name() == QLatin1String("si"))
                strings << readRichText(x);
        }
        if (x.hasError())
            return fail(QStringLiteral("工作簿已损坏：%1").arg(x.errorString()));
    } else if (!why.isEmpty()) {
        return fail(why);
    }

    QVector<NumKind> styles;
    if (pkg.read(stylesPart, &data, &why))
        styles = readStyles(data);
    else if (!why.isEmpty())
        return fail(why);

    // The sheet is streamed: it is the large part.
    if (!zip.setCurrentFile(sheetPart, QuaZip::csInsensitive))
        return fail(QStringLiteral("工作簿已损坏：找不到工作表“%1”。").arg(sheetName));
    QuaZipFile file(&zip);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("工作簿已损坏：无法解压工作表。"));
    const qint64 total = qMax<qint64>(1, file.usize());
    out->setSheetName(sheetName);
    QVector<QStringList>& rows = out->mutableRows();
    rows.clear();

    QXmlStreamReader x(&file);
    QStringList row;
    bool inRow = false;
    int nextCol = 0;
    int lastPercent = -1;
    int rowCounter = 0;
    while (!x.atEnd()) {
        x.readNext();
        if (x.isStartElement()) {
            if (x.name() == QLatin1String("row")) {
                inRow = true;
                row.clear();
                nextCol = 0;
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
            } else if (inRow && x.name() == QLatin1String("c")) {
                const QXmlStreamAttributes a = x.attributes(); // once per cell: the hot loop
                const QStringView ref = a.value(QLatin1String("r"));
                int col = ref.isEmpty() ? nextCol : columnOf(ref);
                if (col < 0 || col > 16383)
                    return fail(QStringLiteral("工作簿已损坏：单元格位置“%1”无效。").arg(ref.toString()));
                const QStringView type = a.value(QLatin1String("t"));
                const int style = a.value(QLatin1String("s")).toInt();
                QString v, inlineText;
                bool hasInline = false;
                while (!x.atEnd()) {
                    x.readNext();
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
                if (type == QLatin1String("s")) {
                    bool ok = false;
                    const int i = v.toInt(&ok);
                    if (!ok || i < 0 || i >= strings.size())
                        return fail(QStringLiteral("工作簿已损坏：共享字符串编号 %1 无效。").arg(v));
                    text = strings.at(i);
                } else if (type == QLatin1String("inlineStr")) {
                    text = hasInline ? inlineText : v;
                } else if (type == QLatin1String("str")) {
                    text = v;
                } else if (type == QLatin1String("b")) {
                    text = v.isEmpty() ? QString() : CellText::boolean(v.trimmed() == QLatin1String("1"));
                } else if (type == QLatin1String("e")) {
                    text.clear(); // #N/A and friends: no value
                } else if (type == QLatin1String("d")) {
                    text = isoDateText(v);
                } else if (!v.isEmpty()) {
                    const NumKind kind =
                        style >= 0 && style < styles.size() ? styles.at(style) : NumKind::Number;
                    text = numberText(v, kind, date1904);
                }
                while (row.size() < col)
                    row << QString();
                if (row.size() == col)
                    row << text;
                else
                    row[col] = text;
                nextCol = col + 1;
            }
        } else if (x.isEndElement() && x.name() == QLatin1String("row")) {
            inRow = false;
            bool any = false;
            for (const QString& s : qAsConst(row))
                if (!s.isEmpty()) {
                    any = true;
                    break;
                }
            if (any)
                rows << row;
        }
    }
    if (x.hasError())
        return fail(QStringLiteral("工作簿已损坏：%1").arg(x.errorString()));
    file.close();
    if (file.getZipError() != UNZ_OK)
        return fail(QStringLiteral("工作簿已损坏：工作表数据校验失败。"));
    if (progress)
        progress(100);
    return true;
}
