#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <functional>

struct sqlite3;
struct sqlite3_stmt;

// A statement on a connection's own SQLite handle, finalized when it goes.
// The address book file reads and bulk-writes through SQLite directly: a
// hundred thousand row ids in a few milliseconds, an import several times
// faster than a QSqlQuery per row.
class SqliteStatement
{
public:
    SqliteStatement(sqlite3* db, const QString& sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    explicit operator bool() const { return m_st != nullptr; }
    sqlite3_stmt* get() const { return m_st; }
    // The user's sentence for the connection's last failure.
    QString error() const;

    // Binds the values in order from parameter `first`, as Qt's driver
    // would: texts as texts, numbers as numbers, bytes as blobs. With
    // inPlace texts are not copied, so the values must outlive the next step.
    bool bind(const QVector<QVariant>& values, bool inPlace = false, int first = 1);

    // Every row's first column as a number.
    bool readIds(QVector<qint64>* out, QString* error);
    // Adds waybill_keys(?, key) to a connection: an aggregate that appends
    // each key it is given to the list bound as its first parameter,
    // without making texts of a hundred thousand numbers.
    static bool addKeyCollector(sqlite3* db);
    // One row: the first column as a number, the keys appended to `keys`
    // by waybill_keys, whose list is parameter 1.
    bool readCountAndKeys(qint64* count, QVector<qint64>* keys, QString* error);
    // Every row: its first column as a number, the next n as texts.
    bool readRows(int n, const std::function<void(qint64, const QVector<QString>&)>& each, QString* error);

    // Runs an INSERT count times, the values of each row from rowAt; false
    // from it stops there.
    static bool insertRows(sqlite3* db, const QString& sql, int columns, int count,
                           const std::function<bool(int, QVector<QVariant>&)>& rowAt, QString* error);

private:
    sqlite3* m_db;
    sqlite3_stmt* m_st = nullptr;
};
