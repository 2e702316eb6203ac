#include "data/DataSet.h"

#include "data/Schema.h"

#include "data/Database.h"
#include "data/Transaction.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <algorithm>

namespace {

// Table names come from the program, never from the user; refuse anything
// that is not a plain identifier so it can be quoted safely.
bool plainIdentifier(const QString& name)
{
    static const QRegularExpression re(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return re.match(name).hasMatch();
}

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

} // namespace

DataSet::DataSet(QObject* parent) : QObject(parent) {}

DataSet::~DataSet() = default;

int DataSet::tableRowCount() const
{
    if (!m_db || m_table.isEmpty())
        return -1;
    QSqlQuery q(m_db->db());
    if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM %1").arg(Schema::quoted(m_table))) || !q.next())
        return -1;
    return q.value(0).toInt();
}

QString DataSet::statement() const
{
    QString s = QStringLiteral("select * from %1").arg(m_table);
    if (!m_where.isEmpty())
        s += QStringLiteral(" where ") + m_where;
    return s;
}

bool DataSet::open(const QString& table, const QString& where, const QVariantList& binds, QString* error)
{
    close();
    if (!plainIdentifier(table)) {
        setError(error, QStringLiteral("无效的数据表名：%1").arg(table));
        return false;
    }
    m_table = table;
    m_where = where;
    m_binds = binds;
    return fetch(error);
}

bool DataSet::reopen(QString* error)
{
    if (m_table.isEmpty()) {
        setError(error, QStringLiteral("数据集没有语句"));
        return false;
    }
    close();
    return fetch(error);
}

bool DataSet::fetch(QString* error)
{
    if (!m_db || !m_db->isOpen()) {
        setError(error, QStringLiteral("数据库没有连接"));
        return false;
    }
    QString sql = QStringLiteral("SELECT _rowid_ AS __waybill_rowid, * FROM %1").arg(Schema::quoted(m_table));
    if (!m_where.isEmpty())
        sql += QStringLiteral(" WHERE ") + m_where;
    sql += QStringLiteral(" ORDER BY _rowid_");

    QSqlQuery q(m_db->db());
    q.setForwardOnly(true);
    if (!q.prepare(sql)) {
        setError(error, Database::describeFailure(q.lastError()));
        return false;
    }
    for (const QVariant& v : m_binds)
        q.addBindValue(v);
    if (!q.exec()) {
        setError(error, Database::describeFailure(q.lastError()));
        return false;
    }

    emit aboutToReset();
    const QSqlRecord rec = q.record();
    QStringList fields;
    for (int i = 1; i < rec.count(); ++i)
        fields << rec.fieldName(i);
    RowStore rows;
    QVector<qint64> ids;
    const int n = fields.size();
    rows.reset(n);
    QVector<QString> row(n);
    while (q.next()) {
        ids.append(q.value(0).toLongLong());
        for (int i = 0; i < n; ++i)
            row[i] = q.value(i + 1).toString();
        rows.append(row);
    }
    const bool failed = q.lastError().isValid();
    const QString failure = Database::describeFailure(q.lastError());
    q.finish();
    if (failed) {
        emit reset();
        setError(error, failure);
        return false;
    }
    m_fields = fields;
    m_rows = std::move(rows);
    m_ids = std::move(ids);
    m_state = State::Browse;
    m_current = m_rows.isEmpty() ? -1 : 0;
    m_bof = true;
    m_eof = m_rows.isEmpty();
    emit reset();
    emit currentChanged(m_current);
    return true;
}

void DataSet::close()
{
    if (m_state == State::Inactive && m_rows.isEmpty())
        return;
    emit aboutToReset();
    m_state = State::Inactive;
    m_fields.clear();
    m_rows.clear();
    m_ids.clear();
    m_buffer.clear();
    m_bufferSet.clear();
    m_current = -1;
    m_eof = m_bof = true;
    emit reset();
    emit currentChanged(-1);
}

int DataSet::recNo() const
{
    if (m_state == State::Inactive || m_state == State::Insert || m_current < 0)
        return -1;
    return m_current + 1;
}

void DataSet::setCurrent(int row)
{
    if (m_state == State::Edit || m_state == State::Insert)
        cancel();
    if (row != m_current) {
        m_current = row;
        emit currentChanged(row);
    }
}

void DataSet::first()
{
    if (!isOpen())
        return;
    setCurrent(m_rows.isEmpty() ? -1 : 0);
    m_bof = true;
    m_eof = m_rows.isEmpty();
}

void DataSet::last()
{
    if (!isOpen())
        return;
    setCurrent(m_rows.size() - 1);
    m_eof = true;
    m_bof = m_rows.isEmpty();
}

void DataSet::next()
{
    if (!isOpen())
        return;
    m_bof = false;
    if (m_current + 1 < m_rows.size())
        setCurrent(m_current + 1);
    else
        m_eof = true;
}

void DataSet::prior()
{
    if (!isOpen())
        return;
    m_eof = false;
    if (m_current > 0)
        setCurrent(m_current - 1);
    else
        m_bof = true;
}

bool DataSet::moveTo(int row)
{
    if (!isOpen() || row < 0 || row >= m_rows.size())
        return false;
    setCurrent(row);
    m_bof = m_eof = false;
    return true;
}

QString DataSet::value(const QString& field) const
{
    const int col = m_fields.indexOf(field);
    if (col < 0)
        return {};
    if (m_state == State::Edit || m_state == State::Insert)
        return m_buffer.value(col);
    return value(m_current, col);
}

QString DataSet::value(int row, int column) const
{
    if (row < 0 || row >= m_rows.size())
        return {};
    return m_rows.value(row, column);
}

qint64 DataSet::rowId(int row) const
{
    return (row >= 0 && row < m_ids.size()) ? m_ids[row] : -1;
}

int DataSet::rowOfId(qint64 id) const
{
    return m_ids.indexOf(id);
}

bool DataSet::edit()
{
    if (m_state == State::Edit || m_state == State::Insert)
        return true;
    if (m_state != State::Browse)
        return false;
    if (m_current < 0)
        return append();
    m_buffer = m_rows.row(m_current);
    m_bufferSet = QVector<bool>(m_fields.size(), false);
    m_state = State::Edit;
    return true;
}

bool DataSet::append()
{
    if (m_state == State::Inactive)
        return false;
    if (m_state == State::Edit || m_state == State::Insert)
        cancel();
    m_buffer = QVector<QString>(m_fields.size());
    m_bufferSet = QVector<bool>(m_fields.size(), false);
    m_state = State::Insert;
    return true;
}

bool DataSet::setValue(const QString& field, const QString& text)
{
    if (m_state != State::Edit && m_state != State::Insert)
        return false;
    const int col = m_fields.indexOf(field);
    if (col < 0)
        return false;
    m_buffer[col] = text;
    m_bufferSet[col] = true;
    return true;
}

void DataSet::cancel()
{
    if (m_state == State::Edit || m_state == State::Insert)
        m_state = State::Browse;
    m_buffer.clear();
    m_bufferSet.clear();
}

bool DataSet::readRow(qint64 id, QVector<QString>* out, QString* error) const
{
    QSqlQuery q(m_db->db());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT * FROM %1 WHERE _rowid_ = ?").arg(Schema::quoted(m_table)));
    q.addBindValue(id);
    if (!q.exec()) {
        setError(error, Database::describeFailure(q.lastError()));
        return false;
    }
    if (!q.next()) {
        setError(error, QStringLiteral("记录已不存在"));
        return false;
    }
    const QSqlRecord rec = q.record();
    out->resize(m_fields.size());
    for (int i = 0; i < m_fields.size(); ++i) {
        const int c = rec.indexOf(m_fields[i]);
        (*out)[i] = c >= 0 ? q.value(c).toString() : QString();
    }
    return true;
}

bool DataSet::post(QString* error)
{
    if (m_state == State::Browse)
        return true;
    if (m_state == State::Inactive) {
        setError(error, QStringLiteral("数据集没有打开"));
        return false;
    }
    if (!m_db || !m_db->isOpen()) {
        setError(error, QStringLiteral("数据库没有连接"));
        return false;
    }
    QStringList cols;
    QVariantList binds;
    for (int i = 0; i < m_fields.size(); ++i) {
        if (m_bufferSet[i]) {
            cols << Schema::quoted(m_fields[i]);
            binds << QVariant(m_buffer[i].isNull() ? QStringLiteral("") : m_buffer[i]);
        }
    }
    QSqlQuery q(m_db->db());
    if (m_state == State::Insert) {
        QString sql;
        if (cols.isEmpty()) {
            sql = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(Schema::quoted(m_table));
        } else {
            QStringList marks;
            for (int i = 0; i < cols.size(); ++i)
                marks << QStringLiteral("?");
            sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                      .arg(Schema::quoted(m_table), cols.join(QStringLiteral(", ")),
                           marks.join(QStringLiteral(", ")));
        }
        q.prepare(sql);
        for (const QVariant& v : binds)
            q.addBindValue(v);
        if (!q.exec()) {
            setError(error, Database::describeFailure(q.lastError()));
            return false;
        }
        const qint64 id = q.lastInsertId().toLongLong();
        q.finish();
        QVector<QString> row;
        if (!readRow(id, &row, error))
            return false;
        m_state = State::Browse;
        m_buffer.clear();
        m_bufferSet.clear();
        m_rows.append(row);
        m_ids.append(id);
        emit rowInserted(m_rows.size() - 1);
        m_eof = m_bof = false;
        m_current = m_rows.size() - 1;
        emit currentChanged(m_current);
        return true;
    }

    // Edit: the row that was loaded into the buffer, by its rowid.
    const qint64 id = m_ids.value(m_current, -1);
    if (!cols.isEmpty()) {
        QStringList sets;
        for (const QString& c : cols)
            sets << c + QStringLiteral(" = ?");
        q.prepare(QStringLiteral("UPDATE %1 SET %2 WHERE _rowid_ = ?")
                      .arg(Schema::quoted(m_table), sets.join(", ")));
        for (const QVariant& v : binds)
            q.addBindValue(v);
        q.addBindValue(id);
        if (!q.exec()) {
            setError(error, Database::describeFailure(q.lastError()));
            return false;
        }
        if (q.numRowsAffected() == 0) {
            setError(error, QStringLiteral("记录已不存在"));
            return false;
        }
        q.finish();
    } else if (!rowExists(id)) {
        setError(error, QStringLiteral("记录已不存在"));
        return false;
    }
    QVector<QString> row;
    if (!readRow(id, &row, error))
        return false;
    m_rows.replace(m_current, row);
    m_state = State::Browse;
    m_buffer.clear();
    m_bufferSet.clear();
    emit rowChanged(m_current);
    return true;
}

bool DataSet::rowExists(qint64 id) const
{
    if (!m_db || !m_db->isOpen() || id < 0)
        return false;
    QSqlQuery q(m_db->db());
    q.prepare(QStringLiteral("SELECT 1 FROM %1 WHERE _rowid_ = ?").arg(Schema::quoted(m_table)));
    q.addBindValue(id);
    return q.exec() && q.next();
}

bool DataSet::deleteCurrent(QString* error)
{
    if (m_current < 0) {
        setError(error, QStringLiteral("没有当前记录"));
        return false;
    }
    return deleteRows({m_current}, error);
}

bool DataSet::deleteRows(QList<int> rows, QString* error)
{
    if (!isOpen() || !m_db || !m_db->isOpen()) {
        setError(error, QStringLiteral("数据集没有打开"));
        return false;
    }
    cancel();
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    rows.erase(std::remove_if(rows.begin(), rows.end(), [&](int r) { return r < 0 || r >= m_rows.size(); }),
               rows.end());
    if (rows.isEmpty())
        return true;
    {
        Transaction tx(m_db->db());
        QSqlQuery q(m_db->db());
        q.prepare(QStringLiteral("DELETE FROM %1 WHERE _rowid_ = ?").arg(Schema::quoted(m_table)));
        for (int r : rows) {
            q.bindValue(0, m_ids[r]);
            if (!q.exec()) {
                setError(error, Database::describeFailure(q.lastError()));
                return false;
            }
        }
        q.finish();
        if (!tx.commit(error))
            return false;
    }
    emit aboutToReset();
    const int firstDeleted = rows.first();
    m_rows.removeRows(rows);
    qsizetype write = 0;
    int next = 0;
    for (qsizetype read = 0; read < m_ids.size(); ++read) {
        if (next < rows.size() && rows[next] == read)
            ++next;
        else
            m_ids[write++] = m_ids[read];
    }
    m_ids.resize(write);
    // Stand on the row that followed the first deleted one, as a grid does.
    m_current = m_rows.isEmpty() ? -1 : std::min(firstDeleted, int(m_rows.size()) - 1);
    m_eof = m_rows.isEmpty();
    m_bof = m_rows.isEmpty();
    emit reset();
    emit currentChanged(m_current);
    return true;
}

bool DataSet::refreshRows(const QList<qint64>& rowIds, QString* error)
{
    if (m_state != State::Browse || !m_db || !m_db->isOpen())
        return false;
    for (qint64 id : rowIds) {
        const int row = rowOfId(id);
        if (row < 0)
            continue;
        QVector<QString> values;
        if (!readRow(id, &values, error))
            return false;
        m_rows.replace(row, values);
        emit rowChanged(row);
    }
    return true;
}
