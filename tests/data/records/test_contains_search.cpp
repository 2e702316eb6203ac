#include "data/records/ContainsSearch.h"
#include "data/records/DataSet.h"
#include "data/store/Database.h"
#include "tests/TestStore.h"

#include <QTemporaryDir>
#include <QTest>

class TestContainsSearch : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { WAYBILL_REQUIRE_STORE(); }
    void matchesPlainSubstring_data();
    void matchesPlainSubstring();
    void mobileWinsAndEmptyDoesNothing();
};

void TestContainsSearch::matchesPlainSubstring_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("chinese anywhere") << "姓名"
                                      << "张" << QStringList{"张三", "老张", "张_伟"};
    QTest::newRow("double quote") << "姓名"
                                  << "\"" << QStringList{"王\"五"};
    QTest::newRow("percent is literal") << "姓名"
                                        << "%" << QStringList{"百分%"};
    QTest::newRow("underscore is literal") << "姓名"
                                           << "_" << QStringList{"张_伟"};
    QTest::newRow("backslash is literal") << "姓名"
                                          << "\\" << QStringList{"反\\斜"};
    QTest::newRow("blanks only") << "姓名"
                                 << " " << QStringList{"有 空格"};
    QTest::newRow("statement text") << "姓名"
                                    << "\" or \"\"=\"" << QStringList{};
    QTest::newRow("mobile digits") << "手机"
                                   << "139" << QStringList{"老张"};
    // LIKE would stop at the NUL and find every row.
    const QString nul(QChar(u'\0'));
    QTest::newRow("nul alone") << "姓名" << nul << QStringList{"零" + nul + "零"};
    QTest::newRow("nul after text") << "姓名"
                                    << "张" + nul << QStringList{};
    QTest::newRow("nul in mobile") << "手机"
                                   << "1" + nul << QStringList{};
}

void TestContainsSearch::matchesPlainSubstring()
{
    QFETCH(QString, column);
    QFETCH(QString, text);
    QFETCH(QStringList, expected);

    QTemporaryDir dir;
    Database db;
    QVERIFY(db.open(TestStore::location(dir.filePath("data.mdb")), nullptr));
    const QList<QPair<QString, QString>> rows = {
        {"张三", "13800138000"}, {"老张", "13900138001"}, {"张_伟", "1"},
        {"王\"五", "2"},         {"百分%", "3"},          {"反\\斜", "4"},
        {"有 空格", "5"},        {"李四", "6"},           {"零" + QString(QChar(u'\0')) + "零", "7"}};
    // A server's texts cannot hold a NUL: no such row there, none found.
    const bool server = TestStore::serverRun();
    for (const auto& r : rows)
        if (!server || !r.first.contains(QChar(u'\0')))
            QVERIFY(db.exec("INSERT INTO inr (姓名, 手机) VALUES (?, ?)", {r.first, r.second}));
    if (server)
        expected.removeIf([](const QString& n) { return n.contains(QChar(u'\0')); });
    // A server writes an updated row at the table's end: the scan meets the
    // first row last, and the list must still come in key order.
    QVERIFY(db.exec("UPDATE inr SET 手机 = 手机 || '' WHERE 姓名 = '张三'"));

    DataSet set;
    set.setDatabase(&db);
    QString error;
    QVERIFY2(ContainsSearch::open(set, "inr", column, text, &error), qPrintable(error));
    QStringList names;
    for (set.first(); !set.eof(); set.next())
        names << set.value("姓名");
    QCOMPARE(names, expected);
    QCOMPARE(set.tableRowCount(), int(rows.size()) - (server ? 1 : 0));
}

void TestContainsSearch::mobileWinsAndEmptyDoesNothing()
{
    QTemporaryDir dir;
    Database db;
    QVERIFY(db.open(TestStore::location(dir.filePath("data.mdb")), nullptr));
    QVERIFY(db.exec("INSERT INTO inr (姓名, 手机) VALUES ('张三', '111'), ('李四', '222'), ('张五', '333')"));
    DataSet set;
    set.setDatabase(&db);
    QVERIFY(ContainsSearch::byNameOrMobile(set, "inr", "张", "222", nullptr));
    QCOMPARE(set.recordCount(), 1);
    QCOMPARE(set.value("姓名"), QStringLiteral("李四"));
    // Both boxes empty: the earlier result stays as it is.
    QVERIFY(ContainsSearch::byNameOrMobile(set, "inr", "", "", nullptr));
    QCOMPARE(set.recordCount(), 1);
    QVERIFY(ContainsSearch::byNameOrMobile(set, "inr", "张", "", nullptr));
    QCOMPARE(set.recordCount(), 2);
}

QTEST_GUILESS_MAIN(TestContainsSearch)
#include "test_contains_search.moc"
