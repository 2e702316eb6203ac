#pragma once

#include "data/tracking/NumberSequence.h"

#include <QList>
#include <QVector>

#include <utility>

// The waybill numbers a print is about to give, found by the row each goes
// to: the rows in print order and their numbers, without a table of every
// row. Rows in ascending order (a batch) are searched as they are; others
// through one sorted copy of the rows.
class RowNumbers
{
public:
    RowNumbers() = default;
    RowNumbers(const QList<int>& rows, const NumberSequence& numbers);

    bool isEmpty() const { return m_numbers.isEmpty(); }
    // The number row gets; null when it gets none.
    QString numberOf(int row) const;

private:
    QList<int> m_rows; // in print order, parallel to m_numbers
    NumberSequence m_numbers;
    QVector<std::pair<int, int>> m_sorted; // (row, print position), when m_rows is not ascending
};
