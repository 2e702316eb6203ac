#include "app/MainFormBars.h"

#include "app/DataMaintenance.h"
#include "app/MainForm.h"
#include "gui/templates/TemplateFileActions.h"
#include "gui/widgets/ProductInfo.h"
#include "gui/widgets/RecipientTracking.h"
#include "gui/widgets/ToolIcons.h"
#include "gui/widgets/UserTemplateMenu.h"
#include "report/FontSetup.h"
#include "templates/TemplateMenuTable.h"

#include <QAction>
#include <QFrame>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
constexpr int kToolBarHeight = 60;
constexpr int kStatusBarHeight = 22;
} // namespace

void MainFormBars::buildStatusBar(TMainForm* f)
{
    QStatusBar* bar = f->statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setFixedHeight(kStatusBarHeight);
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
    f->StatusSite = section(QStringLiteral("  网址：") + ProductInfo::webSite(), 250, 0);
    f->StatusSite->setObjectName(QStringLiteral("StatusSite"));
    section(QStringLiteral("  最佳分辨率：1024*768"), 0, 0);
    // The address book stays in view beside the three sections: short
    // messages ("未找到") take the place of the web address, never of it. A long path is cut at the
    // right, whole in the tooltip, and never widens the window.
    f->StatusLocation = new QLabel(bar);
    f->StatusLocation->setObjectName(QStringLiteral("StatusLocation"));
    f->StatusLocation->setFont(FontSetup::interfaceFont(12));
    f->StatusLocation->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    bar->addPermanentWidget(f->StatusLocation, 1);
}

void MainFormBars::buildToolBar(TMainForm* f, QWidget* central)
{
    f->ToolBar1 = new QFrame(central);
    f->ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    f->ToolBar1->setFixedHeight(kToolBarHeight);
    f->ToolBar1->setAutoFillBackground(true);

    int x = 4;
    auto button = [&](const QString& name, const QString& caption, ToolIcons::Kind kind, char key) {
        auto* b = new QToolButton(f->ToolBar1);
        b->setObjectName(name);
        b->setText(caption);
        // Captions stay as they are; the keys are told in the tooltips.
        const QKeySequence shortcut(QStringLiteral("Alt+") + QLatin1Char(key));
        b->setShortcut(shortcut);
        b->setToolTip(QStringLiteral("%1 (%2)").arg(caption, shortcut.toString(QKeySequence::NativeText)));
        b->setIcon(ToolIcons::icon(kind));
        b->setIconSize(QSize(28, 28));
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setAutoRaise(true);
        b->setFont(FontSetup::interfaceFont(12));
        b->setFocusPolicy(Qt::NoFocus);
        b->setGeometry(x, 1, 57, 57);
        x += 58;
        return b;
    };
    auto separator = [&] {
        auto* line = new QFrame(f->ToolBar1);
        line->setFrameShape(QFrame::VLine);
        line->setFrameShadow(QFrame::Sunken);
        line->setGeometry(x + 1, 6, 4, 48);
        x += 7;
    };
    f->SpeedButton1 =
        button(QStringLiteral("SpeedButton1"), QStringLiteral("寄件信息"), ToolIcons::Sender, 'J');
    f->SpeedButton2 =
        button(QStringLiteral("SpeedButton2"), QStringLiteral("收件信息"), ToolIcons::Recipient, 'S');
    separator();
    f->SpeedButton3 =
        button(QStringLiteral("SpeedButton3"), QStringLiteral("单张打印"), ToolIcons::Print, 'D');
    f->SpeedButton13 =
        button(QStringLiteral("SpeedButton13"), QStringLiteral("批量打印"), ToolIcons::BatchPrint, 'P');
    separator();
    f->SpeedButton4 =
        button(QStringLiteral("SpeedButton4"), QStringLiteral("Excel导入"), ToolIcons::Excel, 'E');
    separator();
    f->SpeedButton5 =
        button(QStringLiteral("SpeedButton5"), QStringLiteral("数据导出"), ToolIcons::Export, 'C');
    f->SpeedButton5->setToolTip(QStringLiteral("导出收件信息 (%1)")
                                    .arg(f->SpeedButton5->shortcut().toString(QKeySequence::NativeText)));
    separator();
    f->SpeedButton6 =
        button(QStringLiteral("SpeedButton6"), QStringLiteral("数据备份"), ToolIcons::Backup, 'B');
    f->SpeedButton7 =
        button(QStringLiteral("SpeedButton7"), QStringLiteral("数据恢复"), ToolIcons::Restore, 'H');
    separator();
    f->SpeedButton9 =
        button(QStringLiteral("SpeedButton9"), QStringLiteral("其他工具"), ToolIcons::Tools, 'T');
    separator();
    f->SpeedButton10 =
        button(QStringLiteral("SpeedButton10"), QStringLiteral("帮助主题"), ToolIcons::Help, 'Z');
    separator();
    f->SpeedButton14 =
        button(QStringLiteral("SpeedButton14"), QStringLiteral("退出软件"), ToolIcons::Exit, 'Q');

    // The line under the buttons runs across the whole window.
    auto* bottom = new QFrame(f->ToolBar1);
    bottom->setFrameShape(QFrame::HLine);
    bottom->setFrameShadow(QFrame::Sunken);
    bottom->setFixedHeight(2);
    auto* column = new QVBoxLayout(f->ToolBar1);
    column->setContentsMargins(0, 0, 0, 0);
    column->addStretch(1);
    column->addWidget(bottom);

    QObject::connect(f->SpeedButton1, &QToolButton::clicked, f, &TMainForm::showSenderView);
    QObject::connect(f->SpeedButton2, &QToolButton::clicked, f, &TMainForm::showRecipientView);
    QObject::connect(f->SpeedButton3, &QToolButton::clicked, f,
                     [f] { f->popupToolbarMenu(f->SpeedButton3, f->PopupMenu2); });
    QObject::connect(f->SpeedButton13, &QToolButton::clicked, f,
                     [f] { f->popupToolbarMenu(f->SpeedButton13, f->PopupMenu3); });
    QObject::connect(f->SpeedButton4, &QToolButton::clicked, f, &TMainForm::excelImportRequested);
    QObject::connect(f->SpeedButton5, &QToolButton::clicked, f, &TMainForm::ExportClick);
    QObject::connect(f->SpeedButton6, &QToolButton::clicked, f, &TMainForm::BackupClick);
    QObject::connect(f->SpeedButton7, &QToolButton::clicked, f, [f] { f->RestoreClick(); });
    QObject::connect(f->SpeedButton9, &QToolButton::clicked, f,
                     [f] { f->popupToolbarMenu(f->SpeedButton9, f->PopupMenu5); });
    QObject::connect(f->SpeedButton10, &QToolButton::clicked, f,
                     [f] { f->popupToolbarMenu(f->SpeedButton10, f->PopupMenu6); });
    QObject::connect(f->SpeedButton14, &QToolButton::clicked, f, &QWidget::close);
}

void MainFormBars::buildMenus(TMainForm* f)
{
    const QVector<TemplateMenuEntry> entries = TemplateMenuTable::entries();
    auto fill = [&](QMenu* menu, layouts::Variant variant, bool gridSingle) {
        for (int i = 0; i < entries.size(); ++i) {
            const QString caption = gridSingle ? TemplateMenuTable::gridSingleCaption(i) : entries[i].caption;
            QAction* a = menu->addAction(caption);
            const QString code = entries[i].code;
            QObject::connect(a, &QAction::triggered, f,
                             [f, code, variant] { f->requestTemplate(code, variant); });
        }
        UserTemplateMenu::add(
            menu, [f] { return f->database(); },
            [f, variant](const QString& code) { emit f->templateRequested(code, variant); });
    };
    f->PopupMenu2 = new QMenu(f);
    f->PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    fill(f->PopupMenu2, layouts::Variant::Single, false);
    f->PopupMenu3 = new QMenu(f);
    f->PopupMenu3->setObjectName(QStringLiteral("PopupMenu3"));
    fill(f->PopupMenu3, layouts::Variant::Batch, false);
    f->m_list->tracking()->addPrintChoices(f->PopupMenu3);

    f->PopupMenu1 = new QMenu(f);
    f->PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    QObject::connect(f->PopupMenu1->addAction(QStringLiteral("修改记录")), &QAction::triggered, f,
                     &TMainForm::DBGridEh1DblClick);
    QObject::connect(f->PopupMenu1->addAction(QStringLiteral("删除记录")), &QAction::triggered, f,
                     &TMainForm::Button5Click);
    f->PopupMenu1->addSeparator();
    QMenu* single = f->PopupMenu1->addMenu(QStringLiteral("单张打印"));
    single->setObjectName(QStringLiteral("PopupMenu1Single"));
    fill(single, layouts::Variant::Single, true);
    QMenu* batch = f->PopupMenu1->addMenu(QStringLiteral("批量打印"));
    batch->setObjectName(QStringLiteral("PopupMenu1Batch"));
    fill(batch, layouts::Variant::Batch, false);
    f->m_list->tracking()->addPrintChoices(batch);
    f->m_list->tracking()->addClearMark(f->PopupMenu1);

    f->PopupMenu7 = new QMenu(f);
    f->PopupMenu7->setObjectName(QStringLiteral("PopupMenu7"));
    QObject::connect(f->PopupMenu7->addAction(QStringLiteral("修改记录")), &QAction::triggered, f,
                     &TMainForm::DBGridEh2DblClick);
    QObject::connect(f->PopupMenu7->addAction(QStringLiteral("删除记录")), &QAction::triggered, f,
                     &TMainForm::Button8Click);

    f->PopupMenu5 = new QMenu(f);
    f->PopupMenu5->setObjectName(QStringLiteral("PopupMenu5"));
    f->HideDateAction = f->PopupMenu5->addAction(QStringLiteral("隐藏寄件日期"));
    f->HideDateAction->setCheckable(true);
    QObject::connect(f->HideDateAction, &QAction::triggered, f, &TMainForm::HideDateClick);
    f->PrintDateAction = f->PopupMenu5->addAction(QStringLiteral("打印日期…"));
    QObject::connect(f->PrintDateAction, &QAction::triggered, f, &TMainForm::PrintDateClick);
    f->SingleNumberAction = f->PopupMenu5->addAction(QStringLiteral("单张打印时询问运单号"));
    f->SingleNumberAction->setCheckable(true);
    f->SingleNumberAction->setChecked(f->m_settings.singleAsksNumber());
    QObject::connect(f->SingleNumberAction, &QAction::triggered, f, &TMainForm::SingleNumberClick);
    f->PopupMenu5->addSeparator();
    QObject::connect(f->PopupMenu5->addAction(QStringLiteral("计算器")), &QAction::triggered, f,
                     &TMainForm::CalculatorClick);
    QObject::connect(f->PopupMenu5->addAction(QStringLiteral("记事本")), &QAction::triggered, f,
                     &TMainForm::NotepadClick);
    f->PopupMenu5->addSeparator();
    QObject::connect(f->PopupMenu5->addAction(QStringLiteral("打印记录")), &QAction::triggered, f,
                     &TMainForm::historyRequested);
    QObject::connect(f->PopupMenu5->addAction(QStringLiteral("数据库位置…")), &QAction::triggered, f,
                     &TMainForm::DatabaseLocationClick);
    QObject::connect(DataMaintenance::addUndoRestore(f->PopupMenu5, [f] { return f->m_location; }),
                     &QAction::triggered, f, [f] { f->RestoreClick(true); });
    f->PopupMenu5->addSeparator();
    QObject::connect(f->PopupMenu5->addAction(QStringLiteral("导入模板…")), &QAction::triggered, f,
                     [f] { TemplateFileActions::importFile(f, f->database()); });
    QObject::connect(f->PopupMenu5->addAction(QStringLiteral("导出模板…")), &QAction::triggered, f,
                     [f] { TemplateFileActions::exportOne(f, f->database()); });
    QObject::connect(f->PopupMenu5->addAction(QStringLiteral("模板设计…")), &QAction::triggered, f,
                     &TMainForm::designerRequested);

    f->PopupMenu6 = new QMenu(f);
    f->PopupMenu6->setObjectName(QStringLiteral("PopupMenu6"));
    QAction* help = f->PopupMenu6->addAction(QStringLiteral("使用说明"));
    help->setShortcut(QKeySequence::HelpContents);
    f->addAction(help); // F1 works without opening the menu
    QObject::connect(help, &QAction::triggered, f, &TMainForm::HelpClick);
    f->PopupMenu6->addSeparator();
    QObject::connect(f->PopupMenu6->addAction(QStringLiteral("常见问题")), &QAction::triggered, f,
                     &TMainForm::FaqClick);
    QObject::connect(f->PopupMenu6->addAction(QStringLiteral("技术支持")), &QAction::triggered, f,
                     &TMainForm::SupportClick);
    QObject::connect(f->PopupMenu6->addAction(QStringLiteral("软件网站")), &QAction::triggered, f,
                     &TMainForm::WebSiteClick);
    f->PopupMenu6->addSeparator();
    QObject::connect(f->PopupMenu6->addAction(QStringLiteral("关于")), &QAction::triggered, f,
                     &TMainForm::AboutClick);
}
