#include "app/MainForm.h"

#include "app/DataMaintenance.h"
#include "app/MainFormBars.h"
#include "app/RecordEditor.h"
#include "app/ToolsAndHelp.h"

#include "gui/widgets/RecipientTracking.h"
#include "gui/widgets/RecordGrid.h"

#include "data/recognition/AddressParser.h"
#include "data/recognition/RegionTable.h"
#include "data/records/ContainsSearch.h"
#include "data/records/DataSet.h"
#include "data/records/DataSetModel.h"
#include "data/store/DataLocation.h"
#include "data/store/Database.h"
#include "data/store/Schema.h"
#include "data/store/ServerAddress.h"
#include "exchange/FileReplacer.h"
#include "gui/widgets/DesktopLauncher.h"
#include "gui/widgets/Dialogs.h"
#include "gui/widgets/EnterClicks.h"
#include "gui/widgets/LiveRefresh.h"
#include "gui/widgets/ProductInfo.h"
#include "gui/widgets/ScreenFit.h"
#include "gui/widgets/SearchFeedback.h"
#include "gui/widgets/Shell.h"
#include "gui/widgets/ToolIcons.h"
#include "report/FontSetup.h"
#include "templates/TemplateMenuTable.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kClientWidth = 1009;
constexpr int kClientHeight = 662;
constexpr int kToolBarHeight = 60;
constexpr int kStatusHeight = 22;
constexpr int kTitleHeight = 30;
constexpr int kEditorHeight = 178;
constexpr int kSearchHeight = 50;

} // namespace

TMainForm* TMainForm::create(QString* error, QWidget* parent)
{
    auto* w = new TMainForm(parent);
    if (!w->openDatabase(error)) {
        delete w;
        return nullptr;
    }
    w->applyStartupSteps();
    return w;
}

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent), m_db(std::make_unique<Database>())
{
    setObjectName(QStringLiteral("MainForm"));
    ADOQuery1 = new DataSet(this);
    ADOQuery1->setObjectName(QStringLiteral("ADOQuery1"));
    ADOQuery1->setDatabase(m_db.get());
    ADOQuery2 = new DataSet(this);
    ADOQuery2->setObjectName(QStringLiteral("ADOQuery2"));
    ADOQuery2->setDatabase(m_db.get());
    DataSource1 = new DataSetModel(ADOQuery2, this);
    DataSource1->setObjectName(QStringLiteral("DataSource1"));
    DataSource2 = new DataSetModel(ADOQuery1, this);
    DataSource2->setObjectName(QStringLiteral("DataSource2"));
    m_live = new LiveRefresh(this);
    buildUi();
}

TMainForm::~TMainForm() = default;

bool TMainForm::openDatabase(QString* error)
{
    const QString path = Database::defaultPath();
    // What killed backups, restores and exports left beside the file.
    if (!ServerAddress::isServer(path))
        FileReplacer::removeStale(path);
    QString why;
    bool ok = m_db->open(path, &why, true);
    ok = ok && ADOQuery1->open(Schema::kSenderTable, {}, {}, &why);
    ok = ok && ADOQuery2->open(Schema::kRecipientTable, {}, {}, &why);
    if (ok)
        m_live->watch(m_db.get(), {ADOQuery1, ADOQuery2});
    if (!ok && error) {
        // The database layer names the file for most failures; make sure
        // the user always learns which file it was.
        const QString native = QDir::toNativeSeparators(ServerAddress::displayLocation(path));
        *error = why.contains(native) ? why : QStringLiteral("无法打开数据库文件 %1：%2").arg(native, why);
    }
    return ok;
}

bool TMainForm::event(QEvent* e)
{
    // Another program may have restored a backup over the file meanwhile:
    // the lists would show old rows and every write would fail. Reopen.
    if (e->type() == QEvent::WindowActivate && m_db->fileReplaced())
        reconnect();
    return QMainWindow::event(e);
}

bool TMainForm::reconnect()
{
    ADOQuery1->close();
    ADOQuery2->close();
    m_db->close();
    QString why;
    // A file that vanished while the program ran is reported, not silently
    // replaced by an empty one.
    bool ok = m_db->open(Database::defaultPath(), &why, false);
    ok = ok && ADOQuery1->open(Schema::kSenderTable, {}, {}, &why);
    ok = ok && ADOQuery2->open(Schema::kRecipientTable, {}, {}, &why);
    if (!ok)
        Dialogs::error(this, why);
    else
        m_live->watch(m_db.get(), {ADOQuery1, ADOQuery2});
    showLocation();
    return ok;
}

void TMainForm::applyStartupSteps()
{
    writeDesktopLauncher();
    Panel3->hide();
    Panel4->show();
    ADOQuery1->first();
    writePrintDate(false);
    restorePanelPreference();
    // A program started from another folder shows another (often empty)
    // address book: say at once which file this is.
    // (Once the window shows: a message shown before covers nothing.)
    QTimer::singleShot(0, this, &TMainForm::showLocation);
}

void TMainForm::showLocation()
{
    const QString path = Database::defaultPath();
    ServerAddress server;
    const QString where = ServerAddress::parse(path, &server, nullptr)
                              ? QStringLiteral("  数据库：%1").arg(server.display())
                              : QStringLiteral("  数据文件：%1")
                                    .arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));
    statusBar()->showMessage(where, 15000);
}

void TMainForm::writeDesktopLauncher()
{
    // An installed program starts from the application menu; its launcher
    // would point at a folder that is not where its address book lives.
    if (DataLocation::isInstalled(QCoreApplication::applicationFilePath()))
        return;
    // A missing launcher is no reason to refuse work: failures stay quiet.
    DesktopLauncher::write(QCoreApplication::applicationFilePath(), ToolIcons::drawn(ToolIcons::App, 64));
}

void TMainForm::writePrintDate(bool empty)
{
    const QDate today = QDate::currentDate();
    const QString none = QStringLiteral(""); // an empty text, not NULL
    QString why;
    bool ok = ADOQuery1->edit();
    if (!ok)
        why = QStringLiteral("寄件信息没有打开，无法写入寄件日期。");
    ok = ok &&
         ADOQuery1->setValue(QStringLiteral("年"), empty ? none : today.toString(QStringLiteral("yyyy")));
    ok = ok && ADOQuery1->setValue(QStringLiteral("月"), empty ? none : today.toString(QStringLiteral("MM")));
    ok = ok && ADOQuery1->setValue(QStringLiteral("日"), empty ? none : today.toString(QStringLiteral("dd")));
    ok = ok && ADOQuery1->post(&why);
    if (!ok) {
        ADOQuery1->cancel();
        Dialogs::error(this, why.isEmpty() ? QStringLiteral("无法写入寄件日期。") : why);
    }
}

void TMainForm::restorePanelPreference()
{
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, settingsOrganization());
    const QString value = s.value(panelKey()).toString();
    const bool sender = value == QLatin1String("1");
    Panel3->setVisible(sender);
    Panel4->setVisible(!sender);
}

void TMainForm::writePanelPreference(const QString& value)
{
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, settingsOrganization());
    s.setValue(panelKey(), value);
    s.sync();
    if (s.status() != QSettings::NoError)
        Dialogs::error(this, QStringLiteral("无法保存界面设置：%1").arg(s.fileName()));
}

bool TMainForm::senderViewShown() const
{
    return !Panel3->isHidden();
}

void TMainForm::showSenderView()
{
    Panel4->hide();
    Panel3->show();
    writePanelPreference(QStringLiteral("1"));
}

void TMainForm::showRecipientView()
{
    Panel3->hide();
    Panel4->show();
    writePanelPreference(QStringLiteral("0"));
}

// ---------------------------------------------------------------- layout

void TMainForm::buildUi()
{
    setWindowTitle(ProductInfo::windowTitle());
    setWindowIcon(ToolIcons::drawn(ToolIcons::App, 32));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    // The designed size where the screen holds it; on a smaller screen the
    // window takes what there is and its content scrolls.
    const QRect avail = ScreenFit::availableFor(this);
    const QSize client = ScreenFit::clientSize(QSize(kClientWidth, kClientHeight), avail);
    setFixedSize(client);
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("ClientScroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(false);
    auto* central = new QWidget;
    central->setObjectName(QStringLiteral("ClientArea"));
    central->setFixedSize(kClientWidth, kClientHeight - kStatusHeight);
    setCentralWidget(scroll);
    MainFormBars::buildToolBar(this, central);
    Panel4 = buildPanel(central, false);
    Panel3 = buildPanel(central, true);
    Panel3->raise();

    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setFixedHeight(kStatusHeight);
    bar->setSizeGripEnabled(false);
    auto section = [bar](const QString& text, int width, int stretch) {
        auto* l = new QLabel(text, bar);
        l->setFont(FontSetup::interfaceFont(12));
        if (width > 0)
            l->setFixedWidth(width);
        bar->addWidget(l, stretch);
        return l;
    };
    section(QStringLiteral("  软件以好用、实用和易用为主要特征！"), 500, 0);
    StatusSite = section(QStringLiteral("  网址：") + ProductInfo::webSite(), 250, 0);
    StatusSite->setObjectName(QStringLiteral("StatusSite"));
    section(QStringLiteral("  最佳分辨率：1024*768"), 0, 1);

    MainFormBars::buildMenus(this);
    scroll->setWidget(central);
    m_tools = new ToolsAndHelp(this);
    EnterClicks::install(this);
    // Centred, title bar never above the screen's top.
    move(ScreenFit::framePos(client, avail));
}

RecordGrid* TMainForm::buildGrid(QWidget* parent, DataSetModel* model, const QString& name)
{
    return new RecordGrid(model, name, parent);
}

QWidget* TMainForm::buildPanel(QWidget* central, bool sender)
{
    auto* panel = new QWidget(central);
    panel->setObjectName(sender ? QStringLiteral("Panel3") : QStringLiteral("Panel4"));
    const int height = kClientHeight - kToolBarHeight - kStatusHeight;
    panel->setGeometry(0, kToolBarHeight, kClientWidth, height);
    panel->setAutoFillBackground(true);

    // Title bar with its close icon.
    auto* title = new QLabel(panel);
    title->setGeometry(0, 0, kClientWidth, kTitleHeight);
    title->setPixmap(ToolIcons::titleBackground(kClientWidth, kTitleHeight));
    title->setScaledContents(true);
    auto* caption = new QLabel(sender ? QStringLiteral("寄件信息") : QStringLiteral("收件信息"), panel);
    caption->setFont(FontSetup::interfaceFont(14, true));
    caption->setStyleSheet(QStringLiteral("color: white;"));
    caption->setGeometry(10, 0, 200, kTitleHeight);
    auto* close = new QToolButton(panel);
    close->setObjectName(sender ? QStringLiteral("SenderCloseIcon") : QStringLiteral("RecipientCloseIcon"));
    close->setIcon(ToolIcons::drawn(ToolIcons::Close, 16));
    close->setIconSize(QSize(16, 16));
    close->setAutoRaise(true);
    close->setFocusPolicy(Qt::NoFocus);
    close->setCursor(Qt::PointingHandCursor);
    close->setToolTip(QStringLiteral("关闭"));
    close->setGeometry(kClientWidth - 16 - 8, (kTitleHeight - 16) / 2, 16, 16);
    close->setStyleSheet(QStringLiteral("QToolButton { border: none; padding: 0; }"));

    // Editor.
    auto* frame = new QFrame(panel);
    frame->setObjectName(sender ? QStringLiteral("SenderEditor") : QStringLiteral("RecipientEditor"));
    frame->setGeometry(0, kTitleHeight, kClientWidth, kEditorHeight);
    RecordEditor* editor =
        new RecordEditor(sender ? RecordEditor::senderLayout() : RecordEditor::recipientLayout(), frame);
    (sender ? m_sender : m_recipient) = editor;
    const auto box = [editor](const char* name) { return editor->box(QString::fromLatin1(name)); };
    if (sender) {
        Edit1 = box("Edit1"), Edit2 = box("Edit2"), Edit3 = box("Edit3"), Edit4 = box("Edit4");
        Edit5 = box("Edit5"), Edit6 = box("Edit6"), Edit7 = box("Edit7"), Edit8 = box("Edit8");
        Edit9 = box("Edit9");
        Button1 = editor->button(0), Button2 = editor->button(1), Button8 = editor->button(2);
        Button9 = editor->button(3);
    } else {
        Edit10 = box("Edit10"), Edit11 = box("Edit11"), Edit12 = box("Edit12"), Edit13 = box("Edit13");
        Edit14 = box("Edit14"), Edit15 = box("Edit15"), Edit16 = box("Edit16"), Edit21 = box("Edit21");
        Edit22 = box("Edit22"), Edit24 = box("Edit24");
        Button3 = editor->button(0), Button4 = editor->button(1), Button5 = editor->button(2);
        Button6 = editor->button(3);
        Button6->setToolTip(QStringLiteral("显示全部记录"));
    }

    int top = kTitleHeight + kEditorHeight;
    if (!sender) {
        auto* search = new QGroupBox(QStringLiteral("单项查询"), panel);
        search->setObjectName(QStringLiteral("SearchBar"));
        search->setFont(FontSetup::interfaceFont(12));
        search->setGeometry(0, top, kClientWidth, kSearchHeight);
        auto searchBox = [&](const QString& name, const QString& label, int left) {
            auto* l = new QLabel(label, search);
            l->setFont(FontSetup::interfaceFont(14));
            l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            l->setGeometry(left - 60, 20, 58, 22);
            auto* box = new QLineEdit(search);
            box->setObjectName(name);
            box->setFont(FontSetup::interfaceFont(14));
            box->setGeometry(left, 20, 153, 22);
            l->setBuddy(box);
            return box;
        };
        Edit25 = searchBox(QStringLiteral("Edit25"), QStringLiteral("姓名:"), 88);
        Edit26 = searchBox(QStringLiteral("Edit26"), QStringLiteral("手机:"), 328);
        Button7 = new QPushButton(QStringLiteral("查询"), search);
        Button7->setObjectName(QStringLiteral("Button7"));
        Button7->setFont(FontSetup::interfaceFont(14));
        Button7->setGeometry(500, 18, 75, 26);
        setTabOrder(Edit25, Edit26);
        setTabOrder(Edit26, Button7);
        SiteLink = new QToolButton(search);
        SiteLink->setObjectName(QStringLiteral("SiteLink"));
        SiteLink->setIcon(ToolIcons::drawn(ToolIcons::Link, 24));
        SiteLink->setIconSize(QSize(24, 24));
        SiteLink->setText(QStringLiteral("访问软件网站"));
        SiteLink->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        SiteLink->setAutoRaise(true);
        SiteLink->setFont(FontSetup::interfaceFont(12));
        SiteLink->setCursor(Qt::PointingHandCursor);
        SiteLink->setToolTip(ProductInfo::webSite());
        SiteLink->setGeometry(kClientWidth - 130, 16, 120, 30);
        connect(Button7, &QPushButton::clicked, this, &TMainForm::Button7Click);
        connect(Edit25, &QLineEdit::returnPressed, this, &TMainForm::Button7Click);
        connect(Edit26, &QLineEdit::returnPressed, this, &TMainForm::Button7Click);
        connect(SiteLink, &QToolButton::clicked, this, &TMainForm::WebSiteClick);
        top += kSearchHeight;
    }

    auto* all = new QGroupBox(QStringLiteral("全部记录"), panel);
    all->setFont(FontSetup::interfaceFont(12));
    all->setGeometry(0, top, kClientWidth, height - top);
    auto* layout = new QVBoxLayout(all);
    layout->setContentsMargins(4, 4, 4, 4);
    RecordGrid* grid = buildGrid(all, sender ? DataSource2 : DataSource1,
                                 sender ? QStringLiteral("DBGridEh2") : QStringLiteral("DBGridEh1"));
    layout->addWidget(grid);
    editor->setList(sender ? ADOQuery1 : ADOQuery2, grid);
    connect(grid, &RecordGrid::enterPressed, grid, &RecordGrid::gridDoubleClicked);
    connect(grid, &RecordGrid::deletePressed, this,
            sender ? &TMainForm::Button8Click : &TMainForm::Button5Click);

    if (sender) {
        DBGridEh2 = grid;
        connect(grid, &RecordGrid::gridDoubleClicked, this, &TMainForm::DBGridEh2DblClick);
        grid->horizontalHeader()->setDefaultSectionSize(80);
        grid->setFittedColumns({QStringLiteral("手机"), QStringLiteral("电话")});
        SenderCloseIcon = close;
        connect(close, &QToolButton::clicked, this, &TMainForm::showRecipientView);
        connect(Button1, &QPushButton::clicked, this, &TMainForm::Button1Click);
        connect(Button2, &QPushButton::clicked, this, &TMainForm::Button2Click);
        connect(Button8, &QPushButton::clicked, this, &TMainForm::Button8Click);
        connect(Button9, &QPushButton::clicked, this, &TMainForm::showRecipientView);
    } else {
        DBGridEh1 = grid;
        connect(grid, &RecordGrid::gridDoubleClicked, this, &TMainForm::DBGridEh1DblClick);
        grid->setHighlightedTitles();
        grid->setRecipientLayout({65, 65, 70, 110, 170, 85, 85, 100, 60, 115});
        RecipientFrame = all;
        m_search = new SearchFeedback(ADOQuery2, all, statusBar(), this);
        RecipientCloseIcon = close;
        connect(close, &QToolButton::clicked, this, &TMainForm::showSenderView);
        connect(Button3, &QPushButton::clicked, this, &TMainForm::Button3Click);
        connect(Button4, &QPushButton::clicked, this, &TMainForm::Button4Click);
        connect(Button5, &QPushButton::clicked, this, &TMainForm::Button5Click);
        connect(Button6, &QPushButton::clicked, this, &TMainForm::Button6Click);
        connect(m_recipient->recogniseButton(), &QPushButton::clicked, this, &TMainForm::RecogniseClick);
        // Waybill number search and the printed-mark filter, right of "查询".
        m_tracking =
            new RecipientTracking(grid, ADOQuery2, Schema::kRecipientTable, layouts::Variant::Batch, this);
        connect(m_tracking, &RecipientTracking::selectionPrintRequested, this,
                &TMainForm::selectionPrintRequested);
        QWidget* bar = Button7->parentWidget();
        auto* numberLabel = new QLabel(QStringLiteral("单号:"), bar);
        numberLabel->setFont(FontSetup::songFont(14));
        numberLabel->setGeometry(582, 20, 44, 22);
        m_tracking->numberBox()->setParent(bar);
        m_tracking->numberBox()->setGeometry(628, 20, 130, 22);
        m_tracking->filterBox()->setParent(bar);
        m_tracking->filterBox()->setGeometry(768, 19, 80, 24);
        m_tracking->numberBox()->show();
        m_tracking->filterBox()->show();
    }
    connect(grid, &RecordGrid::contextMenuAt, this,
            [this, sender](const QPoint& at) { (sender ? PopupMenu7 : PopupMenu1)->popup(at); });
    return panel;
}

QPoint TMainForm::toolbarMenuPos(const QWidget* button) const
{
    // Under the toolbar, at the button's left edge: window's outer top
    // edge + 90, which clears title bar and toolbar.
    const QRect frame = frameGeometry();
    return QPoint(frame.left() + button->x(), frame.top() + 90);
}

void TMainForm::popupToolbarMenu(QToolButton* button, QMenu* menu)
{
    menu->popup(toolbarMenuPos(button));
}

void TMainForm::Button1Click()
{
    // The lists are rebuilt first (this drops a recipient search). When
    // that fails the error is shown once and nothing is stored.
    if (!reconnect())
        return;
    // The first start leaves a first row with only the date in it, and
    // batch printing uses the first row: the first real sender goes there.
    m_sender->addRow(dateOnlyFirstSender());
}

int TMainForm::dateOnlyFirstSender() const
{
    if (ADOQuery1->recordCount() == 0)
        return -1;
    const QStringList date{QStringLiteral("年"), QStringLiteral("月"), QStringLiteral("日")};
    const QStringList fields = ADOQuery1->fieldNames();
    for (int c = 0; c < fields.size(); ++c)
        if (!date.contains(fields[c]) && !ADOQuery1->value(0, c).trimmed().isEmpty())
            return -1;
    return 0;
}

void TMainForm::Button3Click()
{
    m_recipient->addRow();
}

void TMainForm::Button2Click()
{
    m_sender->changeRow();
}

void TMainForm::Button4Click()
{
    m_recipient->changeRow();
}

void TMainForm::Button8Click()
{
    m_sender->deleteRows();
}

void TMainForm::Button5Click()
{
    m_recipient->deleteRows();
}

void TMainForm::RecogniseClick()
{
    if (!m_parser) {
        auto regions = std::make_unique<RegionTable>();
        QString why;
        if (!regions->loadBuiltIn(&why)) {
            Dialogs::error(this, why);
            return;
        }
        m_regions = std::move(regions);
        m_parser = std::make_unique<AddressParser>(*m_regions);
    }
    m_recipient->recognise(*m_parser);
}

void TMainForm::DBGridEh1DblClick()
{
    m_recipient->loadRow();
}

void TMainForm::DBGridEh2DblClick()
{
    m_sender->loadRow();
}

void TMainForm::Button6Click()
{
    reconnect();
    Edit25->clear();
    Edit26->clear();
    m_tracking->reset();
}

void TMainForm::Button7Click()
{
    QString why;
    // A waybill number, when given, is the most exact key of all.
    if (m_tracking->hasNumber() ? !m_tracking->searchNumber(&why)
                                : !m_search->search(Edit25->text(), Edit26->text(), &why))
        Dialogs::error(this, why);
    else if (!Edit25->text().isEmpty() || !Edit26->text().isEmpty())
        m_tracking->filterBox()->setCurrentIndex(0);
}

// ---------------------------------------------------------------- tools

void TMainForm::HideDateClick()
{
    // The action has already toggled: checked now means "hide".
    writePrintDate(HideDateAction->isChecked());
}

void TMainForm::CalculatorClick()
{
    m_tools->startProgram(Shell::calculators(), QStringLiteral("计算器"));
}

void TMainForm::NotepadClick()
{
    m_tools->startProgram(Shell::textEditors(), QStringLiteral("记事本"));
}

void TMainForm::FaqClick()
{
    m_tools->openAddress(QUrl(ProductInfo::faqPage()));
}

void TMainForm::SupportClick()
{
    m_tools->openAddress(QUrl(QStringLiteral("mailto:") + ProductInfo::supportMail()));
}

void TMainForm::WebSiteClick()
{
    m_tools->openAddress(QUrl(ProductInfo::webSite()));
}

void TMainForm::HelpClick()
{
    m_tools->showHelp();
}

void TMainForm::AboutClick()
{
    m_tools->showAbout(Database::defaultPath());
}

// ---------------------------------------------------------------- data maintenance

void TMainForm::ExportClick()
{
    // No list is read again while the worker runs; what others changed
    // meanwhile is read once afterwards.
    m_live->pause();
    DataMaintenance::exportList(this, *ADOQuery2);
    m_live->resume();
}

void TMainForm::BackupClick()
{
    // The file in use is the one in the working directory, so that is the
    // one backed up.
    m_live->pause();
    DataMaintenance::backup(this, Database::defaultPath());
    m_live->resume();
}

void TMainForm::RestoreClick()
{
    bool chosen = false;
    const bool server = ServerAddress::isServer(Database::defaultPath());
    m_live->pause();
    const bool restored = DataMaintenance::restore(this, Database::defaultPath(), [this, &chosen] {
        chosen = true;
        ADOQuery1->close();
        ADOQuery2->close();
        m_db->close();
        emit releasingDatabase();
    });
    if (restored && server)
        reconnect(); // the server's tables were refilled in place: go on
    else if (restored)
        close(); // the restored data is used from the next start on
    else if (chosen)
        reconnect(); // the old file is still in place: carry on with it
    m_live->resume(chosen);
}

void TMainForm::DatabaseLocationClick()
{
    if (DataMaintenance::chooseLocation(this))
        reconnect();
}

bool TMainForm::isChanged(const QLineEdit* box) const
{
    return m_sender->isChanged(box) || m_recipient->isChanged(box);
}
