#include "app/ProgramWindows.h"

#include "app/DataMaintenance.h"
#include "app/MainForm.h"
#include "data/store/Database.h"
#include "data/store/ServerAddress.h"
#include "data/store/Settings.h"
#include "data/store/StoreSettings.h"
#include "gui/exchange/ExcelForm.h"
#include "gui/report/ReportPreview.h"
#include "gui/templates/DesignerWindow.h"
#include "gui/templates/TemplateWindows.h"
#include "gui/widgets/Dialogs.h"
#include "gui/widgets/PrintHistoryWindow.h"
#include "gui/widgets/ScreenFit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPointer>

namespace {

// What the user does about an address book that did not open. The box's
// own buttons, named for what they do.
QMessageBox::StandardButton askAfterFailure(const QString& text, bool server)
{
    QMessageBox::StandardButtons buttons = QMessageBox::Retry | QMessageBox::Apply | QMessageBox::Close;
    if (server)
        buttons |= QMessageBox::Open;
    const QString title = QStringLiteral("无法打开通讯录");
    if (Dialogs::isScripted())
        return Dialogs::message(nullptr, text, QMessageBox::Warning, buttons, title);
    QMessageBox box(QMessageBox::Warning, title, text, buttons);
    box.button(QMessageBox::Retry)->setText(QStringLiteral("重试"));
    if (server)
        box.button(QMessageBox::Open)->setText(QStringLiteral("改用本机数据文件"));
    box.button(QMessageBox::Apply)->setText(QStringLiteral("数据库位置…"));
    box.button(QMessageBox::Close)->setText(QStringLiteral("退出"));
    box.setDefaultButton(QMessageBox::Retry);
    box.setEscapeButton(QMessageBox::Close);
    box.exec();
    return box.standardButton(box.clickedButton());
}

// A server is tried once before the windows are made: its own reason
// names where it was looked for, and the windows are not built in vain.
bool serverAnswers(const QString& location, QString* why)
{
    Database probe;
    if (probe.open(location, why, false))
        return true;
    *why += QStringLiteral("\n\n重试：再连接一次。\n改用本机数据文件：以后使用这台电脑上的通讯录文件"
                           "（可在 其他工具 → 数据库位置… 改回服务器，密码需重新填写）。\n"
                           "数据库位置…：改填服务器地址。");
    return false;
}

} // namespace

ProgramWindows* ProgramWindows::start()
{
    for (;;) {
        const Settings settings;
        const QString location = settings.storeLocation();
        const bool server = ServerAddress::isServer(location);
        QString error;
        if (!server || serverAnswers(location, &error)) {
            if (ProgramWindows* windows = create(settings, &error))
                return windows;
        }
        switch (askAfterFailure(error, server)) {
        case QMessageBox::Retry:
            break;
        case QMessageBox::Open:
            if (!StoreSettings::useFile(&error))
                Dialogs::error(nullptr, error);
            break;
        case QMessageBox::Apply:
            DataMaintenance::chooseLocation(nullptr);
            break;
        default:
            return nullptr;
        }
    }
}

ProgramWindows* ProgramWindows::create(const Settings& settings, QString* error, QObject* parent)
{
    TMainForm* main = TMainForm::create(settings, error);
    if (!main)
        return nullptr;
    auto* windows = new ProgramWindows;
    windows->setParent(parent);
    windows->m_main = main;
    windows->m_excel = new TExcelForm(main->storeLocation(), main);
    // Template windows open their previews through the report engine.
    QPointer<TMainForm> guarded(main);
    ReportPreview::install([guarded] { return guarded ? guarded->storeLocation() : QString(); });

    TemplateSources sources;
    sources.senders = main->senders();
    sources.recipients = main->recipients();
    sources.excelRecipients = windows->m_excel->recipients();
    sources.databasePath = main->storeLocation();
    windows->m_templates = new TemplateWindows(sources, windows);

    TemplateWindows* templates = windows->m_templates;
    connect(main, &TMainForm::templateRequested, templates, &TemplateWindows::open);
    connect(windows->m_excel, &TExcelForm::templateRequested, templates, &TemplateWindows::open);
    connect(main, &TMainForm::excelImportRequested, windows, &ProgramWindows::showExcelWindow);
    connect(main, &TMainForm::excelListReplaced, windows->m_excel, &TExcelForm::Button3Click);
    connect(main, &TMainForm::releasingDatabase, windows->m_excel, &TExcelForm::releaseDatabase);
    connect(main, &TMainForm::selectionPrintRequested, templates, &TemplateWindows::openSelection);
    connect(windows->m_excel, &TExcelForm::selectionPrintRequested, templates,
            &TemplateWindows::openSelection);
    windows->m_history = new PrintHistoryWindow(main->storeLocation(), main);
    connect(windows->m_history, &PrintHistoryWindow::reprintRequested, templates, &TemplateWindows::reprint);
    connect(main, &TMainForm::historyRequested, windows, &ProgramWindows::showHistoryWindow);
    connect(main, &TMainForm::designerRequested, windows, [windows] { windows->showDesigner(); });
    connect(templates, &TemplateWindows::copyAsUserTemplate, windows,
            [windows](const TemplateDesign& design) {
                // The template window is modal: it makes way for the designer.
                if (QWidget* modal = QApplication::activeModalWidget())
                    modal->close();
                windows->showDesigner()->startCopy(design);
            });
    connect(main, &TMainForm::storeLocationChanged, windows, &ProgramWindows::followStoreLocation);
    return windows;
}

void ProgramWindows::followStoreLocation(const QString& location)
{
    m_excel->setStoreLocation(location);
    m_templates->setDatabasePath(location);
    m_history->setDatabasePath(location);
    if (m_designer)
        m_designer->setDatabasePath(location);
}

DesignerWindow* ProgramWindows::showDesigner()
{
    if (!m_designer) {
        TemplateSources sources;
        sources.senders = m_main->senders();
        sources.recipients = m_main->recipients();
        sources.excelRecipients = m_excel->recipients();
        sources.databasePath = m_main->storeLocation();
        m_designer = new DesignerWindow(sources, m_main);
        m_designer->setWindowFlag(Qt::Window);
        m_designer->setAttribute(Qt::WA_DeleteOnClose);
        const QRect room = ScreenFit::availableFor(m_main);
        const QSize size = ScreenFit::clientSize(m_designer->size(), room);
        m_designer->resize(size);
        m_designer->move(ScreenFit::framePos(size, room));
    }
    m_designer->show();
    m_designer->raise();
    m_designer->activateWindow();
    return m_designer;
}

ProgramWindows::~ProgramWindows()
{
    // Template windows read the lists of the two windows below; they go first.
    delete m_templates;
    m_templates = nullptr;
    delete m_main; // and with it the Excel window
}

void ProgramWindows::showExcelWindow()
{
    m_excel->prepareForShow();
    m_excel->exec();
}

void ProgramWindows::showHistoryWindow()
{
    m_history->reload();
    m_history->exec();
}
