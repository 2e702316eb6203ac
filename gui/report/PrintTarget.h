#pragma once

#include <QString>

struct TQRPrinterSettings;

// What the next "打 印" of a preview will do, in words for its status bar,
// and the decisions around it: a page range chosen for another page count
// is dropped, and with no printer chosen and no default one the user is
// asked instead of the job going to whichever queue comes first.
namespace PrintTarget {

// "下次打印：全部 407 页 · 打印机：pdf（默认）" and the like.
QString describe(const TQRPrinterSettings& settings, int pageCount);

// Clears a page range that was chosen when the report had another number
// of pages. True when it did.
bool dropStaleRange(TQRPrinterSettings* settings, int pageCount);

// No printer chosen, no default printer, but printers installed: the user
// has to pick one.
bool mustAskForPrinter(const TQRPrinterSettings& settings);

} // namespace PrintTarget
