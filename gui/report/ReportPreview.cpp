#include "gui/report/ReportPreview.h"

#include "data/store/Database.h"
#include "data/store/Settings.h"
#include "exchange/FileReplacer.h"
#include "gui/report/EscpPrint.h"
#include "gui/report/OverflowQuestion.h"
#include "gui/report/PreviewIcons.h"
#include "gui/report/PreviewStatusBar.h"
#include "gui/report/PrintProgress.h"
#include "gui/report/PrintTarget.h"
#include "gui/report/ReportPageView.h"
#include "gui/report/ReportThumbnailModel.h"
#include "gui/widgets/Dialogs.h"
#include "gui/widgets/ScreenFit.h"
#include "report/QuickRep.h"
#include "report/ReportLayout.h"
#include "report/ReportOutputListener.h"
#include "report/ReportPdfWriter.h"
#include "report/ReportPrinter.h"
#include "report/ReportRecords.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace {
// Generation runs in slices this long, then lets the event loop through.
constexpr int kSliceMs = 25;
} // namespace

ReportPreview::ReportPreview(TQuickRep* report, QWidget* parent)
    : QDialog(parent), m_report(report), m_layout(std::make_unique<ReportLayout>(report))
{
    setObjectName(QStringLiteral("ReportPreview"));
    setWindowTitle(QStringLiteral("打印预览"));
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(0);
    box->addWidget(makeToolBar());
    box->addWidget(makePageArea(), 1);
    m_status = new PreviewStatusBar(m_report, m_layout.get(), this);
    box->addWidget(m_status);
    box->addWidget(makeTargetPanel());
    addPageKeys();
    addZoomKeys();
    restoreView();
    startGeneration();
}

QToolBar* ReportPreview::makeToolBar()
{
    m_toolBar = new QToolBar(this);
    // In a small window the captions don't all fit: pictures, with
    // the captions as tooltips, keep every command in sight.
    m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_toolBar->setIconSize(QSize(20, 20));

    auto* zoomGroup = new QActionGroup(this);
    // A zoom by the wheel is none of the three.
    zoomGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    m_fitAction = m_toolBar->addAction(QStringLiteral("合适大小"), this, &ReportPreview::zoomToFit);
    m_widthAction = m_toolBar->addAction(QStringLiteral("合适宽度"), this, &ReportPreview::zoomToWidth);
    m_100Action = m_toolBar->addAction(QStringLiteral("缩放100%"), this, &ReportPreview::zoom100);
    for (QAction* a : {m_fitAction, m_widthAction, m_100Action}) {
        a->setCheckable(true);
        zoomGroup->addAction(a);
    }
    m_fitAction->setChecked(true);
    m_zoom.setActions(m_fitAction, m_widthAction, m_100Action);
    m_toolBar->addSeparator();
    m_toolBar->addAction(QStringLiteral("首 页"), this, &ReportPreview::firstPage);
    m_toolBar->addAction(QStringLiteral("上一页"), this, &ReportPreview::previousPage);
    m_toolBar->addAction(QStringLiteral("下一页"), this, &ReportPreview::nextPage);
    m_toolBar->addAction(QStringLiteral("末 页"), this, &ReportPreview::lastPage);
    m_toolBar->addSeparator();
    m_toolBar->addAction(QStringLiteral("设 置"), this, &ReportPreview::printSetup);
    QAction* printAction = m_toolBar->addAction(QStringLiteral("打 印"), this, &ReportPreview::print);
    EscpPrint::addChoice(m_toolBar, printAction, [this] { return printerName(); });
    QAction* pdf = m_toolBar->addAction(QStringLiteral("导出PDF"), this, &ReportPreview::exportPdf);
    if (m_report->OutputListener)
        m_pdfMarksAction = PrintTarget::addPdfChoice(m_toolBar, pdf);
    m_toolBar->addSeparator();
    m_toolBar->addAction(QStringLiteral("关 闭"), this, &ReportPreview::close);
    PreviewIcons::decorate(m_toolBar);
    return m_toolBar;
}

bool ReportPreview::pdfMarksPrinted() const
{
    return m_pdfMarksAction && m_pdfMarksAction->isChecked();
}

QWidget* ReportPreview::makePageArea()
{
    auto* splitter = new QSplitter(this);
    m_tabs = new QTabWidget(splitter);
    m_thumbs = new QListView;
    m_thumbModel = new ReportThumbnailModel(m_layout.get(), this);
    m_thumbs->setModel(m_thumbModel);
    m_thumbs->setViewMode(QListView::IconMode);
    m_thumbs->setFlow(QListView::TopToBottom);
    m_thumbs->setWrapping(false);
    m_thumbs->setMovement(QListView::Static);
    m_thumbs->setResizeMode(QListView::Adjust);
    // All rows the same size: the view never asks every page for its size.
    m_thumbs->setUniformItemSizes(true);
    m_thumbs->setIconSize(m_thumbModel->thumbnailSize());
    m_thumbs->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tabs->addTab(m_thumbs, QStringLiteral("缩略图"));
    m_view = new ReportPageView(splitter);
    m_zoom.setView(m_view);
    m_view->setReportLayout(m_layout.get());
    m_view->setScreenExtras({m_report->ScreenPicture, true});
    splitter->addWidget(m_tabs);
    splitter->addWidget(m_view);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({150, 350});

    connect(m_thumbs->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid())
                    setCurrentPage(current.row());
            });
    connect(m_view, &ReportPageView::viewportResized, this, &ReportPreview::applyZoom);
    connect(m_view, &ReportPageView::zoomWheel, this, &ReportPreview::zoomBy);
    return splitter;
}

QLabel* ReportPreview::makeTargetPanel()
{
    // Below the three panels: a range chosen once in "设 置" applies to every
    // later print from this window, so the window says what the next print does.
    m_targetPanel = new QLabel(this);
    m_targetPanel->setObjectName(QStringLiteral("PrintTargetLabel"));
    m_targetPanel->setContentsMargins(4, 0, 4, 2);
    m_targetPanel->setWordWrap(true);
    connect(this, &ReportPreview::generationFinished, this, &ReportPreview::updatePrintTarget);
    return m_targetPanel;
}

void ReportPreview::addPageKeys()
{
    const auto key = [this](QKeySequence seq, void (ReportPreview::*slot)()) {
        auto* s = new QShortcut(seq, this);
        s->setContext(Qt::WindowShortcut);
        connect(s, &QShortcut::activated, this, slot);
    };
    key(QKeySequence(Qt::Key_PageUp), &ReportPreview::previousPage);
    key(QKeySequence(Qt::Key_PageDown), &ReportPreview::nextPage);
    key(QKeySequence(Qt::CTRL | Qt::Key_PageUp), &ReportPreview::firstPage);
    key(QKeySequence(Qt::Key_Home), &ReportPreview::firstPage);
    key(QKeySequence(Qt::CTRL | Qt::Key_PageDown), &ReportPreview::lastPage);
    key(QKeySequence(Qt::Key_End), &ReportPreview::lastPage);
}

void ReportPreview::startGeneration()
{
    // The first page is made at once, so the window opens with it; the
    // rest follow while the event loop runs.
    m_layout->start();
    m_layout->step();
    m_thumbModel->refresh();
    m_timer = new QTimer(this);
    m_timer->setInterval(0);
    connect(m_timer, &QTimer::timeout, this, &ReportPreview::generateSome);
    if (!m_layout->isFinished())
        m_timer->start();
    applyZoom();
    updateStatus();
    updatePrintTarget();
}

void ReportPreview::restartGeneration()
{
    // The run starts afresh from the rows as they stand now; no page of the
    // old run stays in the thumbnails.
    m_timer->stop();
    m_layout->start();
    m_thumbModel->refresh();
    m_layout->step();
    m_thumbModel->refresh();
    m_page = 0;
    m_view->setPage(0);
    m_view->invalidate();
    if (!m_layout->isFinished())
        m_timer->start();
    m_status->refreshContents();
    setCurrentPage(0);
    updateStatus();
    updatePrintTarget();
}

int ReportPreview::recordCount() const
{
    return m_report->Records ? m_report->Records->recordCount() : 0;
}

bool ReportPreview::afterOutput(int recordsBefore)
{
    // What the pages hold may have changed with the marks just written
    // (a selection of unprinted rows loses the rows printed): they are made
    // again, so that another "打 印" never repeats what went out.
    restartGeneration();
    if (recordsBefore == 0 || recordCount() > 0)
        return false;
    Dialogs::message(this, QStringLiteral("这些运单都已打印，没有要打印的了，预览将关闭。"));
    close();
    return true;
}

ReportPreview::~ReportPreview()
{
    if (m_timer)
        m_timer->stop();
    if (m_layout && !m_layout->isFinished())
        m_layout->cancel(); // the pages made so far stay
}

void ReportPreview::exec(TQuickRep* report, QWidget* parent, const QString& databasePath)
{
    ReportPreview preview(report, parent);
    preview.setDatabasePath(databasePath);
    Dialogs::exec(&preview);
}

void ReportPreview::install(std::function<QString()> databasePath)
{
    TQuickRep::setPreviewHandler([databasePath](TQuickRep* report, QWidget* parent) {
        ReportPreview::exec(report, parent, databasePath ? databasePath() : QString());
    });
}

int ReportPreview::pageCount() const
{
    return m_layout->pageCount();
}

bool ReportPreview::isGenerating() const
{
    return m_timer && m_timer->isActive();
}

void ReportPreview::generateSome()
{
    if (m_busy)
        return;
    const int before = m_layout->pageCount();
    QElapsedTimer clock;
    clock.start();
    while (!m_layout->isFinished() && clock.elapsed() < kSliceMs)
        m_layout->step();
    if (m_layout->isFinished()) {
        m_timer->stop();
        emit generationFinished();
    }
    if (m_layout->pageCount() != before) {
        m_thumbModel->refresh();
        if (m_page == before - 1)
            m_view->invalidate(); // the page on show may have grown
        emit pageAdded(m_layout->pageCount());
    }
    updateStatus();
}

QString ReportPreview::pageStatusText() const
{
    return m_status->pageText(m_page);
}

QString ReportPreview::progressStatusText() const
{
    return m_status->progressText();
}

QString ReportPreview::contentsStatusText() const
{
    return m_status->contentsText();
}

int ReportPreview::cachedThumbnailCount() const
{
    return m_thumbModel->cachedCount();
}

void ReportPreview::updateStatus()
{
    m_status->update(m_page);
}

QString ReportPreview::overflowStatusText() const
{
    return m_status->overflowText();
}

double ReportPreview::zoomFactor() const
{
    return m_zoom.factor();
}

void ReportPreview::applyZoom()
{
    m_zoom.apply();
}

void ReportPreview::zoomToFit()
{
    m_zoom.fit();
}

void ReportPreview::zoomToWidth()
{
    m_zoom.fitWidth();
}

void ReportPreview::zoom100()
{
    m_zoom.hundred();
}

void ReportPreview::setZoomPercent(double percent)
{
    m_zoom.setPercent(percent);
}

void ReportPreview::zoomBy(int steps)
{
    m_zoom.by(steps);
}

void ReportPreview::addZoomKeys()
{
    for (const auto& [key, steps] :
         {std::pair{QKeySequence::ZoomIn, 1}, std::pair{QKeySequence::ZoomOut, -1}}) {
        auto* shortcut = new QShortcut(key, this);
        connect(shortcut, &QShortcut::activated, this, [this, steps = steps] { zoomBy(steps); });
    }
}

void ReportPreview::restoreView()
{
    // Large enough to read a waybill, within the screen; a size kept from a
    // larger screen shrinks to this one.
    const Settings settings;
    const QSize kept = settings.previewSize();
    const QSize wanted = kept.isValid() && !kept.isEmpty() ? kept : QSize(1000, 720);
    resize(ScreenFit::clientSize(wanted, ScreenFit::availableFor(this)));
    m_zoom.setText(settings.previewZoom());
}

void ReportPreview::keepView() const
{
    // Not worth a message while the window closes: the next preview then
    // opens as before.
    Settings().setPreview(isMaximized() ? normalGeometry().size() : size(), m_zoom.text(), nullptr);
}

void ReportPreview::setCurrentPage(int page)
{
    const int count = m_layout->pageCount();
    if (count == 0)
        return;
    page = std::clamp(page, 0, count - 1);
    if (page != m_page) {
        m_page = page;
        m_view->setPage(page);
    }
    const QModelIndex index = m_thumbModel->index(page);
    if (m_thumbs->currentIndex() != index) {
        m_thumbs->setCurrentIndex(index);
        m_thumbs->scrollTo(index);
    }
    updateStatus();
}

void ReportPreview::firstPage()
{
    setCurrentPage(0);
}

void ReportPreview::previousPage()
{
    setCurrentPage(m_page - 1);
}

void ReportPreview::nextPage()
{
    setCurrentPage(m_page + 1);
}

void ReportPreview::lastPage()
{
    setCurrentPage(m_layout->pageCount() - 1);
}

void ReportPreview::printSetup()
{
    // The range is chosen against the whole report, not the pages made so far.
    if (!m_layout->isFinished()) {
        m_layout->generateAll();
        generateSome();
    }
    // Here the dialog only stores the choices; "打 印" prints.
    choosePrinter(QStringLiteral("打印设置"), QStringLiteral("确定"));
}

bool ReportPreview::askForPrinter()
{
    return choosePrinter(QStringLiteral("选择打印机"), QString());
}

bool ReportPreview::choosePrinter(const QString& title, const QString& okCaption)
{
    QPrinter printer(QPrinter::HighResolution);
    ReportPrinter::setup(&printer, m_report);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(title);
    dialog.setMinMax(1, std::max(1, m_layout->pageCount()));
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
    if (!okCaption.isEmpty())
        if (auto* buttons = dialog.findChild<QDialogButtonBox*>())
            if (QPushButton* ok = buttons->button(QDialogButtonBox::Ok))
                ok->setText(okCaption);
    if (Dialogs::exec(&dialog) != QDialog::Accepted)
        return false;
    ReportPrinter::keepSettings(printer, &m_report->PrinterSettings);
    m_report->PrinterSettings.RangePageCount = m_layout->pageCount();
    updatePrintTarget();
    return true;
}

QString ReportPreview::printerName() const
{
    const QString kept = m_report->PrinterSettings.PrinterName;
    return kept.isEmpty() ? QPrinterInfo::defaultPrinterName() : kept;
}

QString ReportPreview::printTargetText() const
{
    return m_targetPanel->text();
}

void ReportPreview::updatePrintTarget()
{
    // Only a finished report knows its page count; a range chosen for
    // another count (the list changed since) no longer means anything.
    if (m_layout->isFinished())
        PrintTarget::dropStaleRange(&m_report->PrinterSettings, m_layout->pageCount());
    m_targetPanel->setText(PrintTarget::describe(m_report->PrinterSettings, m_layout->pageCount()));
}

void ReportPreview::print()
{
    // The question about cut texts and the choice of printer both need the
    // whole run.
    while (!m_layout->isFinished() && !m_busy)
        generateSome();
    if (!OverflowQuestion::ask(this, m_layout.get()))
        return;
    // With no default printer the job would go to whichever queue comes
    // first: ask instead.
    if (PrintTarget::mustAskForPrinter(m_report->PrinterSettings) && !askForPrinter())
        return;
    ReportOutputListener* listener = m_report->OutputListener;
    ReportOutputListener::Output output;
    const TQRPrinterSettings& kept = m_report->PrinterSettings;
    output.target = printerName();
    // A dot-matrix printer gets the program's own stream; a driver that
    // would let the forms drift is said before it is used.
    bool escp = EscpPrint::isMarked(output.target);
    if (!escp) {
        const EscpPrint::Choice choice = EscpPrint::checkDriver(this, *m_layout, output.target);
        if (choice == EscpPrint::Choice::Cancel)
            return;
        escp = choice == EscpPrint::Choice::UseEscp;
    }
    if (kept.FirstPage > 0 || kept.LastPage > 0) {
        output.firstPage = std::max(1, kept.FirstPage);
        output.lastPage = std::max(output.firstPage, kept.LastPage);
    }
    const int records = recordCount();
    if (listener && !listener->aboutToOutput(output, this))
        return;
    // The listener may have given the rows their numbers: those print.
    m_layout->rereadTexts();
    m_busy = true;
    QString error;
    bool ok = escp ? EscpPrint::print(m_layout.get(), m_report, output.target, this, &error)
                   : PrintProgress::print(m_layout.get(), m_report, this, &error);
    m_busy = false;
    m_thumbModel->refresh();
    updateStatus();
    if (listener && !ok)
        listener->outputFailed(output);
    else if (listener)
        ok = listener->outputDone(output, m_layout->pageCount(), &error);
    m_layout->rereadTexts();
    if (!ok && !error.isEmpty())
        Dialogs::error(this, error);
    if (ok && listener)
        afterOutput(records);
}

void ReportPreview::exportPdf()
{
    const QString path = PrintTarget::askPdfPath(this, m_databasePath);
    if (path.isEmpty())
        return;
    // Only a PDF that stands for the forms is told to the listener: the
    // file alone neither takes numbers nor marks rows.
    ReportOutputListener* listener = pdfMarksPrinted() ? m_report->OutputListener : nullptr;
    ReportOutputListener::Output output;
    output.pdf = true;
    output.target = path;
    const int records = recordCount();
    if (listener && !listener->aboutToOutput(output, this))
        return;
    // The listener may have given the rows their numbers: those print.
    m_layout->rereadTexts();
    m_busy = true;
    // Written beside the final name and moved into place: a failed or
    // stopped export leaves the old file as it was.
    FileReplacer out(path, FileReplacer::Access::Shared);
    QString error, why;
    bool ok =
        out.prepare(&why) && ReportPdfWriter::write(m_layout.get(), out.tempPath(), &why) && out.commit(&why);
    if (!ok)
        error = QStringLiteral("无法写入文件 %1：%2").arg(path, why);
    m_busy = false;
    m_thumbModel->refresh();
    updateStatus();
    const int pages = m_layout->pageCount();
    if (listener && !ok)
        listener->outputFailed(output);
    else if (listener)
        ok = listener->outputDone(output, pages, &error);
    m_layout->rereadTexts();
    if (!ok) {
        Dialogs::error(this, error);
        return;
    }
    Dialogs::message(this,
                     PrintTarget::exported(pages, path, listener != nullptr, m_pdfMarksAction != nullptr));
    if (listener)
        afterOutput(records);
}

void ReportPreview::keyPressEvent(QKeyEvent* event)
{
    // Escape closes like "关 闭"; the page keys are shortcuts.
    QDialog::keyPressEvent(event);
}

void ReportPreview::closeEvent(QCloseEvent* event)
{
    if (m_busy) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void ReportPreview::done(int result)
{
    // Stop between records; pages made so far are dropped with the window.
    if (m_timer)
        m_timer->stop();
    if (!m_layout->isFinished()) {
        m_layout->cancel();
    }
    keepView();
    QDialog::done(result);
}

void ReportPreview::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    applyZoom();
}
