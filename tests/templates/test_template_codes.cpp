#include "report/BarcodeSymbol.h"
#include "report/FontSetup.h"
#include "report/ReportLayout.h"
#include "report/ReportPdfWriter.h"
#include "templates/TemplateReport.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// The item kinds of the shop's own templates on paper: every kind,
// alignment and rotation inside its box, barcodes that a reader decodes
// from the PDF at a thermal printer's 203 dpi, drawn as shapes, with their
// quiet zone inside the box.
class TestTemplateCodes : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void codesDecode_data();
    void codesDecode();
    void landsInItsBox_data();
    void landsInItsBox();

private:
    QTemporaryDir m_dir;
};

namespace {

TemplateDesign oneItem(DesignItem::Kind kind, const QString& text, QRectF boxMm, int rotation,
                       DesignItem::Align align = DesignItem::Align::Left)
{
    TemplateDesign d;
    d.code = QStringLiteral("t");
    d.pageMm = d.bandMm = QSizeF(100, 150);
    DesignItem i;
    i.kind = kind;
    i.name = QStringLiteral("item1");
    i.text = text;
    i.leftMm = boxMm.left();
    i.topMm = boxMm.top();
    i.widthMm = boxMm.width();
    i.heightMm = boxMm.height();
    i.rotation = rotation;
    i.align = align;
    i.fontPt = 12;
    d.items.append(i);
    return d;
}

QString run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

void TestTemplateCodes::initTestCase()
{
    FontSetup::install();
    for (const char* tool : {"pdftoppm", "pdfimages", "ZXingReader"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            QSKIP(qPrintable(QStringLiteral("%1 is not installed").arg(QString::fromLatin1(tool))));
}

void TestTemplateCodes::codesDecode_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRectF>("box");
    QTest::addColumn<int>("rotation");
    const QString number = QStringLiteral("SF1234567890123");
    const QString address = QStringLiteral("上海市浦东新区世纪大道100号金融中心大厦8层 张三 13900000001");
    QTest::newRow("Code 128") << int(DesignItem::Kind::Barcode) << number << QRectF(5, 10, 90, 20) << 0;
    QTest::newRow("Code 128, sideways")
        << int(DesignItem::Kind::Barcode) << number << QRectF(30, 10, 20, 90) << 90;
    QTest::newRow("Code 128, upside down")
        << int(DesignItem::Kind::Barcode) << number << QRectF(5, 40, 90, 16) << 180;
    QTest::newRow("QR code, Chinese address")
        << int(DesignItem::Kind::QrCode) << address << QRectF(20, 20, 40, 40) << 0;
    QTest::newRow("QR code, 270") << int(DesignItem::Kind::QrCode) << address << QRectF(10, 60, 30, 30)
                                  << 270;
    QTest::newRow("QR code, small box")
        << int(DesignItem::Kind::QrCode) << address << QRectF(60, 70, 20, 20) << 0;
}

void TestTemplateCodes::codesDecode()
{
    QFETCH(int, kind);
    QFETCH(QString, text);
    QFETCH(QRectF, box);
    QFETCH(int, rotation);
    TemplateReport tpl(oneItem(DesignItem::Kind(kind), text, box, rotation), layouts::Variant::Single);
    tpl.bind(nullptr, nullptr);
    const QString base = m_dir.filePath(QStringLiteral("code%1").arg(QTest::currentDataTag()).remove(' '));
    QString error;
    QVERIFY2(ReportPdfWriter::write(tpl.report(), base + QStringLiteral(".pdf"), &error), qPrintable(error));

    // Shapes, not a picture: pdfimages lists its two heading lines only.
    const QStringList images =
        run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), base + QStringLiteral(".pdf")})
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(images.size(), 2);

    run(QStringLiteral("pdftoppm"), {QStringLiteral("-mono"), QStringLiteral("-r"), QStringLiteral("203"),
                                     QStringLiteral("-singlefile"), base + QStringLiteral(".pdf"), base});
    QVERIFY(QFileInfo::exists(base + QStringLiteral(".pbm")));
    // The item's box alone in a black frame, as if printed beside dark
    // print: the quiet zone must be inside the box. As png for the reader,
    // which wants a common format.
    const QImage page = QImage(base + QStringLiteral(".pbm")).convertToFormat(QImage::Format_RGB32);
    QVERIFY(!page.isNull());
    const double dots = 203 / 25.4;
    const QRect boxDots = QRectF(box.topLeft() * dots, box.size() * dots).toAlignedRect();
    const int frame = 16;
    QImage framed(boxDots.size() + QSize(2 * frame, 2 * frame), QImage::Format_RGB32);
    framed.fill(Qt::black);
    QPainter(&framed).drawImage(frame, frame, page.copy(boxDots));
    QVERIFY(framed.save(base + QStringLiteral(".png")));
    const QString format =
        kind == int(DesignItem::Kind::Barcode) ? QStringLiteral("Code128") : QStringLiteral("QRCode");
    const QString read =
        run(QStringLiteral("ZXingReader"),
            {QStringLiteral("-format"), format, QStringLiteral("-bytes"), base + QStringLiteral(".png")});
    QCOMPARE(read, text);
}

void TestTemplateCodes::landsInItsBox_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("align");
    QTest::addColumn<int>("rotation");
    const char* kinds[] = {"text", "barcode", "qrcode"};
    const char* aligns[] = {"left", "centre", "right"};
    for (int k : {0, 1, 2})
        for (int a : {0, 1, 2})
            for (int r : {0, 90, 180, 270})
                QTest::addRow("%s %s %d", kinds[k], aligns[a], r)
                    << (k == 0   ? int(DesignItem::Kind::Text)
                        : k == 1 ? int(DesignItem::Kind::Barcode)
                                 : int(DesignItem::Kind::QrCode))
                    << a << r;
}

void TestTemplateCodes::landsInItsBox()
{
    QFETCH(int, kind);
    QFETCH(int, align);
    QFETCH(int, rotation);
    const bool sideways = rotation == 90 || rotation == 270;
    // Lines run along the long side: 60 mm, across 24 mm.
    const QRectF box = sideways ? QRectF(30, 40, 24, 60) : QRectF(20, 50, 60, 24);
    const DesignItem::Kind k = DesignItem::Kind(kind);
    const QString text = k == DesignItem::Kind::Text ? QStringLiteral("ABC123") : QStringLiteral("SF1234");
    TemplateReport tpl(oneItem(k, text, box, rotation, DesignItem::Align(align)), layouts::Variant::Single);
    tpl.bind(nullptr, nullptr);
    ReportLayout layout(tpl.report());
    QVERIFY(layout.generateAll());

    const double dpi = 300;
    const double px = dpi / 25.4; // pixels per mm
    QImage image(int(100 * px), int(150 * px), QImage::Format_RGB32);
    image.setDotsPerMeterX(int(std::lround(dpi / 0.0254)));
    image.setDotsPerMeterY(int(std::lround(dpi / 0.0254)));
    {
        QPainter p(&image);
        layout.paintPage(&p, 0);
    }
    // The ink, in mm.
    int x0 = image.width(), y0 = image.height(), x1 = -1, y1 = -1;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(line[x]) < 128) {
                x0 = std::min(x0, x);
                x1 = std::max(x1, x);
                y0 = std::min(y0, y);
                y1 = std::max(y1, y);
            }
        }
    }
    QVERIFY(x1 >= 0);
    const QRectF ink(x0 / px, y0 / px, (x1 + 1 - x0) / px, (y1 + 1 - y0) / px);
    const auto where = QStringLiteral("ink %1,%2 %3x%4 in box %5,%6 %7x%8")
                           .arg(ink.x())
                           .arg(ink.y())
                           .arg(ink.width())
                           .arg(ink.height())
                           .arg(box.x())
                           .arg(box.y())
                           .arg(box.width())
                           .arg(box.height());
    QVERIFY2(box.adjusted(-0.2, -0.2, 0.2, 0.2).contains(ink), qPrintable(where));
    // The long side of the ink along the lines (a QR code is square).
    if (k != DesignItem::Kind::QrCode)
        QVERIFY2(sideways ? ink.height() > ink.width() : ink.width() > ink.height(), qPrintable(where));

    // Along the lines: where a line starts and ends, in the line's direction.
    double start = 0, end = 0, boxLength = sideways ? box.height() : box.width();
    switch (rotation) {
    case 0:
        start = ink.left() - box.left();
        end = ink.right() - box.left();
        break;
    case 90:
        start = ink.top() - box.top();
        end = ink.bottom() - box.top();
        break;
    case 180:
        start = box.right() - ink.right();
        end = box.right() - ink.left();
        break;
    default:
        start = box.bottom() - ink.bottom();
        end = box.bottom() - ink.top();
    }
    const double slack = 1.0; // a glyph's side bearing
    // A code keeps its quiet zone inside the box.
    double quiet = 0;
    if (k != DesignItem::Kind::Text) {
        BarcodeSymbol s;
        QVERIFY(BarcodeSymbol::encode(k == DesignItem::Kind::Barcode ? BarcodeSymbol::Type::Code128
                                                                     : BarcodeSymbol::Type::QrCode,
                                      text, &s));
        const double room = k == DesignItem::Kind::Barcode ? boxLength : std::min(box.width(), box.height());
        quiet = s.quietModules() * BarcodeSymbol::moduleMm(s.width() + 2 * s.quietModules(), room);
    }
    if (align == 0)
        QVERIFY2(start >= quiet - 0.1 && start < quiet + slack, qPrintable(where));
    else if (align == 2)
        QVERIFY2(boxLength - end >= quiet - 0.1 && boxLength - end < quiet + slack, qPrintable(where));
    else
        QVERIFY2(qAbs((start + end) / 2 - boxLength / 2) < slack, qPrintable(where));
    QVERIFY2(end - start < boxLength - 5, qPrintable(where)); // not stretched over the box
    // Across the lines: text and bars start at the line's top, the box's
    // top edge turned with it; a QR code sits in the middle.
    if (k != DesignItem::Kind::QrCode) {
        const double top = rotation == 0     ? ink.top() - box.top()
                           : rotation == 90  ? box.right() - ink.right()
                           : rotation == 180 ? box.bottom() - ink.bottom()
                                             : ink.left() - box.left();
        QVERIFY2(top < 2.0, qPrintable(where));
    }
}

QTEST_MAIN(TestTemplateCodes)
#include "test_template_codes.moc"
