#pragma once

#include "data/records/RowStore.h"

#include <QHash>
#include <QString>
#include <QVector>

class Database;
class RowKeys;

// The rows of a set as they are shown: read from the store a block of
// neighbouring rows at a time, and only the blocks used last kept, so that
// scrolling a list of a million rows reads a few hundred at a time and
// holds a few thousand.
class RowBlocks
{
public:
    // Where a block's rows come from: the table's key and columns as they
    // go into a statement.
    struct Source
    {
        Database* db = nullptr;
        QString table; // quoted
        QString key;   // quoted
        QString columns;
        int fields = 0;
    };

    // The texts of row (of keys), its block read when not kept; a row gone
    // from the table since the set opened reads as empty texts.
    QVector<QString> row(int row, const Source& source, const RowKeys& keys) const;
    QString value(int row, int column, const Source& source, const RowKeys& keys) const;

    void clear() { m_blocks.clear(); }
    // The block holding row is read again when next asked for.
    void forget(int row) { m_blocks.remove(row / kRows); }
    // The texts of row in its block, where that block is kept.
    void replace(int row, const QVector<QString>& texts);

private:
    static constexpr int kRows = 256;
    static constexpr int kKept = 32;
    struct Block
    {
        RowStore rows;
        quint64 used = 0;
    };
    const Block& block(int row, const Source& source, const RowKeys& keys) const;

    mutable QHash<int, Block> m_blocks;
    mutable quint64 m_uses = 0;
};
