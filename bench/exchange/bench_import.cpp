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
#include "ImportFloor.h"
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
        const int n = path.endsWith(QLatin1String(".xls")) ? ImportFloor::xls(path, true)
                                                           : ImportFloor::xlsx(path, db.handle());
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
            const double s = seconds([&] { return ImportFloor::xlsx(path, db.handle()) == records; });
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
        keep(&walk, seconds([&] { return ImportFloor::xls(xls, false) > 0; }));
        keep(&f, seconds([&] { return ImportFloor::xls(xls, true) > 0; }));
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
