#include "app/MainForm.h"
#include "app/RecordEditor.h"
#include "data/recognition/AddressParser.h"
#include "data/recognition/RegionTable.h"
#include "data/records/DataSet.h"
#include "data/store/AppInfo.h"
#include "data/store/Database.h"
#include "data/store/DatabaseFile.h"
#include "data/store/Settings.h"
#include "gui/widgets/DesktopLauncher.h"
#include "gui/widgets/Dialogs.h"
#include "gui/widgets/HelpWindow.h"
#include "gui/widgets/ProductInfo.h"
#include "gui/widgets/RecipientTracking.h"
#include "gui/widgets/RecordGrid.h"
#include "gui/widgets/Shell.h"
#include "report/FontSetup.h"

#include "templates/LabelTemplates.h"
#include "templates/UserTemplates.h"
#include <QAction>
#include <QComboBox>
#include <QDate>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QStatusBar>

#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <cstdio>

#include <memory>

namespace {

QString today(const char* format)
{
    return QDate::currentDate().toString(QLatin1String(format));
}

// Rows of a table read through a connection of its own, "col1|col2|..." per row.
QStringList tableRows(const QString& table, const QStringList& columns)
{
    Database db;
    QString error;
    if (!db.open(Settings().storeLocation(), &error, false))
        return {QStringLiteral("open failed: ") + error};
    QStringList quoted;
    for (const QString& c : columns)
        quoted << QLatin1Char('"') + c + QLatin1Char('"');
    QSqlQuery q(db.db());
    q.exec(QStringLiteral("SELECT %1 FROM %2 ORDER BY _rowid_").arg(quoted.join(QLatin1Char(',')), table));
    QStringList rows;
    while (q.next()) {
        QStringList cells;
        for (int i = 0; i < columns.size(); ++i)
            cells << (q.value(i).isNull() ? QStringLiteral("<null>") : q.value(i).toString());
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

bool execSql(const QString& sql, const QVariantList& binds = {})
{
    Database db;
    QString error;
    if (!db.open(Settings().storeLocation(), &error, true))
        return false;
    return db.exec(sql, binds, &error);
}

// Makes row the grid's current and only selected row, as a plain click on
// its row indicator does (QTableView::selectRow would honour modifier keys
// that an earlier simulated click left behind).
void selectRow(QTableView* grid, int row)
{
    grid->selectionModel()->setCurrentIndex(grid->model()->index(row, 3),
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void commitText(QLineEdit* box, const QString& text)
{
    box->setFocus();
    box->end(false);
    QInputMethodEvent ev;
    ev.setCommitString(text);
    QCoreApplication::sendEvent(box, &ev);
}

QStringList captions(const QMenu* menu)
{
    QStringList out;
    for (const QAction* a : menu->actions())
        out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

QStringList messageTexts()
{
    QStringList out;
    for (const Dialogs::Shown& s : Dialogs::shown())
        out << s.text;
    return out;
}

} // namespace

class TestMainForm : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QTemporaryDir m_home;
    std::unique_ptr<TMainForm> m_form;

    TMainForm* start()
    {
        QString error;
        m_form.reset(TMainForm::create(Settings(), &error));
        if (!m_form)
            qWarning("create failed: %s", qPrintable(error));
        else
            m_form->show();
        return m_form.get();
    }
    void setPreference(const QVariant& v)
    {
        QSettings s(QSettings::NativeFormat, QSettings::UserScope, AppInfo::organization());
        if (v.isValid())
            s.setValue(QStringLiteral("outr"), v);
        else
            s.remove(QStringLiteral("outr"));
        s.sync();
    }
    QString preference()
    {
        QSettings s(QSettings::NativeFormat, QSettings::UserScope, AppInfo::organization());
        return s.value(QStringLiteral("outr")).toString();
    }
    void addRecipients(const QList<QPair<QString, QString>>& people)
    {
        for (const auto& p : people)
            QVERIFY(execSql(QStringLiteral("INSERT INTO inr (姓名, 手机, 城市) VALUES (?, ?, '北京')"),
                            {p.first, p.second}));
    }
    void clickRowHeader(QTableView* grid, int row, Qt::KeyboardModifiers mods)
    {
        QHeaderView* h = grid->verticalHeader();
        QTest::mouseClick(h->viewport(), Qt::LeftButton, mods,
                          QPoint(5, h->sectionViewportPosition(row) + 5));
    }
    QStringList gridNames(TMainForm* f)
    {
        QStringList out;
        const int col = f->recipients()->fieldIndex(QStringLiteral("姓名"));
        for (int r = 0; r < f->recipients()->recordCount(); ++r)
            out << f->recipients()->value(r, col);
        return out;
    }

private slots:
    void initTestCase()
    {
        // Never touch the real desktop or settings, also when the test is
        // started by hand outside ctest.
        QVERIFY(m_home.isValid());
        qputenv("HOME", QFile::encodeName(m_home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(QStringLiteral(".config"))));
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_home.filePath(QStringLiteral(".local/share"))));
        qputenv("XDG_DESKTOP_DIR", QFile::encodeName(m_home.filePath(QStringLiteral("Desktop"))));
        FontSetup::install();
        Dialogs::setScripted(true);
    }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QVERIFY(QDir::setCurrent(m_dir->path()));
        Dialogs::clear();
        setPreference({});
        Shell::setFinder({});
        Shell::setStarter({});
        Shell::setUrlOpener({});
    }

    void cleanup()
    {
        m_form.reset();
        QDir::setCurrent(QDir::tempPath());
        m_dir.reset();
    }

    // ------------------------------------------------------------ start-up

    void firstStartCreatesDatabaseAndShowsRecipientView()
    {
        QVERIFY(!QFile::exists(QStringLiteral("data.mdb")));
        TMainForm* f = start();
        QVERIFY(f);
        QString error;
        QVERIFY2(DatabaseFile::check(Settings().storeLocation(), &error), qPrintable(error));
        QCOMPARE(f->objectName(), QStringLiteral("MainForm"));
        QVERIFY(f->Panel4->isVisible());
        QVERIFY(!f->Panel3->isVisible());
        // The editors' width, scrolled sideways where the screen is narrower
        // (the offscreen screen is 800 x 600); 600 pixels high, the grid
        // gives up rows and nothing scrolls up and down; the window's top
        // left on screen.
        auto* scroll = f->findChild<QScrollArea*>(QStringLiteral("ClientScroll"));
        QVERIFY(QTest::qWaitForWindowExposed(f));
        QCOMPARE(scroll->widget()->width(), 1009);
        QCOMPARE(scroll->widget()->height(), scroll->viewport()->height());
        QVERIFY(f->DBGridEh1()->height() > 100);
        const QRect room = f->screen()->availableGeometry();
        QVERIFY(f->size().width() <= room.width() && f->size().height() <= room.height());
        QVERIFY(room.contains(f->frameGeometry().topLeft()));
        // The empty sender table gained one row holding only the print date.
        QCOMPARE(tableRows(QStringLiteral("outr"), {QStringLiteral("姓名"), QStringLiteral("年"),
                                                    QStringLiteral("月"), QStringLiteral("日")}),
                 QStringList{QStringLiteral("<null>|%1|%2|%3").arg(today("yyyy"), today("MM"), today("dd"))});
        QVERIFY(Dialogs::shown().isEmpty());
    }

    void windowGrowsAndGridsTakeTheRoom()
    {
        TMainForm* f = start();
        QVERIFY(f);
        QVERIFY(QTest::qWaitForWindowExposed(f));
        // The designed size is where it starts, not a limit.
        QCOMPARE(f->maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
        for (QWidget* grid : {static_cast<QWidget*>(f->DBGridEh1()), static_cast<QWidget*>(f->DBGridEh2)}) {
            const bool sender = grid == f->DBGridEh2;
            sender ? f->showSenderView() : f->showRecipientView();
            f->resize(1009, 662);
            QTRY_COMPARE(f->size(), QSize(1009, 662));
            const QSize before = grid->size();
            f->resize(1900, 1000);
            QTRY_COMPARE(f->size(), QSize(1900, 1000));
            QTRY_COMPARE(grid->width() - before.width(), 1900 - 1009);
            QCOMPARE(grid->height() - before.height(), 1000 - 662);
            // The close icon stays at the title bar's right end.
            QToolButton* close = sender ? f->SenderCloseIcon : f->RecipientCloseIcon;
            QVERIFY(close->mapTo(f, QPoint(close->width(), 0)).x() > 1900 - 20);
        }
    }

    void searchBarSpeaksOneFace()
    {
        TMainForm* f = start();
        QVERIFY(f);
        const QString face = f->Edit25()->font().family();
        for (const char* name : {"WaybillNumberBox", "PrintedFilter"}) {
            auto* w = f->findChild<QWidget*>(QLatin1String(name));
            QVERIFY(w);
            QCOMPARE(w->font().family(), face);
            QCOMPARE(w->font().pixelSize(), f->Edit25()->font().pixelSize());
        }
    }

    void gridsShowWholeNumbersAndAddresses()
    {
        addRecipients({{QStringLiteral("张三"), QStringLiteral("13800138000")}});
        QVERIFY(execSql(QStringLiteral("INSERT INTO outr (姓名, 手机, 电话, 地址) VALUES (?, ?, ?, ?)"),
                        {QStringLiteral("李四"), QStringLiteral("13912345678"),
                         QStringLiteral("010-88886666"), QStringLiteral("北京市朝阳区建国路88号")}));
        TMainForm* f = start();
        QVERIFY(f);
        QVERIFY(QTest::qWaitForWindowExposed(f));
        const auto check = [](RecordGrid* grid, DataSet* set, const QStringList& columns) {
            // What the cells' content needs (public on the base class).
            const QAbstractItemView* view = grid;
            for (const QString& name : columns) {
                const int c = set->fieldIndex(name);
                QVERIFY2(grid->columnWidth(c) >= view->sizeHintForColumn(c),
                         qPrintable(QStringLiteral("%1 %2: %3 < %4")
                                        .arg(grid->objectName(), name)
                                        .arg(grid->columnWidth(c))
                                        .arg(view->sizeHintForColumn(c))));
            }
        };
        check(f->DBGridEh1(), f->recipients(), {QStringLiteral("手机")});
        f->showSenderView();
        check(
            f->DBGridEh2, f->senders(),
            {QStringLiteral("姓名"), QStringLiteral("手机"), QStringLiteral("电话"), QStringLiteral("地址")});
    }

    void helpNamesEveryCommand()
    {
        TMainForm* f = start();
        QVERIFY(f);
        HelpWindow help;
        const QString text = help.shownText();
        QStringList commands;
        for (const QMenu* menu : f->findChildren<QMenu*>())
            for (const QAction* a : menu->actions())
                if (!a->isSeparator())
                    commands << a->text();
        for (const QToolButton* b : f->findChildren<QToolButton*>())
            commands << b->text();
        QStringList missing;
        for (QString c : std::as_const(commands)) {
            c = c.remove(QLatin1Char('&')).trimmed();
            if (!c.isEmpty() && !text.contains(c) && !missing.contains(c))
                missing << c;
        }
        QVERIFY(commands.size() > 40);
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QStringLiteral("、"))));
    }

    void printDateGoesToFirstSenderRowOnly()
    {
        QVERIFY(execSql(QStringLiteral("INSERT INTO outr (姓名, 年, 月, 日) VALUES "
                                       "('甲', '2001', '01', '01'), ('乙', '2002', '02', '02')")));
        QVERIFY(start());
        QCOMPARE(tableRows(QStringLiteral("outr"), {QStringLiteral("姓名"), QStringLiteral("年"),
                                                    QStringLiteral("月"), QStringLiteral("日")}),
                 (QStringList{QStringLiteral("甲|%1|%2|%3").arg(today("yyyy"), today("MM"), today("dd")),
                              QStringLiteral("乙|2002|02|02")}));
    }

    void unreachableServerIsNoFile()
    {
        QVERIFY(
            Settings().setServer(QStringLiteral("postgresql://waybill@/nobook?host=/nonexistent"), nullptr));
        QString error;
        std::unique_ptr<TMainForm> f(TMainForm::create(Settings(), &error));
        QVERIFY(Settings().setServer(QString(), nullptr));
        QVERIFY(!f);
        // The server is named as one, never as a file.
        QVERIFY2(error.contains(QStringLiteral("数据库服务器")) &&
                     !error.contains(QStringLiteral("数据库文件")),
                 qPrintable(error));
    }

    void foreignFileIsRefusedAndNamed()
    {
        QFile f(QStringLiteral("data.mdb"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        const char bytes[] = "\0\1\0\0Standard Jet DB\0 and more bytes of an old Access file";
        const QByteArray foreign(bytes, sizeof bytes - 1);
        f.write(foreign);
        f.close();
        QString error;
        std::unique_ptr<TMainForm> form(TMainForm::create(Settings(), &error));
        QVERIFY(!form);
        QVERIFY2(error.contains(QDir::toNativeSeparators(Settings().storeLocation())), qPrintable(error));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), foreign); // left untouched
    }

    void startupView_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<bool>("senderView");
        QTest::newRow("1") << QVariant(QStringLiteral("1")) << true;
        QTest::newRow("0") << QVariant(QStringLiteral("0")) << false;
        QTest::newRow("empty") << QVariant(QString()) << false;
        QTest::newRow("other") << QVariant(QStringLiteral("yes")) << false;
        QTest::newRow("1 with blank") << QVariant(QStringLiteral("1 ")) << false;
        QTest::newRow("none") << QVariant() << false;
    }
    void startupView()
    {
        QFETCH(QVariant, stored);
        QFETCH(bool, senderView);
        setPreference(stored);
        TMainForm* f = start();
        QVERIFY(f);
        QCOMPARE(f->Panel3->isVisible(), senderView);
        QCOMPARE(f->Panel4->isVisible(), !senderView);
    }

    void panelSwitchesStorePreference()
    {
        TMainForm* f = start();
        QVERIFY(f);
        f->SpeedButton1->click();
        QVERIFY(f->Panel3->isVisible());
        QCOMPARE(preference(), QStringLiteral("1"));
        f->SenderCloseIcon->click();
        QVERIFY(f->Panel4->isVisible() && !f->Panel3->isVisible());
        QCOMPARE(preference(), QStringLiteral("0"));
        f->RecipientCloseIcon->click();
        QVERIFY(f->Panel3->isVisible());
        QCOMPARE(preference(), QStringLiteral("1"));
        f->Button9->click();
        QVERIFY(!f->Panel3->isVisible());
        QCOMPARE(preference(), QStringLiteral("0"));
        m_form.reset();
        QVERIFY(start());
        QVERIFY(!m_form->Panel3->isVisible());
    }

    void launcherIsRewrittenAtEveryStart()
    {
        const QString home = m_dir->path() + QStringLiteral("/home");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home + QStringLiteral("/.config")));
        qputenv("XDG_DATA_HOME", QFile::encodeName(home + QStringLiteral("/.local/share")));
        qputenv("XDG_DESKTOP_DIR", QFile::encodeName(home + QStringLiteral("/桌面 dir")));
        const QString launcher = home + QStringLiteral("/桌面 dir/Tavrin快递单打印软件（专业版）.desktop");
        QCOMPARE(DesktopLauncher::launcherPath(), launcher);
        QVERIFY(start());
        QVERIFY(QFile::exists(launcher));
        QVERIFY(QFileInfo(launcher).isExecutable());
        QFile::remove(launcher);
        m_form.reset();
        QVERIFY(start());
        QFile file(launcher);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        const QString program = QCoreApplication::applicationFilePath();
        QVERIFY2(text.contains(QStringLiteral("\nExec=") +
                               DesktopLauncher::escapeValue(DesktopLauncher::quoteExecArg(program)) +
                               QLatin1Char('\n')),
                 qPrintable(text));
        // Started where the address book in use lives, not in the program's folder.
        QVERIFY2(text.contains(QStringLiteral("\nPath=") +
                               QFileInfo(Settings().storeLocation()).absolutePath() + QLatin1Char('\n')),
                 qPrintable(text));
        const QString iconLine = text.section(QStringLiteral("\nIcon="), 1).section(QLatin1Char('\n'), 0, 0);
        QVERIFY2(QFile::exists(iconLine), qPrintable(iconLine));

        // user-dirs.dirs, as xdg-user-dir reads it, wins over the variable.
        QDir().mkpath(home + QStringLiteral("/.config"));
        QFile dirs(home + QStringLiteral("/.config/user-dirs.dirs"));
        QVERIFY(dirs.open(QIODevice::WriteOnly));
        dirs.write("# comment\nXDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
        dirs.close();
        QCOMPARE(DesktopLauncher::desktopDir(), QDir::homePath() + QStringLiteral("/Schreibtisch"));
        QFile::remove(dirs.fileName());
        qunsetenv("XDG_DESKTOP_DIR");
        QCOMPARE(DesktopLauncher::desktopDir(), QDir::homePath() + QStringLiteral("/Desktop"));
    }

    void execQuoting_data()
    {
        QTest::addColumn<QString>("arg");
        QTest::addColumn<QString>("quoted");
        QTest::newRow("plain") << QStringLiteral("/opt/waybill/waybill")
                               << QStringLiteral("/opt/waybill/waybill");
        QTest::newRow("blank") << QStringLiteral("/opt/my app/waybill")
                               << QStringLiteral("\"/opt/my app/waybill\"");
        QTest::newRow("dollar") << QStringLiteral("/opt/a$b") << QStringLiteral("\"/opt/a\\$b\"");
        QTest::newRow("percent") << QStringLiteral("/opt/100%") << QStringLiteral("/opt/100%%");
        QTest::newRow("quote") << QStringLiteral("/opt/a\"b") << QStringLiteral("\"/opt/a\\\"b\"");
    }
    void execQuoting()
    {
        QFETCH(QString, arg);
        QFETCH(QString, quoted);
        QCOMPARE(DesktopLauncher::quoteExecArg(arg), quoted);
    }

    void exitClosesWindow()
    {
        TMainForm* f = start();
        QVERIFY(f && f->isVisible());
        f->SpeedButton14->click();
        QVERIFY(!f->isVisible());
        QVERIFY(Dialogs::shown().isEmpty());
    }

    // ------------------------------------------------------------ editing

    void addWithAllBoxesEmptyIsRefused_data()
    {
        QTest::addColumn<bool>("sender");
        QTest::newRow("sender") << true;
        QTest::newRow("recipient") << false;
    }
    void addWithAllBoxesEmptyIsRefused()
    {
        QFETCH(bool, sender);
        TMainForm* f = start();
        QVERIFY(f);
        const int before = sender ? f->senders()->recordCount() : f->recipients()->recordCount();
        (sender ? f->Button1 : f->Button3)->click();
        QCOMPARE(Dialogs::lastShown().text,
                 sender ? QStringLiteral("寄件信息不能为空！") : QStringLiteral("收件信息不能为空！"));
        QCOMPARE(Dialogs::lastShown().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(sender ? f->senders()->recordCount() : f->recipients()->recordCount(), before);
    }

    void addSenderWithOnlyNote_data()
    {
        QTest::addColumn<QString>("firstSender"); // before the start; null: none
        QTest::addColumn<QStringList>("rows");    // 姓名|备注|年 after two adds
        const QString year = today("yyyy");
        // The first start's row with only the date takes the first sender,
        // since batch printing uses the first row.
        QTest::newRow("first start") << QString()
                                     << QStringList{QStringLiteral("|只有备注|") + year,
                                                    QStringLiteral("乙||<null>")};
        QTest::newRow("first row in use")
            << QStringLiteral("甲")
            << QStringList{QStringLiteral("甲|<null>|") + year, QStringLiteral("|只有备注|<null>"),
                           QStringLiteral("乙||<null>")};
    }
    void addSenderWithOnlyNote()
    {
        QFETCH(QString, firstSender);
        QFETCH(QStringList, rows);
        if (!firstSender.isNull())
            QVERIFY(execSql(QStringLiteral("INSERT INTO outr (姓名) VALUES (?)"), {firstSender}));
        TMainForm* f = start();
        QVERIFY(f);
        f->Edit9->setText(QStringLiteral("只有备注"));
        f->Button1->click();
        QVERIFY(f->Edit9->text().isEmpty());
        f->Edit1->setText(QStringLiteral("乙"));
        f->Button1->click();
        QVERIFY(Dialogs::shown().isEmpty());
        QCOMPARE(tableRows(QStringLiteral("outr"),
                           {QStringLiteral("姓名"), QStringLiteral("备注"), QStringLiteral("年")}),
                 rows);
    }

    void addSenderWhenDatabaseVanished()
    {
        TMainForm* f = start();
        QVERIFY(f);
        QVERIFY(QFile::remove(Settings().storeLocation()));
        commitText(f->Edit1, QStringLiteral("寄件人"));
        f->Button1->click();
        // One error naming the file; no empty address book is made in its place.
        QCOMPARE(Dialogs::shown().size(), 1);
        QCOMPARE(Dialogs::lastShown().icon, QMessageBox::Critical);
        QVERIFY2(Dialogs::lastShown().text.contains(QStringLiteral("data.mdb")),
                 qPrintable(Dialogs::lastShown().text));
        QVERIFY(!QFile::exists(Settings().storeLocation()));
        QCOMPARE(f->Edit1->text(), QStringLiteral("寄件人")); // nothing typed is lost
    }

    void addRecipientWritesEmptyWaybillNumber()
    {
        TMainForm* f = start();
        QVERIFY(f);
        f->Edit10->setText(QStringLiteral("张三"));
        f->Edit22->setText(QStringLiteral("2"));
        f->Button3->click();
        QCOMPARE(tableRows(QStringLiteral("inr"), {QStringLiteral("姓名"), QStringLiteral("数量"),
                                                   QStringLiteral("快递单号"), QStringLiteral("选中")}),
                 QStringList{QStringLiteral("张三|2||<null>")});
        QCOMPARE(f->recipients()->recordCount(), 1);
        QVERIFY(f->Edit10->text().isEmpty() && f->Edit22->text().isEmpty());
    }

    void recognisedTextFillsBoxesOrAddsSeveral()
    {
        TMainForm* f = start();
        QVERIFY(f);
        // The button opens the paste dialog (scripted: cancelled, nothing changes).
        f->m_recipient->recogniseButton()->click();
        QCOMPARE(Dialogs::lastShown().title, QStringLiteral("智能识别"));
        QVERIFY(f->Edit10->text().isEmpty());
        // "导入订单…" beside it opens the order window (scripted: closed again).
        f->m_recipient->importOrdersButton()->click();
        QCOMPARE(Dialogs::lastShown().title, QStringLiteral("导入订单"));

        RegionTable regions;
        QVERIFY(regions.loadBuiltIn(nullptr));
        const AddressParser parser(regions);
        f->Edit22->setText(QStringLiteral("2"));
        f->m_recipient->takeRecognised(
            {parser.parse(QStringLiteral("朝阳区建国路88号 赵先生 13800138000 北京云帆科技有限公司"))});
        QCOMPARE(f->Edit10->text(), QStringLiteral("赵先生"));
        QCOMPARE(f->Edit14->text(), QStringLiteral("北京云帆科技有限公司"));
        QCOMPARE(f->Edit11->text(), QStringLiteral("13800138000"));
        QCOMPARE(f->Edit15->text(), QStringLiteral("朝阳区建国路88号"));
        QCOMPARE(f->Edit22->text(), QStringLiteral("2")); // no field for it in the text
        QVERIFY(f->isChanged(f->Edit10));
        QVERIFY(RecordEditor::isMarkedUnsure(f->Edit13) && RecordEditor::isMarkedUnsure(f->Edit15));
        QVERIFY(!RecordEditor::isMarkedUnsure(f->Edit11));
        commitText(f->Edit13, QStringLiteral("北京市"));
        QVERIFY(!RecordEditor::isMarkedUnsure(f->Edit13));
        f->Button3->click();
        QCOMPARE(tableRows(QStringLiteral("inr"), {QStringLiteral("姓名"), QStringLiteral("城市"),
                                                   QStringLiteral("数量"), QStringLiteral("快递单号")}),
                 QStringList{QStringLiteral("赵先生|北京市|2|")});
        QVERIFY(!RecordEditor::isMarkedUnsure(f->Edit15) && f->Edit15->text().isEmpty());

        f->m_recipient->takeRecognised(
            {parser.parse(QStringLiteral("张三 13800138000 河南省郑州市金水区花园路12号")),
             parser.parse(QStringLiteral("李四，15035696956，广东省深圳市宝安区新安街道建安一路99号"))});
        QCOMPARE(f->recipients()->recordCount(), 3);
        QCOMPARE(tableRows(QStringLiteral("inr"), {QStringLiteral("姓名"), QStringLiteral("城市")}).mid(1),
                 (QStringList{QStringLiteral("张三|郑州市"), QStringLiteral("李四|深圳市")}));
        QVERIFY(f->Edit10->text().isEmpty());
    }

    void changedFlagsFollowTheUser()
    {
        addRecipients({{QStringLiteral("李四"), QStringLiteral("13900000000")}});
        TMainForm* f = start();
        QVERIFY(f);
        QTest::keyClicks(f->Edit12, QStringLiteral("010"));
        commitText(f->Edit10, QStringLiteral("王五"));
        QCOMPARE(f->Edit10->text(), QStringLiteral("王五"));
        QVERIFY(f->isChanged(f->Edit10));
        QVERIFY(f->isChanged(f->Edit12));
        QVERIFY(!f->isChanged(f->Edit11));
        // Loading replaces what was typed and clears the flags.
        f->DBGridEh1DblClick();
        QCOMPARE(f->Edit10->text(), QStringLiteral("李四"));
        QCOMPARE(f->Edit11->text(), QStringLiteral("13900000000"));
        QVERIFY(f->Edit12->text().isEmpty());
        QVERIFY(!f->isChanged(f->Edit10));
        QVERIFY(!f->isChanged(f->Edit12));
        QVERIFY(!f->Button3->isEnabled());
        QVERIFY(f->Button4->isEnabled());
    }

    void changeWritesOnlyEditedBoxes()
    {
        addRecipients({{QStringLiteral("李四"), QStringLiteral("139")}});
        TMainForm* f = start();
        QVERIFY(f);
        QTest::mouseDClick(f->DBGridEh1()->viewport(), Qt::LeftButton, {}, QPoint(30, 5));
        QCOMPARE(f->Edit10->text(), QStringLiteral("李四"));
        commitText(f->Edit10, QStringLiteral("四"));
        // Someone else changes the city meanwhile: an untouched box must not
        // overwrite it with the stale text it was loaded with.
        QVERIFY(execSql(QStringLiteral("UPDATE inr SET 城市 = '上海'")));
        f->Button4->click();
        QCOMPARE(messageTexts(), QStringList{QStringLiteral("修改记录成功！")});
        QCOMPARE(tableRows(QStringLiteral("inr"),
                           {QStringLiteral("姓名"), QStringLiteral("城市"), QStringLiteral("手机")}),
                 QStringList{QStringLiteral("李四四|上海|139")});
        QVERIFY(f->Button3->isEnabled());
        QVERIFY(!f->Button4->isEnabled());
        QVERIFY(f->Edit10->text().isEmpty());
    }

    void changeWithoutEditsAndWithErasedBox()
    {
        addRecipients({{QStringLiteral("李四"), QStringLiteral("139")}});
        TMainForm* f = start();
        QVERIFY(f);
        f->DBGridEh1DblClick();
        f->Button4->click();
        QCOMPARE(Dialogs::lastShown().text, QStringLiteral("修改记录成功！"));
        QCOMPARE(tableRows(QStringLiteral("inr"), {QStringLiteral("姓名"), QStringLiteral("手机")}),
                 QStringList{QStringLiteral("李四|139")});

        f->DBGridEh1DblClick();
        f->Edit11->setFocus();
        f->Edit11->selectAll();
        QTest::keyClick(f->Edit11, Qt::Key_Delete);
        QVERIFY(f->isChanged(f->Edit11));
        f->Button4->click();
        QCOMPARE(tableRows(QStringLiteral("inr"),
                           {QStringLiteral("姓名"), QStringLiteral("手机"), QStringLiteral("城市")}),
                 QStringList{QStringLiteral("李四||北京")});
    }

    void changeGoesToTheLoadedRow()
    {
        addRecipients({{QStringLiteral("甲"), QString()},
                       {QStringLiteral("乙"), QString()},
                       {QStringLiteral("丙"), QString()}});
        TMainForm* f = start();
        QVERIFY(f);
        selectRow(f->DBGridEh1(), 0);
        f->DBGridEh1DblClick();
        selectRow(f->DBGridEh1(), 2); // the user moves on before saving
        QCOMPARE(f->recipients()->currentRow(), 2);
        commitText(f->Edit24, QStringLiteral("改"));
        f->Button4->click();
        QCOMPARE(
            tableRows(QStringLiteral("inr"), {QStringLiteral("姓名"), QStringLiteral("备注")}),
            (QStringList{QStringLiteral("甲|改"), QStringLiteral("乙|<null>"), QStringLiteral("丙|<null>")}));
    }

    void changeAfterLoadedRowWasDeleted_data()
    {
        QTest::addColumn<bool>("throughGrid");
        QTest::newRow("deleted in the grid") << true;
        QTest::newRow("deleted elsewhere") << false;
    }
    void changeAfterLoadedRowWasDeleted()
    {
        QFETCH(bool, throughGrid);
        addRecipients({{QStringLiteral("甲"), QString()}, {QStringLiteral("乙"), QString()}});
        TMainForm* f = start();
        QVERIFY(f);
        selectRow(f->DBGridEh1(), 1);
        f->DBGridEh1DblClick();
        commitText(f->Edit24, QStringLiteral("改"));
        if (throughGrid) {
            f->Button5->click(); // row 1 is selected; OK confirms
        } else {
            QVERIFY(execSql(QStringLiteral("DELETE FROM inr WHERE 姓名 = '乙'")));
        }
        Dialogs::clear();
        f->Button4->click();
        QCOMPARE(messageTexts(), QStringList{QStringLiteral("当前修改记录为空！")});
        QCOMPARE(tableRows(QStringLiteral("inr"), {QStringLiteral("姓名"), QStringLiteral("备注")}),
                 QStringList{QStringLiteral("甲|<null>")});
        QVERIFY(f->Button3->isEnabled());
        QVERIFY(f->Edit24->text().isEmpty());
    }

    void doubleClickOnEmptyGrid()
    {
        TMainForm* f = start();
        QVERIFY(f);
        f->Edit10->setText(QStringLiteral("残留"));
        QTest::mouseDClick(f->DBGridEh1()->viewport(), Qt::LeftButton, {}, QPoint(50, 50));
        QVERIFY(f->Edit10->text().isEmpty());
        QVERIFY(f->Button4->isEnabled());
        f->Button4->click();
        QCOMPARE(messageTexts(), QStringList{QStringLiteral("当前修改记录为空！")});
        QVERIFY(f->Button3->isEnabled());
        QVERIFY(!f->Button4->isEnabled());
        QCOMPARE(f->recipients()->recordCount(), 0);
    }

    void senderChangeThroughContextMenu()
    {
        TMainForm* f = start();
        QVERIFY(f);
        f->SpeedButton1->click();
        QAction* load = f->PopupMenu7->actions().value(0);
        QCOMPARE(captions(f->PopupMenu7),
                 (QStringList{QStringLiteral("修改记录"), QStringLiteral("删除记录")}));
        load->trigger();
        QCOMPARE(f->Edit1->text(), QString());
        commitText(f->Edit1, QStringLiteral("寄件人"));
        f->Button2->click();
        QCOMPARE(Dialogs::lastShown().text, QStringLiteral("修改记录成功！"));
        QCOMPARE(tableRows(QStringLiteral("outr"), {QStringLiteral("姓名"), QStringLiteral("年")}),
                 QStringList{QStringLiteral("寄件人|") + today("yyyy")});
    }

    void deleteWithoutSelectionExplains()
    {
        addRecipients({{QStringLiteral("甲"), QString()}});
        TMainForm* f = start();
        QVERIFY(f);
        f->Button5->click();
        QCOMPARE(Dialogs::shown().size(), 1);
        QCOMPARE(Dialogs::lastShown().text,
                 QStringLiteral("请单击左边的序号选中一条记录或拖选一段记录，\r\n"
                                "也可以用Ctrl及Shift来进行多选，然后再删除记录。"));
        QCOMPARE(Dialogs::lastShown().icon, QMessageBox::Information);
        QCOMPARE(f->recipients()->recordCount(), 1);
    }

    void deleteSelectedRows_data()
    {
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("ok") << QMessageBox::Ok
                            << QStringList{QStringLiteral("1"), QStringLiteral("5"), QStringLiteral("6")};
        QTest::newRow("cancel") << QMessageBox::Cancel
                                << QStringList{QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"),
                                               QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("5"),
                                               QStringLiteral("6")};
    }
    void deleteSelectedRows()
    {
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(QStringList, left);
        for (int i = 0; i < 7; ++i)
            addRecipients({{QString::number(i), QString()}});
        TMainForm* f = start();
        QVERIFY(f);
        QVERIFY(QTest::qWaitForWindowExposed(f));
        // Click row 0, Ctrl-click row 2, Shift-click row 4 on the row indicator.
        clickRowHeader(f->DBGridEh1(), 0, Qt::NoModifier);
        clickRowHeader(f->DBGridEh1(), 2, Qt::ControlModifier);
        clickRowHeader(f->DBGridEh1(), 4, Qt::ShiftModifier);
        QCOMPARE(f->DBGridEh1()->selectionModel()->selectedRows().size(), 4); // 0, 2, 3, 4
        Dialogs::answerButton(answer);
        if (answer == QMessageBox::Ok)
            f->PopupMenu1->actions().value(1)->trigger(); // "删除记录"
        else
            QTest::keyClick(f->DBGridEh1(), Qt::Key_Delete); // the same question
        QCOMPARE(Dialogs::lastShown().text,
                 QStringLiteral("确定要删除选中的记录？\n\n共 4 条收件人记录：0、2 等。"));
        QCOMPARE(Dialogs::lastShown().icon, QMessageBox::Warning);
        QCOMPARE(Dialogs::lastShown().buttons, QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(tableRows(QStringLiteral("inr"), {QStringLiteral("姓名")}), left);
        QCOMPARE(gridNames(f), left);
        if (answer == QMessageBox::Cancel)
            QCOMPARE(f->DBGridEh1()->selectionModel()->selectedRows().size(), 4);
        // Enter in the grid loads the current row; Enter on a focused button presses it.
        QTest::keyClick(f->DBGridEh1(), Qt::Key_Return);
        QCOMPARE(f->Edit10->text(), f->recipients()->value(QStringLiteral("姓名")));
        QVERIFY(f->Button4->isEnabled());
        QTest::keyClick(f->Button4, Qt::Key_Return);
        QCOMPARE(Dialogs::lastShown().text, QStringLiteral("修改记录成功！"));
    }

    void deleteDoesNotTouchBoxesOrMode()
    {
        addRecipients({{QStringLiteral("甲"), QString()}, {QStringLiteral("乙"), QString()}});
        TMainForm* f = start();
        QVERIFY(f);
        selectRow(f->DBGridEh1(), 0);
        f->DBGridEh1DblClick();
        selectRow(f->DBGridEh1(), 1);
        f->Button5->click();
        QCOMPARE(f->Edit10->text(), QStringLiteral("甲"));
        QVERIFY(f->Button4->isEnabled());
        QCOMPARE(gridNames(f), QStringList{QStringLiteral("甲")});
    }

    // ------------------------------------------------------------ print tracking

    void printTracking()
    {
        addRecipients({{QStringLiteral("甲"), QString()},
                       {QStringLiteral("乙"), QString()},
                       {QStringLiteral("丙"), QString()},
                       {QStringLiteral("丁"), QString()}});
        QVERIFY(
            execSql(QStringLiteral("update inr set \"已打印\" = '2024-03-07 09:30', \"快递单号\" = 'SF0012' "
                                   "where \"姓名\" = '丙'")));
        TMainForm* f = start();
        QVERIFY(f);
        // The printed mark is a narrow column; the number is shown too.
        const int mark = f->recipients()->fieldIndex(QStringLiteral("已打印"));
        QVERIFY(!f->DBGridEh1()->isColumnHidden(mark));
        QVERIFY(!f->DBGridEh1()->isColumnHidden(f->recipients()->fieldIndex(QStringLiteral("快递单号"))));
        QCOMPARE(f->DBGridEh1()->itemDelegateForColumn(mark)->metaObject()->className(),
                 "PrintedMarkDelegate");

        // Rows chosen in any order come in grid order.
        QSignalSpy spy(f, &TMainForm::selectionPrintRequested);
        QMenu* chosen = f->findChild<QMenu*>(QStringLiteral("PrintChosenMenu"));
        QVERIFY(chosen);
        chosen->actions().value(0)->trigger(); // nothing chosen yet: said, not printed
        QCOMPARE(spy.size(), 0);
        QVERIFY(Dialogs::lastShown().text.contains(QStringLiteral("请先")));
        auto* sel = f->DBGridEh1()->selectionModel();
        sel->select(f->DBGridEh1()->model()->index(3, 0),
                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
        sel->select(f->DBGridEh1()->model()->index(1, 0),
                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
        chosen->actions().value(3)->trigger();
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy[0][0].toString(), QStringLiteral("sf"));
        QCOMPARE(spy[0][1].value<layouts::Variant>(), layouts::Variant::Batch);
        QCOMPARE(spy[0][2].value<PrintSelection>().serials, (QList<qint64>{2, 4}));

        // Filter by the mark, search by the number.
        auto* filter = f->findChild<QComboBox*>(QStringLiteral("PrintedFilter"));
        auto* number = f->findChild<QLineEdit*>(QStringLiteral("WaybillNumberBox"));
        QVERIFY(filter && number);
        filter->setCurrentIndex(1);
        emit filter->activated(1);
        QCOMPARE(gridNames(f),
                 (QStringList{QStringLiteral("甲"), QStringLiteral("乙"), QStringLiteral("丁")}));
        // A toolbar batch follows the filter: the unprinted rows, then the printed ones shown.
        f->PopupMenu3->actions().value(3)->trigger();
        QCOMPARE(spy.size(), 2);
        QVERIFY(spy[1][2].value<PrintSelection>().unprintedOnly);
        filter->setCurrentIndex(2);
        emit filter->activated(2);
        QCOMPARE(gridNames(f), QStringList{QStringLiteral("丙")});
        f->PopupMenu3->actions().value(3)->trigger();
        QCOMPARE(spy.size(), 3);
        QCOMPARE(spy[2][2].value<PrintSelection>().serials, QList<qint64>{3});
        f->Button6->click();
        QCOMPARE(filter->currentIndex(), 0);
        number->setText(QStringLiteral("0012"));
        f->Edit25()->setText(QStringLiteral("甲")); // the number wins
        f->Button7()->click();
        QCOMPARE(gridNames(f), QStringList{QStringLiteral("丙")});
        QCOMPARE(f->recipientList()->frame()->title(),
                 QStringLiteral("查询结果（单号含“0012”）：1 条，共 4 条"));

        // Clearing the mark of the current row, confirmed.
        QVERIFY(f->recipients()->moveTo(0));
        Dialogs::answerButton(QMessageBox::Ok);
        f->findChild<QAction*>(QStringLiteral("ClearPrintedMark"))->trigger();
        QCOMPARE(tableRows(QStringLiteral("inr"),
                           {QStringLiteral("姓名"), QStringLiteral("已打印"), QStringLiteral("快递单号")})
                     .at(2),
                 QStringLiteral("丙||"));
        QVERIFY(f->recipients()->value(QStringLiteral("已打印")).isEmpty());
    }

    void markFilterFollowsPrints()
    {
        addRecipients({{QStringLiteral("甲"), QString()},
                       {QStringLiteral("乙"), QString()},
                       {QStringLiteral("丙"), QString()}});
        TMainForm* f = start();
        QVERIFY(f);
        auto* filter = f->findChild<QComboBox*>(QStringLiteral("PrintedFilter"));
        filter->setCurrentIndex(1);
        emit filter->activated(1);
        QCOMPARE(gridNames(f).size(), 3);
        // A print marks rows through its own connection, then has the list
        // read them again: under "未打印" they go.
        QVERIFY(
            execSql(QStringLiteral("update inr set \"已打印\" = '2024-03-07 09:30' where \"姓名\" <> '乙'")));
        QVERIFY(f->recipients()->refreshRows({f->recipients()->rowId(0), f->recipients()->rowId(2)}));
        QTRY_COMPARE(gridNames(f), QStringList{QStringLiteral("乙")});
        QCOMPARE(filter->currentIndex(), 1);
        // Under "已打印" a cleared mark goes.
        filter->setCurrentIndex(2);
        emit filter->activated(2);
        QCOMPARE(gridNames(f), (QStringList{QStringLiteral("甲"), QStringLiteral("丙")}));
        QVERIFY(f->recipients()->moveTo(0));
        Dialogs::answerButton(QMessageBox::Ok);
        f->findChild<QAction*>(QStringLiteral("ClearPrintedMark"))->trigger();
        QTRY_COMPARE(gridNames(f), QStringList{QStringLiteral("丙")});
        // An edit that keeps the mark keeps the list as it is.
        QVERIFY(f->recipients()->moveTo(0));
        f->DBGridEh1DblClick();
        f->Edit11->setText(QStringLiteral("13800000009"));
        f->Button4->click();
        QTest::qWait(20);
        QCOMPARE(gridNames(f), QStringList{QStringLiteral("丙")});
    }

    // ------------------------------------------------------------ search

    void search_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("mobile");
        QTest::addColumn<QStringList>("found");
        QTest::addColumn<QString>("criteria"); // as the title names it
        const QStringList all{QStringLiteral("张三"), QStringLiteral("李张"),       QStringLiteral("王 五"),
                              QStringLiteral("a\"b"), QStringLiteral("百分之100%"), QStringLiteral("x_y"),
                              QStringLiteral("xzy")};
        QTest::newRow("name contains")
            << QStringLiteral("张") << QString()
            << QStringList{QStringLiteral("张三"), QStringLiteral("李张")} << QStringLiteral("姓名含“张”");
        QTest::newRow("mobile wins, and the title says so")
            << QStringLiteral("张") << QStringLiteral("777") << QStringList{QStringLiteral("王 五")}
            << QStringLiteral("手机含“777”，两框都填时只按手机查询");
        QTest::newRow("mobile alone")
            << QString() << QStringLiteral("1380")
            << QStringList{QStringLiteral("张三"), QStringLiteral("李张")} << QStringLiteral("手机含“1380”");
        QTest::newRow("blanks trimmed")
            << QStringLiteral(" 张 ") << QStringLiteral("  ")
            << QStringList{QStringLiteral("张三"), QStringLiteral("李张")} << QStringLiteral("姓名含“张”");
        QTest::newRow("blanks only") << QStringLiteral("  ") << QString() << all << QString();
        QTest::newRow("inner blank") << QStringLiteral("王 ") << QString()
                                     << QStringList{QStringLiteral("王 五")} << QStringLiteral("姓名含“王”");
        QTest::newRow("quote") << QStringLiteral("\"") << QString() << QStringList{QStringLiteral("a\"b")}
                               << QStringLiteral("姓名含“\"”");
        QTest::newRow("percent") << QStringLiteral("%") << QString()
                                 << QStringList{QStringLiteral("百分之100%")} << QStringLiteral("姓名含“%”");
        QTest::newRow("underscore") << QStringLiteral("_") << QString() << QStringList{QStringLiteral("x_y")}
                                    << QStringLiteral("姓名含“_”");
        QTest::newRow("no match") << QStringLiteral("赵") << QString() << QStringList{}
                                  << QStringLiteral("姓名含“赵”");
        QTest::newRow("both empty") << QString() << QString() << all << QString();
    }
    void search()
    {
        QFETCH(QString, name);
        QFETCH(QString, mobile);
        QFETCH(QStringList, found);
        QFETCH(QString, criteria);
        addRecipients({{QStringLiteral("张三"), QStringLiteral("13800000001")},
                       {QStringLiteral("李张"), QStringLiteral("13800000002")},
                       {QStringLiteral("王 五"), QStringLiteral("777")},
                       {QStringLiteral("a\"b"), QString()},
                       {QStringLiteral("百分之100%"), QString()},
                       {QStringLiteral("x_y"), QString()},
                       {QStringLiteral("xzy"), QString()}});
        TMainForm* f = start();
        QVERIFY(f);
        f->Edit25()->setText(name);
        f->Edit26()->setText(mobile);
        // Enter in a search box searches as "查询" does.
        QTest::keyClick(mobile.isEmpty() ? f->Edit25() : f->Edit26(), Qt::Key_Return);
        QVERIFY(Dialogs::shown().isEmpty());
        QCOMPARE(gridNames(f), found);
        QCOMPARE(f->DBGridEh1()->model()->rowCount(), found.size());
        // A narrowed list says by what; no match says "未找到".
        const bool searched = !criteria.isEmpty();
        QCOMPARE(f->recipientList()->frame()->title(),
                 searched ? QStringLiteral("查询结果（%1）：%2 条，共 7 条").arg(criteria).arg(found.size())
                          : QStringLiteral("全部记录（7 条）"));
        QCOMPARE(f->statusBar()->currentMessage() == QStringLiteral("未找到"), searched && found.isEmpty());
        // The address book in use stays in the status bar all the while.
        auto* location = f->findChild<QLabel*>(QStringLiteral("StatusLocation"));
        QVERIFY(location && location->isVisible());
        QVERIFY(location->text().contains(QDir::toNativeSeparators(Settings().storeLocation())));
        // Another narrowing (the printed-mark filter) names no boxes.
        auto* filter = f->findChild<QComboBox*>(QStringLiteral("PrintedFilter"));
        emit filter->activated(1);
        QCOMPARE(f->recipientList()->frame()->title(), QStringLiteral("查询结果：7 条，共 7 条"));
    }

    void emptySearchKeepsEarlierResultAndRefreshRestores()
    {
        addRecipients({{QStringLiteral("张三"), QString()}, {QStringLiteral("李四"), QString()}});
        TMainForm* f = start();
        QVERIFY(f);
        f->Edit25()->setText(QStringLiteral("李"));
        f->Button7()->click();
        QCOMPARE(gridNames(f), QStringList{QStringLiteral("李四")});
        f->Edit25()->clear();
        f->Button7()->click();
        QCOMPARE(gridNames(f), QStringList{QStringLiteral("李四")});
        f->Edit25()->setText(QStringLiteral("李"));
        f->Edit26()->setText(QStringLiteral("x"));
        f->Button6->click();
        QCOMPARE(gridNames(f), (QStringList{QStringLiteral("张三"), QStringLiteral("李四")}));
        QVERIFY(f->Edit25()->text().isEmpty());
        QVERIFY(f->Edit26()->text().isEmpty());
        // The grid still shows the columns it should after the rebuild.
        const int hidden = f->recipients()->fieldIndex(QStringLiteral("序号"));
        QVERIFY(f->DBGridEh1()->isColumnHidden(hidden));
        QCOMPARE(f->DBGridEh1()->columnWidth(f->recipients()->fieldIndex(QStringLiteral("地址"))), 170);
    }

    void searchNarrowsLoadChangeAndDelete()
    {
        addRecipients({{QStringLiteral("张三"), QString()}, {QStringLiteral("李四"), QString()}});
        TMainForm* f = start();
        QVERIFY(f);
        f->Edit25()->setText(QStringLiteral("李"));
        f->Button7()->click();
        f->DBGridEh1DblClick();
        QCOMPARE(f->Edit10->text(), QStringLiteral("李四"));
        QCOMPARE(f->recipients()->value(QStringLiteral("姓名")), QStringLiteral("李四"));
    }

    void addSenderDropsSearchAddRecipientKeepsIt()
    {
        addRecipients({{QStringLiteral("张三"), QString()}, {QStringLiteral("李四"), QString()}});
        TMainForm* f = start();
        QVERIFY(f);
        f->Edit25()->setText(QStringLiteral("李"));
        f->Button7()->click();
        f->Edit10->setText(QStringLiteral("赵六"));
        f->Button3->click();
        // The new row is listed, the search stays in force for the others.
        QCOMPARE(gridNames(f), (QStringList{QStringLiteral("李四"), QStringLiteral("赵六")}));
        QCOMPARE(f->recipients()->statement().contains(QStringLiteral("LIKE")), true);

        f->Button1->click(); // empty sender boxes: the message, but the list is rebuilt first
        QCOMPARE(Dialogs::lastShown().text, QStringLiteral("寄件信息不能为空！"));
        QCOMPARE(gridNames(f),
                 (QStringList{QStringLiteral("张三"), QStringLiteral("李四"), QStringLiteral("赵六")}));
        QCOMPARE(f->Edit25()->text(), QStringLiteral("李"));
    }

    // ------------------------------------------------------------ print date

    void hideDateOnThirdSenderRow()
    {
        QVERIFY(execSql(QStringLiteral("INSERT INTO outr (姓名, 年, 月, 日) VALUES ('甲','2001','01','01'),"
                                       "('乙','2002','02','02'), ('丙','2003','03','03')")));
        TMainForm* f = start();
        QVERIFY(f);
        QVERIFY(!f->HideDateAction->isChecked());
        selectRow(f->DBGridEh2, 2);
        QCOMPARE(f->senders()->currentRow(), 2);
        const QStringList cols{QStringLiteral("姓名"), QStringLiteral("年"), QStringLiteral("月"),
                               QStringLiteral("日")};
        const QString now = QStringLiteral("%1|%2|%3").arg(today("yyyy"), today("MM"), today("dd"));
        f->HideDateAction->trigger();
        QVERIFY(f->HideDateAction->isChecked());
        QCOMPARE(tableRows(QStringLiteral("outr"), cols),
                 (QStringList{QStringLiteral("甲|") + now, QStringLiteral("乙|2002|02|02"),
                              QStringLiteral("丙|||")}));
        f->HideDateAction->trigger();
        QVERIFY(!f->HideDateAction->isChecked());
        QCOMPARE(tableRows(QStringLiteral("outr"), cols).value(2), QStringLiteral("丙|") + now);
        QCOMPARE(
            f->DBGridEh2->model()->index(2, f->senders()->fieldIndex(QStringLiteral("年"))).data().toString(),
            today("yyyy"));
    }

    void chosenPrintDateStaysUntilChanged()
    {
        QVERIFY(execSql(QStringLiteral("INSERT INTO outr (姓名) VALUES ('甲')")));
        TMainForm* f = start();
        QVERIFY(f);
        const QStringList cols{QStringLiteral("姓名"), QStringLiteral("年"), QStringLiteral("月"),
                               QStringLiteral("日")};
        f->HideDateAction->trigger(); // hidden, then a day is chosen: shown again
        f->setPrintDate(QDate(2030, 1, 2));
        QVERIFY(!f->HideDateAction->isChecked());
        QCOMPARE(tableRows(QStringLiteral("outr"), cols), QStringList{QStringLiteral("甲|2030|01|02")});
        f->HideDateAction->trigger();
        f->HideDateAction->trigger();
        QCOMPARE(tableRows(QStringLiteral("outr"), cols), QStringList{QStringLiteral("甲|2030|01|02")});
        // The next start prints today's date again.
        QVERIFY(start());
        QCOMPARE(tableRows(QStringLiteral("outr"), cols),
                 QStringList{QStringLiteral("甲|%1|%2|%3").arg(today("yyyy"), today("MM"), today("dd"))});
    }

    void hideDateOnEmptySenderTableAddsRow()
    {
        TMainForm* f = start();
        QVERIFY(f);
        selectRow(f->DBGridEh2, 0);
        f->Button8->click(); // OK confirms: the only sender row goes
        QCOMPARE(f->senders()->recordCount(), 0);
        f->HideDateAction->trigger();
        QCOMPARE(tableRows(QStringLiteral("outr"), {QStringLiteral("姓名"), QStringLiteral("年")}),
                 QStringList{QStringLiteral("<null>|")});
    }

    // ------------------------------------------------------------ menus

    void printMenus()
    {
        TMainForm* f = start();
        QVERIFY(f);
        const QStringList single = captions(f->PopupMenu2);
        const QStringList batch = captions(f->PopupMenu3);
        const QStringList expectedSingle{
            QStringLiteral("申通快递单模板【一】"), QStringLiteral("申通快递单模板【二】"),
            QStringLiteral("汇通快递单模板"),       QStringLiteral("顺丰快递单模板【一】"),
            QStringLiteral("顺丰快递单模板【二】"), QStringLiteral("顺丰快递单模板【三】"),
            QStringLiteral("CCES快递单模板"),       QStringLiteral("天天快递单模板【一】"),
            QStringLiteral("天天快递单模板【二】"), QStringLiteral("国通快递单模板"),
            QStringLiteral("圆通快递单模板【一】"), QStringLiteral("圆通快递单模板【二】"),
            QStringLiteral("韵达快递单模板"),       QStringLiteral("中通快递单模板【一】"),
            QStringLiteral("中通快递单模板【二】"), QStringLiteral("宅急送快递单模板"),
            QStringLiteral("EMS快递单模板【一】"),  QStringLiteral("EMS快递单模板【二】"),
            QStringLiteral("速尔快递单模板"),       QStringLiteral("923远华快运模板")};
        // The shop's own templates follow the twenty.
        const QStringList own{QStringLiteral("-"), QStringLiteral("自定义模板")};
        QCOMPARE(single, expectedSingle + own);
        // The toolbar's batch menu offers the narrowed prints as the grid's does.
        QCOMPARE(batch, (single + QStringList{QStringLiteral("-"), QStringLiteral("打印选中记录"),
                                              QStringLiteral("仅未打印")}));
        const QStringList grid = captions(f->PopupMenu1);
        QCOMPARE(grid, (QStringList{QStringLiteral("修改记录"), QStringLiteral("删除记录"),
                                    QStringLiteral("-"), QStringLiteral("单张打印"),
                                    QStringLiteral("批量打印"), QStringLiteral("清除打印标记")}));
        QMenu* gridSingle = f->PopupMenu1->actions().value(3)->menu();
        QMenu* gridBatch = f->PopupMenu1->actions().value(4)->menu();
        QVERIFY(gridSingle && gridBatch);
        QStringList expected = single;
        expected[14] += QLatin1Char(' ');
        QCOMPARE(captions(gridSingle), expected);
        QCOMPARE(captions(gridBatch), batch);
        QCOMPARE(captions(gridBatch->actions().value(23)->menu()), single);
        QCOMPARE(captions(f->PopupMenu3->actions().value(23)->menu()), single);

        QList<QPair<QString, int>> got;
        connect(f, &TMainForm::templateRequested, this, [&](const QString& code, layouts::Variant v) {
            got.append({code, int(v)});
        });
        f->PopupMenu2->actions().value(0)->trigger();
        gridBatch->actions().value(19)->trigger();
        f->PopupMenu3->actions().value(19)->trigger();
        gridSingle->actions().value(14)->trigger();
        QCOMPARE(got, (QList<QPair<QString, int>>{{QStringLiteral("st"), int(layouts::Variant::Single)},
                                                  {QStringLiteral("qy"), int(layouts::Variant::Batch)},
                                                  {QStringLiteral("qy"), int(layouts::Variant::Batch)},
                                                  {QStringLiteral("zt1"), int(layouts::Variant::Single)}}));

        // Greyed while the address book has none; a saved one is there the
        // next time the menu opens, and asks for its code.
        QMenu* own1 = f->PopupMenu2->actions().value(21)->menu();
        QVERIFY(own1);
        emit f->PopupMenu2->aboutToShow();
        QVERIFY(!own1->menuAction()->isEnabled());
        TemplateDesign label = LabelTemplates::all().at(0);
        label.code = QStringLiteral("shop-label");
        label.caption = QStringLiteral("本店标签");
        QString error;
        QVERIFY2(UserTemplates::save(*f->database(), label, &error), qPrintable(error));
        for (QMenu* m : {f->PopupMenu2, f->PopupMenu3, gridSingle, gridBatch})
            emit m->aboutToShow();
        QCOMPARE(captions(own1), QStringList{QStringLiteral("本店标签")});
        got.clear();
        own1->actions().value(0)->trigger();
        f->PopupMenu3->actions().value(21)->menu()->actions().value(0)->trigger();
        gridSingle->actions().value(21)->menu()->actions().value(0)->trigger();
        gridBatch->actions().value(21)->menu()->actions().value(0)->trigger();
        QCOMPARE(got,
                 (QList<QPair<QString, int>>{{QStringLiteral("shop-label"), int(layouts::Variant::Single)},
                                             {QStringLiteral("shop-label"), int(layouts::Variant::Batch)},
                                             {QStringLiteral("shop-label"), int(layouts::Variant::Single)},
                                             {QStringLiteral("shop-label"), int(layouts::Variant::Batch)}}));
        QVERIFY(UserTemplates::remove(*f->database(), label.code, &error));
    }

    void templateFilesThroughTheMenu()
    {
        TMainForm* f = start();
        QVERIFY(f);
        Dialogs::clear();
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("st.wbtemplate"));
        // 导出模板…: the first template (st) into a file; 导入模板…: back as the shop's own.
        QAction* exportAction = f->PopupMenu5->actions().value(12);
        QAction* importAction = f->PopupMenu5->actions().value(11);
        Dialogs::answerExec(QDialog::Accepted);
        Dialogs::answerFile(file);
        exportAction->trigger();
        QVERIFY2(QFileInfo::exists(file), qPrintable(Dialogs::lastShown().text));
        Dialogs::answerFile(file);
        importAction->trigger();
        QVector<TemplateDesign> own;
        QString error;
        QVERIFY(UserTemplates::list(*f->database(), &own, &error));
        QCOMPARE(own.size(), 1);
        QCOMPARE(own.first().caption, QStringLiteral("申通快递单模板"));
        QCOMPARE(own.first().items.size(),
                 layouts::templateAt(0).variant(layouts::Variant::Single).itemCount);
        // A file that is refused stores nothing and says why.
        QFile bad(file);
        QVERIFY(bad.open(QIODevice::WriteOnly) && bad.write("{\"format\": 1}") > 0);
        bad.close();
        Dialogs::answerFile(file);
        importAction->trigger();
        QVERIFY2(Dialogs::lastShown().text.contains(QStringLiteral("“format”")),
                 qPrintable(Dialogs::lastShown().text));
        QVERIFY(UserTemplates::list(*f->database(), &own, &error));
        QCOMPARE(own.size(), 1);
        QVERIFY(UserTemplates::remove(*f->database(), own.first().code, &error));
    }

    void toolsStartFirstInstalledProgram()
    {
        TMainForm* f = start();
        QVERIFY(f);
        QStringList asked;
        QStringList started;
        Shell::setFinder([&](const QString& p) {
            asked << p;
            return (p == QLatin1String("galculator") || p == QLatin1String("mate-calc"))
                       ? QStringLiteral("/usr/bin/") + p
                       : QString();
        });
        Shell::setStarter([&](const QString& path, const QStringList&) {
            started << path;
            return true;
        });
        QCOMPARE(captions(f->PopupMenu5),
                 (QStringList{QStringLiteral("隐藏寄件日期"), QStringLiteral("打印日期…"),
                              QStringLiteral("单张打印时询问运单号"), QStringLiteral("-"),
                              QStringLiteral("计算器"), QStringLiteral("记事本"), QStringLiteral("-"),
                              QStringLiteral("打印记录"), QStringLiteral("数据库位置…"),
                              QStringLiteral("撤销上次恢复"), QStringLiteral("-"), QStringLiteral("导入模板…"),
                              QStringLiteral("导出模板…"), QStringLiteral("模板设计…")}));
        QSignalSpy history(f, &TMainForm::historyRequested);
        f->PopupMenu5->actions().value(7)->trigger();
        QCOMPARE(history.size(), 1);
        f->PopupMenu5->actions().value(8)->trigger(); // cancelled: the file stays
        QCOMPARE(Dialogs::lastShown().title, QStringLiteral("数据库位置"));
        QVERIFY(f->database()->isOpen() && !f->database()->isServer());
        Dialogs::clear();
        f->PopupMenu5->actions().value(4)->trigger();
        f->PopupMenu5->actions().value(4)->trigger(); // a second one, the first keeps running
        QCOMPARE(started,
                 (QStringList{QStringLiteral("/usr/bin/galculator"), QStringLiteral("/usr/bin/galculator")}));
        QCOMPARE(asked.mid(0, 3), (QStringList{QStringLiteral("gnome-calculator"), QStringLiteral("kcalc"),
                                               QStringLiteral("galculator")}));
        started.clear();
        asked.clear();
        QVERIFY(Dialogs::shown().isEmpty());
        f->PopupMenu5->actions().value(5)->trigger(); // no editor installed: it says what it tried
        QVERIFY(started.isEmpty());
        QCOMPARE(asked.size(), Shell::textEditors().size());
        QCOMPARE(Dialogs::shown().size(), 1);
        for (const QString& p : Shell::textEditors())
            QVERIFY2(Dialogs::lastShown().text.contains(p), qPrintable(Dialogs::lastShown().text));
    }

    void helpOpensAddresses()
    {
        TMainForm* f = start();
        QVERIFY(f);
        QList<QUrl> opened;
        Shell::setUrlOpener([&](const QUrl& u) {
            opened << u;
            return true;
        });
        QCOMPARE(captions(f->PopupMenu6),
                 (QStringList{QStringLiteral("使用说明"), QStringLiteral("-"), QStringLiteral("常见问题"),
                              QStringLiteral("技术支持"), QStringLiteral("软件网站"), QStringLiteral("-"),
                              QStringLiteral("关于")}));
        for (int i : {2, 3, 4})
            f->PopupMenu6->actions().at(i)->trigger();
        f->SiteLink->click();
        QCOMPARE(opened.size(), 4);
        QVERIFY(Dialogs::shown().isEmpty());
        // "关于" names the address book in use, with its full path.
        f->PopupMenu6->actions().at(6)->trigger();
        QVERIFY2(Dialogs::lastShown().text.contains(
                     QDir::toNativeSeparators(QDir::current().absoluteFilePath(QStringLiteral("data.mdb")))),
                 qPrintable(Dialogs::lastShown().text));
        // A desktop that can't open an address says so.
        Shell::setUrlOpener([](const QUrl&) { return false; });
        f->PopupMenu6->actions().at(3)->trigger();
        QVERIFY2(Dialogs::lastShown().text.contains(ProductInfo::supportMail()),
                 qPrintable(Dialogs::lastShown().text));
        QCOMPARE(opened[0].path(), QStringLiteral("/zyques.htm"));
        QCOMPARE(opened[0].host(), opened[2].host());
        QCOMPARE(opened[1].scheme(), QStringLiteral("mailto"));
        QCOMPARE(opened[1].path(), ProductInfo::supportMail());
        QCOMPARE(opened[3], opened[2]);
        QVERIFY(f->StatusSite->text().contains(opened[2].toString()));
    }

    // ------------------------------------------------------------ maintenance

    void backupAndRestore()
    {
        addRecipients({{QStringLiteral("备份前"), QString()}});
        TMainForm* f = start();
        QVERIFY(f);
        const QString chosen = m_dir->filePath(QStringLiteral("copy"));
        Dialogs::answerFile(chosen);
        f->SpeedButton6->click();
        QCOMPARE(messageTexts().last(), QStringLiteral("数据备份成功！"));
        QVERIFY(QFile::exists(chosen + QStringLiteral(".bak")));

        // Cancelled dialogs change nothing and say nothing more.
        Dialogs::clear();
        f->SpeedButton6->click();
        f->SpeedButton7->click();
        QStringList kinds;
        for (const Dialogs::Shown& d : Dialogs::shown())
            kinds << d.kind;
        QCOMPARE(kinds, (QStringList{QStringLiteral("save"), QStringLiteral("open")})); // nothing else

        Dialogs::clear();
        Dialogs::answerFile(m_dir->filePath(QStringLiteral("no/such/dir/copy")));
        f->SpeedButton6->click();
        QVERIFY2(Dialogs::lastShown().text.startsWith(QStringLiteral("数据备份失败，请重试！\n\n原因：")),
                 qPrintable(Dialogs::lastShown().text));

        // A file that is no address book is refused; the program goes on
        // with its lists.
        QFile junk(m_dir->filePath(QStringLiteral("junk.bak")));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("not a database");
        junk.close();
        Dialogs::clear();
        Dialogs::answerFile(junk.fileName());
        f->SpeedButton7->click();
        // The reason comes with it: retrying cannot help here.
        QVERIFY2(Dialogs::lastShown().text.startsWith(QStringLiteral("数据恢复失败，请重试！\n\n原因：")),
                 qPrintable(Dialogs::lastShown().text));
        QVERIFY(f->isVisible());
        QCOMPARE(gridNames(f), QStringList{QStringLiteral("备份前")});
        f->Edit10->setText(QStringLiteral("备份后"));
        f->Button3->click();
        QCOMPARE(gridNames(f).size(), 2);

        Dialogs::clear();
        Dialogs::answerFile(chosen + QStringLiteral(".bak"));
        f->SpeedButton7->click();
        QCOMPARE(Dialogs::lastShown().text, QStringLiteral("数据恢复成功！"));
        QVERIFY(!f->isVisible());
        m_form.reset();
        QVERIFY(start());
        QCOMPARE(gridNames(m_form.get()), QStringList{QStringLiteral("备份前")});
    }

    void exportWritesWorkbook()
    {
        addRecipients({{QStringLiteral("张三"), QStringLiteral("138")}, {QStringLiteral("李四"), QString()}});
        TMainForm* f = start();
        QVERIFY(f);
        const QString chosen = m_dir->filePath(QStringLiteral("list"));
        Dialogs::answerFile(chosen);
        f->SpeedButton5->click();
        QCOMPARE(Dialogs::lastShown().text, QStringLiteral("成功导出全部数据!\n共 2 条记录。"));
        QVERIFY(QFileInfo(chosen + QStringLiteral(".xls")).size() > 0);
        Dialogs::clear();
        f->SpeedButton5->click(); // cancelled
        QCOMPARE(Dialogs::shown().size(), 1);
        QCOMPARE(Dialogs::lastShown().kind, QStringLiteral("save"));

        // "list" again: the dialog never asked about "list.xls", so we ask;
        // no means the file stays as it was. After a search the message
        // says the list was filtered.
        const auto readAll = [](const QString& path) {
            QFile file(path);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        const QByteArray before = readAll(chosen + QStringLiteral(".xls"));
        Dialogs::clear();
        Dialogs::answerFile(chosen);
        Dialogs::answerButton(QMessageBox::Cancel);
        f->SpeedButton5->click();
        QCOMPARE(Dialogs::lastShown().text, QStringLiteral("同名文件已存在，要替换它吗？"));
        QCOMPARE(readAll(chosen + QStringLiteral(".xls")), before);
        f->Edit25()->setText(QStringLiteral("李"));
        f->Button7()->click();
        Dialogs::clear();
        Dialogs::answerFile(m_dir->filePath(QStringLiteral("found")));
        f->SpeedButton5->click();
        QVERIFY2(Dialogs::lastShown().text.contains(QStringLiteral("1 条")) &&
                     Dialogs::lastShown().text.contains(QStringLiteral("筛选")),
                 qPrintable(Dialogs::lastShown().text));
    }

    // Another program restores a backup over the file while the window is
    // open: on its next activation the window reads the new file, and
    // writing works.
    void replacedFileIsReopened()
    {
        addRecipients({{QStringLiteral("旧的"), QString()}});
        TMainForm* f = start();
        QVERIFY(f);
        const QString path = Settings().storeLocation();
        QVERIFY(QFile::copy(path, path + QStringLiteral(".new")));
        {
            Database other;
            QVERIFY(other.open(path + QStringLiteral(".new"), nullptr, false));
            QSqlQuery q(other.db());
            QVERIFY(q.exec(QStringLiteral("update inr set \"姓名\" = '新的'")));
        }
        QVERIFY(::rename(QFile::encodeName(path + QStringLiteral(".new")).constData(),
                         QFile::encodeName(path).constData()) == 0);
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(f, &activate);
        QCOMPARE(gridNames(f), QStringList{QStringLiteral("新的")});
        f->Edit10->setText(QStringLiteral("再加"));
        f->Button3->click();
        QCOMPARE(gridNames(f), (QStringList{QStringLiteral("新的"), QStringLiteral("再加")}));
    }

    void screenshot()
    {
        // WAYBILL_SCREENSHOT=dir saves pictures of both views for a look.
        const QString dir = qEnvironmentVariable("WAYBILL_SCREENSHOT");
        if (dir.isEmpty())
            QSKIP("WAYBILL_SCREENSHOT not set");
        addRecipients({{QStringLiteral("张三"), QStringLiteral("13800000001")},
                       {QStringLiteral("李四"), QStringLiteral("13900000002")}});
        TMainForm* f = start();
        QVERIFY(f);
        QVERIFY(QTest::qWaitForWindowExposed(f));
        selectRow(f->DBGridEh1(), 1);
        QVERIFY(f->grab().save(dir + QStringLiteral("/recipient.png")));
        f->DBGridEh1()->clearSelection(); // the current row without a selection
        QTest::qWait(200);
        QVERIFY(f->screen()->grabWindow(0).save(dir + QStringLiteral("/screen.png")));
        f->SpeedButton1->click();
        QVERIFY(f->grab().save(dir + QStringLiteral("/sender.png")));
        f->HelpClick();
        auto* help = f->findChild<QDialog*>(QStringLiteral("HelpWindow"));
        QVERIFY(help && QTest::qWaitForWindowExposed(help));
        QVERIFY(help->grab().save(dir + QStringLiteral("/help.png")));
    }
};

QTEST_MAIN(TestMainForm)
#include "test_mainform.moc"
