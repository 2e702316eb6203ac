#include "data/records/DataSet.h"
#include "data/records/DataSetModel.h"
#include "data/store/Database.h"
#include "data/store/Schema.h"
#include "data/store/Settings.h"
#include "exchange/DataExporter.h"
#include "exchange/XlsxTextWriter.h"
#include "gui/exchange/ExcelForm.h"
#include "gui/widgets/Dialogs.h"
#include "gui/widgets/RecipientListPanel.h"
#include "gui/widgets/RecipientTracking.h"
#include "gui/widgets/RecordGrid.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

class TestExcelForm : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void importShowsRowsAndMessage();
    void emptyPathIsRefused_data();
    void emptyPathIsRefused();
    void failedImportKeepsPreviousList();
    void largeImportKeepsLoopTurning_data();
    void largeImportKeepsLoopTurning();
    void searchAndRefresh();
    void printMenus();

private:
    QString writeWorkbook(const QList<QStringList>& people, const QString& name);
    QStringList names(DataSet* set);

    QTemporaryDir* m_dir = nullptr;
    QString m_oldCwd;
};

void TestExcelForm::init()
{
    m_dir = new QTemporaryDir;
    m_oldCwd = QDir::currentPath();
    QDir::setCurrent(m_dir->path());
    QVERIFY(Database::createFile(Settings().storeLocation(), nullptr));
    Dialogs::setScripted(true);
    Dialogs::clear();
}

void TestExcelForm::cleanup()
{
    QDir::setCurrent(m_oldCwd);
    delete m_dir;
}

// A workbook as the export writes it: the recipient columns as header, one
// row per person (name, mobile).
QString TestExcelForm::writeWorkbook(const QList<QStringList>& people, const QString& name)
{
    Database db;
    const QString scratch = m_dir->filePath(name + ".db");
    if (!db.open(scratch, nullptr))
        return {};
    for (const QStringList& p : people)
        db.exec("INSERT INTO inr (姓名, 手机, 地址) VALUES (?, ?, ?)", {p.value(0), p.value(1), p.value(2)});
    DataSet set;
    set.setDatabase(&db);
    set.open("inr");
    const DataExporter::Result r =
        DataExporter::exportDataSet(set, m_dir->filePath(name), DataExporter::Format::Xlsx);
    return r.ok ? r.path : QString();
}

QStringList TestExcelForm::names(DataSet* set)
{
    QStringList out;
    for (int r = 0; r < set->recordCount(); ++r)
        out << set->value(r, set->fieldIndex("姓名"));
    return out;
}

void TestExcelForm::importShowsRowsAndMessage()
{
    const QString book = writeWorkbook(
        {{"张三", "13800138000", "北京市海淀区"}, {"", "13900000000"}, {"李四", "0571-1234"}}, "list.xlsx");
    QVERIFY(!book.isEmpty());
    TExcelForm form(Settings().storeLocation());
    form.Edit1->setText("  " + book + " \t");
    form.Button1Click();
    // What came in and what was left out, and why.
    QCOMPARE(
        Dialogs::lastShown().text,
        QStringLiteral("批量导入EXCEL成功！\n导入 2 条记录。\n未导入 1 行（姓名和地址都为空）：第 3 行。"));
    QCOMPARE(Dialogs::lastShown().title, QStringLiteral("提示"));
    QCOMPARE(Dialogs::lastShown().icon, QMessageBox::NoIcon);
    QCOMPARE(names(form.ADOQuery1), QStringList({"张三", "李四"}));
    QCOMPARE(form.DataSource1->rowCount(), 2);
    QStringList hidden;
    for (int c = 0; c < form.DataSource1->columnCount(); ++c)
        if (form.DBGridEh1()->isColumnHidden(c))
            hidden << form.ADOQuery1->fieldNames().at(c);
    QCOMPARE(hidden, QStringList({"序号", "选中"}));
    QVERIFY(!form.SpeedButton1->autoRaise()); // "…" framed, a button beside the path
    // The list says how long it is; the waybill number shows without scrolling.
    QCOMPARE(form.recipientList()->frame()->title(), QStringLiteral("全部记录（2 条）"));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const int number = form.ADOQuery1->fieldIndex("快递单号");
    QVERIFY(form.DBGridEh1()->columnViewportPosition(number) + form.DBGridEh1()->columnWidth(number) <=
            form.DBGridEh1()->viewport()->width());
    // Empty cells are stored as empty texts; the columns the sheet doesn't
    // fill carry no value.
    QSqlQuery q(form.ADOQuery1->database()->db());
    QVERIFY(q.exec("SELECT count(*) FROM excel WHERE 备注 = '' AND 快递单号 IS NULL"));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toInt(), 2);
    // Importing the same workbook again leaves one copy.
    form.Button1Click();
    QCOMPARE(form.ADOQuery1->recordCount(), 2);
    // A list holding printed rows is replaced only when the user says so.
    Database db;
    QVERIFY(db.open(Settings().storeLocation(), nullptr));
    QVERIFY(db.exec("UPDATE excel SET 快递单号 = 'SF1' WHERE 姓名 = '李四'"));
    q = QSqlQuery(db.db());
    for (const bool yes : {false, true}) {
        Dialogs::clear();
        if (yes)
            Dialogs::answerButton(QMessageBox::Ok);
        form.Button1Click();
        QVERIFY2(Dialogs::shown().value(0).text.contains(QStringLiteral("1 条已打印或已编单号")),
                 qPrintable(Dialogs::shown().value(0).text));
        QVERIFY(q.exec("SELECT count(*) FROM excel WHERE 快递单号 = 'SF1'"));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), yes ? 0 : 1);
        q.finish(); // no read left open under the next import
    }
}

void TestExcelForm::emptyPathIsRefused_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("empty") << "";
    QTest::newRow("blanks") << "   ";
    QTest::newRow("tab and newline") << "\t\n";
}

void TestExcelForm::emptyPathIsRefused()
{
    QFETCH(QString, typed);
    Database db;
    QVERIFY(db.open(Settings().storeLocation(), nullptr));
    QVERIFY(db.exec("INSERT INTO excel (姓名) VALUES ('王五')"));
    TExcelForm form(Settings().storeLocation());
    form.Edit1->setText(typed);
    form.Button1Click();
    QCOMPARE(Dialogs::lastShown().text, QStringLiteral("请正确选择相关路径！"));
    QCOMPARE(names(form.ADOQuery1), QStringList({"王五"}));
}

void TestExcelForm::failedImportKeepsPreviousList()
{
    const QString book = writeWorkbook({{"张三", "1"}}, "good.xlsx");
    TExcelForm form(Settings().storeLocation());
    form.Edit1->setText(book);
    form.Button1Click();
    QCOMPARE(form.ADOQuery1->recordCount(), 1);

    QFile bad(m_dir->filePath("bad.xls"));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("姓名,手机\n李四,2\n");
    bad.close();
    form.Edit1->setText(bad.fileName());
    form.Button1Click();
    QVERIFY(Dialogs::lastShown().text.startsWith(QStringLiteral("批量导入EXCEL失败！")));
    QCOMPARE(names(form.ADOQuery1), QStringList({"张三"}));

    form.Edit1->setText(m_dir->filePath("missing.xls"));
    form.Button1Click();
    QVERIFY(Dialogs::lastShown().text.startsWith(QStringLiteral("批量导入EXCEL失败！")));
    QCOMPARE(names(form.ADOQuery1), QStringList({"张三"}));
}

void TestExcelForm::largeImportKeepsLoopTurning_data()
{
    QTest::addColumn<bool>("cancel");
    QTest::newRow("finishes") << false;
    QTest::newRow("cancelled while storing") << true;
}

// 100,000 rows take seconds: they are read and stored beside the event
// loop, which keeps turning all the while (a zero-interval timer ticks far
// more often than the import has steps), and the list is read once, after
// it. A cancel while the rows are being stored leaves the previous list.
void TestExcelForm::largeImportKeepsLoopTurning()
{
    QFETCH(bool, cancel);
    constexpr int kRows = 100000;
    const QString book = m_dir->filePath("big.xlsx");
    {
        XlsxTextWriter w(book);
        const QStringList header = Schema::importColumns();
        const int name = int(header.indexOf("姓名")), mobile = int(header.indexOf("手机"));
        QString err;
        QVERIFY2(w.open(&err) && w.addSheet("Sheet1", &err) && w.addRow(header, &err), qPrintable(err));
        QStringList row(header.size(), QString());
        for (int r = 0; r < kRows; ++r) {
            row[name] = QString("收件人%1").arg(r);
            row[mobile] = QString::number(13800000000LL + r);
            QVERIFY2(w.addRow(row, &err), qPrintable(err));
        }
        QVERIFY2(w.close(&err), qPrintable(err));
    }
    TExcelForm form(Settings().storeLocation());
    form.Edit1->setText(writeWorkbook({{"之前的", "1"}}, "before.xlsx"));
    form.Button1Click();
    QCOMPARE(names(form.ADOQuery1), QStringList({"之前的"}));
    int resets = 0, resetsAtStart = -1, readsDuring = 0;
    connect(form.ADOQuery1, &DataSet::reset, this, [&] { ++resets; });

    int ticks = 0;
    qint64 longestGap = 0;
    QElapsedTimer clock, gap;
    QTimer ticker;
    ticker.setInterval(0);
    connect(&ticker, &QTimer::timeout, this, [&] {
        ++ticks;
        longestGap = std::max(longestGap, gap.restart());
        // The list is not read again behind the import's back.
        if (resetsAtStart < 0)
            resetsAtStart = resets;
        readsDuring += resets != resetsAtStart;
        auto* progress = form.findChild<QProgressDialog*>();
        if (cancel && progress && progress->value() >= 60 && !progress->wasCanceled())
            progress->findChild<QPushButton*>()->click(); // "取消"
    });
    form.Edit1->setText(book);
    Dialogs::clear();
    clock.start();
    gap.start();
    ticker.start();
    form.Button1Click();
    ticker.stop();
    const qint64 took = clock.elapsed();
    qInfo("import of %d rows: %lld ms, %d event loop turns, longest gap %lld ms", kRows, took, ticks,
          longestGap);
    QVERIFY2(ticks > 1000, qPrintable(QString::number(ticks)));
    QVERIFY2(longestGap < 1000, qPrintable(QString::number(longestGap)));
    QCOMPARE(readsDuring, 0);
    if (cancel) {
        QVERIFY2(Dialogs::shown().isEmpty(), qPrintable(Dialogs::lastShown().text)); // a cancel says nothing
        QCOMPARE(names(form.ADOQuery1), QStringList({"之前的"}));
        return;
    }
    QCOMPARE(Dialogs::lastShown().text,
             QStringLiteral("批量导入EXCEL成功！\n导入 %1 条记录，没有略去的行。").arg(kRows));
    QCOMPARE(form.ADOQuery1->recordCount(), kRows);
    QCOMPARE(form.ADOQuery1->value(kRows - 1, form.ADOQuery1->fieldIndex("姓名")),
             QString("收件人%1").arg(kRows - 1));
    QCOMPARE(form.ADOQuery1->value(kRows - 1, form.ADOQuery1->fieldIndex("手机")),
             QString::number(13800000000LL + kRows - 1));
}

void TestExcelForm::searchAndRefresh()
{
    const QString book = writeWorkbook(
        {{"张三", "13800138000"}, {"老张", "13900000000"}, {"李\"四", "13800000001"}}, "s.xlsx");
    TExcelForm form(Settings().storeLocation());
    form.Edit1->setText(book);
    form.Button1Click();

    form.Edit2()->setText("张");
    form.Button2Click();
    QCOMPARE(names(form.ADOQuery1), QStringList({"张三", "老张"}));
    // The mobile box wins when both hold text.
    form.Edit3()->setText("1380");
    form.Button2Click();
    QCOMPARE(names(form.ADOQuery1), QStringList({"张三", "李\"四"}));
    form.Edit2()->setText("\"");
    form.Edit3()->clear();
    form.Button2Click();
    QCOMPARE(names(form.ADOQuery1), QStringList({"李\"四"}));
    // Both empty: nothing happens, the last result stays.
    form.Edit2()->clear();
    form.Button2Click();
    QCOMPARE(names(form.ADOQuery1), QStringList({"李\"四"}));

    form.Edit2()->setText("x");
    form.Button3Click();
    QCOMPARE(form.ADOQuery1->recordCount(), 3);
    QVERIFY(form.Edit2()->text().isEmpty());
    QVERIFY(form.Edit3()->text().isEmpty());
}

void TestExcelForm::printMenus()
{
    TExcelForm form(Settings().storeLocation());
    const QList<QAction*> top = form.MainMenu1->actions();
    QCOMPARE(top.size(), 3);
    QCOMPARE(top[0]->text(), QStringLiteral("【单张打印】"));
    QCOMPARE(top[1]->text(), QStringLiteral("【批量打印】"));
    QCOMPARE(top[2]->text(), QStringLiteral("【关闭窗口】"));
    // The twenty, then the shop's own templates; the batch menu also the two narrowed prints.
    QCOMPARE(form.SinglePrintMenu->actions().size(), 22);
    QCOMPARE(form.BatchPrintMenu->actions().size(), 25);
    QCOMPARE(form.SinglePrintMenu->actions().at(21)->text(), QStringLiteral("自定义模板"));
    QCOMPARE(form.BatchPrintMenu->actions().at(21)->text(), QStringLiteral("自定义模板"));
    QCOMPARE(form.SinglePrintMenu->actions().at(8)->text(), QStringLiteral("天天快递单模板【二】"));

    const QList<QAction*> context = form.PopupMenu1->actions();
    QCOMPARE(context.size(), 3);
    QCOMPARE(context[0]->text(), QStringLiteral("单张打印"));
    QCOMPARE(context[1]->text(), QStringLiteral("批量打印"));
    QCOMPARE(context[2]->text(), QStringLiteral("清除打印标记"));
    // The batch submenu ends in the two narrowed prints, each with every template.
    const QList<QAction*> batch = context[1]->menu()->actions();
    QCOMPARE(batch.size(), 25);
    QCOMPARE(batch[23]->text(), QStringLiteral("打印选中记录"));
    QCOMPARE(batch[24]->text(), QStringLiteral("仅未打印"));
    QCOMPARE(batch[23]->menu()->actions().size(), 22);
    QSignalSpy chosen(&form, &TExcelForm::selectionPrintRequested);
    batch[24]->menu()->actions().at(3)->trigger();
    QCOMPARE(chosen.size(), 1);
    QCOMPARE(chosen[0][0].toString(), QStringLiteral("sf"));
    QCOMPARE(chosen[0][1].value<layouts::Variant>(), layouts::Variant::ExcelBatch);
    QVERIFY(chosen[0][2].value<PrintSelection>().unprintedOnly);
    QCOMPARE(context[0]->menu()->actions().at(8)->text(), QStringLiteral("天天快递点模板【二】"));
    QCOMPARE(context[1]->menu()->actions().at(8)->text(), QStringLiteral("天天快递单模板【二】"));

    QSignalSpy spy(&form, &TExcelForm::templateRequested);
    form.SinglePrintMenu->actions().at(14)->trigger();
    context[1]->menu()->actions().at(3)->trigger();
    QCOMPARE(spy.size(), 2);
    QCOMPARE(spy[0][0].toString(), QStringLiteral("zt1"));
    QCOMPARE(spy[0][1].value<layouts::Variant>(), layouts::Variant::ExcelSingle);
    QCOMPARE(spy[1][0].toString(), QStringLiteral("sf"));
    QCOMPARE(spy[1][1].value<layouts::Variant>(), layouts::Variant::ExcelBatch);
    // Under the "未打印" filter a plain batch prints the unprinted rows only.
    form.recipientList()->tracking()->filterBox()->setCurrentIndex(1);
    form.BatchPrintMenu->actions().at(3)->trigger();
    QCOMPARE(spy.size(), 2);
    QCOMPARE(chosen.size(), 2);
    QVERIFY(chosen[1][2].value<PrintSelection>().unprintedOnly);
}

QTEST_MAIN(TestExcelForm)
#include "test_excelform.moc"
