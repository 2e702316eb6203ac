#pragma once

#include "data/tracking/PrintSelection.h"
#include "gui/widgets/RecipientListPanel.h"
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
class RecordGrid;

// The Excel window: imports a recipient list from a workbook into the table
// `excel`, shows and searches it, and opens the Excel printing windows.
// Created once at start-up, shown modally from the main window.
class TExcelForm : public QDialog
{
    Q_OBJECT
public:
    // storeLocation: the address book, a file's path or a server's URI.
    explicit TExcelForm(const QString& storeLocation, QWidget* parent = nullptr);
    ~TExcelForm() override;

    // Connects to the address book and opens the whole imported list.
    // Shows "连接ACCESS失败！" when that fails.
    bool connectDatabase();
    // Another address book: connected to on the window's next activation.
    void setStoreLocation(const QString& location);

    // What the main window's "Excel导入" does before showing the window.
    void prepareForShow();
    // Closes the window's connection before a restore replaces the address
    // book; the window connects again when next activated.
    void releaseDatabase();

    // The imported list, as the grid shows it (a search narrows it).
    DataSet* recipients() const { return ADOQuery1; }

    // The search boxes and the grid, by the names the program knows.
    RecipientListPanel* recipientList() const { return m_list; }
    QLineEdit* Edit2() const { return m_list->nameBox(); }
    QLineEdit* Edit3() const { return m_list->mobileBox(); }
    RecordGrid* DBGridEh1() const { return m_list->grid(); }

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
    QToolButton* SpeedButton1 = nullptr;
    QPushButton* Button1 = nullptr; // 开始导入
    QPushButton* Button3 = nullptr; // 刷新
    QMenuBar* MainMenu1 = nullptr;
    QMenu* SinglePrintMenu = nullptr; // 【单张打印】
    QMenu* BatchPrintMenu = nullptr;  // 【批量打印】
    QMenu* PopupMenu1 = nullptr;

    void buildUi();
    void buildList(QStatusBar* status);
    void buildMenus();
    void info(const QString& text);

    QString m_location;
    std::unique_ptr<Database> m_db;
    bool m_released = false;              // closed for a restore: connect on activation
    LiveRefresh* m_live = nullptr;        // other computers' imports, on a server
    RecipientListPanel* m_list = nullptr; // search, grid, printed marks
};
