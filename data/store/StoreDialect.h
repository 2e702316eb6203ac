#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <functional>

class Database;
class QObject;
class QSqlError;

// What the two stores of the address book do differently, behind the one
// connection (Database) the rest of the program talks to: how a connection
// is made, the SQL that is spelled differently, the fast reads and bulk
// loads, locks, change notices and the sentences for failures. One dialect
// belongs to one connection, named by the connection's name.
class StoreDialect
{
public:
    enum class Type
    {
        Key, // an automatic number, the primary key
        Integer,
        Real,
        Text,
        Blob
    };
    // Fills a row's values, one per column; false stops.
    using RowSource = std::function<bool(int, QVector<QVariant>&)>;
    // Takes a row's key and its texts.
    using RowSink = std::function<void(qint64, const QVector<QString>&)>;

    explicit StoreDialect(const QString& connectionName) : m_connection(connectionName) {}
    virtual ~StoreDialect() = default;
    StoreDialect(const StoreDialect&) = delete;
    StoreDialect& operator=(const StoreDialect&) = delete;

    virtual bool isServer() const = 0;
    // Makes the connection to path under the connection's name and readies
    // the store (tables, settings); owner is the connection being opened.
    virtual bool open(Database& owner, const QString& path, bool createIfMissing, QString* error) = 0;
    // Whether what stands at path is no longer what was opened.
    virtual bool replaced(const QString& path) const = 0;

    virtual QString rowIdColumn(const QString& table) const = 0;
    // A column the store keeps for itself, left out of a table's columns.
    virtual bool isHiddenColumn(const QString& column) const = 0;
    virtual bool hasTable(const QString& table) const = 0;
    virtual QString inList(const QString& column, bool numbers) const = 0;
    virtual QString containsText(const QString& column) const = 0;
    virtual QString type(Type t) const = 0;
    virtual QString failure(const QSqlError& error) const = 0;

    virtual bool readIds(const QString& sql, const QVariantList& binds, QVector<qint64>* out,
                         QString* error) const = 0;
    // Keys in the scan's order; the connection sorts them.
    virtual bool readMatchingIds(const QString& table, const QString& key, const QString& where,
                                 const QVariantList& binds, QVector<qint64>* out, int* total,
                                 QString* error) const = 0;
    virtual bool readRows(const QString& sql, const QVariantList& binds, int n, const RowSink& each,
                          QString* error) const = 0;
    virtual bool appendRows(const QString& table, const QStringList& columns, int count,
                            const RowSource& rowAt, QString* error) = 0;
    virtual bool lockNumbers(QString* error) = 0;
    // The highest number the store handed out for table's key, deleted rows
    // included (0: none, or the store keeps no such mark).
    virtual qint64 numbersGiven(const QString& table, const QString& key) const = 0;
    // The store goes on numbering table's key after given.
    virtual bool continueNumbers(const QString& table, const QString& key, qint64 given, QString* error) = 0;
    virtual bool watchChanges(QObject* context, const std::function<void(const QString&)>& changed) = 0;

protected:
    QSqlDatabase db() const { return QSqlDatabase::database(m_connection, false); }
    QString connectionName() const { return m_connection; }
    // Runs a statement without rows; failures in this store's words.
    bool run(const QString& sql, QString* error, const QVariantList& binds = {}) const;

private:
    QString m_connection;
};
