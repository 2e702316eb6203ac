#include "data/store/Database.h"

#include "data/store/Schema.h"
#include "data/store/ScratchCopy.h"
#include "data/store/SearchIndex.h"
#include "data/store/ServerAddress.h"
#include "data/store/ServerDialect.h"
#include "data/store/SqliteDialect.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <limits>

#include <algorithm>
#include <atomic>

namespace {

// Connections are made on worker threads too (import, export, backup).
quint64 nextGeneration()
{
    static std::atomic<quint64> counter{0};
    return ++counter;
}

QString nextConnectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("waybill-%1").arg(++counter);
}

} // namespace

Database::Database() : m_name(nextConnectionName()), m_dialect(std::make_unique<SqliteDialect>(m_name)) {}

Database::~Database()
{
    close();
}

QSqlDatabase Database::db() const
{
    return QSqlDatabase::database(m_name, false);
}

bool Database::isOpen() const
{
    return QSqlDatabase::contains(m_name) && db().isOpen();
}

sqlite3* Database::handle() const
{
    return isOpen() ? SqliteDialect::handleOf(db()) : nullptr;
}

QString Database::lockedMessage()
{
    return SqliteDialect::lockedMessage();
}

QString Database::describeFailure(int sqliteCode, const QString& detail)
{
    return SqliteDialect::describeFailure(sqliteCode, detail);
}

QString Database::describeFailure(const QSqlError& error)
{
    return SqliteDialect::describeFailure(error);
}

bool Database::createFile(const QString& path, QString* error)
{
    return SqliteDialect::createFile(path, error);
}

bool Database::fileReplaced() const
{
    return isOpen() && m_dialect->replaced(m_path);
}

bool Database::open(const QString& path, QString* error, bool createIfMissing)
{
    close();
    // What killed restores left beside the book goes at its next opening.
    ScratchCopy::sweep(ScratchCopy::folderFor(path));
    // The one place the two stores part: a postgresql:// URI names a server.
    if (ServerAddress::isServer(path))
        m_dialect = std::make_unique<ServerDialect>(m_name);
    if (!m_dialect->open(*this, path, createIfMissing, error)) {
        close();
        return false;
    }
    m_path = path;
    m_generation = nextGeneration();
    return true;
}

void Database::close()
{
    if (QSqlDatabase::contains(m_name)) {
        {
            QSqlDatabase db = QSqlDatabase::database(m_name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }
    m_dialect = std::make_unique<SqliteDialect>(m_name);
}

bool Database::exec(const QString& sql, const QVariantList& binds, QString* error)
{
    QSqlQuery q(db());
    // A server prepares statements by name, which a CREATE cannot be:
    // statements without values run as they are.
    if (binds.isEmpty()) {
        if (!q.exec(sql)) {
            if (error)
                *error = failure(q.lastError());
            return false;
        }
        return true;
    }
    if (!q.prepare(sql)) {
        if (error)
            *error = failure(q.lastError());
        return false;
    }
    for (const QVariant& v : binds)
        q.addBindValue(v);
    if (!q.exec()) {
        if (error)
            *error = failure(q.lastError());
        return false;
    }
    return true;
}

QString Database::rowIdColumn(const QString& table) const
{
    return m_dialect->rowIdColumn(table);
}

bool Database::columns(const QString& table, QStringList* out, QString* error) const
{
    out->clear();
    QSqlQuery q(db());
    if (!q.exec(QStringLiteral("SELECT * FROM %1 LIMIT 0").arg(Schema::quoted(table)))) {
        if (error)
            *error = failure(q.lastError());
        return false;
    }
    const QSqlRecord rec = q.record();
    for (int i = 0; i < rec.count(); ++i)
        if (!m_dialect->isHiddenColumn(rec.fieldName(i)))
            *out << rec.fieldName(i);
    return true;
}

bool Database::hasTable(const QString& table) const
{
    return isOpen() && m_dialect->hasTable(table);
}

QString Database::inList(const QString& column, bool numbers) const
{
    return m_dialect->inList(column, numbers);
}

QString Database::jsonList(const QList<qint64>& values)
{
    QStringList parts;
    parts.reserve(values.size());
    for (qint64 v : values)
        parts << QString::number(v);
    return QLatin1Char('[') + parts.join(QLatin1Char(',')) + QLatin1Char(']');
}

QString Database::containsText(const QString& column) const
{
    return m_dialect->containsText(column);
}

QString Database::type(Type t) const
{
    return m_dialect->type(t);
}

QString Database::failure(const QSqlError& error) const
{
    return m_dialect->failure(error);
}

bool Database::readIds(const QString& sql, const QVariantList& binds, QVector<qint64>* out,
                       QString* error) const
{
    out->clear();
    return m_dialect->readIds(sql, binds, out, error);
}

bool Database::readMatchingIds(const QString& table, const QString& key, const QString& where,
                               const QVariantList& binds, QVector<qint64>* out, int* total,
                               QString* error) const
{
    out->clear();
    *total = -1;
    if (!m_dialect->readMatchingIds(table, key, where, binds, out, total, error))
        return false;
    // The scan usually meets the keys in order already.
    if (!std::is_sorted(out->cbegin(), out->cend()))
        std::sort(out->begin(), out->end());
    return true;
}

bool Database::readRows(const QString& sql, const QVariantList& binds, int n,
                        const std::function<void(qint64, const QVector<QString>&)>& each,
                        QString* error) const
{
    return m_dialect->readRows(sql, binds, n, each, error);
}

bool Database::appendRows(const QString& table, const QStringList& columns, int count,
                          const std::function<void(int, QVector<QVariant>&)>& rowAt,
                          const std::function<bool(int)>& progress, bool* cancelled, QString* error)
{
    if (cancelled)
        *cancelled = false;
    // Progress and cancel for both stores: a row source that reports the
    // percentage as it changes and stops when asked to.
    int lastPercent = -1;
    auto next = [&](int r, QVector<QVariant>& values) {
        const int percent = int(qint64(r) * 100 / count);
        if (progress && percent != lastPercent) {
            lastPercent = percent;
            if (!progress(percent)) {
                if (cancelled)
                    *cancelled = true;
                return false;
            }
        }
        rowAt(r, values);
        return true;
    };
    // A list loaded in bulk is searched next: its rows go into the index
    // now, in the same transaction, not a little at each search.
    const bool ok = SearchIndex::appendInBulk(
        *this, table, columns, count,
        [&] { return m_dialect->appendRows(table, columns, count, next, error); }, error);
    if (ok && progress)
        progress(100);
    return ok;
}

bool Database::removeAllRows(const QString& table, QString* error)
{
    return SearchIndex::clear(*this, table, error);
}

void Database::sizeCacheForBatch()
{
    if (isOpen() && !isServer())
        exec(QStringLiteral("PRAGMA cache_size=-2048"));
}

bool Database::lockNumbers(QString* error)
{
    return m_dialect->lockNumbers(error);
}

qint64 Database::numbersGiven(const QString& table, const QString& key) const
{
    return isOpen() ? m_dialect->numbersGiven(table, key) : 0;
}

bool Database::continueNumbers(const QString& table, const QString& key, qint64 given, QString* error)
{
    return m_dialect->continueNumbers(table, key, given, error);
}

bool Database::watchChanges(QObject* context, const std::function<void(const QString&)>& changed)
{
    return isOpen() && m_dialect->watchChanges(context, changed);
}
