#pragma once

#include <QAbstractTableModel>
#include <QPointer>

class DataSet;

// Read-only table model over a DataSet, for the grids. Headers are the
// column names; it follows the set's resets, inserts and changes, and a
// search's rows as its scan finds them. It counts the rows it told its
// views of, so a view never hears of a row before it is announced.
class DataSetModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit DataSetModel(DataSet* set, QObject* parent = nullptr);

    DataSet* dataSet() const { return m_set; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QPointer<DataSet> m_set;
    int m_columns = 0;
    int m_rows = 0;
};
