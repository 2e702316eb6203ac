// The workbook import against the floor of the platform.
// Usage:
//   bench_import [RECORDS]            .xlsx with shared and with inline strings (default 100,000
//                                     records), best of three runs each, and a 65,535-row .xls,
//                                     best of five runs taken in turns with its floor
//   bench_import --smoke [RECORDS]    one small run of each; fails when the import stores other
//                                     texts than the floor does (never timed)
//   bench_import --make DIR RECORDS   only writes the workbooks (to profile the import alone)
//   bench_import --import FILE        one ExcelImporter::importFile run on FILE
//   bench_import --read FILE          one WorkbookReader::read run on FILE
//   bench_import --floor FILE         one floor run on FILE (.xlsx: reading and storing)
//   bench_import --server URI [RECORDS]  the imports into a PostgreSQL database beside the file
//   --server-plain URI2 (with --server)  a second database on the server, its index taken out:
//                                     the server's imports with and without it, best of five
//                                     taken in turns (the file's left out)
//   --no-index (with any of them)    the search index taken out of the stores first, for the
//                                     import's figures without it
//
// Floor of an .xlsx import: the sheet part and the shared strings inflated
// and stream-parsed with libxml2's xmlTextReader, the cells' texts collected
// and stored, ten to a row, into `excel` in one transaction with a prepared
// statement. Floor of an .xls reading: the workbook stream read with libgsf,
// its records walked, and the sheet's cells kept with their texts (UTF-16,
// the shared strings in one buffer). The walk alone, without texts, is
// printed beside it.
#include "SampleRows.h"
#include "bench/report/ProcessUsage.h"

#include "data/store/Database.h"
#include "data/store/Schema.h"
#include "data/store/SearchIndex.h"
#include "data/store/ServerIndexBuild.h"
#include "exchange/Biff8Writer.h"
#include "exchange/ExcelImporter.h"
#include "exchange/WorkbookReader.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>

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
#include <malloc.h>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

// ---- Workbooks -------------------------------------------------------------

bool makeSharedXlsx(const QString& path, int records)
{
    return QProcess::execute(QStringLiteral(BENCH_XLSX_ROWS), {QString::number(records), path}) == 0;
}

QByteArray escaped(const QString& s)
{
    return s.toHtmlEscaped().toUtf8();
}

QByteArray cellRef(int col, int row)
{
    return QByteArray(1, char('A' + col)) + QByteArray::number(row + 1);
}

bool addPart(QuaZip& zip, const char* name, const QByteArray& data)
{
    QuaZipFile f(&zip);
    if (!f.open(QIODevice::WriteOnly, QuaZipNewInfo(QString::fromLatin1(name))))
        return false;
    const bool ok = f.write(data) == data.size();
    f.close();
    return ok && f.getZipError() == UNZ_OK;
}

// The same rows with inline strings (t="inlineStr"), as other programs write them.
bool makeInlineXlsx(const QString& path, int records)
{
    QByteArray sheet = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                       "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                       "<sheetData>";
    for (int r = 0; r <= records; ++r) {
        const QStringList row = r == 0 ? SampleRows::header() : SampleRows::row(r - 1);
        sheet += "<row r=\"" + QByteArray::number(r + 1) + "\">";
        for (int c = 0; c < row.size(); ++c) {
            if (row.at(c).isEmpty())
                continue;
            if (r > 0 && c == SampleRows::kQuantity)
                sheet += "<c r=\"" + cellRef(c, r) + "\"><v>" + row.at(c).toUtf8() + "</v></c>";
            else
                sheet += "<c r=\"" + cellRef(c, r) + "\" t=\"inlineStr\"><is><t>" + escaped(row.at(c)) +
                         "</t></is></c>";
        }
        sheet += "</row>";
    }
    sheet += "</sheetData></worksheet>";
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdCreate))
        return false;
    const bool ok =
        addPart(zip, "[Content_Types].xml",
                "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                "<Default Extension=\"rels\" "
                "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
                "<Override PartName=\"/xl/workbook.xml\" "
                "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
                "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
                "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
                "</Types>") &&
        addPart(zip, "_rels/.rels",
                "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                "relationships/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>") &&
        addPart(zip, "xl/workbook.xml",
                "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
                "<sheets><sheet name=\"Sheet1\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>") &&
        addPart(zip, "xl/_rels/workbook.xml.rels",
                "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                "relationships/worksheet\" Target=\"worksheets/sheet1.xml\"/></Relationships>") &&
        addPart(zip, "xl/worksheets/sheet1.xml", sheet);
    zip.close();
    return ok && zip.getZipError() == UNZ_OK;
}

// Header and data rows: `rows` rows in all.
bool makeXls(const QString& path, int rows)
{
    Biff8Writer w;
    w.addSheet(QStringLiteral("Sheet1"));
    w.addRow(SampleRows::header());
    for (int r = 0; r + 1 < rows; ++r) {
        QVariantList cells;
        const QStringList row = SampleRows::row(r);
        for (int c = 0; c < row.size(); ++c)
            cells << (c == SampleRows::kQuantity ? QVariant(row.at(c).toInt()) : QVariant(row.at(c)));
        if (!w.addRow(cells))
            return false;
    }
    QString err;
    return w.save(path, &err);
}

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
int floorXlsx(const QString& path, sqlite3* db)
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
int floorXls(const QString& path, bool texts)
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

// ---- Ours and the comparison ---------------------------------------------------

int importOurs(Database& db, const QString& path)
{
    const ExcelImporter::Result res = ExcelImporter::importFile(db, path);
    if (!res.ok)
        std::fprintf(stderr, "import: %s\n", qPrintable(res.reason));
    return res.ok ? res.imported : -1;
}

// What `excel` holds, in order, as one hash.
QByteArray tableHash(Database& db)
{
    QStringList cols;
    for (const QString& c : Schema::importColumns())
        cols << Schema::quoted(c);
    const QByteArray sql =
        QStringLiteral("SELECT %1 FROM excel ORDER BY rowid").arg(cols.join(QLatin1Char(','))).toUtf8();
    sqlite3_stmt* st = nullptr;
    QCryptographicHash h(QCryptographicHash::Sha1);
    if (sqlite3_prepare_v2(db.handle(), sql.constData(), -1, &st, nullptr) != SQLITE_OK)
        return {};
    while (sqlite3_step(st) == SQLITE_ROW)
        for (int c = 0; c < 10; ++c) {
            const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
            h.addData(QByteArrayView(t ? t : "", sqlite3_column_bytes(st, c)));
            h.addData("\x1F");
        }
    sqlite3_finalize(st);
    return h.result();
}

// Takes the search index out of db, as a book of a build before it was.
bool dropIndex(Database& db)
{
    QStringList drops;
    QSqlQuery q(db.db());
    if (db.isServer()) {
        if (!q.exec(QStringLiteral("SELECT indexname FROM pg_catalog.pg_indexes WHERE schemaname = "
                                   "current_schema() AND indexname LIKE '%\\_trgm'")))
            return false;
        while (q.next())
            drops << QStringLiteral("DROP INDEX %1").arg(q.value(0).toString());
        // Else the program builds them again after an import.
        drops << QStringLiteral("DROP EXTENSION IF EXISTS pg_trgm CASCADE");
    } else {
        const QStringList names = SearchIndex::fileObjects().keys();
        if (!q.exec(
                QStringLiteral("SELECT type, name FROM sqlite_schema WHERE type IN ('table', 'trigger')")))
            return false;
        while (q.next())
            if (names.contains(q.value(1).toString()))
                drops.prepend(QStringLiteral("DROP %1 %2").arg(q.value(0).toString(), q.value(1).toString()));
    }
    q.finish();
    for (const QString& sql : drops)
        if (!db.exec(sql))
            return false;
    return true;
}

// CPU seconds the server process of db's connection has used (0 for a file):
// a server's share of an import is not this process's.
double serverCpuSeconds(Database& db)
{
    if (!db.isServer())
        return 0;
    QSqlQuery q(db.db());
    if (!q.exec(QStringLiteral("SELECT pg_backend_pid()")) || !q.next())
        return 0;
    QFile f(QStringLiteral("/proc/%1/stat").arg(q.value(0).toLongLong()));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    // utime and stime: the 14th and 15th fields, after the name in parentheses.
    const QByteArray stat = f.readAll();
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    return (fields.value(11).toDouble() + fields.value(12).toDouble()) / double(sysconf(_SC_CLK_TCK));
}

// Seconds a run takes; the run's checks after `timed` are not counted.
double seconds(const std::function<bool()>& run)
{
    QElapsedTimer timer;
    timer.start();
    return run() ? timer.nsecsElapsed() / 1e9 : -1;
}

// Best of `runs` runs, each giving its seconds; -1 when one fails.
double best(int runs, const std::function<double()>& run)
{
    double t = -1;
    for (int i = 0; i < runs; ++i) {
        const double s = run();
        if (s < 0)
            return -1;
        t = t < 0 ? s : qMin(t, s);
    }
    return t;
}

void report(const char* what, double floor, double ours)
{
    std::printf("%-30s floor %7.3f s, ours %7.3f s, ratio %.2f\n", what, floor, ours, ours / floor);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    // Freed memory stays with the process: on a virtual machine a page fault
    // costs more than the work, and which side of a comparison took them
    // hung on the heap the side before left behind. Kept warm, every run
    // measures its work alone.
    mallopt(M_TRIM_THRESHOLD, INT_MAX);
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool smoke = args.removeAll(QStringLiteral("--smoke")) > 0;
    const bool noIndex = args.removeAll(QStringLiteral("--no-index")) > 0;
    const qsizetype plainAt = args.indexOf(QStringLiteral("--server-plain"));
    const QString plainServer = plainAt >= 0 ? args.value(plainAt + 1) : QString();
    if (plainAt >= 0)
        args.remove(plainAt, qMin<qsizetype>(2, args.size() - plainAt));
    QTemporaryDir dir;
    Database db;
    QString err;
    if (!db.open(dir.filePath(QStringLiteral("data.mdb")), &err)) {
        std::fprintf(stderr, "%s\n", qPrintable(err));
        return 1;
    }
    if (noIndex && !dropIndex(db)) {
        std::fprintf(stderr, "cannot take the search index out\n");
        return 1;
    }
    if (args.value(0) == QLatin1String("--import")) {
        const int n = importOurs(db, args.value(1));
        std::printf("%d records\n", n);
        return n < 0 ? 1 : 0;
    }
    if (args.value(0) == QLatin1String("--read")) {
        WorkbookReader reader;
        const bool ok = reader.read(args.value(1), &err);
        std::printf("%lld rows %s\n", qlonglong(reader.table().rowCount()), qPrintable(err));
        return ok ? 0 : 1;
    }
    if (args.value(0) == QLatin1String("--floor")) {
        const QString path = args.value(1);
        const int n =
            path.endsWith(QLatin1String(".xls")) ? floorXls(path, true) : floorXlsx(path, db.handle());
        std::printf("%d\n", n);
        return n < 0 ? 1 : 0;
    }
    if (args.value(0) == QLatin1String("--server")) {
        // The same imports into a server's database, beside the file's.
        const int n = args.value(2).isEmpty() ? (smoke ? 2000 : 100000) : args.value(2).toInt();
        Database server;
        if (!server.open(args.value(1), &err) || (noIndex && !dropIndex(server))) {
            std::fprintf(stderr, "%s\n", qPrintable(err));
            return 1;
        }
        const QString shared = dir.filePath(QStringLiteral("shared.xlsx")),
                      inlined = dir.filePath(QStringLiteral("inline.xlsx"));
        if (!makeSharedXlsx(shared, n) || !makeInlineXlsx(inlined, n))
            return 1;
        // Wall time and the CPU time of both processes, each the best of the runs: on a
        // busy machine the CPU time is the steadier of the two.
        auto measure = [&](Database& store, const QString& path, double* cpu) {
            *cpu = -1;
            return best(smoke ? 1 : 3, [&] {
                const double c0 = cpuSeconds() + serverCpuSeconds(store);
                const double s = seconds([&] { return importOurs(store, path) == n; });
                const double c = cpuSeconds() + serverCpuSeconds(store) - c0;
                *cpu = *cpu < 0 ? c : qMin(*cpu, c);
                return s;
            });
        };
        // Beside it a store without the index, the two taken in turns: on a
        // busy machine only runs side by side compare. The file's, or with a
        // second server database the server's (one import a turn).
        Database plain;
        const bool onServer = !plainServer.isEmpty();
        const bool turns = !noIndex &&
                           (onServer ? plain.open(plainServer, &err)
                                     : plain.open(dir.filePath(QStringLiteral("plain.mdb")), &err)) &&
                           dropIndex(plain);
        if (onServer && !turns) {
            std::fprintf(stderr, "%s\n", qPrintable(err));
            return 1;
        }
        Database& indexed = onServer ? server : db;
        for (const QString& path : {shared, inlined}) {
            double fileCpu = -1, serverCpu = 0, file = -1, plainCpu = -1, plainFile = -1, built = -1;
            for (int i = 0; i < (turns && !smoke ? 5 : 1); ++i) {
                double c = 0;
                const auto once = [&](Database& store) {
                    const double c0 = cpuSeconds() + serverCpuSeconds(store);
                    const double t = seconds([&] { return importOurs(store, path) == n; });
                    c = cpuSeconds() + serverCpuSeconds(store) - c0;
                    return t;
                };
                const double s = onServer ? once(indexed) : measure(indexed, path, &c);
                // A server's list is indexed beside the program after the import.
                const double b = seconds([] { return ServerIndexBuild::wait(600); });
                built = built < 0 ? b : qMin(built, b);
                file = file < 0 ? s : qMin(file, s);
                fileCpu = fileCpu < 0 ? c : qMin(fileCpu, c);
                if (!turns)
                    continue;
                const double ps = onServer ? once(plain) : measure(plain, path, &c);
                plainFile = plainFile < 0 ? ps : qMin(plainFile, ps);
                plainCpu = plainCpu < 0 ? c : qMin(plainCpu, c);
            }
            if (turns)
                std::printf(
                    "xlsx %s, %d records, %s without the index in turns: %.3f s (CPU %.3f s), with it "
                    "%.3f s (CPU %.3f s): %+.0f %% (CPU %+.0f %%)\n",
                    path == shared ? "shared" : "inline", n, onServer ? "server" : "file", plainFile,
                    plainCpu, file, fileCpu, 100 * (file / plainFile - 1), 100 * (fileCpu / plainCpu - 1));
            if (turns && onServer)
                std::printf("  then the index built beside the program: %.3f s (best)\n", built);
            if (onServer)
                continue;
            const double serverTime = measure(server, path, &serverCpu);
            std::printf("xlsx %s, %d records%s: file %.3f s (CPU %.3f s), server %.3f s (CPU %.3f s, both "
                        "processes)\n",
                        path == shared ? "shared" : "inline", n, noIndex ? ", no index" : "", file, fileCpu,
                        serverTime, serverCpu);
        }
        return 0;
    }
    const bool makeOnly = args.value(0) == QLatin1String("--make");
    const QString out = makeOnly ? args.value(1) : dir.path();
    const int records = makeOnly         ? args.value(2).toInt()
                        : args.isEmpty() ? (smoke ? 2000 : 100000)
                                         : args.value(0).toInt();
    const int xlsRows = smoke ? records + 1 : 65535;
    const QString shared = out + QStringLiteral("/shared.xlsx"),
                  inlined = out + QStringLiteral("/inline.xlsx"), xls = out + QStringLiteral("/rows.xls");
    if (!makeSharedXlsx(shared, records) || !makeInlineXlsx(inlined, records) || !makeXls(xls, xlsRows)) {
        std::fprintf(stderr, "cannot write the workbooks\n");
        return 1;
    }
    if (makeOnly)
        return 0;

    const int runs = smoke ? 1 : 3;
    bool same = true;
    for (const QString& path : {shared, inlined}) {
        QByteArray floorHash, oursHash;
        auto clear = [&] { return db.exec(QStringLiteral("DELETE FROM excel")); };
        const double f = best(runs, [&] {
            clear();
            const double s = seconds([&] { return floorXlsx(path, db.handle()) == records; });
            floorHash = tableHash(db);
            return s;
        });
        const double o = best(runs, [&] {
            clear();
            const double s = seconds([&] { return importOurs(db, path) == records; });
            oursHash = tableHash(db);
            return s;
        });
        if (f < 0 || o < 0) {
            std::fprintf(stderr, "a run failed: %s\n", qPrintable(path));
            return 1;
        }
        same = same && floorHash == oursHash;
        if (floorHash != oursHash)
            std::fprintf(stderr, "%s: the import stored other texts than the floor\n", qPrintable(path));
        report(
            qPrintable(
                QStringLiteral("xlsx %1, %2 records").arg(path == shared ? "shared" : "inline").arg(records)),
            f, o);
    }
    // Turn about, so that no side inherits a heap the other one warmed.
    double walk = -1, f = -1, o = -1;
    int rowsRead = 0;
    bool failed = false;
    auto keep = [&](double* t, double s) {
        failed = failed || s < 0;
        *t = *t < 0 ? s : qMin(*t, s);
    };
    for (int i = 0; i < qMax(runs, 5); ++i) {
        keep(&walk, seconds([&] { return floorXls(xls, false) > 0; }));
        keep(&f, seconds([&] { return floorXls(xls, true) > 0; }));
        keep(&o, seconds([&] {
            WorkbookReader reader;
            const bool ok = reader.read(xls, &err);
            rowsRead = reader.table().rowCount();
            return ok;
        }));
    }
    if (failed || rowsRead != xlsRows) {
        std::fprintf(stderr, "xls: %d rows read of %d (%s)\n", rowsRead, xlsRows, qPrintable(err));
        return 1;
    }
    report(qPrintable(QStringLiteral("xls read, %1 rows").arg(xlsRows)), f, o);
    std::printf("%-30s records walked without texts %7.3f s, ours %.1f times that\n", "", walk, o / walk);
    return same ? 0 : 1;
}
