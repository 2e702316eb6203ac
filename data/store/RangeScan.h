#pragma once

#include <QByteArray>
#include <QString>
#include <QVariantList>
#include <QVector>

#include <functional>
#include <memory>

class Database;

// One range of a table's keys read on a connection of its own, in a thread
// of its own, while the connection that asked goes on with its work: how
// many rows the range holds, and the keys of those meeting a where clause
// (on a server only their number: its keys are read a page at a time when
// shown). A search that reads every row of a long list hands a scan its
// far part this way: the file is read on two cores at once, and a server
// reads the rest in one statement (spread over its own workers) while the
// window stays free.
class RangeScan
{
public:
    struct Range
    {
        QString from; // the table narrowed to the range: "t WHERE k > ? AND k <= ?"
        QString key;  // quoted
        QString where;
        QVariantList binds; // where's, then from's
        bool keys = true;   // the matching keys too, not only their number
    };
    struct Result
    {
        bool ok = false;
        // No connection of its own could be made: the range is still unread.
        bool unread = false;
        QString error;
        qint64 rows = 0;
        qint64 matches = 0;
        QVector<qint64> keys; // in key order
    };

    // Whether db can lend a scan a connection of its own now: it is open
    // and has no transaction of its own going on, whose changes another
    // connection would not see.
    static bool possible(const Database& db);

    // Starts reading; done is called on the scan's thread once the result
    // is there (never after the scan is gone).
    RangeScan(const Database& db, Range range, std::function<void()> done);
    // Stops the reading and lets its thread go.
    ~RangeScan();
    RangeScan(const RangeScan&) = delete;
    RangeScan& operator=(const RangeScan&) = delete;

    bool finished() const;
    // Waits for the end (a server that stops answering ends it too) and
    // hands over the result.
    Result take();

    struct State;

private:
    std::shared_ptr<State> m_state;
};
