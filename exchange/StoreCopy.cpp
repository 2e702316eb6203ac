#include "exchange/StoreCopy.h"

#include "data/store/Database.h"
#include "data/store/Schema.h"
#include "data/store/SearchIndex.h"
#include "data/store/TableRegistry.h"
#include "data/store/Transaction.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVector>

namespace {

struct Table
{
    QString name;
    QString key; // a column of the table itself; empty: the store's row key
};

// The columns both stores have, the table's own key first where it has one.
bool sharedColumns(Database& from, Database& to, const Table& t, QStringList* out, QString* error)
{
    QStringList source, target;
    if (!from.columns(t.name, &source, error) || !to.columns(t.name, &target, error))
        return false;
    out->clear();
    for (const QString& c : source)
        if (target.contains(c))
            *out << c;
    return true;
}

bool copyTable(Database& from, Database& to, const Table& t, QString* error)
{
    if (!to.exec(QStringLiteral("DELETE FROM %1").arg(Schema::quoted(t.name)), {}, error))
        return false;
    if (!from.hasTable(t.name))
        return true;
    QStringList columns;
    if (!sharedColumns(from, to, t, &columns, error))
        return false;
    QStringList selected;
    for (const QString& c : columns)
        selected << Schema::quoted(c);
    QStringList inserted = columns;
    if (t.key.isEmpty()) {
        // outr numbers its rows by the store's own key: keep the order.
        selected.prepend(Schema::quoted(from.rowIdColumn(t.name)));
        inserted.prepend(to.rowIdColumn(t.name));
    }
    const QString order = t.key.isEmpty() ? Schema::quoted(from.rowIdColumn(t.name)) : Schema::quoted(t.key);
    QSqlQuery q(from.db());
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT %1 FROM %2 ORDER BY %3")
                    .arg(selected.join(QStringLiteral(", ")), Schema::quoted(t.name), order))) {
        if (error)
            *error = from.failure(q.lastError());
        return false;
    }
    QVector<QVector<QVariant>> rows;
    const int n = selected.size();
    while (q.next()) {
        QVector<QVariant> row(n);
        for (int c = 0; c < n; ++c)
            row[c] = q.value(c);
        rows.append(std::move(row));
    }
    return to.appendRows(
        t.name, inserted, rows.size(), [&](int r, QVector<QVariant>& values) { values = rows.at(r); }, {},
        nullptr, error);
}

// The copy goes on numbering after every number the original handed out,
// so a number printed or recorded before is never given to another row.
bool continueNumbers(Database& from, Database& to, const QString& table, const QString& key, QString* error)
{
    QSqlQuery q(to.db());
    if (!q.exec(QStringLiteral("SELECT COALESCE(MAX(%2), 0) FROM %1")
                    .arg(Schema::quoted(table), Schema::quoted(key))) ||
        !q.next()) {
        if (error)
            *error = to.failure(q.lastError());
        return false;
    }
    const qint64 given = std::max(q.value(0).toLongLong(), from.numbersGiven(table, key));
    q.finish();
    return to.continueNumbers(table, key, given, error);
}

} // namespace

bool StoreCopy::copy(Database& from, Database& to, QString* error)
{
    // A server's tables are read as they stood at one moment, while other
    // computers go on writing (a file is copied under its own lock).
    Transaction snapshot(from.db());
    if (from.isServer() &&
        (!snapshot.isActive() ||
         !from.exec(QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY"), {}, error)))
        return false;
    Transaction tx(to.db());
    if (!tx.isActive()) {
        if (error)
            *error = to.failure(to.db().lastError());
        return false;
    }
    // The features' tables, made on first use, exist in the copy when they
    // exist in the original.
    QVector<TableSpec> features = TableRegistry::tables();
    // An index each store keeps itself, from the rows copied in.
    features.removeIf([](const TableSpec& t) { return t.derived; });
    for (const TableSpec& t : features)
        if (from.hasTable(t.name) && !to.hasTable(t.name) && !t.create(to, error))
            return false;
    const QString serial = QStringLiteral("序号");
    QVector<Table> tables{
        {Schema::kSenderTable, {}}, {Schema::kRecipientTable, serial}, {Schema::kExcelTable, serial}};
    for (const TableSpec& t : features)
        tables.append({t.name, t.orderKey});
    for (const Table& t : tables) {
        if (!to.hasTable(t.name))
            continue;
        if (!copyTable(from, to, t, error))
            return false;
    }
    if (!continueNumbers(from, to, Schema::kSenderTable, to.rowIdColumn(Schema::kSenderTable), error) ||
        !continueNumbers(from, to, Schema::kRecipientTable, serial, error) ||
        !continueNumbers(from, to, Schema::kExcelTable, serial, error))
        return false;
    for (const TableSpec& t : features)
        if (t.numbered && to.hasTable(t.name) && !continueNumbers(from, to, t.name, t.orderKey, error))
            return false;
    if (!tx.commit(error))
        return false;
    SearchIndex::buildMissing(to);
    return true;
}
