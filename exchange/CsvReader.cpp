#include "exchange/CsvReader.h"

#include <QFile>
#include <QStringDecoder>

QString CsvReader::decode(const QByteArray& bytes, Encoding* encoding)
{
    auto tell = [&](Encoding e) {
        if (encoding)
            *encoding = e;
    };
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        tell(Encoding::Utf8);
        return QString::fromUtf8(bytes.mid(3));
    }
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        tell(Encoding::Utf16);
        QStringDecoder utf16(QStringConverter::Utf16, QStringDecoder::Flag::ConvertInitialBom);
        QString text = utf16(bytes);
        if (text.startsWith(QChar(0xFEFF)))
            text.remove(0, 1);
        return text;
    }
    // Valid UTF-8 is taken as such: a GB18030 text of any length is almost
    // never valid UTF-8, while plain ASCII reads the same either way.
    QStringDecoder utf8(QStringConverter::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError()) {
        tell(Encoding::Utf8);
        return text;
    }
    tell(Encoding::Gb18030);
    QStringDecoder gb("GB18030");
    if (!gb.isValid())
        return text; // no ICU: the replacement characters at least show what is wrong
    return gb(bytes);
}

QChar CsvReader::separator(QStringView text)
{
    qsizetype commas = 0;
    qsizetype tabs = 0;
    bool quoted = false;
    for (QChar c : text) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (quoted)
            continue;
        else if (c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            break;
        else if (c == QLatin1Char(','))
            ++commas;
        else if (c == QLatin1Char('\t'))
            ++tabs;
    }
    return tabs > commas ? QLatin1Char('\t') : QLatin1Char(',');
}

TextTable CsvReader::parse(const QString& text)
{
    TextTable table;
    const QChar sep = separator(text);
    const QChar quote = QLatin1Char('"');
    const qsizetype n = text.size();
    const QChar* s = text.constData();
    QString cell;
    int record = 0;
    int col = 0;
    bool rowStarted = false;
    auto endCell = [&]() {
        if (!rowStarted) {
            table.startRow(record);
            rowStarted = true;
        }
        if (!cell.isEmpty())
            table.set(col, table.add(cell));
        cell.clear();
        ++col;
    };
    auto endRow = [&]() {
        endCell();
        ++record;
        col = 0;
        rowStarted = false;
    };
    qsizetype i = 0;
    while (i < n) {
        // One cell from i.
        if (s[i] == quote) {
            ++i;
            for (;;) {
                if (i >= n)
                    break; // an unclosed quote runs to the end of the file
                if (s[i] == quote) {
                    if (i + 1 < n && s[i + 1] == quote) {
                        cell += quote;
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                cell += s[i++];
            }
            // Text after the closing quote belongs to the cell, as spreadsheet programs read it.
            while (i < n && s[i] != sep && s[i] != QLatin1Char('\n') && s[i] != QLatin1Char('\r'))
                cell += s[i++];
        } else {
            const qsizetype from = i;
            while (i < n && s[i] != sep && s[i] != QLatin1Char('\n') && s[i] != QLatin1Char('\r'))
                ++i;
            cell = QString(s + from, i - from);
        }
        if (i >= n) {
            endRow();
            break;
        }
        if (s[i] == sep) {
            endCell();
            ++i;
            if (i >= n)
                endRow();
            continue;
        }
        // A line break: \r\n, \n or \r.
        if (s[i] == QLatin1Char('\r') && i + 1 < n && s[i + 1] == QLatin1Char('\n'))
            ++i;
        ++i;
        endRow();
    }
    table.finish();
    return table;
}

bool CsvReader::read(const QString& path, QString* error)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("无法打开文件：%1").arg(f.errorString());
        return false;
    }
    if (f.size() > kMaxBytes) {
        if (error)
            *error = QStringLiteral("文件太大（超过 256 MB），不像是一份订单表。");
        return false;
    }
    const QByteArray bytes = f.readAll();
    if (bytes.contains('\0') && !bytes.startsWith("\xFF\xFE") && !bytes.startsWith("\xFE\xFF")) {
        if (error)
            *error = QStringLiteral("文件不是文本格式的表格（CSV），也不是 Excel 工作簿。");
        return false;
    }
    m_rows = parse(decode(bytes, &m_encoding));
    return true;
}
