#include "data/records/RowKeys.h"

#include "data/store/Database.h"
#include "data/store/Schema.h"
#include "data/store/SearchIndex.h"

#include <QElapsedTimer>

#include <algorithm>
#include <utility>

bool RowKeys::open(const Source& from, bool everyRow, int* total, QString* error)
{
    clear();
    *total = -1;
    Database& db = *from.db;
    Source source = from;
    source.table = Schema::quoted(from.table);
    const QString select = QStringLiteral("SELECT %2 FROM %1").arg(source.table, source.key);
    const QString order = QStringLiteral(" ORDER BY ") + source.key;
    QVector<qint64> keys;
    if (!source.where.isEmpty() && !everyRow) {
        // Looked up by key (chosen rows, the search index): few, all at once.
        if (!db.readIds(select + QStringLiteral(" WHERE ") + source.where + order, source.binds, &keys,
                        error))
            return false;
        setAll(std::move(keys));
        return true;
    }
    if (source.where.isEmpty()) {
        if (!db.readIds(select + order + QStringLiteral(" LIMIT ?"), {kPageRows + 1}, &keys, error))
            return false;
        if (keys.size() <= kPageRows) {
            *total = int(keys.size());
            setAll(std::move(keys));
            return true;
        }
        // Counted up to the last key now: either store keeps its count at hand.
        QVector<qint64> last;
        if (!db.readIds(QStringLiteral("SELECT MAX(%2) FROM %1").arg(source.table, source.key), {}, &last,
                        error) ||
            last.size() != 1)
            return false;
        source.last = last.first();
        *total = SearchIndex::rowCount(db, from.table);
        QVector<qint64> count{*total};
        if (*total < 0 &&
            !db.readIds(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2 <= ?").arg(source.table, source.key),
                        {source.last}, &count, error))
            return false;
        *total = int(count.value(0));
        keys.removeLast();
        setPaged(source, *total, keys);
        return true;
    }
    // A scan: from the lowest key to the highest there is now, a range at a
    // time. Each end on its own: both in one statement would read the table.
    QVector<qint64> low, high;
    if (!db.readIds(select + order + QStringLiteral(" LIMIT 1"), {}, &low, error) ||
        !db.readIds(select + order + QStringLiteral(" DESC LIMIT 1"), {}, &high, error))
        return false;
    m_scan.done = low.value(0) - 1;
    source.last = high.value(0);
    m_scan.end = source.last;
    m_scan.on = true;
    m_scan.source = source;
    m_scan.generation = db.generation();
    if (!scan(kFirstMs, kFirstRows, error))
        return false;
    *total = scannedTotal();
    return true;
}

void RowKeys::startSide()
{
    const Source& s = m_scan.source;
    if (!m_scan.on || std::exchange(m_scan.split, true) || s.last - m_scan.done < kSideKeys ||
        s.db->generation() != m_scan.generation || !RangeScan::possible(*s.db))
        return;
    // A file: the last half on the other core. A server: all the rest in one
    // statement, which it may spread over workers of its own, where ranges
    // one by one would each be looked up through the key's index.
    m_scan.end = s.db->isServer() ? m_scan.done : m_scan.done + (s.last - m_scan.done) / 2;
    RangeScan::Range range;
    range.from = QStringLiteral("%1 WHERE %2 > ? AND %2 <= ?").arg(s.table, s.key);
    range.key = s.key;
    range.where = s.where;
    range.binds = s.binds;
    range.binds << m_scan.end << s.last;
    range.keys = !s.db->isServer();
    m_scan.side = std::make_unique<RangeScan>(*s.db, std::move(range), m_wake);
}

bool RowKeys::isWaiting() const
{
    return m_scan.on && m_scan.done >= m_scan.end && m_scan.side && !m_scan.side->finished();
}

bool RowKeys::takeSide(QString* error)
{
    const Source& s = m_scan.source;
    RangeScan::Result r = m_scan.side->take();
    m_scan.side.reset();
    if (r.unread) {
        // No connection to spare: read on here.
        m_scan.end = s.last;
        return true;
    }
    if (!r.ok) {
        if (error)
            *error = r.error;
        return false;
    }
    m_scan.counted += r.rows;
    if (r.keys.isEmpty() && r.matches > 0) {
        // A server's: counted, their keys read a page at a time.
        if (!isPaged())
            m_source = s;
        m_keys.resize(m_keys.size() + r.matches, kUnread);
    } else {
        m_keys.append(r.keys);
    }
    m_scan.done = m_scan.end = s.last;
    if (isPaged())
        m_source.last = s.last;
    return true;
}

bool RowKeys::scanOn(int ms, QString* error)
{
    // Not before: the first screenful is shown without another thread
    // beside it for the core.
    if (!m_scan.split)
        startSide();
    return scan(ms, std::numeric_limits<int>::max(), error);
}

bool RowKeys::scan(int ms, int want, QString* error)
{
    // Each range is sized from the last one's speed to take about kRangeNs;
    // a reading to the end takes the rest in one.
    constexpr qint64 kRangeNs = 6'000'000;
    QElapsedTimer clock;
    clock.start();
    while (m_scan.on) {
        const Source& s = m_scan.source;
        if (!s.db->isOpen() || s.db->generation() != m_scan.generation) {
            // The connection closed or opened another store: nothing more to read.
            m_scan.side.reset();
            m_scan.on = false;
            m_scan.failed = true;
            return true;
        }
        if (m_scan.done >= m_scan.end && m_scan.side) {
            // Waited for only when every key is asked for; else the wake says when.
            if (ms >= 0 && !m_scan.side->finished())
                break;
            if (!takeSide(error)) {
                m_scan.on = false;
                m_scan.failed = true;
                return false;
            }
            if (m_scan.done >= s.last)
                m_scan.on = false;
            continue;
        }
        const qint64 left = m_scan.end - m_scan.done;
        const qint64 to = ms < 0 || m_scan.span >= left ? m_scan.end : m_scan.done + m_scan.span;
        QElapsedTimer range;
        range.start();
        if (!scanRange(to, error)) {
            m_scan.side.reset();
            m_scan.on = false;
            m_scan.failed = true;
            return false;
        }
        const qint64 took = std::max<qint64>(range.nsecsElapsed(), 1);
        m_scan.span = std::clamp<qint64>(qint64(double(m_scan.span) * kRangeNs / took), m_scan.span / 2,
                                         m_scan.span * 4);
        m_scan.span = std::max<qint64>(m_scan.span, 1024);
        if (m_scan.done >= s.last)
            m_scan.on = false;
        else if (m_scan.done >= m_scan.end)
            continue; // the part handed over, next
        else if (ms >= 0 &&
                 (m_keys.size() >= want || clock.nsecsElapsed() + kRangeNs > qint64(ms) * 1'000'000))
            break;
    }
    return true;
}

bool RowKeys::scanRange(qint64 to, QString* error)
{
    const Source& s = m_scan.source;
    const QString range = QStringLiteral("%1 WHERE %2 > ? AND %2 <= ?").arg(s.table, s.key);
    QVariantList binds = s.binds;
    binds << m_scan.done << to;
    if (isPaged()) {
        // Past a server's first screenful only counted: the keys come a page
        // at a time when their rows are shown (a search that matches a
        // million rows sends pages, not a million keys).
        bool read = false;
        if (!s.db->readRows(
                QStringLiteral("SELECT COUNT(*), COUNT(*) FILTER (WHERE %2) FROM %1").arg(range, s.where),
                binds, 1,
                [&](qint64 rows, const QVector<QString>& matches) {
                    m_scan.counted += rows;
                    m_keys.resize(m_keys.size() + matches.at(0).toInt(), kUnread);
                    read = true;
                },
                error) ||
            !read)
            return false;
    } else {
        // The count and the keys of one range of keys, in one reading: what
        // follows FROM is the table narrowed to that range.
        QVector<qint64> keys;
        int rows = 0;
        if (!s.db->readMatchingIds(range, s.key, s.where, binds, &keys, &rows, error))
            return false;
        m_keys.append(keys);
        m_scan.counted += rows;
        if (s.db->isServer() && m_keys.size() >= kFirstRows)
            m_source = s;
    }
    m_scan.done = to;
    // Pages are read among the rows counted so far.
    if (isPaged())
        m_source.last = to;
    return true;
}

void RowKeys::clear()
{
    QVector<qint64>().swap(m_keys);
    m_source = {};
    m_scan = {};
}

void RowKeys::setAll(QVector<qint64> keys)
{
    m_keys = std::move(keys);
    m_source = {};
}

void RowKeys::setPaged(const Source& source, int count, const QVector<qint64>& first)
{
    m_source = source;
    m_keys = QVector<qint64>(count, kUnread);
    std::copy_n(first.constBegin(), std::min<qsizetype>(first.size(), count), m_keys.begin());
    // Fewer than asked: gone since they were counted.
    if (first.size() < std::min(count, kPageRows))
        std::fill(m_keys.begin() + first.size(), m_keys.begin() + std::min(count, kPageRows), kGone);
}

qint64 RowKeys::at(int row) const
{
    if (row < 0 || row >= m_keys.size())
        return -1;
    if (m_keys.at(row) == kUnread)
        readAround(row);
    const qint64 key = m_keys.at(row);
    return key == kGone || key == kUnread ? -1 : key;
}

int RowKeys::knownRowOf(qint64 key) const
{
    return key < 0 ? -1 : int(m_keys.indexOf(key));
}

int RowKeys::rowOf(qint64 key) const
{
    const int known = knownRowOf(key);
    if (known >= 0 || !isPaged() || key < 0 || key > m_source.last)
        return known;
    // Its place is the number of the set's rows before it.
    QString sql = QStringLiteral("SELECT COUNT(*) FROM %1 WHERE ").arg(m_source.table);
    if (!m_source.where.isEmpty())
        sql += QStringLiteral("(%1) AND ").arg(m_source.where);
    sql += QStringLiteral("%1 < ?").arg(m_source.key);
    QVariantList binds = m_source.binds;
    binds << key;
    QVector<qint64> before;
    if (!m_source.db->readIds(sql, binds, &before, nullptr) || before.size() != 1)
        return -1;
    const int row = int(before.first());
    return at(row) == key ? row : -1;
}

void RowKeys::removeRows(const QList<int>& rows)
{
    qsizetype write = 0;
    int next = 0;
    for (qsizetype read = 0; read < m_keys.size(); ++read) {
        if (next < rows.size() && rows[next] == read)
            ++next;
        else
            m_keys[write++] = m_keys[read];
    }
    m_keys.resize(write);
}

void RowKeys::readAround(int row) const
{
    if (!isPaged() || !m_source.db->isOpen()) {
        m_keys[row] = kGone;
        return;
    }
    // The nearest rows read on either side, and the unread rows between
    // them to read now: next to one of them where the row is close to it
    // (paging on), else a page around the row, counted from the nearer.
    const int n = int(m_keys.size());
    int a = row - 1;
    while (a >= 0 && m_keys.at(a) == kUnread)
        --a;
    int b = row + 1;
    while (b < n && m_keys.at(b) == kUnread)
        ++b;
    int s, e;
    if (row - a <= kPageRows) {
        s = a + 1;
        e = std::min(b, s + kPageRows);
    } else if (b - row <= kPageRows) {
        e = b;
        s = std::max(a + 1, e - kPageRows);
    } else {
        s = std::max(a + 1, row - kPageRows / 2);
        e = std::min(b, s + kPageRows);
    }
    const bool low = a >= 0 && m_keys.at(a) > kGone;
    const bool high = b < n && m_keys.at(b) > kGone;
    const int fromLow = low ? s - a - 1 : s;
    const int fromHigh = high ? b - e : n - e;
    const bool down = fromHigh < fromLow;
    QVector<qint64> keys;
    const bool ok = down ? read(high ? QStringLiteral("<") : QString(), high ? m_keys.at(b) : 0, true, e - s,
                                fromHigh, &keys)
                         : read(low ? QStringLiteral(">") : QString(), low ? m_keys.at(a) : 0, false, e - s,
                                fromLow, &keys);
    if (!ok)
        keys.clear();
    for (int i = 0; i < e - s; ++i) {
        const qint64 key = i < keys.size() ? keys.at(i) : kGone;
        m_keys[down ? e - 1 - i : s + i] = key;
    }
}

bool RowKeys::read(const QString& bound, qint64 boundKey, bool down, int limit, int offset,
                   QVector<qint64>* out) const
{
    QString sql = QStringLiteral("SELECT %2 FROM %1 WHERE ").arg(m_source.table, m_source.key);
    if (!m_source.where.isEmpty())
        sql += QStringLiteral("(%1) AND ").arg(m_source.where);
    sql += QStringLiteral("%1 <= ?").arg(m_source.key);
    QVariantList binds = m_source.binds;
    binds << m_source.last;
    if (!bound.isEmpty()) {
        sql += QStringLiteral(" AND %1 %2 ?").arg(m_source.key, bound);
        binds << boundKey;
    }
    sql += QStringLiteral(" ORDER BY %1%2 LIMIT ? OFFSET ?")
               .arg(m_source.key, down ? QStringLiteral(" DESC") : QString());
    binds << limit << offset;
    return m_source.db->readIds(sql, binds, out, nullptr);
}
