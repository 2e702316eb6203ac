#pragma once

#include "data/store/StoreDialect.h"

#include <memory>

class ServerWatch;

// The address book on a PostgreSQL server that several computers share:
// rows are keyed by their number column (outr by a hidden key), lists of
// values go as JSON arrays, reads and bulk loads (COPY) go through libpq
// (ServerStore), numbers are handed out under an advisory lock, and every
// change is announced to the other computers.
class ServerDialect : public StoreDialect
{
public:
    explicit ServerDialect(const QString& connection);
    ~ServerDialect() override;

    bool isServer() const override { return true; }
    // Connects, makes the schema in an empty database, and the features'
    // tables (TableRegistry) that are missing.
    bool open(Database& owner, const QString& uri, bool createIfMissing, QString* error) override;
    // A server's tables are refilled in place, never replaced.
    bool replaced(const QString&) const override { return false; }

    QString rowIdColumn(const QString& table) const override;
    bool isHiddenColumn(const QString& column) const override;
    bool hasTable(const QString& table) const override;
    QString inList(const QString& column, bool numbers) const override;
    QString containsText(const QString& column) const override;
    QString type(Type t) const override;
    QString failure(const QSqlError& error) const override;

    bool readIds(const QString& sql, const QVariantList& binds, QVector<qint64>* out,
                 QString* error) const override;
    bool readMatchingIds(const QString& table, const QString& key, const QString& where,
                         const QVariantList& binds, QVector<qint64>* out, int* total,
                         QString* error) const override;
    bool readRows(const QString& sql, const QVariantList& binds, int n, const RowSink& each,
                  QString* error) const override;
    bool appendRows(const QString& table, const QStringList& columns, int count, const RowSource& rowAt,
                    QString* error) override;
    // Held to the end of the transaction; only number-givers wait for it.
    bool lockNumbers(QString* error) override;
    // The key's sequence.
    qint64 numbersGiven(const QString& table, const QString& key) const override;
    bool continueNumbers(const QString& table, const QString& key, qint64 given, QString* error) override;
    bool watchChanges(QObject* context, const std::function<void(const QString&)>& changed) override;

private:
    bool createFeatureTables(Database& owner, QString* error);
    // A failure's sentence as the watch knows it (a server that stopped
    // answering, or said it was stopping).
    bool explained(bool ok, QString* error) const;

    std::unique_ptr<ServerWatch> m_watch;
};
