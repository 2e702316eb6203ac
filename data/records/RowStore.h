#pragma once

#include <QList>
#include <QString>
#include <QVector>

// The rows of a fetched result, kept compactly: each row's texts one after
// another in a single string, with their end offsets beside it. A list of a
// hundred thousand recipients then costs two allocations a row instead of
// one per cell, which keeps opening, searching and dropping a list fast.
class RowStore
{
public:
    void reset(int columns);
    void reserve(int rows);
    void clear();

    int size() const { return m_text.size(); }
    bool isEmpty() const { return m_text.isEmpty(); }
    int columns() const { return m_columns; }

    void append(const QVector<QString>& fields);
    void replace(int row, const QVector<QString>& fields);
    // Removes the rows at these indexes (ascending, no repeats).
    void removeRows(const QList<int>& rows);

    QString value(int row, int column) const;
    QVector<QString> row(int row) const;

private:
    void pack(const QVector<QString>& fields, QString* text, quint32* ends) const;

    int m_columns = 0;
    QVector<QString> m_text;
    QVector<quint32> m_ends; // m_columns entries per row
};
