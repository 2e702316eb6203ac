#pragma once

#include "data/store/StoreDialect.h"

struct sqlite3;

// The address book as an SQLite file: row keys are SQLite's rowid, lists
// of values go as json_each, reads and bulk loads go through SQLite's own
// handle (SqliteStatement). The file lets one writer in at a time, so the
// number lock is free, and it sends no change notices.
class SqliteDialect : public StoreDialect
{
public:
    using StoreDialect::StoreDialect;

    // How much of a file a connection reads through its mapping.
    static constexpr qint64 kMapBytes = qint64(1) << 30;

    bool isServer() const override { return false; }
    // A missing (or empty) file is made first when createIfMissing is set;
    // a file that is not an address book is refused (DatabaseFile::check).
    bool open(Database& owner, const QString& path, bool createIfMissing, QString* error) override;
    // Found by identity (device and inode): another program put a file there.
    bool replaced(const QString& path) const override;

    QString rowIdColumn(const QString&) const override { return QStringLiteral("_rowid_"); }
    bool isHiddenColumn(const QString&) const override { return false; }
    bool hasTable(const QString& table) const override;
    QString inList(const QString& column, bool numbers) const override;
    QString containsText(const QString& column) const override;
    QString type(Type t) const override;
    QString failure(const QSqlError& error) const override { return describeFailure(error); }

    bool readIds(const QString& sql, const QVariantList& binds, QVector<qint64>* out,
                 QString* error) const override;
    bool readMatchingIds(const QString& table, const QString& key, const QString& where,
                         const QVariantList& binds, QVector<qint64>* out, int* total,
                         QString* error) const override;
    bool readRows(const QString& sql, const QVariantList& binds, int n, const RowSink& each,
                  QString* error) const override;
    bool appendRows(const QString& table, const QStringList& columns, int count, const RowSource& rowAt,
                    QString* error) override;
    bool lockNumbers(QString*) override { return true; }
    // AUTOINCREMENT's mark in sqlite_sequence; outr numbers by rowid without one.
    qint64 numbersGiven(const QString& table, const QString& key) const override;
    bool continueNumbers(const QString& table, const QString& key, qint64 given, QString* error) override;
    bool watchChanges(QObject*, const std::function<void(const QString&)>&) override { return false; }

    // Creates a new, empty address book at path (mode 0600).
    static bool createFile(const QString& path, QString* error);
    // The SQLite handle of an open QSQLITE connection, else null.
    static sqlite3* handleOf(const QSqlDatabase& db);

    // The user's sentence for an SQLite failure, SQLite's own text after it.
    // A busy or locked database is never called damaged.
    static QString lockedMessage() { return QStringLiteral("数据库正被其他程序使用，请稍后再试"); }
    static QString describeFailure(int sqliteCode, const QString& detail);
    static QString describeFailure(const QSqlError& error);

private:
    sqlite3* handle() const { return handleOf(db()); }
    bool connectFile(const QString& path, QString* error);
    // The settings every connection to the file runs with.
    bool configure(QString* error) const;

    quint64 m_device = 0; // identity of the file opened
    quint64 m_inode = 0;
};
