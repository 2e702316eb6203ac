#include "templates/DataSetRecords.h"

#include "data/records/DataSet.h"
#include "report/QRBand.h"
#include "report/QRDBText.h"
#include "report/QuickRep.h"

#include <QDate>

namespace {
// The value of field at row of set: empty when the set is closed or has no
// such row or column. The current row goes through value(field), which
// reads the edit buffer while the row is being edited.
QString valueOf(const DataSet* set, int row, const QString& field)
{
    if (!set || !set->isOpen() || field.isEmpty())
        return {};
    if (row < 0 || row == set->currentRow())
        return set->currentRow() < 0 ? QString() : set->value(field);
    return set->value(row, set->fieldIndex(field));
}
} // namespace

void DataSetRecords::setDriver(DataSet* rows)
{
    m_driver = rows;
}

void DataSetRecords::bindItem(int index, DataSet* set)
{
    if (index < 0)
        return;
    while (m_sets.size() <= index)
        m_sets.append(nullptr);
    m_sets[index] = set;
}

void DataSetRecords::setFixed(int index, const QString& text)
{
    m_fixed.insert(index, text);
}

void DataSetRecords::setDatePart(int index, const QString& part)
{
    m_dateParts.insert(index, part);
}

int DataSetRecords::recordCount() const
{
    if (!m_driver)
        return 1;
    return m_driver->isOpen() ? m_driver->recordCount() : 0;
}

QStringList DataSetRecords::texts(int record) const
{
    QStringList out;
    const TQRBand* band = m_report ? m_report->band() : nullptr;
    if (!band)
        return out;
    const QList<TQRDBText*> items = band->items();
    out.reserve(items.size());
    const bool paging = m_driver && m_driver->isOpen() && record < m_driver->recordCount();
    // The day is read once per record: a batch printed over midnight
    // dates every page as it prints.
    const QDate today = m_dateParts.isEmpty() ? QDate() : QDate::currentDate();
    for (int i = 0; i < items.size(); ++i) {
        if (!m_fixed.isEmpty()) {
            auto fixed = m_fixed.constFind(i);
            if (fixed != m_fixed.constEnd()) {
                out.append(*fixed);
                continue;
            }
        }
        if (!m_dateParts.isEmpty()) {
            auto part = m_dateParts.constFind(i);
            if (part != m_dateParts.constEnd()) {
                out.append(*part == QStringLiteral("年")   ? QString::number(today.year())
                           : *part == QStringLiteral("月") ? QString::number(today.month())
                           : *part == QStringLiteral("日") ? QString::number(today.day())
                                                           : today.toString(Qt::ISODate));
                continue;
            }
        }
        const DataSet* set = m_sets.value(i);
        const int row = paging && set == m_driver ? record : -1;
        if (!m_numbers.isEmpty() && set && m_numberItems.contains(i)) {
            const QString number = m_numbers.numberOf(row < 0 ? set->currentRow() : row);
            if (!number.isNull()) {
                out.append(number);
                continue;
            }
        }
        out.append(valueOf(set, row, items.at(i)->DataField));
    }
    return out;
}
