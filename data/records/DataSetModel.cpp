#include "data/records/DataSetModel.h"

#include "data/records/DataSet.h"

DataSetModel::DataSetModel(DataSet* set, QObject* parent) : QAbstractTableModel(parent), m_set(set)
{
    m_columns = set->fieldNames().size();
    m_rows = set->knownCount();
    connect(set, &DataSet::aboutToReset, this, [this] { beginResetModel(); });
    connect(set, &DataSet::reset, this, [this] {
        m_columns = m_set->fieldNames().size();
        m_rows = m_set->knownCount();
        endResetModel();
    });
    connect(set, &DataSet::rowInserted, this, [this](int row) {
        beginInsertRows({}, row, row);
        m_rows = m_set->knownCount();
        endInsertRows();
    });
    connect(set, &DataSet::rowsAppended, this, [this](int first, int last) {
        beginInsertRows({}, first, last);
        m_rows = last + 1;
        endInsertRows();
    });
    connect(set, &DataSet::rowChanged, this,
            [this](int row) { emit dataChanged(index(row, 0), index(row, columnCount() - 1)); });
}

int DataSetModel::rowCount(const QModelIndex& parent) const
{
    return (parent.isValid() || !m_set) ? 0 : m_rows;
}

int DataSetModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_columns;
}

QVariant DataSetModel::data(const QModelIndex& index, int role) const
{
    if (!m_set || !index.isValid())
        return {};
    if (role == Qt::DisplayRole)
        return m_set->value(index.row(), index.column());
    return {};
}

QVariant DataSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || !m_set)
        return {};
    if (orientation == Qt::Horizontal)
        return m_set->fieldNames().value(section);
    return section + 1;
}
