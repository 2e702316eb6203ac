#include "app/MainForm.h"

#include "gui/widgets/RecordGrid.h"

#include "gui/widgets/DesktopLauncher.h"
#include "gui/widgets/Dialogs.h"
#include "gui/widgets/ProductInfo.h"
#include "gui/widgets/Shell.h"
#include "templates/TemplateMenuTable.h"
#include "gui/widgets/ToolIcons.h"
#include "data/ContainsSearch.h"
#include "data/DataLocation.h"
#include "data/DataSet.h"
#include "data/DataSetModel.h"
#include "data/Database.h"
#include "data/Schema.h"
#include "exchange/DataExporter.h"
#include "exchange/DatabaseBackup.h"
#include "report/FontSetup.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QProgressDialog>
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

QFont songFont(int pixels, bool bold = false)
{
    QFont f(QString::fromUtf8(FontSetup::kSongFamily));
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

QString selectionHint()
{
    return QStringLiteral("请单击左边的序号选中一条记录或拖选一段记录，\r\n"
                          "也可以用Ctrl及Shift来进行多选，然后再删除记录。");
}

// Rows the user selected in a grid, in ascending order.
QList<int> selectedRows(const QTableView* grid)
{
    QList<int> rows;
    const QItemSelection sel = grid->selectionModel()->selection();
    for (const QItemSelectionRange& r : sel)
        for (int row = r.top(); row <= r.bottom(); ++row)
            rows << row;
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

// What a box holds, as a text: an empty box stores an empty text, never NULL
// (a null QString would be bound as NULL).
QString boxText(const QLineEdit* box)
{
    const QString t = box->text();
    return t.isNull() ? QStringLiteral("") : t;
}

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
        l->setFont(songFont(12));
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
        b->setFont(songFont(12));
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

QLineEdit* TMainForm::addBox(QWidget* parent, const QString& name, const QString& label, int left, int top,
                             int width)
{
    auto* l = new QLabel(label, parent);
    l->setFont(songFont(14));
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setGeometry(left - 86, top, 84, 22);
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setFont(songFont(14));
    e->setGeometry(left, top, width, 22);
    l->setBuddy(e);
    // Only what the user typed counts as a change; setText() does not
    // emit textEdited, so loading a row leaves the flag clear.
    connect(e, &QLineEdit::textEdited, this, [this, e] { m_changed.insert(e); });
    return e;
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
    caption->setFont(songFont(14, true));
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
    auto* editor = new QFrame(panel);
    editor->setObjectName(sender ? QStringLiteral("SenderEditor") : QStringLiteral("RecipientEditor"));
    editor->setGeometry(0, kTitleHeight, kClientWidth, kEditorHeight);
    Editor& e = sender ? m_sender : m_recipient;
    QList<QWidget*> tabOrder;
    if (sender) {
        Edit1 = addBox(editor, QStringLiteral("Edit1"), QStringLiteral("姓名："), 88, 16, 153);
        Edit4 = addBox(editor, QStringLiteral("Edit4"), QStringLiteral("城市："), 328, 16, 153);
        Edit7 = addBox(editor, QStringLiteral("Edit7"), QStringLiteral("邮编："), 568, 16, 153);
        Edit5 = addBox(editor, QStringLiteral("Edit5"), QStringLiteral("寄件单位："), 88, 48, 633);
        Edit6 = addBox(editor, QStringLiteral("Edit6"), QStringLiteral("地址："), 88, 80, 633);
        Edit2 = addBox(editor, QStringLiteral("Edit2"), QStringLiteral("手机："), 88, 112, 153);
        Edit3 = addBox(editor, QStringLiteral("Edit3"), QStringLiteral("电话："), 328, 112, 153);
        Edit8 = addBox(editor, QStringLiteral("Edit8"), QStringLiteral("签名："), 568, 112, 153);
        Edit9 = addBox(editor, QStringLiteral("Edit9"), QStringLiteral("备注："), 88, 144, 633);
        tabOrder = {Edit1, Edit4, Edit7, Edit5, Edit6, Edit2, Edit3, Edit8, Edit9};
        e.boxes = {{Edit1, QStringLiteral("姓名")},     {Edit2, QStringLiteral("手机")},
                   {Edit3, QStringLiteral("电话")},     {Edit4, QStringLiteral("城市")},
                   {Edit5, QStringLiteral("寄件单位")}, {Edit6, QStringLiteral("地址")},
                   {Edit7, QStringLiteral("邮编")},     {Edit8, QStringLiteral("签名")},
                   {Edit9, QStringLiteral("备注")}};
    } else {
        Edit10 = addBox(editor, QStringLiteral("Edit10"), QStringLiteral("姓名："), 88, 16, 153);
        Edit13 = addBox(editor, QStringLiteral("Edit13"), QStringLiteral("城市："), 328, 16, 153);
        Edit16 = addBox(editor, QStringLiteral("Edit16"), QStringLiteral("邮编："), 568, 16, 153);
        Edit14 = addBox(editor, QStringLiteral("Edit14"), QStringLiteral("收件单位："), 88, 48, 633);
        Edit15 = addBox(editor, QStringLiteral("Edit15"), QStringLiteral("地址："), 88, 80, 633);
        Edit11 = addBox(editor, QStringLiteral("Edit11"), QStringLiteral("手机："), 88, 112, 153);
        Edit12 = addBox(editor, QStringLiteral("Edit12"), QStringLiteral("电话："), 328, 112, 153);
        Edit21 = addBox(editor, QStringLiteral("Edit21"), QStringLiteral("内件品名："), 568, 112, 153);
        Edit22 = addBox(editor, QStringLiteral("Edit22"), QStringLiteral("数量："), 88, 144, 153);
        Edit24 = addBox(editor, QStringLiteral("Edit24"), QStringLiteral("备注："), 328, 144, 393);
        tabOrder = {Edit10, Edit13, Edit16, Edit14, Edit15, Edit11, Edit12, Edit21, Edit22, Edit24};
        e.boxes = {{Edit10, QStringLiteral("姓名")},     {Edit11, QStringLiteral("手机")},
                   {Edit12, QStringLiteral("电话")},     {Edit13, QStringLiteral("城市")},
                   {Edit14, QStringLiteral("收件单位")}, {Edit15, QStringLiteral("地址")},
                   {Edit16, QStringLiteral("邮编")},     {Edit21, QStringLiteral("内件品名")},
                   {Edit22, QStringLiteral("数量")},     {Edit24, QStringLiteral("备注")}};
    }
    auto pushButton = [&](const QString& name, const QString& text, int top) {
        auto* b = new QPushButton(text, editor);
        b->setObjectName(name);
        b->setFont(songFont(14));
        b->setGeometry(740, top, 75, 26);
        tabOrder << b;
        return b;
    };
    if (sender) {
        Button1 = pushButton(QStringLiteral("Button1"), QStringLiteral("添加"), 14);
        Button2 = pushButton(QStringLiteral("Button2"), QStringLiteral("修改"), 54);
        Button8 = pushButton(QStringLiteral("Button8"), QStringLiteral("删除"), 94);
        Button9 = pushButton(QStringLiteral("Button9"), QStringLiteral("关闭"), 134);
        e.add = Button1;
        e.change = Button2;
        e.emptyMessage = QStringLiteral("寄件信息不能为空！");
    } else {
        Button3 = pushButton(QStringLiteral("Button3"), QStringLiteral("添加"), 14);
        Button4 = pushButton(QStringLiteral("Button4"), QStringLiteral("修改"), 54);
        Button5 = pushButton(QStringLiteral("Button5"), QStringLiteral("删除"), 94);
        Button6 = pushButton(QStringLiteral("Button6"), QStringLiteral("刷新"), 134);
        Button6->setToolTip(QStringLiteral("显示全部记录"));
        e.add = Button3;
        e.change = Button4;
        e.emptyMessage = QStringLiteral("收件信息不能为空！");
    }
    e.change->setEnabled(false);
    for (int i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);

    auto* note = new QGroupBox(QStringLiteral(" 说明 "), editor);
    note->setFont(songFont(12));
    note->setGeometry(830, 6, 170, 164);
    const QStringList lines =
        sender
            ? QStringList{QStringLiteral("任选一条记录（除第一"), QStringLiteral("条记录外）只能单张打印"),
                          QStringLiteral("各种快递单模板。"), QStringLiteral("批量打印各种快递单模"),
                          QStringLiteral("板只针对第一条记录。")}
            : QStringList{QStringLiteral("先录入收件信息，后打"), QStringLiteral("印。在单张打印或批量打"),
                          QStringLiteral("印模板预览中可以通过输"), QStringLiteral("入正负数字调整字段左右"),
                          QStringLiteral("移动、上下移动位置。")};
    auto* noteText = new QLabel(lines.join(QLatin1Char('\n')), note);
    noteText->setFont(songFont(13));
    noteText->setGeometry(10, 24, 156, 130);
    noteText->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    int top = kTitleHeight + kEditorHeight;
    if (!sender) {
        auto* search = new QGroupBox(QStringLiteral("单项查询"), panel);
        search->setObjectName(QStringLiteral("SearchBar"));
        search->setFont(songFont(12));
        search->setGeometry(0, top, kClientWidth, kSearchHeight);
        auto searchBox = [&](const QString& name, const QString& label, int left) {
            auto* l = new QLabel(label, search);
            l->setFont(songFont(14));
            l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            l->setGeometry(left - 60, 20, 58, 22);
            auto* box = new QLineEdit(search);
            box->setObjectName(name);
            box->setFont(songFont(14));
            box->setGeometry(left, 20, 153, 22);
            l->setBuddy(box);
            return box;
        };
        Edit25 = searchBox(QStringLiteral("Edit25"), QStringLiteral("姓名:"), 88);
        Edit26 = searchBox(QStringLiteral("Edit26"), QStringLiteral("手机:"), 328);
        Button7 = new QPushButton(QStringLiteral("查询"), search);
        Button7->setObjectName(QStringLiteral("Button7"));
        Button7->setFont(songFont(14));
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
        SiteLink->setFont(songFont(12));
        SiteLink->setCursor(Qt::PointingHandCursor);
        SiteLink->setToolTip(ProductInfo::webSite());
        SiteLink->setGeometry(kClientWidth - 130, 16, 120, 30);
        connect(Button7, &QPushButton::clicked, this, &TMainForm::Button7Click);
        connect(SiteLink, &QToolButton::clicked, this, &TMainForm::WebSiteClick);
        top += kSearchHeight;
    }

    auto* all = new QGroupBox(QStringLiteral("全部记录"), panel);
    all->setFont(songFont(12));
    all->setGeometry(0, top, kClientWidth, height - top);
    auto* layout = new QVBoxLayout(all);
    layout->setContentsMargins(4, 4, 4, 4);
    RecordGrid* grid = buildGrid(all, sender ? DataSource2 : DataSource1,
                                 sender ? QStringLiteral("DBGridEh2") : QStringLiteral("DBGridEh1"));
    layout->addWidget(grid);
    e.grid = grid;
    e.set = sender ? ADOQuery1 : ADOQuery2;

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
        grid->setColumnLayout({{QStringLiteral("姓名"), 65},
                               {QStringLiteral("城市"), 65},
                               {QStringLiteral("邮编"), 70},
                               {QStringLiteral("收件单位"), 110},
                               {QStringLiteral("地址"), 170},
                               {QStringLiteral("手机"), 85},
                               {QStringLiteral("电话"), 85},
                               {QStringLiteral("内件品名"), 100},
                               {QStringLiteral("数量"), 60},
                               {QStringLiteral("备注"), 115}},
                              {QStringLiteral("序号"), QStringLiteral("选中"), QStringLiteral("已打印"),
                               QStringLiteral("快递单号")});
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

// ---------------------------------------------------------------- editing

void TMainForm::setBoxText(QLineEdit* box, const QString& text)
{
    box->setText(text);
    box->setCursorPosition(0);
    m_changed.remove(box);
}

void TMainForm::clearBoxes(Editor& e)
{
    for (const auto& b : e.boxes)
        setBoxText(b.first, QString());
}

void TMainForm::setChanging(Editor& e, bool changing)
{
    e.add->setEnabled(!changing);
    e.change->setEnabled(changing);
}

void TMainForm::loadRow(Editor& e)
{
    setChanging(e, true);
    const bool has = e.set->isOpen() && e.set->currentRow() >= 0;
    // A change always goes to this row, wherever the grid stands by then.
    e.loadedId = has ? e.set->currentRowId() : -1;
    for (const auto& b : e.boxes)
        setBoxText(b.first, has ? e.set->value(b.second) : QString());
}

void TMainForm::changeRow(Editor& e)
{
    const int row = e.loadedId >= 0 ? e.set->rowOfId(e.loadedId) : -1;
    if (row < 0 || !e.set->rowExists(e.loadedId)) {
        Dialogs::message(this, QStringLiteral("当前修改记录为空！"));
    } else {
        e.set->moveTo(row);
        QString why;
        bool ok = e.set->edit();
        for (const auto& b : e.boxes)
            if (ok && m_changed.contains(b.first))
                ok = e.set->setValue(b.second, boxText(b.first));
        ok = ok && e.set->post(&why);
        if (!ok) {
            // Keep the boxes so that nothing typed is lost.
            e.set->cancel();
            Dialogs::error(this, why.isEmpty() ? QStringLiteral("无法修改记录。") : why);
            return;
        }
        Dialogs::message(this, QStringLiteral("修改记录成功！"));
    }
    e.loadedId = -1;
    setChanging(e, false);
    clearBoxes(e);
}

void TMainForm::addRow(Editor& e, bool recipient)
{
    const bool allEmpty =
        std::all_of(e.boxes.begin(), e.boxes.end(), [](const auto& b) { return b.first->text().isEmpty(); });
    if (allEmpty) {
        Dialogs::message(this, e.emptyMessage);
        return;
    }
    QString why;
    bool ok = e.set->append();
    for (const auto& b : e.boxes) {
        ok = ok && e.set->setValue(b.second, boxText(b.first));
        if (recipient && b.second == QStringLiteral("邮编"))
            ok = ok && e.set->setValue(QStringLiteral("快递单号"), QStringLiteral(""));
    }
    ok = ok && e.set->post(&why);
    if (!ok) {
        e.set->cancel();
        Dialogs::error(this, why.isEmpty() ? QStringLiteral("无法添加记录：数据没有打开。") : why);
        return;
    }
    clearBoxes(e);
}

void TMainForm::deleteRows(Editor& e)
{
    const QList<int> rows = selectedRows(e.grid);
    if (rows.isEmpty()) {
        Dialogs::message(this, selectionHint(), QMessageBox::Information);
        return;
    }
    if (Dialogs::message(this, QStringLiteral("确定要删除选中的记录？"), QMessageBox::Warning,
                         QMessageBox::Ok | QMessageBox::Cancel) != QMessageBox::Ok)
        return;
    if (e.set->recordCount() <= 0)
        return;
    QString why;
    e.grid->setUpdatesEnabled(false);
    const bool ok = e.set->deleteRows(rows, &why);
    e.grid->clearSelection();
    e.grid->setUpdatesEnabled(true);
    if (!ok)
        Dialogs::error(this, why);
}

void TMainForm::Button1Click()
{
    // The lists are rebuilt first (this drops a recipient search). When
    // that fails the error is shown once and nothing is stored.
    if (!reconnect())
        return;
    addRow(m_sender, false);
}

void TMainForm::Button3Click()
{
    addRow(m_recipient, true);
}

void TMainForm::Button2Click()
{
    changeRow(m_sender);
}

void TMainForm::Button4Click()
{
    changeRow(m_recipient);
}

void TMainForm::Button8Click()
{
    deleteRows(m_sender);
}

void TMainForm::Button5Click()
{
    deleteRows(m_recipient);
}

void TMainForm::DBGridEh1DblClick()
{
    loadRow(m_recipient);
}

void TMainForm::DBGridEh2DblClick()
{
    loadRow(m_sender);
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
    QString filter;
    const QString chosen =
        Dialogs::saveFileName(this, QStringLiteral("数据导出"), {},
                              QStringLiteral("Excel 97-2003 工作簿 (*.xls);;Excel 工作簿 (*.xlsx)"), &filter);
    if (chosen.isEmpty())
        return;
    const DataExporter::Format format = DataExporter::formatFor(chosen, filter);

    // Long lists take a while: show progress and allow cancelling. The
    // dialog appears only when the export runs longer than a moment.
    QProgressDialog progress(QStringLiteral("正在导出收件信息…"), QStringLiteral("取消"), 0, 100, this);
    progress.setWindowTitle(QStringLiteral("数据导出"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(ADOQuery2->recordCount() > 2000 ? 300 : 1000000);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    const DataExporter::Result r =
        DataExporter::exportDataSet(*ADOQuery2, chosen, format, [&progress](int percent) {
            progress.setValue(percent);
            return !progress.wasCanceled();
        });
    progress.close();
    if (r.cancelled)
        return;
    if (!r.ok) {
        Dialogs::error(this, r.error);
        return;
    }
    Dialogs::message(this, DataExporter::successMessage());
}

void TMainForm::BackupClick()
{
    const QString chosen = Dialogs::saveFileName(this, QStringLiteral("数据备份"), {},
                                                 QStringLiteral("备份文件 (*.bak);;所有文件 (*)"));
    if (chosen.isEmpty())
        return;
    QString why;
    // The file in use is the one in the working directory, so that is the
    // one backed up.
    if (DatabaseBackup::backup(Database::defaultPath(), chosen, &why))
        Dialogs::message(this, DatabaseBackup::backupSuccessMessage());
    else
        Dialogs::message(this, DatabaseBackup::backupFailureMessage());
}

void TMainForm::RestoreClick()
{
    const QString source = Dialogs::openFileName(this, QStringLiteral("数据恢复"), {},
                                                 QStringLiteral("备份文件 (*.bak);;所有文件 (*)"));
    if (source.isEmpty())
        return;
    QString why;
    ADOQuery1->close();
    ADOQuery2->close();
    // Closes every connection of the program before replacing the file.
    if (DatabaseBackup::restore(source, Database::defaultPath(), &why)) {
        Dialogs::message(this, DatabaseBackup::restoreSuccessMessage());
        close(); // the restored data is used from the next start on
        return;
    }
    Dialogs::message(this, DatabaseBackup::restoreFailureMessage());
    // The old file is still in place: carry on with it rather than leave
    // the lists empty.
    reconnect();
}
