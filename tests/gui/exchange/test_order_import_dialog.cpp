#include "data/recognition/AddressParser.h"
#include "data/recognition/RegionTable.h"
#include "data/store/AppInfo.h"
#include "data/store/Database.h"
#include "gui/exchange/OrderImportDialog.h"
#include "gui/exchange/OrderReviewTable.h"
#include "gui/widgets/Dialogs.h"
#include "gui/widgets/ScreenFit.h"

#include "tests/TestStore.h"

#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QSettings>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

using Field = OrderMapping::Field;

// "导入订单…" as a user goes through it: a file, a column changed, a row
// mended in the review, the import.
class TestOrderImportDialog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void importsWhatTheUserChose_data();
    void importsWhatTheUserChose();

private:
    QTemporaryDir m_dir;
    RegionTable m_regions;
    std::unique_ptr<AddressParser> m_parser;
};

void TestOrderImportDialog::initTestCase()
{
    WAYBILL_REQUIRE_STORE();
    QString error;
    QVERIFY2(m_regions.loadBuiltIn(&error), qPrintable(error));
    m_parser = std::make_unique<AddressParser>(m_regions);
    Dialogs::setScripted(true);
}

void TestOrderImportDialog::importsWhatTheUserChose_data()
{
    QTest::addColumn<bool>("toExcel");
    QTest::addColumn<bool>("replaceMarked"); // the answer to the question about printed marks
    QTest::addColumn<QStringList>("recipients");
    QTest::addColumn<QStringList>("excel");
    const QString stored = QStringLiteral("周建国|13900001111|浙江省杭州市西湖区文三路100号|");
    const QString first =
        QStringLiteral("王小明|13912345678|浙江省杭州市西湖区文三路478号|订单编号 1001；buyer_a");
    const QString mended =
        QStringLiteral("李芳|13655556666|广东省深圳市南山区科苑路***|订单编号 1002；buyer_b");
    QTest::newRow("recipients") << false << false << QStringList{stored, first, mended}
                                << QStringList{QStringLiteral("旧行||旧地址|")};
    QTest::newRow("Excel list, marks kept")
        << true << false << QStringList{stored} << QStringList{QStringLiteral("旧行||旧地址|")};
    QTest::newRow("Excel list replaced")
        << true << true << QStringList{stored}
        << QStringList{first, mended, stored + QStringLiteral("订单编号 1003；buyer_c")};
}

void TestOrderImportDialog::importsWhatTheUserChose()
{
    QFETCH(bool, toExcel);
    QFETCH(bool, replaceMarked);
    QFETCH(QStringList, recipients);
    QFETCH(QStringList, excel);
    // Each case starts with no mapping remembered.
    QSettings(QSettings::NativeFormat, QSettings::UserScope, AppInfo::organization())
        .remove(QStringLiteral("orderMapping"));
    static int n = 0;
    const QString location = TestStore::location(m_dir.filePath(QStringLiteral("d%1.mdb").arg(++n)));
    Database db;
    QString error;
    QVERIFY2(db.open(location, &error), qPrintable(error));
    QVERIFY(db.exec(QStringLiteral("INSERT INTO inr (\"姓名\", \"手机\", \"地址\") "
                                   "VALUES ('周建国', '13900001111', '浙江省杭州市西湖区文三路100号')")));
    QVERIFY(db.exec(
        QStringLiteral("INSERT INTO excel (\"姓名\", \"地址\", \"已打印\") VALUES ('旧行', '旧地址', '1')")));
    const QString path = m_dir.filePath(QStringLiteral("orders.csv"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QStringLiteral("订单编号,买家会员名,收货人姓名,联系手机,收货地址\n"
                               "1001,buyer_a,王小明,13912345678,浙江省杭州市西湖区文三路478号\n"
                               "1002,buyer_b,李芳,139****5678,广东省深圳市南山区科苑路***\n"
                               "1003,buyer_c,周建国,13900001111,浙江省杭州市西湖区文三路100号\n"
                               "1004,buyer_d,,,\n")
                    .toUtf8());
    }

    OrderImportDialog dialog(location, *m_parser);
    QVERIFY(dialog.openFile(path));
    // On a low screen the whole dialog, its buttons too, stays on it.
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QRect room = ScreenFit::availableFor(&dialog);
    const QMargins frame = ScreenFit::frameGuess();
    QVERIFY2(dialog.height() + frame.top() + frame.bottom() <= room.height() &&
                 dialog.width() + frame.left() + frame.right() <= room.width(),
             qPrintable(QStringLiteral("%1 x %2").arg(dialog.width()).arg(dialog.height())));
    QCOMPARE(dialog.fieldBox(4)->currentData().toInt(), int(Field::FullAddress));
    QCOMPARE(dialog.previewTable()->item(0, 0)->text(), QStringLiteral("王小明"));
    // The buyer's nickname goes to 备注, as the user chooses in its list.
    QComboBox* nick = dialog.fieldBox(1);
    if (nick->currentData().toInt() != int(Field::Remark)) {
        nick->setCurrentIndex(nick->findData(int(Field::Remark)));
        emit nick->activated(nick->currentIndex());
    }
    QCOMPARE(dialog.previewTable()->item(0, 9)->text(), QStringLiteral("订单编号 1001；buyer_a"));
    dialog.destinationBox()->setCurrentIndex(toExcel ? 1 : 0);

    dialog.nextButton()->click();
    OrderReviewTable* review = dialog.reviewTable();
    // In the file's own list only the masked row needs a look; among the
    // recipients the stored one is a duplicate too.
    QCOMPARE(review->rowCount(), toExcel ? 1 : 2);
    QCOMPARE(review->item(0, 0)->text(), QStringLiteral("3"));
    review->item(0, 2 + 5)->setText(QStringLiteral("13655556666")); // 手机
    QCOMPARE(review->item(0, 1)->text(), QStringLiteral("已核对"));

    Dialogs::clear();
    if (toExcel)
        Dialogs::answerButton(replaceMarked ? QMessageBox::Ok : QMessageBox::Cancel);
    dialog.importButton()->click();
    if (!toExcel || replaceMarked) {
        QCOMPARE(dialog.result().ok, true);
        QCOMPARE(Dialogs::lastShown().text,
                 toExcel
                     ? QStringLiteral(
                           "导入 3 条，跳过 0 条重复，0 条需核对\n未导入 1 行（姓名和地址都为空）：第 5 行")
                     : QStringLiteral(
                           "导入 2 条，跳过 1 条重复，0 条需核对\n未导入 1 行（姓名和地址都为空）：第 5 行"));
    } else {
        QCOMPARE(dialog.result().ok, false);
    }
    auto read = [&db](const QString& table) {
        QStringList out;
        QSqlQuery q(db.db());
        q.exec(QStringLiteral(
                   "SELECT \"姓名\", coalesce(\"手机\", ''), \"地址\", coalesce(\"备注\", '') FROM %1 "
                   "ORDER BY \"序号\"")
                   .arg(table));
        while (q.next())
            out << QStringList{q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                               q.value(3).toString()}
                       .join(QLatin1Char('|'));
        return out;
    };
    QCOMPARE(read(QStringLiteral("inr")), recipients);
    QCOMPARE(read(QStringLiteral("excel")), excel);

    // The choice is kept for this set of headers.
    OrderImportDialog again(location, *m_parser);
    QVERIFY(again.openFile(path));
    QCOMPARE(again.fieldBox(1)->currentData().toInt(),
             int(replaceMarked || !toExcel ? Field::Remark : Field::None));
}

QTEST_MAIN(TestOrderImportDialog)
#include "test_order_import_dialog.moc"
