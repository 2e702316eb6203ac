#include "exchange/XlsxReader.h"

#include "exchange/CellText.h"
#include "exchange/WorkbookReader.h"
#include "exchange/XlsxSheetReader.h"

#include <QBuffer>
#include <QDir>
#include <QHash>
#include <QUrl>
#include <QXmlStreamReader>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

namespace {

// Parts read whole (workbook, relationships, styles, shared strings) and the
// sheet, which is streamed: their uncompressed sizes are checked before
// anything is inflated, so a small zip that would unpack to gigabytes is
// refused at once. A sheet the memory budget lets through is far smaller
// than kMaxSheetPart. How tight a part packs says little (Excel packs
// formatted blank cells more than 100 times); what costs is the size it
// inflates to and the time that takes, so a part packed that tight may
// inflate to kMaxTightPart at most.
constexpr qint64 kMaxSheetPart = qint64(512) << 20;
constexpr qint64 kMaxTightPart = qint64(128) << 20;
constexpr qint64 kMaxRatio = 100;

QString damaged(const QString& why)
{
    return XlsxSheetReader::damaged(why);
}

bool bomb(const QuaZipFileInfo64& info)
{
    const qint64 size = qint64(info.uncompressedSize);
    return size > kMaxTightPart && size / kMaxRatio > qint64(info.compressedSize);
}

QString bombMessage(const QString& part)
{
    return QStringLiteral(
               "工作簿中的 %1 解压后异常庞大（压缩比超过 %2 倍，且超过 %3 MB），不像是表格数据，已拒绝读取。")
        .arg(part)
        .arg(kMaxRatio)
        .arg(kMaxTightPart >> 20);
}

QString badXml(const QString& part, const QXmlStreamReader& x)
{
    return XlsxSheetReader::badXml(part, x);
}

// A part's name as the package's entries are looked up: "/" between
// folders (some writers put "\\"), no leading "/", case left out.
QString entryKey(QString name)
{
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (name.startsWith(QLatin1Char('/')))
        name.remove(0, 1);
    return name.toLower();
}

struct Package
{
    QuaZip* zip = nullptr;
    WorkbookReader::Budget* budget = nullptr;
    QHash<QString, QString> entries; // entryKey() -> the entry's own name

    // The entry holding a part, empty when there is none.
    QString entry(const QString& part) const { return entries.value(entryKey(part)); }

    // A part of the package, read whole; false when it is missing (error
    // left empty) or cannot be read (error set).
    bool read(const QString& name, QByteArray* data, QString* error) const
    {
        error->clear();
        const QString stored = entry(name);
        if (stored.isEmpty() || !zip->setCurrentFile(stored, QuaZip::csSensitive))
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

bool next(QXmlStreamReader& x)
{
    return XlsxSheetReader::nextToken(x);
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

// A relationship's target, relative to the folder of the part it is of.
QString resolveTarget(const QString& folder, const QString& target)
{
    const QString t = QUrl::fromPercentEncoding(target.toUtf8()).replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (t.startsWith(QLatin1Char('/')))
        return QDir::cleanPath(t.mid(1));
    return QDir::cleanPath(folder.isEmpty() ? t : folder + QLatin1Char('/') + t);
}

QString folderOf(const QString& part)
{
    const qsizetype slash = part.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : part.left(slash);
}

struct Relationship
{
    QString type;
    QString target; // the part's name in the package
};

// The relationships of `part` (its .rels beside it, in _rels), by id; false
// with error set when they cannot be read, true and none when there are none.
bool readRelationships(const Package& pkg, const QString& part, QHash<QString, Relationship>* out,
                       QString* error)
{
    const QString folder = folderOf(part);
    const QString rels = (folder.isEmpty() ? QString() : folder + QLatin1Char('/')) +
                         QStringLiteral("_rels/") + part.mid(folder.isEmpty() ? 0 : folder.size() + 1) +
                         QStringLiteral(".rels");
    QByteArray data;
    if (!pkg.read(rels, &data, error))
        return error->isEmpty();
    QXmlStreamReader x(data);
    while (next(x)) {
        if (!x.isStartElement() || x.name() != QLatin1String("Relationship") ||
            attr(x, "TargetMode").compare(QLatin1String("External"), Qt::CaseInsensitive) == 0)
            continue;
        out->insert(attr(x, "Id"), {attr(x, "Type"), resolveTarget(folder, attr(x, "Target"))});
    }
    if (x.hasError()) {
        *error = badXml(rels, x);
        return false;
    }
    return true;
}

// A relationship type, Transitional or Strict, by its last word.
bool typeIs(const QString& type, QLatin1String word)
{
    return type.endsWith(word, Qt::CaseInsensitive) &&
           (type.size() == word.size() || type.at(type.size() - word.size() - 1) == QLatin1Char('/'));
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
    if (!wb.zip->setCurrentFile(part, QuaZip::csSensitive))
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
    Package pkg{&zip, wb.budget, {}};
    const QStringList names = zip.getFileNameList();
    for (const QString& name : names) {
        // Each name is kept twice, with what a hash entry costs.
        if (!wb.budget->charge(4 * qint64(name.size()) + 64))
            return fail(WorkbookReader::Budget::message());
        pkg.entries.insert(entryKey(name), name);
    }

    // The workbook part where the package's relationships say, else (also
    // when they cannot be read) where Excel keeps it.
    QHash<QString, Relationship> rels;
    if (!readRelationships(pkg, QString(), &rels, &why))
        rels.clear();
    QString workbookPart = QStringLiteral("xl/workbook.xml");
    for (const Relationship& r : qAsConst(rels))
        if (typeIs(r.type, QLatin1String("officeDocument")) && !pkg.entry(r.target).isEmpty())
            workbookPart = r.target;
    QByteArray data;
    if (!pkg.read(workbookPart, &data, &why))
        return fail(why.isEmpty() ? QStringLiteral("文件不是Excel工作簿（缺少 xl/workbook.xml）。") : why);

    // Sheets in workbook order. Only the workbook's own elements count, not
    // those of the same name in its extensions (x14:workbookPr).
    QVector<QPair<QString, QString>> sheets; // name, relationship id
    {
        QXmlStreamReader x(data);
        QString ns;
        bool root = true;
        while (next(x)) {
            if (!x.isStartElement())
                continue;
            if (root) {
                ns = x.namespaceUri().toString();
                root = false;
            } else if (x.namespaceUri() != ns) {
                continue;
            }
            if (x.name() == QLatin1String("workbookPr")) {
                const QString v = attr(x, "date1904");
                wb.date1904 = v == QLatin1String("1") || v == QLatin1String("true");
            } else if (x.name() == QLatin1String("sheet")) {
                sheets.append({attr(x, "name"), relId(x)});
            }
        }
        if (x.hasError())
            return fail(badXml(workbookPart, x));
    }

    rels.clear();
    if (!readRelationships(pkg, workbookPart, &rels, &why))
        return fail(why);
    const QString folder = folderOf(workbookPart);
    QString stringsPart = resolveTarget(folder, QStringLiteral("sharedStrings.xml")),
            stylesPart = resolveTarget(folder, QStringLiteral("styles.xml"));
    for (const Relationship& r : qAsConst(rels)) {
        if (typeIs(r.type, QLatin1String("sharedStrings")))
            stringsPart = r.target;
        else if (typeIs(r.type, QLatin1String("styles")))
            stylesPart = r.target;
    }
    // Worksheets only: chart, dialog and macro sheets hold no list. Then
    // "Sheet1", else the first.
    QVector<QPair<QString, QString>> worksheets; // name, part
    int chosen = -1;
    for (const auto& sheet : qAsConst(sheets)) {
        const Relationship r = rels.value(sheet.second);
        if (typeIs(r.type, QLatin1String("chartsheet")) || typeIs(r.type, QLatin1String("dialogsheet")) ||
            r.type.endsWith(QLatin1String("macrosheet"), Qt::CaseInsensitive))
            continue;
        if (chosen < 0 && sheet.first.compare(QLatin1String("Sheet1"), Qt::CaseInsensitive) == 0)
            chosen = int(worksheets.size());
        worksheets.append({sheet.first, r.target});
    }
    if (worksheets.isEmpty())
        return fail(QStringLiteral("工作簿中没有工作表。"));
    if (chosen < 0)
        chosen = 0;

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

    for (int i = chosen; i < worksheets.size(); ++i) {
        WorkbookReader::Sheet sheet;
        sheet.name = worksheets.at(i).first;
        const QString part = pkg.entry(worksheets.at(i).second);
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
