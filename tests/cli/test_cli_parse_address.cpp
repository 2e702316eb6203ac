#include "data/store/Database.h"

#include "tests/TestStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

// waybill-cli parse-address, run as a user runs it.
class TestCliParseAddress : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { WAYBILL_REQUIRE_STORE(); }
    void printsFieldsAsJson();
    void printsAnArrayForSeveral();
    void addStoresOneRecipient_data();
    void addStoresOneRecipient();

private:
    int run(const QStringList& args, QString* out, QString* err);
    QTemporaryDir m_dir;
};

int TestCliParseAddress::run(const QStringList& args, QString* out, QString* err)
{
    QProcess p;
    p.setWorkingDirectory(m_dir.path());
    p.start(QStringLiteral(WAYBILL_CLI), args);
    if (!p.waitForFinished(60000))
        return -1;
    *out = QString::fromUtf8(p.readAllStandardOutput());
    *err = QString::fromUtf8(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

void TestCliParseAddress::printsFieldsAsJson()
{
    QString out, err;
    QCOMPARE(run({"parse-address", "朝阳区建国路88号", "赵先生", "+86 138-0013-8000"}, &out, &err), 0);
    const QJsonObject o = QJsonDocument::fromJson(out.toUtf8()).object();
    QCOMPARE(o.keys().size(), 9);
    QVERIFY(o.contains(QStringLiteral("收件单位")));
    QCOMPARE(o.value("姓名").toString(), QStringLiteral("赵先生"));
    QCOMPARE(o.value("手机").toString(), QStringLiteral("13800138000"));
    QCOMPARE(o.value("地址").toString(), QStringLiteral("朝阳区建国路88号"));
    // 朝阳区 lies in 北京 and in 长春: the city is left to the user.
    QCOMPARE(o.value("城市").toString(), QString());
    const QJsonArray unsure = o.value("unsure").toArray();
    QVERIFY(unsure.contains(QStringLiteral("城市")) && unsure.contains(QStringLiteral("地址")));
    QVERIFY(!unsure.contains(QStringLiteral("手机")));
}

void TestCliParseAddress::printsAnArrayForSeveral()
{
    QString out, err;
    QCOMPARE(run({"parse-address", "周五 13811110005 广东省广州市越秀区北京路5号\n"
                                   "吴六 13811110006 广州市海珠区江南西路6号 广州宏达贸易有限公司"},
                 &out, &err),
             0);
    const QJsonArray a = QJsonDocument::fromJson(out.toUtf8()).array();
    QCOMPARE(a.size(), 2);
    QCOMPARE(a.at(0).toObject().value("姓名").toString(), QStringLiteral("周五"));
    QCOMPARE(a.at(1).toObject().value("手机").toString(), QStringLiteral("13811110006"));
    QCOMPARE(a.at(1).toObject().value("收件单位").toString(), QStringLiteral("广州宏达贸易有限公司"));
    QCOMPARE(a.at(1).toObject().value("地址").toString(), QStringLiteral("广东省广州市海珠区江南西路6号"));
}

void TestCliParseAddress::addStoresOneRecipient_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<int>("rows");
    QTest::newRow("recipient") << QStringLiteral("张伟 13812345678 河南省郑州市金水区花园路12号") << 0 << 1;
    QTest::newRow("nothing recognised") << QStringLiteral(" ，，") << 1 << 0;
    QTest::newRow("two recipients, each stored")
        << QStringLiteral("张伟 13812345678 河南省郑州市金水区花园路12号\n\n李娜 15035696956 "
                          "河南省郑州市金水区花园路12号")
        << 0 << 2;
    QTest::newRow("two recipients, one empty: none stored")
        << QStringLiteral("张伟 13812345678 河南省郑州市金水区花园路12号\n\n，，") << 1 << 0;
}

void TestCliParseAddress::addStoresOneRecipient()
{
    QFETCH(QString, text);
    QFETCH(int, exitCode);
    QFETCH(int, rows);
    const QString path =
        TestStore::location(m_dir.filePath(QStringLiteral("%1.mdb").arg(QTest::currentDataTag())));
    {
        Database db;
        QVERIFY(db.open(path, nullptr));
    }
    QString out, err;
    QCOMPARE(run({"--db", path, "parse-address", "--add", text}, &out, &err), exitCode);
    Database db;
    QVERIFY(db.open(path, nullptr, false));
    QSqlQuery q(db.db());
    QVERIFY(q.exec("SELECT count(*), min(城市), min(地址), min(快递单号) FROM inr") && q.next());
    QCOMPARE(q.value(0).toInt(), rows);
    if (rows) {
        QCOMPARE(q.value(1).toString(), QStringLiteral("郑州市"));
        QCOMPARE(q.value(2).toString(), QStringLiteral("河南省郑州市金水区花园路12号"));
        QCOMPARE(q.value(3).toString(), QString(""));
    } else {
        QVERIFY2(err.contains(QStringLiteral("收件信息不能为空！")), qPrintable(err));
    }
}

QTEST_GUILESS_MAIN(TestCliParseAddress)
#include "test_cli_parse_address.moc"
