#include "report/EscpWriter.h"
#include "report/FontSetup.h"
#include "report/PageBreaks.h"
#include "report/QRBand.h"
#include "report/QRDBText.h"
#include "report/QuickRep.h"
#include "report/ReportLayout.h"
#include "report/ReportPainter.h"
#include "report/ReportPdfWriter.h"
#include "report/ReportRecords.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace {

// Records held in memory: row by row, the values of the band's items.
struct ListRecords : ReportRecords
{
    QList<QStringList> rows;
    QStringList none; // what prints without a record
    int recordCount() const override { return rows.size(); }
    QStringList texts(int record) const override { return rows.value(record, none); }
};

struct Word
{
    double xMin, yMin, xMax, yMax; // points
    QString text;
};

// Words of a PDF page as poppler's pdftotext sees them.
QList<Word> pdfWords(const QString& path, QSizeF* pagePt = nullptr)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return {};
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    QList<Word> words;
    static const QRegularExpression word(QStringLiteral(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"));
    for (auto it = word.globalMatch(out); it.hasNext();) {
        const auto m = it.next();
        words.append({m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toDouble(),
                      m.captured(4).toDouble(), m.captured(5)});
    }
    static const QRegularExpression page(QStringLiteral(R"re(<page width="([\d.]+)" height="([\d.]+)")re"));
    const auto m = page.match(out);
    if (pagePt && m.hasMatch())
        *pagePt = QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble());
    return words;
}

constexpr double kPtPerTenth = 72.0 / 254.0;

// Share of dark pixels in rect of img.
double ink(const QImage& img, const QRect& rect)
{
    const QRect r = rect.intersected(img.rect());
    if (r.isEmpty())
        return 0;
    qint64 dark = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (qGray(img.pixel(x, y)) < 128)
                ++dark;
    return double(dark) / (qint64(r.width()) * r.height());
}

QImage renderPage(ReportLayout& layout, int page, int dpi)
{
    const QSizeF mm = layout.pageSizeMm();
    QImage img(int(mm.width() / 25.4 * dpi), int(mm.height() / 25.4 * dpi), QImage::Format_RGB32);
    img.setDotsPerMeterX(int(dpi / 0.0254));
    img.setDotsPerMeterY(int(dpi / 0.0254));
    img.fill(Qt::white);
    QPainter p(&img);
    layout.paintPage(&p, page);
    p.end();
    return img;
}

// A run on continuous paper as the dot-matrix writer sends it, from forms
// the page engine paints straight onto a plain white grey image each.
QByteArray plainDotStream(ReportLayout& layout, int dpiX)
{
    EscpOptions options;
    options.dpiX = dpiX;
    QBuffer stream;
    stream.open(QIODevice::WriteOnly);
    EscpWriter writer(&stream, options);
    const QSizeF mm = layout.pageSizeMm();
    const int rowsPerDot = dpiX == 360 ? 2 : 1;
    const int width = int(std::ceil(mm.width() / 25.4 * dpiX - 1e-6));
    double formTop = 0; // 1/360 in
    QString error;
    for (int page = 0; page < layout.pageCount(); ++page) {
        const double offset = (formTop - std::floor(formTop)) / 2;
        const int rows = int(std::ceil(mm.height() / 25.4 * 180 + offset - 1e-6));
        QImage image(width, rows * rowsPerDot, QImage::Format_Grayscale8);
        image.setDotsPerMeterX(qRound(dpiX / 0.0254));
        image.setDotsPerMeterY(qRound(180 * rowsPerDot / 0.0254));
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setRenderHint(QPainter::TextAntialiasing, false);
        painter.translate(0, offset * rowsPerDot);
        layout.paintPage(&painter, page);
        painter.end();
        QImage dots(width, rows, QImage::Format_Grayscale8);
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < width; ++x)
                dots.scanLine(y)[x] = std::min(image.constScanLine(y * rowsPerDot)[x],
                                               image.constScanLine(y * rowsPerDot + rowsPerDot - 1)[x]);
        if (!writer.writeForm(dots, mm.height(), &error))
            return {};
        formTop += mm.height() / 25.4 * 360;
    }
    writer.finish(&error);
    return stream.data();
}

} // namespace

class TestReportLayout : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void pageCount_data();
    void pageCount();
    void bandsSharePageWhenTheyFit_data();
    void bandsSharePageWhenTheyFit();
    void pageBreaks_data();
    void pageBreaks();
    void pixelConversion_data();
    void pixelConversion();
    void linesThatFit_data();
    void linesThatFit();
    void hookOnlyForValuesAndOncePerPrint();
    void opaqueItemCoversTransparent_data();
    void opaqueItemCoversTransparent();
    void overflow_data();
    void overflow();
    void pdfPositionsAndLines();
    void boldVisibleAt600Dpi_data();
    void boldVisibleAt600Dpi();
    void cancelledPdfLeavesNoFile();
    void designViewShowsColumnNames_data();
    void designViewShowsColumnNames();
    void textInItsFontColour();
    void dotStreamIsThePlainPainting_data();
    void dotStreamIsThePlainPainting();

private:
    void addRecipients(int n);
    TQuickRep* makeReport(double bandHeight = 1270);

    QTemporaryDir* m_dir = nullptr;
    ListRecords* m_records = nullptr;
    TQuickRep* m_report = nullptr;
};

void TestReportLayout::initTestCase()
{
    FontSetup::install();
}

void TestReportLayout::init()
{
    m_dir = new QTemporaryDir;
    m_records = new ListRecords;
}

void TestReportLayout::cleanup()
{
    delete m_report;
    m_report = nullptr;
    delete m_records;
    delete m_dir;
}

void TestReportLayout::addRecipients(int n)
{
    for (int i = 0; i < n; ++i)
        m_records->rows.append({QStringLiteral("收件人%1").arg(i + 1), QStringLiteral("地址%1").arg(i + 1)});
}

TQuickRep* TestReportLayout::makeReport(double bandHeight)
{
    m_report = new TQuickRep;
    m_report->Page.Width = 2300;
    m_report->Page.Length = 1270;
    auto* band = new TQRBand(m_report);
    band->Size.Width = 2300;
    band->Size.Height = bandHeight;
    auto* name = new TQRDBText(band, QStringLiteral("QRDBText1"));
    name->DataField = QStringLiteral("姓名");
    name->Size = {50, 200, 300, 400};
    return m_report;
}

void TestReportLayout::pageCount_data()
{
    QTest::addColumn<QString>("source"); // none, records
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("printIfEmpty");
    QTest::addColumn<double>("bandHeight");
    QTest::addColumn<int>("pages");

    QTest::newRow("no source") << "none" << 3 << true << 1270.0 << 1;
    QTest::newRow("no records") << "records" << 0 << true << 1270.0 << 1;
    QTest::newRow("no records, nothing then") << "records" << 0 << false << 1270.0 << 0;
    QTest::newRow("one row") << "records" << 1 << true << 1270.0 << 1;
    QTest::newRow("seven rows") << "records" << 7 << false << 1270.0 << 7;
    // The layouts' bands are up to 0.023 mm taller than their page.
    QTest::newRow("band 0.02 mm taller") << "records" << 4 << true << 1270.2 << 4;
    QTest::newRow("band 1 mm shorter") << "records" << 4 << true << 1260.0 << 4;
    // Taller than the page: still one page per record, never printed over the last.
    QTest::newRow("band 5 mm taller") << "records" << 3 << true << 1320.0 << 3;
}

void TestReportLayout::pageCount()
{
    QFETCH(QString, source);
    QFETCH(int, rows);
    QFETCH(bool, printIfEmpty);
    QFETCH(double, bandHeight);
    QFETCH(int, pages);

    addRecipients(rows);
    m_records->none = {QStringLiteral("无记录")};
    makeReport(bandHeight);
    m_report->PrintIfEmpty = printIfEmpty;
    if (source != "none")
        m_report->Records = m_records;

    ReportLayout layout(m_report);
    layout.start();
    QCOMPARE(layout.expectedPageCount(), pages);
    QVERIFY(layout.generateAll());
    QCOMPARE(layout.pageCount(), pages);
    QCOMPARE(layout.progress(), 100);
    // One record per page, in their order; without records the band prints
    // what the source gives for none, without a source nothing.
    if (source != "none" && rows > 0) {
        for (int i = 0; i < pages; ++i)
            QCOMPARE(layout.pageTexts(i), QStringList{QStringLiteral("收件人%1").arg(i + 1)});
    } else if (pages > 0) {
        QCOMPARE(layout.pageTexts(0), QStringList{source == "none" ? QString() : QStringLiteral("无记录")});
    }
}

void TestReportLayout::bandsSharePageWhenTheyFit_data()
{
    QTest::addColumn<double>("bandHeight"); // tenths of a millimetre, page 1270
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("perPage");
    QTest::newRow("60 mm") << 600.0 << 5 << 2;
    // Band heights count in whole tenths: 635.4 fits twice, 635.5 once.
    QTest::newRow("63.54 mm") << 635.4 << 4 << 2;
    QTest::newRow("63.55 mm") << 635.5 << 4 << 1;
}

void TestReportLayout::bandsSharePageWhenTheyFit()
{
    QFETCH(double, bandHeight);
    QFETCH(int, rows);
    QFETCH(int, perPage);
    addRecipients(rows);
    makeReport(bandHeight);
    m_report->Records = m_records;
    ReportLayout layout(m_report);
    layout.start();
    const int pages = (rows + perPage - 1) / perPage;
    QCOMPARE(layout.expectedPageCount(), pages);
    for (int i = 0; i < 3; ++i) // partway, with a page begun
        layout.step();
    QCOMPARE(layout.expectedPageCount(), pages);
    QVERIFY(layout.generateAll());
    QCOMPARE(layout.pageCount(), pages);
    for (int page = 0; page < layout.pageCount(); ++page) {
        QStringList expected;
        for (int r = page * perPage; r < std::min(rows, (page + 1) * perPage); ++r)
            expected << QStringLiteral("收件人%1").arg(r + 1);
        QCOMPARE(layout.pageTexts(page), expected);
    }
}

void TestReportLayout::pageBreaks_data()
{
    // A page of 1270 tenths' room; bands more to come after `used` tenths of
    // the current page (-1: none begun).
    QTest::addColumn<double>("height");
    QTest::addColumn<double>("used");
    QTest::addColumn<int>("bands");
    QTest::addColumn<bool>("startsPage");
    QTest::addColumn<int>("pagesAdded");
    QTest::newRow("first band") << 600.0 << -1.0 << 5 << true << 3;
    QTest::newRow("second fits") << 600.0 << 600.0 << 4 << false << 2;
    QTest::newRow("third does not") << 600.0 << 1200.0 << 3 << true << 2;
    QTest::newRow("fills the room exactly") << 635.0 << 635.0 << 1 << false << 0;
    QTest::newRow("one tenth over") << 636.0 << 636.0 << 1 << true << 1;
    QTest::newRow("taller than the page, alone") << 1320.0 << 1320.0 << 2 << true << 2;
    QTest::newRow("no height: one page for all") << 0.0 << -1.0 << 9 << true << 1;
    QTest::newRow("no height, page begun") << 0.0 << 0.0 << 9 << false << 0;
    QTest::newRow("nothing left") << 600.0 << 600.0 << 0 << false << 0;
}

void TestReportLayout::pageBreaks()
{
    QFETCH(double, height);
    QFETCH(double, used);
    QFETCH(int, bands);
    QFETCH(bool, startsPage);
    QFETCH(int, pagesAdded);
    const bool begun = used >= 0;
    QCOMPARE(PageBreaks::startsPage(begun, std::max(used, 0.0), height, 1270), startsPage);
    QCOMPARE(PageBreaks::pagesAdded(bands, begun, std::max(used, 0.0), height, 1270), pagesAdded);
}

void TestReportLayout::pixelConversion_data()
{
    QTest::addColumn<int>("zoom");
    QTest::addColumn<double>("ppi");
    QTest::addColumn<int>("pixels");
    QTest::addColumn<double>("tenths");

    QTest::newRow("96 ppi") << 100 << 96.0 << 10 << 26.458333;
    QTest::newRow("negative") << 100 << 96.0 << -8 << -21.166667;
    QTest::newRow("zoom 50") << 50 << 96.0 << 10 << 52.916667;
    QTest::newRow("120 ppi") << 100 << 120.0 << 12 << 25.4;
}

void TestReportLayout::pixelConversion()
{
    QFETCH(int, zoom);
    QFETCH(double, ppi);
    QFETCH(int, pixels);
    QFETCH(double, tenths);

    makeReport();
    m_report->Zoom = zoom;
    TQRDBText* item = m_report->band()->items().first();
    item->setLeftPixels(pixels, ppi);
    item->setTopPixels(2 * pixels, ppi);
    QVERIFY(qAbs(item->Size.Left - tenths) < 1e-4);
    QVERIFY(qAbs(item->Size.Top - 2 * tenths) < 1e-4);
    QCOMPARE(item->leftPixels(ppi), pixels);
    QCOMPARE(item->topPixels(ppi), 2 * pixels);
    // A shift adds to where the item stands.
    item->setLeftPixels(item->leftPixels(ppi) + pixels, ppi);
    QVERIFY(qAbs(item->Size.Left - 2 * tenths) < 1e-4);
}

void TestReportLayout::linesThatFit_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<double>("heightTenths");
    QTest::addColumn<int>("lines");

    // The address boxes: 13.0 mm hold three lines of 12 pt "宋体".
    QTest::newRow("宋体 13.0 mm") << QStringLiteral("宋体") << 130.0 << 3;
    QTest::newRow("宋体 12.6 mm") << QStringLiteral("宋体") << 126.0 << 3;
    QTest::newRow("宋体 12.5 mm") << QStringLiteral("宋体") << 125.0 << 2;
    QTest::newRow("宋体 4.3 mm") << QStringLiteral("宋体") << 43.0 << 1;
    QTest::newRow("宋体 3 mm") << QStringLiteral("宋体") << 30.0 << 0;
    // The face that stands in for "宋体", as the font dialog lists it.
    QTest::newRow("AR PL UMing CN 13.0 mm") << QStringLiteral("AR PL UMing CN") << 130.0 << 3;
    // Any other family: its own height on the device, taller than one em.
    QTest::newRow("DejaVu 13.0 mm") << QStringLiteral("DejaVu Sans") << 130.0 << 2;
}

void TestReportLayout::linesThatFit()
{
    QFETCH(QString, family);
    QFETCH(double, heightTenths);
    QFETCH(int, lines);

    QFont font(family);
    font.setPointSize(12);
    for (int dpi : {96, 600, 1200}) {
        QImage device(10, 10, QImage::Format_RGB32);
        device.setDotsPerMeterX(int(dpi / 0.0254));
        device.setDotsPerMeterY(int(dpi / 0.0254));
        const double lh = ReportPainter::lineHeight(font, &device) * 254.0 / device.logicalDpiY();
        QCOMPARE(ReportPainter::fittingLines(5, lh, heightTenths), lines);
    }
    QCOMPARE(ReportPainter::splitLines(QStringLiteral("甲\r\n乙\r丙\n丁")),
             (QStringList{QStringLiteral("甲"), QStringLiteral("乙"), QStringLiteral("丙丁")}));
}

void TestReportLayout::hookOnlyForValuesAndOncePerPrint()
{
    m_records->rows = {{QStringLiteral("甲")}, {QString()}, {QStringLiteral("丙")}};
    makeReport();
    m_report->Records = m_records;
    TQRDBText* item = m_report->band()->items().first();
    QStringList seen;
    item->OnPrint = [&](TQRDBText* sender, QString& value) {
        QCOMPARE(sender, item);
        seen << value;
        value += QStringLiteral("\r\n!");
    };
    for (int run = 0; run < 2; ++run) {
        seen.clear();
        ReportLayout layout(m_report);
        QVERIFY(layout.generateAll());
        QCOMPARE(seen, (QStringList{QStringLiteral("甲"), QStringLiteral("丙")}));
        QCOMPARE(layout.pageTexts(0), QStringList{QStringLiteral("甲\r\n!")});
        QCOMPARE(layout.pageTexts(1), QStringList{QString()});
        QCOMPARE(layout.pageTexts(2), QStringList{QStringLiteral("丙\r\n!")});
    }
}

void TestReportLayout::opaqueItemCoversTransparent_data()
{
    QTest::addColumn<bool>("coverOpaque");
    QTest::addColumn<QString>("coverValue");
    QTest::addColumn<bool>("inkExpected");
    const QString blanks = QString(6, QChar(0x3000)); // wider than the text beneath, draws nothing
    QTest::newRow("opaque cover") << true << blanks << false;
    QTest::newRow("empty opaque cover paints nothing") << true << QString() << true;
    QTest::newRow("transparent cover") << false << blanks << true;
}

void TestReportLayout::opaqueItemCoversTransparent()
{
    QFETCH(bool, coverOpaque);
    QFETCH(QString, coverValue);
    QFETCH(bool, inkExpected);

    m_records->rows = {{coverValue, QStringLiteral("黑黑黑黑")}};
    makeReport();
    m_report->Records = m_records;
    // First in child order: a box over the place where the second prints.
    TQRDBText* cover = m_report->band()->items().first();
    cover->Size = {100, 100, 100, 600};
    cover->Transparent = !coverOpaque;
    auto* text = new TQRDBText(m_report->band(), QStringLiteral("QRDBText2"));
    text->DataField = QStringLiteral("地址");
    text->Size = {50, 150, 120, 300};
    text->Font.setBold(true);

    ReportLayout layout(m_report);
    QVERIFY(layout.generateAll());
    const QImage img = renderPage(layout, 0, 300);
    const double px = 300 / 254.0;
    const QRect box(int(100 * px), int(100 * px), int(600 * px), int(100 * px));
    QCOMPARE(ink(img, box) > 0.01, inkExpected);
}

void TestReportLayout::overflow_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("height");       // of the item, tenths
    QTest::addColumn<double>("neighbourGap"); // room to the next box on the line; NaN: none
    QTest::addColumn<double>("pageRoom");     // room to the page's right edge; NaN: plenty
    QTest::addColumn<double>("calibrationDx");
    QTest::addColumn<double>("otherGap"); // room to a second box on the line, "城市"; NaN: none
    QTest::addColumn<bool>("neighbourHidden");
    QTest::addColumn<QStringList>("found");
    QTest::addColumn<bool>("code128"); // the item prints its text as a Code 128 barcode
    const double none = qQNaN();
    const QString three = QStringLiteral("一\r\n二\r\n三");
    const QString wide = QStringLiteral("WWWWWWWWWW");
    QTest::newRow("line dropped") << three << 100.0 << none << none << 0.0 << none << false
                                  << QStringList{"超出 1 行"} << false;
    QTest::newRow("lines that fit exactly")
        << three << 127.0 << none << none << 0.0 << none << false << QStringList{} << false;
    QTest::newRow("empty last line is no loss") << QStringLiteral("一\r\n二\r\n") << 100.0 << none << none
                                                << 0.0 << none << false << QStringList{} << false;
    QTest::newRow("into the next box") << wide << 50.0 << -5.0 << none << 0.0 << none << false
                                       << QStringList{"超出右边 0.5 毫米，压到“姓名”"} << false;
    QTest::newRow("up to the next box")
        << wide << 50.0 << 0.0 << none << 0.0 << none << false << QStringList{} << false;
    // The neighbour's box starts 1 mm above the text's line ends.
    QTest::newRow("box of the next line")
        << wide << 50.0 << -1000.0 << none << 0.0 << none << false << QStringList{} << false;
    QTest::newRow("past the page edge")
        << wide << 50.0 << none << -30.0 << 0.0 << none << false << QStringList{"超出纸边 3.0 毫米"} << false;
    QTest::newRow("up to the page edge")
        << wide << 50.0 << none << 0.0 << 0.0 << none << false << QStringList{} << false;
    QTest::newRow("calibration moves it off the page")
        << wide << 50.0 << none << 10.0 << 25.0 << none << false << QStringList{"超出纸边 1.5 毫米"} << false;
    // Of two boxes to the right the nearer ends the room, whichever comes first.
    QTest::newRow("two boxes, the nearer first") << wide << 50.0 << -20.0 << none << 0.0 << -5.0 << false
                                                 << QStringList{"超出右边 2.0 毫米，压到“姓名”"} << false;
    QTest::newRow("two boxes, the nearer last") << wide << 50.0 << -5.0 << none << 0.0 << -20.0 << false
                                                << QStringList{"超出右边 2.0 毫米，压到“城市”"} << false;
    // A hidden box prints nothing, so the text may run over it.
    QTest::newRow("hidden box") << wide << 50.0 << -5.0 << none << 0.0 << none << true << QStringList{}
                                << false;
    QTest::newRow("hidden nearer box") << wide << 50.0 << -20.0 << none << 0.0 << -5.0 << true
                                       << QStringList{"超出右边 0.5 毫米，压到“城市”"} << false;
    // No bars for characters Code 128 cannot carry: said, each once.
    QTest::newRow("Code 128 of Chinese")
        << QStringLiteral("SF12顺丰3顺") << 50.0 << none << none << 0.0 << none << false
        << QStringList{"条码含有无法编码的字符“顺丰”（Code 128 "
                       "只能用英文字母、数字和符号），条码没有印出"}
        << true;
}

void TestReportLayout::overflow()
{
    QFETCH(QString, text);
    QFETCH(double, height);
    QFETCH(double, neighbourGap);
    QFETCH(double, pageRoom);
    QFETCH(double, calibrationDx);
    QFETCH(double, otherGap);
    QFETCH(bool, neighbourHidden);
    QFETCH(QStringList, found);
    QFETCH(bool, code128);

    // With a second box the neighbour stays empty, lest its own text run into that box.
    m_records->rows = {{qIsNaN(otherGap) ? QStringLiteral("乙") : QString(), text, QString()}};
    makeReport();
    m_report->Records = m_records;
    m_report->Calibration.Dx = calibrationDx;
    TQRDBText* neighbour = m_report->band()->items().first();
    neighbour->Enabled = !neighbourHidden;
    auto* item = new TQRDBText(m_report->band(), QStringLiteral("QRDBText2"));
    item->DataField = QStringLiteral("地址");
    item->Size = {height, 300, 300, 200};
    item->Font.setBold(true);

    // Where the text ends as the printer draws it.
    QImage printer(1, 1, QImage::Format_RGB32);
    printer.setDotsPerMeterX(int(std::lround(1200 / 0.0254)));
    printer.setDotsPerMeterY(int(std::lround(1200 / 0.0254)));
    const double width = ReportPainter::measure(ReportPainter::itemOf(*item), text, &printer).width;
    QVERIFY(width > 0);
    if (!qIsNaN(pageRoom))
        item->Size.Left = 2300 - width - pageRoom;
    neighbour->Size = {50, qIsNaN(neighbourGap) ? 2000 : item->Size.Left + width + neighbourGap, 310, 100};
    if (qIsNaN(neighbourGap))
        neighbour->Size.Top = 900;
    if (neighbourGap == -1000.0)
        neighbour->Size = {50, 320, 300 + 127.0 / 3 - 10, 100};
    if (!qIsNaN(otherGap)) {
        auto* other = new TQRDBText(m_report->band(), QStringLiteral("QRDBText3"));
        other->DataField = QStringLiteral("城市");
        other->Size = {50, item->Size.Left + width + otherGap, 290, 100};
    }
    if (code128)
        item->Kind = TQRItemKind::Code128;

    ReportLayout layout(m_report);
    QVERIFY(layout.generateAll());
    QStringList seen;
    for (const ReportOverflow& o : layout.overflows()) {
        QCOMPARE(o.record, 1);
        QCOMPARE(layout.itemName(o.item), QStringLiteral("QRDBText2"));
        seen << layout.describe(o);
    }
    QCOMPARE(seen, found);
}

void TestReportLayout::pdfPositionsAndLines()
{
    m_records->rows = {{QStringLiteral("Wang"), QStringLiteral("L1\r\nL2\r\nL3\r\nL4\r\nL5")}};
    makeReport();
    m_report->Records = m_records;
    TQRDBText* name = m_report->band()->items().first();
    name->Size = {50, 312, 218, 300};
    // Shifted on screen by 10 pixels right and 5 up.
    name->setLeftPixels(name->leftPixels() + 10);
    name->setTopPixels(name->topPixels() - 5);
    auto* address = new TQRDBText(m_report->band(), QStringLiteral("QRDBText2"));
    address->DataField = QStringLiteral("地址");
    address->Size = {130, 1205, 640, 900};
    address->Font.setBold(true);

    const QString pdf = m_dir->filePath("out.pdf");
    QString error;
    QVERIFY2(ReportPdfWriter::write(m_report, pdf, &error), qPrintable(error));
    QSizeF pagePt;
    const QList<Word> words = pdfWords(pdf, &pagePt);
    QVERIFY(!words.isEmpty());
    QVERIFY(qAbs(pagePt.width() - 2300 * kPtPerTenth) < 1.0);
    QVERIFY(qAbs(pagePt.height() - 1270 * kPtPerTenth) < 1.0);

    QHash<QString, Word> byText;
    QStringList texts;
    for (const Word& w : words) {
        texts << w.text;
        byText.insert(w.text, w);
    }
    // Five lines in a 13.0 mm box: three print, bold drawn twice reads once.
    QCOMPARE(texts, (QStringList{"Wang", "L1", "L2", "L3"}));

    const double tolPt = 2.0 * kPtPerTenth; // 0.2 mm
    const auto check = [&](const QString& text, double left, double top) {
        const Word w = byText.value(text);
        const QString where = QStringLiteral("%1 at %2,%3 pt, expected %4,%5")
                                  .arg(text)
                                  .arg(w.xMin)
                                  .arg(w.yMin)
                                  .arg(left * kPtPerTenth)
                                  .arg(top * kPtPerTenth);
        QVERIFY2(qAbs(w.xMin - left * kPtPerTenth) < tolPt, qPrintable(where));
        QVERIFY2(qAbs(w.yMin - top * kPtPerTenth) < tolPt, qPrintable(where));
    };
    check("Wang", 312 + 26.4583, 218 - 13.2292);
    const double line = 12 * 254.0 / 72.0; // one em of 12 pt
    check("L1", 1205, 640);
    check("L2", 1205, 640 + line);
    check("L3", 1205, 640 + 2 * line);
}

void TestReportLayout::boldVisibleAt600Dpi_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("Chinese") << QStringLiteral("北京市海淀区中关村大街");
    QTest::newRow("Latin and digits") << QStringLiteral("Room 1208, Tower B");
}

void TestReportLayout::boldVisibleAt600Dpi()
{
    QFETCH(QString, text);
    m_records->rows = {{text}};
    makeReport();
    m_report->Records = m_records;
    TQRDBText* item = m_report->band()->items().first();
    item->Size = {50, 100, 100, 1500};

    double coverage[2];
    for (int bold = 0; bold < 2; ++bold) {
        item->Font = QFont(QStringLiteral("宋体"));
        item->Font.setPointSize(12);
        item->Font.setBold(bold);
        ReportLayout layout(m_report);
        QVERIFY(layout.generateAll());
        const QImage img = renderPage(layout, 0, 600);
        coverage[bold] = ink(img, img.rect());
    }
    // And in a PDF rasterised at 600 dpi, as a printer driver would.
    double pdfCoverage[2];
    for (int bold = 0; bold < 2; ++bold) {
        item->Font.setBold(bold);
        const QString base = m_dir->filePath(QStringLiteral("bold%1").arg(bold));
        QString error;
        QVERIFY2(ReportPdfWriter::write(m_report, base + ".pdf", &error), qPrintable(error));
        QProcess p;
        p.start("pdftoppm", {"-r", "600", "-gray", "-singlefile", base + ".pdf", base});
        QVERIFY(p.waitForFinished(60000) && p.exitCode() == 0);
        const QImage img(base + ".pgm");
        QVERIFY(!img.isNull());
        pdfCoverage[bold] = ink(img, img.rect());
    }
    QVERIFY2(pdfCoverage[1] > pdfCoverage[0] * 1.25,
             qPrintable(QStringLiteral("PDF regular %1, bold %2").arg(pdfCoverage[0]).arg(pdfCoverage[1])));
    QVERIFY2(coverage[0] > 0, "no text at all");
    QVERIFY2(coverage[1] > coverage[0] * 1.25,
             qPrintable(QStringLiteral("regular %1, bold %2").arg(coverage[0]).arg(coverage[1])));
}

void TestReportLayout::cancelledPdfLeavesNoFile()
{
    addRecipients(20);
    makeReport();
    m_report->Records = m_records;
    const QString pdf = m_dir->filePath("cancel.pdf");
    QString error;
    int calls = 0;
    QVERIFY(!ReportPdfWriter::write(m_report, pdf, &error, [&](int percent) { return ++calls < 5; }));
    QVERIFY(!error.isEmpty());
    QVERIFY(!QFile::exists(pdf));
    // A folder that does not exist is an error, not a crash.
    QVERIFY(!ReportPdfWriter::write(m_report, m_dir->filePath("no/such/dir/x.pdf"), &error));
    QVERIFY(!error.isEmpty());
}

void TestReportLayout::designViewShowsColumnNames_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("text") << int(TQRItemKind::Text);
    // A column name is no Code 128 text: bars of a sample number instead.
    QTest::newRow("code 128 of a column") << int(TQRItemKind::Code128);
}

void TestReportLayout::designViewShowsColumnNames()
{
    QFETCH(int, kind);
    m_records->rows = {{QString()}};
    makeReport();
    m_report->Records = m_records;
    TQRDBText* item = m_report->band()->items().first();
    item->Kind = TQRItemKind(kind);
    item->setLeftPixels(100);
    item->setTopPixels(40);
    // The value is empty, yet the design view shows the column name there.
    QImage img(869, 480, QImage::Format_RGB32);
    img.setDotsPerMeterX(int(96 / 0.0254));
    img.setDotsPerMeterY(int(96 / 0.0254));
    img.fill(Qt::white);
    QPainter p(&img);
    m_report->paintDesign(&p, 96);
    p.end();
    QVERIFY(ink(img, QRect(100, 40, 40, 17)) > 0.02);
    QCOMPARE(ink(img, QRect(0, 0, 99, 480)), 0.0);
    QCOMPARE(ink(img, QRect(0, 0, 869, 39)), 0.0);
    QCOMPARE(ink(img, QRect(0, 60, 869, 420)), 0.0);
}

void TestReportLayout::textInItsFontColour()
{
    m_records->rows = {{QStringLiteral("张三丰")}};
    makeReport();
    m_report->Records = m_records;
    TQRDBText* item = m_report->band()->items().first();
    QFont font(QStringLiteral("宋体"));
    font.setPointSize(20);
    item->setFont(font, QColor(0xFF, 0x00, 0x00));
    item->Size.Height = 100; // one line of 20 pt
    ReportLayout layout(m_report);
    layout.generateAll();
    QImage page(2300 / 2, 1270 / 2, QImage::Format_RGB32);
    page.setDotsPerMeterX(int(127 / 0.0254));
    page.setDotsPerMeterY(int(127 / 0.0254));
    page.fill(Qt::white);
    QPainter painter(&page);
    layout.paintPage(&painter, 0);
    painter.end();
    int red = 0, black = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) {
            const QColor c = page.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 80 && c.blue() < 80)
                ++red;
            else if (c.red() < 60 && c.green() < 60 && c.blue() < 60)
                ++black;
        }
    QVERIFY2(red > 50, qPrintable(QString::number(red)));
    QCOMPARE(black, 0);
}

void TestReportLayout::dotStreamIsThePlainPainting_data()
{
    // A second item beside the bold name, and the writer's resolution.
    // Every form has less text than the one before, and other text where
    // it had some: nothing of the last form may stay on the canvas.
    QTest::addColumn<QString>("second");
    QTest::addColumn<int>("dpiX");
    QTest::newRow("bold text") << "text" << 180;
    QTest::newRow("bold text, 360 dpi") << "text" << 360;
    QTest::newRow("grey box") << "grey" << 180;
    QTest::newRow("white box over the name") << "cover" << 180;
    QTest::newRow("Code 128") << "code" << 180;
    QTest::newRow("Code 128, 360 dpi") << "code" << 360;
    QTest::newRow("turned") << "turned" << 180;
}

void TestReportLayout::dotStreamIsThePlainPainting()
{
    QFETCH(QString, second);
    QFETCH(int, dpiX);
    m_records->rows = {
        {QStringLiteral("黑体字黑体字黑体字黑体字"), QStringLiteral("SF1234567890123\r第二行")},
        {QStringLiteral("一二三四"), QStringLiteral("SF76543")},
        {QStringLiteral("口"), QString()}};
    makeReport();
    m_report->Records = m_records;
    TQRDBText* name = m_report->band()->items().first();
    name->Font.setBold(true);
    name->Size.Left = 50;
    name->Size.Top = 200;
    name->Size.Width = 900;
    name->Size.Height = 300;
    auto* other = new TQRDBText(m_report->band(), QStringLiteral("QRDBText2"));
    other->DataField = QStringLiteral("地址");
    other->Size.Left = 100;
    other->Size.Top = 600;
    other->Size.Width = 900;
    other->Size.Height = 400;
    if (second == QLatin1String("grey")) {
        other->Transparent = false;
        other->Color = QColor(180, 180, 180);
    } else if (second == QLatin1String("cover")) {
        other->Transparent = false;
        other->Size.Left = 300; // over the name's second half
        other->Size.Top = 150;
    } else if (second == QLatin1String("code")) {
        other->Kind = TQRItemKind::Code128;
    } else if (second == QLatin1String("turned")) {
        other->Rotation = 90;
    }
    ReportLayout ours(m_report);
    QBuffer stream;
    stream.open(QIODevice::WriteOnly);
    EscpOptions options;
    options.dpiX = dpiX;
    QString error;
    QVERIFY2(EscpWriter::write(&ours, &stream, options, &error), qPrintable(error));
    QCOMPARE(ours.pageCount(), 3);
    ReportLayout plain(m_report);
    QVERIFY(plain.generateAll());
    const QByteArray expected = plainDotStream(plain, dpiX);
    // Every form strikes something.
    QVERIFY(expected.count("\x1b*") >= 3);
    QCOMPARE(stream.data().size(), expected.size());
    QVERIFY(stream.data() == expected);
}

QTEST_MAIN(TestReportLayout)
#include "test_report_layout.moc"
