#include "data/records/DataSet.h"
#include "data/store/Database.h"
#include "report/QRDBText.h"
#include "report/QuickRep.h"
#include "report/ReportLayout.h"
#include "report/ReportPdfWriter.h"
#include "templates/BatchData.h"
#include "templates/TemplateDesign.h"
#include "templates/TemplateReport.h"

#include <QtTest>

#include <cmath>
#include <limits>
#include <memory>

// The bounds of the shift and font commands that the template windows and
// the command line share, and the report's records read from the datasets.
class TestTemplateReport : public QObject
{
    Q_OBJECT
private slots:
    void recordsFromDataSets_data();
    void recordsFromDataSets();
    void cancelledPdfLeavesCursor();
    void batchLeavesOutRowsWithoutNameAndAddress_data();
    void batchLeavesOutRowsWithoutNameAndAddress();
    void shiftStaysOnThePage_data();
    void shiftStaysOnThePage();
    void fontSize_data();
    void fontSize();
    void printDateParts();
};

void TestTemplateReport::recordsFromDataSets_data()
{
    QTest::addColumn<QString>("variant");
    QTest::addColumn<QString>("recipients"); // none, closed, open, editing
    QTest::addColumn<int>("rows");
    QTest::addColumn<QStringList>("pages"); // the recipient name on each page
    const QStringList all = {"收件1", "收件2", "收件3"};
    QTest::newRow("single: the current row") << "single"
                                             << "open" << 3 << QStringList{"收件2"};
    QTest::newRow("single, being edited") << "single"
                                          << "editing" << 3 << QStringList{"改过"};
    QTest::newRow("batch: a page per row") << "batch"
                                           << "open" << 3 << all;
    QTest::newRow("batch: the row being edited as edited")
        << "batch"
        << "editing" << 3 << QStringList{"收件1", "改过", "收件3"};
    QTest::newRow("batch, empty list: one page") << "batch"
                                                 << "open" << 0 << QStringList{QString()};
    QTest::newRow("batch, closed list: one page") << "batch"
                                                  << "closed" << 3 << QStringList{QString()};
    QTest::newRow("batch, no list: one page") << "batch"
                                              << "none" << 3 << QStringList{QString()};
}

void TestTemplateReport::recordsFromDataSets()
{
    QFETCH(QString, variant);
    QFETCH(QString, recipients);
    QFETCH(int, rows);
    QFETCH(QStringList, pages);

    QTemporaryDir dir;
    Database db;
    QString error;
    QVERIFY2(db.open(dir.filePath("data.mdb"), &error), qPrintable(error));
    QVERIFY(db.exec(QStringLiteral("INSERT INTO outr (姓名) VALUES ('寄件甲'), ('寄件乙')")));
    for (int i = 0; i < rows; ++i)
        QVERIFY(db.exec(QStringLiteral("INSERT INTO inr (姓名) VALUES (?)"),
                        {QStringLiteral("收件%1").arg(i + 1)}));
    DataSet senders, list;
    senders.setDatabase(&db);
    list.setDatabase(&db);
    QVERIFY(senders.open("outr"));
    senders.moveTo(1);
    if (recipients != "closed" && recipients != "none")
        QVERIFY(list.open("inr"));
    if (rows > 1)
        list.moveTo(1);
    if (recipients == "editing") {
        QVERIFY(list.edit());
        QVERIFY(list.setValue(QStringLiteral("姓名"), QStringLiteral("改过")));
    }

    std::unique_ptr<TemplateReport> tpl(TemplateReport::create(QStringLiteral("st"), variant, &error));
    QVERIFY2(tpl, qPrintable(error));
    tpl->bind(&senders, recipients == "none" ? nullptr : &list);
    const int name = tpl->items().indexOf(tpl->item(QStringLiteral("QRDBText8"))); // the recipient's
    const int sender = tpl->items().indexOf(tpl->item(QStringLiteral("QRDBText1")));
    QVERIFY(name >= 0 && sender >= 0);
    const int rowBefore = list.currentRow();

    ReportLayout layout(tpl->report());
    QVERIFY(layout.generateAll());
    QCOMPARE(layout.pageCount(), pages.size());
    for (int p = 0; p < pages.size(); ++p) {
        const QStringList texts = layout.pageTexts(p);
        QCOMPARE(texts.value(name), pages.at(p));
        // The sender is the current sender row on every page.
        QCOMPARE(texts.value(sender), QStringLiteral("寄件乙"));
    }
    // No cursor is moved by a run.
    QCOMPARE(list.currentRow(), rowBefore);
    QCOMPARE(senders.currentRow(), 1);
}

void TestTemplateReport::cancelledPdfLeavesCursor()
{
    QTemporaryDir dir;
    Database db;
    QString error;
    QVERIFY2(db.open(dir.filePath("data.mdb"), &error), qPrintable(error));
    for (int i = 0; i < 20; ++i)
        QVERIFY(db.exec(QStringLiteral("INSERT INTO inr (姓名) VALUES (?)"),
                        {QStringLiteral("收件%1").arg(i + 1)}));
    DataSet list;
    list.setDatabase(&db);
    QVERIFY(list.open("inr"));
    std::unique_ptr<TemplateReport> tpl(
        TemplateReport::create(QStringLiteral("st"), QStringLiteral("batch"), &error));
    tpl->bind(nullptr, &list);
    int calls = 0;
    QVERIFY(!ReportPdfWriter::write(tpl->report(), dir.filePath("cancel.pdf"), &error,
                                    [&](int) { return ++calls < 5; }));
    QVERIFY(!QFile::exists(dir.filePath("cancel.pdf")));
    QCOMPARE(list.currentRow(), 0);
}

void TestTemplateReport::batchLeavesOutRowsWithoutNameAndAddress_data()
{
    QTest::addColumn<bool>("unprinted");
    QTest::addColumn<QStringList>("kept"); // name/address of the rows the batch prints
    QTest::addColumn<int>("blank");
    QTest::newRow("all rows") << false << QStringList{"甲/", "/花园路2号", "乙/"} << 3;
    QTest::newRow("unprinted rows") << true << QStringList{"甲/", "/花园路2号"} << 2;
}

void TestTemplateReport::batchLeavesOutRowsWithoutNameAndAddress()
{
    QFETCH(bool, unprinted);
    QFETCH(QStringList, kept);
    QFETCH(int, blank);
    QTemporaryDir dir;
    const QString path = dir.filePath("data.mdb");
    {
        Database db;
        QString error;
        QVERIFY2(db.open(path, &error), qPrintable(error));
        // Name, address, mobile, printed mark.
        const QList<QStringList> rows = {{"甲", "", "", ""},           {"", "", "13800138000", ""},
                                         {"", "花园路2号", "", ""},    {" ", "  ", "", ""},
                                         {"乙", "", "", "2024-01-01"}, {"", "", "", "2024-01-01"}};
        for (const QStringList& r : rows)
            QVERIFY(db.exec(QStringLiteral("INSERT INTO inr (姓名, 地址, 手机, 已打印) VALUES (?, ?, ?, ?)"),
                            {r[0], r[1], r[2], r[3]}));
    }
    BatchData batch(QStringLiteral("inr"));
    batch.setSelection(unprinted ? PrintSelection::unprinted() : PrintSelection::all());
    QString error;
    QVERIFY2(batch.reload(path, &error), qPrintable(error));
    QStringList got;
    DataSet* set = batch.recipients();
    for (int r = 0; r < set->recordCount(); ++r)
        got << set->value(r, set->fieldIndex("姓名")) + '/' + set->value(r, set->fieldIndex("地址"));
    QCOMPARE(got, kept);
    QCOMPARE(batch.blankCount(), blank);
    QCOMPARE(batch.blankNote(), QStringLiteral("有 %1 条收件记录姓名和地址都为空，不打印。").arg(blank));
}

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

void TestTemplateReport::printDateParts()
{
    // A design's date items print the part their column names.
    TemplateDesign design;
    design.pageMm = design.bandMm = QSizeF(100, 50);
    const QStringList parts{QStringLiteral("年"), QStringLiteral("月"), QStringLiteral("日"),
                            QStringLiteral("日期")};
    for (int i = 0; i < parts.size(); ++i) {
        DesignItem item;
        item.name = QStringLiteral("item%1").arg(i);
        item.source = DesignItem::Source::PrintDate;
        item.column = parts.at(i);
        item.topMm = 8 * i;
        design.items.append(item);
    }
    TemplateReport report(design, layouts::Variant::Single);
    report.bind(nullptr, nullptr);
    ReportLayout layout(report.report());
    QVERIFY(layout.generateAll());
    const QDate today = QDate::currentDate();
    QCOMPARE(layout.pageTexts(0), (QStringList{QString::number(today.year()), QString::number(today.month()),
                                               QString::number(today.day()), today.toString(Qt::ISODate)}));
}

QTEST_MAIN(TestTemplateReport)
#include "test_template_report.moc"
