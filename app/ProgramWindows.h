#pragma once

#include <QObject>
#include <QPointer>

class DesignerWindow;
class PrintHistoryWindow;
class Settings;
class TExcelForm;
class TMainForm;
class TemplateWindows;

// The windows of a run and how they reach each other: the main window
// first (it owns the main connection and the lists that every other window
// reads), then the Excel window, then the template windows, which are made
// on first use and kept for the run.
class ProgramWindows : public QObject
{
    Q_OBJECT
public:
    // The windows over the address book settings name, in the panel they
    // keep. Null, and the reason naming the file, when the address book
    // can't be opened.
    static ProgramWindows* create(const Settings& settings, QString* error, QObject* parent = nullptr);
    // The program's start: the windows over the address book the settings
    // name. When it can't be opened (a server that can't be reached, a
    // damaged file), the user is told why and chooses: 重试, 改用本机数据文件
    // (a server only), 数据库位置… or 退出. Null only when the user chose 退出.
    static ProgramWindows* start();
    ~ProgramWindows() override;

    TMainForm* mainForm() const { return m_main; }
    TExcelForm* excelForm() const { return m_excel; }
    TemplateWindows* templateWindows() const { return m_templates; }

    // "Excel导入": empties the path box and shows the Excel window modally.
    void showExcelWindow();
    // "打印记录": the print history, read afresh, shown modally.
    void showHistoryWindow();
    PrintHistoryWindow* historyWindow() const { return m_history; }
    // "模板设计": the designer, made when first asked for and kept until
    // closed.
    DesignerWindow* showDesigner();

private:
    ProgramWindows() = default;
    void followStoreLocation(const QString& location);

    TMainForm* m_main = nullptr;
    TExcelForm* m_excel = nullptr;
    TemplateWindows* m_templates = nullptr;
    PrintHistoryWindow* m_history = nullptr;
    QPointer<DesignerWindow> m_designer;
};
