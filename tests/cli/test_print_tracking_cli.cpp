#include "data/store/Database.h"
#include "tests/TestStore.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlQuery>
#include <QtTest>

// waybill-cli print with chosen rows, printed marks and waybill numbers,
// and waybill-cli history, run as a user would; PDFs read back with
// poppler's pdftotext.
class TestPrintTrackingCli : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void prints_data();
    void prints();
    void unprintedRestAfterPartialPrint();
    void failedPdfLeavesNoMarks();
    void history();
};

namespace {
const QString kCli = QStringLiteral(WAYBILL_BINARY_DIR "/cli/waybill-cli");
QString g_db = QStringLiteral("data.mdb"); // the address book of the case

int run(const QStringList& args, QString* out = nullptr, QString* err = nullptr)
{
    QProcess p;
    p.start(kCli, QStringList{QStringLiteral("--db"), g_db} + args);
    if (!p.waitForFinished(60000))
        return -1;
    if (out)
        *out = QString::fromUtf8(p.readAllStandardOutput());
    const QString e = QString::fromUtf8(p.readAllStandardError());
    if (err)
        *err = e;
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

// Recipient names, page by page.
QStringList pageNames(const QString& pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    p.waitForFinished(30000);
    QStringList names;
    const QStringList pages = QString::fromUtf8(p.readAllStandardOutput()).split(u'\f', Qt::SkipEmptyParts);
    for (const QString& page : pages) {
        static const QRegularExpression re(QStringLiteral("收件\\d+"));
        const auto m = re.match(page);
        if (m.hasMatch())
            names << m.captured(0);
    }
    return names;
}

// "已打印 set|快递单号" of every recipient row, in table order.
QStringList marks()
{
    Database db;
    QString error;
    if (!db.open(g_db, &error, false))
        return {error};
    QStringList out;
    QSqlQuery q(db.db());
    q.exec(QStringLiteral(
        "select coalesce(\"已打印\", ''), coalesce(\"快递单号\", '') from inr order by \"序号\""));
    while (q.next())
        out << (q.value(0).toString().isEmpty() ? QStringLiteral("-") : QStringLiteral("x")) +
                   QLatin1Char('|') + q.value(1).toString();
    return out;
}

const QStringList kBatch = {QStringLiteral("print"), QStringLiteral("--template"), QStringLiteral("sf"),
                            QStringLiteral("--variant"), QStringLiteral("batch")};
} // namespace

void TestPrintTrackingCli::initTestCase()
{
    WAYBILL_REQUIRE_STORE();
    QVERIFY2(QFile::exists(kCli), qPrintable(kCli));
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
}

void TestPrintTrackingCli::init()
{
    QFile::remove(QStringLiteral("data.mdb"));
    g_db = TestStore::location(QStringLiteral("data.mdb"));
    Database db;
    QString error;
    QVERIFY2(db.open(g_db, &error), qPrintable(error));
    QVERIFY(db.exec(QStringLiteral("insert into outr (\"姓名\") values ('寄件甲')")));
    for (int i = 1; i <= 6; ++i)
        QVERIFY(db.exec(QStringLiteral("insert into inr (\"姓名\") values (?)"),
                        {QStringLiteral("收件%1").arg(i)}));
}

void TestPrintTrackingCli::prints_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("printed");
    QTest::addColumn<QStringList>("marks");
    QTest::addColumn<QString>("said"); // on the error stream
    QTest::newRow("chosen rows in table order")
        << QStringList{"--recipients", "5,2-3"} << QStringList{"收件2", "收件3", "收件5"}
        << QStringList{"-|", "x|", "x|", "-|", "x|", "-|"} << QString();
    QTest::newRow("numbers with prefix and zeros")
        << QStringList{"--recipients", "1,4", "--first-number", "SF0099"} << QStringList{"收件1", "收件4"}
        << QStringList{"x|SF0099", "-|", "-|", "x|SF0100", "-|", "-|"} << QString();
    QTest::newRow("999 + 1 is said") << QStringList{"--recipients", "2-3", "--first-number", "999"}
                                     << QStringList{"收件2", "收件3"}
                                     << QStringList{"-|", "x|999", "x|1000", "-|", "-|", "-|"}
                                     << "进位到 1000";
    QTest::newRow("no mark") << QStringList{"--recipients", "6", "--no-mark"} << QStringList{"收件6"}
                             << QStringList{"-|", "-|", "-|", "-|", "-|", "-|"} << QString();
    QTest::newRow("single print marks its row")
        << QStringList{"--variant", "single", "--recipient", "3"} << QStringList{"收件3"}
        << QStringList{"-|", "-|", "x|", "-|", "-|", "-|"} << QString();
}

void TestPrintTrackingCli::prints()
{
    QFETCH(QStringList, args);
    QFETCH(QStringList, printed);
    QFETCH(QStringList, marks);
    QFETCH(QString, said);
    QString out, err;
    QCOMPARE(run(kBatch + args + QStringList{"--pdf", "out.pdf"}, &out, &err), 0);
    QCOMPARE(pageNames(QStringLiteral("out.pdf")), printed);
    QCOMPARE(::marks(), marks);
    if (!said.isEmpty())
        QVERIFY2(err.contains(said), qPrintable(err));
}

void TestPrintTrackingCli::unprintedRestAfterPartialPrint()
{
    QCOMPARE(run(kBatch + QStringList{"--recipients", "2,4-5", "--pdf", "part.pdf"}), 0);
    QCOMPARE(run(kBatch + QStringList{"--unprinted", "--first-number", "A1", "--pdf", "rest.pdf"}), 0);
    QCOMPARE(pageNames(QStringLiteral("rest.pdf")), (QStringList{"收件1", "收件3", "收件6"}));
    QCOMPARE(::marks(), (QStringList{"x|A1", "x|", "x|A2", "x|", "x|", "x|A3"}));
    // Nothing left: no page at all rather than an empty form.
    QString err;
    QVERIFY(run(kBatch + QStringList{"--unprinted", "--pdf", "none.pdf"}, nullptr, &err) != 0);
    QVERIFY2(err.contains("没有未打印"), qPrintable(err));
    QVERIFY(!QFile::exists(QStringLiteral("none.pdf")));
    // A number another row carries is said, not silently given twice.
    QVERIFY(run(kBatch + QStringList{"--recipients", "2", "--first-number", "A3", "--pdf", "dup.pdf"},
                nullptr, &err) == 0);
    QVERIFY2(err.contains("A3") && err.contains("收件6"), qPrintable(err));
}

void TestPrintTrackingCli::failedPdfLeavesNoMarks()
{
    QString err;
    QVERIFY(
        run(kBatch + QStringList{"--recipients", "1-2", "--first-number", "7", "--pdf", "no/such/dir/x.pdf"},
            nullptr, &err) != 0);
    QCOMPARE(::marks(), (QStringList{"-|", "-|", "-|", "-|", "-|", "-|"}));
    QString out;
    QCOMPARE(run({"history", "--json"}, &out), 0);
    QCOMPARE(QJsonDocument::fromJson(out.toUtf8()).array().size(), 0);
    // Options that make no sense together or here are refused.
    QVERIFY(run(kBatch + QStringList{"--first-number", "12X", "--pdf", "x.pdf"}, nullptr, &err) == 2);
    QVERIFY(run(kBatch + QStringList{"--first-number", "1", "--no-mark", "--pdf", "x.pdf"}, nullptr, &err) ==
            2);
    QVERIFY(run(kBatch + QStringList{"--recipients", "7", "--pdf", "x.pdf"}, nullptr, &err) != 0);
    QVERIFY2(err.contains("没有第 7 行"), qPrintable(err));
    QVERIFY(run({"print", "--template", "sf", "--unprinted", "--pdf", "x.pdf"}, nullptr, &err) == 2);
    QVERIFY(!QFile::exists(QStringLiteral("x.pdf")));
}

void TestPrintTrackingCli::history()
{
    QCOMPARE(run(kBatch + QStringList{"--recipients", "3,1", "--first-number", "B8", "--pdf", "h.pdf"}), 0);
    QString out;
    QCOMPARE(run({"history", "--json"}, &out), 0);
    const QJsonArray list = QJsonDocument::fromJson(out.toUtf8()).array();
    QCOMPARE(list.size(), 1);
    const QJsonObject e = list.first().toObject();
    QCOMPARE(e.value("template").toString(), QStringLiteral("sf"));
    QCOMPARE(e.value("variant").toString(), QStringLiteral("batch"));
    QCOMPARE(e.value("output").toString(), QStringLiteral("pdf"));
    QVERIFY(e.value("target").toString().endsWith("/h.pdf"));
    QCOMPARE(e.value("pages").toInt(), 2);
    QCOMPARE(e.value("serials").toArray(), (QJsonArray{1, 3}));
    QCOMPARE(e.value("numbers").toArray(), (QJsonArray{"B8", "B9"}));
    QCOMPARE(run({"history"}, &out), 0);
    QVERIFY2(out.contains("sf") && out.contains("B8–B9"), qPrintable(out));
}

QTEST_GUILESS_MAIN(TestPrintTrackingCli)
#include "test_print_tracking_cli.moc"
