#include "data/store/Database.h"
#include "tests/report/EscpDecoder.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

#include <cmath>

// waybill-cli print --escp as a user runs it: the stream is read back by
// the decoder as a 24-pin printer would print it, and every text of forms
// 1 and 20 must land where the PDF of the same batch puts it.
class TestPrintEscp : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void formsLandAsInThePdf_data();
    void formsLandAsInThePdf();
    void recordedAsAPrint();
    void refused_data();
    void refused();

private:
    int run(const QStringList& args, QString* out = nullptr, QString* err = nullptr);
    QImage pdfPage(const QString& pdf, int page, int dpiX);
};

namespace {
const QString kCli = QStringLiteral(WAYBILL_BINARY_DIR "/cli/waybill-cli");
const QString kDb = QStringLiteral("escp.mdb");
constexpr int kForms = 20;
constexpr double kToleranceMm = 0.3;
} // namespace

int TestPrintEscp::run(const QStringList& args, QString* out, QString* err)
{
    QProcess p;
    p.start(kCli, QStringList{QStringLiteral("--db"), kDb} + args);
    if (!p.waitForFinished(120000))
        return -1;
    const QString o = QString::fromUtf8(p.readAllStandardOutput());
    const QString e = QString::fromUtf8(p.readAllStandardError());
    if (out)
        *out = o;
    if (err)
        *err = e;
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

QImage TestPrintEscp::pdfPage(const QString& pdf, int page, int dpiX)
{
    const QString prefix = QStringLiteral("ref-%1-%2-%3").arg(QFileInfo(pdf).baseName()).arg(page).arg(dpiX);
    QProcess p;
    p.start(QStringLiteral("pdftoppm"),
            {QStringLiteral("-mono"), QStringLiteral("-rx"), QString::number(dpiX), QStringLiteral("-ry"),
             QStringLiteral("180"), QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
             QString::number(page), QStringLiteral("-singlefile"), pdf, prefix});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    return QImage(prefix + QStringLiteral(".pbm")).convertToFormat(QImage::Format_Grayscale8);
}

void TestPrintEscp::initTestCase()
{
    QVERIFY2(QFile::exists(kCli), qPrintable(kCli));
    if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
        QSKIP("pdftoppm (poppler-utils) is not installed");
    QFile::remove(kDb);
    Database db;
    QString error;
    QVERIFY2(db.open(kDb, &error), qPrintable(error));
    QVERIFY(db.exec(
        QStringLiteral("INSERT INTO outr (姓名, 手机, 电话, 城市, 地址, 寄件单位) VALUES (?, ?, ?, ?, ?, ?)"),
        {QStringLiteral("寄件人甲"), QStringLiteral("13800138000"), QStringLiteral("0571-88880000"),
         QStringLiteral("杭州"), QStringLiteral("浙江省杭州市西湖区文三路90号"),
         QStringLiteral("杭州某某商贸有限公司")},
        &error));
    for (int i = 1; i <= kForms; ++i) {
        QVERIFY2(
            db.exec(QStringLiteral("INSERT INTO inr (姓名, 手机, 城市, 地址, 收件单位, 备注) "
                                   "VALUES (?, ?, ?, ?, ?, ?)"),
                    {QStringLiteral("收件人%1").arg(i), QStringLiteral("139%1").arg(i, 8, 10, QChar(u'0')),
                     QStringLiteral("北京"), QStringLiteral("北京市海淀区中关村大街%1号院%1楼").arg(i),
                     QStringLiteral("北京某某科技有限公司"),
                     QStringLiteral("易碎物品轻放\r\n第二行备注%1").arg(i)},
                    &error),
            qPrintable(error));
    }
}

void TestPrintEscp::formsLandAsInThePdf_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("paper");
    QTest::addColumn<int>("dpiX");
    for (const char* paper : {"continuous", "sheets"})
        for (const char* code : {"st", "sf", "sf2"})
            QTest::addRow("%s %s", code, paper)
                << QString::fromLatin1(code) << QString::fromLatin1(paper) << 180;
    QTest::addRow("sf2 continuous 360") << QStringLiteral("sf2") << QStringLiteral("continuous") << 360;
    QTest::addRow("st sheets 360") << QStringLiteral("st") << QStringLiteral("sheets") << 360;
}

void TestPrintEscp::formsLandAsInThePdf()
{
    QFETCH(QString, code);
    QFETCH(QString, paper);
    QFETCH(int, dpiX);
    const QString pdf = code + QStringLiteral(".pdf");
    const QString prn = QStringLiteral("%1-%2-%3.prn").arg(code, paper).arg(dpiX);
    QString out, err;
    if (!QFile::exists(pdf))
        QCOMPARE(
            run({QStringLiteral("print"), QStringLiteral("--template"), code, QStringLiteral("--variant"),
                 QStringLiteral("batch"), QStringLiteral("--no-mark"), QStringLiteral("--pdf"), pdf},
                &out, &err),
            0);
    QCOMPARE(run({QStringLiteral("print"), QStringLiteral("--template"), code, QStringLiteral("--variant"),
                  QStringLiteral("batch"), QStringLiteral("--no-mark"), QStringLiteral("--escp"), prn,
                  QStringLiteral("--paper"), paper, QStringLiteral("--escp-dpi"), QString::number(dpiX)},
                 &out, &err),
             0);
    QVERIFY2(out.contains(QStringLiteral("20 张")), qPrintable(out + err));

    QFile file(prn);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray stream = file.readAll();
    const bool sheets = paper == QLatin1String("sheets");
    EscpDecoder::Result decoded;
    QString error;
    QVERIFY2(EscpDecoder::decode(stream, sheets ? EscpDecoder::Paper::Sheets : EscpDecoder::Paper::Continuous,
                                 dpiX, 180, &decoded, &error),
             qPrintable(error));
    QCOMPARE(decoded.textBytes, 0);
    QCOMPARE(decoded.images.size(), sheets ? kForms : 1);

    const QImage first = pdfPage(pdf, 1, dpiX);
    QVERIFY(!first.isNull());
    // The form's height on paper, from the catalogue (the PDF's page is
    // rounded to whole points).
    QFile catalogue(QStringLiteral(WAYBILL_SOURCE_DIR "/templates/layouts/catalogue.json"));
    QVERIFY(catalogue.open(QIODevice::ReadOnly));
    double heightMm = 0;
    for (const QJsonValue t :
         QJsonDocument::fromJson(catalogue.readAll()).object().value("templates").toArray())
        if (t.toObject().value("code").toString() == code)
            heightMm = t.toObject()
                           .value("variants")
                           .toObject()
                           .value("batch")
                           .toObject()
                           .value("page")
                           .toArray()
                           .at(1)
                           .toDouble();
    QVERIFY(heightMm > 100);
    const double formDots = heightMm / 25.4 * 180;

    double worst[2] = {0, 0};
    const int forms[2] = {1, kForms};
    for (int f = 0; f < 2; ++f) {
        const int form = forms[f];
        const QImage ref = form == 1 ? first : pdfPage(pdf, form, dpiX);
        QVERIFY(!ref.isNull());
        QImage dots;
        if (sheets) {
            dots = decoded.images.at(form - 1);
        } else {
            // Form k starts exactly k page heights below the first.
            const int top = int(std::lround((form - 1) * formDots));
            dots = EscpDecoder::crop(decoded.images.first(), QRect(0, top, ref.width(), ref.height()));
        }
        int groups = 0;
        QPoint at;
        worst[f] = EscpDecoder::worstOffsetMm(dots, ref, dpiX, 180, &groups, &at);
        QVERIFY(groups >= 10);
        if (worst[f] > kToleranceMm) { // kept beside the test for a look
            dots.save(QStringLiteral("failed-%1-form%2-escp.png").arg(QFileInfo(prn).baseName()).arg(form));
            ref.save(QStringLiteral("failed-%1-form%2-pdf.png").arg(QFileInfo(prn).baseName()).arg(form));
        }
        QVERIFY2(worst[f] <= kToleranceMm, qPrintable(QStringLiteral("form %1: ink at (%2, %3) off by %4 mm")
                                                          .arg(form)
                                                          .arg(at.x())
                                                          .arg(at.y())
                                                          .arg(worst[f], 0, 'f', 2)));
    }
    qInfo("%s %s %d dpi: %lld bytes per form, worst offset form 1 %.2f mm, form 20 %.2f mm", qPrintable(code),
          qPrintable(paper), dpiX, qint64(stream.size() / kForms), worst[0], worst[1]);
}

// The stream is the printer's own language: the history names it as a
// print to that file, and the row is marked.
void TestPrintEscp::recordedAsAPrint()
{
    QString out, err;
    QCOMPARE(run({QStringLiteral("print"), QStringLiteral("--template"), QStringLiteral("st"),
                  QStringLiteral("--escp"), QStringLiteral("one.prn")},
                 &out, &err),
             0);
    QCOMPARE(run({QStringLiteral("history")}, &out, &err), 0);
    QVERIFY2(out.contains(QStringLiteral("打印机 ESC/P：")) && out.contains(QStringLiteral("one.prn")),
             qPrintable(out));
}

void TestPrintEscp::refused_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("says");
    QTest::addRow("onto the book") << QStringList{QStringLiteral("--escp"), kDb}
                                   << QStringLiteral("escp.mdb");
    QTest::addRow("paper without escp") << QStringList{QStringLiteral("--pdf"), QStringLiteral("x.pdf"),
                                                       QStringLiteral("--paper"), QStringLiteral("sheets")}
                                        << QStringLiteral("--escp");
    QTest::addRow("bad paper") << QStringList{QStringLiteral("--escp"), QStringLiteral("x.prn"),
                                              QStringLiteral("--paper"), QStringLiteral("roll")}
                               << QStringLiteral("roll");
    QTest::addRow("bad dpi") << QStringList{QStringLiteral("--escp"), QStringLiteral("x.prn"),
                                            QStringLiteral("--escp-dpi"), QStringLiteral("240")}
                             << QStringLiteral("240");
    QTest::addRow("two outputs") << QStringList{QStringLiteral("--escp"), QStringLiteral("x.prn"),
                                                QStringLiteral("--pdf"), QStringLiteral("x.pdf")}
                                 << QStringLiteral("--escp FILE");
}

void TestPrintEscp::refused()
{
    QFETCH(QStringList, args);
    QFETCH(QString, says);
    const QByteArray before = [] {
        QFile f(kDb);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    QString out, err;
    const int code =
        run(QStringList{QStringLiteral("print"), QStringLiteral("--template"), QStringLiteral("st")} + args,
            &out, &err);
    QVERIFY2(code != 0, qPrintable(out));
    QVERIFY2(err.contains(says), qPrintable(err));
    QVERIFY(!QFile::exists(QStringLiteral("x.prn")));
    QFile f(kDb);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before);
}

QTEST_GUILESS_MAIN(TestPrintEscp)
#include "test_print_escp.moc"
