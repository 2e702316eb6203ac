#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

class Database;

// The record of what was printed: a table of its own in the address book
// (made the first time a print is recorded, so older files open as they
// are) with one row per completed print, and the printed mark and waybill
// number of every recipient row it printed. Both are written in one
// transaction, so a print is either recorded whole or not at all.
class PrintHistory
{
public:
    static const QString kTable; // "printlog"

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
        // Numbers the user was told other rows carry and printed anyway;
        // any other number found taken when the print is recorded (another
        // computer gave it meanwhile) refuses the record.
        QStringList acceptedTaken;

        // "inr" or "excel", from the variant.
        QString recipientTable() const;
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
    // Every entry, oldest first; none when the table was never made.
    static bool entries(Database& db, QList<Entry>* out, QString* error);
    // The rows of table with these serials as they are now.
    static bool rowStates(Database& db, const QString& table, const QList<qint64>& serials,
                          QHash<qint64, RowState>* out, QString* error);
    // Numbers (parallel to serials of table) that another recipient row, in
    // `inr` or `excel`, already carries; one line each for the user.
    // *taken, when given, receives the numbers themselves.
    static bool numbersInUse(Database& db, const QString& table, const QList<qint64>& serials,
                             const QStringList& numbers, QStringList* conflicts, QString* error,
                             QStringList* taken = nullptr);
    // Empties "已打印" and "快递单号" of these rows.
    static bool clearMarks(Database& db, const QString& table, const QList<qint64>& serials, QString* error);
};
