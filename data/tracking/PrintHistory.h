#pragma once

#include "data/tracking/NumberSequence.h"

#include <QBitArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class Database;

// The record of what was printed: a table of its own in the address book
// (made the first time a print is recorded, so older files open as they
// are) with one row per print, the texts of every waybill it printed
// (PrintedWaybills), and the printed mark and waybill number of every
// recipient row it printed. A print is recorded whole or not at all; one
// that a kill can cut short is stored before its output starts and called
// complete once the output is out, so a cut leaves an entry that says so.
class PrintHistory
{
public:
    static const QString kTable; // "printlog"
    // Its column 状态: kDone, or kUnderWay from begin() until finish(); NULL
    // in entries from before prints could be cut short (all complete, and
    // their waybills not kept).
    static const QString kDone;     // "完成"
    static const QString kUnderWay; // "未完成"
    // A complete print of rows that all carried a printed mark or a
    // number already: told apart, so a second form of a parcel is found.
    static const QString kReprint; // "重印"

    // One printed waybill as it went out: the texts of its recipient row
    // then, so the record stays true when the row is edited or deleted.
    struct Waybill
    {
        qint64 serial = -1;
        QString name;
        QString city;
        QString address;
        QString mobile;
        QString number;
    };

    struct Entry
    {
        qint64 id = -1;
        QDateTime when;
        QString templateCode;
        QString variant; // "single", "batch", "excel-single", "excel-batch"
        bool toPdf = false;
        QString target; // printer name or PDF path
        int pages = 0;
        qint64 senderRow = -1; // rowid of the sender row printed
        QList<qint64> serials; // "序号" of the recipient rows, in print order
        QStringList numbers;   // waybill numbers given, parallel to serials; empty when none
        // When storing, the numbers given as a sequence instead of the list
        // above: a batch of many rows holds no list of them.
        NumberSequence sequence;
        // Numbers the user was told other rows carry and printed anyway, by
        // position in the numbers given (Conflicts::taken); any other number
        // found taken when the print is recorded (another computer gave it
        // meanwhile) refuses the record.
        QBitArray acceptedTaken;
        // What each waybill carried, parallel to serials; empty for prints
        // recorded before these were kept. When storing, empty means: as
        // the rows stand now.
        QList<Waybill> waybills;
        // When storing a print of many rows, instead of waybills: the one at
        // print position i, read as it is stored, so no list is held.
        std::function<Waybill(int)> waybillAt;
        // Once stored: its waybills lie above this key of PrintedWaybills,
        // which lets finish() find them without reading the whole record.
        qint64 waybillsAfter = 0;
        // False while the output is under way, and for good when the run was
        // cut short (killed, power lost): the output may be incomplete and
        // the rows carry no marks of it.
        bool complete = true;
        // Every row printed carried a mark or a number before (kReprint).
        bool reprint = false;

        // "inr" or "excel", from the variant.
        QString recipientTable() const;
        // The numbers given, from the list or the sequence.
        NumberSequence givenNumbers() const { return numbers.isEmpty() ? sequence : NumberSequence(numbers); }
    };

    // How a recipient row of an entry stands now.
    struct RowState
    {
        bool exists = false;
        QString name;
        QString printed; // "已打印"
        QString number;  // "快递单号"
    };

    // The printed mark as stored: "yyyy-MM-dd hh:mm".
    static QString markText(const QDateTime& when);

    static bool ensureTable(Database& db, QString* error);
    // Stores entry (its id comes back in *id) and, when mark is set, gives
    // every row in entry.serials of entry.recipientTable() the mark of
    // entry.when and, where numbers were given, its number. Connections that
    // give numbers take turns here, so a number is never given twice unseen.
    static bool record(Database& db, const Entry& entry, bool mark, QString* error, qint64* id = nullptr);
    // For output a kill can cut short. begin() stores entry as not complete
    // before the first page goes out, its waybills and numbers with it, so
    // the numbers count as given from then on (and are refused when another
    // computer gave them meanwhile). finish() then marks the rows as
    // record() does, stores the page count and calls entry.id complete;
    // abandon() takes away an entry whose output failed with nothing sent.
    static bool begin(Database& db, const Entry& entry, QString* error, qint64* id);
    // The same, setting entry->id and entry->waybillsAfter for finish().
    static bool begin(Database& db, Entry* entry, QString* error);
    static bool finish(Database& db, const Entry& entry, bool mark, QString* error);
    static bool abandon(Database& db, qint64 id, QString* error);
    // Every entry, oldest first; none when the table was never made.
    static bool entries(Database& db, QList<Entry>* out, QString* error);
    // The rows of table with these serials as they are now.
    static bool rowStates(Database& db, const QString& table, const QList<qint64>& serials,
                          QHash<qint64, RowState>* out, QString* error);
    // What numbersInUse() finds, bounded however many numbers are in use:
    // the first lines for the user, how many there are, and which numbers.
    struct Conflicts
    {
        static constexpr int kLinesKept = 200;
        QStringList lines; // the first kLinesKept
        int count = 0;     // every line, kept or not
        QBitArray taken;   // by position in the numbers looked for
        bool isEmpty() const { return count == 0; }
        // The first `shown` lines, then `more` with how many were left out.
        QStringList firstLines(int shown, const QString& more) const;
    };
    // Numbers (parallel to serials of table) that another recipient row, in
    // `inr` or `excel`, already carries, or that the print record shows
    // given before (to any row, this one too); one line for each number for
    // the user, none for the positions set in accepted. The lines come by
    // table (rows of `inr`, of `excel`, then the record), each table's in
    // number order; the numbers are looked for a few thousand at a time.
    static bool numbersInUse(Database& db, const QString& table, const QList<qint64>& serials,
                             const NumberSequence& numbers, Conflicts* out, QString* error,
                             const QBitArray& accepted = {});
    static bool numbersInUse(Database& db, const QString& table, const QList<qint64>& serials,
                             const QStringList& numbers, Conflicts* out, QString* error)
    {
        return numbersInUse(db, table, serials, NumberSequence(numbers), out, error);
    }
    // How many numbers one look goes through.
    static constexpr int kNumbersAtOnce = 8192;
    // Empties "已打印" and "快递单号" of these rows.
    static bool clearMarks(Database& db, const QString& table, const QList<qint64>& serials, QString* error);
};
