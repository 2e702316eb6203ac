#include "data/store/Database.h"
#include "tests/TestStore.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QThread>
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
    void numbersPrintOnTheLabel();
    void failedPdfLeavesNoMarks();
    void history();
    void usedNumbersRefused_data();
    void usedNumbersRefused();
    void killLeavesATrueRecord();
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

QStringList pageTexts(const QString& pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput()).split(u'\f', Qt::SkipEmptyParts);
}

// Recipient names, page by page.
QStringList pageNames(const QString& pdf)
{
    QStringList names;
    for (const QString& page : pageTexts(pdf)) {
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
    for (const QString& pdf : QDir().entryList({QStringLiteral("*.pdf")}, QDir::Files))
        QFile::remove(pdf); // a case's "no PDF" must not find an earlier one

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
    // A number another row carries is refused before anything prints,
    // unless the user insists; then it is said.
    const QStringList dup{"--recipients", "2", "--first-number", "A3", "--pdf", "dup.pdf"};
    QCOMPARE(run(kBatch + dup, nullptr, &err), 1);
    QVERIFY2(err.contains("A3") && err.contains("收件6") && err.contains("--allow-reused-numbers"),
             qPrintable(err));
    QVERIFY(!QFile::exists(QStringLiteral("dup.pdf")));
    QCOMPARE(run(kBatch + dup + QStringList{"--allow-reused-numbers"}, nullptr, &err), 0);
    QVERIFY2(err.contains("注意") && err.contains("A3") && err.contains("收件6"), qPrintable(err));
}

void TestPrintTrackingCli::numbersPrintOnTheLabel()
{
    // A label showing 快递单号 prints the number its row is being given.
    QCOMPARE(run({"template", "export", "label-100x150", "label.wbtemplate"}), 0);
    QCOMPARE(run({"template", "import", "label.wbtemplate", "--code", "lab"}), 0);
    QCOMPARE(run({"print", "--template", "lab", "--variant", "batch", "--recipients", "2-3", "--first-number",
                  "SF0007", "--pdf", "lab.pdf"}),
             0);
    const QStringList pages = pageTexts(QStringLiteral("lab.pdf"));
    QCOMPARE(pages.size(), 2);
    QVERIFY2(pages[0].contains("收件2") && pages[0].contains("SF0007"), qPrintable(pages[0]));
    QVERIFY2(pages[1].contains("收件3") && pages[1].contains("SF0008"), qPrintable(pages[1]));
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

    // The list replaced: the history still says who got which number.
    {
        Database db;
        QString error;
        QVERIFY2(db.open(g_db, &error, false), qPrintable(error));
        QVERIFY(db.exec(QStringLiteral("delete from inr")));
        QVERIFY(db.exec(QStringLiteral("insert into inr (\"姓名\", \"城市\") values ('别人', '上海')")));
    }
    QCOMPARE(run({"history", "--json"}, &out), 0);
    const QJsonArray waybills =
        QJsonDocument::fromJson(out.toUtf8()).array().first().toObject().value("waybills").toArray();
    QCOMPARE(waybills.size(), 2);
    QCOMPARE(waybills.at(1).toObject().value("name").toString(), QStringLiteral("收件3"));
    QCOMPARE(waybills.at(1).toObject().value("number").toString(), QStringLiteral("B9"));
    QCOMPARE(run({"history"}, &out), 0);
    QVERIFY2(out.contains(QStringLiteral("序号 3\t收件3")) && out.contains(QStringLiteral("单号 B9")) &&
                 !out.contains(QStringLiteral("别人")),
             qPrintable(out));
}

void TestPrintTrackingCli::usedNumbersRefused_data()
{
    QTest::addColumn<QString>("since"); // SQL run after 100, 101 went to 收件1, 收件2
    QTest::addColumn<QString>("rows");  // then asked for these rows, from 100 again
    QTest::addColumn<QString>("said");  // in the refusal
    QTest::newRow("other rows") << ""
                                << "3-4"
                                << "单号 100 已用于收件人“收件1”";
    QTest::newRow("rows deleted since") << "delete from inr where \"序号\" <= 2"
                                        << "1-2"
                                        << "单号 100 已在";
    QTest::newRow("list replaced") << "delete from inr; insert into inr (\"姓名\") values ('新')"
                                   << "1"
                                   << "打印给“收件1”（收件人序号 1）";
    QTest::newRow("the same rows again") << ""
                                         << "1-2"
                                         << "就是这次要打印的这一行";
}

// Numbers given before, by rows or in the history, are refused before
// anything prints; --allow-reused-numbers prints them, said as warnings.
void TestPrintTrackingCli::usedNumbersRefused()
{
    QFETCH(QString, since);
    QFETCH(QString, rows);
    QFETCH(QString, said);
    QCOMPARE(run(kBatch + QStringList{"--recipients", "1-2", "--first-number", "100", "--pdf", "a.pdf"}), 0);
    {
        Database db;
        QString error;
        QVERIFY2(db.open(g_db, &error, false), qPrintable(error));
        for (const QString& sql : since.split(QLatin1Char(';'), Qt::SkipEmptyParts))
            QVERIFY(db.exec(sql));
    }
    const QStringList before = ::marks();
    const QStringList again{"--recipients", rows, "--first-number", "100", "--pdf", "b.pdf"};
    QString out, err;
    QCOMPARE(run(kBatch + again, &out, &err), 1);
    QVERIFY2(err.contains(said) && err.contains("没有打印"), qPrintable(err));
    QVERIFY(!QFile::exists(QStringLiteral("b.pdf")));
    QCOMPARE(::marks(), before);
    QCOMPARE(run({"history", "--json"}, &out), 0);
    QCOMPARE(QJsonDocument::fromJson(out.toUtf8()).array().size(), 1);

    QCOMPARE(run(kBatch + again + QStringList{"--allow-reused-numbers"}, &out, &err), 0);
    QVERIFY2(err.contains("注意：") && err.contains(said), qPrintable(err));
    QVERIFY(QFile::exists(QStringLiteral("b.pdf")));
    QCOMPARE(run({"history", "--json"}, &out), 0);
    QCOMPARE(QJsonDocument::fromJson(out.toUtf8()).array().size(), 2);
}

// A numbered batch killed at any moment leaves no PDF and no record, or
// both complete, or an entry that says the output may be incomplete (and
// no marks): never pages with numbers the record does not know. One kill
// comes the moment the PDF appears, the others at random moments of a run.
void TestPrintTrackingCli::killLeavesATrueRecord()
{
    const int rows = 300;
    {
        Database db;
        QString error;
        QVERIFY2(db.open(g_db, &error, false), qPrintable(error));
        for (int i = 7; i <= rows; ++i)
            QVERIFY(db.exec(QStringLiteral("insert into inr (\"姓名\") values (?)"),
                            {QStringLiteral("收件%1").arg(i)}));
    }
    const QStringList args = QStringList{QStringLiteral("--db"), g_db} + kBatch +
                             QStringList{"--first-number", "K1", "--pdf", "k.pdf"};
    const auto reset = [] {
        QFile::remove(QStringLiteral("k.pdf"));
        Database db;
        return db.open(g_db, nullptr, false) && db.exec(QStringLiteral("delete from printlog_item")) &&
               db.exec(QStringLiteral("delete from printlog")) &&
               db.exec(QStringLiteral("update inr set \"已打印\" = '', \"快递单号\" = ''"));
    };
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(run(args.mid(2)), 0);
    const int whole = int(clock.elapsed());
    const quint32 seed = QRandomGenerator::global()->generate();
    qInfo("a whole run took %d ms; random moments from seed %u", whole, seed);
    QRandomGenerator random(seed);
    QList<int> moments{-1}; // -1: when the PDF appears
    for (int i = 0; i < 6; ++i)
        moments << random.bounded(whole + 1);
    int cutShort = 0;
    for (int moment : moments) {
        QVERIFY(reset());
        QProcess p;
        p.start(kCli, args);
        QVERIFY(p.waitForStarted());
        clock.restart();
        if (moment < 0) {
            while (!QFile::exists(QStringLiteral("k.pdf")) && p.state() == QProcess::Running &&
                   clock.elapsed() < 60000)
                QThread::usleep(100);
        } else {
            QThread::msleep(moment);
        }
        p.kill();
        p.waitForFinished(60000);
        const bool pdf = QFile::exists(QStringLiteral("k.pdf"));
        const int marked = int(::marks().filter(QRegularExpression(QStringLiteral("^x\\|K"))).size());
        QString out;
        QCOMPARE(run({"history", "--json"}, &out), 0);
        const QJsonArray entries = QJsonDocument::fromJson(out.toUtf8()).array();
        const QString state = QStringLiteral("moment %1 ms: pdf %2, %3 marked, %4 entries: %5")
                                  .arg(moment)
                                  .arg(pdf)
                                  .arg(marked)
                                  .arg(entries.size())
                                  .arg(out.left(300));
        if (entries.isEmpty()) {
            QVERIFY2(!pdf && marked == 0, qPrintable(state));
            continue;
        }
        QVERIFY2(entries.size() == 1, qPrintable(state));
        const QJsonObject e = entries.first().toObject();
        QCOMPARE(e.value("waybills").toArray().size(), rows);
        if (e.value("complete").toBool()) {
            QVERIFY2(pdf && marked == rows, qPrintable(state));
        } else {
            QVERIFY2(marked == 0, qPrintable(state));
            ++cutShort;
            QCOMPARE(run({"history"}, &out), 0);
            QVERIFY2(out.contains(QStringLiteral("输出可能不完整")), qPrintable(out));
        }
    }
    qInfo("%d of %lld kills left an entry marked incomplete", cutShort, qlonglong(moments.size()));
}

QTEST_GUILESS_MAIN(TestPrintTrackingCli)
#include "test_print_tracking_cli.moc"
