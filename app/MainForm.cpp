#include "app/MainForm.h"

#include "app/DataMaintenance.h"
#include "app/MainFormBars.h"
#include "app/MainFormPanels.h"
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
#include "exchange/OrderImporter.h"
#include "gui/exchange/OrderImportDialog.h"
#include "gui/widgets/DesktopLauncher.h"
#include "gui/widgets/Dialogs.h"
#include "gui/widgets/EnterClicks.h"
#include "gui/widgets/LiveRefresh.h"
#include "gui/widgets/PrintDateDialog.h"
#include "gui/widgets/ProductInfo.h"
#include "gui/widgets/RecipientTracking.h"
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
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QStatusBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <memory>

namespace {

constexpr int kClientWidth = 1009;
constexpr int kClientHeight = 662;
// Below the grid's designed height a low screen (1024 x 600) shrinks the
// grid, which scrolls its rows, before the whole client area scrolls.
constexpr int kClientMinHeight = 470;

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
        // The database layer names the file or server for most failures;
        // make sure the user always learns which one it was.
        const QString native = QDir::toNativeSeparators(ServerAddress::displayLocation(m_location));
        const bool server = ServerAddress::isServer(m_location);
        const bool named = why.contains(native) || (server && why.contains(QStringLiteral("数据库服务器")));
        *error = named ? why
                       : QStringLiteral("无法打开%1 %2：%3")
                             .arg(server ? QStringLiteral("数据库服务器") : QStringLiteral("数据库文件"),
                                  native, why);
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
    // address book: say at once which file this is.
    showLocation();
}

void TMainForm::showLocation()
{
    ServerAddress server;
    const QString where = ServerAddress::parse(m_location, &server, nullptr)
                              ? QStringLiteral("  数据库：%1").arg(server.display())
                              : QStringLiteral("  数据文件：%1")
                                    .arg(QDir::toNativeSeparators(QFileInfo(m_location).absoluteFilePath()));
    // Kept in the bar for the whole run: it is the first thing to look at
    // when the list is not the one expected.
    StatusLocation->setText(where);
    StatusLocation->setToolTip(where.trimmed());
}

void TMainForm::writeDesktopLauncher()
{
    // An installed program starts from the application menu; its launcher
    // would point at a folder that is not where its address book lives.
    if (DataLocation::isInstalled(QCoreApplication::applicationFilePath()))
        return;
    // The icon starts the program where the address book in use lives, so
    // that it opens this one. On a server the choice itself is kept in the
    // settings; the folder is where the file would be found again.
    const QString folder =
        ServerAddress::isServer(m_location) ? QDir::currentPath() : QFileInfo(m_location).absolutePath();
    // A missing launcher is no reason to refuse work: failures stay quiet.
    DesktopLauncher::write(QCoreApplication::applicationFilePath(), folder,
                           ToolIcons::drawn(ToolIcons::App, 64));
}

void TMainForm::setPrintDate(const QDate& date)
{
    m_printDate = date.isValid() ? date : QDate::currentDate();
    // A chosen date is meant to be printed: shown again when it was hidden.
    HideDateAction->setChecked(false);
    writePrintDate(false);
}

void TMainForm::writePrintDate(bool empty)
{
    const QDate today = m_printDate;
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
    // The designed size is the start size where the screen holds it; the
    // window grows (maximised too) and its grids take the room. On a
    // smaller screen the grids give up rows first, then the content scrolls.
    const QRect avail = ScreenFit::availableFor(this);
    const QSize client = ScreenFit::clientSize(QSize(kClientWidth, kClientHeight), avail);
    resize(client);
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("ClientScroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    auto* central = new QWidget;
    central->setObjectName(QStringLiteral("ClientArea"));
    central->setMinimumSize(kClientWidth, kClientMinHeight);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    setCentralWidget(scroll);
    MainFormBars::buildStatusBar(this);
    MainFormBars::buildToolBar(this, central);
    column->addWidget(ToolBar1);
    Panel4 = MainFormPanels::build(this, central, false);
    Panel3 = MainFormPanels::build(this, central, true);
    column->addWidget(Panel4, 1);
    column->addWidget(Panel3, 1);

    MainFormBars::buildMenus(this);
    scroll->setWidget(central);
    m_tools = new ToolsAndHelp(this);
    EnterClicks::install(this);
    // Centred, title bar never above the screen's top.
    move(ScreenFit::framePos(client, avail));
}

QPoint TMainForm::toolbarMenuPos(const QWidget* button) const
{
    // Under the toolbar, at the button's left edge: window's outer top
    // edge + 90, which clears title bar and toolbar.
    const QRect frame = frameGeometry();
    return QPoint(frame.left() + button->x(), frame.top() + 90);
}

void TMainForm::requestTemplate(const QString& code, layouts::Variant variant)
{
    const PrintSelection narrowed = m_list->tracking()->filterSelection();
    if (variant == layouts::Variant::Batch && !narrowed.isAll())
        emit selectionPrintRequested(code, variant, narrowed);
    else
        emit templateRequested(code, variant);
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

const AddressParser* TMainForm::parser()
{
    if (!m_parser) {
        auto regions = std::make_unique<RegionTable>();
        QString why;
        if (!regions->loadBuiltIn(&why)) {
            Dialogs::error(this, why);
            return nullptr;
        }
        m_regions = std::move(regions);
        m_parser = std::make_unique<AddressParser>(*m_regions);
    }
    return m_parser.get();
}

void TMainForm::RecogniseClick()
{
    if (const AddressParser* p = parser())
        m_recipient->recognise(*p);
}

void TMainForm::OrderImportClick()
{
    const AddressParser* p = parser();
    if (!p)
        return;
    OrderImportDialog dialog(m_location, *p, this);
    if (Dialogs::exec(&dialog) != QDialog::Accepted)
        return;
    // The rows went in on a connection of their own: the lists are read afresh.
    if (dialog.destination() == OrderImporter::Destination::ExcelList) {
        emit excelListReplaced();
    } else {
        Button6Click(); // as 刷新 does
    }
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

void TMainForm::PrintDateClick()
{
    PrintDateDialog dialog(m_printDate, this);
    if (Dialogs::exec(&dialog) == QDialog::Accepted)
        setPrintDate(dialog.date());
}

void TMainForm::SingleNumberClick()
{
    QString why;
    if (!m_settings.setSingleAsksNumber(SingleNumberAction->isChecked(), &why))
        Dialogs::error(this, why);
    SingleNumberAction->setChecked(m_settings.singleAsksNumber());
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
    const QString before = m_location;
    if (!DataMaintenance::chooseLocation(this))
        return;
    // A new server starts empty: the book used so far may go along.
    const QString after = m_settings.storeLocation();
    if (after != before && ServerAddress::isServer(after)) {
        m_live->pause();
        DataMaintenance::offerCopy(this, before, after);
        m_live->resume();
    }
    reconnect();
}

bool TMainForm::isChanged(const QLineEdit* box) const
{
    return m_sender->isChanged(box) || m_recipient->isChanged(box);
}
