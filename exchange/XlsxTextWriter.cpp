#include "exchange/XlsxTextWriter.h"

#include "exchange/BackgroundWriter.h"

#include <QRegularExpression>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

#include <zlib.h>

#include <QDateTime>
#include <QDir>

namespace {

// Whether s goes into the sheet as it is: most texts (names, addresses,
// numbers) hold none of the characters that need care.
bool plain(const QString& s)
{
    for (const QChar c : s) {
        const ushort u = c.unicode();
        if (u < 0x20 || u == '&' || u == '<' || u == '>' || u == '"' || u == '_')
            return false;
    }
    return true;
}

QByteArray escape(const QString& s)
{
    if (plain(s))
        return s.toUtf8();
    static const QRegularExpression escapeLike(QStringLiteral("^_x[0-9A-Fa-f]{4}_"));
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s.at(i);
        const ushort u = c.unicode();
        if (c == QLatin1Char('_') && s.mid(i, 7).contains(escapeLike))
            out += QLatin1String("_x005F_"); // a text that would read as an escape
        else if (c == QLatin1Char('\r'))
            out += QLatin1String("&#13;"); // XML readers turn a bare CR into LF
        else if (c == QLatin1Char('&'))
            out += QLatin1String("&amp;");
        else if (c == QLatin1Char('<'))
            out += QLatin1String("&lt;");
        else if (c == QLatin1Char('>'))
            out += QLatin1String("&gt;");
        else if (c == QLatin1Char('"'))
            out += QLatin1String("&quot;");
        else if (u < 0x20 && u != 0x09 && u != 0x0A && u != 0x0D)
            out += QStringLiteral("_x%1_").arg(u, 4, 16, QLatin1Char('0')); // not allowed in XML 1.0
        else
            out += c;
    }
    return out.toUtf8();
}

QByteArray columnName(int c)
{
    QByteArray s;
    for (++c; c > 0; c = (c - 1) / 26)
        s.prepend(char('A' + (c - 1) % 26));
    return s;
}

// Rows are handed to the compressing thread in chunks of about this size.
constexpr int kChunkBytes = 256 * 1024;

const char* const kXmlHead = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";

} // namespace

XlsxTextWriter::XlsxTextWriter(const QString& path) : m_path(path) {}

XlsxTextWriter::~XlsxTextWriter()
{
    m_sheetWriter.reset(); // before the sheet it writes to
    if (m_sheet && m_sheet->isOpen())
        m_sheet->close();
    if (m_zip && m_zip->isOpen())
        m_zip->close();
}

bool XlsxTextWriter::open(QString* error)
{
    m_zip = std::make_unique<QuaZip>(m_path);
    if (!m_zip->open(QuaZip::mdCreate)) {
        if (error)
            *error = QStringLiteral("无法创建 %1（错误 %2）")
                         .arg(QDir::toNativeSeparators(m_path))
                         .arg(m_zip->getZipError());
        return false;
    }
    return true;
}

bool XlsxTextWriter::writePart(const QString& name, const QByteArray& data, QString* error)
{
    QuaZipFile f(m_zip.get());
    QuaZipNewInfo info(name);
    info.dateTime = QDateTime::currentDateTime();
    if (!f.open(QIODevice::WriteOnly, info) || f.write(data) != data.size()) {
        if (error)
            *error =
                QStringLiteral("写入 %1 失败（磁盘已满或没有权限？）").arg(QDir::toNativeSeparators(m_path));
        return false;
    }
    f.close();
    if (f.getZipError() != ZIP_OK) {
        if (error)
            *error =
                QStringLiteral("写入 %1 失败（磁盘已满或没有权限？）").arg(QDir::toNativeSeparators(m_path));
        return false;
    }
    return true;
}

bool XlsxTextWriter::addSheet(const QString& name, QString* error)
{
    if (!finishSheet(error))
        return false;
    m_sheetNames << name;
    m_rows = 0;
    m_sheet = std::make_unique<QuaZipFile>(m_zip.get());
    QuaZipNewInfo info(QStringLiteral("xl/worksheets/sheet%1.xml").arg(m_sheetNames.size()));
    info.dateTime = QDateTime::currentDateTime();
    // The sheet is most of the file: the fastest deflate keeps a list of a
    // million rows to seconds, for a file a little larger.
    if (!m_sheet->open(QIODevice::WriteOnly, info, nullptr, 0, Z_DEFLATED, Z_BEST_SPEED)) {
        if (error)
            *error = QStringLiteral("写入 %1 失败").arg(QDir::toNativeSeparators(m_path));
        return false;
    }
    m_pending = kXmlHead;
    m_pending +=
        "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheetData>";
    m_sheetWriter = std::make_unique<BackgroundWriter>(m_sheet.get());
    return true;
}

bool XlsxTextWriter::flushRows(QString* error)
{
    QByteArray chunk;
    chunk.swap(m_pending);
    m_pending.reserve(kChunkBytes + 4096);
    if (m_sheetWriter->write(std::move(chunk)))
        return true;
    if (error)
        *error = QStringLiteral("写入 %1 失败（磁盘已满？）").arg(QDir::toNativeSeparators(m_path));
    return false;
}

bool XlsxTextWriter::addRow(const QStringList& cells, QString* error)
{
    if (!m_sheet || m_rows >= maxRows()) {
        if (error)
            *error = QStringLiteral("工作表已满（最多 %1 行）。").arg(maxRows());
        return false;
    }
    for (int c = 0; c < cells.size(); ++c) {
        if (cells.at(c).size() > maxCellChars()) {
            if (error)
                *error = QStringLiteral("第 %1 行第 %2 列的文字有 %3 个字符，超过一个单元格最多的 %4 个。")
                             .arg(m_rows + 1)
                             .arg(c + 1)
                             .arg(cells.at(c).size())
                             .arg(maxCellChars());
            return false;
        }
    }
    const QByteArray r = QByteArray::number(++m_rows);
    QByteArray& xml = m_pending;
    xml += "<row r=\"" + r + "\">";
    for (int c = 0; c < cells.size(); ++c) {
        if (cells.at(c).isEmpty())
            continue;
        const QString& text = cells.at(c);
        // Blanks at either end are kept only when the sheet says so.
        const bool keep = text.front().isSpace() || text.back().isSpace();
        xml += "<c r=\"";
        xml += columnName(c);
        xml += r;
        xml += "\" s=\"1\" t=\"inlineStr\"><is>";
        xml += keep ? "<t xml:space=\"preserve\">" : "<t>";
        xml += escape(text);
        xml += "</t></is></c>";
    }
    xml += "</row>";
    return xml.size() < kChunkBytes || flushRows(error);
}

bool XlsxTextWriter::finishSheet(QString* error)
{
    if (!m_sheet)
        return true;
    m_pending += "</sheetData></worksheet>";
    bool ok = flushRows(nullptr);
    ok = m_sheetWriter->finish() && ok;
    m_sheetWriter.reset();
    m_pending = QByteArray();
    m_sheet->close();
    const bool zipOk = m_sheet->getZipError() == ZIP_OK;
    m_sheet.reset();
    if (!ok || !zipOk) {
        if (error)
            *error = QStringLiteral("写入 %1 失败（磁盘已满？）").arg(QDir::toNativeSeparators(m_path));
        return false;
    }
    return true;
}

bool XlsxTextWriter::close(QString* error)
{
    if (!m_zip)
        return false;
    if (m_sheetNames.isEmpty() && !addSheet(QStringLiteral("Sheet1"), error))
        return false;
    if (!finishSheet(error))
        return false;
    QByteArray types = kXmlHead;
    types += "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
             "<Default Extension=\"rels\" "
             "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
             "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
             "<Override PartName=\"/xl/workbook.xml\" "
             "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
             "<Override PartName=\"/xl/styles.xml\" "
             "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>";
    QByteArray sheets, rels = kXmlHead;
    rels += "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    for (int i = 1; i <= m_sheetNames.size(); ++i) {
        const QByteArray n = QByteArray::number(i);
        types +=
            "<Override PartName=\"/xl/worksheets/sheet" + n +
            ".xml\" "
            "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>";
        sheets += "<sheet name=\"" + escape(m_sheetNames.at(i - 1)) + "\" sheetId=\"" + n + "\" r:id=\"rId" +
                  n + "\"/>";
        rels += "<Relationship Id=\"rId" + n +
                "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
                "Target=\"worksheets/sheet" +
                n + ".xml\"/>";
    }
    types += "</Types>";
    const QByteArray stylesId = QByteArray::number(m_sheetNames.size() + 1);
    rels += "<Relationship Id=\"rId" + stylesId +
            "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
            "Target=\"styles.xml\"/></Relationships>";
    QByteArray workbook = kXmlHead;
    workbook += "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>" +
                sheets + "</sheets></workbook>";
    QByteArray rootRels = kXmlHead;
    rootRels += "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                "<Relationship Id=\"rId1\" "
                "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
                "Target=\"xl/workbook.xml\"/></Relationships>";
    // Two cell formats: General (0) and Text "@" (1), the one every cell uses.
    QByteArray styles = kXmlHead;
    styles +=
        "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
        "<fonts count=\"1\"><font><sz val=\"11\"/><name val=\"宋体\"/><charset val=\"134\"/></font></fonts>"
        "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
        "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
        "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
        "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" "
        "borderId=\"0\"/></cellStyleXfs>"
        "<cellXfs count=\"2\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>"
        "<xf numFmtId=\"49\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\"/>"
        "</cellXfs><cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" "
        "builtinId=\"0\"/></cellStyles>"
        "</styleSheet>";
    bool ok = writePart(QStringLiteral("[Content_Types].xml"), types, error) &&
              writePart(QStringLiteral("_rels/.rels"), rootRels, error) &&
              writePart(QStringLiteral("xl/workbook.xml"), workbook, error) &&
              writePart(QStringLiteral("xl/_rels/workbook.xml.rels"), rels, error) &&
              writePart(QStringLiteral("xl/styles.xml"), styles, error);
    m_zip->close();
    if (ok && m_zip->getZipError() != ZIP_OK) {
        if (error)
            *error = QStringLiteral("写入 %1 失败（磁盘已满？）").arg(QDir::toNativeSeparators(m_path));
        ok = false;
    }
    return ok;
}
