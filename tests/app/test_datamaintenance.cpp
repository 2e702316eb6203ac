#include "../TestStore.h"
#include "app/DataMaintenance.h"
#include "data/records/DataSet.h"
#include "data/store/Database.h"
#include "exchange/DatabaseBackup.h"
#include "exchange/RestoreSafety.h"
#include "gui/widgets/Dialogs.h"
#include "tests/SqliteFile.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <memory>

#include <sqlite3.h>

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
    void restoreAsksKeepsACopyAndUndoes_data();
    void restoreAsksKeepsACopyAndUndoes();
    void failedRestoreLeavesNoCopy();
    void unreadableBookAsksToGoOnWithoutCopy_data();
    void unreadableBookAsksToGoOnWithoutCopy();
    void emptyBookIsOfferedACopy_data();
    void emptyBookIsOfferedACopy();

private:
    int recipientCount();
    QStringList rows();
    bool restore(bool undo);

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

// Every recipient and sender as text, in key order.
QStringList TestDataMaintenance::rows()
{
    Database db;
    QStringList out;
    if (!db.open(m_location, nullptr, false))
        return {QStringLiteral("unreadable")};
    QSqlQuery q(db.db());
    q.exec("SELECT 序号, 姓名, 手机 FROM inr ORDER BY 序号");
    while (q.next())
        out << q.value(0).toString() + u'|' + q.value(1).toString() + u'|' + q.value(2).toString();
    q.exec("SELECT 姓名 FROM outr ORDER BY 姓名");
    while (q.next())
        out << QStringLiteral("寄件|") + q.value(0).toString();
    return out;
}

bool TestDataMaintenance::restore(bool undo)
{
    QWidget owner;
    return DataMaintenance::restore(
        &owner, m_location, [&] { m_db->close(); }, undo);
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
        QCOMPARE(kinds.size(), job == "restore" ? 2 : 1); // a restore asked first
        if (job != "restore")
            QVERIFY(!QFileInfo::exists(written));
        else
            QVERIFY(RestoreSafety(m_location).copies().isEmpty());
        QCOMPARE(recipientCount(), rowsBefore);
        return;
    }
    const QString said = Dialogs::lastShown().text;
    QCOMPARE(kinds.size(), job == "restore" ? 3 : 2);
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

void TestDataMaintenance::restoreAsksKeepsACopyAndUndoes_data()
{
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<int>("restores");
    QTest::newRow("question cancelled") << false << 1;
    QTest::newRow("restored, then undone") << true << 1;
    QTest::newRow("six restores keep five copies") << true << 6;
}

void TestDataMaintenance::restoreAsksKeepsACopyAndUndoes()
{
    QFETCH(bool, confirm);
    QFETCH(int, restores);
    const QString backup = m_dir->filePath("full.bak");
    QString err;
    QVERIFY2(DatabaseBackup::backup(m_location, backup, &err), qPrintable(err));
    // The work done since the backup, which a restore must not lose.
    QVERIFY(m_db->exec("DELETE FROM inr"));
    QVERIFY(m_db->exec("INSERT INTO inr (姓名, 手机) VALUES ('后来的', '13900000000')"));
    QVERIFY(m_db->exec("INSERT INTO outr (姓名) VALUES ('寄件人甲')"));
    const QStringList later = rows();
    const RestoreSafety safety(m_location);
    QMenu menu;
    QAction* undo = DataMaintenance::addUndoRestore(&menu, [this] { return m_location; });
    auto undoOffered = [&] {
        emit menu.aboutToShow();
        return undo->isEnabled();
    };
    QVERIFY(!undoOffered());

    QString firstCopy;
    for (int i = 0; i < restores; ++i) {
        Dialogs::clear();
        Dialogs::answerFile(backup);
        Dialogs::answerButton(confirm ? QMessageBox::Ok : QMessageBox::Cancel);
        QCOMPARE(restore(false), confirm);
        const QString asked = Dialogs::shown().value(1).text;
        QVERIFY2(asked.contains(QFileInfo(backup).lastModified().toString("yyyy-MM-dd HH:mm")) &&
                     asked.contains(QStringLiteral("寄件人 0 条、收件人 %1 条、Excel 数据 0 条").arg(kRows)),
                 qPrintable(asked));
        QVERIFY2(asked.contains(QDir::toNativeSeparators(safety.folder())), qPrintable(asked));
        if (i == 0) {
            QVERIFY2(asked.contains(QStringLiteral("当前数据：寄件人 1 条、收件人 1 条")), qPrintable(asked));
            firstCopy = safety.latest();
        }
    }
    if (!confirm) {
        QCOMPARE(Dialogs::shown().size(), 2); // the file, the question; nothing done
        QCOMPARE(rows(), later);
        QVERIFY(safety.copies().isEmpty());
        QVERIFY(!undoOffered());
        return;
    }
    QCOMPARE(recipientCount(), kRows);
    QCOMPARE(safety.copies().size(), qMin(restores, RestoreSafety::kKept));
    QCOMPARE(QFileInfo::exists(firstCopy), restores <= RestoreSafety::kKept);
    QVERIFY(undoOffered());
    if (restores > 1)
        return;

    // The undo asks too, names the copy's figures, and keeps a copy of its own.
    Dialogs::clear();
    Dialogs::answerButton(QMessageBox::Cancel);
    QVERIFY(!restore(true));
    QCOMPARE(recipientCount(), kRows);
    Dialogs::clear();
    QVERIFY(restore(true));
    QVERIFY2(Dialogs::shown().value(0).text.contains(QStringLiteral("其中：寄件人 1 条、收件人 1 条")),
             qPrintable(Dialogs::shown().value(0).text));
    QCOMPARE(rows(), later);
    QCOMPARE(safety.copies().size(), 2);
}

void TestDataMaintenance::failedRestoreLeavesNoCopy()
{
    // Tables of the right names but not the program's columns: counted for
    // the question, refused by the restore before anything is replaced.
    const QString foreign = m_dir->filePath("foreign.bak");
    {
        QVERIFY(SqliteFile::exec(foreign,
                                 "CREATE TABLE outr (x); CREATE TABLE inr (x); CREATE TABLE excel (x);"));
    }
    const QStringList before = rows();
    Dialogs::answerFile(foreign);
    QVERIFY(!restore(false));
    QCOMPARE(Dialogs::shown().size(), 3);
    QVERIFY2(Dialogs::lastShown().text.startsWith(QStringLiteral("数据恢复失败")),
             qPrintable(Dialogs::lastShown().text));
    QCOMPARE(rows(), before);
    QVERIFY(RestoreSafety(m_location).copies().isEmpty());
}

void TestDataMaintenance::unreadableBookAsksToGoOnWithoutCopy_data()
{
    QTest::addColumn<bool>("goOn");
    QTest::newRow("stopped") << false;
    QTest::newRow("restored without a copy") << true;
}

void TestDataMaintenance::unreadableBookAsksToGoOnWithoutCopy()
{
    WAYBILL_FILE_ONLY();
    QFETCH(bool, goOn);
    const QString backup = m_dir->filePath("full.bak");
    QString err;
    QVERIFY2(DatabaseBackup::backup(m_location, backup, &err), qPrintable(err));
    m_db->close();
    // A book whose pages no longer read: its header stands, its tables are gone.
    QFile book(m_location);
    QVERIFY(book.open(QIODevice::ReadWrite));
    book.seek(4096);
    book.write(QByteArray(book.size() - 4096, '\xff'));
    book.close();
    const QByteArray damaged = [&] {
        QFile f(m_location);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    Dialogs::answerFile(backup);
    Dialogs::answerButton(QMessageBox::Ok);
    Dialogs::answerButton(goOn ? QMessageBox::Ok : QMessageBox::Cancel);
    QCOMPARE(restore(false), goOn);
    QVERIFY2(Dialogs::shown().value(1).text.contains(QStringLiteral("当前数据：无法读取")),
             qPrintable(Dialogs::shown().value(1).text));
    QVERIFY2(Dialogs::shown().value(2).text.contains(QStringLiteral("无法保存当前数据的安全副本")),
             qPrintable(Dialogs::shown().value(2).text));
    QVERIFY(RestoreSafety(m_location).copies().isEmpty());
    if (goOn) {
        QCOMPARE(recipientCount(), kRows);
    } else {
        QFile f(m_location);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readAll() == damaged);
    }
}

void TestDataMaintenance::emptyBookIsOfferedACopy_data()
{
    QTest::addColumn<bool>("filled"); // the new book holds a recipient already
    QTest::addColumn<int>("answer");
    QTest::newRow("empty, copied") << false << int(QMessageBox::Ok);
    QTest::newRow("empty, declined") << false << int(QMessageBox::Cancel);
    QTest::newRow("not empty: not asked") << true << int(QMessageBox::Ok);
}

void TestDataMaintenance::emptyBookIsOfferedACopy()
{
    QFETCH(bool, filled);
    QFETCH(int, answer);
    const QString target = TestStore::location(m_dir->filePath("new.mdb"));
    {
        Database db;
        QString err;
        QVERIFY2(db.open(target, &err), qPrintable(err));
        if (filled)
            QVERIFY(db.exec("INSERT INTO inr (姓名) VALUES ('已有')"));
    }
    Dialogs::answerButton(QMessageBox::StandardButton(answer));
    QWidget owner;
    const bool copied = DataMaintenance::offerCopy(&owner, m_location, target);
    QCOMPARE(copied, !filled && answer == QMessageBox::Ok);
    const QList<Dialogs::Shown> shown = Dialogs::shown();
    QCOMPARE(!shown.isEmpty(), !filled);
    if (!filled)
        QVERIFY2(shown.first().text.contains(QStringLiteral("收件人 %1 条").arg(kRows)),
                 qPrintable(shown.first().text));
    Database db;
    QVERIFY(db.open(target, nullptr, false));
    QSqlQuery q(db.db());
    QVERIFY(q.exec("SELECT count(*) FROM inr") && q.next());
    QCOMPARE(q.value(0).toInt(), filled ? 1 : copied ? kRows : 0);
}

QTEST_MAIN(TestDataMaintenance)
#include "test_datamaintenance.moc"
