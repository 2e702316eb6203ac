#include "data/records/ContainsSearch.h"
#include "data/records/DataSet.h"
#include "data/records/DataSetModel.h"
#include "data/store/Database.h"
#include "gui/widgets/RecordGrid.h"

#include <QHeaderView>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestRecordGrid : public QObject
{
    Q_OBJECT
private slots:
    void unknownColumnsStayVisible();
    void currentRowFollowsBothWays();
    void rowsSelectedOnlyThroughRowIndicator();
    void doubleClickAnywhere_data();
    void doubleClickAnywhere();
    void rowNumbersGetTheirRoom();
};

void TestRecordGrid::unknownColumnsStayVisible()
{
    QTemporaryDir dir;
    Database db;
    QVERIFY(db.open(dir.filePath("data.mdb"), nullptr));
    // A column added by someone else: shown, after the known ones.
    QVERIFY(db.exec("ALTER TABLE inr ADD COLUMN 微信 TEXT"));
    DataSet set;
    set.setDatabase(&db);
    QVERIFY(set.open("inr"));
    DataSetModel model(&set);
    RecordGrid grid(&model, "DBGridEh1");
    grid.setColumnLayout({{"姓名", 65}, {"城市", 66}}, {"序号", "选中", "快递单号"});

    auto visibleInOrder = [&] {
        QStringList names;
        for (int v = 0; v < model.columnCount(); ++v) {
            const int logical = grid.horizontalHeader()->logicalIndex(v);
            if (!grid.isColumnHidden(logical))
                names << set.fieldNames().at(logical);
        }
        return names;
    };
    const QStringList expected = {"姓名", "城市", "已打印",   "邮编", "收件单位", "地址",
                                  "手机", "电话", "内件品名", "数量", "备注",     "微信"};
    QCOMPARE(visibleInOrder(), expected);
    QCOMPARE(grid.columnWidth(set.fieldIndex("城市")), 66);
    // Rebuilding the list (a search, a refresh) keeps the layout.
    QVERIFY(set.reopen());
    QCOMPARE(visibleInOrder(), expected);
}

void TestRecordGrid::currentRowFollowsBothWays()
{
    QTemporaryDir dir;
    Database db;
    QVERIFY(db.open(dir.filePath("data.mdb"), nullptr));
    for (const char* n : {"甲", "乙", "丙"})
        QVERIFY(db.exec("INSERT INTO inr (姓名) VALUES (?)", {QString::fromUtf8(n)}));
    DataSet set;
    set.setDatabase(&db);
    QVERIFY(set.open("inr"));
    DataSetModel model(&set);
    RecordGrid grid(&model, "DBGridEh1");
    grid.selectionModel()->setCurrentIndex(model.index(2, 4), QItemSelectionModel::NoUpdate);
    QCOMPARE(set.currentRow(), 2);
    set.moveTo(1);
    QCOMPARE(grid.currentIndex().row(), 1);
    grid.selectRow(0);
    grid.selectionModel()->select(model.index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QCOMPARE(grid.selectedRowList(), QList<int>({0, 2}));
}

// Three recipients in a shown grid, for the mouse tests.
struct ShownGrid
{
    QTemporaryDir dir;
    Database db;
    DataSet set;
    std::unique_ptr<DataSetModel> model;
    std::unique_ptr<RecordGrid> grid;

    bool make()
    {
        if (!db.open(dir.filePath("data.mdb"), nullptr))
            return false;
        for (const char* n : {"甲", "乙", "丙"})
            db.exec("INSERT INTO inr (姓名) VALUES (?)", {QString::fromUtf8(n)});
        set.setDatabase(&db);
        if (!set.open("inr"))
            return false;
        model = std::make_unique<DataSetModel>(&set);
        grid = std::make_unique<RecordGrid>(model.get(), "DBGridEh1");
        grid->resize(600, 300);
        grid->show();
        return QTest::qWaitForWindowExposed(grid.get());
    }
    QPoint cellCentre(int row, int column) const
    {
        return grid->visualRect(model->index(row, column)).center();
    }
    QPoint indicator(int row) const
    {
        QHeaderView* h = grid->verticalHeader();
        return QPoint(h->width() / 2, h->sectionViewportPosition(row) + h->sectionSize(row) / 2);
    }
};

void TestRecordGrid::rowsSelectedOnlyThroughRowIndicator()
{
    ShownGrid g;
    QVERIFY(g.make());
    // A click on a cell, and the arrow keys, move the current row only.
    QTest::mouseClick(g.grid->viewport(), Qt::LeftButton, {}, g.cellCentre(1, 4));
    QCOMPARE(g.set.currentRow(), 1);
    QVERIFY(g.grid->selectedRowList().isEmpty());
    QTest::keyClick(g.grid.get(), Qt::Key_Down);
    QCOMPARE(g.set.currentRow(), 2);
    QVERIFY(g.grid->selectedRowList().isEmpty());
    // The row indicator selects: click, then Ctrl-click adds a row.
    QTest::mouseClick(g.grid->verticalHeader()->viewport(), Qt::LeftButton, {}, g.indicator(0));
    QCOMPARE(g.grid->selectedRowList(), QList<int>({0}));
    QTest::mouseClick(g.grid->verticalHeader()->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      g.indicator(2));
    QCOMPARE(g.grid->selectedRowList(), QList<int>({0, 2}));
    // The cells show their text; the hint stays the grid's own.
    QCOMPARE(g.model->data(g.model->index(0, g.set.fieldIndex("姓名")), Qt::ToolTipRole), QVariant());
}

void TestRecordGrid::doubleClickAnywhere_data()
{
    QTest::addColumn<QString>("where");
    QTest::newRow("cell") << "cell";
    QTest::newRow("row indicator") << "indicator";
    QTest::newRow("titles") << "titles";
    QTest::newRow("left edge of the first title, hidden columns before it") << "first edge";
    QTest::newRow("below the rows") << "empty";
}

void TestRecordGrid::doubleClickAnywhere()
{
    QFETCH(QString, where);
    ShownGrid g;
    QVERIFY(g.make());
    QSignalSpy spy(g.grid.get(), &RecordGrid::gridDoubleClicked);
    if (where == "cell")
        QTest::mouseDClick(g.grid->viewport(), Qt::LeftButton, {}, g.cellCentre(1, 4));
    else if (where == "indicator")
        QTest::mouseDClick(g.grid->verticalHeader()->viewport(), Qt::LeftButton, {}, g.indicator(1));
    else if (where == "first edge") {
        g.grid->setRecipientLayout({65, 65, 70, 110, 170, 85, 85, 100, 60, 115});
        QTest::mouseDClick(g.grid->horizontalHeader()->viewport(), Qt::LeftButton, {}, QPoint(1, 5));
    } else if (where == "titles")
        QTest::mouseDClick(g.grid->horizontalHeader()->viewport(), Qt::LeftButton, {}, QPoint(20, 5));
    else
        QTest::mouseDClick(g.grid->viewport(), Qt::LeftButton, {},
                           QPoint(20, g.grid->viewport()->height() - 5));
    QCOMPARE(spy.size(), 1);
}

void TestRecordGrid::rowNumbersGetTheirRoom()
{
    // The row header measures each length of number once: as wide as Qt's
    // own header would be over the same numbers (four digits here).
    QTemporaryDir dir;
    Database db;
    QVERIFY(db.open(dir.filePath("data.mdb"), nullptr));
    QVERIFY(db.exec("INSERT INTO inr (姓名) WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                    "WHERE i < 1200) SELECT i FROM n"));
    DataSet set;
    set.setDatabase(&db);
    QVERIFY(set.open("inr"));
    DataSetModel model(&set);
    RecordGrid grid(&model, "DBGridEh1");
    QHeaderView plain(Qt::Vertical);
    plain.setFont(grid.verticalHeader()->font());
    plain.setModel(&model);
    const int ours = grid.verticalHeader()->sizeHint().width();
    QVERIFY2(ours >= plain.sizeHint().width(), qPrintable(QString::number(ours)));
    QVERIFY(ours < plain.sizeHint().width() + QFontMetrics(plain.font()).horizontalAdvance(QLatin1Char('0')));

    // A search scanning on makes room at once for as many rows as the
    // table has, so the columns do not move as the count gains digits.
    QVERIFY(db.exec("INSERT INTO inr (姓名) WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                    "WHERE i < 30000) SELECT '1' || i FROM n"));
    QVERIFY(ContainsSearch::open(set, "inr", "姓名", "1", nullptr));
    QVERIFY(set.isScanning());
    const int early = qMax(grid.verticalHeader()->minimumWidth(), grid.verticalHeader()->sizeHint().width());
    QTRY_VERIFY(!set.isScanning());
    QVERIFY(set.recordCount() > 30000);
    QVERIFY2(early >= grid.verticalHeader()->sizeHint().width(), qPrintable(QString::number(early)));
    QVERIFY(set.open("inr")); // the whole list, counted at once: no room kept
    QCOMPARE(grid.verticalHeader()->minimumWidth(), 28);
}

QTEST_MAIN(TestRecordGrid)
#include "test_recordgrid.moc"
