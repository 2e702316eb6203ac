#include "gui/widgets/FontColorDialog.h"

#include "report/FontSetup.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QTest>

class TestFontColorDialog : public QObject
{
    Q_OBJECT
private slots:
    void startsAtGivenFontAndColour_data();
    void startsAtGivenFontAndColour();
    void startsAtItemsFont_data();
    void startsAtItemsFont();
};

void TestFontColorDialog::startsAtGivenFontAndColour_data()
{
    QTest::addColumn<QColor>("color");
    QTest::addColumn<QColor>("expected");
    QTest::newRow("black") << QColor(Qt::black) << QColor(Qt::black);
    QTest::newRow("maroon") << QColor(0x80, 0, 0) << QColor(0x80, 0, 0);
    // A colour not on the list starts the list at black.
    QTest::newRow("not offered") << QColor(1, 2, 3) << QColor(Qt::black);
}

void TestFontColorDialog::startsAtGivenFontAndColour()
{
    QFETCH(QColor, color);
    QFETCH(QColor, expected);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(14);
    FontColorDialog dialog(font, color);
    QCOMPARE(dialog.selectedColor(), expected);
    QCOMPARE(dialog.selectedFont().family(), QStringLiteral("DejaVu Sans"));
    QCOMPARE(dialog.selectedFont().pointSize(), 14);
    auto* box = dialog.findChild<QComboBox*>();
    QVERIFY(box);
    QCOMPARE(box->count(), 16);
    box->setCurrentIndex(9);
    QCOMPARE(dialog.selectedColor(), QColor(0xFF, 0, 0));
}

void TestFontColorDialog::startsAtItemsFont_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<QString>("shown"); // the face the dialog offers
    QTest::newRow("宋体 bold") << QStringLiteral("宋体") << true << QStringLiteral("宋体");
    // The installed stand-in goes by the name users know.
    QTest::newRow("stand-in") << QStringLiteral("AR PL UMing CN") << true << QStringLiteral("宋体");
    QTest::newRow("regular") << QStringLiteral("宋体") << false << QStringLiteral("宋体");
}

void TestFontColorDialog::startsAtItemsFont()
{
    QFETCH(QString, family);
    QFETCH(bool, bold);
    QFETCH(QString, shown);
    FontSetup::install();
    QFont font(family);
    font.setPointSize(12);
    font.setBold(bold);
    FontColorDialog dialog(font, Qt::black);
    // "确定" without a change gives the font back unchanged.
    const QFont chosen = dialog.selectedFont();
    QCOMPARE(chosen.family(), shown);
    QCOMPARE(chosen.pointSize(), 12);
    QCOMPARE(chosen.bold(), bold);
    // Every face keeps its four styles, bold among them, by Chinese names.
    auto* styles = dialog.findChildren<QListWidget*>().value(1);
    QVERIFY(styles);
    QStringList names;
    for (int i = 0; i < styles->count(); ++i)
        names << styles->item(i)->text();
    QCOMPARE(names, FontColorDialog::styleNames());
    styles->setCurrentRow(2);
    QVERIFY(dialog.selectedFont().bold());
    QCOMPARE(dialog.selectedFont().family(), shown);
    // The colour label shows its access key, not a literal "&".
    for (QLabel* l : dialog.findChildren<QLabel*>())
        if (l->text().startsWith(QStringLiteral("颜色")))
            QVERIFY(l->buddy());
}

QTEST_MAIN(TestFontColorDialog)
#include "test_fontcolordialog.moc"
