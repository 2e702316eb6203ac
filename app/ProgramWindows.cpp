#include "app/ProgramWindows.h"

#include "app/MainForm.h"
#include "data/store/Settings.h"
#include "gui/exchange/ExcelForm.h"
#include "gui/report/ReportPreview.h"
#include "gui/templates/TemplateWindows.h"
#include "gui/widgets/PrintHistoryWindow.h"

#include <QPointer>

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
    connect(main, &TMainForm::releasingDatabase, windows->m_excel, &TExcelForm::releaseDatabase);
    connect(main, &TMainForm::selectionPrintRequested, templates, &TemplateWindows::openSelection);
    connect(windows->m_excel, &TExcelForm::selectionPrintRequested, templates,
            &TemplateWindows::openSelection);
    windows->m_history = new PrintHistoryWindow(main->storeLocation(), main);
    connect(windows->m_history, &PrintHistoryWindow::reprintRequested, templates, &TemplateWindows::reprint);
    connect(main, &TMainForm::historyRequested, windows, &ProgramWindows::showHistoryWindow);
    connect(main, &TMainForm::storeLocationChanged, windows, &ProgramWindows::followStoreLocation);
    return windows;
}

void ProgramWindows::followStoreLocation(const QString& location)
{
    m_excel->setStoreLocation(location);
    m_templates->setDatabasePath(location);
    m_history->setDatabasePath(location);
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
