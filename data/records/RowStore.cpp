#include "data/records/RowStore.h"

void RowStore::reset(int columns)
{
    clear();
    m_columns = columns;
}

void RowStore::reserve(int rows)
{
    m_text.reserve(rows);
    m_ends.reserve(qsizetype(rows) * m_columns);
}

void RowStore::clear()
{
    // Swap with empties so the memory really goes.
    QVector<QString>().swap(m_text);
    QVector<quint32>().swap(m_ends);
}

void RowStore::pack(const QVector<QString>& fields, QString* text, quint32* ends) const
{
    qsizetype total = 0;
    for (int c = 0; c < m_columns; ++c)
        total += fields.value(c).size();
    text->reserve(total);
    for (int c = 0; c < m_columns; ++c) {
        if (c < fields.size())
            text->append(fields[c]);
        ends[c] = quint32(text->size());
    }
}

void RowStore::append(const QVector<QString>& fields)
{
    QString text;
    const qsizetype at = m_ends.size();
    m_ends.resize(at + m_columns);
    pack(fields, &text, m_ends.data() + at);
    m_text.append(std::move(text));
}

void RowStore::replace(int row, const QVector<QString>& fields)
{
    if (row < 0 || row >= size())
        return;
    QString text;
    pack(fields, &text, m_ends.data() + qsizetype(row) * m_columns);
    m_text[row] = std::move(text);
}

void RowStore::removeRows(const QList<int>& rows)
{
    if (rows.isEmpty())
        return;
    // One compacting pass, however many rows go.
    qsizetype write = 0;
    int next = 0;
    for (int read = 0; read < size(); ++read) {
        if (next < rows.size() && rows[next] == read) {
            ++next;
            continue;
        }
        if (write != read) {
            m_text[write] = std::move(m_text[read]);
            std::copy_n(m_ends.constData() + qsizetype(read) * m_columns, m_columns,
                        m_ends.data() + write * m_columns);
        }
        ++write;
    }
    m_text.resize(write);
    m_ends.resize(write * m_columns);
}

QString RowStore::value(int row, int column) const
{
    if (row < 0 || row >= size() || column < 0 || column >= m_columns)
        return {};
    const quint32* ends = m_ends.constData() + qsizetype(row) * m_columns;
    const quint32 begin = column == 0 ? 0 : ends[column - 1];
    return m_text[row].mid(begin, ends[column] - begin);
}

QVector<QString> RowStore::row(int row) const
{
    QVector<QString> out(m_columns);
    for (int c = 0; c < m_columns; ++c)
        out[c] = value(row, c);
    return out;
}
