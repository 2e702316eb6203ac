#include "gui/widgets/RowNumberHeader.h"

#include <QEvent>
#include <QStyleOptionHeader>

RowNumberHeader::RowNumberHeader(QWidget* parent) : QHeaderView(Qt::Vertical, parent)
{
    // As a table view's own row header: a click selects the row.
    setSectionsClickable(true);
    setHighlightSections(true);
}

void RowNumberHeader::reserveRows(qint64 rows)
{
    if (m_minimum < 0)
        m_minimum = minimumWidth();
    const int width = rows > 0 ? sizeForDigits(int(QString::number(rows).size())).width() : 0;
    setMinimumWidth(qMax(m_minimum, width));
}

QSize RowNumberHeader::sectionSizeFromContents(int logicalIndex) const
{
    return sizeForDigits(int(QString::number(qint64(logicalIndex) + 1).size()));
}

QSize RowNumberHeader::sizeForDigits(int digits) const
{
    if (m_sizes.size() <= digits)
        m_sizes.resize(digits + 1);
    QSize& size = m_sizes[digits];
    if (size.isValid())
        return size;
    ensurePolished();
    // As Qt measures a section: its text in the bold face, through the style.
    QFont bold = font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    QChar widest = QLatin1Char('0');
    for (char d = '1'; d <= '9'; ++d)
        if (metrics.horizontalAdvance(QLatin1Char(d)) > metrics.horizontalAdvance(widest))
            widest = QLatin1Char(d);
    QStyleOptionHeader opt;
    initStyleOption(&opt);
    opt.section = 0;
    opt.fontMetrics = metrics;
    opt.text = QString(digits, widest);
    size = style()->sizeFromContents(QStyle::CT_HeaderSection, &opt, QSize(), this);
    return size;
}

void RowNumberHeader::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        m_sizes.clear();
    QHeaderView::changeEvent(event);
}
