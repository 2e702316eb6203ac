#include "data/store/Database.h"
#include "gui/templates/TemplateWindow.h"
#include "gui/templates/TemplateWindows.h"
#include "gui/widgets/Dialogs.h"
#include "report/FontSetup.h"
#include "report/QRBand.h"
#include "report/QRDBText.h"
#include "report/QuickRep.h"
#include "templates/LabelTemplates.h"
#include "templates/TemplateReport.h"
#include "templates/UserTemplates.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using layouts::Variant;

class TestTemplateWindows : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void everyWindow_data();
    void everyWindow();
    void keptForTheRun();
    void lengthsOnScreenGrid_data();
    void lengthsOnScreenGrid();
    void unknownTemplate();
    void userTemplateWindow();

private:
    TemplateWindows* m_windows = nullptr;
};

void TestTemplateWindows::initTestCase()
{
    FontSetup::install();
    Dialogs::setScripted(true);
    QCOMPARE(layouts::templateCount(), 20);
    m_windows = new TemplateWindows(TemplateSources{});
}

void TestTemplateWindows::cleanupTestCase()
{
    delete m_windows;
}

void TestTemplateWindows::everyWindow_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("variant");
    for (int i = 0; i < layouts::templateCount(); ++i) {
        const layouts::Template& t = layouts::templateAt(i);
        for (int v = 0; v < layouts::kVariantCount; ++v)
            QTest::addRow("%s %s", t.code, qPrintable(layouts::variantName(Variant(v)))) << t.code << v;
    }
}

void TestTemplateWindows::everyWindow()
{
    QFETCH(QString, code);
    QFETCH(int, variant);
    TemplateWindow* w = m_windows->window(code, Variant(variant));
    QVERIFY(w);
    const layouts::Template& t = *layouts::findTemplate(code);
    const layouts::Page& p = t.variant(Variant(variant));
    QCOMPARE(w->objectName(), QString::fromUtf8(p.className));
    // Which of the four windows it is, in the title.
    const QStringList kinds{QStringLiteral("单张打印"), QStringLiteral("批量打印"),
                            QStringLiteral("Excel单张打印"), QStringLiteral("Excel批量打印")};
    QCOMPARE(w->windowTitle(), QString::fromUtf8(t.caption) + QStringLiteral(" — ") + kinds.at(variant));

    // The page at true size at 96 pixels per inch, a 35 pixel strip above.
    const QSize page(int(std::lround(p.pageWidthMm * 96 / 25.4)),
                     int(std::lround(p.pageHeightMm * 96 / 25.4)));
    QCOMPARE(w->pagePixels(), page);
    QCOMPARE(w->Panel2->size(), page + QSize(2, 35));
    QCOMPARE(w->QuickRep1->size(), page);

    // The scanned form, stretched into its rectangle.
    QVERIFY(!w->picture().isNull());
    QCOMPARE(w->picture().size(), QSize(p.pictureWidthPx, p.pictureHeightPx));
    QCOMPARE(w->Image1->geometry().width(), int(std::lround(p.pictureWidthMm * 96 / 25.4)));
    QCOMPARE(w->Image1->geometry().height(), int(std::lround(p.pictureHeightMm * 96 / 25.4)));

    // Items as laid out, hooks where a wrap width is given.
    const QList<TQRDBText*> items = w->layout()->items();
    QCOMPARE(items.size(), p.itemCount);
    for (int i = 0; i < p.itemCount; ++i) {
        QCOMPARE(items.at(i)->objectName(), QString::fromUtf8(p.items[i].name));
        QCOMPARE(bool(items.at(i)->OnPrint), p.items[i].wrap > 0);
        QCOMPARE(items.at(i)->property("OnPrint").toString(),
                 p.items[i].wrap > 0 ? QString::fromUtf8(p.items[i].name) + QStringLiteral("Print")
                                     : QString());
        QVERIFY(qAbs(items.at(i)->Size.Left - TemplateReport::gridTenths(p.items[i].leftMm)) < 1e-6);
        QCOMPARE(items.at(i)->leftPixels(), int(std::lround(p.items[i].leftMm * 96 / 25.4)));
        QCOMPARE(items.at(i)->topPixels(), int(std::lround(p.items[i].topMm * 96 / 25.4)));
    }
    QCOMPARE(w->isBatch(), variant == int(Variant::Batch) || variant == int(Variant::ExcelBatch));
}

void TestTemplateWindows::lengthsOnScreenGrid_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("variant");
    QTest::addColumn<double>("pageLength");
    QTest::addColumn<double>("bandHeight");
    QTest::addColumn<double>("firstItemLeft");
    // zjs: a band of 529 pixels (139.96 mm) on a 141.0 mm page; sf: a band of
    // 533 pixels (141.02 mm), a hair taller than its 141.0 mm page.
    QTest::newRow("zjs batch") << "zjs" << int(Variant::Batch) << 1410.0 << 529 * 254.0 / 96
                               << 128 * 254.0 / 96;
    QTest::newRow("sf batch") << "sf" << int(Variant::Batch) << 1410.0 << 533 * 254.0 / 96 << -1.0;
    QTest::newRow("st single") << "st" << int(Variant::Single) << 1270.0 << 480 * 254.0 / 96
                               << 120 * 254.0 / 96;
}

void TestTemplateWindows::lengthsOnScreenGrid()
{
    QFETCH(QString, code);
    QFETCH(int, variant);
    QFETCH(double, pageLength);
    QFETCH(double, bandHeight);
    QFETCH(double, firstItemLeft);
    TemplateReport r(*layouts::findTemplate(code), Variant(variant));
    QCOMPARE(r.report()->Page.Length, pageLength);
    QVERIFY2(qAbs(r.band()->Size.Height - bandHeight) < 1e-6,
             qPrintable(QString::number(r.band()->Size.Height)));
    if (firstItemLeft >= 0)
        QVERIFY(qAbs(r.items().first()->Size.Left - firstItemLeft) < 1e-6);
}

void TestTemplateWindows::keptForTheRun()
{
    TemplateWindows& reg = *m_windows;
    TemplateWindow* w = reg.window(QStringLiteral("st"), Variant::Single);
    QCOMPARE(reg.window(QStringLiteral("st"), Variant::Single), w);
    QVERIFY(reg.window(QStringLiteral("st"), Variant::Batch) != w);

    // Shift, close, open again: still shifted, box text still there.
    TQRDBText* first = w->layout()->items().first();
    const int left = first->leftPixels();
    w->Edit1->setText(QStringLiteral("10"));
    w->Button2->click();
    w->show();
    w->N2->trigger();
    QVERIFY(!w->isVisible());
    TemplateWindow* again = reg.window(QStringLiteral("st"), Variant::Single);
    QCOMPARE(again, w);
    QCOMPARE(again->layout()->items().first()->leftPixels(), left + 10);
    QCOMPARE(again->Edit1->text(), QStringLiteral("10"));
}

void TestTemplateWindows::unknownTemplate()
{
    QVERIFY(!m_windows->window(QStringLiteral("nosuch"), Variant::Single));
    QCOMPARE(m_windows->exec(QStringLiteral("nosuch"), Variant::Single), -1);
}

void TestTemplateWindows::userTemplateWindow()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("own.mdb"));
    Database db;
    QString error;
    QVERIFY2(db.open(path, &error), qPrintable(error));
    TemplateDesign label = LabelTemplates::all().at(1);
    label.code = QStringLiteral("shop-label");
    label.caption = QStringLiteral("本店标签");
    QVERIFY2(UserTemplates::save(db, label, &error), qPrintable(error));

    TemplateSources sources;
    sources.databasePath = path;
    TemplateWindows windows(sources);
    TemplateWindow* w = windows.window(label.code, Variant::Batch);
    QVERIFY(w);
    QCOMPARE(w->objectName(), QStringLiteral("UserTemplateForm"));
    QCOMPARE(w->windowTitle(), label.caption + QStringLiteral(" — 批量打印"));
    QCOMPARE(w->layout()->items().size(), label.items.size());
    QVERIFY(w->layout()->isBatch());
    QCOMPARE(w->pagePixels(), QSize(int(std::lround(100 * 96 / 25.4)), int(std::lround(150 * 96 / 25.4))));
    QCOMPARE(windows.window(label.code, Variant::Batch), w);
    // Changed in the address book (here or elsewhere): made again.
    label.items.removeLast();
    QVERIFY(UserTemplates::save(db, label, &error));
    TemplateWindow* again = windows.window(label.code, Variant::Batch);
    QVERIFY(again);
    QCOMPARE(again->layout()->items().size(), label.items.size());

    // "复制为自定义模板" shows once something takes it, and hands on the
    // template as it prints.
    QVERIFY(!windows.window(QStringLiteral("st"), Variant::Single)->CopyAction->isVisible());
    TemplateWindows designerSide(sources);
    QList<TemplateDesign> copies;
    connect(&designerSide, &TemplateWindows::copyAsUserTemplate, this,
            [&](const TemplateDesign& d) { copies << d; });
    TemplateWindow* st = designerSide.window(QStringLiteral("st"), Variant::Single);
    QVERIFY(st->CopyAction->isVisible());
    st->CopyAction->trigger();
    QCOMPARE(copies.size(), 1);
    QVERIFY(copies.first().code.isEmpty() && !copies.first().builtIn);
    QCOMPARE(copies.first().items.size(), st->layout()->items().size());
    QCOMPARE(copies.first().items.first().leftMm * 10, st->layout()->items().first()->Size.Left);
}

QTEST_MAIN(TestTemplateWindows)
#include "test_template_windows.moc"
