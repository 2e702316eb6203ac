#pragma once

#include "data/store/StoreDialect.h"

#include <QSqlDatabase>
#include <QString>
#include <QVariantList>
#include <QVector>

#include <functional>
#include <memory>

class QObject;
class QSqlError;
struct sqlite3;

// One connection to the address book: an SQLite file (the default), or a
// PostgreSQL database that several computers share. The program holds
// several (the main window, the Excel window, the batch printing windows);
// each has a connection name of its own, and each window closes its own
// before a restore replaces the file. What differs between the two stores
// (row keys, lists of values, bulk loads, change notices) is asked of the
// connection, which hands it to its dialect (SqliteDialect, ServerDialect),
// so the rest of the program writes one statement for both.
class Database
{
public:
    Database();
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens the file, or the server when path is a postgresql:// URI. A
    // missing (or empty) file is created with the three tables and mode
    // 0600 when createIfMissing is set, its folder too; a server database
    // without the tables gets them. A file or database that holds something
    // else is refused and left untouched.
    bool open(const QString& path, QString* error, bool createIfMissing = true);
    void close();
    bool isOpen() const;
    // The file path or the server's URI, as given to open().
    QString path() const { return m_path; }
    bool isServer() const { return m_dialect->isServer(); }
    // Changes with every open(): what was read of the tables' shape before
    // (another file may stand there now) is read again.
    quint64 generation() const { return m_generation; }
    QString connectionName() const { return m_name; }
    QSqlDatabase db() const;
    sqlite3* handle() const;

    // Runs a statement that returns no rows, with bound parameters.
    bool exec(const QString& sql, const QVariantList& binds = {}, QString* error = nullptr);

    // The column that identifies a row of table: SQLite's rowid in the
    // file, the number column (or outr's hidden key) on a server.
    QString rowIdColumn(const QString& table) const;
    // The table's columns in table order, a server's hidden key left out.
    bool columns(const QString& table, QStringList* out, QString* error) const;
    bool hasTable(const QString& table) const;
    // "column IN <the list>", the list bound as one JSON array text
    // (jsonList): numbers, or texts when numbers is false.
    QString inList(const QString& column, bool numbers = true) const;
    static QString jsonList(const QList<qint64>& values);
    // "column contains ?" for a search text bound as it is.
    QString containsText(const QString& column) const;
    using Type = StoreDialect::Type;
    QString type(Type t) const;
    // The user's sentence for a failure of this connection's driver.
    QString failure(const QSqlError& error) const;

    // Reads a statement's first column as row keys.
    bool readIds(const QString& sql, const QVariantList& binds, QVector<qint64>* out, QString* error) const;
    // The keys of table's rows that meet where, in key order, and the
    // table's row count: one scan for both, as a search's title shows both.
    bool readMatchingIds(const QString& table, const QString& key, const QString& where,
                         const QVariantList& binds, QVector<qint64>* out, int* total, QString* error) const;
    // Reads a statement's rows: the key, then n texts, each row handed to each.
    bool readRows(const QString& sql, const QVariantList& binds, int n,
                  const std::function<void(qint64, const QVector<QString>&)>& each, QString* error) const;
    // Appends count rows to table in the transaction that is open, each row's
    // values (one per column) from rowAt: the fastest way each store has.
    bool appendRows(const QString& table, const QStringList& columns, int count,
                    const std::function<void(int, QVector<QVariant>&)>& rowAt,
                    const std::function<bool(int)>& progress, bool* cancelled, QString* error);
    // Empties table in the transaction that is open, the fastest way the store has.
    bool removeAllRows(const QString& table, QString* error = nullptr);
    // A batch reads its rows once, in order: a small page cache does, where
    // a list's searches keep a large one.
    void sizeCacheForBatch();
    // Inside a transaction: waits until no other connection is between
    // checking and storing waybill numbers (a server's lock; the file
    // lets one writer in at a time anyway).
    bool lockNumbers(QString* error);
    // The highest number the store handed out for table's key, deleted rows
    // included (0: none, or the store keeps no such mark); and the store
    // made to go on numbering after given (a copy between stores).
    qint64 numbersGiven(const QString& table, const QString& key) const;
    bool continueNumbers(const QString& table, const QString& key, qint64 given, QString* error);
    // Calls changed(table) within a second of another connection changing
    // outr, inr or excel on a server, for as long as context lives. The file
    // has no such notices: false.
    bool watchChanges(QObject* context, const std::function<void(const QString&)>& changed);

    // Whether the file at path() is no longer the one this connection
    // opened, i.e. another program replaced it (a restore). The connection
    // then still reads the old, deleted file and must be reopened.
    bool fileReplaced() const;

    // The user's sentence for an SQLite failure, SQLite's own text after it.
    // A busy or locked database is never called damaged.
    static QString lockedMessage();
    static QString describeFailure(int sqliteCode, const QString& detail);
    static QString describeFailure(const QSqlError& error);

    // Creates a new, empty address book at path (mode 0600).
    static bool createFile(const QString& path, QString* error);

private:
    QString m_name;
    QString m_path;
    quint64 m_generation = 0;
    // The file's while closed: a closed connection answers as the file would.
    std::unique_ptr<StoreDialect> m_dialect;
};
