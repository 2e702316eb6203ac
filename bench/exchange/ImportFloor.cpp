// The floors the workbook import is measured against: what reading the
// workbook and storing its texts costs at the least, without the program.
#include "ImportFloor.h"

#include "data/store/Schema.h"

#include <QFile>
#include <QString>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-utils.h>
#include <libxml/xmlreader.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ImportFloor {

namespace {
// ---- The xlsx floor ----------------------------------------------------------

int zipRead(void* file, char* buf, int len)
{
    return int(static_cast<QuaZipFile*>(file)->read(buf, len));
}

int zipClose(void*)
{
    return 0;
}

// Streams one part of the package through xmlTextReader; false when it is missing or bad.
bool parsePart(QuaZip& zip, const char* name, const std::function<void(xmlTextReaderPtr)>& node)
{
    if (!zip.setCurrentFile(QString::fromLatin1(name)))
        return false;
    QuaZipFile file(&zip);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    xmlTextReaderPtr r = xmlReaderForIO(zipRead, zipClose, &file, nullptr, nullptr, 0);
    int rc;
    while ((rc = xmlTextReaderRead(r)) == 1)
        node(r);
    xmlFreeTextReader(r);
    return rc == 0;
}

bool is(xmlTextReaderPtr r, const char* name)
{
    return std::strcmp(reinterpret_cast<const char*>(xmlTextReaderConstLocalName(r)), name) == 0;
}

struct Store
{
    sqlite3* db = nullptr;
    sqlite3_stmt* stmt = nullptr;

    bool begin()
    {
        QStringList cols, marks;
        for (const QString& c : Schema::importColumns()) {
            cols << Schema::quoted(c);
            marks << QStringLiteral("?");
        }
        const QByteArray sql = QStringLiteral("INSERT INTO excel (%1) VALUES (%2)")
                                   .arg(cols.join(QLatin1Char(',')), marks.join(QLatin1Char(',')))
                                   .toUtf8();
        return sqlite3_exec(db, "BEGIN; DELETE FROM excel", nullptr, nullptr, nullptr) == SQLITE_OK &&
               sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr) == SQLITE_OK;
    }
    bool add(const std::string* cells)
    {
        for (int c = 0; c < 10; ++c)
            sqlite3_bind_text(stmt, c + 1, cells[c].data(), int(cells[c].size()), SQLITE_STATIC);
        const int rc = sqlite3_step(stmt);
        sqlite3_reset(stmt);
        return rc == SQLITE_DONE;
    }
    bool commit()
    {
        sqlite3_finalize(stmt);
        return sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    }
};

// Records stored, or -1.
} // namespace

int xlsx(const QString& path, sqlite3* db)
{
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdUnzip))
        return -1;
    std::vector<std::string> strings;
    std::string text;
    int inT = 0;
    parsePart(zip, "xl/sharedStrings.xml", [&](xmlTextReaderPtr r) {
        const int type = xmlTextReaderNodeType(r);
        if (type == XML_READER_TYPE_ELEMENT && is(r, "si")) {
            text.clear();
        } else if (type == XML_READER_TYPE_ELEMENT && is(r, "t") && !xmlTextReaderIsEmptyElement(r)) {
            ++inT;
        } else if (type == XML_READER_TYPE_END_ELEMENT && is(r, "t")) {
            --inT;
        } else if (type == XML_READER_TYPE_END_ELEMENT && is(r, "si")) {
            strings.push_back(text);
        } else if (inT && (type == XML_READER_TYPE_TEXT || type == XML_READER_TYPE_SIGNIFICANT_WHITESPACE)) {
            text += reinterpret_cast<const char*>(xmlTextReaderConstValue(r));
        }
    });

    Store store{db};
    if (!store.begin())
        return -1;
    std::string cells[10], value;
    int col = 0, rowNumber = 0, stored = 0;
    bool shared = false, inV = false;
    inT = 0;
    const bool ok = parsePart(zip, "xl/worksheets/sheet1.xml", [&](xmlTextReaderPtr r) {
        const int type = xmlTextReaderNodeType(r);
        if (type == XML_READER_TYPE_ELEMENT) {
            if (is(r, "row")) {
                for (std::string& c : cells)
                    c.clear();
            } else if (is(r, "c")) {
                col = -1;
                shared = false;
                value.clear();
                while (xmlTextReaderMoveToNextAttribute(r) == 1) {
                    const char* v = reinterpret_cast<const char*>(xmlTextReaderConstValue(r));
                    if (is(r, "r"))
                        col = v[0] - 'A';
                    else if (is(r, "t"))
                        shared = std::strcmp(v, "s") == 0;
                }
                xmlTextReaderMoveToElement(r);
            } else if (is(r, "v")) {
                inV = !xmlTextReaderIsEmptyElement(r);
            } else if (is(r, "t")) {
                inT = !xmlTextReaderIsEmptyElement(r);
            }
        } else if (type == XML_READER_TYPE_TEXT || type == XML_READER_TYPE_SIGNIFICANT_WHITESPACE) {
            if (inV || inT)
                value += reinterpret_cast<const char*>(xmlTextReaderConstValue(r));
        } else if (type == XML_READER_TYPE_END_ELEMENT) {
            if (is(r, "v")) {
                inV = false;
            } else if (is(r, "t")) {
                inT = false;
            } else if (is(r, "c") && col >= 0 && col < 10) {
                if (shared) {
                    const size_t i = size_t(std::atol(value.c_str()));
                    cells[col] = i < strings.size() ? strings[i] : std::string();
                } else {
                    cells[col] = value;
                }
            } else if (is(r, "row") && rowNumber++ > 0) {
                if (store.add(cells))
                    ++stored;
            }
        }
    });
    return store.commit() && ok ? stored : -1;
}

// ---- The xls floor -----------------------------------------------------------

// Walks the workbook stream: every record, the shared strings one by one
// (across CONTINUE records), every cell record counted. With texts, every
// shared string is made into a text in one buffer, numbers are formatted,
// and the cells are kept with their texts: the sheet read into texts with
// the standard library alone, in UTF-16 as the file holds them. Cells, or -1.
int xls(const QString& path, bool texts)
{
    gsf_init();
    GError* err = nullptr;
    GsfInput* input = gsf_input_stdio_new(QFile::encodeName(path).constData(), &err);
    if (!input)
        return -1;
    GsfInfile* ole = gsf_infile_msole_new(input, &err);
    GsfInput* book = ole ? gsf_infile_child_by_name(ole, "Workbook") : nullptr;
    if (!book)
        return -1;
    QByteArray stream(qsizetype(gsf_input_size(book)), Qt::Uninitialized);
    for (qsizetype done = 0; done < stream.size();) {
        const qsizetype chunk = qMin<qsizetype>(stream.size() - done, 1 << 20);
        if (!gsf_input_read(book, size_t(chunk), reinterpret_cast<guint8*>(stream.data() + done)))
            return -1;
        done += chunk;
    }
    g_object_unref(book);
    g_object_unref(ole);
    g_object_unref(input);

    const auto* s = reinterpret_cast<const uchar*>(stream.constData());
    const qsizetype size = stream.size();
    auto u16 = [&](qsizetype p) { return int(s[p] | (s[p + 1] << 8)); };
    int cells = 0;
    quint64 sstChars = 0;
    // The shared strings one after another in one buffer; each cell a view.
    std::u16string sstText;
    std::vector<std::pair<size_t, size_t>> sst; // offset, length in sstText
    std::deque<std::u16string> numbers;
    // The cells in the order the sheet stores them, which is row by row.
    struct Cell
    {
        int row, col;
        std::u16string_view text;
    };
    std::vector<Cell> sheet;
    if (texts)
        sheet.reserve(size_t(size) / 16); // a cell record takes at least 14 bytes and its header
    auto put = [&](int row, int col, std::u16string_view text) { sheet.push_back({row, col, text}); };
    auto number = [&](int row, int col, double v) {
        char buf[32];
        const int n = std::snprintf(buf, sizeof buf, "%.15g", v);
        numbers.emplace_back(buf, buf + n);
        put(row, col, numbers.back());
    };
    for (qsizetype pos = 0; pos + 4 <= size;) {
        const int type = u16(pos), len = u16(pos + 2);
        qsizetype p = pos + 4, end = p + len;
        if (end > size)
            return -1;
        pos = end;
        if (type == 0x00FC && len >= 8) { // SST, continued in CONTINUE records
            const quint32 count = quint32(u16(p + 4) | (u16(p + 6) << 16));
            p += 8;
            auto more = [&]() {
                if (pos + 4 > size || u16(pos) != 0x003C)
                    return false;
                p = pos + 4;
                end = p + u16(pos + 2);
                pos = end;
                return end <= size;
            };
            if (texts) {
                sst.reserve(count);
                sstText.reserve(size_t(size - p) / 2);
            }
            for (quint32 i = 0; i < count; ++i) {
                if (p >= end && !more())
                    break;
                int chars = u16(p);
                bool wide = s[p + 2] & 1;
                const int flags = s[p + 2];
                p += 3;
                const int runs = (flags & 0x08) ? u16(p) : 0;
                p += (flags & 0x08) ? 2 : 0;
                const quint32 phonetic = (flags & 0x04) ? quint32(u16(p) | (u16(p + 2) << 16)) : 0;
                p += (flags & 0x04) ? 4 : 0;
                sstChars += quint64(chars);
                const size_t from = sstText.size();
                while (chars > 0) {
                    if (p >= end) {
                        if (!more())
                            return -1;
                        wide = s[p++] & 1;
                    }
                    const int take = int(qMin<qsizetype>(chars, (end - p) / (wide ? 2 : 1)));
                    if (texts && wide) {
                        const size_t at = sstText.size();
                        sstText.resize(at + size_t(take));
                        std::memcpy(&sstText[at], s + p, 2 * size_t(take)); // little-endian, as here
                    } else if (texts) {
                        sstText.append(s + p, s + p + take);
                    }
                    p += take * (wide ? 2 : 1);
                    chars -= take;
                }
                if (texts)
                    sst.emplace_back(from, sstText.size() - from);
                qint64 skip = 4 * qint64(runs) + phonetic;
                while (skip > 0) {
                    if (p >= end && !more())
                        return -1;
                    const qint64 take = qMin<qint64>(skip, end - p);
                    p += take;
                    skip -= take;
                }
            }
        } else if (type == 0x00FD || type == 0x027E || type == 0x0203 || type == 0x0204) {
            ++cells;
            if (!texts)
                continue;
            const int row = u16(p), col = u16(p + 2);
            if (type == 0x00FD) { // LABELSST
                const quint32 i = quint32(u16(p + 6) | (u16(p + 8) << 16));
                if (i >= sst.size())
                    return -1;
                put(row, col, std::u16string_view(sstText).substr(sst[i].first, sst[i].second));
            } else if (type == 0x0203) { // NUMBER
                double v;
                std::memcpy(&v, s + p + 6, 8);
                number(row, col, v);
            } else if (type == 0x027E) { // RK
                const quint32 rk = quint32(u16(p + 6) | (u16(p + 8) << 16));
                double v;
                if (rk & 2) {
                    v = double(qint32(rk) >> 2);
                } else {
                    const quint64 bits = quint64(rk & 0xFFFFFFFC) << 32;
                    std::memcpy(&v, &bits, 8);
                }
                number(row, col, (rk & 1) ? v / 100 : v);
            }
        } else if (type == 0x00BD) {
            cells += (len - 6) / 6;
        }
    }
    return sstChars > 0 ? cells : -1;
}

} // namespace ImportFloor
