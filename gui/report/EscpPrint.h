#pragma once

#include <QString>

#include <functional>

class QAction;
class QToolBar;
class QWidget;
class ReportLayout;
class TQuickRep;

// Printing to 24-pin dot-matrix printers with the program's own ESC/P
// stream: the choice in the print button's menu ("针式打印机（ESC/P）",
// kept per printer), the raw job itself with its progress and cancel, and
// the question before a print through a driver that would let the forms
// drift.
namespace EscpPrint {

// Gives the toolbar's print button a menu: the mark for the printer that
// printer() names, continuous paper or single forms, and a device file
// (/dev/usb/lp0) to write to instead of the queue.
void addChoice(QToolBar* bar, QAction* print, const std::function<QString()>& printer);

// Whether printer is marked for the ESC/P stream.
bool isMarked(const QString& printer);

// Before printing through printer's own driver: when its driver lets the
// forms drift or leaves text in its margins, says so and offers the
// program's own output. Proceed: print through the driver; UseEscp: the
// printer is marked now, print the stream; Cancel: print nothing.
enum class Choice
{
    Proceed,
    UseEscp,
    Cancel
};
Choice checkDriver(QWidget* parent, const ReportLayout& layout, const QString& printer);

// Sends the pages in the report's kept range to printer as a raw job (or
// to its device file), form by form, with a progress window whose cancel
// stops between forms. False with the reason; an empty reason when the user
// stopped it.
bool print(ReportLayout* layout, TQuickRep* report, const QString& printer, QWidget* parent, QString* error);

} // namespace EscpPrint
