#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

// The columns one post writes, with their texts, and the statements that
// write them: an insert that hands back the new row's key, and an update of
// one row that holds only while every column written still holds what was
// loaded (or already what is written), so that another computer's change is
// never overwritten. Table, key and columns come quoted.
class RowChange
{
public:
    void add(const QString& column, const QString& text, const QString& loaded);
    bool isEmpty() const { return m_columns.isEmpty(); }

    QString insertStatement(const QString& table, const QString& key) const;
    QVariantList insertValues() const { return m_texts; }
    QString updateStatement(const QString& table, const QString& key) const;
    QVariantList updateValues(qint64 id) const;

private:
    QStringList m_columns;
    QVariantList m_texts;
    QVariantList m_loaded;
};
