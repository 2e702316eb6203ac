#include "app/MainForm.h"
#include "app/ProgramWindows.h"
#include "data/records/DataSet.h"
#include "data/store/Database.h"
#include "data/store/ServerAddress.h"
#include "data/store/Settings.h"
#include "data/store/StoreSettings.h"
#include "exchange/DatabaseBackup.h"
#include "gui/exchange/ExcelForm.h"
#include "gui/templates/DesignerDocument.h"
#include "gui/templates/DesignerWindow.h"
#include "gui/templates/TemplateWindow.h"
#include "gui/templates/TemplateWindows.h"
#include "gui/widgets/Dialogs.h"
#include "report/FontSetup.h"
#include "report/ReportLayout.h"
#include "templates/BuiltInDesign.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QLineEdit>
#include <QMenu>
#include <QScopeGuard>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

// Every menu entry opens the window its caption names: the test closes
// whatever modal window comes up and records its object name.
class TestProgramWindows : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void mainMenusOpenTheirWindows_data();
    void mainMenusOpenTheirWindows();
    void excelButtonEmptiesPathAndShowsWindow();
    void excelMenusOpenExcelVariants();
    void templateWindowsPrintTheWindowsRows();
    void windowsFollowAnotherAddressBook();
    void refusedDatabaseCreatesNothing();
    void startWithTheServerDown_data();
    void startWithTheServerDown();
    void restoreClosesEveryWindowsConnection();
    void designerFromToolsAndTemplateWindows();

private:
    QString runAndCloseModal(const std::function<void()>& trigger);

    QTemporaryDir* m_dir = nullptr;
    QString m_oldCwd;
    std::unique_ptr<ProgramWindows> m_windows;
};

void TestProgramWindows::init()
{
    FontSetup::install();
    Dialogs::setScripted(true);
    Dialogs::clear();
    m_dir = new QTemporaryDir;
    m_oldCwd = QDir::currentPath();
    QDir::setCurrent(m_dir->path());
    QString error;
    m_windows.reset(ProgramWindows::create(Settings(), &error));
    QVERIFY2(m_windows, qPrintable(error));
}

void TestProgramWindows::cleanup()
{
    m_windows.reset();
    QDir::setCurrent(m_oldCwd);
    delete m_dir;
}

QString TestProgramWindows::runAndCloseModal(const std::function<void()>& trigger)
{
    QString seen;
    QTimer::singleShot(0, [&seen] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            seen = w->objectName();
            w->close();
        }
    });
    trigger();
    return seen;
}

void TestProgramWindows::mainMenusOpenTheirWindows_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("window");
    QTest::newRow("toolbar single st") << "PopupMenu2" << 0 << "TStForm";
    QTest::newRow("toolbar single qy") << "PopupMenu2" << 19 << "TQyForm";
    QTest::newRow("toolbar batch sf") << "PopupMenu3" << 3 << "TPlsfForm";
    QTest::newRow("toolbar batch zt1") << "PopupMenu3" << 14 << "TPlzt1Form";
    QTest::newRow("grid single ems1") << "grid single" << 17 << "TEms1Form";
    QTest::newRow("grid batch tt1") << "grid batch" << 8 << "TPltt1Form";
}

void TestProgramWindows::mainMenusOpenTheirWindows()
{
    QFETCH(QString, menu);
    QFETCH(int, index);
    QFETCH(QString, window);
    TMainForm* main = m_windows->mainForm();
    QMenu* m = nullptr;
    if (menu == "PopupMenu2")
        m = main->PopupMenu2;
    else if (menu == "PopupMenu3")
        m = main->PopupMenu3;
    else {
        for (QAction* a : main->PopupMenu1->actions())
            if (a->menu() && a->text() == (menu == "grid single" ? "单张打印" : "批量打印"))
                m = a->menu();
    }
    QVERIFY(m);
    QAction* entry = m->actions().at(index);
    QCOMPARE(runAndCloseModal([entry] { entry->trigger(); }), window);
}

void TestProgramWindows::excelButtonEmptiesPathAndShowsWindow()
{
    TExcelForm* excel = m_windows->excelForm();
    excel->Edit1->setText("/tmp/old.xls");
    excel->Edit2()->setText("张");
    QString path = "unchanged";
    QString shown;
    QTimer::singleShot(0, [&] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            shown = w->objectName();
            path = excel->Edit1->text();
            w->close();
        }
    });
    m_windows->mainForm()->SpeedButton4->click();
    QCOMPARE(shown, QStringLiteral("ExcelForm"));
    QCOMPARE(path, QString());
    QCOMPARE(excel->Edit2()->text(), QStringLiteral("张")); // only the path box is emptied
}

void TestProgramWindows::excelMenusOpenExcelVariants()
{
    TExcelForm* excel = m_windows->excelForm();
    QAction* single = excel->SinglePrintMenu->actions().at(0);
    QAction* batch = excel->BatchPrintMenu->actions().at(3);
    QCOMPARE(runAndCloseModal([single] { single->trigger(); }), QStringLiteral("TEstForm"));
    QCOMPARE(runAndCloseModal([batch] { batch->trigger(); }), QStringLiteral("TEPlsfForm"));
}

// The single-print windows take the current rows of the lists the main and
// Excel windows show, handed to them when the program's windows are made.
void TestProgramWindows::templateWindowsPrintTheWindowsRows()
{
    Database db;
    QVERIFY(db.open(Settings().storeLocation(), nullptr));
    QSqlQuery q(db.db());
    QVERIFY(q.exec(QStringLiteral("insert into inr (\"姓名\") values ('收件甲')")));
    QVERIFY(q.exec(QStringLiteral("insert into excel (\"姓名\") values ('导入乙')")));
    db.close();
    QVERIFY(m_windows->mainForm()->reconnect());
    QVERIFY(m_windows->excelForm()->connectDatabase());

    TemplateWindows* windows = m_windows->templateWindows();
    const struct
    {
        layouts::Variant variant;
        QString name;
    } cases[] = {{layouts::Variant::Single, QStringLiteral("收件甲")},
                 {layouts::Variant::ExcelSingle, QStringLiteral("导入乙")}};
    for (const auto& c : cases) {
        TemplateWindow* w = windows->window(QStringLiteral("st"), c.variant);
        QVERIFY(w);
        w->bindSources();
        ReportLayout run(w->report());
        QVERIFY(run.generateAll());
        QVERIFY2(run.pageTexts(0).contains(c.name), qPrintable(run.pageTexts(0).join(u'|')));
    }
}

// The main window finds another address book when it reconnects (here: the
// working directory changed); the Excel window and the template windows
// made before read that one from then on.
void TestProgramWindows::windowsFollowAnotherAddressBook()
{
    TemplateWindow* batch =
        m_windows->templateWindows()->window(QStringLiteral("st"), layouts::Variant::Batch);
    QVERIFY(batch);
    QTemporaryDir other;
    QDir::setCurrent(other.path());
    {
        Database db;
        QVERIFY(db.open(Settings().storeLocation(), nullptr));
        QVERIFY(db.exec(QStringLiteral("insert into inr (\"姓名\") values ('新址丙')")));
        QVERIFY(db.exec(QStringLiteral("insert into excel (\"姓名\") values ('新址丁')")));
    }
    QVERIFY(m_windows->mainForm()->reconnect());
    QCOMPARE(m_windows->mainForm()->storeLocation(), Settings().storeLocation());
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(m_windows->excelForm(), &activate);
    QCOMPARE(m_windows->excelForm()->recipients()->recordCount(), 1);
    QVERIFY(batch->loadBatchData());
    ReportLayout run(batch->report());
    QVERIFY(run.generateAll());
    QVERIFY2(run.pageTexts(0).contains(QStringLiteral("新址丙")), qPrintable(run.pageTexts(0).join(u'|')));
    m_windows.reset();
    QDir::setCurrent(m_dir->path());
}

void TestProgramWindows::refusedDatabaseCreatesNothing()
{
    m_windows.reset();
    QTemporaryDir other;
    QDir::setCurrent(other.path());
    QFile f("data.mdb");
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("not a database");
    f.close();
    QString error;
    std::unique_ptr<ProgramWindows> w(ProgramWindows::create(Settings(), &error));
    QVERIFY(!w);
    QVERIFY2(error.contains("data.mdb"), qPrintable(error));
    QDir::setCurrent(m_dir->path());
}

// The chosen server can't be reached at start: the program says where it
// looked, in Chinese, and the user decides; only 退出 ends the start.
void TestProgramWindows::startWithTheServerDown_data()
{
    QTest::addColumn<QList<int>>("answers"); // one per question asked
    QTest::addColumn<bool>("started");       // on the local file
    QTest::newRow("重试, then 改用本机数据文件") << QList<int>{QMessageBox::Retry, QMessageBox::Open} << true;
    QTest::newRow("数据库位置… (cancelled), then 退出")
        << QList<int>{QMessageBox::Apply, QMessageBox::Close} << false;
}

void TestProgramWindows::startWithTheServerDown()
{
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        QSKIP("Qt's PostgreSQL driver (libqt6sql6-psql) absent");
    QFETCH(QList<int>, answers);
    QFETCH(bool, started);
    m_windows.reset();
    const QString socketDir = m_dir->filePath(QStringLiteral("no-server"));
    ServerAddress address;
    QVERIFY(ServerAddress::parse(QStringLiteral("postgresql://waybill:secret@/waybill?host=") + socketDir,
                                 &address, nullptr));
    QString error;
    QVERIFY2(StoreSettings::useServer(address, &error), qPrintable(error));
    auto back = qScopeGuard([] { StoreSettings::useFile(nullptr); });
    Dialogs::clear();
    for (int a : answers)
        Dialogs::answerButton(QMessageBox::StandardButton(a));
    m_windows.reset(ProgramWindows::start());
    QCOMPARE(bool(m_windows), started);
    QStringList asked;
    for (const Dialogs::Shown& s : Dialogs::shown())
        if (s.kind == QLatin1String("message"))
            asked << s.text;
    QCOMPARE(asked.size(), answers.size());
    for (const QString& text : asked) {
        QVERIFY2(text.contains(QStringLiteral("本机套接字 %1（端口 5432）").arg(socketDir)) &&
                     text.contains(QStringLiteral("没有运行")),
                 qPrintable(text));
        QVERIFY2(!text.contains(QStringLiteral("secret")) && !text.contains(QStringLiteral("connection")),
                 qPrintable(text));
    }
    if (started) {
        QCOMPARE(Settings().server(), QString());
        QCOMPARE(m_windows->mainForm()->storeLocation(), Settings().storeLocation());
        QVERIFY(m_windows->mainForm()->database()->isOpen());
    } else {
        QCOMPARE(Dialogs::shown().at(1).title, QStringLiteral("数据库位置")); // the dialog came up
        QCOMPARE(Settings().server(), address.uri());                         // and changed nothing
    }
}

// A restore from the main window has the Excel window let go of the file
// too before it is replaced; that window connects again when next activated.
void TestProgramWindows::restoreClosesEveryWindowsConnection()
{
    TExcelForm* excel = m_windows->excelForm();
    Database* excelDb = excel->recipients()->database();
    QVERIFY(excelDb->isOpen());
    const QString backup = m_dir->filePath(QStringLiteral("copy.bak"));
    QVERIFY(DatabaseBackup::backup(Settings().storeLocation(), backup, nullptr));
    Dialogs::answerFile(backup);
    m_windows->mainForm()->SpeedButton7->click();
    QCOMPARE(Dialogs::lastShown().text, QStringLiteral("数据恢复成功！"));
    QVERIFY(!m_windows->mainForm()->database()->isOpen());
    QVERIFY(!excelDb->isOpen());
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(excel, &activate);
    QVERIFY(excelDb->isOpen());
}

void TestProgramWindows::designerFromToolsAndTemplateWindows()
{
    TMainForm* main = m_windows->mainForm();
    QAction* tools = nullptr;
    for (QAction* a : main->PopupMenu5->actions())
        if (a->text() == QStringLiteral("模板设计…"))
            tools = a;
    QVERIFY(tools);
    tools->trigger();
    auto* designer = main->findChild<DesignerWindow*>();
    QVERIFY(designer && designer->isVisible());
    QVERIFY(designer->document()->design().items.isEmpty());

    // "复制为自定义模板" in the 申通 window: the window makes way, the
    // designer holds the copy, to be saved under a code of its own.
    QString copied;
    QTimer::singleShot(0, [&copied] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            if (auto* copy = w->findChild<QAction*>(QStringLiteral("CopyAction"));
                copy && copy->isVisible()) {
                copied = w->objectName();
                copy->trigger();
            } else {
                w->close();
            }
        }
    });
    emit main->templateRequested(QStringLiteral("st"), layouts::Variant::Single);
    QCOMPARE(copied, QStringLiteral("TStForm"));
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    const TemplateDesign d = designer->document()->design();
    const TemplateDesign st = builtInDesign(*layouts::findTemplate("st"), layouts::Variant::Single);
    QCOMPARE(d.items, st.items);
    QVERIFY(d.code.isEmpty() && !d.builtIn);
    QCOMPARE(d.caption, st.caption + QStringLiteral("（副本）"));
}

QTEST_MAIN(TestProgramWindows)
#include "test_programwindows.moc"
