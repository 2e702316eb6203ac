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

protected:
    QSize sectionSizeFromContents(int logicalIndex) const override;
    void changeEvent(QEvent* event) override;

private:
    mutable QVector<QSize> m_sizes; // by count of digits
};
