#include "gui/report/EscpPrint.h"

#include "data/store/Settings.h"
#include "gui/widgets/Dialogs.h"
#include "report/EscpWriter.h"
#include "report/PrinterDriverFacts.h"
#include "report/QuickRep.h"
#include "report/RawPrintJob.h"
#include "report/ReportLayout.h"

#include <QActionGroup>
#include <QApplication>
#include <QFileDialog>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

namespace EscpPrint {

namespace {
const QString kContinuous = QStringLiteral("continuous");
const QString kSheets = QStringLiteral("sheets");

void keep(QWidget* parent, bool ok, const QString& error)
{
    if (!ok)
        Dialogs::error(parent, error);
}
} // namespace

bool isMarked(const QString& printer)
{
    return !printer.isEmpty() && !Settings().escpPaper(printer).isEmpty();
}

void addChoice(QToolBar* bar, QAction* print, const std::function<QString()>& printer)
{
    auto* menu = new QMenu(bar);
    QAction* mark = menu->addAction(QStringLiteral("针式打印机（ESC/P）"));
    mark->setObjectName(QStringLiteral("EscpMark"));
    mark->setCheckable(true);
    auto* papers = new QActionGroup(menu);
    QAction* continuous = menu->addAction(QStringLiteral("连续纸（不换页，按表单高度走纸）"));
    QAction* sheets = menu->addAction(QStringLiteral("单张表单（每张换页）"));
    for (QAction* a : {continuous, sheets}) {
        a->setCheckable(true);
        papers->addAction(a);
    }
    menu->addSeparator();
    QAction* device = menu->addAction(QStringLiteral("输出到设备文件…"));
    device->setObjectName(QStringLiteral("EscpDevice"));

    // The menu speaks of the printer chosen when it opens.
    QObject::connect(menu, &QMenu::aboutToShow, menu, [=] {
        const QString name = printer();
        const Settings settings;
        const QString paper = settings.escpPaper(name);
        const QString file = settings.escpDevice(name);
        mark->setEnabled(!name.isEmpty());
        mark->setText(name.isEmpty() ? QStringLiteral("针式打印机（ESC/P）：请先选择打印机")
                                     : QStringLiteral("“%1”是针式打印机（ESC/P）").arg(name));
        const QSignalBlocker block(mark);
        mark->setChecked(!paper.isEmpty());
        continuous->setEnabled(!paper.isEmpty());
        sheets->setEnabled(!paper.isEmpty());
        continuous->setChecked(paper != kSheets);
        sheets->setChecked(paper == kSheets);
        device->setEnabled(!paper.isEmpty());
        device->setText(file.isEmpty() ? QStringLiteral("输出到设备文件…")
                                       : QStringLiteral("输出到设备文件：%1（再选一次可取消）").arg(file));
    });
    QObject::connect(mark, &QAction::toggled, bar, [=](bool on) {
        QString error;
        keep(bar->window(), Settings().setEscpPaper(printer(), on ? kContinuous : QString(), &error), error);
    });
    QObject::connect(continuous, &QAction::triggered, bar, [=] {
        QString error;
        keep(bar->window(), Settings().setEscpPaper(printer(), kContinuous, &error), error);
    });
    QObject::connect(sheets, &QAction::triggered, bar, [=] {
        QString error;
        keep(bar->window(), Settings().setEscpPaper(printer(), kSheets, &error), error);
    });
    QObject::connect(device, &QAction::triggered, bar, [=] {
        const QString name = printer();
        QString error;
        if (!Settings().escpDevice(name).isEmpty()) {
            keep(bar->window(), Settings().setEscpDevice(name, QString(), &error), error);
            return;
        }
        const QString path = QFileDialog::getOpenFileName(bar->window(), QStringLiteral("选择打印机设备"),
                                                          QStringLiteral("/dev/usb"));
        if (!path.isEmpty())
            keep(bar->window(), Settings().setEscpDevice(name, path, &error), error);
    });
    print->setMenu(menu);
    if (auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(print)))
        button->setPopupMode(QToolButton::MenuButtonPopup);
}

Choice checkDriver(QWidget* parent, const ReportLayout& layout, const QString& printer)
{
    PrinterDriverFacts facts;
    // Only the Epson dot-matrix drivers are second-guessed: for them the
    // program has a better way.
    if (printer.isEmpty() || !PrinterDriverFacts::read(printer, &facts, nullptr) || !facts.sixthsOfInch)
        return Choice::Proceed;
    QStringList said;
    const QString drift = facts.driftWarning(layout.pageSizeMm().height(), std::max(20, layout.pageCount()));
    if (!drift.isEmpty())
        said << drift;
    const QStringList margins = facts.marginHits(layout, 20);
    said += margins.mid(0, 5);
    if (margins.size() > 5)
        said << QStringLiteral("另有 %1 张也是这样。").arg(margins.size() - 5);
    if (said.isEmpty())
        return Choice::Proceed;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("打印"), said.join(QStringLiteral("\n\n")),
                    QMessageBox::NoButton, parent);
    QPushButton* own = box.addButton(QStringLiteral("改用针式打印机输出（ESC/P）"), QMessageBox::AcceptRole);
    QPushButton* driver = box.addButton(QStringLiteral("仍用驱动程序打印"), QMessageBox::DestructiveRole);
    box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
    box.setDefaultButton(own);
    const int result = Dialogs::exec(&box);
    const QAbstractButton* clicked = box.clickedButton();
    // A scripted answer (tests) is Accepted for the stream, 2 for the driver.
    if (!clicked && Dialogs::isScripted())
        clicked = result == QDialog::Accepted ? own : result == 2 ? driver : nullptr;
    if (clicked == own) {
        QString error;
        if (!Settings().setEscpPaper(printer, kContinuous, &error)) {
            Dialogs::error(parent, error);
            return Choice::Cancel;
        }
        return Choice::UseEscp;
    }
    return clicked == driver ? Choice::Proceed : Choice::Cancel;
}

bool print(ReportLayout* layout, TQuickRep* report, const QString& printer, QWidget* parent, QString* error)
{
    QString ignored;
    QString& why = error ? *error : ignored;
    const Settings settings;
    EscpOptions options;
    options.paper =
        settings.escpPaper(printer) == kSheets ? EscpOptions::Paper::Sheets : EscpOptions::Paper::Continuous;
    const QString device = settings.escpDevice(printer);
    while (!layout->isFinished())
        layout->step();
    const int count = layout->pageCount();
    const TQRPrinterSettings& kept = report->PrinterSettings;
    const int from = kept.FirstPage > 0 ? std::max(1, kept.FirstPage) : 1;
    const int to = kept.LastPage > 0 ? std::min(count, std::max(from, kept.LastPage)) : count;
    if (count == 0 || from > to) {
        why = QStringLiteral("所选页码范围内没有页（共 %1 页）。").arg(count);
        return false;
    }
    RawPrintJob job;
    const QString title = report->ReportTitle.isEmpty() ? QStringLiteral("waybill") : report->ReportTitle;
    if (!(device.isEmpty() ? job.openQueue(printer, title, &why) : job.openDevice(device, &why)))
        return false;

    QProgressDialog progress(parent);
    progress.setWindowTitle(QStringLiteral("Printing progress"));
    progress.setLabelText(QStringLiteral("正在送往针式打印机 %1").arg(device.isEmpty() ? printer : device));
    progress.setCancelButtonText(QStringLiteral("Cancel"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setRange(0, to - from + 1);
    progress.setValue(0);
    progress.show();
    QApplication::processEvents();

    EscpWriter writer(&job, options);
    for (int page = from; page <= to; ++page) {
        if (!writer.writePage(*layout, page - 1, &why)) {
            job.cancel();
            return false;
        }
        progress.setValue(page - from + 1);
        QApplication::processEvents();
        if (progress.wasCanceled()) {
            job.cancel();
            why.clear(); // the user's own choice
            return false;
        }
    }
    if (!writer.finish(&why) || !job.finish(&why))
        return false;
    progress.close();
    if (!writer.warnings().isEmpty())
        Dialogs::message(parent, writer.warnings().join(QLatin1Char('\n')), QMessageBox::Information);
    return true;
}

} // namespace EscpPrint
