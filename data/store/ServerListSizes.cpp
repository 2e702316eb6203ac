#include "data/store/ServerListSizes.h"

#include "data/store/Database.h"
#include "data/store/SearchIndex.h"
#include "data/store/Transaction.h"

#include <QVector>

namespace ServerListSizes {

namespace {

const QString kFunction = QStringLiteral("waybill_count");

// Past this many written changes of a list, an opening folds them into one.
constexpr int kFoldAbove = 100;

// One trigger per statement, not per row: a row trigger's update of one
// count row a hundred thousand times in one COPY takes minutes. The
// statement's rows come as its transition table.
QString functionBody()
{
    return QStringLiteral(
               "BEGIN IF TG_OP = 'INSERT' THEN INSERT INTO %1 (tbl, n) SELECT TG_TABLE_NAME, count(*) FROM "
               "added HAVING count(*) > 0; ELSIF TG_OP = 'DELETE' THEN INSERT INTO %1 (tbl, n) SELECT "
               "TG_TABLE_NAME, -count(*) FROM gone HAVING count(*) > 0; ELSE DELETE FROM %1 WHERE tbl = "
               "TG_TABLE_NAME; INSERT INTO %1 (tbl, n) VALUES (TG_TABLE_NAME, 0); END IF; RETURN NULL; END")
        .arg(SearchIndex::kSizesTable);
}

QStringList triggerNames(const QString& table)
{
    return {table + QStringLiteral("_count_insert"), table + QStringLiteral("_count_delete"),
            table + QStringLiteral("_count_truncate")};
}

QStringList triggerStatements(const QString& table)
{
    const QStringList names = triggerNames(table);
    const QString run = QStringLiteral("EXECUTE FUNCTION %1()").arg(kFunction);
    return {QStringLiteral("CREATE TRIGGER %1 AFTER INSERT ON %2 REFERENCING NEW TABLE AS added FOR EACH "
                           "STATEMENT %3")
                .arg(names.at(0), table, run),
            QStringLiteral("CREATE TRIGGER %1 AFTER DELETE ON %2 REFERENCING OLD TABLE AS gone FOR EACH "
                           "STATEMENT %3")
                .arg(names.at(1), table, run),
            QStringLiteral("CREATE TRIGGER %1 AFTER TRUNCATE ON %2 FOR EACH STATEMENT %3")
                .arg(names.at(2), table, run)};
}

// How many of the triggers of the lists (one list, or all when empty) are
// there, enabled and running this build's function, which writes into a
// table of the program's schema; 0 without that table.
int currentTriggers(const Database& db, const QString& table)
{
    QStringList lists = table.isEmpty() ? SearchIndex::tables() : QStringList{table};
    QStringList names;
    for (const QString& t : lists)
        names += triggerNames(t);
    QVector<qint64> n;
    const QString sql = QStringLiteral(
        "SELECT count(*) FROM pg_catalog.pg_trigger g JOIN pg_catalog.pg_proc p ON p.oid = g.tgfoid "
        "JOIN pg_catalog.pg_class c ON c.oid = g.tgrelid "
        "WHERE c.relnamespace = current_schema()::regnamespace AND c.relname = ANY (string_to_array(?, ',')) "
        "AND g.tgname = ANY (string_to_array(?, ',')) AND g.tgenabled <> 'D' "
        "AND p.proname = ? AND p.pronamespace = current_schema()::regnamespace AND p.prosrc = ? AND "
        "p.prosecdef "
        "AND EXISTS (SELECT 1 FROM pg_catalog.pg_class s WHERE s.relname = ? AND s.relkind = 'r' "
        "AND s.relnamespace = current_schema()::regnamespace)");
    if (!db.readIds(sql,
                    {lists.join(QLatin1Char(',')), names.join(QLatin1Char(',')), kFunction, functionBody(),
                     SearchIndex::kSizesTable},
                    &n, nullptr) ||
        n.size() != 1)
        return 0;
    return int(n.first());
}

// The table, the function, the triggers made anew, and each list counted.
// The function writes with its maker's rights: another user whom the lists
// were granted to writes their sizes too.
// Making a trigger waits for the list's writers and holds off new ones
// until the commit, so the count is exact however many computers write.
bool make(Database& db, QString* error)
{
    Transaction tx(db.db());
    bool ok = tx.isActive() && db.exec(QStringLiteral("SELECT pg_advisory_xact_lock(727972)"), {}, error);
    if (ok && currentTriggers(db, QString()) == 3 * int(SearchIndex::tables().size()))
        return tx.commit(error); // another computer made them meanwhile
    const QString sizes = SearchIndex::kSizesTable;
    ok =
        ok &&
        db.exec(
            QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (tbl text NOT NULL, n bigint NOT NULL)").arg(sizes),
            {}, error) &&
        db.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS %1_tbl ON %1 (tbl)").arg(sizes), {}, error) &&
        db.exec(QStringLiteral("CREATE OR REPLACE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql "
                               "SECURITY DEFINER SET search_path FROM CURRENT AS $$%2$$")
                    .arg(kFunction, functionBody()),
                {}, error);
    for (const QString& t : SearchIndex::tables()) {
        for (const QString& name : triggerNames(t))
            ok = ok && db.exec(QStringLiteral("DROP TRIGGER IF EXISTS %1 ON %2").arg(name, t), {}, error);
        for (const QString& sql : triggerStatements(t))
            ok = ok && db.exec(sql, {}, error);
        ok = ok && db.exec(QStringLiteral("DELETE FROM %1 WHERE tbl = ?").arg(sizes), {t}, error) &&
             db.exec(QStringLiteral("INSERT INTO %1 (tbl, n) SELECT ?, count(*) FROM %2").arg(sizes, t), {t},
                     error);
    }
    return ok && tx.commit(error);
}

// The changes written of each list folded into one row. Rows another
// opening folds meanwhile are left to it (whoever deletes a row adds its
// change back), and so are those of writers not yet committed, which this
// one cannot see. Holding the lists against a TRUNCATE meanwhile keeps its
// zero from missing a fold committed under it.
bool fold(Database& db, QString* error)
{
    QVector<qint64> rows;
    if (!db.readIds(QStringLiteral("SELECT count(*) FROM %1").arg(SearchIndex::kSizesTable), {}, &rows,
                    error) ||
        rows.value(0) <= kFoldAbove)
        return true;
    Transaction tx(db.db());
    bool ok = tx.isActive() && db.exec(QStringLiteral("LOCK TABLE %1 IN ROW EXCLUSIVE MODE")
                                           .arg(SearchIndex::tables().join(QStringLiteral(", "))),
                                       {}, error);
    for (const QString& t : SearchIndex::tables())
        ok = ok &&
             db.exec(QStringLiteral("WITH gone AS (DELETE FROM %1 WHERE tbl = ? RETURNING n) "
                                    "INSERT INTO %1 (tbl, n) SELECT ?, sum(n) FROM gone HAVING count(*) > 0")
                         .arg(SearchIndex::kSizesTable),
                     {t, t}, error);
    return ok && tx.commit(error);
}

} // namespace

bool ensure(Database& db, QString* error)
{
    if (currentTriggers(db, QString()) != 3 * int(SearchIndex::tables().size()))
        return make(db, error);
    return fold(db, error);
}

int rowCount(const Database& db, const QString& table)
{
    if (!SearchIndex::tables().contains(table) || currentTriggers(db, table) != 3)
        return -1;
    QVector<qint64> n;
    if (!db.readIds(QStringLiteral("SELECT sum(n)::bigint FROM %1 WHERE tbl = ? HAVING count(*) > 0")
                        .arg(SearchIndex::kSizesTable),
                    {table}, &n, nullptr) ||
        n.size() != 1)
        return -1;
    return int(n.first());
}

} // namespace ServerListSizes
