#include "data/DataSet.h"

#include "data/Schema.h"

#include "data/Database.h"
#include "data/Transaction.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <algorithm>

#include <sqlite3.h>

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

// A statement on the connection's own handle, finalized when it goes: the
// set reads through SQLite directly, a hundred thousand rowids in a few
// milliseconds.
class Statement
{
public:
    Statement(sqlite3* db, const QString& sql) : m_db(db)
    {
        const QByteArray utf8 = sql.toUtf8();
        if (sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &m_st, nullptr) != SQLITE_OK)
            m_st = nullptr;
    }
    ~Statement() { sqlite3_finalize(m_st); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    explicit operator bool() const { return m_st != nullptr; }
    operator sqlite3_stmt*() const { return m_st; }
    QString error() const
    {
        return Database::describeFailure(sqlite3_errcode(m_db), QString::fromUtf8(sqlite3_errmsg(m_db)));
    }

    // Binds the values in order, as Qt's driver would: texts as texts.
    bool bind(const QVariantList& values)
    {
        if (!m_st)
            return false;
        for (int i = 0; i < values.size(); ++i) {
            const QVariant& v = values.at(i);
            int rc;
            if (v.isNull()) {
                rc = sqlite3_bind_null(m_st, i + 1);
            } else if (v.typeId() == QMetaType::Int || v.typeId() == QMetaType::LongLong ||
                       v.typeId() == QMetaType::UInt || v.typeId() == QMetaType::Bool) {
                rc = sqlite3_bind_int64(m_st, i + 1, v.toLongLong());
            } else if (v.typeId() == QMetaType::Double) {
                rc = sqlite3_bind_double(m_st, i + 1, v.toDouble());
            } else if (v.typeId() == QMetaType::QByteArray) {
                const QByteArray b = v.toByteArray();
                rc = sqlite3_bind_blob(m_st, i + 1, b.constData(), int(b.size()), SQLITE_TRANSIENT);
            } else {
                const QString t = v.toString();
                rc = sqlite3_bind_text16(m_st, i + 1, t.utf16(), int(t.size() * sizeof(QChar)),
                                         SQLITE_TRANSIENT);
            }
            if (rc != SQLITE_OK)
                return false;
        }
        return true;
    }

private:
    sqlite3* m_db;
    sqlite3_stmt* m_st = nullptr;
};

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
    sqlite3* handle = m_db ? m_db->handle() : nullptr;
    if (!handle) {
        setError(error, QStringLiteral("数据库没有连接"));
        return false;
    }
    // The columns, from the table itself.
    QStringList fields;
    {
        Statement q(handle, QStringLiteral("SELECT * FROM %1 LIMIT 0").arg(Schema::quoted(m_table)));
        if (!q) {
            setError(error, q.error());
            return false;
        }
        for (int i = 0; i < sqlite3_column_count(q); ++i)
            fields << QString::fromUtf8(sqlite3_column_name(q, i));
    }
    // The rows, by rowid only; their texts are read when asked for.
    QString sql = QStringLiteral("SELECT _rowid_ FROM %1").arg(Schema::quoted(m_table));
    if (!m_where.isEmpty())
        sql += QStringLiteral(" WHERE ") + m_where;
    sql += QStringLiteral(" ORDER BY _rowid_");
    Statement q(handle, sql);
    if (!q || !q.bind(m_binds)) {
        setError(error, q.error());
        return false;
    }
    QVector<qint64> ids;
    int rc;
    while ((rc = sqlite3_step(q)) == SQLITE_ROW)
        ids.append(sqlite3_column_int64(q, 0));
    if (rc != SQLITE_DONE) {
        setError(error, q.error());
        return false;
    }

    emit aboutToReset();
    m_fields = fields;
    m_ids = std::move(ids);
    m_blocks.clear();
    m_state = State::Browse;
    m_current = m_ids.isEmpty() ? -1 : 0;
    m_bof = true;
    m_eof = m_ids.isEmpty();
    emit reset();
    emit currentChanged(m_current);
    return true;
}

const DataSet::Block& DataSet::block(int row) const
{
    const int b = row / kBlockRows;
    auto it = m_blocks.find(b);
    if (it != m_blocks.end()) {
        it->used = ++m_uses;
        return *it;
    }
    if (m_blocks.size() >= kBlocksKept) {
        auto oldest = m_blocks.begin();
        for (auto i = m_blocks.begin(); i != m_blocks.end(); ++i)
            if (i->used < oldest->used)
                oldest = i;
        m_blocks.erase(oldest);
    }
    Block& blk = m_blocks[b];
    blk.used = ++m_uses;
    const int first = b * kBlockRows;
    const int count = std::min<int>(kBlockRows, m_ids.size() - first);
    const int n = m_fields.size();
    blk.rows.reset(n);
    blk.rows.reserve(count);
    QVector<QString> empty(n);
    sqlite3* handle = m_db ? m_db->handle() : nullptr;
    if (!handle || count <= 0) {
        for (int i = 0; i < count; ++i)
            blk.rows.append(empty);
        return blk;
    }
    QVector<QString> texts(n);
    auto readTexts = [&](sqlite3_stmt* st) {
        for (int c = 0; c < n; ++c) {
            const void* text = sqlite3_column_text16(st, c + 1);
            texts[c] = text ? QString(static_cast<const QChar*>(text), sqlite3_column_bytes16(st, c + 1) / 2)
                            : QString();
        }
    };
    const qint64 low = m_ids.at(first);
    const qint64 high = m_ids.at(first + count - 1);
    if (high - low < 2 * qint64(count)) {
        // Close together: one range scan, skipping rows the set does not hold.
        Statement q(handle, QStringLiteral("SELECT _rowid_, * FROM %1 WHERE _rowid_ BETWEEN ? AND ? "
                                           "ORDER BY _rowid_")
                                .arg(Schema::quoted(m_table)));
        q.bind({low, high});
        int k = 0;
        while (q && k < count && sqlite3_step(q) == SQLITE_ROW) {
            const qint64 id = sqlite3_column_int64(q, 0);
            while (k < count && m_ids.at(first + k) < id) {
                blk.rows.append(empty); // gone from the table since
                ++k;
            }
            if (k < count && m_ids.at(first + k) == id) {
                readTexts(q);
                blk.rows.append(texts);
                ++k;
            }
        }
        for (; k < count; ++k)
            blk.rows.append(empty);
    } else {
        // Scattered (a search's result): row by row.
        Statement q(
            handle,
            QStringLiteral("SELECT _rowid_, * FROM %1 WHERE _rowid_ = ?").arg(Schema::quoted(m_table)));
        for (int k = 0; k < count; ++k) {
            sqlite3_reset(q);
            if (q && q.bind({m_ids.at(first + k)}) && sqlite3_step(q) == SQLITE_ROW) {
                readTexts(q);
                blk.rows.append(texts);
            } else {
                blk.rows.append(empty);
            }
        }
    }
    return blk;
}

QVector<QString> DataSet::rowTexts(int row) const
{
    if (row < 0 || row >= m_ids.size())
        return QVector<QString>(m_fields.size());
    return block(row).rows.row(row % kBlockRows);
}

void DataSet::close()
{
    if (m_state == State::Inactive && m_ids.isEmpty())
        return;
    emit aboutToReset();
    m_state = State::Inactive;
    m_fields.clear();
    m_blocks.clear();
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
    setCurrent(m_ids.isEmpty() ? -1 : 0);
    m_bof = true;
    m_eof = m_ids.isEmpty();
}

void DataSet::last()
{
    if (!isOpen())
        return;
    setCurrent(m_ids.size() - 1);
    m_eof = true;
    m_bof = m_ids.isEmpty();
}

void DataSet::next()
{
    if (!isOpen())
        return;
    m_bof = false;
    if (m_current + 1 < m_ids.size())
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
    if (!isOpen() || row < 0 || row >= m_ids.size())
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
    if (row < 0 || row >= m_ids.size() || column < 0 || column >= m_fields.size())
        return {};
    return block(row).rows.value(row % kBlockRows, column);
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
    m_buffer = rowTexts(m_current);
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
        m_ids.append(id);
        m_blocks.remove((m_ids.size() - 1) / kBlockRows); // read again with the new row
        emit rowInserted(m_ids.size() - 1);
        m_eof = m_bof = false;
        m_current = m_ids.size() - 1;
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
    auto kept = m_blocks.find(m_current / kBlockRows);
    if (kept != m_blocks.end())
        kept->rows.replace(m_current % kBlockRows, row);
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
    rows.erase(std::remove_if(rows.begin(), rows.end(), [&](int r) { return r < 0 || r >= m_ids.size(); }),
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
    m_blocks.clear(); // rows move up: read again
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
    m_current = m_ids.isEmpty() ? -1 : std::min(firstDeleted, int(m_ids.size()) - 1);
    m_eof = m_ids.isEmpty();
    m_bof = m_ids.isEmpty();
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
        // Its block is read again when the row is next shown.
        m_blocks.remove(row / kBlockRows);
        emit rowChanged(row);
    }
    return true;
}
