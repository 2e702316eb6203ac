#include "report/PdfJoin.h"

#include <QCoreApplication>
#include <QFile>
#include <QVector>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstring>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("PdfJoin", text);
}

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

bool isSpace(char c)
{
    return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0';
}

bool isDelimiter(char c)
{
    return std::strchr("()<>[]{}/%", c) != nullptr && c != '\0';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The whole number at s[at] (digits only), or -1; at is moved past it.
qint64 number(const char* s, qsizetype n, qsizetype* at)
{
    qsizetype i = *at;
    if (i >= n || !isDigit(s[i]))
        return -1;
    qint64 v = 0;
    for (; i < n && isDigit(s[i]); ++i)
        v = v * 10 + (s[i] - '0');
    *at = i;
    return v;
}

// The object number of "key N 0 R" in a dictionary's text, or 0.
int reference(const QByteArray& text, const char* key)
{
    qsizetype at = text.indexOf(key);
    if (at < 0)
        return 0;
    at += qsizetype(std::strlen(key));
    while (at < text.size() && isSpace(text.at(at)))
        ++at;
    const qint64 v = number(text.constData(), text.size(), &at);
    return v > 0 && v < INT_MAX ? int(v) : 0;
}

// The body of an object (what follows "N G obj") with every indirect
// reference renumbered by map (0: none such, an error); names, strings and a
// stream's data are copied as they are. false when a reference has no new
// number.
template <typename Map>
bool renumbered(const char* s, qsizetype n, const Map& map, QByteArray* out)
{
    out->clear();
    out->reserve(n + 16);
    qsizetype i = 0;
    char last = ' '; // the byte before i, for token boundaries
    while (i < n) {
        const char c = s[i];
        qsizetype from = i;
        if (c == '(') { // literal string: nested brackets, backslash escapes
            int depth = 0;
            for (; i < n; ++i) {
                if (s[i] == '\\')
                    ++i;
                else if (s[i] == '(')
                    ++depth;
                else if (s[i] == ')' && --depth == 0)
                    break;
            }
            i = std::min(i + 1, n);
        } else if (c == '<' && i + 1 < n && s[i + 1] == '<') { // a dictionary opens
            i += 2;
        } else if (c == '<') { // hex string
            while (i < n && s[i] != '>')
                ++i;
            i = std::min(i + 1, n);
        } else if (c == '/') { // name, which may hold digits
            ++i;
            while (i < n && !isSpace(s[i]) && !isDelimiter(s[i]))
                ++i;
        } else if (isDigit(c) && (isSpace(last) || isDelimiter(last))) {
            qsizetype j = i;
            const qint64 object = number(s, n, &j);
            qsizetype k = j;
            while (k < n && isSpace(s[k]))
                ++k;
            const bool spaced = k > j;
            qsizetype g = k;
            const qint64 generation = number(s, n, &g);
            qsizetype r = g;
            while (r < n && isSpace(s[r]))
                ++r;
            if (spaced && generation >= 0 && r > g && r < n && s[r] == 'R' &&
                (r + 1 == n || isSpace(s[r + 1]) || isDelimiter(s[r + 1]))) {
                const int to = object < INT_MAX ? map(int(object)) : 0;
                if (to <= 0)
                    return false;
                out->append(QByteArray::number(to));
                out->append(s + j, r + 1 - j);
                i = r + 1;
                last = 'R';
                continue;
            }
            i = j;
        } else if (std::isalpha(static_cast<unsigned char>(c)) && (isSpace(last) || isDelimiter(last))) {
            while (i < n && std::isalpha(static_cast<unsigned char>(s[i])))
                ++i;
            if (i - from == 6 && std::memcmp(s + from, "stream", 6) == 0) {
                out->append(s + from, n - from); // the data, "endstream" and "endobj"
                return true;
            }
        } else {
            ++i;
        }
        out->append(s + from, i - from);
        last = s[i - 1];
    }
    return true;
}

// What follows the "N G obj" that an object's text starts with, or -1 when
// it does not start so with number.
qsizetype bodyStart(const QByteArray& text, int number)
{
    const QByteArray head = QByteArray::number(number) + ' ';
    if (!text.startsWith(head))
        return -1;
    const qsizetype at = text.indexOf("obj", head.size());
    if (at < 0 || at > head.size() + 8)
        return -1;
    return at + 3;
}

} // namespace

struct PdfJoin::Source
{
    QVector<qint64> offset; // by object number; 0: not in the file
    QVector<int> order;     // the objects in the order they lie in the file
    qint64 table = 0;       // where the cross-reference table starts
    int catalog = 0;
    int info = 0;
    QByteArray id;
};

PdfJoin::PdfJoin(QIODevice* out, const QString& sideDir) : m_out(out)
{
    m_entries.setFileTemplate(sideDir + QStringLiteral("/.pdf-table-XXXXXX"));
}

PdfJoin::~PdfJoin() = default;

bool PdfJoin::write(const QByteArray& bytes, QString* error)
{
    if (m_out->write(bytes) != bytes.size()) {
        setError(error, m_out->errorString());
        return false;
    }
    m_pos += bytes.size();
    return true;
}

bool PdfJoin::addEntry(qint64 offset, QString* error)
{
    // A line of the table has room for ten digits.
    if (offset > 9999999999LL) {
        setError(error, tr("PDF 文件超过 10 GB，无法写成一个文件。"));
        return false;
    }
    char line[32];
    std::snprintf(line, sizeof line, "%010lld 00000 n \n", static_cast<long long>(offset));
    if (m_entries.write(line, 20) != 20) {
        setError(error, m_entries.errorString());
        return false;
    }
    return true;
}

bool PdfJoin::readTable(QFile& file, Source* src, QString* error) const
{
    const QString bad = tr("PDF 分段文件“%1”的格式不对。").arg(file.fileName());
    const qint64 size = file.size();
    const qint64 tailAt = std::max<qint64>(0, size - 1024);
    file.seek(tailAt);
    const QByteArray tail = file.read(size - tailAt);
    qsizetype at = tail.lastIndexOf("startxref");
    if (at < 0) {
        setError(error, bad);
        return false;
    }
    at += 9;
    while (at < tail.size() && isSpace(tail.at(at)))
        ++at;
    src->table = number(tail.constData(), tail.size(), &at);
    if (src->table <= 0 || src->table >= size || !file.seek(src->table) ||
        !file.readLine().startsWith("xref")) {
        setError(error, bad);
        return false;
    }
    // Subsections of "first count" and count lines of 20 bytes, then the trailer.
    char line[64];
    while (true) {
        const qint64 got = file.readLine(line, sizeof line);
        if (got <= 0) {
            setError(error, bad);
            return false;
        }
        if (std::strncmp(line, "trailer", 7) == 0)
            break;
        qsizetype p = 0;
        const qint64 first = number(line, got, &p);
        while (p < got && line[p] == ' ')
            ++p;
        const qint64 count = number(line, got, &p);
        if (first < 0 || count < 0 || first + count > INT_MAX / 2) {
            setError(error, bad);
            return false;
        }
        if (src->offset.size() < first + count)
            src->offset.resize(first + count);
        for (qint64 k = 0; k < count; ++k) {
            if (file.read(line, 20) != 20) {
                setError(error, bad);
                return false;
            }
            qsizetype q = 0;
            const qint64 offset = number(line, 10, &q);
            if (line[17] == 'n' && offset > 0 && offset < src->table)
                src->offset[first + k] = offset;
        }
    }
    const QByteArray trailer = file.readAll();
    src->catalog = reference(trailer, "/Root");
    src->info = reference(trailer, "/Info");
    const qsizetype id = trailer.indexOf("/ID");
    if (id >= 0 && trailer.indexOf(']', id) > id)
        src->id = trailer.mid(id, trailer.indexOf(']', id) + 1 - id);
    if (src->catalog <= 0 || src->catalog >= src->offset.size() || src->offset.at(src->catalog) == 0) {
        setError(error, bad);
        return false;
    }
    for (int k = 1; k < src->offset.size(); ++k)
        if (src->offset.at(k) > 0)
            src->order.append(k);
    std::sort(src->order.begin(), src->order.end(),
              [&](int a, int b) { return src->offset.at(a) < src->offset.at(b); });
    return true;
}

bool PdfJoin::append(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, file.errorString());
        return false;
    }
    Source src;
    if (!readTable(file, &src, error))
        return false;
    if (m_files == 0) {
        if (!m_entries.open()) {
            setError(error, m_entries.errorString());
            return false;
        }
        // The header, binary comment and all, as the first file has it.
        file.seek(0);
        if (!write(file.read(src.offset.at(src.order.first())), error))
            return false;
    }
    if (!copyObjects(file, src, error))
        return false;
    ++m_files;
    return true;
}

bool PdfJoin::copyObjects(QFile& file, const Source& src, QString* error)
{
    const QString bad = tr("PDF 分段文件“%1”的格式不对。").arg(file.fileName());
    const auto end = [&](int at) {
        return at + 1 < src.order.size() ? src.offset.at(src.order.at(at + 1)) : src.table;
    };
    QByteArray text;
    const auto read = [&](int at) {
        const qint64 from = src.offset.at(src.order.at(at));
        text.resize(end(at) - from);
        return (file.pos() == from || file.seek(from)) && file.read(text.data(), text.size()) == text.size();
    };
    // The catalog: its page tree becomes a branch of ours; the rest of what
    // it points to (names, metadata) is the document's, kept from the first
    // file only, as is the document information.
    const int catalogAt =
        int(std::find(src.order.cbegin(), src.order.cend(), src.catalog) - src.order.cbegin());
    if (!read(catalogAt) || bodyStart(text, src.catalog) < 0) {
        setError(error, bad);
        return false;
    }
    const QByteArray catalog = text;
    const int branch = reference(catalog, "/Pages");
    if (branch <= 0 || branch >= src.offset.size() || src.offset.at(branch) == 0) {
        setError(error, bad);
        return false;
    }
    QVector<bool> dropped(src.offset.size(), false);
    dropped[src.catalog] = true;
    if (m_files > 0) {
        if (src.info > 0 && src.info < dropped.size())
            dropped[src.info] = true;
        QByteArray none;
        renumbered(
            catalog.constData(), catalog.size(),
            [&](int object) {
                if (object != branch && object < dropped.size())
                    dropped[object] = true;
                return 1;
            },
            &none);
    }
    // New numbers in file order, so that the table's lines come in order too.
    QVector<int> renumber(src.offset.size(), 0);
    int next = m_next;
    for (int object : src.order)
        if (!dropped.at(object))
            renumber[object] = next++;
    const auto map = [&](int object) { return object < renumber.size() ? renumber.at(object) : 0; };
    if (m_files == 0) {
        const qsizetype body = bodyStart(catalog, src.catalog);
        if (!renumbered(
                catalog.constData() + body, catalog.size() - body,
                [&](int object) { return object == branch ? 1 : map(object); }, &m_catalog)) {
            setError(error, bad);
            return false;
        }
        m_info = map(src.info);
        m_id = src.id;
    }

    QByteArray out;
    for (int at = 0; at < src.order.size(); ++at) {
        const int object = src.order.at(at);
        if (dropped.at(object))
            continue;
        qsizetype body = -1;
        if (!read(at) || (body = bodyStart(text, object)) < 0 ||
            !renumbered(text.constData() + body, text.size() - body, map, &out)) {
            setError(error, bad);
            return false;
        }
        if (object == branch) {
            // The file's page tree under ours; its count is its pages.
            const qsizetype open = out.indexOf("<<");
            const qsizetype count = out.indexOf("/Count");
            qsizetype p = count + 6;
            while (count >= 0 && p < out.size() && isSpace(out.at(p)))
                ++p;
            const qint64 pages = count >= 0 ? number(out.constData(), out.size(), &p) : -1;
            if (open < 0 || pages < 0) {
                setError(error, bad);
                return false;
            }
            out.insert(open + 2, "\n/Parent 1 0 R");
            m_pages += int(pages);
            m_kids += QByteArray::number(renumber.at(object)) + " 0 R\n";
        }
        if (!addEntry(m_pos, error) || !write(QByteArray::number(renumber.at(object)) + " 0 obj", error) ||
            !write(out, error))
            return false;
    }
    m_next = next;
    return true;
}

bool PdfJoin::finish(QString* error)
{
    if (m_files == 0) {
        setError(error, tr("没有可合并的 PDF 页。"));
        return false;
    }
    const qint64 root = m_pos;
    if (!write("1 0 obj\n<<\n/Type /Pages\n/Kids\n[\n" + m_kids + "]\n/Count " + QByteArray::number(m_pages) +
                   "\n>>\nendobj\n",
               error))
        return false;
    const qint64 catalog = m_pos;
    if (!write("2 0 obj" + m_catalog, error))
        return false;
    const qint64 table = m_pos;
    if (catalog > 9999999999LL) {
        setError(error, tr("PDF 文件超过 10 GB，无法写成一个文件。"));
        return false;
    }
    char line[32];
    QByteArray head = "xref\n0 " + QByteArray::number(m_next) + "\n0000000000 65535 f \n";
    for (qint64 offset : {root, catalog}) {
        std::snprintf(line, sizeof line, "%010lld 00000 n \n", static_cast<long long>(offset));
        head += line;
    }
    if (!write(head, error) || !m_entries.flush() || !m_entries.seek(0)) {
        setError(error, m_entries.errorString());
        return false;
    }
    while (!m_entries.atEnd()) {
        const QByteArray chunk = m_entries.read(1 << 20);
        if (chunk.isEmpty() || !write(chunk, error))
            return false;
    }
    QByteArray trailer = "trailer\n<<\n/Size " + QByteArray::number(m_next) + "\n";
    if (m_info > 0)
        trailer += "/Info " + QByteArray::number(m_info) + " 0 R\n";
    trailer += "/Root 2 0 R\n";
    if (!m_id.isEmpty())
        trailer += m_id + "\n";
    trailer += ">>\nstartxref\n" + QByteArray::number(table) + "\n%%EOF\n";
    return write(trailer, error);
}
