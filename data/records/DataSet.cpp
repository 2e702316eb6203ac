#include "data/records/DataSet.h"

#include "data/records/RowChange.h"

#include "data/store/Schema.h"
#include "data/store/SearchIndex.h"

#include "data/store/Database.h"
#include "data/store/Transaction.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <algorithm>
#include <utility>

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

// A step of a scan in the event loop: short enough that typing and
// scrolling go on beside it.
constexpr int kStepMs = 16;
// How often a scan tells the rows it found: a grid of a million rows takes
// a while to hear of more, and ten times a second reads as live.
constexpr int kTellMs = 100;

} // namespace

DataSet::DataSet(QObject* parent) : QObject(parent)
{
    m_scanSteps.setInterval(0);
    connect(&m_scanSteps, &QTimer::timeout, this, [this] { scanOn(kStepMs); });
}

DataSet::~DataSet() = default;

int DataSet::tableRowCount() const
{
    if (!m_db || m_table.isEmpty())
        return -1;
    // Known from the opening, or counted once: a search's title asks more than once.
    if (m_tableRows >= 0)
        return m_tableRows;
    m_tableRows = SearchIndex::rowCount(*m_db, m_table);
    if (m_tableRows >= 0)
        return m_tableRows;
    QSqlQuery q(m_db->db());
    if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM %1").arg(Schema::quoted(m_table))) || !q.next())
        return -1;
    m_tableRows = q.value(0).toInt();
    return m_tableRows;
}

QString DataSet::key() const
{
    return Schema::quoted(m_db ? m_db->rowIdColumn(m_table) : QStringLiteral("_rowid_"));
}

QString DataSet::columnList() const
{
    QStringList quoted;
    for (const QString& f : m_fields)
        quoted << Schema::quoted(f);
    return quoted.join(QStringLiteral(", "));
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
    return openAs(table, where, binds, false, error);
}

bool DataSet::openScan(const QString& table, const QString& where, const QVariantList& binds, QString* error)
{
    return openAs(table, where, binds, true, error);
}

bool DataSet::openAs(const QString& table, const QString& where, const QVariantList& binds, bool scan,
                     QString* error)
{
    close();
    if (!plainIdentifier(table)) {
        setError(error, QStringLiteral("无效的数据表名：%1").arg(table));
        return false;
    }
    m_table = table;
    m_where = where;
    m_binds = binds;
    m_scan = scan;
    return fetch(error);
}

bool DataSet::reopen(QString* error)
{
    if (m_table.isEmpty()) {
        setError(error, QStringLiteral("数据集没有语句"));
        return false;
    }
    close();
    m_countOf.clear(); // count the table again
    return fetch(error);
}

bool DataSet::fetch(QString* error)
{
    if (!m_db || !m_db->isOpen()) {
        setError(error, QStringLiteral("数据库没有连接"));
        return false;
    }
    // The columns, from the table itself, once per table and opened connection.
    const QString columnsOf = QString::number(m_db->generation()) + QLatin1Char('|') +
                              m_db->connectionName() + QLatin1Char('|') + m_table;
    if (m_columnsOf != columnsOf) {
        QStringList columns;
        if (!m_db->columns(m_table, &columns, error))
            return false;
        m_columns = columns;
        m_columnsOf = columnsOf;
    }
    const QStringList fields = m_columns;
    // The rows, by key only; their texts are read when asked for.
    RowKeys keys;
    // A part of the scan read on another connection is there: the steps
    // go on (they stop while there is nothing to do but wait for it).
    keys.setWake([this] {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (m_keys.isScanning() && !m_scanSteps.isActive())
                    m_scanSteps.start();
            },
            Qt::QueuedConnection);
    });
    int total = -1;
    if (!keys.open({m_db, m_table, key(), m_where, m_binds}, m_scan, &total, error))
        return false;

    emit aboutToReset();
    m_fields = fields;
    // Made once an opening: every cell shown asks for its rows.
    m_source = {m_db, Schema::quoted(m_table), key(), columnList(), int(m_fields.size())};
    m_keys = std::move(keys);
    // A search on a server's list keeps the table's count it had (a server
    // counts a million rows slowly; another computer's change reopens the
    // list, which counts afresh). A file keeps its count at hand.
    if (total >= 0 || !m_db->isServer() || m_countOf != columnsOf)
        m_tableRows = total;
    m_countOf = columnsOf;
    m_blocks.clear();
    m_state = State::Browse;
    m_current = m_keys.isEmpty() ? -1 : 0;
    m_bof = true;
    m_eof = m_keys.isEmpty();
    m_told = m_keys.size();
    m_scanError.clear();
    if (m_keys.isScanning()) {
        m_scanSteps.start();
        m_sinceTold.start();
    }
    emit reset();
    emit currentChanged(m_current);
    return true;
}

void DataSet::scanOn(int ms)
{
    const int before = m_keys.size();
    QString error;
    // A list cut short must not pass for the whole result: the window says so.
    if (!m_keys.scanOn(ms, &error))
        m_scanError = error.isEmpty() ? QStringLiteral("读取数据库失败。") : error;
    const bool done = !m_keys.isScanning();
    if (m_keys.isWaiting())
        m_scanSteps.stop();
    if (done) {
        m_scanSteps.stop();
        if (m_keys.scannedTotal() >= 0)
            m_tableRows = m_keys.scannedTotal();
    }
    if (m_keys.size() > before)
        m_blocks.forget(before); // read with fewer rows
    if (m_keys.size() > m_told && (done || m_sinceTold.elapsed() >= kTellMs)) {
        const int first = std::exchange(m_told, m_keys.size());
        m_sinceTold.start();
        emit rowsAppended(first, m_told - 1);
        // Found after the opening: the set stands on its first row, as it would have.
        if (m_current < 0 && m_state == State::Browse) {
            m_current = 0;
            m_bof = true;
            m_eof = false;
            emit currentChanged(0);
        }
    }
    if (done)
        emit scanFinished();
}

QVector<QString> DataSet::rowTexts(int row) const
{
    if (row < 0 || row >= m_keys.size())
        return QVector<QString>(m_fields.size());
    return m_blocks.row(row, m_source, m_keys);
}

void DataSet::close()
{
    m_scanSteps.stop();
    if (m_state == State::Inactive && m_keys.isEmpty() && !m_keys.isScanning())
        return;
    emit aboutToReset();
    m_state = State::Inactive;
    m_fields.clear();
    m_blocks.clear();
    m_keys.clear();
    m_buffer.clear();
    m_bufferSet.clear();
    m_current = -1;
    m_eof = m_bof = true;
    emit reset();
    emit currentChanged(-1);
}

bool DataSet::isEmpty() const
{
    if (m_keys.isEmpty())
        complete();
    return m_keys.isEmpty();
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
    setCurrent(isEmpty() ? -1 : 0);
    m_bof = true;
    m_eof = m_keys.isEmpty();
}

void DataSet::last()
{
    if (!isOpen())
        return;
    complete();
    setCurrent(m_keys.size() - 1);
    m_eof = true;
    m_bof = m_keys.isEmpty();
}

void DataSet::next()
{
    if (!isOpen())
        return;
    m_bof = false;
    if (m_current + 1 >= m_keys.size())
        complete();
    if (m_current + 1 < m_keys.size())
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
    if (row >= m_keys.size())
        complete();
    if (!isOpen() || row < 0 || row >= m_keys.size())
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
    if (row >= m_keys.size())
        complete();
    if (row < 0 || row >= m_keys.size() || column < 0 || column >= m_fields.size())
        return {};
    return m_blocks.value(row, column, m_source, m_keys);
}

qint64 DataSet::rowId(int row) const
{
    if (row >= m_keys.size())
        complete();
    return m_keys.at(row);
}

int DataSet::rowOfId(qint64 id) const
{
    const int known = m_keys.knownRowOf(id);
    if (known >= 0)
        return known;
    complete();
    return m_keys.rowOf(id);
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
    m_loaded = m_buffer;
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

bool DataSet::setValue(const QString& field, const QString& text, const QString& seen)
{
    if (!setValue(field, text))
        return false;
    if (m_state == State::Edit)
        m_loaded[m_fields.indexOf(field)] = seen;
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
    bool found = false;
    const QString sql = QStringLiteral("SELECT %2, %3 FROM %1 WHERE %2 = ?")
                            .arg(Schema::quoted(m_table), key(), columnList());
    if (!m_db->readRows(
            sql, {id}, m_fields.size(),
            [&](qint64, const QVector<QString>& texts) {
                *out = texts;
                found = true;
            },
            error))
        return false;
    if (!found)
        setError(error, QStringLiteral("记录已不存在"));
    return found;
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
    const RowChange change = bufferedChange();
    return m_state == State::Insert ? postInsert(change, error) : postEdit(change, error);
}

RowChange DataSet::bufferedChange() const
{
    RowChange change;
    for (int i = 0; i < m_fields.size(); ++i) {
        if (!m_bufferSet[i])
            continue;
        QString text = m_buffer[i].isNull() ? QStringLiteral("") : m_buffer[i];
        // A server's texts cannot hold NUL; no one types it (imports drop it too).
        if (m_db->isServer())
            text.remove(QChar(u'\0'));
        change.add(Schema::quoted(m_fields[i]), text, m_loaded.value(i));
    }
    return change;
}

bool DataSet::postInsert(const RowChange& change, QString* error)
{
    // Found before the new row is there: it goes after all the others, once.
    complete();
    QSqlQuery q(m_db->db());
    q.prepare(change.insertStatement(Schema::quoted(m_table), key()));
    for (const QVariant& v : change.insertValues())
        q.addBindValue(v);
    if (!q.exec() || !q.next()) {
        setError(error, m_db->failure(q.lastError()));
        return false;
    }
    const qint64 id = q.value(0).toLongLong();
    q.finish();
    QVector<QString> row;
    if (!readRow(id, &row, error))
        return false;
    m_state = State::Browse;
    m_buffer.clear();
    m_bufferSet.clear();
    m_keys.append(id);
    m_blocks.forget(m_keys.size() - 1); // read again with the new row
    if (m_tableRows >= 0)
        ++m_tableRows;
    emit rowInserted(m_keys.size() - 1);
    m_eof = m_bof = false;
    m_current = m_keys.size() - 1;
    emit currentChanged(m_current);
    return true;
}

// The row that was loaded into the buffer, by its key.
bool DataSet::postEdit(const RowChange& change, QString* error)
{
    const qint64 id = m_keys.at(m_current);
    if (!change.isEmpty()) {
        QSqlQuery q(m_db->db());
        q.prepare(change.updateStatement(Schema::quoted(m_table), key()));
        for (const QVariant& v : change.updateValues(id))
            q.addBindValue(v);
        if (!q.exec()) {
            setError(error, m_db->failure(q.lastError()));
            return false;
        }
        if (q.numRowsAffected() == 0) {
            setError(error, rowExists(id) ? changedElsewhereMessage() : QStringLiteral("记录已不存在"));
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
    m_blocks.replace(m_current, row);
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
    q.prepare(QStringLiteral("SELECT 1 FROM %1 WHERE %2 = ?").arg(Schema::quoted(m_table), key()));
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
    complete(); // counted and told as a whole
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    rows.erase(std::remove_if(rows.begin(), rows.end(), [&](int r) { return r < 0 || r >= m_keys.size(); }),
               rows.end());
    if (rows.isEmpty())
        return true;
    {
        Transaction tx(m_db->db());
        QSqlQuery q(m_db->db());
        q.prepare(QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(Schema::quoted(m_table), key()));
        for (int r : rows) {
            q.bindValue(0, m_keys.at(r));
            if (!q.exec()) {
                setError(error, m_db->failure(q.lastError()));
                return false;
            }
        }
        q.finish();
        if (!tx.commit(error))
            return false;
    }
    if (m_tableRows >= 0)
        m_tableRows = std::max(0, m_tableRows - int(rows.size()));
    emit aboutToReset();
    const int firstDeleted = rows.first();
    m_blocks.clear(); // rows move up: read again
    m_keys.removeRows(rows);
    // Stand on the row that followed the first deleted one, as a grid does.
    m_current = m_keys.isEmpty() ? -1 : std::min(firstDeleted, m_keys.size() - 1);
    m_eof = m_keys.isEmpty();
    m_bof = m_keys.isEmpty();
    emit reset();
    emit currentChanged(m_current);
    return true;
}

bool DataSet::refreshRows(const QList<qint64>& rowIds, QString* error)
{
    if (m_state != State::Browse || !m_db || !m_db->isOpen())
        return false;
    for (qint64 id : rowIds) {
        // Only a row already read can be shown, and so be kept.
        const int row = m_keys.knownRowOf(id);
        if (row < 0)
            continue;
        // Its block is read again when the row is next shown.
        m_blocks.forget(row);
        emit rowChanged(row);
    }
    return true;
}
