#include "data/store/Database.h"
#include "exchange/DatabaseBackup.h"
#include "report/FontSetup.h"
#include "templates/BuiltInDesign.h"
#include "templates/LabelTemplates.h"
#include "templates/LayoutAdjustments.h"
#include "templates/TemplateFile.h"
#include "templates/UserTemplates.h"

#include "tests/TestStore.h"
#include "tests/templates/TemplatePrint.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// The shop's own templates: kept in the address book, copied from the
// built-in ones, handed on in template files, printed as the built-in ones.
class TestUserTemplates : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void keptInTheAddressBook();
    void copyPrintsAsBuiltIn_data();
    void copyPrintsAsBuiltIn();
    void fileCarriesThePrint_data();
    void fileCarriesThePrint();

private:
    QString freshBook(const QString& name);
    QTemporaryDir m_dir;
};

namespace {
constexpr double kTolerance = 0.05 * 72 / 25.4; // 0.05 mm in points
}

void TestUserTemplates::initTestCase()
{
    WAYBILL_REQUIRE_STORE();
    FontSetup::install();
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
}

QString TestUserTemplates::freshBook(const QString& name)
{
    const QString path = TestStore::location(m_dir.filePath(name + QStringLiteral(".mdb")));
    Database db;
    QString error;
    if (!db.open(path, &error) || !TemplatePrint::fill(db, &error))
        qWarning() << error;
    return path;
}

void TestUserTemplates::keptInTheAddressBook()
{
    const QString path = freshBook(QStringLiteral("kept"));
    QString error;
    TemplateDesign label = LabelTemplates::all().at(1);
    {
        Database db;
        QVERIFY2(db.open(path, &error, false), qPrintable(error));
        QVector<TemplateDesign> list;
        QVERIFY2(UserTemplates::list(db, &list, &error), qPrintable(error));
        QVERIFY(list.isEmpty());
        // A built-in code or a code with other characters is refused, nothing stored.
        for (const QString& code : {QStringLiteral("st"), QStringLiteral("a b"), QString()}) {
            label.code = code;
            QVERIFY(!UserTemplates::save(db, label, &error));
        }
        QVERIFY(UserTemplates::list(db, &list, &error) && list.isEmpty());
        label.code = UserTemplates::newCode(db);
        label.calibrationDx = 12;
        label.scaleY = 101;
        label.picture = QByteArray();
        QVERIFY2(UserTemplates::save(db, label, &error), qPrintable(error));
        QVERIFY(UserTemplates::newCode(db) != label.code);
    }
    // Another connection, as another computer: the file passes the check
    // for foreign tables and the server announces the change.
    Database watcher;
    QVERIFY2(watcher.open(path, &error, false), qPrintable(error));
    QStringList heard;
    QObject context;
    const bool notices = watcher.watchChanges(&context, [&](const QString& t) { heard << t; });
    QCOMPARE(notices, TestStore::serverRun());
    TemplateDesign back;
    QVERIFY2(UserTemplates::load(watcher, label.code, &back, &error), qPrintable(error));
    QCOMPARE(back, label);
    {
        Database db;
        QVERIFY(db.open(path, &error, false));
        label.caption = QStringLiteral("改过的名字");
        label.items.removeLast();
        QVERIFY2(UserTemplates::save(db, label, &error), qPrintable(error));
    }
    if (notices)
        QTRY_VERIFY_WITH_TIMEOUT(heard.contains(UserTemplates::kTable), 5000);
    QVERIFY(UserTemplates::load(watcher, label.code, &back, &error));
    QCOMPARE(back, label);

    // A backup carries it to another store.
    QString written;
    QVERIFY2(DatabaseBackup::backup(path, m_dir.filePath(QStringLiteral("kept-copy")), &error, &written),
             qPrintable(error));
    const QString restored = TestStore::location(m_dir.filePath(QStringLiteral("kept-restored.mdb")));
    if (!TestStore::serverRun())
        QVERIFY(Database::createFile(restored, &error));
    QVERIFY2(DatabaseBackup::restore(written, restored, &error), qPrintable(error));
    {
        Database db;
        QVERIFY2(db.open(restored, &error, false), qPrintable(error));
        QVector<TemplateDesign> list;
        QVERIFY2(UserTemplates::list(db, &list, &error), qPrintable(error));
        QCOMPARE(list.size(), 1);
        QCOMPARE(list.first(), label);
        QVERIFY2(UserTemplates::remove(db, label.code, &error), qPrintable(error));
        QVERIFY(UserTemplates::list(db, &list, &error) && list.isEmpty());
        QVERIFY(!LayoutAdjustments::load(db, label.code).hasCalibration());
        QVERIFY(!UserTemplates::remove(db, label.code, &error));
    }
}

void TestUserTemplates::copyPrintsAsBuiltIn_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("variant");
    QTest::addColumn<bool>("adjusted"); // calibration, a moved item, a hidden one
    QTest::newRow("st single") << "st"
                               << "single" << false;
    QTest::newRow("st single, adjusted") << "st"
                                         << "single" << true;
    for (int i : {5, 12, 19}) {
        const QString code = QString::fromLatin1(layouts::templateAt(i).code);
        QTest::newRow(qPrintable(code + " batch, adjusted")) << code << "batch" << true;
        QTest::newRow(qPrintable(code + " excel-single")) << code << "excel-single" << false;
    }
}

void TestUserTemplates::copyPrintsAsBuiltIn()
{
    QFETCH(QString, code);
    QFETCH(QString, variant);
    QFETCH(bool, adjusted);
    const QString path = freshBook(QStringLiteral("copy-%1-%2-%3").arg(code, variant).arg(adjusted));
    Database db;
    QString error;
    QVERIFY2(db.open(path, &error, false), qPrintable(error));
    const layouts::Template& tmpl = *layouts::findTemplate(code);
    layouts::Variant v;
    QVERIFY(layouts::parseVariant(variant, &v));
    const layouts::Page& page = tmpl.variant(v);
    if (adjusted) {
        QVERIFY(LayoutAdjustments::setCalibration(db, code, 13, -7, 101.5, 99, &error));
        QVERIFY(LayoutAdjustments::setItem(db, code, variant, QString::fromUtf8(page.items[0].name),
                                           {-21, 4, false}, &error));
        QVERIFY(LayoutAdjustments::setItem(db, code, variant, QString::fromUtf8(page.items[1].name),
                                           {0, 0, true}, &error));
    }
    const QString builtInPdf = m_dir.filePath(QTest::currentDataTag() + QStringLiteral("-built-in.pdf"));
    QVERIFY2(TemplatePrint::print(db, code, variant, builtInPdf, &error), qPrintable(error));

    TemplateDesign copy = builtInDesign(tmpl, v, LayoutAdjustments::load(db, code));
    copy.code = UserTemplates::newCode(db);
    copy.builtIn = false;
    QVERIFY2(UserTemplates::save(db, copy, &error), qPrintable(error));
    const QString copyPdf = m_dir.filePath(QTest::currentDataTag() + QStringLiteral("-copy.pdf"));
    QVERIFY2(TemplatePrint::print(db, copy.code, variant, copyPdf, &error), qPrintable(error));

    const auto a = TemplatePrint::words(builtInPdf);
    QVERIFY(a.size() > 5);
    QVERIFY2(TemplatePrint::sameWords(a, TemplatePrint::words(copyPdf), kTolerance, &error),
             qPrintable(error));
}

void TestUserTemplates::fileCarriesThePrint_data()
{
    QTest::addColumn<int>("label"); // LabelTemplates::all() index; -1: a copy of st
    QTest::addColumn<QString>("variant");
    QTest::newRow("76 x 130 single") << 0 << "single";
    QTest::newRow("100 x 150 batch") << 1 << "batch";
    QTest::newRow("100 x 180 excel-batch") << 2 << "excel-batch";
    QTest::newRow("copy of st, excel-single") << -1 << "excel-single";
}

void TestUserTemplates::fileCarriesThePrint()
{
    QFETCH(int, label);
    QFETCH(QString, variant);
    const QString tag =
        QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('-'));
    QString error;
    TemplateDesign design;
    if (label >= 0) {
        design = LabelTemplates::all().at(label);
    } else {
        TemplateAdjustment a;
        a.dx = -8;
        a.scaleX = 98.5;
        a.items.insert(TemplateAdjustment::itemKey(variant, QStringLiteral("QRDBText3")), {15, -5, false});
        design =
            builtInDesign(*layouts::findTemplate(QStringLiteral("st")), layouts::Variant::ExcelSingle, a);
    }
    design.code = QStringLiteral("shop-") + tag.left(3);
    design.builtIn = false;
    const QString file = m_dir.filePath(tag + QStringLiteral(".wbtemplate"));
    const QString firstPdf = m_dir.filePath(tag + QStringLiteral("-first.pdf"));
    {
        Database db;
        QVERIFY2(db.open(freshBook(tag + QStringLiteral("-first")), &error, false), qPrintable(error));
        QVERIFY2(UserTemplates::save(db, design, &error), qPrintable(error));
        TemplateDesign stored;
        QVERIFY(UserTemplates::load(db, design.code, &stored, &error));
        QVERIFY2(TemplateFile::write(file, stored, &error), qPrintable(error));
        QVERIFY2(TemplatePrint::print(db, design.code, variant, firstPdf, &error), qPrintable(error));
    }
    const QString secondPdf = m_dir.filePath(tag + QStringLiteral("-second.pdf"));
    {
        Database db;
        QVERIFY2(db.open(freshBook(tag + QStringLiteral("-second")), &error, false), qPrintable(error));
        TemplateDesign read;
        QVERIFY2(TemplateFile::read(file, &read, &error), qPrintable(error));
        QCOMPARE(read.items.size(), design.items.size());
        QVERIFY2(UserTemplates::save(db, read, &error), qPrintable(error));
        QVERIFY2(TemplatePrint::print(db, read.code, variant, secondPdf, &error), qPrintable(error));
    }
    const auto first = TemplatePrint::words(firstPdf);
    QVERIFY(first.size() > 10);
    QVERIFY2(TemplatePrint::sameWords(first, TemplatePrint::words(secondPdf), kTolerance, &error),
             qPrintable(error));
}

QTEST_MAIN(TestUserTemplates)
#include "test_user_templates.moc"
