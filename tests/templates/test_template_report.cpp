#include "report/QRDBText.h"
#include "templates/TemplateReport.h"

#include <QtTest>

#include <cmath>
#include <limits>
#include <memory>

// The bounds of the shift and font commands that the template windows and
// the command line share.
class TestTemplateReport : public QObject
{
    Q_OBJECT
private slots:
    void shiftStaysOnThePage_data();
    void shiftStaysOnThePage();
    void fontSize_data();
    void fontSize();
};

void TestTemplateReport::shiftStaysOnThePage_data()
{
    QTest::addColumn<bool>("horizontal");
    QTest::addColumn<QList<int>>("moves");
    QTest::addColumn<QList<bool>>("taken");
    const int maxInt = std::numeric_limits<int>::max();
    const int minInt = std::numeric_limits<int>::min();
    // st is 230 x 127 mm: 869 x 480 pixels at 96 per inch.
    QTest::newRow("to the right edge") << true << QList<int>{869} << QList<bool>{true};
    QTest::newRow("one past it") << true << QList<int>{870} << QList<bool>{false};
    QTest::newRow("moves add up") << true << QList<int>{500, 369, 1, -1738, -1}
                                  << QList<bool>{true, true, false, true, false};
    QTest::newRow("int limits") << true << QList<int>{maxInt, minInt, 10, maxInt}
                                << QList<bool>{false, false, true, false};
    QTest::newRow("down to the foot") << false << QList<int>{480, 1} << QList<bool>{true, false};
    QTest::newRow("far up") << false << QList<int>{-1000000, minInt} << QList<bool>{false, false};
}

void TestTemplateReport::shiftStaysOnThePage()
{
    QFETCH(bool, horizontal);
    QFETCH(QList<int>, moves);
    QFETCH(QList<bool>, taken);
    QString error;
    std::unique_ptr<TemplateReport> tpl(
        TemplateReport::create(QStringLiteral("st"), QStringLiteral("single"), &error));
    QVERIFY2(tpl, qPrintable(error));
    TQRDBText* item = tpl->items().first();
    const int start = horizontal ? item->leftPixels() : item->topPixels();
    int total = 0;
    for (int k = 0; k < moves.size(); ++k) {
        error.clear();
        const bool ok = horizontal ? tpl->shiftLeft(moves.at(k), &error) : tpl->shiftTop(moves.at(k), &error);
        QCOMPARE(ok, taken.at(k));
        QCOMPARE(error.isEmpty(), ok);
        if (ok)
            total += moves.at(k);
        else
            QVERIFY2(error.contains(QStringLiteral("纸外")), qPrintable(error));
        QCOMPARE(horizontal ? tpl->totalShiftLeft() : tpl->totalShiftTop(), total);
        QCOMPARE(horizontal ? item->leftPixels() : item->topPixels(), start + total);
    }
}

void TestTemplateReport::fontSize_data()
{
    QTest::addColumn<double>("pt");
    QTest::addColumn<bool>("taken");
    QTest::newRow("1") << 1.0 << true;
    QTest::newRow("12.5") << 12.5 << true;
    QTest::newRow("500") << 500.0 << true;
    QTest::newRow("0.99") << 0.99 << false;
    QTest::newRow("1e-300") << 1e-300 << false;
    QTest::newRow("500.01") << 500.01 << false;
    QTest::newRow("nan") << std::nan("") << false;
    QTest::newRow("inf") << std::numeric_limits<double>::infinity() << false;
}

void TestTemplateReport::fontSize()
{
    QFETCH(double, pt);
    QFETCH(bool, taken);
    QString error;
    QCOMPARE(TemplateReport::checkFontSize(pt, &error), taken);
    std::unique_ptr<TemplateReport> tpl(
        TemplateReport::create(QStringLiteral("st"), QStringLiteral("single"), &error));
    QVERIFY(tpl);
    const qreal before = tpl->items().first()->Font.pointSizeF();
    // QFont keeps NaN, infinite and tiny sizes as given; the items must not take them.
    QFont f(QStringLiteral("宋体"));
    f.setPointSizeF(pt);
    error.clear();
    QCOMPARE(tpl->setItemsFont(f, Qt::black, &error), taken);
    if (taken) {
        QCOMPARE(tpl->items().first()->Font.pointSizeF(), pt);
    } else {
        QVERIFY2(error.contains(QStringLiteral("1 到 500 磅")), qPrintable(error));
        QCOMPARE(tpl->items().first()->Font.pointSizeF(), before);
    }
}

QTEST_GUILESS_MAIN(TestTemplateReport)
#include "test_template_report.moc"
