#include "exchange/StoreCopy.h"

#include "data/Database.h"
#include "data/LayoutAdjustments.h"
#include "data/PrintHistory.h"
#include "data/Schema.h"
#include "data/Transaction.h"

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
    return to.appendRows(t.name, inserted, rows.size(), [&](int r, QVector<QVariant>& values) { values = rows.at(r); },
                         {}, nullptr, error);
}

// A server hands out numbers from a sequence: continue after the copied ones.
bool continueNumbers(Database& to, const QString& table, const QString& key, QString* error)
{
    if (!to.isServer())
        return true; // the file's AUTOINCREMENT follows inserted numbers itself
    return to.exec(QStringLiteral("SELECT setval(pg_get_serial_sequence(?, ?), "
                                  "COALESCE((SELECT MAX(%2) FROM %1), 1), "
                                  "(SELECT COUNT(*) > 0 FROM %1))")
                       .arg(Schema::quoted(table), Schema::quoted(key)),
                   {table, key}, error);
}

} // namespace

bool StoreCopy::copy(Database& from, Database& to, QString* error)
{
    Transaction tx(to.db());
    if (!tx.isActive()) {
        if (error)
            *error = to.failure(to.db().lastError());
        return false;
    }
    // The tables that are made on first use exist in the copy when they
    // exist in the original.
    if (from.hasTable(PrintHistory::kTable) && !PrintHistory::ensureTable(to, error))
        return false;
    if ((from.hasTable(LayoutAdjustments::kTemplateTable) || from.hasTable(LayoutAdjustments::kItemTable)) &&
        !LayoutAdjustments::ensureTables(to, error))
        return false;
    const QString serial = QStringLiteral("序号");
    const QVector<Table> tables{{Schema::kSenderTable, {}},
                                {Schema::kRecipientTable, serial},
                                {Schema::kExcelTable, serial},
                                {PrintHistory::kTable, QStringLiteral("编号")},
                                {LayoutAdjustments::kTemplateTable, QStringLiteral("code")},
                                {LayoutAdjustments::kItemTable, QStringLiteral("code")}};
    for (const Table& t : tables) {
        if (!to.hasTable(t.name))
            continue;
        if (!copyTable(from, to, t, error))
            return false;
    }
    if (!continueNumbers(to, Schema::kSenderTable, to.rowIdColumn(Schema::kSenderTable), error) ||
        !continueNumbers(to, Schema::kRecipientTable, serial, error) ||
        !continueNumbers(to, Schema::kExcelTable, serial, error) ||
        (to.hasTable(PrintHistory::kTable) &&
         !continueNumbers(to, PrintHistory::kTable, QStringLiteral("编号"), error)))
        return false;
    return tx.commit(error);
}
