#pragma once

#include "data/store/Settings.h"
#include "data/tracking/PrintSelection.h"
#include "gui/widgets/RecipientListPanel.h"
#include "templates/layouts/Catalogue.h"

#include <QDate>
#include <QMainWindow>

#include <memory>

class AddressParser;
class DataSet;
class DataSetModel;
class Database;
class LiveRefresh;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QToolButton;
class RecordEditor;
class RecordGrid;
class RegionTable;
class ToolsAndHelp;

// The main window: toolbar, the sender and the recipient panel with their
// editors and grids, search, the print menus and the print date. It owns
// the main connection and the two lists the single-print windows read.
class TMainForm : public QMainWindow
{
    Q_OBJECT
public:
    // Builds the window and connects to the address book settings name;
    // the panel shown comes from there too. When the address book cannot
    // be opened, returns nullptr and the reason (naming the file) in *error.
    static TMainForm* create(const Settings& settings, QString* error, QWidget* parent = nullptr);
    ~TMainForm() override;

    Database* database() const { return m_db.get(); }
    DataSet* senders() const { return ADOQuery1; }
    DataSet* recipients() const { return ADOQuery2; }

    // Whether the user has typed into a box since the program last set it.
    bool isChanged(const QLineEdit* box) const;
    bool senderViewShown() const;

    // The address book in use: a file's path or a server's URI.
    QString storeLocation() const { return m_location; }

    // The recipient list and its parts, by the names the program knows.
    RecipientListPanel* recipientList() const { return m_list; }
    RecordGrid* DBGridEh1() const { return m_list->grid(); }
    QLineEdit* Edit25() const { return m_list->nameBox(); }
    QLineEdit* Edit26() const { return m_list->mobileBox(); }
    QPushButton* Button7() const { return m_list->searchButton(); }

    // The day written as the sender's date (today unless chosen), into
    // the current sender row at once; kept for the run.
    QDate printDate() const { return m_printDate; }
    void setPrintDate(const QDate& date);

    // Rebuilds the main connection for the address book settings name now
    // and reopens both lists on their full statements, first rows.
    bool reconnect();

    // Where a toolbar menu opens for the given button (screen position).
    QPoint toolbarMenuPos(const QWidget* button) const;

signals:
    // A print menu item was chosen; the template window shows itself.
    void templateRequested(const QString& code, layouts::Variant variant);
    // "Excel导入": the Excel window should empty its path box and show.
    void excelImportRequested();
    // "打印选中记录" / "仅未打印": the batch window of code for these rows.
    void selectionPrintRequested(const QString& code, layouts::Variant variant,
                                 const PrintSelection& selection);
    // "导入订单…" replaced the Excel list: the Excel window reads it afresh.
    void excelListReplaced();
    // "打印记录": the print history should show.
    void historyRequested();
    // "模板设计…": the template designer should show.
    void designerRequested();
    // A restore is about to replace the address book: the other windows
    // close their connections to it.
    void releasingDatabase();
    // The user chose another address book; the other windows follow.
    void storeLocationChanged(const QString& location);

public slots:
    // A print menu's template: a batch follows the grid's printed-mark
    // filter (selectionPrintRequested), anything else templateRequested.
    void requestTemplate(const QString& code, layouts::Variant variant);

    void showSenderView();    // writes "outr" = "1"
    void showRecipientView(); // writes "outr" = "0"

    void Button1Click();      // add sender
    void Button2Click();      // change sender
    void Button8Click();      // delete senders
    void Button3Click();      // add recipient
    void Button4Click();      // change recipient
    void Button5Click();      // delete recipients
    void Button6Click();      // refresh
    void RecogniseClick();    // "智能识别"
    void OrderImportClick();  // "导入订单…"
    void Button7Click();      // search
    void DBGridEh1DblClick(); // load recipient row
    void DBGridEh2DblClick(); // load sender row
    void HideDateClick();
    void PrintDateClick();    // "打印日期…"
    void SingleNumberClick(); // "单张打印时询问运单号"
    void CalculatorClick();
    void NotepadClick();
    void FaqClick();
    void SupportClick();
    void WebSiteClick();
    void ExportClick();           // "数据导出"
    void BackupClick();           // "数据备份"
    void RestoreClick(bool undo = false); // "数据恢复", or "撤销上次恢复"
    void DatabaseLocationClick(); // "数据库位置…"
    void HelpClick();             // "使用说明"
    void AboutClick();            // "关于"

protected:
    bool event(QEvent* e) override;

private:
    friend class MainFormBars;
    friend class MainFormPanels;
    friend class TestMainForm;
    friend class TestProgramWindows;

    // Components, named as the window's code and tests know them.
    DataSet* ADOQuery1 = nullptr;        // senders, "select * from outr"
    DataSet* ADOQuery2 = nullptr;        // recipients, "select * from inr" or a search
    DataSetModel* DataSource1 = nullptr; // over ADOQuery2
    DataSetModel* DataSource2 = nullptr; // over ADOQuery1
    RecordGrid* DBGridEh2 = nullptr;     // sender grid
    QWidget* ToolBar1 = nullptr;
    QToolButton *SpeedButton1 = nullptr, *SpeedButton2 = nullptr, *SpeedButton3 = nullptr,
                *SpeedButton13 = nullptr, *SpeedButton4 = nullptr, *SpeedButton5 = nullptr,
                *SpeedButton6 = nullptr, *SpeedButton7 = nullptr, *SpeedButton9 = nullptr,
                *SpeedButton10 = nullptr, *SpeedButton14 = nullptr;
    QWidget* Panel3 = nullptr; // sender panel
    QWidget* Panel4 = nullptr; // recipient panel
    QToolButton* SenderCloseIcon = nullptr;
    QToolButton* RecipientCloseIcon = nullptr;
    QLineEdit *Edit1 = nullptr, *Edit2 = nullptr, *Edit3 = nullptr, *Edit4 = nullptr, *Edit5 = nullptr,
              *Edit6 = nullptr, *Edit7 = nullptr, *Edit8 = nullptr, *Edit9 = nullptr;
    QLineEdit *Edit10 = nullptr, *Edit11 = nullptr, *Edit12 = nullptr, *Edit13 = nullptr, *Edit14 = nullptr,
              *Edit15 = nullptr, *Edit16 = nullptr, *Edit21 = nullptr, *Edit22 = nullptr, *Edit24 = nullptr;
    QPushButton *Button1 = nullptr, *Button2 = nullptr, *Button8 = nullptr, *Button9 = nullptr;
    QPushButton *Button3 = nullptr, *Button4 = nullptr, *Button5 = nullptr, *Button6 = nullptr;
    QToolButton* SiteLink = nullptr;
    QMenu* PopupMenu1 = nullptr; // recipient grid
    QMenu* PopupMenu2 = nullptr; // single print
    QMenu* PopupMenu3 = nullptr; // batch print
    QMenu* PopupMenu5 = nullptr; // other tools
    QMenu* PopupMenu6 = nullptr; // help
    QMenu* PopupMenu7 = nullptr; // sender grid
    QAction* HideDateAction = nullptr;
    QAction* PrintDateAction = nullptr;
    QAction* SingleNumberAction = nullptr;
    QLabel* StatusSite = nullptr;
    QLabel* StatusLocation = nullptr; // the address book in use

    TMainForm(const Settings& settings, QWidget* parent);
    bool openDatabase(QString* error);
    void buildUi();
    void applyStartupSteps();
    // The address book in use, in the status bar.
    void showLocation();
    void writeDesktopLauncher();
    void writePrintDate(bool empty);
    void writePanelPreference(Settings::Panel panel);
    void restorePanelPreference();
    void popupToolbarMenu(QToolButton* button, QMenu* menu);
    // The recogniser, its region table read on first use; null (and the
    // reason shown) when the table cannot be read.
    const AddressParser* parser();
    // The first sender row when it holds nothing but the print date (as the
    // first start leaves it), else -1.
    int dateOnlyFirstSender() const;

    Settings m_settings;
    QDate m_printDate = QDate::currentDate();
    QString m_location; // where m_db was last opened
    std::unique_ptr<Database> m_db;
    RecordEditor* m_sender = nullptr;
    RecordEditor* m_recipient = nullptr;
    // Read on the first "智能识别", kept for the rest of the run.
    std::unique_ptr<RegionTable> m_regions;
    std::unique_ptr<AddressParser> m_parser;
    RecipientListPanel* m_list = nullptr; // search, grid, printed marks
    ToolsAndHelp* m_tools = nullptr;
    LiveRefresh* m_live = nullptr; // other computers' changes, on a server
};
