#include "../TestStore.h"
#include "app/DataMaintenance.h"
#include "data/records/DataSet.h"
#include "data/store/Database.h"
#include "exchange/DatabaseBackup.h"
#include "gui/widgets/Dialogs.h"

#include <QFileInfo>
#include <QProgressDialog>
#include <QPushButton>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <memory>

// Export, backup and restore run beside the event loop: it turns while they
// work, and a cancel through the progress dialog leaves everything as it was.
class TestDataMaintenance : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void workKeepsLoopTurning_data();
    void workKeepsLoopTurning();

private:
    int recipientCount();

    static constexpr int kRows = 20000;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Database> m_db;
    QString m_location;
};

void TestDataMaintenance::initTestCase()
{
    WAYBILL_REQUIRE_STORE();
    Dialogs::setScripted(true);
}

void TestDataMaintenance::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_location = TestStore::location(m_dir->filePath("data.mdb"));
    m_db = std::make_unique<Database>();
    QString err;
    QVERIFY2(m_db->open(m_location, &err), qPrintable(err));
    QVERIFY(m_db->db().transaction());
    bool cancelled = false;
    QVERIFY2(m_db->appendRows(
                 "inr", {"姓名", "手机"}, kRows,
                 [](int r, QVector<QVariant>& v) {
                     v[0] = QString("收件人%1").arg(r);
                     v[1] = QString::number(13800000000LL + r);
                 },
                 {}, &cancelled, &err),
             qPrintable(err));
    QVERIFY(m_db->db().commit());
    Dialogs::clear();
}

void TestDataMaintenance::cleanup()
{
    m_db.reset();
    m_dir.reset();
}

int TestDataMaintenance::recipientCount()
{
    Database db;
    QSqlQuery q(db.open(m_location, nullptr, false) ? db.db() : QSqlDatabase());
    return q.exec("SELECT count(*) FROM inr") && q.next() ? q.value(0).toInt() : -1;
}

void TestDataMaintenance::workKeepsLoopTurning_data()
{
    QTest::addColumn<QString>("job");
    QTest::addColumn<bool>("cancel");
    for (const char* job : {"export", "backup", "restore"}) {
        QTest::addRow("%s", job) << QString(job) << false;
        QTest::addRow("%s cancelled", job) << QString(job) << true;
    }
}

void TestDataMaintenance::workKeepsLoopTurning()
{
    QFETCH(QString, job);
    QFETCH(bool, cancel);
    QWidget owner;
    // The restore brings back a backup of the rows over a list of one.
    const QString before = m_dir->filePath("before.bak");
    if (job == "restore") {
        QString err;
        QVERIFY2(DatabaseBackup::backup(m_location, before, &err), qPrintable(err));
        QVERIFY(m_db->exec("DELETE FROM inr"));
        QVERIFY(m_db->exec("INSERT INTO inr (姓名) VALUES ('后来的')"));
    }
    const int rowsBefore = recipientCount();

    int ticks = 0;
    QTimer ticker;
    ticker.setInterval(0);
    connect(&ticker, &QTimer::timeout, this, [&] {
        ++ticks;
        auto* progress = owner.findChild<QProgressDialog*>();
        if (cancel && progress && ticks == 1)
            progress->findChild<QPushButton*>()->click(); // "取消"
    });
    ticker.start();
    int closings = 0;
    const QString written = m_dir->filePath(job == "export" ? "list.xlsx" : "copy.bak");
    if (job == "export") {
        DataSet list;
        list.setDatabase(m_db.get());
        QVERIFY(list.open("inr"));
        Dialogs::answerFile(written);
        DataMaintenance::exportList(&owner, list);
    } else if (job == "backup") {
        Dialogs::answerFile(written);
        DataMaintenance::backup(&owner, m_location);
    } else {
        Dialogs::answerFile(before);
        const bool restored = DataMaintenance::restore(&owner, m_location, [&] {
            ++closings;
            m_db->close();
        });
        QCOMPARE(restored, !cancel);
        QCOMPARE(closings, cancel ? 0 : 1);
    }
    ticker.stop();
    qInfo("%s: %d event loop turns", qPrintable(job), ticks);
    QVERIFY(ticks > 0);

    QStringList kinds;
    for (const Dialogs::Shown& d : Dialogs::shown())
        kinds << d.kind;
    if (cancel) {
        // Nothing written, nothing replaced, nothing said.
        QCOMPARE(kinds.size(), 1);
        if (job != "restore")
            QVERIFY(!QFileInfo::exists(written));
        QCOMPARE(recipientCount(), rowsBefore);
        return;
    }
    const QString said = Dialogs::lastShown().text;
    QCOMPARE(kinds.size(), 2);
    if (job == "export")
        QVERIFY2(said.startsWith(QStringLiteral("成功导出全部数据!")) &&
                     said.contains(QString::number(kRows)),
                 qPrintable(said));
    else
        QCOMPARE(said, job == "backup" ? QStringLiteral("数据备份成功！") : QStringLiteral("数据恢复成功！"));
    if (job != "restore")
        QVERIFY(QFileInfo(written).size() > 0);
    QCOMPARE(recipientCount(), kRows);
}

QTEST_MAIN(TestDataMaintenance)
#include "test_datamaintenance.moc"
