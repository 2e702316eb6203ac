#pragma once

#include "data/tracking/PrintRecording.h"
#include "data/tracking/PrintSelection.h"
#include "gui/templates/TemplateSources.h"
#include "report/ReportOutputListener.h"

#include <QSet>
#include <QStringList>

class DataSet;
class TemplateReport;

// What a template window does around a print: before a batch (and, when
// the user chose so, a single print) goes out it
// asks for the number of the first form in the printer; once every page
// went out it records the print in the history and marks the printed rows
// ("已打印", and "快递单号" when numbers were given) in one transaction, then
// shows the marks in the grids. The entry is written, as not complete,
// before the first page goes out, so a program killed midway leaves a
// history that says the output may be incomplete. Rows printed just before, numbers used
// before and rows left out for having neither name nor address are told
// before anything goes out; a selection of unprinted rows drops the rows
// once they are printed.
class TemplatePrintListener : public ReportOutputListener
{
public:
    explicit TemplatePrintListener(TemplateReport* report) : m_report(report) {}

    // The rows the pages come from: the sender set and the recipient set
    // (a batch prints one page per recipient row, a single print the
    // current row).
    void setData(DataSet* senders, DataSet* recipients);
    void setSelection(const PrintSelection& selection) { m_selection = selection; }
    // The grids' lists, which show the new marks.
    void setSources(const TemplateSources& sources) { m_sources = sources; }

    QString contentsText() const override;
    bool aboutToOutput(const Output& output, QWidget* window) override;
    bool outputDone(const Output& output, int pageCount, QString* error) override;
    void outputFailed(const Output& output) override;

    // Rows (of the recipient set) that the pages first..last (1-based,
    // last 0 = to the end) print.
    QList<int> rowsOfPages(int first, int last) const;

private:
    bool isBatch() const;
    // Rows of the selection left out for having neither name nor address.
    int blankRows() const;
    // Of rows, those printed before by this window, or marked although the
    // selection takes only unprinted ones.
    int printedAlready(const QList<int>& rows) const;
    bool askAboutPrinted(const QList<int>& rows, QWidget* window) const;
    // The questions before the output; the numbers when the user gave some.
    bool askBeforeOutput(const Output& output, QWidget* window);
    PrintHistory::Entry entryOf(const Output& output) const;
    bool numbersAccepted(const QString& note, const PrintHistory::Conflicts& conflicts, QWidget* window);

    TemplateReport* m_report; // gets the numbers a print gives
    DataSet* m_recipients = nullptr;
    PrintSelection m_selection;
    TemplateSources m_sources;
    PrintRecording m_recording; // the numbers of the output under way
    QSet<qint64> m_printed;     // "序号" of the rows printed from this window
};
