// End to end through a real spooler: a private cupsd (tests/report/cups/
// private-cups.sh) with a cups-pdf queue that turns every job into a PDF file,
// and a generic PostScript queue that has fixed paper sizes only. The report
// goes through ReportPrinter::printTo, Qt's CUPS support, the CUPS filters and
// Ghostscript; the PDF that comes out is read back with poppler-utils.

#include "data/records/DataSet.h"
#include "data/store/Database.h"
#include "report/FontSetup.h"
#include "report/QRBand.h"
#include "report/QRDBText.h"
#include "report/QuickRep.h"
#include "report/ReportPdfWriter.h"
#include "report/ReportPrinter.h"
#include "templates/DataSetRecords.h"
#include "tests/report/PrivateCups.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

#include <signal.h>
#include <sys/prctl.h>

namespace {

using cupstest::kScript;
using cupstest::PrivateCups;
using cupstest::Run;
using cupstest::run;

const QString kPdfQueue = QStringLiteral("waybill-pdf"); // cups-pdf: custom paper sizes
const QString kPsQueue = QStringLiteral("waybill-ps");   // generic PostScript: fixed sizes only

constexpr double kPtPerTenth = 72.0 / 254.0;
constexpr double kTolerancePt = 5 * kPtPerTenth; // 0.5 mm

struct Word
{
    double xMin, yMin, xMax, yMax; // points
    QString text;
};

// Words of every page of a PDF as poppler's pdftotext sees them.
QList<QList<Word>> pdfWords(const QString& path, QString* error)
{
    const Run r =
        run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")}, 30000);
    if (!r.ok) {
        *error = r.err;
        return {};
    }
    QList<QList<Word>> pages;
    static const QRegularExpression tag(QStringLiteral(
        R"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"));
    for (auto it = tag.globalMatch(r.out); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(0) == QLatin1String("<page ")) {
            pages.append(QList<Word>());
            continue;
        }
        if (pages.isEmpty())
            continue;
        pages.last().append({m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toDouble(),
                             m.captured(4).toDouble(), m.captured(5)});
    }
    return pages;
}

struct Ink
{
    QRect box; // dark pixels' bounding box
    qint64 pixels = 0;
};

// Dark pixels of a greyscale page within window.
Ink ink(const QImage& img, const QRect& window)
{
    const QRect r = window.intersected(img.rect());
    Ink result;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const uchar* line = img.constScanLine(y);
        for (int x = r.left(); x <= r.right(); ++x) {
            if (line[x] < 128) {
                ++result.pixels;
                result.box |= QRect(x, y, 1, 1);
            }
        }
    }
    return result;
}

// The pages of a PDF as greyscale images at 254 dpi.
QList<QImage> rasterPages(const QString& pdf, const QString& prefix, QString* error)
{
    const Run r =
        run(QStringLiteral("pdftoppm"),
            {QStringLiteral("-r"), QStringLiteral("254"), QStringLiteral("-gray"), pdf, prefix}, 60000);
    if (!r.ok) {
        *error = r.err;
        return {};
    }
    const QFileInfo base(prefix);
    QList<QImage> pages;
    const QStringList files =
        QDir(base.absolutePath())
            .entryList({base.fileName() + QStringLiteral("-*.pgm")}, QDir::Files, QDir::Name);
    for (const QString& f : files) {
        QImage img(base.absoluteDir().filePath(f));
        if (img.isNull()) {
            *error = QStringLiteral("cannot read ") + f;
            return {};
        }
        pages.append(img.convertToFormat(QImage::Format_Grayscale8));
    }
    if (pages.isEmpty())
        *error = QStringLiteral("pdftoppm made no page of ") + pdf;
    return pages;
}

struct Placed
{
    QString field;
    bool sender;
    double left; // tenths of a millimetre
    double top;
};

// Where the items of the test form stand: sender on the left, recipient on
// the right, as on the forms.
const QList<Placed> kItems = {
    {QStringLiteral("姓名"), true, 262, 215},   {QStringLiteral("手机"), true, 262, 283},
    {QStringLiteral("城市"), true, 803, 215},   {QStringLiteral("姓名"), false, 1284, 215},
    {QStringLiteral("手机"), false, 1284, 283}, {QStringLiteral("地址"), false, 1284, 640},
};

const QString kSenderName = QStringLiteral("张三丰");
const QString kSenderPhone = QStringLiteral("13800138000");
const QString kSenderCity = QStringLiteral("杭州");

QString recipientValue(const QString& field, int i)
{
    if (field == QStringLiteral("姓名"))
        return QStringLiteral("李四%1").arg(i + 1);
    if (field == QStringLiteral("手机"))
        return QStringLiteral("1390057100%1").arg(i + 1);
    return QStringLiteral("北京市海淀区中关村大街%1号").arg(i + 1);
}

QString expectedText(const Placed& p, int page)
{
    if (!p.sender)
        return recipientValue(p.field, page);
    if (p.field == QStringLiteral("姓名"))
        return kSenderName;
    if (p.field == QStringLiteral("手机"))
        return kSenderPhone;
    return kSenderCity;
}

} // namespace

class TestReportCups : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void queuesAsQtSeesThem();
    void printsOnCustomPaperAtItemPositions();
    void unknownPrinterIsAnErrorAndPrintsNothing();
    void printerWithoutCustomSizesIsRefused();

private:
    void makeReport();
    bool waitForPdf(const QStringList& before, QString* pdf, QString* error);

    PrivateCups m_cups;
    QTemporaryDir* m_dbDir = nullptr;
    Database* m_db = nullptr;
    DataSet* m_outr = nullptr;
    DataSet* m_inr = nullptr;
    TQuickRep* m_report = nullptr;
    DataSetRecords* m_records = nullptr;
};

void TestReportCups::initTestCase()
{
    const Run check = run(QStringLiteral("/bin/sh"), {kScript, QStringLiteral("check")}, 20000);
    if (!check.ok)
        QSKIP(qPrintable(QStringLiteral("no private CUPS spooler here: ") + check.err.trimmed()));
    for (const char* tool : {"pdfinfo", "pdftotext", "pdftoppm", "lpstat"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            QSKIP(qPrintable(QStringLiteral("%1 is not installed").arg(QLatin1String(tool))));
    }
    FontSetup::install();
    QString error;
    QVERIFY2(m_cups.start(&error), qPrintable(error));
}

void TestReportCups::cleanupTestCase()
{
    m_cups.stop();
    QVERIFY(!m_cups.isRunning());
}

void TestReportCups::init()
{
    m_dbDir = new QTemporaryDir;
    m_db = new Database;
    QString error;
    QVERIFY2(m_db->open(m_dbDir->filePath(QStringLiteral("data.mdb")), &error), qPrintable(error));
    QVERIFY(m_db->exec(QStringLiteral("INSERT INTO outr (姓名, 手机, 城市) VALUES (?, ?, ?)"),
                       {kSenderName, kSenderPhone, kSenderCity}));
    for (int i = 0; i < 3; ++i) {
        QVERIFY(
            m_db->exec(QStringLiteral("INSERT INTO inr (姓名, 手机, 地址) VALUES (?, ?, ?)"),
                       {recipientValue(QStringLiteral("姓名"), i), recipientValue(QStringLiteral("手机"), i),
                        recipientValue(QStringLiteral("地址"), i)}));
    }
    m_outr = new DataSet;
    m_outr->setDatabase(m_db);
    QVERIFY(m_outr->open(QStringLiteral("outr")));
    m_inr = new DataSet;
    m_inr->setDatabase(m_db);
    QVERIFY(m_inr->open(QStringLiteral("inr")));
    makeReport();
}

void TestReportCups::cleanup()
{
    delete m_records;
    m_records = nullptr;
    delete m_report;
    m_report = nullptr;
    delete m_inr;
    m_inr = nullptr;
    delete m_outr;
    m_outr = nullptr;
    delete m_db;
    m_db = nullptr;
    delete m_dbDir;
    m_dbDir = nullptr;
}

// A 230 x 127 mm form, one recipient per page, the sender on every page.
void TestReportCups::makeReport()
{
    m_report = new TQuickRep;
    m_report->ReportTitle = QStringLiteral("waybill-cups-test");
    m_report->Page.Width = 2300;
    m_report->Page.Length = 1270;
    m_records = new DataSetRecords(m_report);
    m_records->setDriver(m_inr);
    m_report->Records = m_records;
    auto* band = new TQRBand(m_report);
    band->Size.Width = 2300;
    band->Size.Height = 1270;
    QFont font(QString::fromUtf8(FontSetup::kSongFamily));
    font.setPointSize(12);
    font.setBold(true);
    int n = 0;
    for (const Placed& p : kItems) {
        auto* item = new TQRDBText(band, QStringLiteral("QRDBText%1").arg(n + 1));
        m_records->bindItem(n++, p.sender ? m_outr : m_inr);
        item->DataField = p.field;
        item->Size = {130, p.left, p.top, 900};
        item->Font = font;
    }
}

// Waits (45 s at most) until the spooler has no unfinished job and a new
// PDF has come out.
bool TestReportCups::waitForPdf(const QStringList& before, QString* pdf, QString* error)
{
    QDeadlineTimer deadline(45000);
    while (!deadline.hasExpired()) {
        QStringList fresh = m_cups.pdfFiles();
        for (const QString& old : before)
            fresh.removeAll(old);
        if (!fresh.isEmpty() && m_cups.jobs(true).isEmpty()) {
            if (fresh.size() != 1) {
                *error = QStringLiteral("more than one PDF came out: ") + fresh.join(QStringLiteral(", "));
                return false;
            }
            *pdf = QDir(m_cups.outDir()).filePath(fresh.first());
            return true;
        }
        QTest::qWait(100);
    }
    *error = QStringLiteral("no PDF within 45 s; jobs: %1\n%2")
                 .arg(m_cups.jobs().join(QStringLiteral("; ")), m_cups.errorLogTail());
    return false;
}

void TestReportCups::queuesAsQtSeesThem()
{
    const QPrinterInfo pdf = QPrinterInfo::printerInfo(kPdfQueue);
    const QPrinterInfo ps = QPrinterInfo::printerInfo(kPsQueue);
    QVERIFY2(!pdf.isNull(), qPrintable(QPrinterInfo::availablePrinterNames().join(", ")));
    QVERIFY(!ps.isNull());
    QVERIFY(pdf.supportsCustomPageSizes());
    QVERIFY(!ps.supportsCustomPageSizes());
}

void TestReportCups::printsOnCustomPaperAtItemPositions()
{
    // What the report itself draws, written straight to a PDF.
    const QString reference = m_dbDir->filePath(QStringLiteral("reference.pdf"));
    QString error;
    QVERIFY2(ReportPdfWriter::write(m_report, reference, &error), qPrintable(error));

    const QStringList before = m_cups.pdfFiles();
    const int jobsBefore = m_cups.jobs().size();
    QVERIFY2(ReportPrinter::printTo(m_report, kPdfQueue, &error), qPrintable(error));
    QString printed;
    QVERIFY2(waitForPdf(before, &printed, &error), qPrintable(error));
    // One job for the whole batch.
    QCOMPARE(m_cups.jobs().size(), jobsBefore + 1);

    // The paper: 230 x 127 mm on every page, not Letter or A4.
    const Run info =
        run(QStringLiteral("pdfinfo"),
            {QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("99"), printed},
            20000);
    QVERIFY2(info.ok, qPrintable(info.err));
    static const QRegularExpression pagesLine(QStringLiteral(R"(^Pages:\s+(\d+))"),
                                              QRegularExpression::MultilineOption);
    QCOMPARE(pagesLine.match(info.out).captured(1).toInt(), 3);
    static const QRegularExpression sizeLine(
        QStringLiteral(R"(^Page\s+(\d+) size:\s+([\d.]+) x ([\d.]+) pts)"),
        QRegularExpression::MultilineOption);
    int sized = 0;
    for (auto it = sizeLine.globalMatch(info.out); it.hasNext();) {
        const auto m = it.next();
        const double w = m.captured(2).toDouble();
        const double h = m.captured(3).toDouble();
        QVERIFY2(qAbs(w - 652) <= 1 && qAbs(h - 360) <= 1,
                 qPrintable(QStringLiteral("page %1 is %2 x %3 pts").arg(m.captured(1)).arg(w).arg(h)));
        ++sized;
    }
    QCOMPARE(sized, 3);

    // The reference holds real text: every item's text where the item is,
    // the sender on every page.
    const QList<QList<Word>> words = pdfWords(reference, &error);
    QVERIFY2(words.size() == 3,
             qPrintable(QStringLiteral("%1 pages of words %2").arg(words.size()).arg(error)));
    for (int page = 0; page < 3; ++page) {
        QStringList seen;
        for (const Word& w : words[page])
            seen << w.text;
        QVERIFY2(seen.contains(kSenderName), qPrintable(seen.join(QLatin1Char(' '))));
        for (const Placed& p : kItems) {
            const QString text = expectedText(p, page);
            const auto found = std::find_if(words[page].cbegin(), words[page].cend(),
                                            [&](const Word& w) { return w.text == text; });
            QVERIFY2(found != words[page].cend(), qPrintable(QStringLiteral("page %1: no \"%2\" among %3")
                                                                 .arg(page + 1)
                                                                 .arg(text, seen.join(QLatin1Char(' ')))));
            const double left = p.left * kPtPerTenth;
            const double top = p.top * kPtPerTenth;
            const QString where = QStringLiteral("page %1: \"%2\" at %3, %4 pt, expected %5, %6 pt")
                                      .arg(page + 1)
                                      .arg(text)
                                      .arg(found->xMin)
                                      .arg(found->yMin)
                                      .arg(left)
                                      .arg(top);
            QVERIFY2(qAbs(found->xMin - left) <= kTolerancePt, qPrintable(where));
            QVERIFY2(qAbs(found->yMin - top) <= kTolerancePt, qPrintable(where));
        }
    }

    // The spooled PDF: the filters turn the text into Type 3 glyphs whose
    // Unicode is lost, so it is compared with the reference as ink on paper,
    // at 254 dpi (one pixel is a tenth of a millimetre).
    const QList<QImage> want = rasterPages(reference, m_dbDir->filePath(QStringLiteral("ref")), &error);
    QVERIFY2(want.size() == 3, qPrintable(error));
    const QList<QImage> got = rasterPages(printed, m_dbDir->filePath(QStringLiteral("got")), &error);
    QVERIFY2(got.size() == 3, qPrintable(error));
    int worst = 0;
    for (int page = 0; page < 3; ++page) {
        // 651 or 652 points wide: whole points either way.
        QVERIFY2(qAbs(got[page].width() - want[page].width()) <= 5 &&
                     qAbs(got[page].height() - want[page].height()) <= 5,
                 qPrintable(QStringLiteral("page %1: %2 x %3 px printed, %4 x %5 px drawn")
                                .arg(page + 1)
                                .arg(got[page].width())
                                .arg(got[page].height())
                                .arg(want[page].width())
                                .arg(want[page].height())));
        for (const Placed& p : kItems) {
            const QRect window(int(p.left) - 20, int(p.top) - 20, p.sender ? 480 : 950, 75);
            const Ink a = ink(want[page], window);
            const Ink b = ink(got[page], window);
            const QString what = QStringLiteral("page %1, \"%2\": printed ink at %3,%4 %5x%6 (%7 px), "
                                                "drawn at %8,%9 %10x%11 (%12 px), in tenths of a mm")
                                     .arg(page + 1)
                                     .arg(expectedText(p, page))
                                     .arg(b.box.x())
                                     .arg(b.box.y())
                                     .arg(b.box.width())
                                     .arg(b.box.height())
                                     .arg(b.pixels)
                                     .arg(a.box.x())
                                     .arg(a.box.y())
                                     .arg(a.box.width())
                                     .arg(a.box.height())
                                     .arg(a.pixels);
            QVERIFY2(a.pixels > 0 && b.pixels > 0, qPrintable(what));
            worst = std::max({worst, qAbs(a.box.left() - b.box.left()), qAbs(a.box.top() - b.box.top()),
                              qAbs(a.box.right() - b.box.right()), qAbs(a.box.bottom() - b.box.bottom())});
            // Same place and size within 0.5 mm: no offset, no scaling.
            QVERIFY2(qAbs(a.box.left() - b.box.left()) <= 5, qPrintable(what));
            QVERIFY2(qAbs(a.box.top() - b.box.top()) <= 5, qPrintable(what));
            QVERIFY2(qAbs(a.box.right() - b.box.right()) <= 5, qPrintable(what));
            QVERIFY2(qAbs(a.box.bottom() - b.box.bottom()) <= 5, qPrintable(what));
            // The same text: about as much ink.
            QVERIFY2(b.pixels > a.pixels * 0.8 && b.pixels < a.pixels * 1.25, qPrintable(what));
        }
    }
    qInfo("printed ink within %.1f mm of the drawn ink", worst / 10.0);
}

void TestReportCups::unknownPrinterIsAnErrorAndPrintsNothing()
{
    const QStringList before = m_cups.pdfFiles();
    const QStringList jobsBefore = m_cups.jobs();
    QString error;
    QVERIFY(!ReportPrinter::printTo(m_report, QStringLiteral("waybill-no-such-printer"), &error));
    QVERIFY2(error.contains(QStringLiteral("waybill-no-such-printer")), qPrintable(error));
    // A job would be in the spooler by now had one been sent.
    QCOMPARE(m_cups.jobs(), jobsBefore);
    QCOMPARE(m_cups.pdfFiles(), before);
}

void TestReportCups::printerWithoutCustomSizesIsRefused()
{
    const QStringList before = m_cups.pdfFiles();
    const QStringList jobsBefore = m_cups.jobs();
    QString error;
    QVERIFY(!ReportPrinter::printTo(m_report, kPsQueue, &error));
    QVERIFY2(error.contains(kPsQueue) && error.contains(QStringLiteral("自定义纸张")), qPrintable(error));
    QCOMPARE(m_cups.jobs(), jobsBefore);
    QCOMPARE(m_cups.pdfFiles(), before);
}

QTEST_MAIN(TestReportCups)
#include "test_report_cups.moc"
