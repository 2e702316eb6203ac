// Writes a batch of 10,000 waybills (18 text items each) to PDF through the
// report engine, and the same texts at the same places through a bare
// QPdfWriter loop (the floor), and times the preview's first page. Each
// mode runs in a process of its own so that peak memory is its own.
//
//   bench_report_pdf [records]          all modes
//   bench_report_pdf MODE [records]     engine | floor | preview

#include "data/DataSet.h"
#include "data/Database.h"
#include "report/FontSetup.h"
#include "report/QRBand.h"
#include "report/QRDBText.h"
#include "report/QuickRep.h"
#include "report/ReportLayout.h"
#include "report/ReportPdfWriter.h"
#include "gui/report/ReportPreview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>

namespace {

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

long peakKb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

struct Place
{
    const char* field;
    double left, top; // tenths of a millimetre
    double height;
};

// 18 items spread over a 230 x 127 mm form, as the layouts place them.
const Place kPlaces[18] = {
    {"姓名", 280, 250, 50},     {"城市", 900, 250, 50},      {"邮编", 1500, 250, 50},
    {"收件单位", 280, 350, 50}, {"地址", 280, 430, 130},     {"手机", 280, 600, 50},
    {"电话", 900, 600, 50},     {"内件品名", 280, 700, 50},  {"数量", 900, 700, 50},
    {"备注", 280, 800, 50},     {"快递单号", 1500, 800, 50}, {"姓名", 1250, 350, 50},
    {"城市", 1250, 430, 50},    {"地址", 1250, 500, 130},    {"手机", 1250, 680, 50},
    {"电话", 1700, 680, 50},    {"邮编", 1700, 430, 50},     {"收件单位", 1250, 900, 50},
};

// A wrap hook of the kind the address items carry: a break every 19 characters.
void wrap(TQRDBText*, QString& value)
{
    QString out;
    for (int i = 0; i < value.size(); i += 19) {
        if (i > 0)
            out += QStringLiteral("\r\n");
        out += value.mid(i, 19);
    }
    value = out;
}

bool fill(Database& db, int records)
{
    return db.exec(
        QStringLiteral(
            "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < ?) "
            "INSERT INTO inr (姓名, 城市, 邮编, 收件单位, 地址, 手机, 电话, 内件品名, 数量, 备注, 快递单号) "
            "SELECT '王小明' || i, '北京', '100080', '北京中关村科技有限公司', "
            "'北京市海淀区中关村大街' || i || '号科技大厦十二层1208室', '13800138000', '010-62345678', "
            "'文件', '1', '轻放', 'SF' || (1000000 + i) FROM c"),
        {records});
}

TQuickRep* makeReport(DataSet* ds)
{
    auto* rep = new TQuickRep;
    rep->DataSet = ds;
    auto* band = new TQRBand(rep);
    band->Size.Height = 1270.2;
    QFont font(QStringLiteral("宋体"));
    font.setPointSize(12);
    font.setBold(true);
    for (const Place& p : kPlaces) {
        auto* item = new TQRDBText(band);
        item->DataSet = ds;
        item->DataField = QString::fromUtf8(p.field);
        item->Size = {p.height, p.left, p.top, 600};
        item->Font = font;
        if (QByteArray(p.field) == "地址")
            item->OnPrint = wrap;
    }
    return rep;
}

int runFloor(DataSet& ds, const QString& path)
{
    QPdfWriter writer(path);
    writer.setResolution(1200);
    writer.setPageSize(QPageSize(QSizeF(230, 127), QPageSize::Millimeter));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter p(&writer);
    QFont font(QStringLiteral("宋体"));
    font.setPointSize(12);
    font.setBold(true);
    p.setFont(font);
    const double u = 1200 / 254.0;
    const double lh = 12 * 1200 / 72.0;
    int pages = 0;
    for (ds.first(); !ds.eof(); ds.next()) {
        if (pages++)
            writer.newPage();
        for (const Place& pl : kPlaces) {
            QString v = ds.value(QString::fromUtf8(pl.field));
            if (QByteArray(pl.field) == "地址")
                wrap(nullptr, v);
            const QStringList lines = v.split(QLatin1Char('\r'));
            for (int k = 0; k < lines.size() && (k + 1) * lh / u <= pl.height + 1; ++k) {
                QString line = lines.at(k);
                line.remove(QLatin1Char('\n'));
                p.drawText(QPointF(pl.left * u, pl.top * u + (k + 0.86) * lh), line);
            }
        }
    }
    p.end();
    return pages;
}

int runMode(const QString& mode, int records)
{
    FontSetup::install();
    QTemporaryDir dir;
    Database db;
    QString error;
    if (!db.open(dir.filePath("data.mdb"), &error) || !fill(db, records)) {
        std::fprintf(stderr, "database: %s\n", qPrintable(error));
        return 1;
    }
    DataSet ds;
    ds.setDatabase(&db);
    ds.open(QStringLiteral("inr"));
    const QString pdf = dir.filePath("out.pdf");
    const long before = peakKb();
    QElapsedTimer t;
    t.start();
    const double cpu0 = cpuSeconds();
    if (mode == QLatin1String("engine")) {
        std::unique_ptr<TQuickRep> rep(makeReport(&ds));
        if (!ReportPdfWriter::write(rep.get(), pdf, &error)) {
            std::fprintf(stderr, "engine: %s\n", qPrintable(error));
            return 1;
        }
    } else if (mode == QLatin1String("floor")) {
        runFloor(ds, pdf);
    } else if (mode == QLatin1String("preview")) {
        std::unique_ptr<TQuickRep> rep(makeReport(&ds));
        ReportPreview preview(rep.get());
        preview.show();
        QApplication::processEvents(); // first paint of page 1
        const double first = t.nsecsElapsed() / 1e6;
        while (preview.isGenerating())
            QApplication::processEvents();
        const double all = t.nsecsElapsed() / 1e6;
        for (int i = 0; i < preview.pageCount(); i += 97) {
            preview.setCurrentPage(i);
            QApplication::processEvents();
        }
        std::printf("%-8s page 1 shown after %.0f ms; %d pages made in %.0f ms (loop running); "
                    "peak memory %ld MB (%ld MB before)\n",
                    "preview", first, preview.pageCount(), all, peakKb() / 1024, before / 1024);
        return 0;
    }
    const double secs = t.nsecsElapsed() / 1e9;
    const double cpu = cpuSeconds() - cpu0;
    std::printf("%-8s %d records in %.2f s (%.2f s CPU): %.0f records/s (%.0f per CPU second), %.1f MB PDF, "
                "peak memory %ld MB (%ld MB before)\n",
                qPrintable(mode), records, secs, cpu, records / secs, records / cpu,
                QFileInfo(pdf).size() / 1e6, peakKb() / 1024, before / 1024);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const QStringList modes = {QStringLiteral("engine"), QStringLiteral("floor"), QStringLiteral("preview")};
    if (!args.isEmpty() && modes.contains(args.first()))
        return runMode(args.first(), args.value(1, QStringLiteral("10000")).toInt());
    const QString records = args.value(0, QStringLiteral("10000"));
    for (const QString& mode : modes) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(app.applicationFilePath(), {mode, records});
        child.waitForFinished(-1);
    }
    return 0;
}
