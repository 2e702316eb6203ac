#include "exchange/TextTable.h"

#include <algorithm>
#include <numeric>

TextTable::Text TextTable::add(QStringView s)
{
    // The readers' memory budget ends a reading long before the buffer
    // could reach the shared mark; were it ever to, no text is kept rather
    // than a wrong one.
    if (s.isEmpty() || qsizetype(m_own.size()) + s.size() >= qsizetype(kShared))
        return {};
    const Text t{quint32(m_own.size()), quint32(s.size())};
    m_own.append(s);
    return t;
}

void TextTable::startRow(int key)
{
    m_rowStart << m_cells.size();
    m_rowKey << key;
}

int TextTable::set(int col, Text text)
{
    if (m_rowStart.isEmpty() || col < 0)
        return 0;
    const qsizetype start = m_rowStart.constLast();
    const qsizetype slot = start + col;
    int grown = 0;
    if (slot >= m_cells.size()) {
        grown = int(slot + 1 - m_cells.size());
        m_cells.resize(slot + 1);
    }
    m_cells[slot] = text;
    return grown;
}

QStringView TextTable::view(Text t) const
{
    const QString& buffer = (t.at & kShared) ? m_shared : m_own;
    return QStringView(buffer).mid(t.at & ~kShared, t.size);
}

bool TextTable::rowHasText(int row) const
{
    for (qsizetype i = m_rowStart.at(row), end = rowEnd(row); i < end; ++i)
        if (m_cells.at(i).size > 0)
            return true;
    return false;
}

void TextTable::finish(bool byKey)
{
    const int rows = rowCount();
    std::vector<int> order(static_cast<size_t>(rows));
    std::iota(order.begin(), order.end(), 0);
    bool merge = false;
    if (byKey) {
        const bool sorted = std::is_sorted(m_rowKey.cbegin(), m_rowKey.cend());
        if (!sorted)
            std::stable_sort(order.begin(), order.end(),
                             [&](int a, int b) { return m_rowKey.at(a) < m_rowKey.at(b); });
        merge = !sorted || std::adjacent_find(m_rowKey.cbegin(), m_rowKey.cend()) != m_rowKey.cend();
    }
    if (!merge) {
        // In place: rows without text are left out, the others move up.
        QVector<qsizetype> starts;
        QVector<int> keys;
        qsizetype to = 0;
        for (int r = 0; r < rows; ++r) {
            if (!rowHasText(r))
                continue;
            const qsizetype from = m_rowStart.at(r), end = rowEnd(r);
            starts << to;
            keys << m_rowKey.at(r);
            if (to != from)
                std::copy(m_cells.cbegin() + from, m_cells.cbegin() + end, m_cells.begin() + to);
            to += end - from;
        }
        m_cells.resize(to);
        m_rowStart = std::move(starts);
        m_rowKey = std::move(keys);
        return;
    }
    // Rows of one key become one, in key order.
    QVector<Text> cells;
    QVector<qsizetype> starts;
    QVector<int> keys;
    cells.reserve(m_cells.size());
    for (size_t i = 0; i < order.size();) {
        const int key = m_rowKey.at(order[i]);
        const qsizetype start = cells.size();
        for (; i < order.size() && m_rowKey.at(order[i]) == key; ++i) {
            const int r = order[i];
            const qsizetype from = m_rowStart.at(r), width = rowEnd(r) - from;
            if (cells.size() < start + width)
                cells.resize(start + width);
            for (qsizetype c = 0; c < width; ++c) {
                const Text t = m_cells.at(from + c);
                // An empty slot (never set, or set empty) leaves the
                // earlier row's text.
                if (t.size > 0)
                    cells[start + c] = t;
            }
        }
        bool text = false;
        for (qsizetype c = start; c < cells.size() && !text; ++c)
            text = cells.at(c).size > 0;
        if (!text) {
            cells.resize(start);
            continue;
        }
        starts << start;
        keys << key;
    }
    m_cells = std::move(cells);
    m_rowStart = std::move(starts);
    m_rowKey = std::move(keys);
}

int TextTable::columnCount(int row) const
{
    if (row < 0 || row >= rowCount())
        return 0;
    return int(rowEnd(row) - m_rowStart.at(row));
}

QStringView TextTable::at(int row, int col) const
{
    if (col < 0 || col >= columnCount(row))
        return {};
    return view(m_cells.at(m_rowStart.at(row) + col));
}

QStringList TextTable::row(int row) const
{
    QStringList out;
    const int n = columnCount(row);
    out.reserve(n);
    for (int c = 0; c < n; ++c)
        out << at(row, c).toString();
    return out;
}

QVector<QStringList> TextTable::lists() const
{
    QVector<QStringList> out;
    out.reserve(rowCount());
    for (int r = 0; r < rowCount(); ++r)
        out << row(r);
    return out;
}

TextTable TextTable::fromLists(const QVector<QStringList>& rows)
{
    TextTable t;
    for (int r = 0; r < rows.size(); ++r) {
        t.startRow(r);
        for (int c = 0; c < rows.at(r).size(); ++c)
            t.set(c, t.add(rows.at(r).at(c)));
    }
    t.finish(false);
    return t;
}

bool TextTable::appendRows(const TextTable& other, int from)
{
    // Sheets of one workbook share its string table: their slices of it
    // stay slices. Only the other sheet's own texts are copied, so what
    // this takes is no more than that sheet's own buffer.
    const bool sameShared = m_shared.constData() == other.m_shared.constData();
    const int key = currentKey();
    for (int r = qMax(0, from); r < other.rowCount(); ++r) {
        startRow(key + 1 + r);
        for (qsizetype i = other.m_rowStart.at(r), end = other.rowEnd(r); i < end; ++i) {
            const Text t = other.m_cells.at(i);
            const bool keep = (t.at & kShared) && sameShared;
            if (!keep && qsizetype(m_own.size()) + t.size >= qsizetype(kShared))
                return false;
            set(int(i - other.m_rowStart.at(r)), keep ? t : add(other.view(t)));
        }
    }
    return true;
}
