#include "data/records/DataSet.h"
#include "data/store/Database.h"
#include "data/store/Settings.h"
#include "gui/templates/LayoutEditor.h"
#include "gui/templates/TemplateWindow.h"
#include "gui/widgets/Dialogs.h"
#include "report/FontSetup.h"
#include "report/QRBand.h"
#include "report/QRDBText.h"
#include "report/QuickRep.h"
#include "report/ReportLayout.h"
#include "templates/BatchData.h"
#include "templates/TemplateReport.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QtTest>

using layouts::Charset;
using layouts::Source;
using layouts::Variant;

namespace {

// A small layout of our own: two sender and two recipient items, the
// addresses wrapped at 39 bytes like the real forms.
const layouts::Item kItems[] = {
    {"QRDBText1", Source::Sender, "姓名", 31.8, 27.5, 9.3, 5.3, 12, true, Charset::Ansi, false, 0},
    {"QRDBText5", Source::Sender, "地址", 16.9, 49.5, 9.3, 14.0, 12, true, Charset::Ansi, false, 39},
    {"QRDBText7", Source::Recipient, "地址", 114.3, 49.5, 9.3, 14.0, 12, true, Charset::Ansi, false, 39},
    {"QRDBText8", Source::Recipient, "姓名", 129.1, 28.3, 9.3, 5.3, 12, true, Charset::Ansi, false, 0},
};

layouts::Page page(const char* className)
{
    return {className, 230.0, 127.0, 229.9, 127.0, 869, 474, 0.0, 0.3, 229.9, 125.1, kItems, 4};
}

layouts::Template makeTemplate(const char* code)
{
    return {code,
            "测试快递单模板",
            "测试快递单模板【一】",
            "",
            {page("TTestForm"), page("TPltestForm"), page("TEtestForm"), page("TEpltestForm")}};
}

const layouts::Template kTest = makeTemplate("test");
const layouts::Template kZt1 = makeTemplate("zt1");

bool insertRow(Database& db, const QString& table, const QString& name, const QString& address)
{
    QString error;
    const bool ok = db.exec(QStringLiteral("insert into %1 (\"姓名\", \"地址\") values (?, ?)").arg(table),
                            {name, address}, &error);
    if (!ok)
        qWarning() << error;
    return ok;
}

// Single windows print from lists handed in; batch windows read the
// address book in the working directory.
TemplateSources batchSources()
{
    TemplateSources s;
    s.databasePath = Settings().storeLocation();
    return s;
}

} // namespace

class TestTemplateWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void components();
    void shift_data();
    void shift();
    void enterDoesNothing();
    void fontReachesOneWindowOnly();
    void hookOnlyForNonEmptyValues();
    void batchPagesPerRecipient();
    void batchOnActivation();
    void batchReadsWhenShown();
    void batchWithoutDatabase();
    void batchEmptyRecipients();
    void singleAfterSearch();
    void zt1PreviewRaisesMainAndExcel();
    void senderWithoutNameWarns_data();
    void senderWithoutNameWarns();
    void wordWrapChoice();
};

void TestTemplateWindow::initTestCase()
{
    FontSetup::install();
    Dialogs::setScripted(true);
}

void TestTemplateWindow::init()
{
    Dialogs::clear();
    QFile::remove(Settings().storeLocation());
}

void TestTemplateWindow::components()
{
    TemplateWindow single(kTest, Variant::Single, batchSources());
    TemplateWindow batch(kTest, Variant::Batch, batchSources());
    QCOMPARE(single.objectName(), QStringLiteral("TTestForm"));
    QCOMPARE(batch.objectName(), QStringLiteral("TPltestForm"));
    QCOMPARE(single.windowTitle(), QStringLiteral("测试快递单模板 — 单张打印"));
    QCOMPARE(batch.windowTitle(), QStringLiteral("测试快递单模板 — 批量打印"));
    QCOMPARE(single.pagePixels(), QSize(869, 480));
    QCOMPARE(single.Panel2->size(), QSize(871, 515));
    QCOMPARE(single.QuickRep1->geometry(), QRect(2, 35, 869, 480));
    QCOMPARE(single.report()->band()->objectName(), QStringLiteral("QRBand1"));
    QCOMPARE(batch.report()->band()->objectName(), QStringLiteral("DetailBand1"));
    QVERIFY(!single.batchData());
    QVERIFY(batch.batchData());

    const QList<QAction*> menu = single.MainMenu1->actions();
    QCOMPARE(menu.size(), 4);
    QCOMPARE(menu.at(0)->text(), QStringLiteral("【打印预览】"));
    QCOMPARE(menu.at(1)->text(), QStringLiteral("【设置字体】"));
    QCOMPARE(menu.at(2)->text(), QStringLiteral("【关闭窗口】"));
    // Shown only where the designer takes it (TemplateWindows).
    QCOMPARE(menu.at(3)->text(), QStringLiteral("【复制为自定义模板】"));
    QVERIFY(!menu.at(3)->isVisible());
    QCOMPARE(single.Label2->text(), QStringLiteral("左右移动"));
    QCOMPARE(single.Label3->text(), QStringLiteral("上下移动"));
    for (QPushButton* b : {single.Button2, single.Button3}) {
        QCOMPARE(b->text(), QStringLiteral("确定"));
        QVERIFY(!b->isDefault());
        QVERIFY(!b->autoDefault());
    }
    // The font dialog opens at the items' font: "确定" without a change keeps it.
    QCOMPARE(single.dialogFont(), single.layout()->items().first()->Font);
    QCOMPARE(single.dialogFont().pointSize(), 12);
    QVERIFY(single.dialogFont().bold());

    // The hooks sit on the wrapped items only.
    TemplateReport* layout = single.layout();
    QCOMPARE(layout->hookName(layout->item(QStringLiteral("QRDBText5"))), QStringLiteral("QRDBText5Print"));
    QVERIFY(layout->item(QStringLiteral("QRDBText5"))->OnPrint);
    QVERIFY(!layout->item(QStringLiteral("QRDBText1"))->OnPrint);
}

void TestTemplateWindow::shift_data()
{
    QTest::addColumn<bool>("horizontal");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("presses");
    QTest::addColumn<int>("moved"); // pixels in all
    QTest::addColumn<bool>("error");

    QTest::newRow("10 twice") << true << "10" << 2 << 20 << false;
    QTest::newRow("-8 up") << false << "-8" << 1 << -8 << false;
    QTest::newRow("leading blank") << true << " 12" << 1 << 12 << false;
    QTest::newRow("dollar hex") << false << "$1F" << 1 << 31 << false;
    QTest::newRow("0x hex") << true << "0x10" << 1 << 16 << false;
    QTest::newRow("plus sign") << false << "+5" << 1 << 5 << false;
    QTest::newRow("trailing blank") << true << "12 " << 1 << 0 << true;
    QTest::newRow("decimal") << false << "1.5" << 1 << 0 << true;
    QTest::newRow("letter after") << true << "12a" << 1 << 0 << true;
    QTest::newRow("chinese") << false << "一" << 1 << 0 << true;
    QTest::newRow("too large") << true << "99999999999" << 1 << 0 << true;
    QTest::newRow("sign only") << true << "-" << 1 << 0 << true;
    QTest::newRow("empty") << true << "" << 1 << 0 << false;
    QTest::newRow("empty vertical") << false << "" << 2 << 0 << false;
}

void TestTemplateWindow::shift()
{
    QFETCH(bool, horizontal);
    QFETCH(QString, text);
    QFETCH(int, presses);
    QFETCH(int, moved);
    QFETCH(bool, error);

    TemplateWindow w(kTest, Variant::Single, batchSources());
    const QList<TQRDBText*> items = w.layout()->items();
    QList<int> before;
    for (TQRDBText* i : items)
        before << (horizontal ? i->leftPixels() : i->topPixels());
    QList<int> otherBefore;
    for (TQRDBText* i : items)
        otherBefore << (horizontal ? i->topPixels() : i->leftPixels());

    QLineEdit* edit = horizontal ? w.Edit1 : w.Edit2;
    QPushButton* button = horizontal ? w.Button2 : w.Button3;
    edit->setText(text);
    for (int k = 0; k < presses; ++k)
        QTest::mouseClick(button, Qt::LeftButton);

    for (int k = 0; k < items.size(); ++k) {
        TQRDBText* i = items.at(k);
        QCOMPARE(horizontal ? i->leftPixels() : i->topPixels(), before.at(k) + moved);
        QCOMPARE(horizontal ? i->topPixels() : i->leftPixels(), otherBefore.at(k));
    }
    // The page position follows at 2.6458 tenths of a millimetre per pixel.
    if (moved != 0) {
        const double tenths = horizontal ? items.first()->Size.Left : items.first()->Size.Top;
        QVERIFY(qAbs(tenths - (before.first() + moved) * 254.0 / 96.0) < 0.01);
    }
    QCOMPARE(edit->text(), text);

    const QList<Dialogs::Shown> shown = Dialogs::shown();
    if (error) {
        QCOMPARE(shown.size(), presses);
        QCOMPARE(shown.first().text, QStringLiteral("'%1' is not a valid integer value").arg(text));
        QCOMPARE(shown.first().icon, QMessageBox::Critical);
    } else {
        QVERIFY(shown.isEmpty());
    }
}

void TestTemplateWindow::enterDoesNothing()
{
    TemplateWindow w(kTest, Variant::Single, batchSources());
    w.show();
    const int before = w.layout()->items().first()->leftPixels();
    w.Edit1->setText(QStringLiteral("10"));
    w.Edit1->setFocus();
    QTest::keyClick(w.Edit1, Qt::Key_Return);
    QTest::keyClick(w.Edit1, Qt::Key_Enter);
    QCOMPARE(w.layout()->items().first()->leftPixels(), before);
    QVERIFY(w.isVisible());
    // Nor does Escape: the window has no keys of its own.
    QTest::keyClick(w.Edit1, Qt::Key_Escape);
    QVERIFY(w.isVisible());
}

void TestTemplateWindow::fontReachesOneWindowOnly()
{
    TemplateWindow a(kTest, Variant::Single, batchSources());
    TemplateWindow b(kTest, Variant::Batch, batchSources());
    QFont arial(QStringLiteral("Arial"));
    arial.setPointSize(14);
    Dialogs::answerFont(arial, QColor(0x80, 0x00, 0x00));
    a.N3->trigger();
    for (TQRDBText* i : a.layout()->items()) {
        QCOMPARE(i->Font.family(), QStringLiteral("Arial"));
        QCOMPARE(i->Font.pointSize(), 14);
        QVERIFY(!i->Font.bold());
        QCOMPARE(i->FontColor, QColor(0x80, 0x00, 0x00));
    }
    QCOMPARE(a.dialogColor(), QColor(0x80, 0x00, 0x00));
    QCOMPARE(a.dialogFont().family(), QStringLiteral("Arial"));
    for (TQRDBText* i : b.layout()->items()) {
        QCOMPARE(i->Font.pointSize(), 12);
        QVERIFY(i->Font.bold());
        QCOMPARE(i->FontColor, QColor(Qt::black));
    }
    QCOMPARE(b.dialogFont(), b.layout()->items().first()->Font);

    // Cancel changes nothing.
    Dialogs::answerFontCancel();
    a.N3->trigger();
    QCOMPARE(a.layout()->items().last()->Font.family(), QStringLiteral("Arial"));
    QCOMPARE(a.dialogFont().pointSize(), 14);
}

void TestTemplateWindow::hookOnlyForNonEmptyValues()
{
    Database db;
    QString error;
    QVERIFY2(db.open(Settings().storeLocation(), &error), qPrintable(error));
    QVERIFY(insertRow(db, QStringLiteral("outr"), QStringLiteral("张三"), QString()));
    QVERIFY(insertRow(db, QStringLiteral("inr"), QStringLiteral("李四"), QStringLiteral("北京市朝阳区")));
    DataSet senders, recipients;
    senders.setDatabase(&db);
    recipients.setDatabase(&db);
    QVERIFY(senders.open(QStringLiteral("outr")));
    QVERIFY(recipients.open(QStringLiteral("inr")));

    TemplateReport r(kTest, Variant::Single);
    r.bind(&senders, &recipients);
    // An empty address never reaches the hook, so no line break appears.
    const QStringList values = r.records().texts(0);
    const auto printed = [&](const char* name) {
        TQRDBText* item = r.item(QString::fromLatin1(name));
        return item->printText(values.value(r.items().indexOf(item)));
    };
    QCOMPARE(printed("QRDBText5"), QString());
    QCOMPARE(printed("QRDBText7"), QStringLiteral("北京市朝阳区\r\n"));
    QCOMPARE(printed("QRDBText8"), QStringLiteral("李四"));
}

void TestTemplateWindow::batchPagesPerRecipient()
{
    {
        Database db;
        QString error;
        QVERIFY2(db.open(Settings().storeLocation(), &error), qPrintable(error));
        QVERIFY(insertRow(db, QStringLiteral("outr"), QStringLiteral("寄件甲"), QStringLiteral("上海")));
        QVERIFY(insertRow(db, QStringLiteral("outr"), QStringLiteral("寄件乙"), QStringLiteral("杭州")));
        for (const char* name : {"收件一", "收件二", "收件三"})
            QVERIFY(insertRow(db, QStringLiteral("inr"), QString::fromUtf8(name), QString()));
        QVERIFY(insertRow(db, QStringLiteral("excel"), QStringLiteral("导入一"), QString()));
    }
    TemplateWindow w(kTest, Variant::Batch, batchSources());
    QString error;
    QVERIFY2(w.loadBatchData(&error), qPrintable(error));
    ReportLayout run(w.report());
    QVERIFY(run.generateAll());
    QCOMPARE(run.pageCount(), 3);
    const QStringList names = {QStringLiteral("收件一"), QStringLiteral("收件二"), QStringLiteral("收件三")};
    for (int p = 0; p < 3; ++p) {
        const QStringList texts = run.pageTexts(p);
        QVERIFY2(texts.contains(names.at(p)), qPrintable(texts.join(u'|')));
        QVERIFY(texts.contains(QStringLiteral("寄件甲")));
        QVERIFY(!texts.contains(QStringLiteral("寄件乙")));
    }

    // The Excel batch window pages through the imported rows instead.
    TemplateWindow e(kTest, Variant::ExcelBatch, batchSources());
    QVERIFY(e.loadBatchData(&error));
    ReportLayout excelRun(e.report());
    QVERIFY(excelRun.generateAll());
    QCOMPARE(excelRun.pageCount(), 1);
    QVERIFY(excelRun.pageTexts(0).contains(QStringLiteral("导入一")));
}

void TestTemplateWindow::batchOnActivation()
{
    Database db;
    QString error;
    QVERIFY2(db.open(Settings().storeLocation(), &error), qPrintable(error));
    QVERIFY(insertRow(db, QStringLiteral("outr"), QStringLiteral("寄件甲"), QString()));
    QVERIFY(insertRow(db, QStringLiteral("inr"), QStringLiteral("收件一"), QString()));

    TemplateWindow w(kTest, Variant::Batch, batchSources());
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&w, &activate);
    QVERIFY(w.batchData()->recipients()->isOpen());
    QCOMPARE(w.batchData()->recipients()->recordCount(), 1);

    // A recipient added elsewhere is there the next time the window is active.
    QVERIFY(insertRow(db, QStringLiteral("inr"), QStringLiteral("收件二"), QString()));
    QCOMPARE(w.batchData()->recipients()->recordCount(), 1);
    QApplication::sendEvent(&w, &activate);
    QCOMPARE(w.batchData()->recipients()->recordCount(), 2);
    QCOMPARE(w.batchData()->senders()->recNo(), 1);
    QVERIFY(Dialogs::shown().isEmpty());
}

void TestTemplateWindow::batchReadsWhenShown()
{
    {
        Database db;
        QString error;
        QVERIFY2(db.open(Settings().storeLocation(), &error), qPrintable(error));
        QVERIFY(insertRow(db, QStringLiteral("inr"), QStringLiteral("收件一"), QString()));
    }
    TemplateWindow w(kTest, Variant::Batch, batchSources());
    QVERIFY(!w.batchData()->recipients()->isOpen());
    int rows = -1;
    QTimer::singleShot(200, &w, [&] {
        rows = w.batchData()->recipients()->recordCount();
        w.N2->trigger();
    });
    w.exec();
    QCOMPARE(rows, 1);
    QVERIFY(!w.isVisible());
}

void TestTemplateWindow::batchWithoutDatabase()
{
    TemplateWindow w(kTest, Variant::Batch, batchSources());
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&w, &activate);
    QCOMPARE(Dialogs::shown().size(), 1);
    QCOMPARE(Dialogs::shown().first().icon, QMessageBox::Critical);
    QVERIFY(Dialogs::shown().first().text.contains(QStringLiteral("data.mdb")));
    QVERIFY(!w.batchData()->recipients()->isOpen());
    QVERIFY(!w.batchData()->senders()->isOpen());
    // No database file is made behind the user's back.
    QVERIFY(!QFile::exists(Settings().storeLocation()));

    // One page on which nothing prints.
    ReportLayout run(w.report());
    QVERIFY(run.generateAll());
    QCOMPARE(run.pageCount(), 1);
    for (const QString& t : run.pageTexts(0))
        QVERIFY(t.isEmpty());
}

void TestTemplateWindow::batchEmptyRecipients()
{
    {
        Database db;
        QString error;
        QVERIFY2(db.open(Settings().storeLocation(), &error), qPrintable(error));
        QVERIFY(insertRow(db, QStringLiteral("outr"), QStringLiteral("寄件甲"), QString()));
    }
    TemplateWindow w(kTest, Variant::Batch, batchSources());
    QVERIFY(w.loadBatchData());
    ReportLayout run(w.report());
    QVERIFY(run.generateAll());
    // One page with the sender only.
    QCOMPARE(run.pageCount(), 1);
    QVERIFY(run.pageTexts(0).contains(QStringLiteral("寄件甲")));
    QVERIFY(!run.pageTexts(0).contains(QStringLiteral("李四")));
}

void TestTemplateWindow::singleAfterSearch()
{
    Database db;
    QString error;
    QVERIFY2(db.open(Settings().storeLocation(), &error), qPrintable(error));
    QVERIFY(insertRow(db, QStringLiteral("outr"), QStringLiteral("寄件甲"), QString()));
    QVERIFY(insertRow(db, QStringLiteral("outr"), QStringLiteral("寄件乙"), QString()));
    QVERIFY(insertRow(db, QStringLiteral("inr"), QStringLiteral("王一"), QStringLiteral("广州")));
    QVERIFY(insertRow(db, QStringLiteral("inr"), QStringLiteral("赵二"), QStringLiteral("深圳")));
    QVERIFY(insertRow(db, QStringLiteral("inr"), QStringLiteral("王三"), QStringLiteral("广州")));
    QVERIFY(insertRow(db, QStringLiteral("inr"), QStringLiteral("王四"), QStringLiteral("广州")));

    DataSet senders, recipients;
    senders.setDatabase(&db);
    recipients.setDatabase(&db);
    QVERIFY(senders.open(QStringLiteral("outr")));
    QVERIFY(senders.moveTo(1));
    // The main window's search narrows its list; the grid stands on row 2.
    QVERIFY(
        recipients.open(QStringLiteral("inr"), QStringLiteral("\"姓名\" like ?"), {QStringLiteral("王%")}));
    QCOMPARE(recipients.recordCount(), 3);
    QVERIFY(recipients.moveTo(1));
    TemplateSources sources;
    sources.senders = &senders;
    sources.recipients = &recipients;
    TemplateWindow w(kTest, Variant::Single, sources);
    ReportLayout run(w.report());
    QVERIFY(run.generateAll());
    QCOMPARE(run.pageCount(), 1);
    const QStringList texts = run.pageTexts(0);
    QVERIFY2(texts.contains(QStringLiteral("王三")), qPrintable(texts.join(u'|')));
    QVERIFY(texts.contains(QStringLiteral("寄件乙")));
    QVERIFY(texts.contains(QStringLiteral("广州\r\n")));
    // The main window's rows stay where the user left them.
    QCOMPARE(recipients.recNo(), 2);

    // The Excel single window reads the Excel window's row instead.
    DataSet excel;
    excel.setDatabase(&db);
    QVERIFY(insertRow(db, QStringLiteral("excel"), QStringLiteral("导入一"), QString()));
    QVERIFY(excel.open(QStringLiteral("excel")));
    sources.excelRecipients = &excel;
    TemplateWindow e(kTest, Variant::ExcelSingle, sources);
    ReportLayout excelRun(e.report());
    QVERIFY(excelRun.generateAll());
    QVERIFY(excelRun.pageTexts(0).contains(QStringLiteral("导入一")));
}

void TestTemplateWindow::zt1PreviewRaisesMainAndExcel()
{
    QWidget main;
    main.setObjectName(QStringLiteral("MainForm"));
    QWidget excel;
    excel.setObjectName(QStringLiteral("ExcelForm"));
    bool mainShown = false, excelShown = false, previewed = false;
    TQuickRep::setPreviewHandler([&](TQuickRep*, QWidget*) {
        previewed = true;
        mainShown = main.isVisible();
        excelShown = excel.isVisible();
    });

    // Other windows open the preview without touching them.
    TemplateWindow other(kZt1, Variant::Single, batchSources());
    other.N1->trigger();
    QVERIFY(previewed);
    QVERIFY(!mainShown && !excelShown);

    previewed = false;
    TemplateWindow w(kZt1, Variant::ExcelSingle, batchSources());
    w.N1->trigger();
    QVERIFY(previewed);
    QVERIFY(mainShown);
    QVERIFY(excelShown);
    TQuickRep::setPreviewHandler({});
}

void TestTemplateWindow::senderWithoutNameWarns_data()
{
    QTest::addColumn<int>("variant");
    QTest::addColumn<QString>("firstSender"); // null: no sender row at all
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("warned");
    QTest::addColumn<bool>("previewed");
    const int ok = QMessageBox::Ok, cancel = QMessageBox::Cancel;
    QTest::newRow("batch, named") << int(Variant::Batch) << QStringLiteral("寄件甲") << ok << false << true;
    QTest::newRow("batch, date only, go on") << int(Variant::Batch) << QString("") << ok << true << true;
    QTest::newRow("batch, blanks, cancel")
        << int(Variant::Batch) << QStringLiteral("  ") << cancel << true << false;
    QTest::newRow("batch, no sender") << int(Variant::Batch) << QString() << cancel << true << false;
    QTest::newRow("single, named") << int(Variant::Single) << QStringLiteral("寄件甲") << ok << false << true;
    QTest::newRow("single, unnamed, cancel")
        << int(Variant::Single) << QString("") << cancel << true << false;
}

void TestTemplateWindow::senderWithoutNameWarns()
{
    QFETCH(int, variant);
    QFETCH(QString, firstSender);
    QFETCH(int, answer);
    QFETCH(bool, warned);
    QFETCH(bool, previewed);
    Database db;
    QString error;
    QVERIFY2(db.open(Settings().storeLocation(), &error), qPrintable(error));
    if (!firstSender.isNull())
        QVERIFY(insertRow(db, QStringLiteral("outr"), firstSender, QString()));
    QVERIFY(insertRow(db, QStringLiteral("outr"), QStringLiteral("寄件乙"), QString())); // never the one used
    QVERIFY(insertRow(db, QStringLiteral("inr"), QStringLiteral("收件一"), QString()));
    if (firstSender.isNull())
        QVERIFY(db.exec(QStringLiteral("DELETE FROM outr")));
    DataSet senders;
    senders.setDatabase(&db);
    QVERIFY(senders.open(QStringLiteral("outr")));
    TemplateSources sources = batchSources();
    sources.senders = &senders;
    TemplateWindow w(kTest, Variant(variant), sources);
    QVERIFY(w.loadBatchData(&error));
    bool shown = false;
    TQuickRep::setPreviewHandler([&](TQuickRep*, QWidget*) { shown = true; });
    Dialogs::answerButton(QMessageBox::StandardButton(answer));
    w.N1->trigger();
    TQuickRep::setPreviewHandler({});
    QCOMPARE(shown, previewed);
    QCOMPARE(!Dialogs::shown().isEmpty(), warned);
    if (warned)
        QVERIFY2(Dialogs::lastShown().text.contains(QStringLiteral("寄件人姓名为空")),
                 qPrintable(Dialogs::lastShown().text));
}

void TestTemplateWindow::wordWrapChoice()
{
    TemplateWindow single(kTest, Variant::Single, batchSources());
    TemplateWindow batch(kTest, Variant::Batch, batchSources());
    QCheckBox* box = single.WordWrapBox;
    QCOMPARE(box->text(), QStringLiteral("按词换行"));
    QVERIFY(!box->isChecked()); // the forms' byte rule unless chosen
    QVERIFY(single.Panel2->rect().contains(box->geometry()));
    QVERIFY(!box->geometry().intersects(single.Label2->geometry()));

    // No address book yet: the choice cannot be kept, and the box says so.
    box->click();
    QCOMPARE(Dialogs::lastShown().icon, QMessageBox::Critical);
    QVERIFY(Dialogs::lastShown().text.startsWith(QStringLiteral("无法保存换行方式")));
    QVERIFY(!box->isChecked());
    QCOMPARE(single.layout()->wrapRule(), WrapRule::Bytes);

    Dialogs::clear();
    {
        Database db;
        QString error;
        QVERIFY2(db.open(Settings().storeLocation(), &error), qPrintable(error));
    }
    box->click();
    QVERIFY(Dialogs::shown().isEmpty());
    QVERIFY(box->isChecked());
    QCOMPARE(single.layout()->wrapRule(), WrapRule::Words);
    Database db;
    QString error;
    QVERIFY(db.open(Settings().storeLocation(), &error, false));
    QVERIFY(LayoutAdjustments::load(db, QStringLiteral("test"), &error).wordWrap);
    // The template's other windows take it when they open.
    QVERIFY(!batch.WordWrapBox->isChecked());
    batch.show();
    QVERIFY(batch.WordWrapBox->isChecked());
    QCOMPARE(batch.layout()->wrapRule(), WrapRule::Words);
    batch.hide();
    // "恢复整个模板" clears fitting work only: the rule is a choice and stays.
    QVERIFY(!single.editor()->resetTemplate());
    QVERIFY(box->isChecked());
    QCOMPARE(single.layout()->wrapRule(), WrapRule::Words);
}

QTEST_MAIN(TestTemplateWindow)
#include "test_template_window.moc"
