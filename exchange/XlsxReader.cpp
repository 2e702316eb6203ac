#include "exchange/XlsxReader.h"

#include "exchange/CellText.h"
#include "exchange/WorkbookReader.h"
#include "exchange/XlsxSheetReader.h"

#include <QBuffer>
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

QString damaged(const QString& why)
{
    return XlsxSheetReader::damaged(why);
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

QString badXml(const QString& part, const QXmlStreamReader& x)
{
    return XlsxSheetReader::badXml(part, x);
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

// A sheet's sizes checked before anything of it is inflated, then the sheet.
bool readSheet(const XlsxSheetReader::Workbook& wb, const QString& part, WorkbookReader::Sheet* out,
               QString* error, const ProgressFn& progress, bool* cancelled)
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
    return XlsxSheetReader::readSheet(wb, part, out, error, progress, cancelled);
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
    XlsxSheetReader::Workbook wb;
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
        if (!XlsxSheetReader::readStrings(data, stringsPart, &wb, error))
            return false;
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
