#pragma once

#include <QString>

class QWidget;
class ReportLayout;
class TQuickRep;

// Printing from the preview: the kept settings, a question when the printer
// cannot take the paper size, and the progress window "Printing progress"
// with its "Cancel" button.
class PrintProgress
{
public:
    // False with the reason on failure; false with an empty reason when the
    // user stopped it.
    static bool print(ReportLayout* layout, TQuickRep* report, QWidget* parent, QString* error = nullptr);
};
