#include "data/records/DataSet.h"
#include "data/store/Database.h"
#include "data/store/Settings.h"
#include "gui/report/ReportPageView.h"
#include "gui/report/ReportPreview.h"
#include "gui/report/ReportThumbnailModel.h"
#include "gui/widgets/Dialogs.h"
#include "gui/widgets/ScreenFit.h"
#include "report/FontSetup.h"
#include "report/QRBand.h"
#include "report/QRDBText.h"
#include "report/QuickRep.h"
#include "report/ReportLayout.h"
#include "templates/DataSetRecords.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QLabel>
#include <QListView>
#include <QProcess>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QWheelEvent>

class TestReportPreview : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void windowLooksAsDescribed();
    void pagesAppearWhileLoopRuns();
    void keysMovePages_data();
    void keysMovePages();
    void closingStopsGeneration();
    void thumbnailsOnDemandAndBounded();
    void printSetupCancelChangesNothing();
    void missingPrinterIsReported();
    void exportPdfWritesEveryPage();
    void reportPreviewRunsModally();
    void screenshot();
    void ctrlWheelZooms_data();
    void ctrlWheelZooms();
    void sizeAndZoomAreKept();

private:
    void addRecipients(int n);
    void makeReport();
    void slowDown();

    QTemporaryDir* m_dir = nullptr;
    Database* m_db = nullptr;
    DataSet* m_inr = nullptr;
    TQuickRep* m_report = nullptr;
    DataSetRecords* m_records = nullptr;
};

void TestReportPreview::initTestCase()
{
    FontSetup::install();
}

void TestReportPreview::init()
{
    // Every test opens the preview as on a first run.
    QVERIFY(Settings().setPreview(QSize(), QString(), nullptr));
    Dialogs::setScripted(true);
    Dialogs::clear();
    m_dir = new QTemporaryDir;
    m_db = new Database;
    QString error;
    QVERIFY2(m_db->open(m_dir->filePath("data.mdb"), &error), qPrintable(error));
    m_inr = new DataSet;
    m_inr->setDatabase(m_db);
}

void TestReportPreview::cleanup()
{
    delete m_records;
    m_records = nullptr;
    delete m_report;
    m_report = nullptr;
    delete m_inr;
    delete m_db;
    delete m_dir;
}

void TestReportPreview::addRecipients(int n)
{
    QVERIFY(m_db->exec(
        QStringLiteral(
            "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < ?) "
            "INSERT INTO inr (姓名, 地址) SELECT '收件人' || i, '北京市海淀区' || i || '号' FROM c"),
        {n}));
    QVERIFY(m_inr->open("inr"));
    QCOMPARE(m_inr->recordCount(), n);
}

void TestReportPreview::makeReport()
{
    m_report = new TQuickRep;
    m_records = new DataSetRecords(m_report);
    m_records->setDriver(m_inr);
    m_report->Records = m_records;
    auto* band = new TQRBand(m_report);
    band->Size.Height = 1270;
    for (const char* field : {"姓名", "地址"}) {
        m_records->bindItem(band->items().size(), m_inr);
        auto* item = new TQRDBText(band);
        item->DataField = QString::fromUtf8(field);
        item->Size = {50, 300, 200 + 200.0 * band->items().size(), 1000};
    }
}

// A print hook that takes its time, as wrapping long addresses does, so
// that generation spans many turns of the event loop.
void TestReportPreview::slowDown()
{
    m_report->band()->items().last()->OnPrint = [](TQRDBText*, QString& value) {
        QThread::usleep(100);
        value += QLatin1Char('!');
    };
}

void TestReportPreview::windowLooksAsDescribed()
{
    addRecipients(3);
    makeReport();
    ReportPreview preview(m_report);
    QCOMPARE(preview.windowTitle(), QStringLiteral("打印预览"));
    auto* bar = preview.findChild<QToolBar*>();
    QVERIFY(bar);
    QStringList captions;
    for (QAction* a : bar->actions())
        if (!a->isSeparator())
            captions << a->text();
    QCOMPARE(captions, (QStringList{"合适大小", "合适宽度", "缩放100%", "首 页", "上一页", "下一页", "末 页",
                                    "设 置", "打 印", "导出PDF", "关 闭"}));
    QVERIFY(bar->actions().first()->isChecked());
    // Nothing records what this preview prints: a PDF is only a file.
    QVERIFY(!preview.findChild<QAction*>(QStringLiteral("PdfMarksPrinted")));
    QVERIFY(!preview.pdfMarksPrinted());
    QCOMPARE(preview.zoomMode(), ReportPreview::ZoomMode::Fit);
    auto* tabs = preview.findChild<QTabWidget*>();
    QVERIFY(tabs);
    QCOMPARE(tabs->tabText(0), QStringLiteral("缩略图"));
    QCOMPARE(preview.findChild<QStatusBar*>()->findChildren<QLabel*>().size(), 3);

    preview.show();
    QTRY_VERIFY(!preview.isGenerating());
    QCOMPARE(preview.pageStatusText(), QStringLiteral("第 1/3 页"));
    QCOMPARE(preview.progressStatusText(), QString());
    // Fit shows all of the page; 100 % is larger in this small window.
    const double fit = preview.zoomFactor();
    QVERIFY(fit > 0 && fit < 1);
    bar->actions().at(2)->trigger();
    QVERIFY(qAbs(preview.zoomFactor() - 1.0) < 1e-6);
    // Fit: the whole page inside the view; fit width: the page's width fills it.
    auto* view = preview.findChild<ReportPageView*>();
    QVERIFY(view);
    const QSize room = view->maximumViewportSize();
    bar->actions().at(0)->trigger();
    QVERIFY(2300 * view->scale() <= room.width());
    QVERIFY(1270 * view->scale() <= room.height());
    QVERIFY(2300 * view->scale() > room.width() - 40 || 1270 * view->scale() > room.height() - 40);
    bar->actions().at(1)->trigger();
    QVERIFY(2300 * view->scale() <= room.width());
    QVERIFY(2300 * view->scale() > room.width() - 60);
}

void TestReportPreview::pagesAppearWhileLoopRuns()
{
    addRecipients(3000);
    makeReport();
    slowDown();
    ReportPreview preview(m_report);
    // The first page is there before the event loop ever runs.
    QCOMPARE(preview.pageCount(), 1);
    QVERIFY(preview.isGenerating());
    QList<int> counts;
    connect(&preview, &ReportPreview::pageAdded, this, [&](int n) { counts << n; });
    preview.show();
    QTRY_VERIFY_WITH_TIMEOUT(!preview.isGenerating(), 60000);
    QCOMPARE(preview.pageCount(), 3000);
    QVERIFY(counts.size() > 1); // in several steps, not all at the end
    QCOMPARE(preview.layout()->pageTexts(2999), (QStringList{"收件人3000", "北京市海淀区3000号!"}));
}

void TestReportPreview::keysMovePages_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("page");
    QTest::newRow("PgDn") << 2 << int(Qt::Key_PageDown) << 0 << 3;
    QTest::newRow("PgUp") << 2 << int(Qt::Key_PageUp) << 0 << 1;
    QTest::newRow("PgUp at first") << 0 << int(Qt::Key_PageUp) << 0 << 0;
    QTest::newRow("PgDn at last") << 4 << int(Qt::Key_PageDown) << 0 << 4;
    QTest::newRow("Ctrl+PgUp") << 3 << int(Qt::Key_PageUp) << int(Qt::ControlModifier) << 0;
    QTest::newRow("Home") << 3 << int(Qt::Key_Home) << 0 << 0;
    QTest::newRow("Ctrl+PgDn") << 1 << int(Qt::Key_PageDown) << int(Qt::ControlModifier) << 4;
    QTest::newRow("End") << 1 << int(Qt::Key_End) << 0 << 4;
}

void TestReportPreview::keysMovePages()
{
    QFETCH(int, start);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, page);

    addRecipients(5);
    makeReport();
    ReportPreview preview(m_report);
    preview.show();
    preview.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&preview));
    QTRY_VERIFY(!preview.isGenerating());
    preview.setCurrentPage(start);
    QTest::keyClick(&preview, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(preview.currentPage(), page);
    QCOMPARE(preview.pageStatusText(), QStringLiteral("第 %1/5 页").arg(page + 1));
    auto* thumbs = preview.findChild<QListView*>();
    QCOMPARE(thumbs->currentIndex().row(), page);
}

void TestReportPreview::closingStopsGeneration()
{
    addRecipients(3000);
    m_inr->moveTo(7);
    makeReport();
    slowDown();
    ReportPreview preview(m_report);
    // Closed as soon as the first slice of pages has come in.
    connect(&preview, &ReportPreview::pageAdded, &preview, &QDialog::close);
    preview.show();
    QTRY_VERIFY(!preview.isVisible());
    QVERIFY(!preview.isGenerating());
    QVERIFY(preview.layout()->isCancelled());
    const int pages = preview.pageCount();
    QVERIFY(pages >= 1 && pages < 3000);
    QTest::qWait(50);
    QCOMPARE(preview.pageCount(), pages);
    QCOMPARE(m_inr->currentRow(), 7);
}

void TestReportPreview::thumbnailsOnDemandAndBounded()
{
    addRecipients(400);
    makeReport();
    ReportPreview preview(m_report);
    QTRY_VERIFY_WITH_TIMEOUT(!preview.isGenerating(), 60000);
    auto* model = preview.findChild<QListView*>()->model();
    QCOMPARE(model->rowCount(), 400);
    QCOMPARE(model->data(model->index(41, 0), Qt::DisplayRole).toString(), QStringLiteral("42"));
    for (int i = 0; i < model->rowCount(); ++i) {
        const QImage img = model->data(model->index(i, 0), Qt::DecorationRole).value<QImage>();
        QVERIFY(!img.isNull());
    }
    QVERIFY(preview.cachedThumbnailCount() <= ReportThumbnailModel::kCacheLimit);
    // Paging through every page keeps one page picture.
    for (int i = 0; i < 400; ++i)
        preview.setCurrentPage(i);
    QCOMPARE(preview.currentPage(), 399);
}

void TestReportPreview::printSetupCancelChangesNothing()
{
    addRecipients(3);
    makeReport();
    m_report->PrinterSettings.Copies = 2;
    m_report->PrinterSettings.FirstPage = 2;
    m_report->PrinterSettings.LastPage = 3;
    ReportPreview preview(m_report);
    Dialogs::answerExec(QDialog::Rejected);
    preview.printSetup();
    QCOMPARE(Dialogs::lastShown().kind, QStringLiteral("dialog"));
    QCOMPARE(m_report->PrinterSettings.Copies, 2);
    QCOMPARE(m_report->PrinterSettings.FirstPage, 2);
    QCOMPARE(m_report->PrinterSettings.LastPage, 3);
    QCOMPARE(m_report->PrinterSettings.Collate, 0);
    // Confirmed, the dialog's choices (here: those it was opened with) are kept.
    Dialogs::answerExec(QDialog::Accepted);
    preview.printSetup();
    QCOMPARE(m_report->PrinterSettings.Copies, 2);
    QCOMPARE(m_report->PrinterSettings.FirstPage, 2);
    QCOMPARE(m_report->PrinterSettings.LastPage, 3);
    QVERIFY(m_report->PrinterSettings.Collate != 0);
    // The status bar says what the next "打 印" does.
    QVERIFY2(preview.printTargetText().contains(QStringLiteral("第 2–3 页（共 3 页），2 份")),
             qPrintable(preview.printTargetText()));

    // Built again with as many pages, the range holds; with another count
    // (a recipient more) it goes back to all pages.
    {
        ReportPreview again(m_report);
        QTRY_VERIFY(!again.isGenerating());
        QCOMPARE(m_report->PrinterSettings.FirstPage, 2);
    }
    QVERIFY(m_db->exec(QStringLiteral("INSERT INTO inr (姓名) VALUES ('收件人4')")));
    QVERIFY(m_inr->reopen());
    ReportPreview more(m_report);
    QTRY_VERIFY(!more.isGenerating());
    QCOMPARE(m_report->PrinterSettings.FirstPage, 0);
    QCOMPARE(m_report->PrinterSettings.LastPage, 0);
    QVERIFY2(more.printTargetText().contains(QStringLiteral("全部 4 页")),
             qPrintable(more.printTargetText()));
}

void TestReportPreview::missingPrinterIsReported()
{
    // No print system runs here: printing must say so rather than fail
    // silently or write somewhere else.
    addRecipients(2);
    makeReport();
    m_report->PrinterSettings.PrinterName = QStringLiteral("NoSuchPrinter");
    ReportPreview preview(m_report);
    preview.print();
    const QList<Dialogs::Shown> shown = Dialogs::shown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().icon, QMessageBox::Critical);
    QVERIFY2(shown.first().text.contains(QStringLiteral("NoSuchPrinter")), qPrintable(shown.first().text));
}

void TestReportPreview::exportPdfWritesEveryPage()
{
    addRecipients(12);
    makeReport();
    ReportPreview preview(m_report);
    const QString base = m_dir->filePath("batch");
    Dialogs::answerFile(base);
    preview.exportPdf();
    QVERIFY(QFile::exists(base + ".pdf"));
    QProcess p;
    p.start("pdftotext", {base + ".pdf", "-"});
    QVERIFY(p.waitForFinished(30000));
    const QString text = QString::fromUtf8(p.readAllStandardOutput());
    QCOMPARE(text.count(QChar('\f')), 12);
    QVERIFY(text.contains(QStringLiteral("收件人12")));
    QCOMPARE(Dialogs::lastShown().kind, QStringLiteral("message"));
    QCOMPARE(Dialogs::lastShown().icon, QMessageBox::NoIcon);

    // Cancelling the file dialog writes nothing and says nothing more.
    const int before = Dialogs::shown().size();
    Dialogs::answerFile(QString());
    preview.exportPdf();
    QCOMPARE(Dialogs::shown().size(), before + 1);
}

void TestReportPreview::reportPreviewRunsModally()
{
    addRecipients(1);
    makeReport();
    TQuickRep::setPreviewHandler({});
    QVERIFY(!m_report->Preview());
    ReportPreview::install();
    QVERIFY(m_report->Preview());
    QCOMPARE(Dialogs::lastShown().kind, QStringLiteral("dialog"));
    QCOMPARE(Dialogs::lastShown().title, QStringLiteral("打印预览"));
}

void TestReportPreview::screenshot()
{
    // WAYBILL_SCREENSHOT=dir saves the window at its first-run size and its print
    // setup dialog, for a look.
    const QString dir = qEnvironmentVariable("WAYBILL_SCREENSHOT");
    if (dir.isEmpty())
        QSKIP("WAYBILL_SCREENSHOT not set");
    addRecipients(3);
    makeReport();
    ReportPreview preview(m_report);
    preview.show();
    QVERIFY(QTest::qWaitForWindowExposed(&preview));
    QTRY_VERIFY(!preview.isGenerating());
    QVERIFY(preview.grab().save(dir + QStringLiteral("/preview.png")));
    Dialogs::setScripted(false);
    QTimer::singleShot(800, this, [dir] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (dialog) {
            dialog->grab().save(dir + QStringLiteral("/print-setup.png"));
            static_cast<QDialog*>(dialog)->reject();
        }
    });
    preview.printSetup();
    Dialogs::setScripted(true);
    QVERIFY(QFile::exists(dir + QStringLiteral("/print-setup.png")));
}

void TestReportPreview::ctrlWheelZooms_data()
{
    QTest::addColumn<bool>("ctrl");
    QTest::addColumn<QList<int>>("deltas"); // eighths of a degree, 120 a notch
    QTest::addColumn<double>("percent");    // from 100 %
    QTest::newRow("wheel alone scrolls") << false << QList<int>{120, 120} << 100.0;
    QTest::newRow("one notch up") << true << QList<int>{120} << 125.0;
    QTest::newRow("two notches down") << true << QList<int>{-120, -120} << 50.0;
    QTest::newRow("half notches add up") << true << QList<int>{60, 30, 30} << 125.0;
    QTest::newRow("half a notch does nothing") << true << QList<int>{60} << 100.0;
    QTest::newRow("up to 400 %") << true << QList<int>(9, 120) << 400.0;
    QTest::newRow("down to 10 %") << true << QList<int>(9, -120) << 10.0;
}

void TestReportPreview::ctrlWheelZooms()
{
    QFETCH(bool, ctrl);
    QFETCH(QList<int>, deltas);
    QFETCH(double, percent);
    addRecipients(1);
    makeReport();
    ReportPreview preview(m_report);
    preview.show();
    preview.zoom100();
    auto* view = preview.findChild<ReportPageView*>();
    const QPointF at(view->viewport()->rect().center());
    for (int delta : deltas) {
        QWheelEvent wheel(at, view->viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          ctrl ? Qt::ControlModifier : Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view->viewport(), &wheel);
    }
    QCOMPARE(preview.zoomMode(), ReportPreview::ZoomMode::Percent);
    QVERIFY2(qAbs(preview.zoomFactor() * 100 - percent) < 1e-6,
             qPrintable(QString::number(preview.zoomFactor())));
    // The 100 % button shows whether the zoom is 100 %.
    QCOMPARE(preview.findChild<QToolBar*>()->actions().at(2)->isChecked(), percent == 100.0);
}

void TestReportPreview::sizeAndZoomAreKept()
{
    addRecipients(1);
    makeReport();
    const QRect screen = ScreenFit::availableFor(nullptr);
    {
        // First run: larger than the old 500 x 500, within the screen, page fitted.
        ReportPreview preview(m_report);
        preview.show();
        QVERIFY(preview.width() > 500 && preview.height() > 500);
        QVERIFY(preview.width() <= screen.width() && preview.height() <= screen.height());
        QCOMPARE(preview.zoomMode(), ReportPreview::ZoomMode::Fit);
        // The whole page in sight: nothing to scroll.
        auto* view = preview.findChild<ReportPageView*>();
        QTRY_VERIFY(!preview.isGenerating());
        QCOMPARE(view->horizontalScrollBar()->maximum(), 0);
        QCOMPARE(view->verticalScrollBar()->maximum(), 0);
        preview.resize(640, 520);
        preview.setZoomPercent(150);
        preview.close();
    }
    {
        ReportPreview preview(m_report);
        preview.show();
        QCOMPARE(preview.size(), QSize(640, 520));
        QCOMPARE(preview.zoomMode(), ReportPreview::ZoomMode::Percent);
        QVERIFY(qAbs(preview.zoomFactor() - 1.5) < 1e-6);
        preview.zoomToWidth();
        preview.close();
    }
    {
        ReportPreview preview(m_report);
        QCOMPARE(preview.zoomMode(), ReportPreview::ZoomMode::FitWidth);
        QVERIFY(preview.findChild<QToolBar*>()->actions().at(1)->isChecked());
    }
    // A size kept from a larger screen shrinks to this one.
    QVERIFY(Settings().setPreview(QSize(9000, 7000), QStringLiteral("fit"), nullptr));
    ReportPreview preview(m_report);
    QVERIFY(preview.width() <= screen.width() && preview.height() <= screen.height());
    QCOMPARE(preview.zoomMode(), ReportPreview::ZoomMode::Fit);
}

QTEST_MAIN(TestReportPreview)
#include "test_report_preview.moc"
