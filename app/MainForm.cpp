#include "app/MainForm.h"

#include "app/DataMaintenance.h"
#include "app/MainFormBars.h"
#include "app/RecordEditor.h"
#include "app/ToolsAndHelp.h"

#include "data/recognition/AddressParser.h"
#include "data/recognition/RegionTable.h"
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
#include "gui/widgets/RecordGrid.h"
#include "gui/widgets/ScreenFit.h"
#include "gui/widgets/Shell.h"
#include "gui/widgets/ToolIcons.h"
#include "report/FontSetup.h"

#include <QAction>
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
#include <QScrollArea>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <memory>

namespace {

constexpr int kClientWidth = 1009;
constexpr int kClientHeight = 662;
constexpr int kToolBarHeight = 60;
constexpr int kStatusHeight = 22;
constexpr int kTitleHeight = 30;
constexpr int kEditorHeight = 178;
constexpr int kSearchHeight = 50;

} // namespace

TMainForm* TMainForm::create(const Settings& settings, QString* error, QWidget* parent)
{
    auto* w = new TMainForm(settings, parent);
    if (!w->openDatabase(error)) {
        delete w;
        return nullptr;
    }
    w->applyStartupSteps();
    return w;
}

TMainForm::TMainForm(const Settings& settings, QWidget* parent)
    : QMainWindow(parent), m_settings(settings), m_location(settings.storeLocation()),
      m_db(std::make_unique<Database>())
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
    // What killed backups, restores and exports left beside the file.
    if (!ServerAddress::isServer(m_location))
        FileReplacer::removeStale(m_location);
    QString why;
    bool ok = m_db->open(m_location, &why, true);
    ok = ok && ADOQuery1->open(Schema::kSenderTable, {}, {}, &why);
    ok = ok && ADOQuery2->open(Schema::kRecipientTable, {}, {}, &why);
    if (ok)
        m_live->watch(m_db.get(), {ADOQuery1, ADOQuery2});
    if (!ok && error) {
        // The database layer names the file for most failures; make sure
        // the user always learns which file it was.
        const QString native = QDir::toNativeSeparators(ServerAddress::displayLocation(m_location));
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
    const QString before = m_location;
    m_location = m_settings.storeLocation();
    QString why;
    // A file that vanished while the program ran is reported, not silently
    // replaced by an empty one.
    bool ok = m_db->open(m_location, &why, false);
    ok = ok && ADOQuery1->open(Schema::kSenderTable, {}, {}, &why);
    ok = ok && ADOQuery2->open(Schema::kRecipientTable, {}, {}, &why);
    if (!ok)
        Dialogs::error(this, why);
    else
        m_live->watch(m_db.get(), {ADOQuery1, ADOQuery2});
    showLocation();
    if (m_location != before)
        emit storeLocationChanged(m_location);
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
    // address book: say at once which file this is, once the window shows.
    QTimer::singleShot(0, this, &TMainForm::showLocation);
}

void TMainForm::showLocation()
{
    ServerAddress server;
    const QString where = ServerAddress::parse(m_location, &server, nullptr)
                              ? QStringLiteral("  数据库：%1").arg(server.display())
                              : QStringLiteral("  数据文件：%1")
                                    .arg(QDir::toNativeSeparators(QFileInfo(m_location).absoluteFilePath()));
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
    const bool sender = m_settings.panel() == Settings::Panel::Sender;
    Panel3->setVisible(sender);
    Panel4->setVisible(!sender);
}

void TMainForm::writePanelPreference(Settings::Panel panel)
{
    QString why;
    if (!m_settings.setPanel(panel, &why))
        Dialogs::error(this, why);
}

bool TMainForm::senderViewShown() const
{
    return !Panel3->isHidden();
}

void TMainForm::showSenderView()
{
    Panel4->hide();
    Panel3->show();
    writePanelPreference(Settings::Panel::Sender);
}

void TMainForm::showRecipientView()
{
    Panel3->hide();
    Panel4->show();
    writePanelPreference(Settings::Panel::Recipient);
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
    MainFormBars::buildStatusBar(this);
    MainFormBars::buildToolBar(this, central);
    Panel4 = buildPanel(central, false);
    Panel3 = buildPanel(central, true);
    Panel3->raise();

    MainFormBars::buildMenus(this);
    scroll->setWidget(central);
    m_tools = new ToolsAndHelp(this);
    EnterClicks::install(this);
    // Centred, title bar never above the screen's top.
    move(ScreenFit::framePos(client, avail));
}

// Title bar, editor, then the grid: the sender's, or the recipient list
// with its search bar.
QWidget* TMainForm::buildPanel(QWidget* central, bool sender)
{
    auto* panel = new QWidget(central);
    panel->setObjectName(sender ? QStringLiteral("Panel3") : QStringLiteral("Panel4"));
    panel->setGeometry(0, kToolBarHeight, kClientWidth, kClientHeight - kToolBarHeight - kStatusHeight);
    panel->setAutoFillBackground(true);
    QToolButton* close = buildTitleBar(panel, sender);
    RecordEditor* editor = buildEditor(panel, sender);
    const int top = kTitleHeight + kEditorHeight;
    if (sender) {
        SenderCloseIcon = close;
        connect(close, &QToolButton::clicked, this, &TMainForm::showRecipientView);
        buildSenderGrid(panel, top);
        editor->setList(ADOQuery1, DBGridEh2);
    } else {
        RecipientCloseIcon = close;
        connect(close, &QToolButton::clicked, this, &TMainForm::showSenderView);
        buildRecipientList(panel, top);
        editor->setList(ADOQuery2, m_list->grid());
    }
    return panel;
}

QToolButton* TMainForm::buildTitleBar(QWidget* panel, bool sender)
{
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
    return close;
}

// The editor's boxes and buttons under their component names, connected.
RecordEditor* TMainForm::buildEditor(QWidget* panel, bool sender)
{
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
        connect(Button1, &QPushButton::clicked, this, &TMainForm::Button1Click);
        connect(Button2, &QPushButton::clicked, this, &TMainForm::Button2Click);
        connect(Button8, &QPushButton::clicked, this, &TMainForm::Button8Click);
        connect(Button9, &QPushButton::clicked, this, &TMainForm::showRecipientView);
    } else {
        Edit10 = box("Edit10"), Edit11 = box("Edit11"), Edit12 = box("Edit12"), Edit13 = box("Edit13");
        Edit14 = box("Edit14"), Edit15 = box("Edit15"), Edit16 = box("Edit16"), Edit21 = box("Edit21");
        Edit22 = box("Edit22"), Edit24 = box("Edit24");
        Button3 = editor->button(0), Button4 = editor->button(1), Button5 = editor->button(2);
        Button6 = editor->button(3);
        Button6->setToolTip(QStringLiteral("显示全部记录"));
        connect(Button3, &QPushButton::clicked, this, &TMainForm::Button3Click);
        connect(Button4, &QPushButton::clicked, this, &TMainForm::Button4Click);
        connect(Button5, &QPushButton::clicked, this, &TMainForm::Button5Click);
        connect(Button6, &QPushButton::clicked, this, &TMainForm::Button6Click);
        connect(editor->recogniseButton(), &QPushButton::clicked, this, &TMainForm::RecogniseClick);
    }
    return editor;
}

void TMainForm::buildSenderGrid(QWidget* panel, int top)
{
    auto* all = new QGroupBox(QStringLiteral("全部记录"), panel);
    all->setFont(FontSetup::interfaceFont(12));
    all->setGeometry(0, top, kClientWidth, panel->height() - top);
    auto* layout = new QVBoxLayout(all);
    layout->setContentsMargins(4, 4, 4, 4);
    auto* grid = new RecordGrid(DataSource2, QStringLiteral("DBGridEh2"), all);
    layout->addWidget(grid);
    DBGridEh2 = grid;
    grid->horizontalHeader()->setDefaultSectionSize(80);
    grid->setFittedColumns({QStringLiteral("手机"), QStringLiteral("电话")});
    connect(grid, &RecordGrid::gridDoubleClicked, this, &TMainForm::DBGridEh2DblClick);
    connect(grid, &RecordGrid::enterPressed, grid, &RecordGrid::gridDoubleClicked);
    connect(grid, &RecordGrid::deletePressed, this, &TMainForm::Button8Click);
    connect(grid, &RecordGrid::contextMenuAt, this, [this](const QPoint& at) { PopupMenu7->popup(at); });
}

// The search boxes line up with the editor's boxes above them.
void TMainForm::buildRecipientList(QWidget* panel, int top)
{
    using Part = RecipientListPanel::Part;
    RecipientListPanel::Options o;
    o.nameBox = QStringLiteral("Edit25");
    o.mobileBox = QStringLiteral("Edit26");
    o.searchButton = QStringLiteral("Button7");
    o.grid = QStringLiteral("DBGridEh1");
    o.table = Schema::kRecipientTable;
    o.batch = layouts::Variant::Batch;
    o.columnWidths = {65, 65, 70, 110, 170, 85, 85, 100, 60, 115};
    o.bar = {{Part::NameLabel, {28, 20, 58, 22}},     {Part::NameBox, {88, 20, 153, 22}},
             {Part::MobileLabel, {268, 20, 58, 22}},  {Part::MobileBox, {328, 20, 153, 22}},
             {Part::SearchButton, {500, 18, 75, 26}}, {Part::NumberLabel, {582, 20, 44, 22}},
             {Part::NumberBox, {628, 20, 130, 22}},   {Part::Filter, {768, 19, 80, 24}}};
    o.barHeight = kSearchHeight;
    o.titlePixels = 12;
    m_list = new RecipientListPanel(DataSource1, o, statusBar(), panel);
    m_list->setGeometry(0, top, kClientWidth, panel->height() - top);
    m_list->part(Part::NumberLabel)->setFont(FontSetup::songFont(14));
    connect(m_list, &RecipientListPanel::selectionPrintRequested, this, &TMainForm::selectionPrintRequested);

    SiteLink = new QToolButton(m_list->searchBar());
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
    setTabOrder(m_list->searchButton(), SiteLink);
    connect(SiteLink, &QToolButton::clicked, this, &TMainForm::WebSiteClick);

    RecordGrid* grid = m_list->grid();
    connect(grid, &RecordGrid::gridDoubleClicked, this, &TMainForm::DBGridEh1DblClick);
    connect(grid, &RecordGrid::enterPressed, grid, &RecordGrid::gridDoubleClicked);
    connect(grid, &RecordGrid::deletePressed, this, &TMainForm::Button5Click);
    connect(grid, &RecordGrid::contextMenuAt, this, [this](const QPoint& at) { PopupMenu1->popup(at); });
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
    m_list->clearSearch();
}

void TMainForm::Button7Click()
{
    m_list->search();
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
    m_tools->showAbout(m_location);
}

// ---------------------------------------------------------------- data maintenance

void TMainForm::ExportClick()
{
    m_live->pause();
    DataMaintenance::exportList(this, *ADOQuery2);
    m_live->resume();
}

void TMainForm::BackupClick()
{
    m_live->pause();
    DataMaintenance::backup(this, m_location);
    m_live->resume();
}

void TMainForm::RestoreClick(bool undo)
{
    bool chosen = false;
    m_live->pause();
    const auto release = [this, &chosen] {
        chosen = true;
        ADOQuery1->close();
        ADOQuery2->close();
        m_db->close();
        emit releasingDatabase();
    };
    const bool restored = DataMaintenance::restore(this, m_location, release, undo);
    if (restored && ServerAddress::isServer(m_location))
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
