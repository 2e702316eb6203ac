#pragma once

#include "data/tracking/PrintRecording.h"
#include "data/tracking/PrintSelection.h"

#include <QStringList>
#include <QTextStream>

class BatchData;
class DataSet;
class TemplateReport;

// The print command's part in what gets printed and what is remembered:
// --recipients LIST and --unprinted narrow a batch, --first-number gives
// the printed rows consecutive waybill numbers (numbers used before are
// refused unless --allow-reused-numbers), and a print is recorded in the
// history before its first page goes out and completed, with the rows'
// printed marks unless --no-mark, after its last: a run killed between
// leaves an entry that says the output may be incomplete.
class PrintTracking
{
public:
    static const char* const kUsage;

    // Takes its options out of args, leaving the rest for the command.
    bool takeOptions(QStringList* args, QString* error);
    // Checks them against the variant; a batch then reads only the rows
    // asked for (batch must have read the whole table already).
    bool select(const TemplateReport& tpl, BatchData* batch, const QString& dbPath, QString* error);
    // The numbers of the rows about to print; where the digits grew is said
    // on err. False for a first number that gives none.
    bool prepareNumbers(DataSet* recipients, QTextStream& err, QString* error);
    // Those numbers by recipient row, for the pages to print them.
    RowNumbers numbersByRow() const { return m_recording.numbersByRow(); }
    // False, and the numbers named, when some are in use already (by rows or
    // in the history); with --allow-reused-numbers they are said on err.
    bool numbersFree(QTextStream& err, QString* error);
    // Before the first page goes out; false: print nothing.
    bool begin(const TemplateReport& tpl, DataSet* senders, DataSet* recipients, bool pdf,
               const QString& target, QString* error);
    // After every page went out, or when the output failed.
    bool finish(int pages, QString* error);
    bool abandon(QString* error);

private:
    QString m_positions;
    bool m_unprinted = false;
    QString m_firstNumber;
    bool m_noMark = false;
    bool m_allowReused = false;
    PrintHistory::Conflicts m_conflicts; // numbers already used, one line each
    PrintRecording m_recording;
};
