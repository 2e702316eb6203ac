#include "data/records/RowChange.h"

void RowChange::add(const QString& column, const QString& text, const QString& loaded)
{
    m_columns << column;
    m_texts << QVariant(text);
    // A NULL the row held compares as empty text (COALESCE below).
    m_loaded << QVariant(loaded.isNull() ? QStringLiteral("") : loaded);
}

QString RowChange::insertStatement(const QString& table, const QString& key) const
{
    QString sql;
    if (m_columns.isEmpty()) {
        sql = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table);
    } else {
        QStringList marks;
        for (int i = 0; i < m_columns.size(); ++i)
            marks << QStringLiteral("?");
        sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(table, m_columns.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
    }
    // The new row's key straight from the statement, on either store.
    return sql + QStringLiteral(" RETURNING ") + key;
}

QString RowChange::updateStatement(const QString& table, const QString& key) const
{
    QStringList sets, still;
    for (const QString& c : m_columns) {
        sets << c + QStringLiteral(" = ?");
        // As text: a file's column may hold numbers, loaded as their text.
        still << QStringLiteral("CAST(COALESCE(%1, '') AS TEXT) IN (?, ?)").arg(c);
    }
    return QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ? AND %4")
        .arg(table, sets.join(QStringLiteral(", ")), key, still.join(QStringLiteral(" AND ")));
}

QVariantList RowChange::updateValues(qint64 id) const
{
    QVariantList values = m_texts;
    values << id;
    for (int k = 0; k < m_columns.size(); ++k)
        values << m_loaded.at(k) << m_texts.at(k);
    return values;
}
