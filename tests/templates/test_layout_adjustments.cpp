#include "data/records/DataSet.h"
#include "data/store/Database.h"
#include "exchange/DatabaseBackup.h"
#include "report/FontSetup.h"
#include "report/QRDBText.h"
#include "report/QuickRep.h"
#include "report/ReportLayout.h"
#include "report/ReportPdfWriter.h"
#include "templates/BreakIntoLines.h"
#include "templates/CalibrationSheet.h"
#include "templates/LayoutAdjustments.h"
#include "templates/TemplateReport.h"

#include "tests/TestStore.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// Saved calibration and item offsets of a template, from the address book
// to the paper.
class TestLayoutAdjustments : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void landsOnPdf_data();
    void landsOnPdf();
    void sheetMarksSitOnItems();
    void wordWrapPerTemplate_data();
    void wordWrapPerTemplate();
    void resetKeepsTheLastState_data();
    void resetKeepsTheLastState();

private:
    QTemporaryDir m_dir;
};

namespace {

const QString kName = QStringLiteral("收件甲");   // QRDBText8 of st, single
const QString kSender = QStringLiteral("寄件乙"); // QRDBText1

// Left and top (points) of the first word of each text in a PDF.
QHash<QString, QPointF> wordPositions(const QString& pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    p.waitForFinished(30000);
    QHash<QString, QPointF> at;
    static const QRegularExpression word(QStringLiteral(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="[\d.]+" yMax="[\d.]+">([^<]*)</word>)re"));
    for (auto it = word.globalMatch(QString::fromUtf8(p.readAllStandardOutput())); it.hasNext();) {
        const auto m = it.next();
        if (!at.contains(m.captured(3)))
            at.insert(m.captured(3), QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()));
    }
    return at;
}

// The st single report over the file at path, with what it has saved.
std::unique_ptr<TemplateReport> stReport(Database& db, DataSet& senders, DataSet& recipients)
{
    std::unique_ptr<TemplateReport> tpl(TemplateReport::create("st", "single", nullptr));
    senders.setDatabase(&db);
    recipients.setDatabase(&db);
    senders.open("outr");
    recipients.open("inr");
    tpl->bind(&senders, &recipients);
    QString error;
    if (!tpl->loadAdjustment(db, &error))
        qWarning() << error;
    return tpl;
}

constexpr double kPtPerTenth = 72.0 / 254.0;

} // namespace

void TestLayoutAdjustments::initTestCase()
{
    WAYBILL_REQUIRE_STORE();
    FontSetup::install();
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
}

void TestLayoutAdjustments::landsOnPdf_data()
{
    QTest::addColumn<QPoint>("offset"); // template, tenths
    QTest::addColumn<double>("scale");  // percent, both ways
    QTest::addColumn<QPoint>("move");   // QRDBText8, tenths
    QTest::addColumn<QPoint>("shift");  // shift boxes, pixels
    QTest::addColumn<bool>("throughBackup");
    QTest::newRow("template offset") << QPoint(13, -7) << 100.0 << QPoint() << QPoint() << false;
    QTest::newRow("item move") << QPoint() << 100.0 << QPoint(-21, 4) << QPoint() << false;
    QTest::newRow("all three with shift boxes")
        << QPoint(5, 5) << 100.0 << QPoint(3, 1) << QPoint(10, -8) << false;
    QTest::newRow("scale and offset, backup and restore")
        << QPoint(-9, 12) << 101.5 << QPoint(7, 0) << QPoint() << true;
}

void TestLayoutAdjustments::landsOnPdf()
{
    QFETCH(QPoint, offset);
    QFETCH(double, scale);
    QFETCH(QPoint, move);
    QFETCH(QPoint, shift);
    QFETCH(bool, throughBackup);

    const QString dbPath =
        TestStore::location(m_dir.filePath(QStringLiteral("%1.mdb").arg(QTest::currentDataTag())));
    QString error;
    {
        Database db;
        QVERIFY2(db.open(dbPath, &error), qPrintable(error));
        QVERIFY(db.exec("insert into outr (\"姓名\") values (?)", {kSender}));
        QVERIFY(db.exec("insert into inr (\"姓名\") values (?)", {kName}));
    }
    // Designed places first, from a file without the adjustment tables.
    const QString plain = m_dir.filePath("plain.pdf");
    {
        Database db;
        QVERIFY2(db.open(dbPath, &error, false), qPrintable(error));
        DataSet s, r;
        auto tpl = stReport(db, s, r);
        QVERIFY(tpl->adjustment().items.isEmpty());
        tpl->shiftLeft(shift.x());
        tpl->shiftTop(shift.y());
        QVERIFY2(ReportPdfWriter::write(tpl->report(), plain, &error), qPrintable(error));
        QVERIFY(LayoutAdjustments::setCalibration(db, "st", offset.x(), offset.y(), scale, scale, &error));
        QVERIFY(
            LayoutAdjustments::setItem(db, "st", "single", "QRDBText8", {move.x(), move.y(), false}, &error));
        // Another variant's offset leaves this one alone.
        QVERIFY(LayoutAdjustments::setItem(db, "st", "batch", "QRDBText1", {50, 50, false}, &error));
    }
    QString readPath = dbPath;
    if (throughBackup) {
        QString written;
        QVERIFY2(DatabaseBackup::backup(dbPath, m_dir.filePath("copy"), &error, &written), qPrintable(error));
        // From a server into a file and onto another server database.
        readPath = TestStore::location(m_dir.filePath("restored.mdb"));
        if (!TestStore::serverRun())
            QVERIFY(Database::createFile(readPath, &error));
        QVERIFY2(DatabaseBackup::restore(written, readPath, &error), qPrintable(error));
    }
    // A new connection, as after a restart.
    const QString adjusted = m_dir.filePath("adjusted.pdf");
    {
        Database db;
        QVERIFY2(db.open(readPath, &error, false), qPrintable(error));
        DataSet s, r;
        auto tpl = stReport(db, s, r);
        tpl->shiftLeft(shift.x());
        tpl->shiftTop(shift.y());
        QVERIFY2(ReportPdfWriter::write(tpl->report(), adjusted, &error), qPrintable(error));
    }
    const auto before = wordPositions(plain);
    const auto after = wordPositions(adjusted);
    QVERIFY(before.contains(kName) && after.contains(kName) && after.contains(kSender));
    const double s = scale / 100.0;
    const double tol = 0.5 * kPtPerTenth; // 0.05 mm
    auto expect = [&](const QString& word, QPoint moved) {
        const QPointF b = before.value(word);
        const QPointF a = after.value(word);
        const QPointF want(b.x() * s + (offset.x() + moved.x() * s) * kPtPerTenth,
                           b.y() * s + (offset.y() + moved.y() * s) * kPtPerTenth);
        QVERIFY2(qAbs(a.x() - want.x()) < tol && qAbs(a.y() - want.y()) < tol,
                 qPrintable(QStringLiteral("%1 at %2,%3 pt, expected %4,%5")
                                .arg(word)
                                .arg(a.x())
                                .arg(a.y())
                                .arg(want.x())
                                .arg(want.y())));
    };
    expect(kName, move);
    expect(kSender, QPoint());
}

void TestLayoutAdjustments::sheetMarksSitOnItems()
{
    std::unique_ptr<TemplateReport> tpl(TemplateReport::create("sf", "batch", nullptr));
    TemplateAdjustment a;
    a.dx = 25;
    a.dy = -12;
    a.scaleX = 102;
    a.scaleY = 99;
    a.items.insert(TemplateAdjustment::itemKey("batch", "QRDBText3"), {40, 20, false});
    a.items.insert(TemplateAdjustment::itemKey("batch", "QRDBText4"), {0, 0, true});
    tpl->setAdjustment(a);
    tpl->shiftLeft(3);

    // 254 dpi: one pixel is a tenth of a millimetre.
    const TQuickRep* rep = tpl->report();
    QImage img(int(rep->Page.Width), int(rep->Page.Length), QImage::Format_RGB32);
    img.setDotsPerMeterX(10000);
    img.setDotsPerMeterY(10000);
    QPainter p(&img);
    CalibrationSheet::paint(&p, *tpl);
    p.end();
    // Ink within a pixel of the place (lines are 0.15 mm wide).
    auto dark = [&](double x, double y) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                const QPoint at(int(std::lround(x)) + dx, int(std::lround(y)) + dy);
                if (img.rect().contains(at) && qGray(img.pixel(at)) < 128)
                    return true;
            }
        return false;
    };
    const TQRCalibration& c = rep->Calibration;
    int crosses = 0;
    for (const TQRDBText* item : tpl->items()) {
        const double x = item->Size.Left * c.ScaleX + c.Dx;
        const double y = item->Size.Top * c.ScaleY + c.Dy;
        if (!img.rect().contains(QPoint(int(x), int(y))))
            continue;
        const double arm = CalibrationSheet::kCrossArm - 5;
        const bool cross = dark(x, y) && dark(x - arm, y) && dark(x + arm, y) && dark(x, y - arm);
        QVERIFY2(cross == item->Enabled, qPrintable(item->objectName()));
        // Nothing half a millimetre beside the cross's centre line.
        QVERIFY(!dark(x - arm, y - 5) || !dark(x - arm, y + 5));
        crosses += cross ? 1 : 0;
    }
    QCOMPARE(crosses, tpl->items().size() - 1);
}

void TestLayoutAdjustments::resetKeepsTheLastState_data()
{
    QTest::addColumn<bool>("throughBackup");
    QTest::newRow("brought back") << false;
    QTest::newRow("brought back from a backup") << true;
}

void TestLayoutAdjustments::resetKeepsTheLastState()
{
    QFETCH(bool, throughBackup);
    const QString path =
        TestStore::location(m_dir.filePath(QStringLiteral("reset%1.mdb").arg(throughBackup)));
    QString error;
    Database db;
    QVERIFY2(db.open(path, &error), qPrintable(error));
    QImage form(40, 20, QImage::Format_RGB32);
    form.fill(Qt::darkCyan);
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    QVERIFY(form.save(&png, "PNG"));
    QVERIFY(LayoutAdjustments::setCalibration(db, "st", 12, -5, 100.5, 99.5, &error));
    QVERIFY(LayoutAdjustments::setPicture(db, "st", png.data(), &error));
    QVERIFY(LayoutAdjustments::setItem(db, "st", "single", "QRDBText8", {7, -3, false}, &error));
    QVERIFY(LayoutAdjustments::setItem(db, "st", "batch", "QRDBText1", {0, 0, true}, &error));
    QVERIFY(LayoutAdjustments::setItem(db, "sf", "single", "QRDBText2", {4, 4, false}, &error));
    QVERIFY(LayoutAdjustments::setWordWrap(db, "st", true, &error));
    const TemplateAdjustment before = LayoutAdjustments::load(db, "st");
    QCOMPARE(
        LayoutAdjustments::summary(before),
        QStringLiteral("1 个项目的位置、1 个隐藏的项目、打印校准（偏移 1.2, -0.5 mm，缩放 100.5% × 99.5%）、"
                       "自己的背景图"));
    QVERIFY(!LayoutAdjustments::hasKept(db, "st"));

    QVERIFY2(LayoutAdjustments::resetKeeping(db, "st", &error), qPrintable(error));
    const TemplateAdjustment cleared = LayoutAdjustments::load(db, "st");
    QVERIFY(LayoutAdjustments::summary(cleared).isEmpty());
    QVERIFY(cleared.wordWrap); // a choice, not fitting work
    QVERIFY(LayoutAdjustments::hasKept(db, "st"));
    QVERIFY(!LayoutAdjustments::hasKept(db, "sf"));

    QString readPath = path;
    if (throughBackup) {
        QString written;
        QVERIFY2(DatabaseBackup::backup(path, m_dir.filePath("reset-copy"), &error, &written),
                 qPrintable(error));
        readPath = TestStore::location(m_dir.filePath("reset-restored.mdb"));
        if (!TestStore::serverRun())
            QVERIFY(Database::createFile(readPath, &error));
        QVERIFY2(DatabaseBackup::restore(written, readPath, &error), qPrintable(error));
    }
    Database back;
    QVERIFY2(back.open(readPath, &error, false), qPrintable(error));
    QVERIFY2(LayoutAdjustments::restoreKept(back, "st", &error), qPrintable(error));
    const TemplateAdjustment after = LayoutAdjustments::load(back, "st");
    QCOMPARE(after.dx, before.dx);
    QCOMPARE(after.dy, before.dy);
    QCOMPARE(after.scaleX, before.scaleX);
    QCOMPARE(after.scaleY, before.scaleY);
    QCOMPARE(after.picture, before.picture);
    QVERIFY(after.wordWrap);
    QStringList keys = after.items.keys(), wanted = before.items.keys();
    keys.sort();
    wanted.sort();
    QCOMPARE(keys, wanted);
    for (auto it = before.items.cbegin(); it != before.items.cend(); ++it) {
        const ItemAdjustment got = after.items.value(it.key());
        QVERIFY2(got.dx == it->dx && got.dy == it->dy && got.hidden == it->hidden, qPrintable(it.key()));
    }
    QCOMPARE(LayoutAdjustments::load(back, "sf").item("single", "QRDBText2").dx, 4);
    // Brought back once: nothing kept any more, and a second try changes nothing.
    QVERIFY(!LayoutAdjustments::hasKept(back, "st"));
    QVERIFY(!LayoutAdjustments::restoreKept(back, "st", &error));
    QCOMPARE(LayoutAdjustments::load(back, "st").dx, 12);
}

void TestLayoutAdjustments::wordWrapPerTemplate_data()
{
    QTest::addColumn<QString>("chosenFor"); // template the user ticked 按词换行 on; empty: none
    QTest::addColumn<bool>("olderTable");   // layout_template as made before the choice existed
    QTest::addColumn<bool>("throughBackup");
    QTest::addColumn<bool>("words"); // st prints by words
    QTest::newRow("built-in default") << "" << false << false << false;
    QTest::newRow("chosen for st") << "st" << false << false << true;
    QTest::newRow("chosen for another template") << "zt" << false << false << false;
    QTest::newRow("older address book") << "st" << true << false << true;
    QTest::newRow("through backup and restore") << "st" << false << true << true;
}

void TestLayoutAdjustments::wordWrapPerTemplate()
{
    QFETCH(QString, chosenFor);
    QFETCH(bool, olderTable);
    QFETCH(bool, throughBackup);
    QFETCH(bool, words);

    // Three full lines by bytes; by words the number and "门" move down and
    // a fourth line is needed, which the item's height does not hold.
    const QString address = QStringLiteral(
        "广东省深圳市南山区粤海街道科技园南区12345678号楼某某大厦A座2501室，请送到门卫室，由保安代收工作日"
        "送达周末不收件");
    const QString bytes = BreakIntoLines(address, 39, WrapRule::Bytes);
    const QString byWords = BreakIntoLines(address, 39, WrapRule::Words);
    QCOMPARE(bytes.count(QLatin1String("\r\n")), 3);
    QVERIFY(bytes.endsWith(QLatin1String("\r\n")));
    QCOMPARE(byWords.count(QLatin1String("\r\n")), 3);
    QVERIFY(!byWords.endsWith(QLatin1String("\r\n")));

    const QString dbPath = TestStore::location(
        m_dir.filePath(QStringLiteral("wrap-%1.mdb").arg(QString::fromLatin1(QTest::currentDataTag()))));
    QString error;
    {
        Database db;
        QVERIFY2(db.open(dbPath, &error), qPrintable(error));
        QVERIFY(db.exec("insert into inr (\"地址\") values (?)", {address}));
        if (olderTable) {
            // A server makes the tables with its schema: as an older one did.
            QVERIFY(db.exec(QStringLiteral("DROP TABLE IF EXISTS layout_template")));
            QVERIFY(db.exec(
                QStringLiteral("CREATE TABLE layout_template (code TEXT PRIMARY KEY, "
                               "dx INTEGER NOT NULL DEFAULT 0, dy INTEGER NOT NULL DEFAULT 0, "
                               "scale_x REAL NOT NULL DEFAULT 100, scale_y REAL NOT NULL DEFAULT 100, "
                               "picture %1)")
                    .arg(db.type(Database::Type::Blob))));
            QVERIFY(
                db.exec("CREATE TABLE IF NOT EXISTS layout_item (code TEXT NOT NULL, variant TEXT NOT NULL, "
                        "item TEXT NOT NULL, dx INTEGER NOT NULL DEFAULT 0, dy INTEGER NOT NULL DEFAULT 0, "
                        "hidden INTEGER NOT NULL DEFAULT 0, PRIMARY KEY (code, variant, item))"));
            QVERIFY(db.exec("INSERT INTO layout_template (code, dx) VALUES ('st', 4)"));
            // Read before anything is written: the byte rule.
            QCOMPARE(LayoutAdjustments::load(db, "st", &error).wordWrap, false);
        }
        if (!chosenFor.isEmpty())
            QVERIFY2(LayoutAdjustments::setWordWrap(db, chosenFor, true, &error), qPrintable(error));
        if (olderTable)
            QCOMPARE(LayoutAdjustments::load(db, "st", &error).dx, 4);
    }
    QString readPath = dbPath;
    if (throughBackup) {
        QString written;
        QVERIFY2(DatabaseBackup::backup(dbPath, m_dir.filePath("wrap-copy"), &error, &written),
                 qPrintable(error));
        readPath = TestStore::location(m_dir.filePath("wrap-restored.mdb"));
        if (!TestStore::serverRun())
            QVERIFY(Database::createFile(readPath, &error));
        QVERIFY2(DatabaseBackup::restore(written, readPath, &error), qPrintable(error));
    }
    Database db;
    QVERIFY2(db.open(readPath, &error, false), qPrintable(error));
    DataSet s, r;
    auto tpl = stReport(db, s, r);
    QCOMPARE(tpl->wrapRule(), words ? WrapRule::Words : WrapRule::Bytes);
    ReportLayout layout(tpl->report());
    QVERIFY(layout.generateAll());
    const int item = tpl->items().indexOf(tpl->item(QStringLiteral("QRDBText7"))); // recipient's address
    QCOMPARE(layout.pageTexts(0).value(item), words ? byWords : bytes);
    // The overflow check counts the line the words rule needed more.
    int dropped = 0;
    for (const ReportOverflow& o : layout.overflows())
        if (o.item == item && o.kind == ReportOverflow::Kind::Lines)
            dropped += o.lines;
    QCOMPARE(dropped, words ? 1 : 0);
}

QTEST_MAIN(TestLayoutAdjustments)
#include "test_layout_adjustments.moc"
