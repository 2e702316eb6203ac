// The windows' way to a dot-matrix printer, through a private spooler
// (tests/report/cups/private-cups.sh): the question before a print through
// CUPS' Epson 24-pin driver (asked for sf and sf2, whose heights are no
// whole sixths of an inch, never for st), and the stream of a marked
// printer sent as a raw job, arriving byte for byte.

#include "data/records/DataSet.h"
#include "data/store/Database.h"
#include "data/store/Settings.h"
#include "gui/report/EscpPrint.h"
#include "gui/widgets/Dialogs.h"
#include "report/EscpWriter.h"
#include "report/FontSetup.h"
#include "report/QuickRep.h"
#include "report/ReportLayout.h"
#include "templates/TemplateReport.h"
#include "tests/report/PrivateCups.h"

#include <QBuffer>
#include <QDeadlineTimer>
#include <QTest>
#include <QThread>

#include <memory>

using cupstest::kScript;
using cupstest::PrivateCups;
using cupstest::Run;
using cupstest::run;

class TestEscpPrint : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void driverQuestion_data();
    void driverQuestion();
    void markedPrinterGetsTheStream();

private:
    std::unique_ptr<TemplateReport> batch(const QString& code);

    PrivateCups m_cups;
    QTemporaryDir m_dir;
    Database m_db;
    DataSet m_senders;
    DataSet m_recipients;
};

void TestEscpPrint::initTestCase()
{
    const Run check = run(QStringLiteral("/bin/sh"), {kScript, QStringLiteral("check")}, 20000);
    if (!check.ok)
        QSKIP(qPrintable(QStringLiteral("no private CUPS spooler here: ") + check.err.trimmed()));
    FontSetup::install();
    Dialogs::setScripted(true);
    QString error;
    QVERIFY2(m_cups.start(&error), qPrintable(error));
    QVERIFY2(m_db.open(m_dir.filePath(QStringLiteral("data.mdb")), &error), qPrintable(error));
    QVERIFY(m_db.exec(QStringLiteral("INSERT INTO outr (姓名, 城市) VALUES (?, ?)"),
                      {QStringLiteral("寄件人甲"), QStringLiteral("杭州")}));
    for (int i = 1; i <= 3; ++i)
        QVERIFY(m_db.exec(
            QStringLiteral("INSERT INTO inr (姓名, 地址) VALUES (?, ?)"),
            {QStringLiteral("收件人%1").arg(i), QStringLiteral("北京市海淀区中关村大街%1号").arg(i)}));
    m_senders.setDatabase(&m_db);
    m_recipients.setDatabase(&m_db);
    QVERIFY(m_senders.open(QStringLiteral("outr")));
    QVERIFY(m_recipients.open(QStringLiteral("inr")));
}

void TestEscpPrint::cleanupTestCase()
{
    m_cups.stop();
}

std::unique_ptr<TemplateReport> TestEscpPrint::batch(const QString& code)
{
    QString error;
    std::unique_ptr<TemplateReport> tpl(TemplateReport::create(code, QStringLiteral("batch"), &error));
    if (tpl)
        tpl->bind(&m_senders, &m_recipients);
    return tpl;
}

void TestEscpPrint::driverQuestion_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("asked");
    QTest::newRow("st") << QStringLiteral("st") << false;
    QTest::newRow("sf") << QStringLiteral("sf") << true;
    QTest::newRow("sf2") << QStringLiteral("sf2") << true;
}

void TestEscpPrint::driverQuestion()
{
    QFETCH(QString, code);
    QFETCH(bool, asked);
    const QString queue = QStringLiteral("waybill-epson24");
    QString error;
    QVERIFY(Settings().setEscpPaper(queue, QString(), &error));
    std::unique_ptr<TemplateReport> tpl = batch(code);
    QVERIFY(tpl);
    ReportLayout layout(tpl->report());
    layout.generateAll();
    Dialogs::clear();
    // Asked: the answer takes the program's own stream and marks the printer.
    Dialogs::answerExec(QDialog::Accepted);
    const EscpPrint::Choice choice = EscpPrint::checkDriver(nullptr, layout, queue);
    QCOMPARE(Dialogs::shown().size(), asked ? 1 : 0);
    QCOMPARE(choice, asked ? EscpPrint::Choice::UseEscp : EscpPrint::Choice::Proceed);
    QCOMPARE(EscpPrint::isMarked(queue), asked);
    QVERIFY(Settings().setEscpPaper(queue, QString(), &error));
}

void TestEscpPrint::markedPrinterGetsTheStream()
{
    const QString queue = QStringLiteral("waybill-raw");
    QString error;
    QVERIFY(Settings().setEscpPaper(queue, QStringLiteral("sheets"), &error));
    QVERIFY(EscpPrint::isMarked(queue));
    std::unique_ptr<TemplateReport> tpl = batch(QStringLiteral("sf2"));
    QVERIFY(tpl);
    QByteArray expected;
    {
        ReportLayout layout(tpl->report());
        QBuffer buffer(&expected);
        QVERIFY(buffer.open(QIODevice::WriteOnly));
        EscpOptions sheets;
        sheets.paper = EscpOptions::Paper::Sheets;
        QVERIFY2(EscpWriter::write(&layout, &buffer, sheets, &error), qPrintable(error));
    }
    QFile::remove(m_cups.rawFile());
    ReportLayout layout(tpl->report());
    QVERIFY2(EscpPrint::print(&layout, tpl->report(), queue, nullptr, &error), qPrintable(error));
    const QDeadlineTimer deadline(60000);
    while (!m_cups.jobs(true).isEmpty() && !deadline.hasExpired())
        QThread::msleep(200);
    QFile file(m_cups.rawFile());
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(m_cups.errorLogTail()));
    const QByteArray arrived = file.readAll();
    QCOMPARE(arrived.size(), expected.size());
    QVERIFY(arrived == expected);
}

QTEST_MAIN(TestEscpPrint)
#include "test_escp_print.moc"
