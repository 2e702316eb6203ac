// A batch of the st template (one page per recipient, every item filled,
// 40-60 character addresses) written to PDF by the report engine, against
// the floor: a bare QPdfWriter loop that reads the same rows and draws the
// same lines at the same places in the same face and size, bold drawn twice
// as the engine draws it. Each run goes in a process of its own so that its
// peak memory is its own. The ratio is taken on CPU time (the machine is
// shared); wall time is printed beside it.
//
//   bench_report_pdf [--preview] [pages...] engine and floor (and the preview) at each
//                                           size (10000 100000)
//   bench_report_pdf --smoke PAGES          one small run of each; fails when they differ
//   bench_report_pdf --cups [pages...]      engine against printing to a private CUPS
//                                           queue (our process's time only; needs root)
//   bench_report_pdf [--server URI] ...     the recorded runs (history, marks; numbered
//                                           from K1) on this server database as well
//   bench_report_pdf MODE DB                one run on a filled file: engine | floor |
//                                           preview | printer | recorded | numbered |
//                                           history (recorded, no pages) |
//                                           numbers (numbered, no pages)
//   bench_report_pdf --fill DB PAGES        only makes the file (to profile the command line)

#include "data/records/DataSet.h"
#include "data/store/Database.h"
#include "data/store/Transaction.h"
#include "data/tracking/PrintRecording.h"
#include "gui/report/ReportPreview.h"
#include "report/FontSetup.h"
#include "report/QRDBText.h"
#include "report/QuickRep.h"
#include "report/ReportLayout.h"
#include "report/ReportPainter.h"
#include "report/ReportPdfWriter.h"
#include "report/ReportPrinter.h"
#include "templates/BatchData.h"
#include "templates/TemplateReport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>

#include "ProcessUsage.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <numeric>
#include <vector>

namespace {

// Recipients as a courier's customers send them: full addresses of 40 to 60
// characters, company names, every printed column filled.
bool fill(const QString& path, int rows, QString* error)
{
    Database db;
    if (!db.open(path, error, true))
        return false;
    Transaction tx(db.db());
    QSqlQuery q(db.db());
    q.prepare(QStringLiteral(
        "INSERT INTO outr (姓名, 手机, 电话, 城市, 寄件单位, 地址, 邮编, 签名, 备注, 年, 月, 日) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    const QStringList sender = {
        QStringLiteral("陈建国"),
        QStringLiteral("13823456789"),
        QStringLiteral("0755-86321234"),
        QStringLiteral("深圳"),
        QStringLiteral("深圳市华南电子商务有限公司"),
        QStringLiteral("广东省深圳市福田区华强北路1002号赛格广场三十二层3208室电商部发货组"),
        QStringLiteral("518031"),
        QStringLiteral("陈建国"),
        QStringLiteral("易碎"),
        QStringLiteral("2026"),
        QStringLiteral("12"),
        QStringLiteral("09")};
    for (int i = 0; i < sender.size(); ++i)
        q.bindValue(i, sender.at(i));
    if (!q.exec()) {
        *error = QStringLiteral("sender row not stored");
        return false;
    }
    const QStringList families = {QStringLiteral("王"), QStringLiteral("李"),   QStringLiteral("张"),
                                  QStringLiteral("刘"), QStringLiteral("欧阳"), QStringLiteral("诸葛")};
    const QStringList given = {QStringLiteral("晓明"), QStringLiteral("建华"), QStringLiteral("丽"),
                               QStringLiteral("国强"), QStringLiteral("秀英"), QStringLiteral("志远")};
    const QStringList areas = {QStringLiteral("广东省深圳市南山区"), QStringLiteral("北京市海淀区"),
                               QStringLiteral("上海市浦东新区"),     QStringLiteral("浙江省杭州市西湖区"),
                               QStringLiteral("江苏省南京市鼓楼区"), QStringLiteral("四川省成都市武侯区"),
                               QStringLiteral("湖北省武汉市洪山区")};
    const QStringList cities = {QStringLiteral("深圳"), QStringLiteral("北京"), QStringLiteral("上海"),
                                QStringLiteral("杭州"), QStringLiteral("南京"), QStringLiteral("成都"),
                                QStringLiteral("武汉")};
    const QStringList streets = {QStringLiteral("科技园南区高新南七道"),
                                 QStringLiteral("中关村大街"),
                                 QStringLiteral("世纪大道"),
                                 QStringLiteral("文三路"),
                                 QStringLiteral("中山北路"),
                                 QStringLiteral("人民南路四段"),
                                 QStringLiteral("珞喻路")};
    const QStringList buildings = {QStringLiteral("数字技术园B座"), QStringLiteral("科技大厦"),
                                   QStringLiteral("国际金融中心"),  QStringLiteral("华星时代广场"),
                                   QStringLiteral("紫峰大厦"),      QStringLiteral("天府软件园C区"),
                                   QStringLiteral("光谷创业街")};
    const QStringList notes = {QStringLiteral("（前台代收）"), QStringLiteral("，电话联系后送货上门"),
                               QStringLiteral("东侧门卫室转交行政部"), QStringLiteral("，工作日送达"),
                               QStringLiteral("收发室")};
    const QStringList companies = {
        QStringLiteral("深圳市前海华信科技发展有限公司"),
        QStringLiteral("北京中关村软件园信息技术股份有限公司"), QStringLiteral("上海浦东国际贸易有限公司"),
        QStringLiteral("杭州西湖文化创意产业有限公司"), QStringLiteral("南京鼓楼精密仪器制造有限公司")};
    const QStringList goods = {QStringLiteral("电子元件"), QStringLiteral("服装样品"),
                               QStringLiteral("合同文件"), QStringLiteral("茶叶礼盒")};
    q.finish();
    const QStringList columns = {
        QStringLiteral("姓名"), QStringLiteral("城市"), QStringLiteral("邮编"),    QStringLiteral("收件单位"),
        QStringLiteral("地址"), QStringLiteral("手机"), QStringLiteral("电话"),    QStringLiteral("内件品名"),
        QStringLiteral("数量"), QStringLiteral("备注"), QStringLiteral("快递单号")};
    const auto row = [&](int i, QVector<QVariant>& v) {
        const int a = i % areas.size();
        QString address = areas.at(a) + streets.at(a) + QString::number(i % 900 + 1) + QStringLiteral("号") +
                          buildings.at((i / 7) % buildings.size()) + QString::number(i % 30 + 1) +
                          QStringLiteral("层") + QString::number((i % 30 + 1) * 100 + i % 50 + 1) +
                          QStringLiteral("室");
        for (int k = 0; address.size() < 40 + i % 21; ++k)
            address += notes.at((i + k) % notes.size());
        address.truncate(40 + i % 21);
        v = {families.at(i % families.size()) + given.at((i / 6) % given.size()),
             cities.at(a),
             QString::number(100000 + i % 800000),
             companies.at(i % companies.size()),
             address,
             QStringLiteral("139%1").arg(i, 8, 10, QLatin1Char('0')),
             QStringLiteral("0%1-%2").arg(10 + i % 890).arg(60000000 + i),
             goods.at(i % goods.size()),
             QString::number(i % 9 + 1),
             QStringLiteral("轻放"),
             QStringLiteral("ST%1").arg(7700000000LL + i)};
    };
    if (!db.appendRows(QStringLiteral("inr"), columns, rows, row, {}, nullptr, error))
        return false;
    return tx.commit(error);
}

// The same line breaks as the address items' print hook, for text of
// GB2312 characters and ASCII only (what fill() writes), where every byte of
// a Chinese character lies above 126: byte by byte, the way the hook counts.
QString floorWrap(const QString& value, int width)
{
    enum Byte : char
    {
        Single,
        Lead,
        Trail,
        Cr,
        Lf
    };
    std::vector<Byte> bytes;
    std::vector<QChar> chars; // parallel: the character a Single or Lead byte starts
    for (const QChar c : value) {
        const bool wide = c.unicode() >= 0x80;
        bytes.push_back(wide ? Lead : Single);
        chars.push_back(c);
        if (wide) {
            bytes.push_back(Trail);
            chars.push_back(c);
        }
    }
    const int passes = int(bytes.size()) / width + 1;
    for (int i = 1; i <= passes; ++i) {
        const int limit = i * width;
        int high = 0;
        for (int k = 0; k < limit && k < int(bytes.size()); ++k)
            high += bytes[k] == Lead || bytes[k] == Trail;
        int at = std::min<int>(high % 2 == 1 ? limit - 1 : limit - 2, int(bytes.size())); // 0-based
        if (at < int(bytes.size()) && bytes[at] == Trail)
            --at;
        bytes.insert(bytes.begin() + at, {Cr, Lf});
        chars.insert(chars.begin() + at, {QChar(), QChar()});
    }
    QString out;
    for (std::size_t k = 0; k < bytes.size(); ++k) {
        if (bytes[k] == Cr)
            out += QLatin1Char('\r');
        else if (bytes[k] == Lf)
            out += QLatin1Char('\n');
        else if (bytes[k] != Trail)
            out += chars[k];
    }
    return out;
}

struct FloorItem
{
    QString column;
    bool sender;
    double left, top; // device pixels
    int maxLines;
    int wrap;
};

// The floor: rows read forward, lines drawn straight onto a QPdfWriter.
// Geometry and fonts are taken from the template; nothing else of ours runs.
int runFloor(const QString& dbPath, const QString& pdf, QStringList* firstPage)
{
    QPdfWriter writer(pdf);
    writer.setResolution(1200);
    writer.setPageSize(QPageSize(QSizeF(230, 127), QPageSize::Millimeter));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    const double u = writer.logicalDpiX() / 254.0;

    QString error;
    std::unique_ptr<TemplateReport> tpl(
        TemplateReport::create(QStringLiteral("st"), QStringLiteral("batch"), &error));
    QFont font = tpl->items().first()->Font;
    font.setBold(false); // the Song face has no bold: the engine draws twice
    const double lh = font.pointSizeF() * writer.logicalDpiY() / 72.0;
    const double ascent = QFontMetricsF(font, &writer).ascent();
    const double boldDx = ReportPainter::boldOffsetTenths(font.pointSizeF()) * u;
    QVector<FloorItem> items;
    for (TQRDBText* item : tpl->items())
        items.append({item->DataField, tpl->isSenderItem(item), item->Size.Left * u, item->Size.Top * u,
                      ReportPainter::fittingLines(1000, lh / u, item->Size.Height), tpl->wrapWidth(item)});

    Database db;
    if (!db.open(dbPath, &error, false))
        return -1;
    QSqlQuery sq(db.db());
    sq.exec(QStringLiteral("SELECT * FROM outr ORDER BY _rowid_ LIMIT 1"));
    sq.next();
    QSqlQuery rq(db.db());
    rq.setForwardOnly(true);
    rq.exec(QStringLiteral("SELECT * FROM inr ORDER BY _rowid_"));
    QVector<int> columns;
    for (const FloorItem& it : items)
        columns.append((it.sender ? sq : rq).record().indexOf(it.column));

    QPainter p(&writer);
    p.setFont(font);
    int pages = 0;
    while (rq.next()) {
        if (pages++)
            writer.newPage();
        for (int i = 0; i < items.size(); ++i) {
            const FloorItem& it = items.at(i);
            QString v = (it.sender ? sq : rq).value(columns.at(i)).toString();
            if (v.isEmpty())
                continue;
            if (it.wrap > 0)
                v = floorWrap(v, it.wrap);
            const QStringList lines = v.split(QLatin1Char('\r'));
            for (int k = 0; k < lines.size() && k < it.maxLines; ++k) {
                QString line = lines.at(k);
                line.remove(QLatin1Char('\n'));
                if (firstPage && pages == 1)
                    firstPage->append(line);
                const QPointF at(it.left, it.top + k * lh + ascent);
                p.drawText(at, line);
                p.drawText(at + QPointF(boldDx, 0), line);
            }
        }
    }
    p.end();
    return pages;
}

// The st batch over the rows of dbPath, bound as the command line binds
// it; what reports a failure on stderr under run's name.
struct BoundBatch
{
    std::unique_ptr<TemplateReport> tpl;
    std::unique_ptr<BatchData> batch;
};

bool bindBatch(const QString& dbPath, const char* run, BoundBatch* out)
{
    QString error;
    out->tpl.reset(TemplateReport::create(QStringLiteral("st"), QStringLiteral("batch"), &error));
    out->batch = std::make_unique<BatchData>(out->tpl->recipientTable());
    if (!out->batch->reload(dbPath, &error)) {
        std::fprintf(stderr, "%s: %s\n", run, qPrintable(error));
        return false;
    }
    out->tpl->bind(out->batch->senders(), out->batch->recipients());
    return true;
}

// The engine as the command line runs a batch.
int runEngine(const QString& dbPath, const QString& pdf, QStringList* firstPage)
{
    BoundBatch bound;
    if (!bindBatch(dbPath, "engine", &bound))
        return -1;
    TemplateReport* tpl = bound.tpl.get();
    QString error;
    ReportLayout layout(tpl->report());
    if (!ReportPdfWriter::write(&layout, pdf, &error)) {
        std::fprintf(stderr, "engine: %s\n", qPrintable(error));
        return -1;
    }
    if (firstPage) {
        for (const QString& text : layout.pageTexts(0)) {
            const QStringList lines = ReportPainter::splitLines(text);
            for (int k = 0; k < lines.size() && k < 3; ++k)
                firstPage->append(lines.at(k));
        }
    }
    return layout.pageCount();
}

// The same, recorded as the command line records a batch: the history entry
// and its waybills before the first page, the rows' marks after the last,
// numbered from K1 with numbered; without pages, the record alone (as if the
// output took no time). Where the memory goes is said at each step.
int runRecorded(const QString& dbPath, const QString& pdf, bool numbered, bool pages = true)
{
    BoundBatch bound;
    if (!bindBatch(dbPath, "recorded", &bound))
        return -1;
    TemplateReport* tpl = bound.tpl.get();
    BatchData& batch = *bound.batch;
    QString error;
    const double cpu0 = cpuSeconds();
    QElapsedTimer t;
    t.start();
    PrintRecording recording;
    recording.setData(batch.senders(), batch.recipients());
    QList<int> rows(batch.recipients()->recordCount());
    std::iota(rows.begin(), rows.end(), 0);
    recording.setRows(rows);
    rows.clear();
    QString note;
    PrintHistory::Conflicts conflicts;
    if (numbered && !recording.giveNumbers(QStringLiteral("K1"), &note, &conflicts, &error)) {
        std::fprintf(stderr, "recorded: %s\n", qPrintable(error));
        return -1;
    }
    if (numbered)
        std::printf("recorded: %d numbers in use (%d lines kept) found in %.2f s, peak %ld MB\n",
                    conflicts.count, int(conflicts.lines.size()), t.nsecsElapsed() / 1e9, peakKb() / 1024);
    PrintHistory::Entry entry;
    entry.templateCode = tpl->code();
    entry.variant = QStringLiteral("batch");
    entry.toPdf = true;
    entry.target = pdf;
    entry.pages = batch.recipients()->recordCount();
    if (!recording.begin(entry, &error)) {
        std::fprintf(stderr, "recorded: %s\n", qPrintable(error));
        return -1;
    }
    std::printf("recorded: entry and waybills stored in %.2f s (%.2f s CPU), memory %ld MB, peak %ld MB\n",
                t.nsecsElapsed() / 1e9, cpuSeconds() - cpu0, residentKb() / 1024, peakKb() / 1024);
    t.restart();
    ReportLayout layout(tpl->report());
    if (pages && !ReportPdfWriter::write(&layout, pdf, &error)) {
        std::fprintf(stderr, "recorded: %s\n", qPrintable(error));
        return -1;
    }
    const int count = pages ? layout.pageCount() : entry.pages;
    if (pages)
        std::printf("recorded: pages written in %.2f s, memory %ld MB, peak %ld MB\n", t.nsecsElapsed() / 1e9,
                    residentKb() / 1024, peakKb() / 1024);
    t.restart();
    const double cpu1 = cpuSeconds();
    if (!recording.finish(count, true, &error)) {
        std::fprintf(stderr, "recorded: %s\n", qPrintable(error));
        return -1;
    }
    std::printf("recorded: marks written in %.2f s (%.2f s CPU), memory %ld MB, peak %ld MB\n",
                t.nsecsElapsed() / 1e9, cpuSeconds() - cpu1, residentKb() / 1024, peakKb() / 1024);
    return count;
}

// Printing to the cups-pdf queue of a private spooler (CUPS_SERVER): our
// part ends when the job is handed over.
int runPrinter(const QString& dbPath)
{
    BoundBatch bound;
    if (!bindBatch(dbPath, "printer", &bound))
        return -1;
    TemplateReport* tpl = bound.tpl.get();
    BatchData& batch = *bound.batch;
    QString error;
    if (!ReportPrinter::printTo(tpl->report(), QStringLiteral("waybill-pdf"), &error)) {
        std::fprintf(stderr, "printer: %s\n", qPrintable(error));
        return -1;
    }
    return batch.recipients()->recordCount();
}

int runPreview(const QString& dbPath)
{
    BoundBatch bound;
    if (!bindBatch(dbPath, "preview", &bound))
        return -1;
    TemplateReport* tpl = bound.tpl.get();
    QElapsedTimer t;
    t.start();
    ReportPreview preview(tpl->report());
    preview.show();
    QApplication::processEvents(); // first paint of page 1
    const double first = t.nsecsElapsed() / 1e6;
    while (preview.isGenerating())
        QApplication::processEvents();
    for (int i = 0; i < preview.pageCount(); i += std::max(1, preview.pageCount() / 100)) {
        preview.setCurrentPage(i);
        QApplication::processEvents();
    }
    std::printf("preview  page 1 shown after %.0f ms; %d pages made and 100 shown in %.0f ms\n", first,
                preview.pageCount(), t.nsecsElapsed() / 1e6);
    return preview.pageCount();
}

int runMode(const QString& mode, const QString& dbPath)
{
    FontSetup::install();
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
    const long before = peakKb();
    QElapsedTimer t;
    t.start();
    const double cpu0 = cpuSeconds();
    int pages = -1;
    if (mode == QLatin1String("engine"))
        pages = runEngine(dbPath, pdf, nullptr);
    else if (mode == QLatin1String("floor"))
        pages = runFloor(dbPath, pdf, nullptr);
    else if (mode == QLatin1String("preview"))
        pages = runPreview(dbPath);
    else if (mode == QLatin1String("printer"))
        pages = runPrinter(dbPath);
    else if (mode == QLatin1String("recorded") || mode == QLatin1String("numbered"))
        pages = runRecorded(dbPath, pdf, mode == QLatin1String("numbered"));
    else if (mode == QLatin1String("history") || mode == QLatin1String("numbers"))
        pages = runRecorded(dbPath, pdf, mode == QLatin1String("numbers"), false);
    if (pages < 0)
        return 1;
    // One line the parent reads: mode pages wall cpu peakKb beforeKb pdfBytes.
    std::printf("RESULT %s %d %.3f %.3f %ld %ld %lld\n", qPrintable(mode), pages, t.nsecsElapsed() / 1e9,
                cpuSeconds() - cpu0, peakKb(), before, QFileInfo(pdf).size());
    return 0;
}

struct Result
{
    bool ok = false;
    int pages = 0;
    double wall = 0, cpu = 0;
    long peakKb = 0, beforeKb = 0;
    qint64 bytes = 0;
};

Result runChild(const QString& mode, const QString& dbPath)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {mode, dbPath});
    child.waitForFinished(-1);
    Result r;
    const QString out = QString::fromUtf8(child.readAllStandardOutput());
    static const QRegularExpression line(
        QStringLiteral("RESULT (\\w+) (\\d+) ([\\d.]+) ([\\d.]+) (\\d+) (\\d+) (\\d+)"));
    const auto m = line.match(out);
    for (const QString& l : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        if (!l.startsWith(QLatin1String("RESULT")))
            std::printf("  %s\n", qPrintable(l));
    if (child.exitCode() != 0 || !m.hasMatch()) {
        std::fprintf(stderr, "%s failed:\n%s\n", qPrintable(mode), qPrintable(out));
        return r;
    }
    r.ok = true;
    r.pages = m.captured(2).toInt();
    r.wall = m.captured(3).toDouble();
    r.cpu = m.captured(4).toDouble();
    r.peakKb = m.captured(5).toLong();
    r.beforeKb = m.captured(6).toLong();
    r.bytes = m.captured(7).toLongLong();
    return r;
}

void print(const char* mode, const Result& r)
{
    std::printf("  %-7s %7d pages %7.2f s (%6.2f s CPU) %6.0f pages per CPU second, %5.1f MB PDF, "
                "peak memory %4ld MB\n",
                mode, r.pages, r.wall, r.cpu, r.pages / std::max(r.cpu, 1e-3), r.bytes / 1e6,
                r.peakKb / 1024);
}

// Both sides must draw the same lines, or the ratio means nothing.
bool sameFirstPage(const QString& dbPath)
{
    QTemporaryDir dir;
    QStringList engine, floor;
    runEngine(dbPath, dir.filePath(QStringLiteral("e.pdf")), &engine);
    runFloor(dbPath, dir.filePath(QStringLiteral("f.pdf")), &floor);
    std::sort(engine.begin(), engine.end());
    std::sort(floor.begin(), floor.end());
    if (engine != floor || engine.size() < 18) {
        std::fprintf(stderr, "engine and floor draw different lines:\n  engine: %s\n  floor:  %s\n",
                     qPrintable(engine.join(QLatin1Char('|'))), qPrintable(floor.join(QLatin1Char('|'))));
        return false;
    }
    return true;
}

// The engine's PDF against the same pages sent to a private spooler's
// cups-pdf queue, started here as the printing tests start it.
bool compareWithPrinter(const QString& dbPath)
{
    const QString script = QStringLiteral(WAYBILL_SOURCE_DIR "/tests/report/cups/private-cups.sh");
    QTemporaryDir spool(QDir::tempPath() + QStringLiteral("/waybill-cups-XXXXXX"));
    QProcess start;
    start.start(QStringLiteral("/bin/sh"), {script, QStringLiteral("start"), spool.path()});
    start.waitForFinished(60000);
    if (start.exitCode() != 0) {
        std::fprintf(stderr, "no private spooler: %s\n", start.readAllStandardError().constData());
        return false;
    }
    qputenv("CUPS_SERVER", QFile::encodeName(spool.filePath(QStringLiteral("cups.sock"))));
    const Result engine = runChild(QStringLiteral("engine"), dbPath);
    const Result printer = runChild(QStringLiteral("printer"), dbPath);
    QProcess::execute(QStringLiteral("/bin/sh"), {script, QStringLiteral("stop"), spool.path()});
    qunsetenv("CUPS_SERVER");
    if (!engine.ok || !printer.ok)
        return false;
    print("engine", engine);
    std::printf("  printer %7d pages %7.2f s (%6.2f s CPU) in our process, peak memory %4ld MB\n",
                printer.pages, printer.wall, printer.cpu, printer.peakKb / 1024);
    std::printf("  ratio printer / PDF: %.2f CPU (%.2f wall)\n", printer.cpu / std::max(engine.cpu, 1e-3),
                printer.wall / std::max(engine.wall, 1e-3));
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const QStringList modes = {QStringLiteral("engine"),   QStringLiteral("floor"),
                               QStringLiteral("preview"),  QStringLiteral("printer"),
                               QStringLiteral("recorded"), QStringLiteral("numbered"),
                               QStringLiteral("history"),  QStringLiteral("numbers")};
    if (args.size() >= 2 && modes.contains(args.first()))
        return runMode(args.at(0), args.at(1));

    if (args.size() == 3 && args.first() == QLatin1String("--fill")) {
        QString error;
        if (fill(args.at(1), args.at(2).toInt(), &error))
            return 0;
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const bool smoke = args.removeAll(QStringLiteral("--smoke")) > 0;
    const bool preview = args.removeAll(QStringLiteral("--preview")) > 0;
    const bool cups = args.removeAll(QStringLiteral("--cups")) > 0;
    QString server;
    if (const int at = int(args.indexOf(QStringLiteral("--server"))); at >= 0 && at + 1 < args.size()) {
        server = args.at(at + 1);
        args.remove(at, 2);
    }
    QList<int> sizes;
    for (const QString& a : args)
        sizes.append(a.toInt());
    if (sizes.isEmpty())
        sizes = {10000, 100000};

    FontSetup::install();
    int failures = 0;
    for (int pages : sizes) {
        QTemporaryDir dir;
        const QString dbPath = dir.filePath(QStringLiteral("data.mdb"));
        QString error;
        if (pages < 1 || !fill(dbPath, pages, &error)) {
            std::fprintf(stderr, "cannot make %d recipients: %s\n", pages, qPrintable(error));
            return 1;
        }
        if (smoke && !sameFirstPage(dbPath))
            return 1;
        std::printf("st batch, %d recipients:\n", pages);
        std::fflush(stdout);
        if (cups) {
            if (!compareWithPrinter(dbPath))
                ++failures;
            continue;
        }
        const Result floor = runChild(QStringLiteral("floor"), dbPath);
        const Result engine = runChild(QStringLiteral("engine"), dbPath);
        if (!floor.ok || !engine.ok || engine.pages != pages || floor.pages != pages) {
            ++failures;
            continue;
        }
        print("floor", floor);
        print("engine", engine);
        std::printf("  ratio engine / floor: %.2f CPU (%.2f wall); peak memory %ld MB against %ld MB\n",
                    engine.cpu / std::max(floor.cpu, 1e-3), engine.wall / std::max(floor.wall, 1e-3),
                    engine.peakKb / 1024, floor.peakKb / 1024);
        // Recorded, on the file and on the server: every row marked once.
        QStringList stores{dbPath};
        if (!server.isEmpty()) {
            Database db;
            bool ok = db.open(server, &error, true);
            for (const char* sql : {"DROP TABLE IF EXISTS printlog_item", "DROP TABLE IF EXISTS printlog",
                                    "DELETE FROM inr", "DELETE FROM outr"})
                ok = ok && db.exec(QString::fromLatin1(sql), {}, &error);
            db.close();
            if (!ok || !fill(server, pages, &error)) {
                std::fprintf(stderr, "cannot fill the server: %s\n", qPrintable(error));
                return 1;
            }
            stores << server;
        }
        for (const QString& store : stores) {
            for (const QString& mode : {QStringLiteral("recorded"), QStringLiteral("numbered")}) {
                const Result r = runChild(mode, store);
                // Every row marked (and numbered) by the run, or it measured nothing.
                const QString where = mode == QLatin1String("recorded")
                                          ? QStringLiteral("\"已打印\" <> ''")
                                          : QStringLiteral("\"快递单号\" LIKE 'K%'");
                int marked = -1;
                Database db;
                if (db.open(store, &error, false)) {
                    QSqlQuery q(db.db());
                    if (q.exec(QStringLiteral("SELECT count(*) FROM inr WHERE ") + where) && q.next())
                        marked = q.value(0).toInt();
                }
                if (!r.ok || r.pages != pages || marked != pages) {
                    std::fprintf(stderr, "%s: %d pages, %d rows marked\n", qPrintable(mode), r.pages, marked);
                    ++failures;
                    continue;
                }
                std::printf("  %-8s %7d pages %7.2f s (%6.2f s CPU) on the %s, peak memory %4ld MB\n",
                            qPrintable(mode), r.pages, r.wall, r.cpu, store == server ? "server" : "file",
                            r.peakKb / 1024);
            }
        }
        if (preview) {
            const Result r = runChild(QStringLiteral("preview"), dbPath);
            if (!r.ok)
                ++failures;
            std::printf("  preview: %.2f s (%.2f s CPU), peak memory %ld MB\n", r.wall, r.cpu,
                        r.peakKb / 1024);
        }
        std::fflush(stdout);
    }
    return failures ? 1 : 0;
}
