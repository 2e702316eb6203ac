#pragma once

#include "data/tracking/PrintHistory.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class Database;

// The waybills of the print record, one row each (table printlog_item): the
// texts a waybill carried when it went out, kept apart from the recipient
// row, which may be edited, deleted or replaced by the next import.
class PrintedWaybills
{
public:
    static const QString kTable; // "printlog_item"

    // A waybill number an earlier print gave.
    struct Use
    {
        QString number;
        QDateTime when;
        bool complete = true;
        QString table; // "inr" or "excel"
        qint64 serial = -1;
        QString name; // empty for prints recorded before the waybills were kept
        // Where it comes among the uses: by entry and sheet, those of prints
        // from before the waybills were kept (listed) after the others.
        bool listed = false;
        qint64 entry = -1;
        qint64 sheet = 0;
    };

    static bool ensureTable(Database& db, QString* error);
    // Stores count waybills of entry id, the one at print position i from
    // waybillAt, straight into the table (made first where missing): the
    // stored ones all have a key above *after.
    static bool store(Database& db, qint64 id, int count,
                      const std::function<PrintHistory::Waybill(int)>& waybillAt, qint64* after,
                      QString* error);
    // The waybills of every entry, by entry id, in print order.
    static bool read(Database& db, QHash<qint64, QList<PrintHistory::Waybill>>* out, QString* error);
    static bool remove(Database& db, qint64 id, QString* error);
    // Where the print record gave any of these numbers, complete prints and
    // ones cut short alike: each() gets every use with the position of its
    // number, a go at a time and in no set order (the Use says where it
    // comes), so no list of them is held; for prints from before the
    // waybills were kept, their number lists are read.
    static bool usesOf(Database& db, const NumberSequence& numbers,
                       const std::function<void(const Use&, int)>& each, QString* error);
    // Looking for numbers in a column goes a list a few thousand at a
    // time, and a sequence in one go, by its ranges: goes() of them, go g
    // asking condition(g). What a go finds is to be checked with indexOf()
    // (a range also takes texts that are no number of it).
    static int goes(const NumberSequence& numbers);
    static QString condition(const Database& db, const QString& column, const NumberSequence& numbers, int g,
                             QVariantList* binds);
};
