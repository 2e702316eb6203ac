// The windows' way to a dot-matrix printer, through a private spooler
// (tests/report/cups/private-cups.sh): the question before a print through
// CUPS' Epson 24-pin driver (asked for sf and sf2, whose heights are no
// whole sixths of an inch, never for st), and the stream of a marked
// printer sent as a raw job from a template window's preview, arriving
// byte for byte, its forms where the PDF of the same batch puts them.

#include "data/records/DataSet.h"
#include "data/store/Database.h"
#include "data/store/Settings.h"
#include "gui/report/EscpPrint.h"
#include "gui/report/ReportPreview.h"
#include "gui/templates/TemplateWindow.h"
#include "gui/widgets/Dialogs.h"
#include "report/EscpWriter.h"
#include "report/FontSetup.h"
#include "report/QuickRep.h"
#include "report/ReportLayout.h"
#include "report/ReportPdfWriter.h"
#include "templates/TemplateReport.h"
#include "tests/report/EscpDecoder.h"
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
    const TemplateSources sources{&m_senders, &m_recipients, nullptr,
                                  m_dir.filePath(QStringLiteral("data.mdb"))};
    TemplateWindow window(*layouts::findTemplate("sf2"), layouts::Variant::Batch, sources);
    QVERIFY2(window.loadBatchData(&error), qPrintable(error));
    window.report()->PrinterSettings.PrinterName = queue;
    // The stream and the PDF of the very forms the preview holds, then its "打 印".
    QByteArray expected;
    const QString pdf = m_dir.filePath(QStringLiteral("sf2.pdf"));
    TQuickRep::setPreviewHandler([&](TQuickRep* report, QWidget* parent) {
        ReportPreview preview(report, parent);
        ReportLayout layout(report);
        QBuffer buffer(&expected);
        EscpOptions sheets;
        sheets.paper = EscpOptions::Paper::Sheets;
        if (!buffer.open(QIODevice::WriteOnly) || !EscpWriter::write(&layout, &buffer, sheets, &error) ||
            !ReportPdfWriter::write(report, pdf, &error))
            return;
        preview.print();
    });
    QFile::remove(m_cups.rawFile());
    Dialogs::clear();
    Dialogs::answerText(QStringLiteral("")); // no waybill numbers
    window.N1Click();
    TQuickRep::setPreviewHandler({});
    QVERIFY2(!expected.isEmpty(), qPrintable(error));
    const QDeadlineTimer deadline(60000);
    while (!m_cups.jobs(true).isEmpty() && !deadline.hasExpired())
        QThread::msleep(200);
    QFile file(m_cups.rawFile());
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(m_cups.errorLogTail()));
    const QByteArray arrived = file.readAll();
    QCOMPARE(arrived.size(), expected.size());
    QVERIFY(arrived == expected);

    EscpDecoder::Result decoded;
    QVERIFY2(EscpDecoder::decode(arrived, EscpDecoder::Paper::Sheets, 180, 180, &decoded, &error),
             qPrintable(error));
    QCOMPARE(decoded.images.size(), 3);
    const QString prefix = m_dir.filePath(QStringLiteral("sf2"));
    QVERIFY(run(QStringLiteral("pdftoppm"),
                {QStringLiteral("-mono"), QStringLiteral("-r"), QStringLiteral("180"), pdf, prefix}, 60000)
                .ok);
    for (int form = 0; form < 3; ++form) {
        const QImage want = QImage(QStringLiteral("%1-%2.pbm").arg(prefix).arg(form + 1))
                                .convertToFormat(QImage::Format_Grayscale8);
        int groups = 0;
        const double off = EscpDecoder::worstOffsetMm(decoded.images.at(form), want, 180, 180, &groups);
        qInfo("sf2 form %d from the window: %d groups of ink, worst %.2f mm off", form + 1, groups, off);
        QVERIFY(groups >= 4); // both names, the city and the address
        QVERIFY(off <= 0.3);
    }
}

QTEST_MAIN(TestEscpPrint)
#include "test_escp_print.moc"
