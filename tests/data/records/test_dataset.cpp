#include "data/records/DataSet.h"
#include "data/records/DataSetModel.h"
#include "data/store/Database.h"
#include "tests/TestStore.h"

#include <QAbstractItemModelTester>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

class TestDataSet : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { WAYBILL_REQUIRE_STORE(); }
    void init();
    void cleanup();
    void emptyResult();
    void editOnEmptyAppends();
    void rowsInTableOrder();
    void postWritesLoadedRowAfterMove();
    void unchangedPostKeepsRow();
    void postOfVanishedRowFails();
    void deleteRowsInOneGo();
    void whereWithBoundText_data();
    void whereWithBoundText();
    void closedSetReadsEmpty();
    void emptyTextIsStoredAsText();
    void deleteKeepsOtherRowsIntact_data();
    void deleteKeepsOtherRowsIntact();
    void largeSetsReadRowsOnDemand_data();
    void largeSetsReadRowsOnDemand();
    void editOfRowChangedElsewhere_data();
    void editOfRowChangedElsewhere();

private:
    QTemporaryDir* m_dir = nullptr;
    Database* m_db = nullptr;
    void addRecipient(const QString& name, const QString& mobile = {});
};

void TestDataSet::init()
{
    m_dir = new QTemporaryDir;
    m_db = new Database;
    QString error;
    QVERIFY2(m_db->open(TestStore::location(m_dir->filePath("data.mdb")), &error), qPrintable(error));
}

void TestDataSet::cleanup()
{
    delete m_db;
    delete m_dir;
}

void TestDataSet::addRecipient(const QString& name, const QString& mobile)
{
    QVERIFY(m_db->exec(QStringLiteral("INSERT INTO inr (姓名, 手机) VALUES (?, ?)"), {name, mobile}));
}

void TestDataSet::emptyResult()
{
    DataSet s;
    s.setDatabase(m_db);
    QVERIFY(s.open("outr"));
    QVERIFY(s.isOpen());
    QCOMPARE(s.recordCount(), 0);
    QCOMPARE(s.recNo(), -1);
    QVERIFY(s.eof());
    QCOMPARE(s.value(QStringLiteral("姓名")), QString());
    QCOMPARE(s.statement(), QStringLiteral("select * from outr"));
}

void TestDataSet::editOnEmptyAppends()
{
    DataSet s;
    s.setDatabase(m_db);
    QVERIFY(s.open("outr"));
    QVERIFY(s.edit());
    QCOMPARE(s.state(), DataSet::State::Insert);
    QCOMPARE(s.recNo(), -1);
    QVERIFY(s.setValue(QStringLiteral("年"), "2024"));
    QVERIFY(s.setValue(QStringLiteral("月"), "03"));
    QVERIFY(s.setValue(QStringLiteral("日"), "07"));
    QString error;
    QVERIFY2(s.post(&error), qPrintable(error));
    QCOMPARE(s.recordCount(), 1);
    QCOMPARE(s.recNo(), 1);
    QCOMPARE(s.value(QStringLiteral("月")), QStringLiteral("03"));
    DataSet again;
    again.setDatabase(m_db);
    QVERIFY(again.open("outr"));
    QCOMPARE(again.recordCount(), 1);
    QCOMPARE(again.value(QStringLiteral("姓名")), QString());
    QCOMPARE(again.value(QStringLiteral("日")), QStringLiteral("07"));
}

void TestDataSet::rowsInTableOrder()
{
    for (const char* n : {"甲", "乙", "丙"})
        addRecipient(QString::fromUtf8(n));
    DataSet s;
    s.setDatabase(m_db);
    QVERIFY(s.open("inr"));
    QStringList names;
    for (s.first(); !s.eof(); s.next())
        names << s.value(QStringLiteral("姓名"));
    QCOMPARE(names, QStringList({"甲", "乙", "丙"}));
    QCOMPARE(s.recNo(), 3);
    s.prior();
    QCOMPARE(s.recNo(), 2);
}

void TestDataSet::postWritesLoadedRowAfterMove()
{
    addRecipient("甲");
    addRecipient("乙");
    DataSet s;
    s.setDatabase(m_db);
    QVERIFY(s.open("inr"));
    QVERIFY(s.moveTo(1));
    QVERIFY(s.edit());
    QVERIFY(s.setValue(QStringLiteral("姓名"), QStringLiteral("乙改")));
    QVERIFY(s.post());
    // Another set moves and edits its own first row; ours is unaffected.
    DataSet other;
    other.setDatabase(m_db);
    QVERIFY(other.open("inr"));
    QCOMPARE(other.value(QStringLiteral("姓名")), QStringLiteral("甲"));
    other.next();
    QCOMPARE(other.value(QStringLiteral("姓名")), QStringLiteral("乙改"));
}

void TestDataSet::unchangedPostKeepsRow()
{
    addRecipient("甲", "13800138000");
    DataSet s;
    s.setDatabase(m_db);
    QVERIFY(s.open("inr"));
    QVERIFY(s.edit());
    QVERIFY(s.post());
    QCOMPARE(s.recordCount(), 1);
    QCOMPARE(s.value(QStringLiteral("手机")), QStringLiteral("13800138000"));
}

void TestDataSet::postOfVanishedRowFails()
{
    addRecipient("甲");
    DataSet s;
    s.setDatabase(m_db);
    QVERIFY(s.open("inr"));
    QVERIFY(m_db->exec(QStringLiteral("DELETE FROM inr")));
    QVERIFY(!s.rowExists(s.currentRowId()));
    QVERIFY(s.edit());
    QVERIFY(s.setValue(QStringLiteral("姓名"), "乙"));
    QString error;
    QVERIFY(!s.post(&error));
    QVERIFY(!error.isEmpty());
    DataSet check;
    check.setDatabase(m_db);
    QVERIFY(check.open("inr"));
    QCOMPARE(check.recordCount(), 0);
}

void TestDataSet::deleteRowsInOneGo()
{
    for (int i = 0; i < 6; ++i)
        addRecipient(QString::number(i));
    DataSet s;
    s.setDatabase(m_db);
    QVERIFY(s.open("inr"));
    QVERIFY(s.deleteRows({4, 1, 1, 2}));
    QCOMPARE(s.recordCount(), 3);
    QStringList left;
    for (s.first(); !s.eof(); s.next())
        left << s.value(QStringLiteral("姓名"));
    QCOMPARE(left, QStringList({"0", "3", "5"}));
    QVERIFY(s.reopen());
    QCOMPARE(s.recordCount(), 3);
}

void TestDataSet::whereWithBoundText_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<int>("expected");
    QTest::newRow("plain") << "张" << 2;
    QTest::newRow("double quote") << "\"" << 1;
    QTest::newRow("statement text") << "\" or 1=1 --" << 0;
}

void TestDataSet::whereWithBoundText()
{
    QFETCH(QString, pattern);
    QFETCH(int, expected);
    addRecipient("张三");
    addRecipient("老张");
    addRecipient("李\"四");
    DataSet s;
    s.setDatabase(m_db);
    QVERIFY(s.open("inr", m_db->containsText(QStringLiteral("姓名")), {pattern}));
    QCOMPARE(s.recordCount(), expected);
}

void TestDataSet::closedSetReadsEmpty()
{
    addRecipient("甲");
    DataSet s;
    s.setDatabase(m_db);
    QVERIFY(s.open("inr"));
    s.close();
    QVERIFY(!s.isOpen());
    QCOMPARE(s.recNo(), -1);
    QCOMPARE(s.value(QStringLiteral("姓名")), QString());
    QVERIFY(!s.edit());
    QVERIFY(!s.open("inr; drop table inr"));
}

void TestDataSet::emptyTextIsStoredAsText()
{
    DataSet s;
    s.setDatabase(m_db);
    QVERIFY(s.open("inr"));
    QVERIFY(s.append());
    QVERIFY(s.setValue(QStringLiteral("姓名"), QString()));
    QVERIFY(s.setValue(QStringLiteral("快递单号"), QStringLiteral("")));
    QVERIFY(s.post());
    QSqlQuery q(m_db->db());
    QVERIFY(q.exec("SELECT 姓名 IS NULL, 快递单号 IS NULL, 城市 IS NULL FROM inr"));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toInt(), 0);
    QCOMPARE(q.value(1).toInt(), 0);
    QCOMPARE(q.value(2).toInt(), 1); // never set: no value
}

void TestDataSet::deleteKeepsOtherRowsIntact_data()
{
    QTest::addColumn<QList<int>>("doomed");
    QTest::addColumn<int>("current"); // where the list stands afterwards
    QTest::newRow("first") << QList<int>{0} << 0;
    QTest::newRow("last") << QList<int>{9} << 8;
    QTest::newRow("last three") << QList<int>{7, 8, 9} << 6;
    QTest::newRow("scattered") << QList<int>{1, 4, 5, 8} << 1;
    QTest::newRow("all") << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9} << -1;
}

void TestDataSet::deleteKeepsOtherRowsIntact()
{
    QFETCH(QList<int>, doomed);
    QFETCH(int, current);
    // Texts of different lengths, empty ones and Chinese, so that a row
    // store that mixes up offsets shows it.
    QStringList names, mobiles;
    for (int i = 0; i < 10; ++i) {
        names << (i % 3 == 0 ? QString() : QString(i, QChar(0x5F20 + i)));
        mobiles << QString::number(13800138000LL + i * 7);
        addRecipient(names.last(), mobiles.last());
    }
    DataSet s;
    s.setDatabase(m_db);
    QVERIFY(s.open("inr"));
    QVERIFY(s.deleteRows(doomed));
    // On the row after the first deleted one, or the new last one; never
    // past the end.
    QCOMPARE(s.currentRow(), current);
    QStringList keptNames, keptMobiles;
    for (int i = 0; i < 10; ++i) {
        if (!doomed.contains(i)) {
            keptNames << names[i];
            keptMobiles << mobiles[i];
        }
    }
    QCOMPARE(s.recordCount(), keptNames.size());
    for (int r = 0; r < s.recordCount(); ++r) {
        QCOMPARE(s.value(r, s.fieldIndex("姓名")), keptNames[r]);
        QCOMPARE(s.value(r, s.fieldIndex("手机")), keptMobiles[r]);
    }
    if (s.recordCount() > 0) {
        // Editing a surviving row writes that row and no other.
        QVERIFY(s.moveTo(s.recordCount() - 1));
        QVERIFY(s.edit());
        QVERIFY(s.setValue("姓名", "改过"));
        QVERIFY(s.post());
        QVERIFY(s.reopen());
        QCOMPARE(s.value(s.recordCount() - 1, s.fieldIndex("姓名")), QStringLiteral("改过"));
        QCOMPARE(s.value(s.recordCount() - 1, s.fieldIndex("手机")), keptMobiles.last());
        if (s.recordCount() > 1)
            QCOMPARE(s.value(0, s.fieldIndex("姓名")), keptNames.first());
    }
}

void TestDataSet::largeSetsReadRowsOnDemand_data()
{
    QTest::addColumn<QString>("where"); // over 序号 1..rows, named 收件人<序号>
    QTest::addColumn<int>("step");      // the rows the set holds: every step-th
    QTest::addColumn<bool>("scan");     // opened as a search that reads every row
    QTest::addColumn<bool>("grow");     // its scan left to the event loop before anything is read
    QTest::addColumn<int>("rows");
    QTest::newRow("whole table") << QString() << 1 << false << false << 20000;
    QTest::newRow("scattered result") << QStringLiteral("\"序号\" % 7 = 0") << 7 << false << false << 20000;
    QTest::newRow("scanned result") << QStringLiteral("\"序号\" % 2 = 0") << 2 << true << false << 20000;
    QTest::newRow("scanned in steps") << QStringLiteral("\"序号\" % 3 = 0") << 3 << true << true << 20000;
    // Long enough that the far part is read on a connection of its own.
    QTest::newRow("scanned in two parts") << QStringLiteral("\"序号\" % 3 = 0") << 3 << true << true << 90000;
}

// Rows are read in blocks as they are asked for, only a few blocks are
// kept: every row still reads right, forwards, backwards, after a change
// made through the set and after rows vanished under it.
void TestDataSet::largeSetsReadRowsOnDemand()
{
    QFETCH(QString, where);
    QFETCH(int, step);
    QFETCH(bool, scan);
    QFETCH(bool, grow);
    QFETCH(int, rows);
    const QString fill =
        QStringLiteral("WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < %1) "
                       "INSERT INTO inr (姓名) SELECT '收件人' || i FROM c")
            .arg(rows);
    QVERIFY(m_db->exec(fill));
    DataSet s;
    s.setDatabase(m_db);
    QVERIFY(scan ? s.openScan(QStringLiteral("inr"), where, {}) : s.open(QStringLiteral("inr"), where));
    const int count = rows / step;
    // A scan opens with its first rows; a grid grows to them all as events
    // are handled, and recordCount() is the whole count at any time.
    QCOMPARE(s.isScanning(), scan);
    {
        DataSetModel grid(&s);
        QAbstractItemModelTester tester(&grid, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(grid.rowCount() < count, scan);
        if (grow) {
            QVERIFY(s.reopen()); // a refresh while scanning scans afresh
            QVERIFY(grid.rowCount() < count);
            QTRY_COMPARE(grid.rowCount(), count);
            // A set deleted while it scans leaves no step behind.
            auto* gone = new DataSet;
            gone->setDatabase(m_db);
            QVERIFY(gone->openScan(QStringLiteral("inr"), where, {}));
            QVERIFY(gone->isScanning());
            delete gone;
            QTest::qWait(50);
            // A store failing under a scan: the set says it stopped short.
            QTemporaryDir dir;
            Database lost;
            QVERIFY(lost.open(dir.filePath(QStringLiteral("cut.mdb")), nullptr, true));
            QVERIFY(lost.exec(fill));
            DataSet cut;
            cut.setDatabase(&lost);
            QVERIFY(cut.openScan(QStringLiteral("inr"), where, {}));
            QVERIFY(cut.isScanning());
            QVERIFY(lost.exec(QStringLiteral("DROP TABLE inr")));
            QTRY_VERIFY(!cut.isScanning());
            QVERIFY(!cut.scanError().isEmpty());
            QVERIFY(s.scanError().isEmpty());
        }
        QCOMPARE(s.recordCount(), count);
        QCOMPARE(grid.rowCount(), count);
    }
    const int name = s.fieldIndex(QStringLiteral("姓名"));
    auto expected = [&](int row) { return QStringLiteral("收件人%1").arg((row + 1) * step); };
    // Far from the rows read so far first: the middle, the end, a third,
    // then a row found by its key before its page was read.
    for (int row : {count / 2, count - 1, count / 3, 1})
        QCOMPARE(s.value(row, name), expected(row));
    QCOMPARE(s.rowOfId(qint64(count * 2 / 3 + 1) * step), count * 2 / 3);
    for (int row = 0; row < count; ++row)
        QCOMPARE(s.value(row, name), expected(row));
    for (int row = count - 1; row >= 0; row -= 97)
        QCOMPARE(s.value(row, name), expected(row));

    // An edit far from the rows read last, then the first row again.
    QVERIFY(s.moveTo(count / 2));
    QVERIFY(s.edit());
    QVERIFY(s.setValue(QStringLiteral("姓名"), QStringLiteral("改")));
    QVERIFY(s.post());
    QCOMPARE(s.value(0, name), expected(0));
    QCOMPARE(s.value(count / 2, name), QStringLiteral("改"));

    // Rows deleted by another connection read as empty; the others stay right.
    Database other;
    QString error;
    QVERIFY2(other.open(m_db->path(), &error, false), qPrintable(error));
    QVERIFY(other.exec(QStringLiteral("DELETE FROM inr WHERE \"序号\" = ?"), {qint64(3 * step)}));
    QVERIFY(s.reopen());
    QCOMPARE(s.recordCount(), count - 1);
    QCOMPARE(s.value(2, name), expected(3));
    QVERIFY(other.exec(QStringLiteral("DELETE FROM inr WHERE \"序号\" = ?"), {qint64(2 * step)}));
    s.close();
    QVERIFY(s.open(QStringLiteral("inr"), where));
    QVERIFY(other.exec(QStringLiteral("DELETE FROM inr WHERE \"序号\" = ?"), {qint64(step)}));
    QCOMPARE(s.value(0, name), QString());
    QCOMPARE(s.value(1, name), expected(3));
}

void TestDataSet::editOfRowChangedElsewhere_data()
{
    QTest::addColumn<QString>(
        "theirs"); // what another computer wrote into 地址 meanwhile; null: it deleted the row
    QTest::addColumn<QString>("mine"); // what this edit writes there
    QTest::addColumn<bool>("stored");
    QTest::addColumn<QString>("message"); // the refusal's text when nothing was stored
    QTest::newRow("changed under the edit") << "新地址"
                                            << "旧地址" << false << DataSet::changedElsewhereMessage();
    QTest::newRow("both wrote the same") << "新地址"
                                         << "新地址" << true << QString();
    QTest::newRow("other column only") << "旧地址"
                                       << "旧地址" << true << QString();
    QTest::newRow("deleted under the edit")
        << QString() << "旧地址" << false << QStringLiteral("记录已不存在");
}

// Two computers on one row: an edit that would overwrite the other's change
// unseen stores nothing and says so; one that loses nothing goes through.
void TestDataSet::editOfRowChangedElsewhere()
{
    QFETCH(QString, theirs);
    QFETCH(QString, mine);
    QFETCH(bool, stored);
    QFETCH(QString, message);
    QVERIFY(m_db->exec(QStringLiteral("INSERT INTO inr (姓名, 地址, 备注) VALUES ('甲', '旧地址', '')")));
    DataSet s;
    s.setDatabase(m_db);
    QVERIFY(s.open("inr"));
    QVERIFY(s.edit());
    Database other;
    QString error;
    QVERIFY2(other.open(m_db->path(), &error, false), qPrintable(error));
    if (theirs.isNull())
        QVERIFY(other.exec(QStringLiteral("DELETE FROM inr")));
    else
        QVERIFY(other.exec(QStringLiteral("UPDATE inr SET 地址 = ?, 备注 = '他改的'"), {theirs}));
    QVERIFY(s.setValue(QStringLiteral("姓名"), QStringLiteral("乙")));
    QVERIFY(s.setValue(QStringLiteral("地址"), mine));
    QCOMPARE(s.post(&error), stored);
    if (!stored)
        QCOMPARE(error, message);
    DataSet check;
    check.setDatabase(&other);
    QVERIFY(check.open("inr"));
    if (theirs.isNull()) {
        QCOMPARE(check.recordCount(), 0); // nothing brought back either
        return;
    }
    QCOMPARE(check.value(QStringLiteral("姓名")), stored ? QStringLiteral("乙") : QStringLiteral("甲"));
    QCOMPARE(check.value(QStringLiteral("地址")), theirs);
    QCOMPARE(check.value(QStringLiteral("备注")), QStringLiteral("他改的"));
}

QTEST_GUILESS_MAIN(TestDataSet)
#include "test_dataset.moc"
