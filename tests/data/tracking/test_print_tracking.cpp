#include "data/records/DataSet.h"
#include "data/store/Database.h"
#include "data/tracking/NumberSequence.h"
#include "data/tracking/PrintHistory.h"
#include "data/tracking/PrintRecording.h"
#include "data/tracking/PrintSelection.h"
#include "data/tracking/PrintedWaybills.h"
#include "data/tracking/WaybillNumber.h"
#include "tests/TestStore.h"

#include <QFile>
#include <QSqlQuery>
#include <QtTest>

#include <numeric>

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
    void historyKeepsWhatWasPrinted();
    void numbersOfTheHistoryAreTaken_data();
    void numbersOfTheHistoryAreTaken();
    void outputUnderWayIsRecordedFirst();
    void largeBatchIsRecordedWhole();

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
// A print record as files had it before prints kept their waybills and
// could be cut short: no state, no waybills.
bool makeOldRecord(Database& db, const QString& serials, const QString& numbers)
{
    return db.exec(QStringLiteral("drop table if exists printlog_item")) &&
           db.exec(QStringLiteral("drop table if exists printlog")) &&
           db.exec(QStringLiteral(
                       "create table printlog (\"编号\" %1, \"时间\" TEXT, \"模板\" TEXT, \"方式\" TEXT, "
                       "\"输出\" TEXT, \"目标\" TEXT, \"页数\" %2, \"寄件人\" %2, \"序号\" TEXT, "
                       "\"快递单号\" TEXT)")
                       .arg(db.type(Database::Type::Key), db.type(Database::Type::Integer))) &&
           db.exec(
               QStringLiteral(
                   "insert into printlog (\"时间\", \"模板\", \"方式\", \"输出\", \"页数\", "
                   "\"序号\", \"快递单号\") values ('2023-05-01 08:00:00', 'sf', 'batch', 'PDF', 2, ?, ?)"),
               {serials, numbers});
}

PrintHistory::Entry batchEntry(const QList<qint64>& serials, const QStringList& numbers)
{
    PrintHistory::Entry e;
    e.when = QDateTime(QDate(2024, 3, 7), QTime(15, 4, 9));
    e.templateCode = QStringLiteral("sf");
    e.variant = QStringLiteral("batch");
    e.serials = serials;
    e.numbers = numbers;
    return e;
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
    QTest::newRow("grows to 20 digits")
        << "9999999999999999998" << 3
        << QStringList{"9999999999999999998", "9999999999999999999", "10000000000000000000"}
        << grew(3, "9999999999999999999", "10000000000000000000");
    QTest::newRow("grows past 20 digits") << "K99999999999999999998" << 3 << QStringList{} << "";
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
    // Worked out one at a time, the same numbers and the same words.
    NumberSequence computed;
    QString computedNote, computedError;
    QCOMPARE(computed.start(first, count, &computedNote, &computedError), ok);
    QCOMPARE(computedNote, told);
    QCOMPARE(computedError, error);
    QCOMPARE(computed.size(), int(numbers.size()));
    for (int i = 0; i < numbers.size(); ++i) {
        QCOMPARE(computed.at(i), numbers.at(i));
        QCOMPARE(computed.indexOf(numbers.at(i)), i);
    }
    int next = 0; // the ranges of one width cover the numbers in order
    for (const NumberSequence::Span& s : computed.spans()) {
        QCOMPARE(computed.indexOf(s.from), next);
        QCOMPARE(s.to.size(), s.from.size());
        next = computed.indexOf(s.to) + 1;
    }
    QCOMPARE(next, computed.size());
    if (ok) { // a width it does not give ("A010"), and one past the end
        const QString last = numbers.last();
        QCOMPARE(computed.indexOf(QString(last).insert(last.indexOf(QRegularExpression("\\d")), '0')), -1);
        QCOMPARE(computed.indexOf(last + '0'), -1);
    }
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
    PrintHistory::Conflicts conflicts;
    QString error;
    // Row 2 keeps its own number; row 3 would take the one of an imported row.
    QVERIFY(
        PrintHistory::numbersInUse(m_db, QStringLiteral("inr"), {2, 3}, {"A10", "A11"}, &conflicts, &error));
    QCOMPARE(conflicts.count, 1);
    QVERIFY2(conflicts.lines.first().contains("A11") && conflicts.lines.first().contains("导入"),
             qPrintable(conflicts.lines.first()));
    QVERIFY(
        PrintHistory::numbersInUse(m_db, QStringLiteral("inr"), {3, 4}, {"A10", "A12"}, &conflicts, &error));
    QCOMPARE(conflicts.count, 1);
    QVERIFY(conflicts.lines.first().contains("收件2"));
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
    // Told of B1 only: B2 is refused alone.
    second.acceptedTaken = QBitArray(1, true);
    QVERIFY(!PrintHistory::record(m_db, second, true, &error));
    QVERIFY2(error.contains("B2") && !error.contains("B1"), qPrintable(error));
    second.acceptedTaken = QBitArray(2, true);
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
    PrintHistory::Conflicts conflicts;
    QVERIFY2(recording.giveNumbers(QStringLiteral("C1"), &note, &conflicts, &error), qPrintable(error));
    QCOMPARE(recording.numbers().size(), 2);
    QCOMPARE(recording.numbersByRow().numberOf(1), QStringLiteral("C1"));
    QCOMPARE(recording.numbersByRow().numberOf(2), QStringLiteral("C2"));
    QVERIFY(recording.numbersByRow().numberOf(0).isNull());
    QCOMPARE(conflicts.count, 1);
    QVERIFY2(conflicts.lines.first().contains("收件6"), qPrintable(conflicts.lines.first()));
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
    // Their rows cleared, the numbers stay taken: the history shows them given.
    QVERIFY(PrintHistory::clearMarks(m_db, QStringLiteral("inr"), {2, 3}, &error));
    recording.setRows({4});
    QVERIFY2(recording.giveNumbers(QStringLiteral("C1"), &note, &conflicts, &error), qPrintable(error));
    QCOMPARE(conflicts.count, 1);
    QVERIFY2(conflicts.lines.first().contains("打印给“收件2”"), qPrintable(conflicts.lines.first()));
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

// Each waybill keeps the texts it was printed with: the record stays true
// when its row is edited, deleted or the list replaced, whoever recorded it;
// entries from before the waybills were kept still list as they did.
void TestPrintTracking::historyKeepsWhatWasPrinted()
{
    QVERIFY(makeOldRecord(m_db, QStringLiteral("1,5"), QStringLiteral("E1,E2")));
    QVERIFY(m_db.exec(QStringLiteral("update inr set \"城市\" = '郑州', \"地址\" = '花园路' || \"序号\", "
                                     "\"手机\" = '1380013800' || \"序号\"")));
    DataSet recipients;
    recipients.setDatabase(&m_db);
    QVERIFY(recipients.open(QStringLiteral("inr")));
    PrintRecording recording;
    recording.setData(nullptr, &recipients);
    recording.setRows({3, 1}); // 收件4, 收件2
    QString note, error;
    PrintHistory::Conflicts conflicts;
    QVERIFY2(recording.giveNumbers(QStringLiteral("D7"), &note, &conflicts, &error), qPrintable(error));
    QCOMPARE(recording.numbersByRow().numberOf(1), QStringLiteral("D8"));
    PrintHistory::Entry entry;
    entry.variant = QStringLiteral("batch");
    QVERIFY2(recording.record(entry, true, &error), qPrintable(error));
    // Recorded by rows only: the rows as they stand.
    QVERIFY2(PrintHistory::record(m_db, batchEntry({6}, {}), true, &error), qPrintable(error));

    QVERIFY(m_db.exec(QStringLiteral("update inr set \"姓名\" = '改了', \"地址\" = '' where \"序号\" = 4")));
    QVERIFY(m_db.exec(QStringLiteral("delete from inr where \"序号\" <> 4")));
    QList<PrintHistory::Entry> all;
    QVERIFY(PrintHistory::entries(m_db, &all, &error));
    QCOMPARE(all.size(), 3);
    const PrintHistory::Entry old = all.takeFirst();
    QVERIFY(old.complete && old.waybills.isEmpty());
    QCOMPARE(old.serials, (QList<qint64>{1, 5}));
    QCOMPARE(old.numbers, (QStringList{"E1", "E2"}));
    QStringList got;
    for (const PrintHistory::Entry& e : all)
        for (const PrintHistory::Waybill& w : e.waybills)
            got << QStringLiteral("%1 %2 %3 %4 %5 %6")
                       .arg(w.serial)
                       .arg(w.name, w.city, w.address, w.mobile, w.number);
    QCOMPARE(got, (QStringList{"4 收件4 郑州 花园路4 13800138004 D7", "2 收件2 郑州 花园路2 13800138002 D8",
                               "6 收件6 郑州 花园路6 13800138006 "}));
    QVERIFY(all.first().complete && all.last().complete);
}

void TestPrintTracking::numbersOfTheHistoryAreTaken_data()
{
    QTest::addColumn<QString>("since");    // what happened after D7 went to 收件2 (serial 2)
    QTest::addColumn<qint64>("serial");    // the row asking for D7 now
    QTest::addColumn<QStringList>("said"); // in the one line about D7
    QTest::newRow("row deleted") << "delete from inr where \"序号\" = 2" << qint64(3)
                                 << QStringList{"D7", "打印给“收件2”（收件人序号 2）"};
    QTest::newRow("marks cleared") << "update inr set \"快递单号\" = '', \"已打印\" = ''" << qint64(3)
                                   << QStringList{"D7", "收件2"};
    QTest::newRow("list replaced") << "delete from inr; insert into inr (\"姓名\") values ('新')" << qint64(7)
                                   << QStringList{"D7", "收件2"};
    QTest::newRow("given twice")
        << "update inr set \"快递单号\" = '', \"已打印\" = ''; "
           "insert into printlog_item (\"打印记录\", \"张次\", \"序号\", \"姓名\", "
           "\"快递单号\") select \"打印记录\", \"张次\" + 2, 5, '再次', \"快递单号\" "
           "from printlog_item"
        << qint64(3) << QStringList{"D7", "打印给“收件2”"};
    QTest::newRow("the same row again") << "" << qint64(2) << QStringList{"D7", "就是这次要打印的这一行"};
    QTest::newRow("print cut short") << "begin" << qint64(3) << QStringList{"D7", "未完成", "收件2"};
    QTest::newRow("entry from before") << "old" << qint64(3) << QStringList{"D7", "收件人序号 2"};
}

// A number the history shows given is taken, whatever became of its row.
void TestPrintTracking::numbersOfTheHistoryAreTaken()
{
    QFETCH(QString, since);
    QFETCH(qint64, serial);
    QFETCH(QStringList, said);
    QString error;
    if (since == QLatin1String("old")) {
        QVERIFY(makeOldRecord(m_db, QStringLiteral("1,2"), QStringLiteral("D6,D7")));
    } else if (since == QLatin1String("begin")) {
        qint64 id = -1;
        QVERIFY2(PrintHistory::begin(m_db, batchEntry({1, 2}, {"D6", "D7"}), &error, &id), qPrintable(error));
    } else {
        QVERIFY2(PrintHistory::record(m_db, batchEntry({1, 2}, {"D6", "D7"}), true, &error),
                 qPrintable(error));
        for (const QString& sql : since.split(QLatin1Char(';'), Qt::SkipEmptyParts))
            QVERIFY(m_db.exec(sql));
    }
    PrintHistory::Conflicts conflicts;
    QVERIFY2(PrintHistory::numbersInUse(m_db, QStringLiteral("inr"), {serial}, {"D7"}, &conflicts, &error),
             qPrintable(error));
    QCOMPARE(conflicts.taken, QBitArray(1, true));
    QCOMPARE(conflicts.count, 1);
    QCOMPARE(conflicts.lines.size(), 1);
    for (const QString& part : said)
        QVERIFY2(conflicts.lines.first().contains(part), qPrintable(conflicts.lines.first()));
    // A number never given is free.
    QVERIFY(PrintHistory::numbersInUse(m_db, QStringLiteral("inr"), {serial}, {"D8"}, &conflicts, &error));
    QVERIFY(conflicts.isEmpty() && conflicts.lines.isEmpty());
}

// Output a kill can cut short: the entry is stored, not complete, before
// the output; the rows are marked only when it is finished; an output that
// failed takes its entry away; and a second computer is refused the numbers
// before it prints anything.
void TestPrintTracking::outputUnderWayIsRecordedFirst()
{
    PrintHistory::Entry e = batchEntry({1, 2}, {"F1", "F2"});
    QString error;
    QVERIFY2(PrintHistory::begin(m_db, &e, &error), qPrintable(error));
    QList<PrintHistory::Entry> all;
    QVERIFY(PrintHistory::entries(m_db, &all, &error));
    QCOMPARE(all.size(), 1);
    QVERIFY(!all.first().complete);
    QCOMPARE(all.first().waybills.value(1).name, QStringLiteral("收件2"));
    QCOMPARE(column(m_db, "select count(*) from inr where \"已打印\" <> ''"), QStringList{"0"});

    Database other;
    QVERIFY2(other.open(m_db.path(), &error, false), qPrintable(error));
    PrintHistory::Entry second = batchEntry({3, 4}, {"F2", "F3"});
    QVERIFY(!PrintHistory::begin(other, second, &error, &second.id));
    QVERIFY2(error.contains("没有打印") && error.contains("F2"), qPrintable(error));

    // Recorded meanwhile without marks: finishing the first marks its own rows only.
    QVERIFY2(PrintHistory::record(other, batchEntry({5}, {}), false, &error), qPrintable(error));
    e.pages = 2;
    QVERIFY2(PrintHistory::finish(m_db, e, true, &error), qPrintable(error));
    QVERIFY(PrintHistory::entries(m_db, &all, &error));
    QVERIFY(all.first().complete);
    QCOMPARE(all.first().pages, 2);
    QCOMPARE(column(m_db, "select coalesce(\"快递单号\", '') from inr order by \"序号\""),
             (QStringList{"F1", "F2", "", "", "", ""}));
    QCOMPARE(column(m_db, "select \"序号\" from inr where \"已打印\" <> '' order by \"序号\""),
             (QStringList{"1", "2"}));

    second.numbers = {"F8", "F9"};
    QVERIFY2(PrintHistory::begin(other, second, &error, &second.id), qPrintable(error));
    QVERIFY2(PrintHistory::abandon(other, second.id, &error), qPrintable(error));
    QVERIFY(PrintHistory::entries(m_db, &all, &error));
    QCOMPARE(all.size(), 2);
    QCOMPARE(column(m_db, "select count(*) from printlog_item"), QStringList{"3"});
    // Finishing an entry that is gone says so.
    QVERIFY(!PrintHistory::finish(other, second, true, &error));
    QVERIFY(!error.isEmpty());
}

// More rows than the set keeps in memory at once: every waybill is stored
// from the rows as they are read, then every row marked. Its numbers are
// looked for in several goes; those found on either side of a go's end come
// out in number order ("G10000" before "G8192").
void TestPrintTracking::largeBatchIsRecordedWhole()
{
    const int rows = 10000;
    QVERIFY(
        m_db.exec(QStringLiteral("WITH RECURSIVE k(i) AS (SELECT 7 UNION ALL SELECT i+1 FROM k WHERE i < ?) "
                                 "INSERT INTO inr (\"姓名\") SELECT 'r' || i FROM k"),
                  {rows}));
    QCOMPARE(PrintHistory::kNumbersAtOnce, 8192);
    QVERIFY(m_db.exec(QStringLiteral("insert into excel (\"姓名\", \"快递单号\") values ('导入', 'G8192'), "
                                     "('导入', 'G10000'), ('导入', 'G8191'), ('导入', 'G1a')")));
    QString error;
    QVERIFY2(PrintHistory::record(m_db, batchEntry({1}, {"G8193"}), false, &error), qPrintable(error));
    DataSet recipients;
    recipients.setDatabase(&m_db);
    QVERIFY(recipients.open(QStringLiteral("inr")));
    QList<int> all(recipients.recordCount());
    std::iota(all.begin(), all.end(), 0);
    PrintRecording recording;
    recording.setData(nullptr, &recipients);
    recording.setRows(all);
    QString note;
    PrintHistory::Conflicts conflicts;
    QVERIFY2(recording.giveNumbers(QStringLiteral("G1"), &note, &conflicts, &error), qPrintable(error));
    const auto said = [&conflicts](int from, int n) {
        QStringList out;
        for (const QString& line : conflicts.lines.mid(from, n))
            out << line.section(QLatin1Char(' '), 1, 1);
        return out;
    };
    QCOMPARE(said(0, -1), (QStringList{"G10000", "G8191", "G8192", "G8193"}));
    // The same numbers as a list are looked for a few thousand at a time.
    QStringList listed;
    QList<qint64> serials;
    for (int r = 0; r < rows; ++r) {
        listed << QStringLiteral("G%1").arg(r + 1);
        serials << recipients.value(r, recipients.fieldIndex(QStringLiteral("序号"))).toLongLong();
    }
    PrintHistory::Conflicts listConflicts;
    QVERIFY2(PrintHistory::numbersInUse(m_db, QStringLiteral("inr"), serials, listed, &listConflicts, &error),
             qPrintable(error));
    QCOMPARE(listConflicts.lines, conflicts.lines);
    QCOMPARE(listConflicts.taken, conflicts.taken);
    PrintHistory::Entry entry;
    entry.variant = QStringLiteral("batch");
    QVERIFY2(recording.begin(entry, &error), qPrintable(error));
    QCOMPARE(column(m_db,
                    "select \"姓名\" || ' ' || \"快递单号\" from printlog_item where \"张次\" in (1, 10000) "
                    "and \"打印记录\" = (select max(\"编号\") from printlog) order by \"张次\""),
             (QStringList{"收件1 G1", "r10000 G10000"}));
    QCOMPARE(column(m_db, "select count(*) from printlog_item"), QStringList{"10001"});
    QVERIFY2(recording.finish(rows, true, &error), qPrintable(error));
    QCOMPARE(column(m_db, "select count(*) from inr where \"已打印\" <> ''"), QStringList{"10000"});
    QCOMPARE(
        column(m_db, "select \"快递单号\" from inr where \"序号\" in (1, 8192, 10000) order by \"序号\""),
        (QStringList{"G1", "G8192", "G10000"}));
    // Given again, every number is in use: each said once, by its first use;
    // the first lines kept in the order they are told, all of them counted,
    // and a print of them all once the user was told.
    QVERIFY2(recording.giveNumbers(QStringLiteral("G1"), &note, &conflicts, &error), qPrintable(error));
    QCOMPARE(conflicts.count, rows);
    QCOMPARE(conflicts.lines.size(), PrintHistory::Conflicts::kLinesKept);
    QCOMPARE(said(0, 6), (QStringList{"G10000", "G8191", "G8192", "G8193", "G1", "G2"}));
    QVERIFY2(conflicts.lines.last().startsWith("单号 G196 ") && conflicts.lines.last().contains("这一行"),
             qPrintable(conflicts.lines.last()));
    QCOMPARE(conflicts.firstLines(5, QStringLiteral("另有 %1 个")).last(), QStringLiteral("另有 9995 个"));
    QCOMPARE(conflicts.taken.count(true), rows);
    QVERIFY2(recording.begin(entry, &error), qPrintable(error));
    QVERIFY2(recording.abandon(&error), qPrintable(error));
}

QTEST_GUILESS_MAIN(TestPrintTracking)
#include "test_print_tracking.moc"
