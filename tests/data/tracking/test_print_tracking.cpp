#include "data/records/DataSet.h"
#include "data/store/Database.h"
#include "data/tracking/PrintHistory.h"
#include "data/tracking/PrintRecording.h"
#include "data/tracking/PrintSelection.h"
#include "data/tracking/WaybillNumber.h"
#include "tests/TestStore.h"

#include <QFile>
#include <QSqlQuery>
#include <QtTest>

Q_DECLARE_METATYPE(PrintSelection)

// Waybill numbering, the rows a selection reads, and recording a print:
// the history entry and the rows' marks go in together or not at all.
class TestPrintTracking : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { WAYBILL_REQUIRE_STORE(); }
    void init();
    void sequence_data();
    void sequence();
    void selection_data();
    void selection();
    void recordMarksAndNumbers();
    void failedRecordLeavesNothing();
    void numbersInUse();
    void numbersGivenMeanwhileAreRefused();
    void recordingTakesWarnedNumbersOnce();
    void oldFileWithoutHistory();

private:
    Database m_db;
};

namespace {
QStringList column(Database& db, const QString& sql)
{
    QStringList out;
    QSqlQuery q(db.db());
    q.exec(sql);
    while (q.next())
        out << q.value(0).toString();
    return out;
}
} // namespace

void TestPrintTracking::init()
{
    m_db.close();
    QFile::remove(QStringLiteral("data.mdb"));
    QString error;
    QVERIFY2(m_db.open(TestStore::location(QStringLiteral("data.mdb")), &error), qPrintable(error));
    for (int i = 1; i <= 6; ++i)
        QVERIFY(m_db.exec(QStringLiteral("insert into inr (\"姓名\") values (?)"),
                          {QStringLiteral("收件%1").arg(i)}));
}

void TestPrintTracking::sequence_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("numbers"); // empty: refused
    QTest::addColumn<QString>("note");        // what the user is told of numbers that grew
    const auto grew = [](int form, const QString& from, const QString& to) {
        return QStringLiteral("第 %1 张的单号从 %2 进位到 %3，多了一位数字，请核对运单上的号码。")
            .arg(form)
            .arg(from, to);
    };
    QTest::newRow("plain") << "880012" << 3 << QStringList{"880012", "880013", "880014"} << "";
    QTest::newRow("leading zeros kept") << "0098" << 3 << QStringList{"0098", "0099", "0100"} << "";
    QTest::newRow("prefix") << " SF0999 " << 2 << QStringList{"SF0999", "SF1000"} << "";
    QTest::newRow("999 + 1 widens") << "999" << 2 << QStringList{"999", "1000"} << grew(2, "999", "1000");
    QTest::newRow("prefix widens") << "A9" << 3 << QStringList{"A9", "A10", "A11"} << grew(2, "A9", "A10");
    QTest::newRow("20 digits exact") << "12345678901234567899" << 2
                                     << QStringList{"12345678901234567899", "12345678901234567900"} << "";
    // 8 to 100 grows at 10 and again at 100: the first growth is told, once.
    QStringList twice;
    for (int n = 8; n <= 100; ++n)
        twice << QString::number(n);
    QTest::newRow("grows twice") << "8" << twice.size() << twice << grew(3, "9", "10");
    QTest::newRow("past 20 digits") << "99999999999999999999" << 2 << QStringList{} << "";
    QTest::newRow("21 digits") << "123456789012345678901" << 1 << QStringList{} << "";
    QTest::newRow("letters after digits") << "12A" << 1 << QStringList{} << "";
    QTest::newRow("no digits") << "SF" << 1 << QStringList{} << "";
    QTest::newRow("inner blank") << "SF 12" << 1 << QStringList{} << "";
}

void TestPrintTracking::sequence()
{
    QFETCH(QString, first);
    QFETCH(int, count);
    QFETCH(QStringList, numbers);
    QFETCH(QString, note);
    QStringList out;
    QString told, error;
    const bool ok = WaybillNumber::sequence(first, count, &out, &told, &error);
    QCOMPARE(ok, !numbers.isEmpty());
    QCOMPARE(out, numbers);
    QCOMPARE(told, note);
    QCOMPARE(error.isEmpty(), ok);
}

void TestPrintTracking::selection_data()
{
    QTest::addColumn<PrintSelection>("selection");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("described");
    // Rows 2 and 4 carry a printed mark.
    QTest::newRow("all") << PrintSelection::all()
                         << QStringList{"收件1", "收件2", "收件3", "收件4", "收件5", "收件6"} << "全部 6 条";
    QTest::newRow("chosen, table order")
        << PrintSelection::of({5, 2, 3}) << QStringList{"收件2", "收件3", "收件5"} << "选中 3 条";
    QTest::newRow("unprinted") << PrintSelection::unprinted()
                               << QStringList{"收件1", "收件3", "收件5", "收件6"} << "未打印 4 条";
    PrintSelection both = PrintSelection::of({1, 2, 4});
    both.unprintedOnly = true;
    QTest::newRow("chosen and unprinted") << both << QStringList{"收件1"} << "选中未打印 1 条";
    QTest::newRow("chosen, deleted since") << PrintSelection::of({99}) << QStringList{} << "选中 0 条";
}

void TestPrintTracking::selection()
{
    QFETCH(PrintSelection, selection);
    QFETCH(QStringList, names);
    QFETCH(QString, described);
    QVERIFY(m_db.exec(QStringLiteral("update inr set \"已打印\" = 'x' where \"序号\" in (2, 4)")));
    QVERIFY(m_db.exec(QStringLiteral("update inr set \"已打印\" = NULL where \"序号\" = 1")));
    DataSet set;
    set.setDatabase(&m_db);
    QString error;
    QVERIFY2(
        set.open(QStringLiteral("inr"), selection.whereClause(*set.database()), selection.binds(), &error),
        qPrintable(error));
    QStringList got;
    for (int r = 0; r < set.recordCount(); ++r)
        got << set.value(r, set.fieldIndex(QStringLiteral("姓名")));
    QCOMPARE(got, names);
    QCOMPARE(selection.describe(set.recordCount()), described);
}

void TestPrintTracking::recordMarksAndNumbers()
{
    PrintHistory::Entry e;
    e.when = QDateTime(QDate(2024, 3, 7), QTime(15, 4, 9));
    e.templateCode = QStringLiteral("sf");
    e.variant = QStringLiteral("batch");
    e.target = QStringLiteral("/tmp/x.pdf");
    e.toPdf = true;
    e.pages = 2;
    e.senderRow = 1;
    e.serials = {5, 3};
    e.numbers = {QStringLiteral("A09"), QStringLiteral("A10")};
    QString error;
    qint64 id = -1;
    QVERIFY2(PrintHistory::record(m_db, e, true, &error, &id), qPrintable(error));
    QCOMPARE(column(m_db, "select coalesce(\"已打印\", '') || '|' || coalesce(\"快递单号\", '') from inr "
                          "order by \"序号\""),
             (QStringList{"|", "|", "2024-03-07 15:04|A10", "|", "2024-03-07 15:04|A09", "|"}));
    QList<PrintHistory::Entry> all;
    QVERIFY(PrintHistory::entries(m_db, &all, &error));
    QCOMPARE(all.size(), 1);
    QCOMPARE(all.first().id, id);
    QCOMPARE(all.first().serials, (QList<qint64>{5, 3}));
    QCOMPARE(all.first().numbers, e.numbers);
    QCOMPARE(all.first().when, e.when);
    QVERIFY(all.first().toPdf);

    // Without marking: history only. Clearing takes mark and number away.
    e.serials = {1};
    e.numbers.clear();
    QVERIFY(PrintHistory::record(m_db, e, false, &error));
    QCOMPARE(column(m_db, "select count(*) from printlog"), QStringList{"2"});
    QCOMPARE(column(m_db, "select count(*) from inr where \"已打印\" <> ''"), QStringList{"2"});
    QVERIFY(PrintHistory::clearMarks(m_db, QStringLiteral("inr"), {5}, &error));
    QCOMPARE(column(m_db, "select \"序号\" from inr where \"已打印\" <> ''"), QStringList{"3"});

    QHash<qint64, PrintHistory::RowState> states;
    QVERIFY(m_db.exec(QStringLiteral("delete from inr where \"序号\" = 3")));
    QVERIFY(PrintHistory::rowStates(m_db, QStringLiteral("inr"), {5, 3}, &states, &error));
    QVERIFY(states.value(5).exists);
    QVERIFY(!states.value(3).exists);
}

void TestPrintTracking::failedRecordLeavesNothing()
{
    // A row update that fails (the column is gone from this table) must
    // take the history entry with it.
    QVERIFY(m_db.exec(QStringLiteral("drop table excel")));
    QVERIFY(m_db.exec(QStringLiteral("create table excel (\"序号\" %1, \"姓名\" TEXT)")
                          .arg(m_db.type(Database::Type::Key))));
    QVERIFY(m_db.exec(QStringLiteral("insert into excel (\"姓名\") values ('x')")));
    PrintHistory::Entry e;
    e.when = QDateTime::currentDateTime();
    e.variant = QStringLiteral("excel-batch");
    e.serials = {1};
    QString error;
    QVERIFY(!PrintHistory::record(m_db, e, true, &error));
    QVERIFY(!error.isEmpty());
    QList<PrintHistory::Entry> all;
    QVERIFY(PrintHistory::entries(m_db, &all, &error));
    QVERIFY(all.isEmpty());
}

void TestPrintTracking::numbersInUse()
{
    QVERIFY(m_db.exec(QStringLiteral("update inr set \"快递单号\" = 'A10' where \"序号\" = 2")));
    QVERIFY(m_db.exec(QStringLiteral("insert into excel (\"姓名\", \"快递单号\") values ('导入', 'A11')")));
    QStringList conflicts;
    QString error;
    // Row 2 keeps its own number; row 3 would take the one of an imported row.
    QVERIFY(
        PrintHistory::numbersInUse(m_db, QStringLiteral("inr"), {2, 3}, {"A10", "A11"}, &conflicts, &error));
    QCOMPARE(conflicts.size(), 1);
    QVERIFY2(conflicts.first().contains("A11") && conflicts.first().contains("导入"),
             qPrintable(conflicts.first()));
    QVERIFY(
        PrintHistory::numbersInUse(m_db, QStringLiteral("inr"), {3, 4}, {"A10", "A12"}, &conflicts, &error));
    QCOMPARE(conflicts.size(), 1);
    QVERIFY(conflicts.first().contains("收件2"));
}

// Two computers checked the same numbers as free; the one recording second
// stores nothing. Numbers the user was told are taken and printed anyway
// are recorded.
void TestPrintTracking::numbersGivenMeanwhileAreRefused()
{
    Database other;
    QString error;
    QVERIFY2(other.open(m_db.path(), &error, false), qPrintable(error));
    PrintHistory::Entry first;
    first.when = QDateTime::currentDateTime();
    first.variant = QStringLiteral("batch");
    first.serials = {1, 2};
    first.numbers = {"B1", "B2"};
    PrintHistory::Entry second = first;
    second.serials = {3, 4};
    QVERIFY2(PrintHistory::record(other, first, true, &error), qPrintable(error));
    QVERIFY(!PrintHistory::record(m_db, second, true, &error));
    QVERIFY2(error.contains("B1") && error.contains("收件1"), qPrintable(error));
    QCOMPARE(column(m_db, "select count(*) from printlog"), QStringList{"1"});
    QCOMPARE(column(m_db, "select count(*) from inr where \"快递单号\" = 'B1'"), QStringList{"1"});
    second.acceptedTaken = {"B1", "B2"};
    QVERIFY2(PrintHistory::record(m_db, second, true, &error), qPrintable(error));
    QCOMPARE(column(m_db, "select count(*) from inr where \"快递单号\" = 'B1'"), QStringList{"2"});
}

// The flow both printing sides share: numbers for the rows, the user told
// of one another row carries, the print recorded with it, the numbers
// then used up.
void TestPrintTracking::recordingTakesWarnedNumbersOnce()
{
    QVERIFY(m_db.exec(QStringLiteral("update inr set \"快递单号\" = 'C2' where \"序号\" = 6")));
    DataSet recipients;
    recipients.setDatabase(&m_db);
    QVERIFY(recipients.open(QStringLiteral("inr")));
    PrintRecording recording;
    recording.setData(nullptr, &recipients);
    recording.setRows({1, 2}); // 收件2, 收件3
    QString note, error;
    QStringList conflicts;
    QVERIFY2(recording.giveNumbers(QStringLiteral("C1"), &note, &conflicts, &error), qPrintable(error));
    QCOMPARE(recording.numbers(), (QStringList{"C1", "C2"}));
    QCOMPARE(conflicts.size(), 1);
    QVERIFY2(conflicts.first().contains("收件6"), qPrintable(conflicts.first()));
    PrintHistory::Entry entry;
    entry.variant = QStringLiteral("batch");
    entry.pages = 2;
    QVERIFY2(recording.record(entry, true, &error), qPrintable(error));
    QCOMPARE(column(m_db, "select coalesce(\"快递单号\", '') from inr order by \"序号\""),
             (QStringList{"", "C1", "C2", "", "", "C2"}));
    QVERIFY(recording.numbers().isEmpty());
    // Printed again: recorded without numbers, the marks renewed.
    recording.setRows({3});
    QVERIFY2(recording.record(entry, true, &error), qPrintable(error));
    QCOMPARE(column(m_db, "select count(*) from printlog"), QStringList{"2"});
    QCOMPARE(column(m_db, "select count(*) from inr where \"已打印\" <> ''"), QStringList{"3"});
    // A first number that is none keeps no numbers.
    recording.setRows({0});
    QVERIFY(!recording.giveNumbers(QStringLiteral("C"), &note, &conflicts, &error));
    QVERIFY(recording.numbers().isEmpty());
}

void TestPrintTracking::oldFileWithoutHistory()
{
    // A file from before the history opens and lists no entries; the
    // table appears with the first recorded print.
    // (A server has it from the start.)
    QCOMPARE(m_db.hasTable(PrintHistory::kTable), TestStore::serverRun());
    QList<PrintHistory::Entry> all;
    QString error;
    QVERIFY(PrintHistory::entries(m_db, &all, &error));
    QVERIFY(all.isEmpty());
    PrintHistory::Entry e;
    e.when = QDateTime::currentDateTime();
    e.variant = QStringLiteral("single");
    e.serials = {1};
    QVERIFY(PrintHistory::record(m_db, e, true, &error));
    QVERIFY(PrintHistory::entries(m_db, &all, &error));
    QCOMPARE(all.size(), 1);
}

QTEST_GUILESS_MAIN(TestPrintTracking)
#include "test_print_tracking.moc"
