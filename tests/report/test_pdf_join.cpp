#include "report/FontSetup.h"
#include "report/QRBand.h"
#include "report/QRDBText.h"
#include "report/QuickRep.h"
#include "report/ReportLayout.h"
#include "report/ReportPdfWriter.h"
#include "report/ReportRecords.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct ListRecords : ReportRecords
{
    QList<QStringList> rows;
    int recordCount() const override { return rows.size(); }
    QStringList texts(int record) const override { return rows.value(record); }
};

// What a tool prints on stdout; its stderr goes to *err.
QByteArray run(const QString& program, const QStringList& args, QByteArray* err = nullptr)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return {};
    if (err)
        *err = p.readAllStandardError();
    return p.exitCode() == 0 ? p.readAllStandardOutput() : QByteArray();
}

// Every page as pdftotext -bbox gives it: its size and each word where it is.
QStringList pageWords(const QString& pdf, QByteArray* err)
{
    const QString out = QString::fromUtf8(
        run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")}, err));
    QStringList pages;
    static const QRegularExpression page(QStringLiteral("<page [^>]*>.*?</page>"),
                                         QRegularExpression::DotMatchesEverythingOption);
    for (auto it = page.globalMatch(out); it.hasNext();)
        pages << it.next().captured(0);
    return pages;
}

} // namespace

class TestPdfJoin : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { FontSetup::install(); }
    void partsReadAsOneFile_data();
    void partsReadAsOneFile();
    void cancelLeavesNoPart();
};

void TestPdfJoin::partsReadAsOneFile_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("partPages");
    QTest::newRow("a part per page") << 4 << 1;
    QTest::newRow("last part shorter") << 7 << 3;
    QTest::newRow("parts even") << 6 << 2;
}

// A run written in parts reads as the same run written at once: the same
// pages in the same order, every word at the same place, the same ink.
void TestPdfJoin::partsReadAsOneFile()
{
    QFETCH(int, records);
    QFETCH(int, partPages);

    ListRecords rows;
    for (int i = 0; i < records; ++i)
        rows.rows.append({QStringLiteral("收件人%1号").arg(i + 1),
                          QStringLiteral("ST%1").arg(7700000 + i * 37),
                          QStringLiteral("Room %1, Tower %2").arg(100 + i).arg(QChar(u'A' + i))});
    TQuickRep report;
    report.Page.Width = 2300;
    report.Page.Length = 1270;
    report.Records = &rows;
    auto* band = new TQRBand(&report);
    band->Size.Width = 2300;
    band->Size.Height = 1270;
    // Two faces (so two fonts in every part), bold drawn twice, and bars.
    auto* name = new TQRDBText(band, QStringLiteral("QRDBText1"));
    name->DataField = QStringLiteral("姓名");
    name->Size = {50, 200, 300, 600};
    name->Font = QFont(QStringLiteral("宋体"));
    name->Font.setPointSize(12);
    name->Font.setBold(true);
    auto* code = new TQRDBText(band, QStringLiteral("QRDBText2"));
    code->DataField = QStringLiteral("快递单号");
    code->Kind = TQRItemKind::Code128;
    code->Size = {120, 200, 500, 500};
    auto* room = new TQRDBText(band, QStringLiteral("QRDBText3"));
    room->DataField = QStringLiteral("地址");
    room->Size = {50, 1200, 800, 800};
    room->Font = QFont(QStringLiteral("MS Sans Serif"));
    room->Font.setPointSize(10);

    QTemporaryDir dir;
    const QString whole = dir.filePath(QStringLiteral("whole.pdf"));
    const QString joined = dir.filePath(QStringLiteral("joined.pdf"));
    QString error;
    {
        ReportLayout layout(&report);
        QVERIFY2(ReportPdfWriter::write(&layout, whole, 0, &error), qPrintable(error));
    }
    {
        ReportLayout layout(&report);
        QVERIFY2(ReportPdfWriter::write(&layout, joined, partPages, &error), qPrintable(error));
    }
    // Nothing left beside the file but the file.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);

    QByteArray err;
    const QStringList expected = pageWords(whole, &err);
    QCOMPARE(expected.size(), records);
    const QStringList got = pageWords(joined, &err);
    QVERIFY2(err.isEmpty(), err.constData()); // poppler says when it has to mend a table
    QCOMPARE(got.size(), records);
    for (int i = 0; i < records; ++i)
        QCOMPARE(got.at(i), expected.at(i));

    // The glyphs drawn come from each part's own fonts.
    for (int page : {1, partPages + 1, records}) {
        QImage images[2];
        for (int k = 0; k < 2; ++k) {
            const QString pdf = k ? joined : whole;
            const QString base = pdf + QString::number(page);
            run(QStringLiteral("pdftoppm"),
                {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-gray"),
                 QStringLiteral("-singlefile"), QStringLiteral("-f"), QString::number(page),
                 QStringLiteral("-l"), QString::number(page), pdf, base});
            images[k] = QImage(base + QStringLiteral(".pgm"));
        }
        QVERIFY(!images[0].isNull());
        QVERIFY2(images[0] == images[1], qPrintable(QStringLiteral("page %1 looks different").arg(page)));
    }

    // The structure as a strict reader checks it, where one is installed.
    if (!QStandardPaths::findExecutable(QStringLiteral("qpdf")).isEmpty()) {
        QProcess qpdf;
        qpdf.start(QStringLiteral("qpdf"), {QStringLiteral("--check"), joined});
        QVERIFY(qpdf.waitForFinished(60000));
        QVERIFY2(qpdf.exitCode() == 0, qpdf.readAll().constData());
    }
}

// Cancelled after some parts were joined: neither the file nor a part stays.
void TestPdfJoin::cancelLeavesNoPart()
{
    ListRecords rows;
    for (int i = 0; i < 12; ++i)
        rows.rows.append({QStringLiteral("收件人%1").arg(i)});
    TQuickRep report;
    report.Records = &rows;
    auto* band = new TQRBand(&report);
    band->Size.Width = 2300;
    band->Size.Height = 1270;
    new TQRDBText(band, QStringLiteral("QRDBText1"));
    report.band()->items().first()->DataField = QStringLiteral("姓名");

    QTemporaryDir dir;
    ReportLayout layout(&report);
    QString error;
    QVERIFY(!ReportPdfWriter::write(&layout, dir.filePath(QStringLiteral("out.pdf")), 2, &error,
                                    [](int percent) { return percent < 60; }));
    QVERIFY(layout.pageCount() > 4); // parts were joined before the cancel
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

QTEST_MAIN(TestPdfJoin)
#include "test_pdf_join.moc"
