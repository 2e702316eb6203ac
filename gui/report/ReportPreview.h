#pragma once

#include "gui/report/PreviewZoom.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <memory>

class QLabel;
class QListView;
class QScrollArea;
class QTabWidget;
class QTimer;
class QToolBar;
class QToolButton;
class QAction;
class ReportLayout;
class PreviewStatusBar;
class ReportPageView;
class ReportThumbnailModel;
class TQuickRep;

// The print preview window ("打印预览"): generates the pages of a report
// while the event loop runs, each page appearing once it is made, and
// paints pages and thumbnails on demand. Closing it stops the generation
// between records.
class ReportPreview : public QDialog
{
    Q_OBJECT
public:
    using ZoomMode = PreviewZoom::Mode;

    explicit ReportPreview(TQuickRep* report, QWidget* parent = nullptr);
    ~ReportPreview() override;

    // Shows the preview for report modally; returns when it closes.
    // databasePath: the address book, which a PDF must never overwrite.
    static void exec(TQuickRep* report, QWidget* parent = nullptr, const QString& databasePath = QString());
    // Makes TQuickRep::Preview() open this window; databasePath is asked
    // at each preview.
    static void install(std::function<QString()> databasePath = {});
    void setDatabasePath(const QString& path) { m_databasePath = path; }

    ReportLayout* layout() const { return m_layout.get(); }
    int currentPage() const { return m_page; } // 0-based
    int pageCount() const;
    bool isGenerating() const;
    ZoomMode zoomMode() const { return m_zoom.mode(); }
    // Displayed scale: screen pixels per page pixel at 100 %.
    double zoomFactor() const;
    QString pageStatusText() const;
    QString progressStatusText() const;
    // "文字超出 N 处" once anything was cut; empty otherwise.
    QString overflowStatusText() const;
    // What the pages hold, as the status bar says it; empty when nobody said.
    QString contentsStatusText() const;
    // Which pages and which printer the next "打 印" uses.
    QString printTargetText() const;
    // The printer the next "打 印" goes to (the kept one, else the default).
    QString printerName() const;
    int cachedThumbnailCount() const;
    // Whether "导出PDF" counts as a print (only in a window that records
    // prints, as the user chose it there).
    bool pdfMarksPrinted() const;

public slots:
    void zoomToFit();
    void zoomToWidth();
    void zoom100();
    // Any percent, bounded to 10 to 400 %.
    void setZoomPercent(double percent);
    // The next of the usual steps (10, 25, 50 ... 300, 400 %) up (steps > 0) or down.
    void zoomBy(int steps);
    void firstPage();
    void previousPage();
    void nextPage();
    void lastPage();
    void setCurrentPage(int page);
    void printSetup();
    void print();
    void exportPdf();

signals:
    void pageAdded(int pageCount);
    void generationFinished();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void done(int result) override;
    void showEvent(QShowEvent* event) override;

private:
    // The parts of the window, top to bottom, made once by the constructor.
    QToolBar* makeToolBar();
    QWidget* makePageArea();   // thumbnails beside the page
    QLabel* makeTargetPanel(); // what the next print does
    void addPageKeys();
    // Makes the first page at once and the rest while the event loop runs.
    void startGeneration();
    void generateSome();
    // After an output the listener recorded: the pages again from the rows
    // as they now stand; true when none of the recordsBefore is left and
    // the window closes.
    bool afterOutput(int recordsBefore);
    int recordCount() const; // of the report's records
    void restartGeneration();
    void updateStatus();
    void applyZoom();
    // Size and zoom as the user left them (program Settings), kept on closing.
    void restoreView();
    void keepView() const;
    void addZoomKeys();
    void updatePrintTarget();
    bool askForPrinter();
    // The print dialog, storing the printer, range and copies chosen.
    bool choosePrinter(const QString& title, const QString& okCaption);

    TQuickRep* m_report;
    QString m_databasePath;
    std::unique_ptr<ReportLayout> m_layout;
    int m_page = 0;
    PreviewZoom m_zoom;
    bool m_busy = false;

    QToolBar* m_toolBar = nullptr;
    QTabWidget* m_tabs = nullptr;
    QScrollArea* m_scroll = nullptr;
    ReportPageView* m_view = nullptr;
    QListView* m_thumbs = nullptr;
    ReportThumbnailModel* m_thumbModel = nullptr;
    PreviewStatusBar* m_status = nullptr;
    QLabel* m_targetPanel = nullptr; // PrintTargetLabel
    QAction* m_fitAction = nullptr;
    QAction* m_widthAction = nullptr;
    QAction* m_100Action = nullptr;
    QAction* m_pdfMarksAction = nullptr; // null without a listener
    QTimer* m_timer = nullptr;
};
