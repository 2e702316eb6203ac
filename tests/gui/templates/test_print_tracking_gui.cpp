#include "data/records/DataSet.h"
#include "data/store/Database.h"
#include "data/store/Settings.h"
#include "data/tracking/PrintHistory.h"
#include "gui/report/ReportPreview.h"
#include "gui/templates/TemplateWindow.h"
#include "gui/templates/TemplateWindows.h"
#include "gui/widgets/Dialogs.h"
#include "gui/widgets/PrintHistoryWindow.h"
#include "report/FontSetup.h"
#include "report/QuickRep.h"
#include "report/ReportLayout.h"
#include "report/ReportOutputListener.h"
#include "templates/BatchData.h"
#include "templates/LabelTemplates.h"

#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QTableWidget>
#include <QtTest>

using layouts::Variant;

// Printing chosen rows from a template window through the real preview:
// the pages, the number prompt, the marks written only once a PDF or a
// print is complete, and the print history's reprint.
class TestPrintTrackingGui : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void chosenRowsPrintAndMark();
    void labelPrintsTheGivenNumbers();
    void nothingMarkedWithoutCompleteOutput_data();
    void nothingMarkedWithoutCompleteOutput();
    void singlePrintMarksItsRow_data();
    void singlePrintMarksItsRow();
    void reprintFromHistory();
    void pdfIsAPrintOnlyWhenChosen();
    void repeatsNeedAYes_data();
    void repeatsNeedAYes();
    void unprintedPreviewDropsPrintedRows();
    void rowsWithoutNameAndAddressAreToldOf();
    void outputUnderWayIsOnRecord();

private:
    // Opens the preview the way the template windows do and hands it to act.
    void onPreview(const std::function<void(ReportPreview&)>& act);
    QStringList marks();

    std::unique_ptr<Database> m_db;
    std::unique_ptr<DataSet> m_senders;
    std::unique_ptr<DataSet> m_grid; // the main window's recipient list
    TemplateSources m_sources;
    QList<QStringList> m_pages; // page texts of the last preview
    QString m_contents;         // its status bar's account
    QList<PrintHistory::Entry> history();
};

void TestPrintTrackingGui::initTestCase()
{
    FontSetup::install();
    Dialogs::setScripted(true);
}

void TestPrintTrackingGui::init()
{
    Dialogs::clear();
    m_grid.reset();
    m_senders.reset();
    m_db.reset();
    QFile::remove(Settings().storeLocation());
    m_db = std::make_unique<Database>();
    QString error;
    QVERIFY2(m_db->open(Settings().storeLocation(), &error), qPrintable(error));
    QVERIFY(m_db->exec(QStringLiteral("insert into outr (\"姓名\") values ('寄件甲')")));
    // Most cases print through PDFs that stand for the forms.
    QVERIFY(Settings().setPdfMarksPrinted(true, nullptr));
    for (int i = 1; i <= 5; ++i)
        QVERIFY(m_db->exec(QStringLiteral("insert into inr (\"姓名\") values (?)"),
                           {QStringLiteral("收件%1").arg(i)}));
    m_senders = std::make_unique<DataSet>();
    m_senders->setDatabase(m_db.get());
    QVERIFY(m_senders->open(QStringLiteral("outr")));
    m_grid = std::make_unique<DataSet>();
    m_grid->setDatabase(m_db.get());
    QVERIFY(m_grid->open(QStringLiteral("inr")));
    m_sources = {m_senders.get(), m_grid.get(), nullptr, Settings().storeLocation()};
    m_pages.clear();
    m_contents.clear();
}

void TestPrintTrackingGui::cleanup()
{
    TQuickRep::setPreviewHandler({});
}

void TestPrintTrackingGui::onPreview(const std::function<void(ReportPreview&)>& act)
{
    TQuickRep::setPreviewHandler([this, act](TQuickRep* report, QWidget* parent) {
        ReportPreview preview(report, parent);
        m_contents = preview.contentsStatusText();
        preview.layout()->generateAll();
        m_pages.clear();
        for (int p = 0; p < preview.pageCount(); ++p)
            m_pages << preview.layout()->pageTexts(p);
        act(preview);
    });
}

QStringList TestPrintTrackingGui::marks()
{
    QStringList out;
    QSqlQuery q(m_db->db());
    q.exec(QStringLiteral("select coalesce(\"已打印\", ''), coalesce(\"快递单号\", '') from inr"));
    while (q.next())
        out << (q.value(0).toString().isEmpty() ? QStringLiteral("-") : QStringLiteral("x")) +
                   QLatin1Char('|') + q.value(1).toString();
    return out;
}

QList<PrintHistory::Entry> TestPrintTrackingGui::history()
{
    QList<PrintHistory::Entry> entries;
    if (!PrintHistory::entries(*m_db, &entries, nullptr))
        qWarning("history unreadable");
    return entries;
}

namespace {
bool pageHas(const QStringList& page, const QString& text)
{
    return page.contains(text);
}
} // namespace

void TestPrintTrackingGui::chosenRowsPrintAndMark()
{
    TemplateWindow w(*layouts::findTemplate("sf"), Variant::Batch, m_sources);
    w.setSelection(PrintSelection::of({4, 2}));
    QVERIFY(w.windowTitle().endsWith(QStringLiteral("（选中 2 条）")));
    QVERIFY(w.loadBatchData());
    Dialogs::answerText(QStringLiteral("A0099"));
    Dialogs::answerFile(QDir::current().absoluteFilePath(QStringLiteral("chosen.pdf")));
    onPreview([](ReportPreview& p) { p.exportPdf(); });
    w.N1Click();
    QCOMPARE(m_contents, QStringLiteral("选中 2 条"));
    QCOMPARE(m_pages.size(), 2);
    QVERIFY(pageHas(m_pages[0], QStringLiteral("收件2")) && pageHas(m_pages[1], QStringLiteral("收件4")));
    QVERIFY(QFile::exists(QStringLiteral("chosen.pdf")));
    QCOMPARE(marks(), (QStringList{"-|", "x|A0099", "-|", "x|A0100", "-|"}));
    // The grid's list shows the marks without being reopened.
    QCOMPARE(m_grid->value(1, m_grid->fieldIndex(QStringLiteral("快递单号"))), QStringLiteral("A0099"));
    QVERIFY(!m_grid->value(3, m_grid->fieldIndex(QStringLiteral("已打印"))).isEmpty());
    // The file first, then the number of the first form.
    const QList<Dialogs::Shown> shown = Dialogs::shown();
    QCOMPARE(shown.at(0).kind, QStringLiteral("save"));
    QCOMPARE(shown.at(1).kind, QStringLiteral("text"));
    QVERIFY(shown.at(1).text.contains(QStringLiteral("2 张")));

    // A plain batch afterwards prints the whole table again.
    w.setSelection(PrintSelection::all());
    QVERIFY(w.loadBatchData());
    onPreview([](ReportPreview&) {});
    w.N1Click();
    QCOMPARE(m_pages.size(), 5);
    QCOMPARE(m_contents, QStringLiteral("全部 5 条"));

    // A number another row carries is warned about; declining prints nothing.
    w.setSelection(PrintSelection::unprinted());
    QVERIFY(w.loadBatchData());
    Dialogs::clear();
    Dialogs::answerText(QStringLiteral("A0100"));
    Dialogs::answerButton(QMessageBox::Cancel);
    QFile::remove(QStringLiteral("dup.pdf")); // from an earlier run
    Dialogs::answerFile(QDir::current().absoluteFilePath(QStringLiteral("dup.pdf")));
    onPreview([](ReportPreview& p) { p.exportPdf(); });
    w.N1Click();
    QCOMPARE(m_contents, QStringLiteral("未打印 3 条"));
    QVERIFY2(Dialogs::lastShown().text.contains(QStringLiteral("收件4")),
             qPrintable(Dialogs::lastShown().text));
    QVERIFY(!QFile::exists(QStringLiteral("dup.pdf")));
    QCOMPARE(marks(), (QStringList{"-|", "x|A0099", "-|", "x|A0100", "-|"}));
}

void TestPrintTrackingGui::labelPrintsTheGivenNumbers()
{
    // The label shows 快递单号: the PDF carries the numbers the rows get.
    TemplateWindow w(LabelTemplates::all().at(1), Variant::Batch, m_sources);
    w.setSelection(PrintSelection::of({1, 3}));
    QVERIFY(w.loadBatchData());
    Dialogs::answerText(QStringLiteral("L0007"));
    const QString pdf = QDir::current().absoluteFilePath(QStringLiteral("label.pdf"));
    Dialogs::answerFile(pdf);
    onPreview([](ReportPreview& p) { p.exportPdf(); });
    w.N1Click();
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    QVERIFY(text.waitForFinished(30000));
    const QStringList pages =
        QString::fromUtf8(text.readAllStandardOutput()).split(u'\f', Qt::SkipEmptyParts);
    QCOMPARE(pages.size(), 2);
    QVERIFY2(pages[0].contains(QStringLiteral("收件1")) && pages[0].contains(QStringLiteral("L0007")),
             qPrintable(pages[0]));
    QVERIFY2(pages[1].contains(QStringLiteral("收件3")) && pages[1].contains(QStringLiteral("L0008")),
             qPrintable(pages[1]));
    QCOMPARE(marks(), (QStringList{"x|L0007", "-|", "x|L0008", "-|", "-|"}));
}

void TestPrintTrackingGui::nothingMarkedWithoutCompleteOutput_data()
{
    QTest::addColumn<QString>("number"); // null: the prompt is cancelled
    QTest::addColumn<QString>("pdf");    // empty: print to a printer that is gone
    QTest::newRow("number prompt cancelled") << QString() << QStringLiteral("x.pdf");
    QTest::newRow("pdf not writable") << QStringLiteral("5") << QStringLiteral("no/such/dir/x.pdf");
    QTest::newRow("printer gone") << QStringLiteral("5") << QString();
}

void TestPrintTrackingGui::nothingMarkedWithoutCompleteOutput()
{
    QFETCH(QString, number);
    QFETCH(QString, pdf);
    TemplateWindow w(*layouts::findTemplate("sf"), Variant::Batch, m_sources);
    w.setSelection(PrintSelection::of({1, 2}));
    QVERIFY(w.loadBatchData());
    Dialogs::answerText(number);
    if (!pdf.isEmpty())
        Dialogs::answerFile(QDir::current().absoluteFilePath(pdf));
    else
        w.report()->PrinterSettings.PrinterName = QStringLiteral("没有这台打印机");
    onPreview([pdf](ReportPreview& p) { pdf.isEmpty() ? p.print() : p.exportPdf(); });
    w.N1Click();
    QCOMPARE(m_pages.size(), 2);
    QCOMPARE(marks(), (QStringList{"-|", "-|", "-|", "-|", "-|"}));
    QList<PrintHistory::Entry> entries;
    QVERIFY(PrintHistory::entries(*m_db, &entries, nullptr));
    QVERIFY(entries.isEmpty());
    QVERIFY(!QFile::exists(QStringLiteral("x.pdf")));
}

void TestPrintTrackingGui::singlePrintMarksItsRow_data()
{
    QTest::addColumn<bool>("asks"); // the user chose the number prompt for single prints
    QTest::newRow("no number asked") << false;
    QTest::newRow("number asked") << true;
}

void TestPrintTrackingGui::singlePrintMarksItsRow()
{
    QFETCH(bool, asks);
    QVERIFY(Settings().setSingleAsksNumber(asks, nullptr));
    QVERIFY(m_grid->moveTo(2));
    TemplateWindow w(*layouts::findTemplate("sf"), Variant::Single, m_sources);
    Dialogs::answerFile(QDir::current().absoluteFilePath(QStringLiteral("single.pdf")));
    if (asks)
        Dialogs::answerText(QStringLiteral("STO0098"));
    onPreview([](ReportPreview& p) { p.exportPdf(); });
    w.N1Click();
    QVERIFY(Settings().setSingleAsksNumber(false, nullptr));
    QCOMPARE(m_contents, QString());
    QVERIFY(pageHas(m_pages.value(0), QStringLiteral("收件3")));
    int prompts = 0;
    for (const Dialogs::Shown& s : Dialogs::shown())
        prompts += s.kind == QLatin1String("text") && s.text.contains(QStringLiteral("这张运单的单号"));
    QCOMPARE(prompts, asks ? 1 : 0);
    QCOMPARE(marks(), (QStringList{"-|", "-|", asks ? "x|STO0098" : "x|", "-|", "-|"}));
    QVERIFY(!m_grid->value(QStringLiteral("已打印")).isEmpty());
}

void TestPrintTrackingGui::reprintFromHistory()
{
    TemplateWindows windows(m_sources);
    TemplateWindow* w = windows.window(QStringLiteral("sf"), Variant::Batch);
    w->setSelection(PrintSelection::of({1, 3, 5}));
    QVERIFY(w->loadBatchData());
    Dialogs::answerText(QStringLiteral("9"));
    Dialogs::answerFile(QDir::current().absoluteFilePath(QStringLiteral("first.pdf")));
    onPreview([](ReportPreview& p) { p.exportPdf(); });
    w->N1Click();
    w->setSelection(PrintSelection::all());
    const QList<QStringList> printed = m_pages;
    QCOMPARE(printed.size(), 3);

    PrintHistoryWindow history(Settings().storeLocation());
    connect(&history, &PrintHistoryWindow::reprintRequested, &windows, &TemplateWindows::reprint);
    QVERIFY(history.reload());
    QCOMPARE(history.entryCount(), 1);
    auto* waybills = history.findChild<QTableWidget*>(QStringLiteral("WaybillTable"));
    QCOMPARE(waybills->rowCount(), 3);
    QCOMPARE(waybills->item(1, 3)->text(), QStringLiteral("10"));

    // The whole print again: the same pages; the reprint is a print of its own.
    onPreview([](ReportPreview&) {});
    m_pages.clear();
    m_contents.clear();
    history.reprintEntry();
    QCOMPARE(m_pages, printed);
    QCOMPARE(m_contents, QStringLiteral("选中 3 条"));
    // One waybill of it.
    history.selectEntry(0);
    history.selectWaybill(1);
    history.reprintWaybill();
    QCOMPARE(m_pages, QList<QStringList>{printed.at(1)});

    // A row deleted since is shown as such and left out of a reprint.
    QVERIFY(m_db->exec(QStringLiteral("delete from inr where \"序号\" = 3")));
    QVERIFY(history.reload());
    QCOMPARE(waybills->item(1, 4)->text(), QStringLiteral("记录已删除"));
    history.reprintEntry();
    QCOMPARE(m_pages, (QList<QStringList>{printed.at(0), printed.at(2)}));
    bool told = false;
    for (const Dialogs::Shown& s : Dialogs::shown())
        told = told || s.text.contains(QStringLiteral("有 1 条收件记录已被删除"));
    QVERIFY(told);
    // The window's own batch is back to the whole table.
    QVERIFY(w->loadBatchData());
    QCOMPARE(w->batchData()->recipients()->recordCount(), 4);
}

void TestPrintTrackingGui::pdfIsAPrintOnlyWhenChosen()
{
    QVERIFY(Settings().setPdfMarksPrinted(false, nullptr));
    QFile::remove(QStringLiteral("file.pdf"));
    TemplateWindow w(*layouts::findTemplate("sf"), Variant::Batch, m_sources);
    QVERIFY(w.loadBatchData());
    Dialogs::answerFile(QDir::current().absoluteFilePath(QStringLiteral("file.pdf")));
    bool offered = false;
    onPreview([&](ReportPreview& p) {
        auto* choice = p.findChild<QAction*>(QStringLiteral("PdfMarksPrinted"));
        offered = choice && choice->text() == QStringLiteral("导出PDF时标记为已打印") && !choice->isChecked();
        p.exportPdf();
    });
    w.N1Click();
    QVERIFY(offered);
    QVERIFY(QFile::exists(QStringLiteral("file.pdf")));
    // Only a file: no number asked, no mark, no history.
    for (const Dialogs::Shown& shown : Dialogs::shown())
        QVERIFY(shown.kind != QLatin1String("text"));
    QVERIFY2(Dialogs::lastShown().text.contains(QStringLiteral("未标为已打印")),
             qPrintable(Dialogs::lastShown().text));
    QCOMPARE(marks(), (QStringList{"-|", "-|", "-|", "-|", "-|"}));
    QVERIFY(history().isEmpty());

    // Chosen in the export's menu: kept, and the PDF is a print, recorded as one.
    Dialogs::answerText(QStringLiteral("7"));
    Dialogs::answerFile(QDir::current().absoluteFilePath(QStringLiteral("print.pdf")));
    onPreview([](ReportPreview& p) {
        p.findChild<QAction*>(QStringLiteral("PdfMarksPrinted"))->setChecked(true);
        p.exportPdf();
    });
    w.N1Click();
    QVERIFY(Settings().pdfMarksPrinted());
    QCOMPARE(marks(), (QStringList{"x|7", "x|8", "x|9", "x|10", "x|11"}));
    const QList<PrintHistory::Entry> entries = history();
    QCOMPARE(entries.size(), 1);
    QVERIFY(entries.first().toPdf);
}

void TestPrintTrackingGui::repeatsNeedAYes_data()
{
    QTest::addColumn<QList<qint64>>("second"); // rows of the second print
    QTest::addColumn<QString>("number");       // its first number
    QTest::addColumn<bool>("yes");             // the question answered 确定
    QTest::addColumn<QString>("question");
    const QList<qint64> same{1, 2};
    QTest::newRow("same rows again, default") << same << QString("") << false << "这 2 张运单刚刚已打印过";
    QTest::newRow("same rows again, confirmed") << same << QString("") << true << "这 2 张运单刚刚已打印过";
    QTest::newRow("number used before, default")
        << QList<qint64>{3, 4} << QString("A0001") << false << "这些单号已经用过";
}

void TestPrintTrackingGui::repeatsNeedAYes()
{
    QFETCH(QList<qint64>, second);
    QFETCH(QString, number);
    QFETCH(bool, yes);
    QFETCH(QString, question);
    TemplateWindow w(*layouts::findTemplate("sf"), Variant::Batch, m_sources);
    w.setSelection(PrintSelection::of({1, 2}));
    QVERIFY(w.loadBatchData());
    Dialogs::answerText(QStringLiteral("A0001"));
    Dialogs::answerFile(QDir::current().absoluteFilePath(QStringLiteral("first.pdf")));
    onPreview([](ReportPreview& p) { p.exportPdf(); });
    w.N1Click();
    const QStringList printed{"x|A0001", "x|A0002", "-|", "-|", "-|"};
    QCOMPARE(marks(), printed);

    w.setSelection(PrintSelection::of(second));
    QVERIFY(w.loadBatchData());
    Dialogs::clear();
    if (yes)
        Dialogs::answerButton(QMessageBox::Ok);
    Dialogs::answerText(number);
    const QString again = QDir::current().absoluteFilePath(QStringLiteral("again.pdf"));
    QFile::remove(again);
    Dialogs::answerFile(again);
    onPreview([](ReportPreview& p) { p.exportPdf(); });
    w.N1Click();
    bool asked = false;
    for (const Dialogs::Shown& shown : Dialogs::shown())
        asked = asked || (shown.text.contains(question) && shown.buttons.testFlag(QMessageBox::Cancel));
    QVERIFY(asked);
    QCOMPARE(QFile::exists(again), yes);
    QCOMPARE(history().size(), yes ? 2 : 1);
    if (!yes)
        QCOMPARE(marks(), printed);
    // Printing rows that carry their marks again is on record as a reprint.
    QVERIFY(!history().first().reprint);
    if (yes)
        QVERIFY(history().last().reprint);
}

void TestPrintTrackingGui::unprintedPreviewDropsPrintedRows()
{
    QVERIFY(m_db->exec(QStringLiteral("update inr set \"已打印\" = '2024-01-01' where \"序号\" = 2")));
    TemplateWindow w(*layouts::findTemplate("sf"), Variant::Batch, m_sources);
    w.setSelection(PrintSelection::unprinted());
    QVERIFY(w.loadBatchData());
    Dialogs::answerText(QStringLiteral("A0001"));
    Dialogs::answerFile(QDir::current().absoluteFilePath(QStringLiteral("first.pdf")));
    const QString again = QDir::current().absoluteFilePath(QStringLiteral("again.pdf"));
    QFile::remove(again);
    Dialogs::answerFile(again);
    int pagesBefore = 0, pagesAfter = -1;
    QString contentsAfter;
    onPreview([&](ReportPreview& p) {
        pagesBefore = p.pageCount();
        p.exportPdf();
        pagesAfter = w.batchData()->recipients()->recordCount();
        contentsAfter = p.contentsStatusText();
        // The window is closing; "导出PDF" pressed once more prints nothing again.
        p.exportPdf();
    });
    w.N1Click();
    QCOMPARE(pagesBefore, 4);
    QCOMPARE(pagesAfter, 0);
    QCOMPARE(contentsAfter, QStringLiteral("未打印 0 条"));
    bool closed = false;
    for (const Dialogs::Shown& shown : Dialogs::shown())
        closed = closed || shown.text.contains(QStringLiteral("预览将关闭"));
    QVERIFY(closed);
    QVERIFY(!QFile::exists(again));
    QCOMPARE(history().size(), 1);
    QCOMPARE(marks(), (QStringList{"x|A0001", "x|", "x|A0002", "x|A0003", "x|A0004"}));
}

void TestPrintTrackingGui::rowsWithoutNameAndAddressAreToldOf()
{
    QVERIFY(m_db->exec(QStringLiteral("insert into inr (\"手机\") values ('13800138000')")));
    TemplateWindow w(*layouts::findTemplate("sf"), Variant::Batch, m_sources);
    QVERIFY(w.loadBatchData());
    Dialogs::answerText(QString()); // the number prompt cancelled: nothing goes out
    Dialogs::answerFile(QDir::current().absoluteFilePath(QStringLiteral("x.pdf")));
    onPreview([](ReportPreview& p) { p.exportPdf(); });
    w.N1Click();
    QCOMPARE(m_pages.size(), 5);
    QCOMPARE(m_contents, QStringLiteral("全部 5 条，另有 1 条姓名和地址都为空，不打印"));
    QVERIFY2(Dialogs::lastShown().text.contains(QStringLiteral("另有 1 条收件记录姓名和地址都为空")),
             qPrintable(Dialogs::lastShown().text));
}

void TestPrintTrackingGui::outputUnderWayIsOnRecord()
{
    TemplateWindow w(*layouts::findTemplate("sf"), Variant::Batch, m_sources);
    w.setSelection(PrintSelection::of({1, 2}));
    QVERIFY(w.loadBatchData());
    ReportOutputListener* listener = w.report()->OutputListener;
    QVERIFY(listener);
    ReportOutputListener::Output output;
    output.pdf = true;
    output.target = QStringLiteral("under-way.pdf");
    Dialogs::answerText(QStringLiteral("7"));
    QVERIFY(listener->aboutToOutput(output, &w));
    // A program killed while the pages go out leaves this: an entry that
    // says so, holding its numbers, and no marks yet.
    QList<PrintHistory::Entry> entries = history();
    QCOMPARE(entries.size(), 1);
    QVERIFY(!entries[0].complete);
    QCOMPARE(entries[0].numbers, (QStringList{"7", "8"}));
    QCOMPARE(marks(), (QStringList{"-|", "-|", "-|", "-|", "-|"}));
    QString error;
    QVERIFY2(listener->outputDone(output, 2, &error), qPrintable(error));
    entries = history();
    QCOMPARE(entries.size(), 1);
    QVERIFY(entries[0].complete);
    QCOMPARE(entries[0].pages, 2);
    QCOMPARE(marks(), (QStringList{"x|7", "x|8", "-|", "-|", "-|"}));
}

QTEST_MAIN(TestPrintTrackingGui)
#include "test_print_tracking_gui.moc"
