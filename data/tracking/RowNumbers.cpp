#include "data/tracking/RowNumbers.h"

#include <algorithm>

RowNumbers::RowNumbers(const QList<int>& rows, const NumberSequence& numbers)
    : m_rows(rows), m_numbers(numbers)
{
    if (std::is_sorted(m_rows.cbegin(), m_rows.cend()))
        return;
    m_sorted.reserve(m_rows.size());
    for (int i = 0; i < m_rows.size(); ++i)
        m_sorted.append({m_rows.at(i), i});
    std::sort(m_sorted.begin(), m_sorted.end());
}

QString RowNumbers::numberOf(int row) const
{
    int position = -1;
    if (m_sorted.isEmpty()) {
        const auto it = std::lower_bound(m_rows.cbegin(), m_rows.cend(), row);
        if (it != m_rows.cend() && *it == row)
            position = int(it - m_rows.cbegin());
    } else {
        const auto it = std::lower_bound(m_sorted.cbegin(), m_sorted.cend(), std::make_pair(row, -1));
        if (it != m_sorted.cend() && it->first == row)
            position = it->second;
    }
    return m_numbers.value(position);
}
