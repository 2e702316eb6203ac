#include "data/store/Database.h"

#include "tests/TestStore.h"

#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

// waybill-cli import-orders, run as a script runs it.
class TestCliImportOrders : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { WAYBILL_REQUIRE_STORE(); }
    void importsOrders_data();
    void importsOrders();

private:
    QTemporaryDir m_dir;
};

void TestCliImportOrders::importsOrders_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said"); // a line of stdout, or of stderr on failure
    // 姓名|备注 of inr, then of excel, in key order.
    QTest::addColumn<QString>("stored");
    const QString before = QStringLiteral("周建国|老客户 / 旧行|");
    QTest::newRow("into the recipients")
        << QStringList{} << 0 << "导入 2 条，跳过 1 条重复，1 条需核对"
        << "周建国|老客户 / 王小明|订单编号 1001 / 李*|订单编号 1002 / 旧行|";
    QTest::newRow("merged, columns mapped by name and number")
        << QStringList{"--duplicates", "merge", "--map", "买家会员名=备注", "1=不导入"} << 0
        << "导入 2 条，合并 1 条重复，1 条需核对"
        << "周建国|老客户；buyer_c / 王小明|buyer_a / 李*|buyer_b / 旧行|";
    QTest::newRow("into the Excel list")
        << QStringList{"--to", "excel"} << 0 << "导入 3 条，跳过 0 条重复，1 条需核对"
        << "周建国|老客户 / 王小明|订单编号 1001 / 李*|订单编号 1002 / "
           "周建国|订单编号 1003";
    QTest::newRow("a field it does not know")
        << QStringList{"--map", "买家会员名=昵称"} << 2
        << "不认识的字段“昵称”，可用：不导入、姓名、手机、电话、完整地址、"
           "省、市、区、街道、详细地址、城市、地址、邮编、收件单位、内件品名、"
           "数量、备注、订单编号"
        << before;
    QTest::newRow("a column it does not have")
        << QStringList{"--map", "昵称=备注"} << 2 << "文件的标题行里没有列“昵称”。" << before;
    QTest::newRow("a destination it does not know")
        << QStringList{"--to", "outr"} << 2 << "--to 只能是 inr（收件人）或 excel（Excel列表）。" << before;
}

void TestCliImportOrders::importsOrders()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    QFETCH(QString, stored);
    static int n = 0;
    const QString location = TestStore::location(m_dir.filePath(QStringLiteral("d%1.mdb").arg(++n)));
    Database db;
    QString error;
    QVERIFY2(db.open(location, &error), qPrintable(error));
    QVERIFY(db.exec(
        QStringLiteral("INSERT INTO inr (\"姓名\", \"手机\", \"地址\", \"备注\") "
                       "VALUES ('周建国', '13900001111', '浙江省杭州市西湖区文三路100号', '老客户')")));
    QVERIFY(db.exec(QStringLiteral("INSERT INTO excel (\"姓名\", \"地址\") VALUES ('旧行', '旧地址')")));
    const QString file = m_dir.filePath(QStringLiteral("orders.csv"));
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QStringLiteral("订单编号,买家会员名,收货人姓名,联系手机,收货地址\n"
                               "1001,buyer_a,王小明,13912345678,浙江省杭州市西湖区文三路478号\n"
                               "1002,buyer_b,李*,139****5678,广东省深圳市南山区科苑路***\n"
                               "1003,buyer_c,周建国,13900001111,浙江省杭州市西湖区文三路100号\n")
                    .toUtf8());
    }
    QProcess p;
    p.start(QStringLiteral(WAYBILL_CLI),
            QStringList{QStringLiteral("--db"), location, QStringLiteral("import-orders"), file} + args);
    QVERIFY(p.waitForFinished(60000));
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    const QString err = QString::fromUtf8(p.readAllStandardError());
    QCOMPARE(p.exitCode(), exitCode);
    QVERIFY2((exitCode == 0 ? out : err).split(QLatin1Char('\n')).contains(said), qPrintable(out + err));
    QStringList rows;
    for (const char* table : {"inr", "excel"}) {
        QSqlQuery q(db.db());
        QVERIFY(q.exec(QStringLiteral("SELECT \"姓名\", coalesce(\"备注\", '') FROM %1 ORDER BY \"序号\"")
                           .arg(QLatin1String(table))));
        while (q.next())
            rows << q.value(0).toString() + QLatin1Char('|') + q.value(1).toString();
    }
    QCOMPARE(rows.join(QStringLiteral(" / ")), stored);
}

QTEST_GUILESS_MAIN(TestCliImportOrders)
#include "test_cli_import_orders.moc"
