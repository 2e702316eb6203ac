#include "app/ProgramWindows.h"

#include "app/MainForm.h"
#include "data/store/Database.h"
#include "gui/exchange/ExcelForm.h"
#include "gui/report/ReportPreview.h"
#include "gui/templates/TemplateWindows.h"
#include "gui/widgets/PrintHistoryWindow.h"

ProgramWindows* ProgramWindows::create(QString* error, QObject* parent)
{
    // Template windows open their previews through the report engine.
    ReportPreview::install();

    TMainForm* main = TMainForm::create(error);
    if (!main)
        return nullptr;
    auto* windows = new ProgramWindows;
    windows->setParent(parent);
    windows->m_main = main;
    windows->m_excel = new TExcelForm(main);

    TemplateSources sources;
    sources.senders = main->senders();
    sources.recipients = main->recipients();
    sources.excelRecipients = windows->m_excel->recipients();
    // databasePath stays empty: windows follow the address book the user chooses.
    windows->m_templates = new TemplateWindows(sources, windows);

    TemplateWindows* templates = windows->m_templates;
    connect(main, &TMainForm::templateRequested, templates, &TemplateWindows::open);
    connect(windows->m_excel, &TExcelForm::templateRequested, templates, &TemplateWindows::open);
    connect(main, &TMainForm::excelImportRequested, windows, &ProgramWindows::showExcelWindow);
    connect(main, &TMainForm::releasingDatabase, windows->m_excel, &TExcelForm::releaseDatabase);
    connect(main, &TMainForm::selectionPrintRequested, templates, &TemplateWindows::openSelection);
    connect(windows->m_excel, &TExcelForm::selectionPrintRequested, templates,
            &TemplateWindows::openSelection);
    windows->m_history = new PrintHistoryWindow(Database::defaultPath(), main);
    connect(windows->m_history, &PrintHistoryWindow::reprintRequested, templates, &TemplateWindows::reprint);
    connect(main, &TMainForm::historyRequested, windows, &ProgramWindows::showHistoryWindow);
    return windows;
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
    m_history->setDatabasePath(Database::defaultPath());
    m_history->reload();
    m_history->exec();
}
