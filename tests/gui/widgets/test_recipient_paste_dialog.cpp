#include "data/recognition/AddressParser.h"
#include "data/recognition/RegionTable.h"
#include "gui/widgets/RecipientPasteDialog.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>

// "智能识别": one pasted recipient comes back at once, several go through
// the review list, where the user's corrections are kept.
class TestRecipientPasteDialog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void oneOrNoneComesBackAtOnce_data();
    void oneOrNoneComesBackAtOnce();
    void severalAreReviewedAndCorrected();
    void pastingAnEmptyClipboardChangesNothing();

private:
    RegionTable m_regions;
};

void TestRecipientPasteDialog::initTestCase()
{
    QString err;
    QVERIFY2(m_regions.loadBuiltIn(&err), qPrintable(err));
}

void TestRecipientPasteDialog::oneOrNoneComesBackAtOnce_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("found");
    QTest::newRow("one") << QStringLiteral("\n张三 13800138000 河南省郑州市金水区花园路12号\n\n") << 1;
    QTest::newRow("blank") << QStringLiteral(" \n \n") << 0;
}

void TestRecipientPasteDialog::oneOrNoneComesBackAtOnce()
{
    QFETCH(QString, text);
    QFETCH(int, found);
    const AddressParser parser(m_regions);
    RecipientPasteDialog dialog(parser);
    dialog.findChild<QPlainTextEdit*>(QStringLiteral("PasteText"))->setPlainText(text);
    dialog.findChild<QPushButton*>(QStringLiteral("RecogniseButton"))->click();
    QCOMPARE(dialog.recipients().size(), found);
    QCOMPARE(dialog.result(), found ? int(QDialog::Accepted) : int(QDialog::Rejected));
    if (found)
        QCOMPARE(dialog.recipients().first().city, QStringLiteral("郑州市"));
    else
        QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("ReviewNote"))->text(),
                 QStringLiteral("没有可识别的文字。"));
}

void TestRecipientPasteDialog::severalAreReviewedAndCorrected()
{
    const AddressParser parser(m_regions);
    RecipientPasteDialog dialog(parser);
    dialog.show();
    QVERIFY(dialog.height() >= 480); // room for a pasted message
    dialog.setText(QStringLiteral("张三 13800138000 河南省郑州市金水区花园路12号东方大厦B座十二层1201室南门进"
                                  "门卫室旁边的快递柜第三排第二格\n\n"
                                  "赵先生 13900001111 朝阳区建国路88号 北京云帆科技有限公司\n\n李四 15035696956"));
    dialog.recognise();
    QCOMPARE(dialog.result(), int(QDialog::Rejected)); // still open for review
    auto* list = dialog.findChild<QTableWidget*>(QStringLiteral("ReviewList"));
    QVERIFY(list->isVisible());
    // A long address needs no sideways scrolling.
    QTRY_COMPARE(list->horizontalScrollBar()->maximum(), 0);
    QCOMPARE(list->rowCount(), 3);
    const int city = ParsedRecipient::keys().indexOf(QStringLiteral("城市"));
    // 朝阳区 lies in two cities: that cell is marked, the sure one is not.
    QCOMPARE(list->item(1, city)->background().color(), RecipientPasteDialog::unsureColor());
    QCOMPARE(list->item(1, city)->toolTip(), RecipientPasteDialog::unsureHint());
    QVERIFY(list->item(0, city)->background().style() == Qt::NoBrush);
    const int company = ParsedRecipient::keys().indexOf(QStringLiteral("收件单位"));
    QCOMPARE(list->horizontalHeaderItem(company)->text(), QStringLiteral("收件单位"));
    QCOMPARE(list->item(1, company)->text(), QStringLiteral("北京云帆科技有限公司"));

    list->item(1, city)->setText(QStringLiteral("北京市"));
    for (int col = 0; col < list->columnCount(); ++col)
        list->item(2, col)->setText(QString()); // emptied: not to be added
    auto* addAll = dialog.findChild<QPushButton*>(QStringLiteral("AddAllButton"));
    QVERIFY(addAll->isVisible());
    addAll->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    const QList<ParsedRecipient> got = dialog.recipients();
    QCOMPARE(got.size(), 2);
    QCOMPARE(got.at(0).name, QStringLiteral("张三"));
    QCOMPARE(got.at(1).city, QStringLiteral("北京市"));
    QCOMPARE(got.at(1).mobile, QStringLiteral("13900001111"));
    QCOMPARE(got.at(1).company, QStringLiteral("北京云帆科技有限公司"));
}

void TestRecipientPasteDialog::pastingAnEmptyClipboardChangesNothing()
{
    const AddressParser parser(m_regions);
    RecipientPasteDialog dialog(parser);
    auto* box = dialog.findChild<QPlainTextEdit*>(QStringLiteral("PasteText"));
    box->setPlainText(QStringLiteral("张三"));
    QGuiApplication::clipboard()->clear();
    box->paste();
    QCOMPARE(box->toPlainText(), QStringLiteral("张三"));
    QGuiApplication::clipboard()->setText(QStringLiteral(" 13800138000"));
    box->moveCursor(QTextCursor::End);
    box->paste();
    QCOMPARE(box->toPlainText(), QStringLiteral("张三 13800138000"));
}

QTEST_MAIN(TestRecipientPasteDialog)
#include "test_recipient_paste_dialog.moc"
