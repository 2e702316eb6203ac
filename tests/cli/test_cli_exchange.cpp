#include "data/Database.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

// The exchange commands of waybill-cli, run as a user runs them.
class TestCliExchange : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void exportImportRoundTrip();
    void failuresExitNonZeroAndChangeNothing_data();
    void failuresExitNonZeroAndChangeNothing();
    void backupThenRestore();

private:
    int run(const QStringList& args, QString* out = nullptr, QString* err = nullptr);
    int count(const QString& table);

    QTemporaryDir m_dir;
    QString m_db;
};

int TestCliExchange::run(const QStringList& args, QString* out, QString* err)
{
    QProcess p;
    p.setWorkingDirectory(m_dir.path());
    p.start(QStringLiteral(WAYBILL_CLI), args);
    if (!p.waitForFinished(60000))
        return -1;
    if (out)
        *out = QString::fromUtf8(p.readAllStandardOutput());
    if (err)
        *err = QString::fromUtf8(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

int TestCliExchange::count(const QString& table)
{
    Database db;
    if (!db.open(m_db, nullptr, false))
        return -1;
    QSqlQuery q(db.db());
    if (!q.exec(QStringLiteral("SELECT count(*) FROM %1").arg(table)) || !q.next())
        return -1;
    return q.value(0).toInt();
}

void TestCliExchange::init()
{
    m_db = m_dir.filePath(QStringLiteral("data.mdb"));
    QFile::remove(m_db);
    Database db;
    QVERIFY(db.open(m_db, nullptr));
    QVERIFY(db.exec(
        "INSERT INTO inr (姓名, 手机, 邮编) VALUES ('张三', '13800138000', '010000'), ('李四', '', '')"));
}

void TestCliExchange::exportImportRoundTrip()
{
    QString out, err;
    QCOMPARE(run({"--db", m_db, "export", m_dir.filePath("list")}, &out, &err), 0);
    QVERIFY(QFile::exists(m_dir.filePath("list.xls")));
    QCOMPARE(run({"--db", m_db, "import", m_dir.filePath("list.xls")}, &out, &err), 0);
    QVERIFY2(out.contains(QStringLiteral("批量导入EXCEL成功！")), qPrintable(out));
    QVERIFY(out.contains(QStringLiteral("2")));
    QCOMPARE(count("excel"), 2);
    Database db;
    QVERIFY(db.open(m_db, nullptr, false));
    QSqlQuery q(db.db());
    QVERIFY(q.exec("SELECT 手机, 邮编 FROM excel WHERE 姓名 = '张三'") && q.next());
    QCOMPARE(q.value(0).toString(), QStringLiteral("13800138000"));
    QCOMPARE(q.value(1).toString(), QStringLiteral("010000"));
}

void TestCliExchange::failuresExitNonZeroAndChangeNothing_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("import a text file") << QStringList{"import", "notes.xls"} << 1 << "批量导入EXCEL失败！";
    QTest::newRow("import a missing file")
        << QStringList{"import", "missing.xls"} << 1 << "批量导入EXCEL失败！";
    QTest::newRow("import blank path") << QStringList{"import", "  "} << 2 << "请正确选择相关路径！";
    QTest::newRow("restore a text file")
        << QStringList{"restore", "notes.xls"} << 1 << "数据恢复失败，请重试！";
    QTest::newRow("export into a missing folder") << QStringList{"export", "no/such/folder/list"} << 1 << "";
    QTest::newRow("no arguments") << QStringList{"backup"} << 2 << "用法";
}

void TestCliExchange::failuresExitNonZeroAndChangeNothing()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, message);
    // A previous import that a failure must leave alone.
    {
        Database db;
        QVERIFY(db.open(m_db, nullptr, false));
        QVERIFY(db.exec("DELETE FROM excel"));
        QVERIFY(db.exec("INSERT INTO excel (姓名) VALUES ('王五')"));
    }
    QFile notes(m_dir.filePath("notes.xls"));
    QVERIFY(notes.open(QIODevice::WriteOnly));
    notes.write("姓名\t手机\n赵六\t1\n");
    notes.close();
    QString out, err;
    QCOMPARE(run(QStringList{"--db", m_db} + args, &out, &err), code);
    QVERIFY2(err.contains(message), qPrintable(err));
    QCOMPARE(count("excel"), 1);
    QCOMPARE(count("inr"), 2);
}

void TestCliExchange::backupThenRestore()
{
    QCOMPARE(run({"--db", m_db, "backup", m_dir.filePath("copy")}), 0);
    QVERIFY(QFile::exists(m_dir.filePath("copy.bak")));
    {
        Database db;
        QVERIFY(db.open(m_db, nullptr, false));
        QVERIFY(db.exec("DELETE FROM inr"));
    }
    QCOMPARE(count("inr"), 0);
    QString out;
    QCOMPARE(run({"--db", m_db, "restore", m_dir.filePath("copy.bak")}, &out), 0);
    QVERIFY(out.contains(QStringLiteral("数据恢复成功！")));
    QCOMPARE(count("inr"), 2);
    // A database that isn't there is not made up by an export.
    const QString typo = m_dir.filePath("typo.mdb");
    QString err;
    QCOMPARE(run({"--db", typo, "export", m_dir.filePath("x")}, nullptr, &err), 1);
    QVERIFY(!QFile::exists(typo));
    QVERIFY(!QFile::exists(m_dir.filePath("x.xls")));
}

QTEST_GUILESS_MAIN(TestCliExchange)
#include "test_cli_exchange.moc"
