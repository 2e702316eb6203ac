#include "data/store/Database.h"
#include "data/tracking/PrintHistory.h"
#include "gui/widgets/PrintHistoryWindow.h"
#include "gui/widgets/ScreenFit.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QtTest>

// The print history window after the list changed under it: each waybill
// shows what it was printed with, a print cut short says so, and an entry
// from before the waybills were kept shows as it always did.
class TestPrintHistoryWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void shows_data();
    void shows();
    void searches_data();
    void searches();

private:
    Database m_db;
};

namespace {
const QString kPath = QStringLiteral("history.mdb");

PrintHistory::Entry entry(const QList<qint64>& serials, const QStringList& numbers)
{
    PrintHistory::Entry e;
    e.when = QDateTime(QDate(2024, 5, 6), QTime(9, 30));
    e.templateCode = QStringLiteral("sf");
    e.variant = QStringLiteral("batch");
    e.toPdf = true;
    e.serials = serials;
    e.numbers = numbers;
    return e;
}
} // namespace

void TestPrintHistoryWindow::initTestCase()
{
    QFile::remove(kPath);
    QString error;
    QVERIFY2(m_db.open(kPath, &error), qPrintable(error));
    for (int i = 1; i <= 3; ++i)
        QVERIFY(m_db.exec(
            QStringLiteral("insert into inr (\"姓名\", \"城市\", \"地址\", \"手机\") values (?, ?, ?, ?)"),
            {QStringLiteral("收件%1").arg(i), QStringLiteral("城%1").arg(i), QStringLiteral("路%1号").arg(i),
             QStringLiteral("1390000000%1").arg(i)}));
    // From before: an entry without waybills; then a complete print, then
    // one that never finished.
    QVERIFY(PrintHistory::ensureTable(m_db, &error));
    // The oldest entry: a reprint.
    PrintHistory::Entry again = entry({1}, {"STO0098"});
    again.when = QDateTime(QDate(2024, 4, 1), QTime(10, 0));
    again.reprint = true;
    QVERIFY2(PrintHistory::record(m_db, again, false, &error), qPrintable(error));
    QVERIFY(m_db.exec(
        QStringLiteral("insert into printlog (\"时间\", \"方式\", \"输出\", \"序号\", \"快递单号\") "
                       "values ('2024-05-01 08:00:00', 'batch', 'PDF', '2,3', 'H1,H2')")));
    QVERIFY2(PrintHistory::record(m_db, entry({1, 2}, {"G1", "G2"}), true, &error), qPrintable(error));
    qint64 id = -1;
    QVERIFY2(PrintHistory::begin(m_db, entry({3}, {"G3"}), &error, &id), qPrintable(error));
    QVERIFY(m_db.exec(QStringLiteral("update inr set \"姓名\" = '改名' where \"序号\" = 1")));
    QVERIFY(m_db.exec(QStringLiteral("delete from inr where \"序号\" >= 2")));
}

void TestPrintHistoryWindow::shows_data()
{
    QTest::addColumn<QString>("table"); // "EntryTable", "WaybillTable" or "summary"
    QTest::addColumn<int>("entry");     // 0: newest
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text"); // contained; after "=" the whole text
    QTest::newRow("cut short: state") << "EntryTable" << 0 << 0 << 7 << "未完成，输出可能不完整";
    QTest::newRow("cut short: summary") << "summary" << 0 << 0 << 0 << "输出可能不完整";
    QTest::newRow("cut short: name as printed") << "WaybillTable" << 0 << 0 << 2 << "收件3";
    QTest::newRow("complete: state") << "EntryTable" << 1 << 1 << 7 << "=完成";
    QTest::newRow("printed name, not the deleted row") << "EntryTable" << 1 << 1 << 5 << "收件1 等 2 人";
    QTest::newRow("name as printed") << "WaybillTable" << 1 << 0 << 2 << "收件1";
    QTest::newRow("renamed since") << "WaybillTable" << 1 << 0 << 4 << "姓名现为“改名”";
    QTest::newRow("deleted row: name") << "WaybillTable" << 1 << 1 << 2 << "收件2";
    QTest::newRow("deleted row: number") << "WaybillTable" << 1 << 1 << 3 << "G2";
    QTest::newRow("deleted row: now") << "WaybillTable" << 1 << 1 << 4 << "记录已删除";
    QTest::newRow("deleted row: mobile") << "WaybillTable" << 1 << 1 << 5 << "13900000002";
    QTest::newRow("deleted row: city") << "WaybillTable" << 1 << 1 << 6 << "城2";
    QTest::newRow("deleted row: address") << "WaybillTable" << 1 << 1 << 7 << "路2号";
    QTest::newRow("from before: as always") << "EntryTable" << 2 << 2 << 5 << "（已删除） 等 2 人";
    QTest::newRow("from before: number") << "WaybillTable" << 2 << 1 << 3 << "H2";
}

void TestPrintHistoryWindow::shows()
{
    QFETCH(QString, table);
    QFETCH(int, entry);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, text);
    PrintHistoryWindow window(kPath);
    QVERIFY(window.reload());
    QCOMPARE(window.entryCount(), 4);
    window.selectEntry(entry);
    QString shown;
    if (table == QLatin1String("summary")) {
        for (const QLabel* label : window.findChildren<QLabel*>())
            shown += label->text();
    } else {
        const QTableWidgetItem* item = window.findChild<QTableWidget*>(table)->item(row, column);
        QVERIFY(item);
        shown = item->text();
    }
    if (text.startsWith(QLatin1Char('=')))
        QCOMPARE(shown, text.mid(1));
    else
        QVERIFY2(shown.contains(text), qPrintable(shown));
}

void TestPrintHistoryWindow::searches_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("shown");
    QTest::newRow("nothing typed") << "" << 4;
    QTest::newRow("number") << "g2" << 1;
    QTest::newRow("name") << "收件3" << 1;
    QTest::newRow("mobile") << "13900000001" << 2;
    QTest::newRow("day") << "2024-05-06" << 2;
    QTest::newRow("day, digits") << "20240501" << 1;
    QTest::newRow("number, entry from before") << "H1" << 1;
    QTest::newRow("none") << "zzz" << 0;
}

void TestPrintHistoryWindow::searches()
{
    QFETCH(QString, text);
    QFETCH(int, shown);
    PrintHistoryWindow window(kPath);
    QVERIFY(window.reload());
    window.findChild<QLineEdit*>(QStringLiteral("HistorySearch"))->setText(text);
    QCOMPARE(window.shownCount(), shown);
    if (!text.isEmpty())
        return;
    // A reprint says so; numbers in a face with a zero unlike an O.
    const auto* entries = window.findChild<QTableWidget*>(QStringLiteral("EntryTable"));
    QCOMPARE(entries->item(3, 7)->text(), QStringLiteral("重印"));
    const QString face = QFontInfo(entries->item(3, 6)->font()).family();
    QVERIFY2(face == QLatin1String("Hack") || face == QLatin1String("DejaVu Sans Mono"), qPrintable(face));
    // On a screen smaller than the window's size its buttons stay in view.
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QRect room = window.screen()->availableGeometry();
    const QMargins frame = ScreenFit::frameGuess();
    QVERIFY2(window.width() + frame.left() + frame.right() <= room.width() &&
                 window.height() + frame.top() + frame.bottom() <= room.height(),
             qPrintable(QStringLiteral("%1 x %2").arg(window.width()).arg(window.height())));
    for (const QPushButton* b : window.findChildren<QPushButton*>())
        QVERIFY(window.rect().contains(QRect(b->mapTo(&window, QPoint()), b->size())));
}

QTEST_MAIN(TestPrintHistoryWindow)
#include "test_print_history_window.moc"
