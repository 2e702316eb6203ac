#pragma once

#include <QSqlDatabase>

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <initializer_list>

#include <functional>

class QSqlError;
struct pg_conn;
struct pg_result;

// What only a PostgreSQL address book needs: connecting, its schema (made
// on first use in an empty database), the fast bulk load (COPY) and the
// user's sentence for a server's error. The schema has the file's tables
// and columns; outr, which has no number column of its own, carries a
// hidden "_rowid_" key, so rows are identified as they are in the file.
namespace ServerStore {

// The channel every change of the three tables is announced on.
inline const QString kChannel = QStringLiteral("waybill_changes");
// The hidden key of outr.
inline const QString kSenderKey = QStringLiteral("_rowid_");

// The longest a statement may run on the server before the server
// cancels it; also how long a transaction may stay open unused.
inline constexpr int kStatementSeconds = 60;

// Connects db (a QPSQL connection) to the server named by uri.
bool connect(QSqlDatabase& db, const QString& uri, QString* error);

// Makes the schema in a database that has none of the three tables; a
// database with tables of those names but not this program's columns is
// refused and left untouched.
bool prepareSchema(QSqlDatabase& db, const QString& where, QString* error);

// The user's sentence for a server's error: by its SQLSTATE, or by libpq's
// words where a broken or refused connection brings none. Only what the
// program has no sentence for keeps the server's own text, as a detail.
QString describe(const QSqlError& error);
QString describe(const QString& state, const QString& words);
QString describe(const pg_result* result, const pg_conn* conn);

// Keeps the PostgreSQL driver's English warnings ("QPSQLDriver::…") off
// stderr: what they say reaches the user as the store's Chinese failure.
// Other messages go on to the handler before. Once per program, in main().
void quietDriverMessages();

// A statement with "?" marks as libpq wants it: $1, $2, … (marks inside
// quoted texts and names are left alone).
QByteArray numbered(const QString& sql);

// conn's own parameters (password and password file included) as a
// conninfo string, less the keywords left out, for a connection of its own
// to the same server.
QByteArray conninfoOf(pg_conn* conn, std::initializer_list<const char*> leftOut);

// The libpq connection under a QPSQL connection; null for another driver.
pg_conn* handle(const QSqlDatabase& db);

// Reads through libpq itself, for lists of a hundred thousand rows: the
// first column as keys; or the key and then n texts of each row.
bool readIds(const QSqlDatabase& db, const QString& sql, const QVariantList& binds, QVector<qint64>* out,
             QString* error);
// table's keys meeting where, and its row count, in one scan.
bool readMatchingIds(const QSqlDatabase& db, const QString& table, const QString& key, const QString& where,
                     const QVariantList& binds, QVector<qint64>* out, int* total, QString* error);
bool readRows(const QSqlDatabase& db, const QString& sql, const QVariantList& binds, int n,
              const std::function<void(qint64, const QVector<QString>&)>& each, QString* error);

// Appends count rows to table through COPY, in the transaction that is
// open on db. rowAt fills the values of a row, one per column (null,
// text, number or bytes); false from it stops and drops what was sent.
bool copyIn(const QSqlDatabase& db, const QString& table, const QStringList& columns, int count,
            const std::function<bool(int, QVector<QVariant>&)>& rowAt, QString* error);

} // namespace ServerStore
