#pragma once

#include "data/tracking/PrintSelection.h"
#include "templates/layouts/Catalogue.h"

#include <QDialog>

#include <memory>

class LiveRefresh;
class DataSet;
class DataSetModel;
class Database;
class QGroupBox;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QStatusBar;
class QToolButton;
class RecipientTracking;
class RecordGrid;
class SearchFeedback;

// The Excel window: imports a recipient list from a workbook into the table
// `excel`, shows and searches it, and opens the Excel printing windows.
// Created once at start-up, shown modally from the main window.
class TExcelForm : public QDialog
{
    Q_OBJECT
public:
    explicit TExcelForm(QWidget* parent = nullptr);
    ~TExcelForm() override;

    // Connects to the address book in the working directory and opens the
    // whole imported list. Shows "连接ACCESS失败！" when that fails.
    bool connectDatabase();

    // What the main window's "Excel导入" does before showing the window.
    void prepareForShow();
    // Closes the window's connection before a restore replaces the address
    // book; the window connects again when next activated.
    void releaseDatabase();

    // The imported list, as the grid shows it (a search narrows it).
    DataSet* recipients() const { return ADOQuery1; }

signals:
    // A print menu entry: the Excel single or Excel batch window of code.
    void templateRequested(const QString& code, layouts::Variant variant);
    // "打印选中记录" / "仅未打印": the Excel batch window for these rows.
    void selectionPrintRequested(const QString& code, layouts::Variant variant,
                                 const PrintSelection& selection);

public slots:
    void SpeedButton1Click(); // choose the workbook
    void Button1Click();      // import
    void Button2Click();      // search
    void Button3Click();      // refresh
    void CloseClick();

protected:
    bool event(QEvent* e) override;

private:
    friend class TestExcelForm;
    friend class TestProgramWindows;

    // Components, named as the window's code and tests know them.
    DataSet* ADOQuery1 = nullptr;
    DataSetModel* DataSource1 = nullptr;
    QLineEdit* Edit1 = nullptr; // workbook path
    QLineEdit* Edit2 = nullptr; // search: name
    QLineEdit* Edit3 = nullptr; // search: mobile
    QToolButton* SpeedButton1 = nullptr;
    QPushButton* Button1 = nullptr; // 开始导入
    QPushButton* Button2 = nullptr; // 查询
    QPushButton* Button3 = nullptr; // 刷新
    RecordGrid* DBGridEh1 = nullptr;
    QMenuBar* MainMenu1 = nullptr;
    QMenu* SinglePrintMenu = nullptr; // 【单张打印】
    QMenu* BatchPrintMenu = nullptr;  // 【批量打印】
    QMenu* PopupMenu1 = nullptr;

    void buildUi();
    void buildMenus();
    void info(const QString& text);

    std::unique_ptr<Database> m_db;
    bool m_released = false;                 // closed for a restore: connect on activation
    LiveRefresh* m_live = nullptr;           // other computers' imports, on a server
    RecipientTracking* m_tracking = nullptr; // chosen rows, printed marks, waybill numbers
    SearchFeedback* m_search = nullptr;
};
