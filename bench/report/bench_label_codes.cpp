// A batch of the 100 × 150 thermal label (one page per recipient, every
// field filled, a different waybill number on each) written to PDF, with
// its Code 128 and QR code against the same label without them. Each run
// goes in a process of its own so that its peak memory is its own.
//
//   bench_label_codes [pages]            both runs (10000 pages)
//   bench_label_codes --smoke PAGES      a small run of each; fails when one fails
//   bench_label_codes codes|plain DB PDF one run on a filled file

#include "data/records/DataSet.h"
#include "data/store/Database.h"
#include "data/store/Transaction.h"
#include "report/FontSetup.h"
#include "report/ReportPdfWriter.h"
#include "templates/LabelTemplates.h"
#include "templates/TemplateReport.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>

#include "ProcessUsage.h"

#include <cstdio>

namespace {

bool fill(const QString& path, int rows, QString* error)
{
    Database db;
    if (!db.open(path, error))
        return false;
    if (!db.exec(QStringLiteral("INSERT INTO outr (姓名, 手机, 地址) VALUES ('寄件人', '13800000000', "
                                "'北京市朝阳区建国路88号院3号楼B座2201室')"),
                 {}, error))
        return false;
    Transaction t(db.db());
    static const char* const streets[] = {"世纪大道", "南京东路", "淮海中路", "中山北路", "延安西路"};
    for (int i = 0; i < rows; ++i) {
        const QString address = QStringLiteral("上海市浦东新区%1%2号金融中心大厦%3层%4室")
                                    .arg(QString::fromUtf8(streets[i % 5]))
                                    .arg(1 + i % 997)
                                    .arg(1 + i % 40)
                                    .arg(100 + i % 900);
        if (!db.exec(
                QStringLiteral("INSERT INTO inr (姓名, 收件单位, 地址, 手机, 内件品名, 数量, 备注, 快递单号) "
                               "VALUES (?, '甲科技有限公司', ?, ?, '文件资料', '1', '请当面签收', ?)"),
                {QStringLiteral("收件人%1").arg(i), address,
                 QStringLiteral("139%1").arg(i, 8, 10, QLatin1Char('0')),
                 QStringLiteral("SF%1").arg(1234500000000LL + i * 7919LL)},
                error))
            return false;
    }
    return t.commit(error);
}

int runOne(bool codes, const QString& path, const QString& pdf)
{
    TemplateDesign design = LabelTemplates::all().at(1);
    if (!codes) {
        QVector<DesignItem> kept;
        for (const DesignItem& i : design.items)
            if (i.kind != DesignItem::Kind::Barcode && i.kind != DesignItem::Kind::QrCode)
                kept.append(i);
        design.items = kept;
    }
    Database db;
    QString error;
    if (!db.open(path, &error, false)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    DataSet senders, recipients;
    senders.setDatabase(&db);
    recipients.setDatabase(&db);
    senders.open(QStringLiteral("outr"));
    recipients.open(QStringLiteral("inr"));
    QElapsedTimer wall;
    wall.start();
    const double cpu0 = cpuSeconds();
    TemplateReport tpl(design, layouts::Variant::Batch);
    tpl.bind(&senders, &recipients);
    if (!ReportPdfWriter::write(tpl.report(), pdf, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    std::printf("%s %.2f %.2f %ld %lld\n", codes ? "codes" : "plain", cpuSeconds() - cpu0,
                wall.elapsed() / 1000.0, peakKb(), QFileInfo(pdf).size());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    FontSetup::install();
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 3 && (args.at(0) == QLatin1String("codes") || args.at(0) == QLatin1String("plain")))
        return runOne(args.at(0) == QLatin1String("codes"), args.at(1), args.at(2));

    const bool smoke = args.value(0) == QLatin1String("--smoke");
    const int pages = (smoke ? args.value(1) : args.value(0)).toInt() > 0
                          ? (smoke ? args.value(1) : args.value(0)).toInt()
                          : 10000;
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("bench.mdb"));
    QString error;
    if (!fill(db, pages, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    std::printf("100 x 150 label, %d pages to PDF\n%-6s %8s %8s %10s %12s\n", pages, "run", "cpu s", "wall s",
                "peak KB", "PDF bytes");
    for (const char* mode : {"plain", "codes"}) {
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(app.applicationFilePath(),
                {QString::fromLatin1(mode), db,
                 dir.filePath(QString::fromLatin1(mode) + QStringLiteral(".pdf"))});
        if (!p.waitForFinished(-1) || p.exitCode() != 0)
            return 1;
        const QStringList f = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char(' '));
        std::printf("%-6s %8s %8s %10s %12s", qPrintable(f.value(0)), qPrintable(f.value(1)),
                    qPrintable(f.value(2)), qPrintable(f.value(3)), qPrintable(f.value(4)));
    }
    return 0;
}
