#pragma once

#include <QHeaderView>
#include <QVector>

// The row numbers beside a grid. Qt sizes a header from the texts of its
// first and last hundred sections, shaping each, and does so again at every
// rebuild of the list (each search): numbers of the same length need the
// same room, so each length is measured once, with its widest digit.
class RowNumberHeader : public QHeaderView
{
    Q_OBJECT
public:
    explicit RowNumberHeader(QWidget* parent = nullptr);
    // Keeps the header as wide as the numbers of rows rows need (0: only
    // the rows there are), so that a list growing under a search does not
    // shift its columns each time the count gains a digit.
    void reserveRows(qint64 rows);

protected:
    QSize sectionSizeFromContents(int logicalIndex) const override;
    void changeEvent(QEvent* event) override;

private:
    QSize sizeForDigits(int digits) const;
    mutable QVector<QSize> m_sizes; // by count of digits
    int m_minimum = -1;             // the width it had before any reserve
};
