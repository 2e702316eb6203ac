#include "app/RecordGrid.h"
#include "data/DataSet.h"
#include "data/DataSetModel.h"
#include "data/Database.h"

#include <QHeaderView>
#include <QTemporaryDir>
#include <QTest>

class TestRecordGrid : public QObject
{
    Q_OBJECT
private slots:
    void unknownColumnsStayVisible();
    void currentRowFollowsBothWays();
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

QTEST_MAIN(TestRecordGrid)
#include "test_recordgrid.moc"
