#pragma once

#include <QString>

class QWidget;

// Told about a report's output from the preview, so that whoever opened it
// can ask the user something first and record what went out. A preview
// (nothing leaves the program) tells it nothing.
class ReportOutputListener
{
public:
    struct Output
    {
        bool pdf = false;
        QString target;    // printer name or PDF path
        int firstPage = 1; // 1-based
        int lastPage = 0;  // 0: to the last page
    };

    virtual ~ReportOutputListener() = default;

    // A line for the preview's status bar saying what the pages hold.
    virtual QString contentsText() const { return {}; }
    // Before the pages go out; false stops the output (the user declined).
    virtual bool aboutToOutput(const Output& output, QWidget* window) { return true; }
    // Every page of output went out completely (not for a cancel or a
    // failure). False with the reason when recording it failed.
    virtual bool outputDone(const Output& output, int pageCount, QString* error) { return true; }
    // The output that aboutToOutput() let go failed or was cancelled.
    virtual void outputFailed(const Output& output) {}
};
