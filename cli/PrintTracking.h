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
// the printed rows consecutive waybill numbers, and a completed print is
// recorded in the history with the rows' printed marks unless --no-mark.
class PrintTracking
{
public:
    static const char* const kUsage;

    // Takes its options out of args, leaving the rest for the command.
    bool takeOptions(QStringList* args, QString* error);
    // Checks them against the variant; a batch then reads only the rows
    // asked for (batch must have read the whole table already).
    bool select(const TemplateReport& tpl, BatchData* batch, const QString& dbPath, QString* error);
    // The numbers of the rows about to print; overflow and numbers already
    // in use are said on err, as warnings.
    bool prepareNumbers(DataSet* recipients, QTextStream& err, QString* error);
    // After every page went out.
    bool record(const TemplateReport& tpl, DataSet* senders, DataSet* recipients, bool pdf,
                const QString& target, int pages, QString* error);

private:
    QString m_positions;
    bool m_unprinted = false;
    QString m_firstNumber;
    bool m_noMark = false;
    PrintRecording m_recording;
};
