#include "app/MainForm.h"

#include "app/DataMaintenance.h"
#include "app/RecordEditor.h"

#include "gui/widgets/RecordGrid.h"

#include "data/ContainsSearch.h"
#include "data/DataSet.h"
#include "data/DataSetModel.h"
#include "data/Database.h"
#include "data/Schema.h"
#include "gui/widgets/DesktopLauncher.h"
#include "gui/widgets/Dialogs.h"
#include "gui/widgets/ProductInfo.h"
#include "gui/widgets/Shell.h"
#include "gui/widgets/ToolIcons.h"
#include "report/FontSetup.h"
#include "templates/TemplateMenuTable.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QTableView>
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
    buildUi();
}

TMainForm::~TMainForm() = default;

bool TMainForm::openDatabase(QString* error)
{
    const QString path = Database::defaultPath();
    QString why;
    bool ok = m_db->open(path, &why, true);
    ok = ok && ADOQuery1->open(Schema::kSenderTable, {}, {}, &why);
    ok = ok && ADOQuery2->open(Schema::kRecipientTable, {}, {}, &why);
    if (!ok && error) {
        // The database layer names the file for most failures; make sure
        // the user always learns which file it was.
        const QString native = QDir::toNativeSeparators(path);
        *error = why.contains(native) ? why : QStringLiteral("无法打开数据库文件 %1：%2").arg(native, why);
    }
    return ok;
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
}

void TMainForm::writeDesktopLauncher()
{
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
    setFixedSize(kClientWidth, kClientHeight);

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("ClientArea"));
    setCentralWidget(central);
    buildToolBar(central);
    Panel4 = buildPanel(central, false);
    Panel3 = buildPanel(central, true);
    Panel3->raise();

    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setFixedHeight(kStatusHeight);
    bar->setSizeGripEnabled(false);
    auto section = [bar](const QString& text, int width, int stretch) {
        auto* l = new QLabel(text, bar);
        l->setFont(FontSetup::songFont(12));
        if (width > 0)
            l->setFixedWidth(width);
        bar->addWidget(l, stretch);
        return l;
    };
    section(QStringLiteral("  软件以好用、实用和易用为主要特征！"), 500, 0);
    StatusSite = section(QStringLiteral("  网址：") + ProductInfo::webSite(), 250, 0);
    StatusSite->setObjectName(QStringLiteral("StatusSite"));
    section(QStringLiteral("  最佳分辨率：1024*768"), 0, 1);

    buildMenus();

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect avail = screen->availableGeometry();
        move(avail.center() - QPoint(kClientWidth / 2, kClientHeight / 2));
    }
}

void TMainForm::buildToolBar(QWidget* central)
{
    ToolBar1 = new QFrame(central);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setGeometry(0, 0, kClientWidth, kToolBarHeight);
    ToolBar1->setAutoFillBackground(true);

    int x = 4;
    auto button = [&](const QString& name, const QString& caption, ToolIcons::Kind kind) {
        auto* b = new QToolButton(ToolBar1);
        b->setObjectName(name);
        b->setText(caption);
        b->setIcon(ToolIcons::icon(kind));
        b->setIconSize(QSize(28, 28));
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setAutoRaise(true);
        b->setFont(FontSetup::songFont(12));
        b->setFocusPolicy(Qt::NoFocus);
        b->setGeometry(x, 1, 57, 57);
        x += 58;
        return b;
    };
    auto separator = [&] {
        auto* line = new QFrame(ToolBar1);
        line->setFrameShape(QFrame::VLine);
        line->setFrameShadow(QFrame::Sunken);
        line->setGeometry(x + 1, 6, 4, 48);
        x += 7;
    };
    SpeedButton1 = button(QStringLiteral("SpeedButton1"), QStringLiteral("寄件信息"), ToolIcons::Sender);
    SpeedButton2 = button(QStringLiteral("SpeedButton2"), QStringLiteral("收件信息"), ToolIcons::Recipient);
    separator();
    SpeedButton3 = button(QStringLiteral("SpeedButton3"), QStringLiteral("单张打印"), ToolIcons::Print);
    SpeedButton13 =
        button(QStringLiteral("SpeedButton13"), QStringLiteral("批量打印"), ToolIcons::BatchPrint);
    separator();
    SpeedButton4 = button(QStringLiteral("SpeedButton4"), QStringLiteral("Excel导入"), ToolIcons::Excel);
    separator();
    SpeedButton5 = button(QStringLiteral("SpeedButton5"), QStringLiteral("数据导出"), ToolIcons::Export);
    SpeedButton5->setToolTip(QStringLiteral("导出收件信息"));
    separator();
    SpeedButton6 = button(QStringLiteral("SpeedButton6"), QStringLiteral("数据备份"), ToolIcons::Backup);
    SpeedButton7 = button(QStringLiteral("SpeedButton7"), QStringLiteral("数据恢复"), ToolIcons::Restore);
    separator();
    SpeedButton9 = button(QStringLiteral("SpeedButton9"), QStringLiteral("其他工具"), ToolIcons::Tools);
    separator();
    SpeedButton10 = button(QStringLiteral("SpeedButton10"), QStringLiteral("帮助主题"), ToolIcons::Help);
    separator();
    SpeedButton14 = button(QStringLiteral("SpeedButton14"), QStringLiteral("退出软件"), ToolIcons::Exit);

    auto* bottom = new QFrame(ToolBar1);
    bottom->setFrameShape(QFrame::HLine);
    bottom->setFrameShadow(QFrame::Sunken);
    bottom->setGeometry(0, kToolBarHeight - 2, kClientWidth, 2);

    connect(SpeedButton1, &QToolButton::clicked, this, &TMainForm::showSenderView);
    connect(SpeedButton2, &QToolButton::clicked, this, &TMainForm::showRecipientView);
    connect(SpeedButton3, &QToolButton::clicked, this,
            [this] { popupToolbarMenu(SpeedButton3, PopupMenu2); });
    connect(SpeedButton13, &QToolButton::clicked, this,
            [this] { popupToolbarMenu(SpeedButton13, PopupMenu3); });
    connect(SpeedButton4, &QToolButton::clicked, this, &TMainForm::excelImportRequested);
    connect(SpeedButton5, &QToolButton::clicked, this, &TMainForm::ExportClick);
    connect(SpeedButton6, &QToolButton::clicked, this, &TMainForm::BackupClick);
    connect(SpeedButton7, &QToolButton::clicked, this, &TMainForm::RestoreClick);
    connect(SpeedButton9, &QToolButton::clicked, this,
            [this] { popupToolbarMenu(SpeedButton9, PopupMenu5); });
    connect(SpeedButton10, &QToolButton::clicked, this,
            [this] { popupToolbarMenu(SpeedButton10, PopupMenu6); });
    connect(SpeedButton14, &QToolButton::clicked, this, &QWidget::close);
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
    caption->setFont(FontSetup::songFont(14, true));
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
        new RecordEditor(sender ? RecordEditor::senderSpec() : RecordEditor::recipientSpec(), frame);
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
        search->setFont(FontSetup::songFont(12));
        search->setGeometry(0, top, kClientWidth, kSearchHeight);
        auto searchBox = [&](const QString& name, const QString& label, int left) {
            auto* l = new QLabel(label, search);
            l->setFont(FontSetup::songFont(14));
            l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            l->setGeometry(left - 60, 20, 58, 22);
            auto* box = new QLineEdit(search);
            box->setObjectName(name);
            box->setFont(FontSetup::songFont(14));
            box->setGeometry(left, 20, 153, 22);
            l->setBuddy(box);
            return box;
        };
        Edit25 = searchBox(QStringLiteral("Edit25"), QStringLiteral("姓名:"), 88);
        Edit26 = searchBox(QStringLiteral("Edit26"), QStringLiteral("手机:"), 328);
        Button7 = new QPushButton(QStringLiteral("查询"), search);
        Button7->setObjectName(QStringLiteral("Button7"));
        Button7->setFont(FontSetup::songFont(14));
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
        SiteLink->setFont(FontSetup::songFont(12));
        SiteLink->setCursor(Qt::PointingHandCursor);
        SiteLink->setToolTip(ProductInfo::webSite());
        SiteLink->setGeometry(kClientWidth - 130, 16, 120, 30);
        connect(Button7, &QPushButton::clicked, this, &TMainForm::Button7Click);
        connect(SiteLink, &QToolButton::clicked, this, &TMainForm::WebSiteClick);
        top += kSearchHeight;
    }

    auto* all = new QGroupBox(QStringLiteral("全部记录"), panel);
    all->setFont(FontSetup::songFont(12));
    all->setGeometry(0, top, kClientWidth, height - top);
    auto* layout = new QVBoxLayout(all);
    layout->setContentsMargins(4, 4, 4, 4);
    RecordGrid* grid = buildGrid(all, sender ? DataSource2 : DataSource1,
                                 sender ? QStringLiteral("DBGridEh2") : QStringLiteral("DBGridEh1"));
    layout->addWidget(grid);
    editor->setList(sender ? ADOQuery1 : ADOQuery2, grid);

    if (sender) {
        DBGridEh2 = grid;
        connect(grid, &RecordGrid::gridDoubleClicked, this, &TMainForm::DBGridEh2DblClick);
        grid->horizontalHeader()->setDefaultSectionSize(80);
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
        RecipientCloseIcon = close;
        connect(close, &QToolButton::clicked, this, &TMainForm::showSenderView);
        connect(Button3, &QPushButton::clicked, this, &TMainForm::Button3Click);
        connect(Button4, &QPushButton::clicked, this, &TMainForm::Button4Click);
        connect(Button5, &QPushButton::clicked, this, &TMainForm::Button5Click);
        connect(Button6, &QPushButton::clicked, this, &TMainForm::Button6Click);
    }
    connect(grid, &RecordGrid::contextMenuAt, this,
            [this, sender](const QPoint& at) { (sender ? PopupMenu7 : PopupMenu1)->popup(at); });
    return panel;
}

void TMainForm::buildMenus()
{
    const QVector<TemplateMenuEntry> entries = TemplateMenuTable::entries();
    auto fill = [&](QMenu* menu, layouts::Variant variant, bool gridSingle) {
        for (int i = 0; i < entries.size(); ++i) {
            const QString caption = gridSingle ? TemplateMenuTable::gridSingleCaption(i) : entries[i].caption;
            QAction* a = menu->addAction(caption);
            const QString code = entries[i].code;
            connect(a, &QAction::triggered, this,
                    [this, code, variant] { emit templateRequested(code, variant); });
        }
    };
    PopupMenu2 = new QMenu(this);
    PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    fill(PopupMenu2, layouts::Variant::Single, false);
    PopupMenu3 = new QMenu(this);
    PopupMenu3->setObjectName(QStringLiteral("PopupMenu3"));
    fill(PopupMenu3, layouts::Variant::Batch, false);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    connect(PopupMenu1->addAction(QStringLiteral("修改记录")), &QAction::triggered, this,
            &TMainForm::DBGridEh1DblClick);
    connect(PopupMenu1->addAction(QStringLiteral("删除记录")), &QAction::triggered, this,
            &TMainForm::Button5Click);
    PopupMenu1->addSeparator();
    QMenu* single = PopupMenu1->addMenu(QStringLiteral("单张打印"));
    single->setObjectName(QStringLiteral("PopupMenu1Single"));
    fill(single, layouts::Variant::Single, true);
    QMenu* batch = PopupMenu1->addMenu(QStringLiteral("批量打印"));
    batch->setObjectName(QStringLiteral("PopupMenu1Batch"));
    fill(batch, layouts::Variant::Batch, false);

    PopupMenu7 = new QMenu(this);
    PopupMenu7->setObjectName(QStringLiteral("PopupMenu7"));
    connect(PopupMenu7->addAction(QStringLiteral("修改记录")), &QAction::triggered, this,
            &TMainForm::DBGridEh2DblClick);
    connect(PopupMenu7->addAction(QStringLiteral("删除记录")), &QAction::triggered, this,
            &TMainForm::Button8Click);

    PopupMenu5 = new QMenu(this);
    PopupMenu5->setObjectName(QStringLiteral("PopupMenu5"));
    HideDateAction = PopupMenu5->addAction(QStringLiteral("隐藏寄件日期"));
    HideDateAction->setCheckable(true);
    connect(HideDateAction, &QAction::triggered, this, &TMainForm::HideDateClick);
    PopupMenu5->addSeparator();
    connect(PopupMenu5->addAction(QStringLiteral("计算器")), &QAction::triggered, this,
            &TMainForm::CalculatorClick);
    connect(PopupMenu5->addAction(QStringLiteral("记事本")), &QAction::triggered, this,
            &TMainForm::NotepadClick);

    PopupMenu6 = new QMenu(this);
    PopupMenu6->setObjectName(QStringLiteral("PopupMenu6"));
    connect(PopupMenu6->addAction(QStringLiteral("常见问题")), &QAction::triggered, this,
            &TMainForm::FaqClick);
    connect(PopupMenu6->addAction(QStringLiteral("技术支持")), &QAction::triggered, this,
            &TMainForm::SupportClick);
    connect(PopupMenu6->addAction(QStringLiteral("软件网站")), &QAction::triggered, this,
            &TMainForm::WebSiteClick);
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
    m_sender->addRow();
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
}

void TMainForm::Button7Click()
{
    QString why;
    if (!ContainsSearch::byNameOrMobile(*ADOQuery2, Schema::kRecipientTable, Edit25->text(), Edit26->text(),
                                        &why))
        Dialogs::error(this, why);
}

// ---------------------------------------------------------------- tools

void TMainForm::HideDateClick()
{
    // The action has already toggled: checked now means "hide".
    writePrintDate(HideDateAction->isChecked());
}

void TMainForm::CalculatorClick()
{
    Shell::startFirst(Shell::calculators());
}

void TMainForm::NotepadClick()
{
    Shell::startFirst(Shell::textEditors());
}

void TMainForm::FaqClick()
{
    Shell::openUrl(QUrl(ProductInfo::faqPage()));
}

void TMainForm::SupportClick()
{
    Shell::openUrl(QUrl(QStringLiteral("mailto:") + ProductInfo::supportMail()));
}

void TMainForm::WebSiteClick()
{
    Shell::openUrl(QUrl(ProductInfo::webSite()));
}

// ---------------------------------------------------------------- data maintenance

void TMainForm::ExportClick()
{
    DataMaintenance::exportList(this, *ADOQuery2);
}

void TMainForm::BackupClick()
{
    // The file in use is the one in the working directory, so that is the
    // one backed up.
    DataMaintenance::backup(this, Database::defaultPath());
}

void TMainForm::RestoreClick()
{
    bool chosen = false;
    const bool restored = DataMaintenance::restore(this, Database::defaultPath(), [this, &chosen] {
        chosen = true;
        ADOQuery1->close();
        ADOQuery2->close();
    });
    if (restored)
        close(); // the restored data is used from the next start on
    else if (chosen)
        reconnect(); // the old file is still in place: carry on with it
}

bool TMainForm::isChanged(const QLineEdit* box) const
{
    return m_sender->isChanged(box) || m_recipient->isChanged(box);
}
