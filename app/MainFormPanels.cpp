#include "app/MainFormPanels.h"

#include "app/MainForm.h"
#include "app/RecordEditor.h"

#include "data/records/DataSet.h"
#include "data/store/Schema.h"
#include "gui/widgets/ProductInfo.h"
#include "gui/widgets/RecordGrid.h"
#include "gui/widgets/ToolIcons.h"
#include "report/FontSetup.h"

#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kClientWidth = 1009;
constexpr int kTitleHeight = 30;
constexpr int kEditorHeight = 178;
constexpr int kSearchHeight = 50;

} // namespace

QWidget* MainFormPanels::build(TMainForm* f, QWidget* central, bool sender)
{
    auto* panel = new QWidget(central);
    panel->setObjectName(sender ? QStringLiteral("Panel3") : QStringLiteral("Panel4"));
    panel->setAutoFillBackground(true);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(buildTitleBar(f, panel, sender));
    column->addWidget(buildEditor(f, panel, sender));
    if (sender) {
        column->addWidget(buildSenderGrid(f, panel), 1);
        f->m_sender->setList(f->ADOQuery1, f->DBGridEh2);
    } else {
        column->addWidget(buildRecipientList(f, panel), 1);
        f->m_recipient->setList(f->ADOQuery2, f->m_list->grid());
    }
    return panel;
}

// The bar across the panel: its caption on the left, the close icon at the
// right end however wide the window is.
QWidget* MainFormPanels::buildTitleBar(TMainForm* f, QWidget* panel, bool sender)
{
    auto* title = new QLabel(panel);
    title->setFixedHeight(kTitleHeight);
    title->setMinimumWidth(kClientWidth);
    title->setPixmap(ToolIcons::titleBackground(kClientWidth, kTitleHeight));
    title->setScaledContents(true);
    auto* row = new QHBoxLayout(title);
    row->setContentsMargins(10, 0, 8, 0);
    auto* caption = new QLabel(sender ? QStringLiteral("寄件信息") : QStringLiteral("收件信息"), title);
    caption->setFont(FontSetup::interfaceFont(14, true));
    caption->setStyleSheet(QStringLiteral("color: white;"));
    row->addWidget(caption);
    row->addStretch(1);
    auto* close = new QToolButton(title);
    close->setObjectName(sender ? QStringLiteral("SenderCloseIcon") : QStringLiteral("RecipientCloseIcon"));
    close->setIcon(ToolIcons::drawn(ToolIcons::Close, 16));
    close->setIconSize(QSize(16, 16));
    close->setFixedSize(16, 16);
    close->setAutoRaise(true);
    close->setFocusPolicy(Qt::NoFocus);
    close->setCursor(Qt::PointingHandCursor);
    close->setToolTip(QStringLiteral("关闭"));
    close->setStyleSheet(QStringLiteral("QToolButton { border: none; padding: 0; }"));
    row->addWidget(close);
    (sender ? f->SenderCloseIcon : f->RecipientCloseIcon) = close;
    QObject::connect(close, &QToolButton::clicked, f,
                     sender ? &TMainForm::showRecipientView : &TMainForm::showSenderView);
    return title;
}

// The editor's boxes and buttons under their component names, connected.
QWidget* MainFormPanels::buildEditor(TMainForm* f, QWidget* panel, bool sender)
{
    auto* frame = new QFrame(panel);
    frame->setObjectName(sender ? QStringLiteral("SenderEditor") : QStringLiteral("RecipientEditor"));
    frame->setFixedHeight(kEditorHeight);
    frame->setMinimumWidth(kClientWidth);
    RecordEditor* editor =
        new RecordEditor(sender ? RecordEditor::senderLayout() : RecordEditor::recipientLayout(), frame);
    (sender ? f->m_sender : f->m_recipient) = editor;
    const auto box = [editor](const char* name) { return editor->box(QString::fromLatin1(name)); };
    if (sender) {
        f->Edit1 = box("Edit1"), f->Edit2 = box("Edit2"), f->Edit3 = box("Edit3"), f->Edit4 = box("Edit4");
        f->Edit5 = box("Edit5"), f->Edit6 = box("Edit6"), f->Edit7 = box("Edit7"), f->Edit8 = box("Edit8");
        f->Edit9 = box("Edit9");
        f->Button1 = editor->button(0), f->Button2 = editor->button(1), f->Button8 = editor->button(2);
        f->Button9 = editor->button(3);
        QObject::connect(f->Button1, &QPushButton::clicked, f, &TMainForm::Button1Click);
        QObject::connect(f->Button2, &QPushButton::clicked, f, &TMainForm::Button2Click);
        QObject::connect(f->Button8, &QPushButton::clicked, f, &TMainForm::Button8Click);
        QObject::connect(f->Button9, &QPushButton::clicked, f, &TMainForm::showRecipientView);
    } else {
        f->Edit10 = box("Edit10"), f->Edit11 = box("Edit11"), f->Edit12 = box("Edit12");
        f->Edit13 = box("Edit13"), f->Edit14 = box("Edit14"), f->Edit15 = box("Edit15");
        f->Edit16 = box("Edit16"), f->Edit21 = box("Edit21"), f->Edit22 = box("Edit22");
        f->Edit24 = box("Edit24");
        f->Button3 = editor->button(0), f->Button4 = editor->button(1), f->Button5 = editor->button(2);
        f->Button6 = editor->button(3);
        f->Button6->setToolTip(QStringLiteral("显示全部记录"));
        QObject::connect(f->Button3, &QPushButton::clicked, f, &TMainForm::Button3Click);
        QObject::connect(f->Button4, &QPushButton::clicked, f, &TMainForm::Button4Click);
        QObject::connect(f->Button5, &QPushButton::clicked, f, &TMainForm::Button5Click);
        QObject::connect(f->Button6, &QPushButton::clicked, f, &TMainForm::Button6Click);
        QObject::connect(editor->recogniseButton(), &QPushButton::clicked, f, &TMainForm::RecogniseClick);
        QObject::connect(editor->importOrdersButton(), &QPushButton::clicked, f,
                         &TMainForm::OrderImportClick);
    }
    return frame;
}

QWidget* MainFormPanels::buildSenderGrid(TMainForm* f, QWidget* panel)
{
    auto* all = new QGroupBox(QStringLiteral("全部记录"), panel);
    all->setFont(FontSetup::interfaceFont(12));
    auto* layout = new QVBoxLayout(all);
    layout->setContentsMargins(4, 4, 4, 4);
    auto* grid = new RecordGrid(f->DataSource2, QStringLiteral("DBGridEh2"), all);
    layout->addWidget(grid);
    f->DBGridEh2 = grid;
    // Room for what a sender row usually holds; numbers never cut.
    grid->setColumnLayout({{QStringLiteral("姓名"), 80},
                           {QStringLiteral("手机"), 110},
                           {QStringLiteral("电话"), 110},
                           {QStringLiteral("城市"), 70},
                           {QStringLiteral("寄件单位"), 130},
                           {QStringLiteral("地址"), 220},
                           {QStringLiteral("邮编"), 70},
                           {QStringLiteral("签名"), 70},
                           {QStringLiteral("备注"), 110},
                           {QStringLiteral("年"), 50},
                           {QStringLiteral("月"), 36},
                           {QStringLiteral("日"), 36}},
                          {});
    grid->setFittedColumns({QStringLiteral("手机"), QStringLiteral("电话")});
    QObject::connect(grid, &RecordGrid::gridDoubleClicked, f, &TMainForm::DBGridEh2DblClick);
    QObject::connect(grid, &RecordGrid::enterPressed, grid, &RecordGrid::gridDoubleClicked);
    QObject::connect(grid, &RecordGrid::deletePressed, f, &TMainForm::Button8Click);
    QObject::connect(grid, &RecordGrid::contextMenuAt, f,
                     [f](const QPoint& at) { f->PopupMenu7->popup(at); });
    return all;
}

// The search boxes line up with the editor's boxes above them.
QWidget* MainFormPanels::buildRecipientList(TMainForm* f, QWidget* panel)
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
    f->m_list = new RecipientListPanel(f->DataSource1, o, f->statusBar(), panel);
    QObject::connect(f->m_list, &RecipientListPanel::selectionPrintRequested, f,
                     &TMainForm::selectionPrintRequested);

    auto* site = new QToolButton(f->m_list->searchBar());
    f->SiteLink = site;
    site->setObjectName(QStringLiteral("SiteLink"));
    site->setIcon(ToolIcons::drawn(ToolIcons::Link, 24));
    site->setIconSize(QSize(24, 24));
    site->setText(QStringLiteral("访问软件网站"));
    site->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    site->setAutoRaise(true);
    site->setFont(FontSetup::interfaceFont(12));
    site->setCursor(Qt::PointingHandCursor);
    site->setToolTip(ProductInfo::webSite());
    site->setGeometry(kClientWidth - 130, 16, 120, 30);
    QWidget::setTabOrder(f->m_list->searchButton(), site);
    QObject::connect(site, &QToolButton::clicked, f, &TMainForm::WebSiteClick);

    RecordGrid* grid = f->m_list->grid();
    QObject::connect(grid, &RecordGrid::gridDoubleClicked, f, &TMainForm::DBGridEh1DblClick);
    QObject::connect(grid, &RecordGrid::enterPressed, grid, &RecordGrid::gridDoubleClicked);
    QObject::connect(grid, &RecordGrid::deletePressed, f, &TMainForm::Button5Click);
    QObject::connect(grid, &RecordGrid::contextMenuAt, f,
                     [f](const QPoint& at) { f->PopupMenu1->popup(at); });
    return f->m_list;
}
