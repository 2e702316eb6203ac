#include "data/records/RowBlocks.h"

#include "data/records/RowKeys.h"
#include "data/store/Database.h"

#include <algorithm>

QVector<QString> RowBlocks::row(int row, const Source& source, const RowKeys& keys) const
{
    return block(row, source, keys).rows.row(row % kRows);
}

QString RowBlocks::value(int row, int column, const Source& source, const RowKeys& keys) const
{
    return block(row, source, keys).rows.value(row % kRows, column);
}

void RowBlocks::replace(int row, const QVector<QString>& texts)
{
    auto kept = m_blocks.find(row / kRows);
    if (kept != m_blocks.end())
        kept->rows.replace(row % kRows, texts);
}

const RowBlocks::Block& RowBlocks::block(int row, const Source& source, const RowKeys& keys) const
{
    const int b = row / kRows;
    auto it = m_blocks.find(b);
    if (it != m_blocks.end()) {
        it->used = ++m_uses;
        return *it;
    }
    if (m_blocks.size() >= kKept) {
        auto oldest = m_blocks.begin();
        for (auto i = m_blocks.begin(); i != m_blocks.end(); ++i)
            if (i->used < oldest->used)
                oldest = i;
        m_blocks.erase(oldest);
    }
    Block& blk = m_blocks[b];
    blk.used = ++m_uses;
    const int first = b * kRows;
    const int count = std::min<int>(kRows, keys.size() - first);
    const int n = source.fields;
    blk.rows.reset(n);
    blk.rows.reserve(count);
    const QVector<QString> empty(n);
    if (!source.db || !source.db->isOpen() || count <= 0) {
        for (int i = 0; i < count; ++i)
            blk.rows.append(empty);
        return blk;
    }
    // The block's keys (a large set reads them now, a page at a time);
    // rows gone since the set opened have none.
    QList<qint64> ids;
    ids.reserve(count);
    for (int i = 0; i < count; ++i)
        ids << keys.at(first + i);
    QList<qint64> present = ids;
    present.removeAll(-1);
    if (present.isEmpty()) {
        for (int i = 0; i < count; ++i)
            blk.rows.append(empty);
        return blk;
    }
    const qint64 low = present.first();
    const qint64 high = present.last();
    QString sql =
        QStringLiteral("SELECT %2, %3 FROM %1 WHERE ").arg(source.table, source.key, source.columns);
    QVariantList binds;
    if (high - low < 2 * qint64(count)) {
        // Close together: one range scan, skipping rows the set does not hold.
        sql += QStringLiteral("%1 BETWEEN ? AND ?").arg(source.key);
        binds = {low, high};
    } else {
        // Scattered (a search's result): the block's keys as one list.
        sql += source.db->inList(source.key);
        binds = {Database::jsonList(present)};
    }
    sql += QStringLiteral(" ORDER BY %1").arg(source.key);
    int k = 0;
    source.db->readRows(
        sql, binds, n,
        [&](qint64 id, const QVector<QString>& texts) {
            while (k < count && ids.at(k) < id) {
                blk.rows.append(empty); // gone from the table since
                ++k;
            }
            if (k < count && ids.at(k) == id) {
                blk.rows.append(texts);
                ++k;
            }
        },
        nullptr);
    for (; k < count; ++k)
        blk.rows.append(empty);
    return blk;
}
