#include "app/ProgramWindows.h"

#include "app/MainForm.h"
#include "exchange/ExcelForm.h"
#include "report/ReportPreview.h"
#include "templates/TemplateWindows.h"

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

    TemplateWindows& templates = TemplateWindows::instance();
    connect(main, &TMainForm::templateRequested, &templates, &TemplateWindows::open);
    connect(windows->m_excel, &TExcelForm::templateRequested, &templates, &TemplateWindows::open);
    connect(main, &TMainForm::excelImportRequested, windows, &ProgramWindows::showExcelWindow);
    return windows;
}

ProgramWindows::~ProgramWindows()
{
    // Template windows read the lists of the two windows below; they go first.
    TemplateWindows::instance().clear();
    delete m_main; // and with it the Excel window
}

void ProgramWindows::showExcelWindow()
{
    m_excel->prepareForShow();
    m_excel->exec();
}
