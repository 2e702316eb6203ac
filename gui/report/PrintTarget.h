#pragma once

#include <QString>

class QAction;
class QToolBar;
class QWidget;
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

// Gives the toolbar's "导出PDF" a menu with the choice whether a PDF counts
// as a print ("导出PDF时标记为已打印", kept in Settings); returns that choice.
QAction* addPdfChoice(QToolBar* bar, QAction* pdf);

// "已导出 3 页到“x.pdf”", saying whether the forms were marked when the
// window could have marked them.
QString exported(int pages, const QString& path, bool marked, bool markable);

// Asks where "导出PDF" writes: the name with ".pdf", a question before an
// existing file is replaced, never the address book at databasePath or a
// folder or device (said to the user). Empty when there is nowhere to write.
QString askPdfPath(QWidget* parent, const QString& databasePath);

} // namespace PrintTarget
