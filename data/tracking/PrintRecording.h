#pragma once

#include "data/tracking/NumberSequence.h"
#include "data/tracking/PrintHistory.h"
#include "data/tracking/RowNumbers.h"

#include <QList>
#include <QString>
#include <QStringList>

class DataSet;

// How a print is recorded, the same from the command line and from the
// template windows: before it goes out, the rows it prints get consecutive
// waybill numbers, and the user hears where the digits grew and which
// numbers other rows carry already; once every page went out, the history
// entry is stored with the rows' printed marks and numbers. How the first
// number is asked for and how the warnings are shown stays with the caller.
class PrintRecording
{
public:
    // The sender set and the recipient set the pages come from; not owned.
    void setData(DataSet* senders, DataSet* recipients);
    // The rows (0-based, of the recipient set) the print takes, in print order.
    void setRows(const QList<int>& rows) { m_rows = rows; }
    const QList<int>& rows() const { return m_rows; }

    // Numbers from first, one per row. *note says where the digits grew,
    // *conflicts the numbers other recipient rows carry already, one line
    // each (the first of them, and how many). False and a message for the user when first is no number or
    // the numbers would pass 20 digits; no numbers are kept then.
    bool giveNumbers(const QString& first, QString* note, PrintHistory::Conflicts* conflicts, QString* error);
    const NumberSequence& numbers() const { return m_numbers; }
    // The same, by the row each goes to.
    RowNumbers numbersByRow() const { return RowNumbers(m_rows, m_numbers); }
    void forgetNumbers();

    // Stores entry (its template, variant, output, target and pages as the
    // caller knows them) with the time, the sender row, the rows and their
    // numbers; with mark the rows get their printed marks too. The numbers
    // are used once: forgotten afterwards, whatever the outcome. Without a
    // recipient set on a database there is nothing to record.
    bool record(PrintHistory::Entry entry, bool mark, QString* error);

    // The same in two steps, for output a kill can cut short: begin() before
    // the first page goes out stores the entry as not complete (refused when
    // another computer gave the numbers meanwhile; nothing is to print
    // then); finish() once every page went out; abandon() when the output
    // failed with nothing sent. The numbers are used once, as by record().
    bool begin(PrintHistory::Entry entry, QString* error);
    bool finish(int pages, bool mark, QString* error);
    bool abandon(QString* error);

private:
    QList<qint64> serials() const;
    // entry with the time, the sender row, the rows and what each carries.
    PrintHistory::Entry filled(PrintHistory::Entry entry);

    DataSet* m_senders = nullptr;
    DataSet* m_recipients = nullptr;
    QList<int> m_rows;
    NumberSequence m_numbers;
    QBitArray m_taken;           // positions in m_numbers the user was told other rows carry
    PrintHistory::Entry m_begun; // between begin() and finish()
};
