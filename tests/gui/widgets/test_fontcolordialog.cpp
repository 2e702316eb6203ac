#include "gui/widgets/FontColorDialog.h"

#include <QComboBox>
#include <QTest>

class TestFontColorDialog : public QObject
{
    Q_OBJECT
private slots:
    void startsAtGivenFontAndColour_data();
    void startsAtGivenFontAndColour();
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

QTEST_MAIN(TestFontColorDialog)
#include "test_fontcolordialog.moc"
