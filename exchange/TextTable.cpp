#include "exchange/TextTable.h"

#include <algorithm>

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

qint64 TextTable::put(int row, int col, Text text)
{
    const int current = currentKey();
    if (row == current && !m_rowStart.isEmpty())
        return qint64(set(col, text)) * qint64(sizeof(Text));
    if (row > current) {
        startRow(row);
        return qint64(set(col, text)) * qint64(sizeof(Text)) + qint64(sizeof(qsizetype) + sizeof(int));
    }
    m_aside.push_back({row, col, text});
    m_asideSorted = false;
    return qint64(sizeof(Aside));
}

void TextTable::sortAside()
{
    // By row and column, each in the order it came.
    if (!m_asideSorted)
        std::stable_sort(m_aside.begin(), m_aside.end(), [](const Aside& a, const Aside& b) {
            return a.row != b.row ? a.row < b.row : a.col < b.col;
        });
    m_asideSorted = true;
}

template <class F>
void TextTable::mergeWalk(F each) const
{
    // Rows came by key in increasing order; the cells set aside (sorted)
    // join them by key. Calls each(key, row or -1, first aside, end).
    int r = 0;
    qsizetype a = 0;
    while (r < rowCount() || a < m_aside.size()) {
        const bool fromRows = r < rowCount() && (a >= m_aside.size() || m_rowKey.at(r) <= m_aside.at(a).row);
        const int key = fromRows ? m_rowKey.at(r) : m_aside.at(a).row;
        const qsizetype first = a;
        while (a < m_aside.size() && m_aside.at(a).row == key)
            ++a;
        each(key, fromRows ? r++ : -1, first, a);
    }
}

qint64 TextTable::mergeBytes()
{
    if (m_aside.isEmpty())
        return 0;
    sortAside();
    qint64 cells = 0, rows = 0;
    mergeWalk([&](int, int row, qsizetype first, qsizetype end) {
        qsizetype width = row >= 0 ? rowEnd(row) - m_rowStart.at(row) : 0;
        if (end > first)
            width = qMax<qsizetype>(width, m_aside.at(end - 1).col + 1);
        cells += width;
        ++rows;
    });
    return cells * qint64(sizeof(Text)) + rows * qint64(sizeof(qsizetype) + sizeof(int));
}

void TextTable::finish()
{
    QVector<qsizetype> starts;
    QVector<int> keys;
    if (m_aside.isEmpty()) {
        // In place: rows without text are left out, the others move up.
        qsizetype to = 0;
        for (int r = 0; r < rowCount(); ++r) {
            const qsizetype from = m_rowStart.at(r), end = rowEnd(r);
            if (std::none_of(m_cells.cbegin() + from, m_cells.cbegin() + end,
                             [](Text t) { return t.size > 0; }))
                continue;
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
    sortAside();
    QVector<Text> cells;
    cells.reserve(mergeBytes() / qint64(sizeof(Text)));
    mergeWalk([&](int key, int row, qsizetype first, qsizetype end) {
        const qsizetype start = cells.size();
        if (row >= 0) {
            const qsizetype from = m_rowStart.at(row), last = rowEnd(row);
            cells.resize(start + last - from);
            std::copy(m_cells.cbegin() + from, m_cells.cbegin() + last, cells.begin() + start);
        }
        for (qsizetype a = first; a < end; ++a) {
            const Aside& c = m_aside.at(a);
            if (cells.size() <= start + c.col)
                cells.resize(start + c.col + 1);
            cells[start + c.col] = c.text;
        }
        if (std::none_of(cells.cbegin() + start, cells.cend(), [](Text t) { return t.size > 0; })) {
            cells.resize(start);
            return;
        }
        starts << start;
        keys << key;
    });
    m_cells = std::move(cells);
    m_rowStart = std::move(starts);
    m_rowKey = std::move(keys);
    m_aside.clear();
    m_aside.squeeze();
    m_asideSorted = false;
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
    t.finish();
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
