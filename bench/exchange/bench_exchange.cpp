// Times the workbook import and export at full size and prints peak memory.
// Usage: bench_exchange [RECORDS] [--server URI] [--export-only]
//        (default 100000; .xls runs with 65,000)
#include "data/records/DataSet.h"
#include "data/store/Database.h"
#include "data/store/Schema.h"
#include "exchange/Biff8Writer.h"
#include "exchange/DataExporter.h"
#include "exchange/DatabaseBackup.h"
#include "exchange/ExcelImporter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

static long peakKb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

static double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

static long residentKb()
{
    long pages = 0, resident = 0;
    if (FILE* f = fopen("/proc/self/statm", "r")) {
        if (fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

static void fill(Database& db, int n)
{
    db.exec(QStringLiteral("DELETE FROM inr"));
    db.exec(QStringLiteral(
                "WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM k WHERE i < ?) "
                "INSERT INTO inr (\"姓名\",\"城市\",\"邮编\",\"收件单位\",\"地址\",\"手机\",\"电话\","
                "\"内件品名\",\"数量\",\"备注\",\"快递单号\") SELECT '收件人' || i, '杭州', '310000', "
                "'某某贸易有限公司', '浙江省杭州市西湖区文三路' || i || '号', '138' || (10000000 + i), "
                "'0571-8888' || i, '服装', '1', '轻放', '' FROM k"),
            {n});
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int n = 100000;
    QString server;
    bool exportOnly = false;
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        if (a == QLatin1String("--server") && i + 1 < argc)
            server = QString::fromLocal8Bit(argv[++i]);
        else if (a == QLatin1String("--export-only"))
            exportOnly = true;
        else
            n = a.toInt();
    }
    QTemporaryDir dir;
    Database db;
    QString err;
    if (!db.open(server.isEmpty() ? dir.filePath(QStringLiteral("data.mdb")) : server, &err)) {
        fprintf(stderr, "%s\n", qPrintable(err));
        return 1;
    }
    QElapsedTimer t;
    for (auto [format, rows] :
         {std::pair{DataExporter::Format::Xlsx, n}, std::pair{DataExporter::Format::Xls, 65000}}) {
        const char* ext = format == DataExporter::Format::Xls ? "xls" : "xlsx";
        fill(db, rows);
        DataSet ds;
        ds.setDatabase(&db);
        t.start();
        ds.open(Schema::kRecipientTable);
        const qint64 openMs = t.elapsed();
        const long before = residentKb();
        long most = before;
        const double cpu0 = cpuSeconds();
        t.start();
        const DataExporter::Result ex =
            DataExporter::exportDataSet(ds, dir.filePath(QStringLiteral("out")), format, [&most](int) {
                most = std::max(most, residentKb());
                return true;
            });
        const qint64 exportMs = t.elapsed();
        const double exportCpu = cpuSeconds() - cpu0;
        if (!ex.ok) {
            fprintf(stderr, "export: %s\n", qPrintable(ex.error));
            return 1;
        }
        printf("%-4s %7d records (%s): export %5lld ms (%.1f s CPU, %.1f MB), memory %ld MB before, at most "
               "%ld MB while writing (peak so far %ld MB)\n",
               ext, rows, server.isEmpty() ? "file" : "server", exportMs, exportCpu,
               QFileInfo(ex.path).size() / 1e6, before / 1024, most / 1024, peakKb() / 1024);
        fflush(stdout);
        if (exportOnly)
            continue;
        t.start();
        const ExcelImporter::Result im = ExcelImporter::importFile(db, ex.path, [](int) { return true; });
        const qint64 importMs = t.elapsed();
        if (!im.ok) {
            fprintf(stderr, "import: %s\n", qPrintable(im.message));
            return 1;
        }
        printf(
            "%-4s %6d records: load list %5lld ms, export %5lld ms (%.1f MB), import %5lld ms (%d records)\n",
            ext, rows, openMs, exportMs, QFileInfo(ex.path).size() / 1e6, importMs, im.imported);
    }
    if (exportOnly || !server.isEmpty())
        return 0;
    t.start();
    if (!DatabaseBackup::backup(db.path(), dir.filePath(QStringLiteral("b")), &err))
        fprintf(stderr, "backup: %s\n", qPrintable(err));
    printf("backup %lld ms (%.1f MB)\n", t.elapsed(), QFileInfo(db.path()).size() / 1e6);
    printf("peak memory %.1f MB\n", peakKb() / 1024.0);
    return 0;
}
