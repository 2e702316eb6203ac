#include "report/ReportPrinter.h"

#include "report/QuickRep.h"
#include "report/ReportLayout.h"

#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include <cmath>
#include <optional>

// QPrinter::setPrinterName() ignores a name it does not know and keeps the
// printer it had (the default one): check the name first, or the job would
// go to another printer without a word. An empty name means the default.
static bool printerExists(const QString& name, QString* error)
{
    if (!name.isEmpty() && QPrinterInfo::printerInfo(name).isNull()) {
        if (error)
            *error = QStringLiteral("找不到打印机“%1”。").arg(name);
        return false;
    }
    return true;
}

namespace {
void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

QPageSize customPage(const TQuickRep* report)
{
    return QPageSize(report->pageSizeMm(), QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
}
} // namespace

void ReportPrinter::setup(QPrinter* printer, const TQuickRep* report)
{
    const TQRPrinterSettings& s = report->PrinterSettings;
    if (!s.PrinterName.isEmpty() && printer->outputFormat() == QPrinter::NativeFormat)
        printer->setPrinterName(s.PrinterName);
    printer->setFullPage(true);
    printer->setPageSize(customPage(report));
    printer->setPageOrientation(s.Orientation);
    printer->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    printer->setCopyCount(std::max(1, s.Copies));
    if (s.FirstPage > 0 || s.LastPage > 0) {
        printer->setPrintRange(QPrinter::PageRange);
        printer->setFromTo(std::max(1, s.FirstPage), std::max(s.FirstPage, s.LastPage));
    } else {
        printer->setPrintRange(QPrinter::AllPages);
        printer->setFromTo(0, 0);
    }
    if (s.Bin != 0)
        printer->setPaperSource(QPrinter::PaperSource(s.Bin));
    printer->setDuplex(QPrinter::DuplexMode(s.Duplex));
    if (s.Quality > 0)
        printer->setResolution(s.Quality);
    if (s.Collate != 0)
        printer->setCollateCopies(s.Collate == 1);
    if (s.ColorMode != 0)
        printer->setColorMode(s.ColorMode == 1 ? QPrinter::Color : QPrinter::GrayScale);
    printer->setDocName(report->ReportTitle.isEmpty() ? QStringLiteral("waybill") : report->ReportTitle);
}

void ReportPrinter::keepSettings(const QPrinter& printer, TQRPrinterSettings* s)
{
    if (printer.outputFormat() == QPrinter::NativeFormat)
        s->PrinterName = printer.printerName();
    s->Copies = printer.copyCount();
    if (printer.printRange() == QPrinter::PageRange) {
        s->FirstPage = printer.fromPage();
        s->LastPage = printer.toPage();
    } else {
        s->FirstPage = 0;
        s->LastPage = 0;
    }
    s->Orientation = printer.pageLayout().orientation();
    s->Bin = int(printer.paperSource());
    s->Duplex = int(printer.duplex());
    s->Collate = printer.collateCopies() ? 1 : 2;
    s->ColorMode = printer.colorMode() == QPrinter::Color ? 1 : 2;
}

bool ReportPrinter::checkPrinter(const QPrinter& printer, QString* error)
{
    if (printer.outputFormat() == QPrinter::PdfFormat) {
        // Qt falls back to a PDF file when there is no printer at all.
        if (!printer.outputFileName().isEmpty())
            return true;
        setError(error, QStringLiteral("没有可用的打印机，请先安装打印机。"));
        return false;
    }
    if (QPrinterInfo::printerInfo(printer.printerName()).isNull()) {
        setError(error, QStringLiteral("找不到打印机“%1”。").arg(printer.printerName()));
        return false;
    }
    return true;
}

bool ReportPrinter::checkCustomPaper(const QPrinter& printer, QString* error)
{
    if (printer.outputFormat() == QPrinter::PdfFormat)
        return true;
    const QPrinterInfo info = QPrinterInfo::printerInfo(printer.printerName());
    if (info.isNull())
        return checkPrinter(printer, error);
    const QSizeF want = printer.pageLayout().pageSize().size(QPageSize::Millimeter);
    if (!info.supportsCustomPageSizes()) {
        setError(error, QStringLiteral("打印机“%1”不支持自定义纸张尺寸（%2 × %3 毫米），"
                                       "运单会打印在其他尺寸的纸上，位置将对不准。")
                            .arg(info.printerName())
                            .arg(want.width())
                            .arg(want.height()));
        return false;
    }
    return true;
}

bool ReportPrinter::print(ReportLayout* layout, QPrinter* printer, QString* error,
                          const std::function<bool(int, int)>& pageDone)
{
    if (!layout->isStarted())
        layout->start();
    // Pages are made as they are printed, as for a PDF file; the page range
    // is checked against the count the run will come to.
    const int count = layout->expectedPageCount();
    if (count == 0) {
        setError(error, QStringLiteral("报表没有可打印的页。"));
        return false;
    }
    int from = 1;
    int to = count;
    if (printer->printRange() == QPrinter::PageRange && printer->fromPage() > 0) {
        from = std::max(1, printer->fromPage());
        to = std::min(count, std::max(from, printer->toPage()));
    }
    if (from > count) {
        setError(error, QStringLiteral("所选页码范围内没有页（共 %1 页）。").arg(count));
        return false;
    }
    // The range has been applied here; the driver must not apply it again.
    printer->setPrintRange(QPrinter::AllPages);
    printer->setFromTo(0, 0);

    // Page index made, and the one after it begun (or the run finished).
    auto make = [layout](int index) {
        while (layout->pageCount() <= index + 1 && !layout->isFinished())
            layout->step();
        return index < layout->pageCount();
    };
    if (!make(from - 1)) {
        setError(error, QStringLiteral("报表没有可打印的页。"));
        return false;
    }
    QPainter painter;
    if (!painter.begin(printer)) {
        setError(error, QStringLiteral("无法开始打印（打印机“%1”）。").arg(printer->printerName()));
        return false;
    }
    const int total = to - from + 1;
    for (int page = from; page <= to && make(page - 1); ++page) {
        if (page > from && !printer->newPage()) {
            painter.end();
            setError(error, QStringLiteral("打印失败：无法开始新的一页。"));
            return false;
        }
        layout->paintPage(&painter, page - 1);
        if (pageDone && !pageDone(page - from + 1, total)) {
            printer->abort();
            painter.end();
            setError(error, QStringLiteral("打印已取消。"));
            return false;
        }
    }
    if (!painter.end()) {
        setError(error, QStringLiteral("打印失败（打印机“%1”）。").arg(printer->printerName()));
        return false;
    }
    return true;
}

bool ReportPrinter::printTo(TQuickRep* report, const QString& printerName, QString* error, ReportLayout* run)
{
    const QString wanted = printerName.isEmpty() ? report->PrinterSettings.PrinterName : printerName;
    if (!printerExists(wanted, error))
        return false;
    QPrinter printer(QPrinter::HighResolution);
    setup(&printer, report);
    if (!printerName.isEmpty())
        printer.setPrinterName(printerName);
    if (!checkPrinter(printer, error) || !checkCustomPaper(printer, error))
        return false;
    std::optional<ReportLayout> own;
    if (!run)
        run = &own.emplace(report);
    run->start();
    return print(run, &printer, error);
}

bool ReportPrinter::setupKept(QPrinter* printer, const TQuickRep* report, QString* error,
                              QString* paperWarning)
{
    // The printer chosen in the setup may have gone since.
    if (!printerExists(report->PrinterSettings.PrinterName, error))
        return false;
    setup(printer, report);
    if (!checkPrinter(*printer, error))
        return false;
    QString why;
    if (!checkCustomPaper(*printer, &why) && paperWarning)
        *paperWarning = why;
    return true;
}
