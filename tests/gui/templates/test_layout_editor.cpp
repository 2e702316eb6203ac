#include "data/records/DataSet.h"
#include "data/store/Database.h"
#include "data/store/Settings.h"
#include "gui/report/ReportPreview.h"
#include "gui/templates/LayoutEditor.h"
#include "gui/templates/TemplateWindow.h"
#include "gui/widgets/Dialogs.h"
#include "report/FontSetup.h"
#include "report/QRDBText.h"
#include "report/QuickRep.h"
#include "report/ReportLayout.h"
#include "templates/LayoutAdjustments.h"
#include "templates/TemplateReport.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

#include <memory>

// Moving and hiding items in the template window, and what the preview
// says about cut texts.
class TestLayoutEditor : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void nudgeHideAndShift();
    void itemsFramedOnADarkPicture();
    void previewNamesCutTexts();
    void resetAsksAndCanBeUndone_data();
    void resetAsksAndCanBeUndone();
};

void TestLayoutEditor::initTestCase()
{
    FontSetup::install();
    Dialogs::setScripted(true);
    QString error;
    // A fresh book: what an earlier run fitted or kept would change the cases.
    QFile::remove(Settings().storeLocation());
    Database db;
    QVERIFY2(db.open(Settings().storeLocation(), &error), qPrintable(error));
    QVERIFY(db.exec("insert into outr (\"姓名\") values ('寄件甲')"));
    QVERIFY(
        db.exec("insert into inr (\"姓名\", \"地址\") values ('收件甲', ?)", {QString(60, QChar(0x946B))}));
}

void TestLayoutEditor::nudgeHideAndShift()
{
    const layouts::Template& st = *layouts::findTemplate("st");
    TemplateSources sources;
    sources.databasePath = Settings().storeLocation();
    const layouts::Item* design = layouts::findItem(st.variant(layouts::Variant::Single),
                                                    layouts::Source::Recipient, QStringLiteral("地址"));
    QVERIFY(design && QByteArray(design->name) == "QRDBText7");
    const double designLeft = TemplateReport::gridTenths(design->leftMm);
    {
        TemplateWindow w(st, layouts::Variant::Single, sources);
        w.show();
        TQRDBText* address = w.layout()->item("QRDBText7");
        QCOMPARE(address->Size.Left, designLeft);
        QWidget* layer = w.findChild<QWidget*>("ItemLayer");
        QTest::mouseClick(layer, Qt::LeftButton, {}, w.editor()->itemRect(address).center());
        QCOMPARE(w.editor()->selected(), address);
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(layer, Qt::Key_Right);
        QTest::keyClick(layer, Qt::Key_Up, Qt::ShiftModifier);
        w.findChild<QPushButton*>("HideButton")->click();
        QVERIFY(!address->Enabled);
    }
    // A new window, as after a restart: the item stands where it was left,
    // hidden, and the shift boxes move it on from there.
    TemplateWindow w(st, layouts::Variant::Single, sources);
    w.show();
    TQRDBText* address = w.layout()->item("QRDBText7");
    QCOMPARE(w.layout()->itemAdjustment(address).dx, 3);
    QCOMPARE(w.layout()->itemAdjustment(address).dy, -10);
    QVERIFY(!address->Enabled);
    w.findChild<QLineEdit*>("Edit1")->setText("10");
    w.findChild<QPushButton*>("Button2")->click();
    QVERIFY(qAbs(address->Size.Left - (designLeft + 3 + 10 * 254.0 / 96)) < 1e-6);
    // The batch window of the same template keeps its own places.
    TemplateWindow batch(st, layouts::Variant::Batch, sources);
    batch.show();
    QVERIFY(batch.layout()->item("QRDBText7")->Enabled);
    QCOMPARE(batch.layout()->item("QRDBText7")->Size.Left, designLeft);
    QVERIFY(w.editor()->resetTemplate());
    QVERIFY(address->Enabled);
}

void TestLayoutEditor::itemsFramedOnADarkPicture()
{
    const layouts::Template& st = *layouts::findTemplate("st");
    TemplateSources sources;
    sources.databasePath = Settings().storeLocation();
    TemplateWindow w(st, layouts::Variant::Batch, sources);
    w.show();
    QImage dark(400, 250, QImage::Format_RGB32);
    dark.fill(Qt::black);
    QVERIFY(dark.save("dark.png"));
    QVERIFY(w.editor()->setPicture(QDir::current().absoluteFilePath("dark.png")));
    const QImage shot = w.findChild<QWidget*>("QuickRep1")->grab().toImage();
    const QRect r = w.editor()->itemRect(w.layout()->item("QRDBText7"));
    // The item's left edge and a spot inside it, clear of its text, stay light.
    for (const QPoint& p : {QPoint(r.left(), r.center().y()), QPoint(r.right() - 2, r.bottom() - 2)})
        QVERIFY2(qGray(shot.pixel(p)) > 100, qPrintable(QString::number(qGray(shot.pixel(p)))));
    QVERIFY(w.editor()->resetPicture());
}

void TestLayoutEditor::previewNamesCutTexts()
{
    Database db;
    QVERIFY(db.open(Settings().storeLocation(), nullptr, false));
    DataSet senders, recipients;
    senders.setDatabase(&db);
    recipients.setDatabase(&db);
    QVERIFY(senders.open("outr") && recipients.open("inr"));
    std::unique_ptr<TemplateReport> tpl(TemplateReport::create("st", "single", nullptr));
    tpl->bind(&senders, &recipients);
    ReportPreview preview(tpl->report());
    QTRY_VERIFY(!preview.isGenerating());
    QCOMPARE(preview.overflowStatusText(), QStringLiteral("文字超出 1 处"));
    // Red round the cut text on screen; paper and PDF get the plain page.
    const auto redPixels = [&](bool onScreen) {
        QImage img(869, 480, QImage::Format_RGB32);
        img.setDotsPerMeterX(3780);
        img.setDotsPerMeterY(3780);
        QPainter p(&img);
        if (onScreen)
            preview.layout()->paintPage(&p, 0, {QImage(), true});
        else
            preview.layout()->paintPage(&p, 0);
        p.end();
        int red = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                red += qRed(img.pixel(x, y)) > 200 && qGreen(img.pixel(x, y)) < 120 ? 1 : 0;
        return red;
    };
    QVERIFY(redPixels(true) > 100);
    QCOMPARE(redPixels(false), 0);
    Dialogs::clear();
    Dialogs::answerButton(QMessageBox::No);
    preview.print();
    QCOMPARE(Dialogs::shown().size(), 1); // the question, and no print after it
    QVERIFY2(Dialogs::lastShown().text.contains(QStringLiteral("第 1 条：地址超出 1 行")),
             qPrintable(Dialogs::lastShown().text));
}

void TestLayoutEditor::resetAsksAndCanBeUndone_data()
{
    QTest::addColumn<bool>("confirm");
    QTest::newRow("cancelled") << false;
    QTest::newRow("confirmed, undone after a restart") << true;
}

void TestLayoutEditor::resetAsksAndCanBeUndone()
{
    QFETCH(bool, confirm);
    // A template of its own: the first case reset st.
    const layouts::Template& yt = *layouts::findTemplate("yt");
    TemplateSources sources;
    sources.databasePath = Settings().storeLocation();
    auto w = std::make_unique<TemplateWindow>(yt, layouts::Variant::Single, sources);
    w->show();
    const QString name = w->layout()->items().first()->objectName();
    auto item = [&] { return w->layout()->item(name); };
    auto undoOffered = [&] {
        emit w->findChild<QToolButton*>("ResetButton")->menu()->aboutToShow();
        return w->findChild<QAction*>("UndoResetAction")->isEnabled();
    };
    w->editor()->select(item());
    QVERIFY(w->editor()->nudge(20, 0));
    QVERIFY(w->editor()->setHidden(true));
    QVERIFY(w->editor()->setCalibration(5, 5, 100, 100));
    const int moved = w->layout()->itemAdjustment(item()).dx;

    Dialogs::clear();
    Dialogs::answerButton(confirm ? QMessageBox::Ok : QMessageBox::Cancel);
    QCOMPARE(w->editor()->resetTemplate(), confirm);
    const QString asked = Dialogs::shown().value(0).text;
    for (const char* lost : {"1 个项目的位置", "1 个隐藏的项目", "打印校准"})
        QVERIFY2(asked.contains(QString::fromUtf8(lost)), qPrintable(asked));
    QCOMPARE(item()->Enabled, confirm);
    QCOMPARE(undoOffered(), confirm);
    if (!confirm)
        return;

    // A restart: the kept state waits in the address book.
    w = std::make_unique<TemplateWindow>(yt, layouts::Variant::Single, sources);
    w->show();
    QVERIFY(item()->Enabled);
    QCOMPARE(w->layout()->adjustment().dx, 0);
    QVERIFY(undoOffered());
    // A change made since is not replaced without a question.
    w->editor()->select(item());
    QVERIFY(w->editor()->nudge(1, 0));
    Dialogs::clear();
    Dialogs::answerButton(QMessageBox::Cancel);
    w->findChild<QAction*>("UndoResetAction")->trigger();
    QCOMPARE(Dialogs::shown().size(), 1);
    QCOMPARE(w->layout()->itemAdjustment(item()).dx, 1);
    Dialogs::clear();
    w->findChild<QAction*>("UndoResetAction")->trigger();
    QVERIFY(!item()->Enabled);
    QCOMPARE(w->layout()->itemAdjustment(item()).dx, moved);
    QCOMPARE(w->layout()->adjustment().dx, 5);
    QVERIFY(!undoOffered());
}

QTEST_MAIN(TestLayoutEditor)
#include "test_layout_editor.moc"
