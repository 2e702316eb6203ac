#pragma once

#include <QString>

#include <functional>

class QPrinter;
class ReportLayout;
class TQuickRep;
struct TQRPrinterSettings;

// Printing a report: a user-defined paper of the page's size (portrait,
// zero margins, full page) and the report's printer settings.
class ReportPrinter
{
public:
    // Sets up printer for report: paper, margins and the kept settings
    // (printer name, copies, page range, orientation, bin, duplex, colour).
    static void setup(QPrinter* printer, const TQuickRep* report);
    // Takes the choices of a print dialog back into settings.
    static void keepSettings(const QPrinter& printer, TQRPrinterSettings* settings);

    // Whether the printer exists and can be printed on; when not the error
    // says so in words for the user.
    static bool checkPrinter(const QPrinter& printer, QString* error);
    // Whether the printer can take a paper of the page's own size; when not
    // the error says so in words for the user.
    static bool checkCustomPaper(const QPrinter& printer, QString* error);

    // Prints the pages of a run onto a set-up printer as they are made,
    // honouring its page range. pageDone gets (pages printed,
    // pages to print) and may return false to cancel between pages.
    static bool print(ReportLayout* layout, QPrinter* printer, QString* error = nullptr,
                      const std::function<bool(int done, int total)>& pageDone = {});

    // Without a window: runs the report and prints it to the named printer
    // (empty: the default printer) with the report's settings. A run handed
    // in is used, so the caller can read what it found (cut texts) after.
    static bool printTo(TQuickRep* report, const QString& printerName, QString* error = nullptr,
                        ReportLayout* run = nullptr);

    // Sets printer up with the kept settings for a print from the preview.
    // False with the reason when the kept printer is gone or unusable; a
    // printer that cannot take the page's paper size is no failure, but
    // *paperWarning says why, for the user to decide.
    static bool setupKept(QPrinter* printer, const TQuickRep* report, QString* error, QString* paperWarning);
};
