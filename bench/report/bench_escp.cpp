// A batch of one template written as the dot-matrix stream (painted at
// 180 x 180 dpi or 360 x 180, encoded as ESC/P) against the same batch
// written as PDF, each run in a process of its own so that its peak memory
// is its own. CPU time is the measure (the machine is shared); wall time is
// printed beside it.
//
//   bench_escp [--template CODE] [--forms N]   both paths, N forms (1000)
//   bench_escp escp|escp360|pdf DB CODE        one run on a filled file
//   bench_escp --fill DB N                     only fills a file (to profile a run)
//   bench_escp check|check360 DB CODE          the stream against one of the page
//                                              engine's own painting: same bytes

#include "data/store/Database.h"
#include "data/store/Transaction.h"
#include "report/EscpWriter.h"
#include "report/FontSetup.h"
#include "report/ReportLayout.h"
#include "report/ReportPdfWriter.h"
#include "templates/BatchData.h"
#include "templates/TemplateReport.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>

#include "ProcessUsage.h"

#include <cmath>
#include <cstdio>
#include <memory>

namespace {

bool fill(const QString& path, int rows, QString* error)
{
    Database db;
    if (!db.open(path, error, true))
        return false;
    if (!db.exec(QStringLiteral(
                     "INSERT INTO outr (姓名, 手机, 电话, 城市, 寄件单位, 地址) VALUES (?, ?, ?, ?, ?, ?)"),
                 {QStringLiteral("陈建国"), QStringLiteral("13823456789"), QStringLiteral("0755-86321234"),
                  QStringLiteral("深圳"), QStringLiteral("深圳市华南电子商务有限公司"),
                  QStringLiteral("广东省深圳市福田区华强北路1002号赛格广场三十二层3208室")},
                 error))
        return false;
    Transaction tx(db.db());
    QSqlQuery q(db.db());
    q.prepare(QStringLiteral("INSERT INTO inr (姓名, 手机, 城市, 收件单位, 地址, 备注, 内件品名, 数量) "
                             "VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
    const QStringList areas = {
        QStringLiteral("北京市海淀区中关村大街"), QStringLiteral("上海市浦东新区世纪大道"),
        QStringLiteral("浙江省杭州市西湖区文三路"), QStringLiteral("四川省成都市武侯区人民南路四段")};
    for (int i = 0; i < rows; ++i) {
        q.bindValue(0, QStringLiteral("收件人%1").arg(i + 1));
        q.bindValue(1, QStringLiteral("139%1").arg(i, 8, 10, QLatin1Char('0')));
        q.bindValue(2, QStringLiteral("北京"));
        q.bindValue(3, QStringLiteral("某某科技有限公司第%1分部").arg(i % 17));
        q.bindValue(4, areas.at(i % areas.size()) +
                           QStringLiteral("%1号%2栋%3室").arg(i % 300).arg(i % 9).arg(i % 700));
        q.bindValue(5, QStringLiteral("易碎物品请轻放\r\n第二行备注%1").arg(i));
        q.bindValue(6, QStringLiteral("文件"));
        q.bindValue(7, QString::number(1 + i % 5));
        if (!q.exec()) {
            *error = QStringLiteral("row not stored");
            return false;
        }
    }
    return tx.commit();
}

// The batch on continuous paper as the writer paints it, and as the page
// engine paints every form straight onto a plain grey image (moved down by
// the same fraction of a dot), written dot for dot: the streams must agree.
bool sameAsPlainPainting(TemplateReport* tpl, int dpiX, QString* error)
{
    EscpOptions options;
    options.dpiX = dpiX;
    QBuffer ours;
    ours.open(QIODevice::WriteOnly);
    ReportLayout layout(tpl->report());
    if (!EscpWriter::write(&layout, &ours, options, error))
        return false;
    ReportLayout again(tpl->report());
    if (!again.generateAll())
        return false;
    QBuffer plain;
    plain.open(QIODevice::WriteOnly);
    EscpWriter writer(&plain, options);
    const QSizeF mm = again.pageSizeMm();
    const int rowsPerDot = dpiX == 360 ? 2 : 1;
    const int width = std::max(1, int(std::ceil(mm.width() / 25.4 * dpiX - 1e-6)));
    double formTop = 0; // 1/360 in, as the writer carries it
    for (int page = 0; page < again.pageCount(); ++page) {
        const double offset = (formTop - std::floor(formTop)) / 2;
        const int rows = std::max(1, int(std::ceil(mm.height() / 25.4 * 180 + offset - 1e-6)));
        QImage image(width, rows * rowsPerDot, QImage::Format_Grayscale8);
        image.setDotsPerMeterX(qRound(dpiX / 0.0254));
        image.setDotsPerMeterY(qRound(180 * rowsPerDot / 0.0254));
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setRenderHint(QPainter::TextAntialiasing, false);
        painter.translate(0, offset * rowsPerDot);
        again.paintPage(&painter, page);
        painter.end();
        QImage dots(width, rows, QImage::Format_Grayscale8);
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < width; ++x)
                dots.scanLine(y)[x] = rowsPerDot == 1 ? image.constScanLine(y)[x]
                                                      : std::min(image.constScanLine(2 * y)[x],
                                                                 image.constScanLine(2 * y + 1)[x]);
        if (!writer.writeForm(dots, mm.height(), error))
            return false;
        formTop += mm.height() / 25.4 * 360;
    }
    if (!writer.finish(error))
        return false;
    if (ours.data() != plain.data()) {
        *error = QStringLiteral("the streams differ");
        return false;
    }
    printf("%-8s %5d forms  the same %lld bytes as the plain painting\n", dpiX == 360 ? "check360" : "check",
           again.pageCount(), qint64(ours.size()));
    return true;
}

int runOne(const QString& mode, const QString& db, const QString& code)
{
    FontSetup::install();
    QString error;
    std::unique_ptr<TemplateReport> tpl(TemplateReport::create(code, QStringLiteral("batch"), &error));
    BatchData batch(tpl ? tpl->recipientTable() : QString());
    if (!tpl || !batch.reload(db, &error)) {
        fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    tpl->bind(batch.senders(), batch.recipients());
    if (mode.startsWith(QLatin1String("check"))) {
        if (sameAsPlainPainting(tpl.get(), mode == QLatin1String("check360") ? 360 : 180, &error))
            return 0;
        fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const QString out = QDir(QFileInfo(db).absolutePath()).filePath(mode + QStringLiteral(".out"));
    const double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    ReportLayout layout(tpl->report());
    bool ok = false;
    if (mode == QLatin1String("pdf")) {
        ok = ReportPdfWriter::write(&layout, out, &error);
    } else {
        QFile file(out);
        EscpOptions options;
        options.dpiX = mode == QLatin1String("escp360") ? 360 : 180;
        ok = file.open(QIODevice::WriteOnly) && EscpWriter::write(&layout, &file, options, &error);
    }
    if (!ok) {
        fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const qint64 size = QFileInfo(out).size();
    printf("%-8s %5d forms  cpu %6.2f s  wall %6.2f s  peak %6ld MB  %9lld bytes (%lld a form)\n",
           qPrintable(mode), layout.pageCount(), cpuSeconds() - cpu0, wall.elapsed() / 1000.0,
           peakKb() / 1024, size, size / std::max(1, layout.pageCount()));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 3 && args.at(0) == QLatin1String("--fill")) {
        QString error;
        return fill(args.at(1), args.at(2).toInt(), &error) ? 0 : 1;
    }
    if (args.size() == 3)
        return runOne(args.at(0), args.at(1), args.at(2));
    QString code = QStringLiteral("sf");
    int forms = 1000;
    for (int i = 0; i + 1 < args.size(); i += 2) {
        if (args.at(i) == QLatin1String("--template"))
            code = args.at(i + 1);
        else if (args.at(i) == QLatin1String("--forms"))
            forms = args.at(i + 1).toInt();
    }
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("bench.mdb"));
    QString error;
    if (!fill(db, forms, &error)) {
        fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    for (const char* mode : {"escp", "escp360", "pdf", "check", "check360"}) {
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedChannels);
        p.start(app.applicationFilePath(), {QString::fromLatin1(mode), db, code});
        if (!p.waitForFinished(-1) || p.exitCode() != 0)
            return 1;
    }
    return 0;
}
