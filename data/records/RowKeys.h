#pragma once

#include "data/store/RangeScan.h"

#include <QList>
#include <QString>
#include <QVariantList>
#include <QVector>

#include <functional>
#include <limits>
#include <memory>

class Database;

// The keys of a set's rows, in key order. A small set has them all; a large
// one knows only how many rows it holds and reads the keys a page at a time
// when a row is first asked for, from the nearest page it already has (so
// paging down or up costs one short lookup), so that a list of a million
// rows opens without reading a million keys. The pages come from the rows
// the set held when it opened: rows added elsewhere since (keys above the
// last key then) stay out until the set is opened again, as they would in a
// set that read all its keys at once.
//
// A search that must read every row (a text too short for the index) reads
// its matches a range of keys at a time instead: open() returns once it has
// a screenful or has spent a few tens of milliseconds, and scanOn() reads
// on from where it stopped, so a list shows its first matches long before
// the scan has read a million rows. The ranges follow each other in key
// order: no key comes twice, none is skipped. A server's scan, past its
// first screenful, only counts the matches of each range; their keys are
// read a page at a time, as those of a large list are.
//
// A long scan hands its far part to a RangeScan, on a connection of its
// own: a file's last half is read on the other core while this connection
// reads the first, a server's whole rest in one statement. Its keys follow
// those read here, so the order stays the same.
class RowKeys
{
public:
    // Keys read at a time; a set of no more rows reads them all at once.
    static constexpr int kPageRows = 4096;

    // Where the pages come from: table's rows meeting where (empty: all),
    // with keys up to last.
    struct Source
    {
        Database* db = nullptr;
        QString table;
        QString key; // quoted
        QString where;
        QVariantList binds;
        qint64 last = 0;
    };

    // What a scan reads before open() returns, and how long it may take.
    static constexpr int kFirstRows = 200;
    static constexpr int kFirstMs = 60;
    // Keys left after the first screenful from which a scan gives part of
    // them to a connection of its own: fewer are read in a few milliseconds.
    static constexpr qint64 kSideKeys = 32768;

    // Reads the keys of source's rows, all or the first page, and the
    // table's row count where the same reading gives it (else -1). A where
    // clause that can look rows up by key is read at once; one that reads
    // every row anyway (everyRow) counts the table in the same pass, and
    // may still be scanning when it returns (total then -1).
    bool open(const Source& source, bool everyRow, int* total, QString* error);
    bool isScanning() const { return m_scan.on; }
    // Whether the scan has read its own part and waits for the one it
    // handed over; wake (below) says when that is there.
    bool isWaiting() const;
    // Called on another thread when a part handed over is read.
    void setWake(std::function<void()> wake) { m_wake = std::move(wake); }
    // Reads on for about ms milliseconds, or to the end when ms < 0. A
    // failure ends the scan where it stood.
    bool scanOn(int ms, QString* error);
    // The table's rows the scan counted, once it ended; -1 before, or when it failed.
    int scannedTotal() const { return m_scan.on || m_scan.failed ? -1 : int(m_scan.counted); }
    void clear();
    // All the keys, known.
    void setAll(QVector<qint64> keys);
    // count rows whose first keys are known, the rest read from source.
    void setPaged(const Source& source, int count, const QVector<qint64>& first);

    // The keys known: all of them unless scanning.
    int size() const { return int(m_keys.size()); }
    bool isEmpty() const { return m_keys.isEmpty(); }
    bool isPaged() const { return m_source.db != nullptr; }

    // The key of row, read with its page when not known; -1 for a row gone
    // from the table since the set opened, or out of range.
    qint64 at(int row) const;
    // The row holding key among those read so far; -1 when not (yet) read.
    int knownRowOf(qint64 key) const;
    // The row holding key, asking the store where it is not known.
    int rowOf(qint64 key) const;

    void append(qint64 key) { m_keys.append(key); }
    // Removes these rows (ascending, no repeats).
    void removeRows(const QList<int>& rows);

private:
    static constexpr qint64 kUnread = std::numeric_limits<qint64>::min();
    static constexpr qint64 kGone = kUnread + 1;
    void readAround(int row) const;
    bool read(const QString& bound, qint64 boundKey, bool down, int limit, int offset,
              QVector<qint64>* out) const;

    // A scan under way: keys up to done are read, span keys come next, up
    // to end; past end (up to source.last) side reads them.
    struct Scan
    {
        bool on = false;
        bool failed = false;
        Source source;
        quint64 generation = 0;
        qint64 done = 0;
        qint64 end = 0;
        qint64 span = 4096;
        qint64 counted = 0;
        bool split = false; // whether a part was (or could not be) handed over
        std::unique_ptr<RangeScan> side;
    };
    // Hands the far part of a long scan to a connection of its own.
    void startSide();
    // Takes the far part in once it is read; false when it failed.
    bool takeSide(QString* error);
    // Stops early, too, once want keys are known.
    bool scan(int ms, int want, QString* error);
    bool scanRange(qint64 to, QString* error);

    mutable QVector<qint64> m_keys;
    Source m_source;
    Scan m_scan;
    std::function<void()> m_wake;
};
