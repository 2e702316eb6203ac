#include "data/store/Database.h"
#include "data/store/ServerAddress.h"
#include "tests/TestStore.h"

#include <QSqlQuery>
#include <QTest>

// What only the server store has: its addresses, and the database it finds
// there (made, refused, missing).
class TestServerStore : public QObject
{
    Q_OBJECT
private slots:
    void addresses_data();
    void addresses();
    void findsItsDatabase_data();
    void findsItsDatabase();
};

void TestServerStore::addresses_data()
{
    QTest::addColumn<QString>("uri");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("shown"); // display(); empty: refused
    QTest::newRow("full") << "postgresql://王:密@db.shop:6543/waybill"
                          << "db.shop" << 6543 << "waybill"
                          << "王"
                          << "服务器 王@db.shop:6543/waybill";
    QTest::newRow("socket") << "postgresql:///book?host=/run/postgresql"
                            << "/run/postgresql" << 0 << "book"
                            << ""
                            << "服务器 /run/postgresql/book";
    QTest::newRow("short scheme") << "postgres://h/d"
                                  << "h" << 0 << "d"
                                  << ""
                                  << "服务器 h/d";
    QTest::newRow("no database") << "postgresql://h:5432/"
                                 << "" << 0 << ""
                                 << ""
                                 << "";
    QTest::newRow("bad port") << "postgresql://h/d?port=70000"
                              << "" << 0 << ""
                              << ""
                              << "";
    QTest::newRow("unknown option") << "postgresql://h/d?sslmode=x"
                                    << "" << 0 << ""
                                    << ""
                                    << "";
}

void TestServerStore::addresses()
{
    QFETCH(QString, uri);
    QFETCH(QString, shown);
    ServerAddress a;
    QString error;
    QVERIFY(ServerAddress::isServer(uri));
    QCOMPARE(ServerAddress::parse(uri, &a, &error), !shown.isEmpty());
    if (shown.isEmpty()) {
        QVERIFY(error.contains(QStringLiteral("无效")));
        return;
    }
    QTEST(a.host, "host");
    QTEST(a.port, "port");
    QTEST(a.database, "database");
    QTEST(a.user, "user");
    QCOMPARE(a.display(), shown);
    // Written again, it reads the same, the password only when asked for.
    ServerAddress again;
    QVERIFY(ServerAddress::parse(a.uri(true), &again, &error));
    QCOMPARE(again.uri(true), a.uri(true));
    QVERIFY(!ServerAddress::displayLocation(uri).contains(QStringLiteral("密")));
}

void TestServerStore::findsItsDatabase_data()
{
    QTest::addColumn<QString>("before");  // what the database holds beforehand
    QTest::addColumn<QString>("refusal"); // empty: opened
    QTest::newRow("empty: made") << ""
                                 << "";
    QTest::newRow("another program's inr") << "CREATE TABLE inr (x integer)"
                                           << "不是本程序的数据库";
    QTest::newRow("a view named outr") << "CREATE VIEW outr AS SELECT 1 AS x"
                                       << "不是普通的数据表";
    QTest::newRow("the user's own schema: made there") << "CREATE SCHEMA waybill"
                                                       << "";
    QTest::newRow("missing database") << "DROP DATABASE"
                                      << "没有这个数据库";
}

void TestServerStore::findsItsDatabase()
{
    QFETCH(QString, before);
    QFETCH(QString, refusal);
    const QString why = TestStore::unavailable();
    if (!TestStore::serverRun() || !why.isEmpty())
        QSKIP(why.isEmpty() ? "needs the server (the server run)" : qPrintable(why));
    QString uri = TestStore::freshServerDatabase();
    if (before == QLatin1String("DROP DATABASE")) {
        uri.replace(QStringLiteral("@/t"), QStringLiteral("@/none_t"));
    } else if (!before.isEmpty()) {
        Database setup;
        // Not through open(): that would make the program's tables.
        QSqlDatabase raw = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("raw"));
        ServerAddress a;
        QVERIFY(ServerAddress::parse(uri, &a, nullptr));
        raw.setHostName(a.host);
        raw.setUserName(a.user);
        raw.setDatabaseName(a.database);
        QVERIFY(raw.open());
        QVERIFY(QSqlQuery(raw).exec(before));
        raw.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("raw"));
    Database db;
    QString error;
    QCOMPARE(db.open(uri, &error), refusal.isEmpty());
    if (!refusal.isEmpty()) {
        QVERIFY2(error.contains(refusal), qPrintable(error));
        return;
    }
    QVERIFY(db.isServer());
    QVERIFY(db.hasTable(QStringLiteral("inr")) && db.hasTable(QStringLiteral("printlog")));
    // "序号" numbers itself; outr's rows have their hidden key.
    QVERIFY(db.exec(QStringLiteral("INSERT INTO inr (姓名) VALUES ('甲'), ('乙')")));
    QSqlQuery q(db.db());
    QVERIFY(q.exec(QStringLiteral("SELECT \"序号\" FROM inr ORDER BY 1")) && q.next());
    QCOMPARE(q.value(0).toInt(), 1);
    QStringList columns;
    QVERIFY(db.columns(QStringLiteral("outr"), &columns, &error));
    QVERIFY(!columns.contains(QStringLiteral("_rowid_")));
}

QTEST_GUILESS_MAIN(TestServerStore)
#include "test_server_store.moc"
