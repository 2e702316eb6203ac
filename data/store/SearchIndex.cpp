#include "data/store/SearchIndex.h"

#include "data/store/Database.h"
#include "data/store/Schema.h"
#include "data/store/TableRegistry.h"
#include "data/store/Transaction.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlQuery>
#include <QtDebug>

#include <algorithm>

#include <sqlite3.h>

namespace SearchIndex {

namespace {

bool make(Database& db, QString* error)
{
    return ensure(db, error);
}

// Listed with the features' tables; it holds nothing of its own to copy.
const TableRegistration kQueue{{kQueueTable, QStringLiteral("id"), false, &make, true}};
const TableRegistration kSizes{{kSizesTable, QStringLiteral("tbl"), false, &make, true}};

QString ftsTable(const QString& table)
{
    return table + QStringLiteral("_search");
}

QString quotedColumns()
{
    QStringList q;
    for (const QString& c : columns())
        q << Schema::quoted(c);
    return q.join(QStringLiteral(", "));
}

QString queueStatement()
{
    return QStringLiteral("CREATE TABLE %1 (tbl TEXT NOT NULL, id INTEGER NOT NULL, PRIMARY KEY (tbl, id)) "
                          "WITHOUT ROWID")
        .arg(kQueueTable);
}

QString sizesStatement()
{
    return QStringLiteral("CREATE TABLE %1 (tbl TEXT NOT NULL PRIMARY KEY, n INTEGER NOT NULL) WITHOUT ROWID")
        .arg(kSizesTable);
}

QString ftsStatement(const QString& table)
{
    // Which column holds a trigram, not where: half the work of an import.
    return QStringLiteral(
               "CREATE VIRTUAL TABLE %1 USING fts5(%2, tokenize='trigram', columnsize=0, detail=column)")
        .arg(ftsTable(table), quotedColumns());
}

// What the triggers of table note: the rows whose searched texts changed.
QMap<QString, QString> triggerStatements(const QString& table)
{
    const QString note = QStringLiteral("INSERT OR IGNORE INTO %1 (tbl, id) VALUES ").arg(kQueueTable);
    const QString row = QStringLiteral("('%1', %2.rowid)").arg(table);
    const QString name = ftsTable(table);
    // The list's size beside: a search's title shows it, and counting a
    // million rows takes longer than the search.
    const QString size =
        QStringLiteral(" UPDATE %1 SET n = n %3 1 WHERE tbl = '%2';").arg(kSizesTable, table);
    return {{name + QStringLiteral("_insert"),
             QStringLiteral("CREATE TRIGGER %1_insert AFTER INSERT ON %2 BEGIN %3%4;%5 END")
                 .arg(name, table, note, row.arg(QStringLiteral("new")), size.arg(QLatin1Char('+')))},
            {name + QStringLiteral("_update"),
             QStringLiteral("CREATE TRIGGER %1_update AFTER UPDATE OF %2, %3 ON %4 BEGIN %5%6, %7; END")
                 .arg(name, Schema::quoted(QStringLiteral("序号")), quotedColumns(), table, note,
                      row.arg(QStringLiteral("old")), row.arg(QStringLiteral("new")))},
            {name + QStringLiteral("_delete"),
             QStringLiteral("CREATE TRIGGER %1_delete AFTER DELETE ON %2 BEGIN %3%4;%5 END")
                 .arg(name, table, note, row.arg(QStringLiteral("old")), size.arg(QLatin1Char('-')))}};
}

QStringList objectsOf(const QString& table)
{
    const QString fts = ftsTable(table);
    return {fts, fts + QStringLiteral("_insert"), fts + QStringLiteral("_update"),
            fts + QStringLiteral("_delete")};
}

// Whether the file holds every one of these objects.
bool hasObjects(const Database& db, const QStringList& names)
{
    QSqlQuery q(db.db());
    q.prepare(
        QStringLiteral("SELECT COUNT(*) FROM sqlite_schema WHERE name IN (SELECT value FROM json_each(?))"));
    q.addBindValue(
        QString::fromUtf8(QJsonDocument(QJsonArray::fromStringList(names)).toJson(QJsonDocument::Compact)));
    return q.exec() && q.next() && q.value(0).toInt() == names.size();
}

// A list's index made afresh from its rows, its triggers with it.
bool makeFileIndex(Database& db, const QString& table, QString* error)
{
    const QString fts = ftsTable(table);
    bool ok = true;
    for (const QString& name : objectsOf(table).mid(1))
        ok = ok && db.exec(QStringLiteral("DROP TRIGGER IF EXISTS %1").arg(name), {}, error);
    ok = ok && db.exec(QStringLiteral("DROP TABLE IF EXISTS %1").arg(fts), {}, error) &&
         db.exec(ftsStatement(table), {}, error);
    for (const QString& sql : triggerStatements(table))
        ok = ok && db.exec(sql, {}, error);
    return ok &&
           db.exec(QStringLiteral("INSERT INTO %1 (rowid, %3) SELECT rowid, %3 FROM %2")
                       .arg(fts, table, quotedColumns()),
                   {}, error) &&
           db.exec(QStringLiteral("DELETE FROM %1 WHERE tbl = ?").arg(kQueueTable), {table}, error) &&
           db.exec(QStringLiteral("DELETE FROM %1 WHERE tbl = ?").arg(kSizesTable), {table}, error) &&
           db.exec(
               QStringLiteral("INSERT INTO %1 (tbl, n) SELECT ?, COUNT(*) FROM %2").arg(kSizesTable, table),
               {table}, error);
}

bool ensureFile(Database& db, QString* error)
{
    QStringList missing;
    for (const QString& t : tables())
        if (!hasObjects(db, objectsOf(t)))
            missing << t;
    if (missing.isEmpty() && db.hasTable(kQueueTable) && db.hasTable(kSizesTable))
        return true;
    if (!db.hasTable(kSizesTable))
        missing = tables(); // its counts come with the indexes
    Transaction tx(db.db());
    bool ok = tx.isActive();
    if (ok && !db.hasTable(kQueueTable))
        ok = db.exec(queueStatement(), {}, error);
    if (ok && !db.hasTable(kSizesTable))
        ok = db.exec(sizesStatement(), {}, error);
    for (const QString& t : missing)
        ok = ok && makeFileIndex(db, t, error);
    return ok && tx.commit(error);
}

QString serverIndex(const QString& table, const QString& column)
{
    static const QMap<QString, QString> names{{QStringLiteral("姓名"), QStringLiteral("name")},
                                              {QStringLiteral("手机"), QStringLiteral("mobile")},
                                              {QStringLiteral("快递单号"), QStringLiteral("number")}};
    return QStringLiteral("%1_%2_trgm").arg(table, names.value(column));
}

bool serverHasIndex(const Database& db, const QString& name)
{
    QSqlQuery q(db.db());
    q.prepare(QStringLiteral(
        "SELECT 1 FROM pg_catalog.pg_indexes WHERE schemaname = current_schema() AND indexname = ?"));
    q.addBindValue(name);
    return q.exec() && q.next();
}

bool ensureServer(Database& db, QString* error)
{
    QStringList missing;
    for (const QString& t : tables())
        for (const QString& c : columns())
            if (!serverHasIndex(db, serverIndex(t, c)))
                missing << t + QLatin1Char('|') + c;
    if (missing.isEmpty())
        return true;
    // The extension needs rights a shop's user may not have: then the
    // searches read the table, as they always did, and the log says so.
    QSqlQuery q(db.db());
    if (!q.exec(QStringLiteral("SELECT 1 FROM pg_catalog.pg_extension WHERE extname = 'pg_trgm'")) ||
        (!q.next() && !db.exec(QStringLiteral("CREATE EXTENSION IF NOT EXISTS pg_trgm"), {}, nullptr))) {
        qWarning().noquote() << QStringLiteral(
            "数据库服务器没有 pg_trgm 扩展，也无权安装：查询将逐行查找，大表较慢。");
        return true;
    }
    q.finish();
    Transaction tx(db.db());
    bool ok = tx.isActive() && db.exec(QStringLiteral("SELECT pg_advisory_xact_lock(727972)"), {}, error);
    for (const QString& m : missing) {
        const QString t = m.section(QLatin1Char('|'), 0, 0), c = m.section(QLatin1Char('|'), 1);
        ok = ok && db.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 USING gin (%3 gin_trgm_ops)")
                               .arg(serverIndex(t, c), t, Schema::quoted(c)),
                           {}, error);
    }
    return ok && tx.commit(error);
}

// Restores the connection's wait for other writers when it goes.
struct NoWait
{
    sqlite3* h;
    explicit NoWait(sqlite3* handle) : h(handle) { sqlite3_busy_timeout(h, 0); }
    ~NoWait() { sqlite3_busy_timeout(h, 5000); }
};

} // namespace

QStringList tables()
{
    return {Schema::kRecipientTable, Schema::kExcelTable};
}

QStringList columns()
{
    return {QStringLiteral("姓名"), QStringLiteral("手机"), QStringLiteral("快递单号")};
}

QMap<QString, QString> fileObjects()
{
    QMap<QString, QString> out{{kQueueTable, queueStatement()}, {kSizesTable, sizesStatement()}};
    for (const QString& t : tables()) {
        out.insert(ftsTable(t), ftsStatement(t));
        out.insert(triggerStatements(t));
    }
    return out;
}

QStringList fileShadowTables()
{
    QStringList out;
    for (const QString& t : tables())
        for (const char* suffix : {"_data", "_idx", "_content", "_config"})
            out << ftsTable(t) + QLatin1String(suffix);
    return out;
}

} // namespace SearchIndex

namespace SearchIndex {

bool ensure(Database& db, QString* error)
{
    return db.isServer() ? ensureServer(db, error) : ensureFile(db, error);
}

bool takeIn(Database& db, const QString& table, int limit)
{
    if (db.isServer() || !tables().contains(table) || !db.hasTable(kQueueTable) ||
        !hasObjects(db, objectsOf(table)))
        return db.isServer();
    // The noted rows up to the limit's, and the highest row indexed: rows
    // above it (a bulk load's) have nothing in the index to take out.
    const QString fts = ftsTable(table);
    QVector<qint64> last, top;
    if (!db.readIds(
            QStringLiteral("SELECT MAX(id) FROM (SELECT id FROM %1 WHERE tbl = ? ORDER BY id LIMIT ?)")
                .arg(kQueueTable),
            {table, limit}, &last, nullptr) ||
        !db.readIds(QStringLiteral("SELECT rowid FROM %1 ORDER BY rowid DESC LIMIT 1").arg(fts), {}, &top,
                    nullptr))
        return false;
    if (last.isEmpty() || last.first() <= 0) // no noted row (MAX of none reads as 0)
        return true;
    const QString noted = QStringLiteral("(SELECT id FROM %1 WHERE tbl = ? AND id <= ?)").arg(kQueueTable);
    const qint64 upTo = last.first();
    const qint64 indexedUpTo = std::min(upTo, top.isEmpty() ? qint64(0) : top.first());
    return (indexedUpTo <= 0 || db.exec(QStringLiteral("DELETE FROM %1 WHERE rowid IN %2").arg(fts, noted),
                                        {table, indexedUpTo})) &&
           db.exec(QStringLiteral("INSERT INTO %1 (rowid, %3) SELECT rowid, %3 FROM %2 WHERE rowid IN %4")
                       .arg(fts, table, quotedColumns(), noted),
                   {table, upTo}) &&
           db.exec(QStringLiteral("DELETE FROM %1 WHERE tbl = ? AND id <= ?").arg(kQueueTable),
                   {table, upTo});
}

bool catchUp(Database& db, int limit)
{
    sqlite3* h = db.isServer() ? nullptr : db.handle();
    if (!h || !db.hasTable(kQueueTable))
        return db.isServer();
    QVector<qint64> any;
    if (!db.readIds(QStringLiteral("SELECT 1 FROM %1 LIMIT 1").arg(kQueueTable), {}, &any, nullptr))
        return false;
    if (any.isEmpty())
        return true;
    // Never waits on a writer: a search then reads the noted rows itself.
    NoWait noWait(h);
    Transaction tx(db.db());
    if (!tx.isActive())
        return false;
    for (const QString& t : tables())
        if (!takeIn(db, t, limit))
            return false;
    return tx.commit();
}

int rowCount(const Database& db, const QString& table)
{
    if (db.isServer() || !tables().contains(table) || !db.hasTable(kSizesTable) ||
        !hasObjects(db, objectsOf(table)))
        return -1;
    QVector<qint64> n;
    if (!db.readIds(QStringLiteral("SELECT n FROM %1 WHERE tbl = ?").arg(kSizesTable), {table}, &n,
                    nullptr) ||
        n.size() != 1)
        return -1;
    return int(n.first());
}

bool narrowing(const Database& db, const QString& table, const QString& column, const QString& text,
               QString* where, QVariantList* binds)
{
    // A trigram index finds nothing for a text of fewer than three
    // characters (code points, not UTF-16 units). SQLite reads a lone
    // surrogate together with the unit after it, so such a text is left
    // to the scan, which reads it the same way it always did.
    if (!tables().contains(table) || !columns().contains(column) || text.contains(QChar(u'\0')) ||
        !text.isValidUtf16() || text.toUcs4().size() < 3)
        return false;
    if (db.isServer()) {
        // The index serves the scan's own LIKE.
        if (!serverHasIndex(db, serverIndex(table, column)))
            return false;
        where->clear();
        binds->clear();
        return true;
    }
    if (!hasObjects(db, objectsOf(table)) || !db.hasTable(kQueueTable))
        return false;
    // Every three characters of the text as one term, all of them in the
    // row's column: the rows that hold the text are among them. A term is
    // quoted, so each character stands for itself, a quote doubled. The
    // terms fold case more widely than LIKE does, and leave the order of
    // the characters open, so more rows may pass, never fewer; the rows
    // noted since the last catch-up always pass.
    const QList<uint> points = text.toUcs4();
    QStringList terms;
    for (int i = 0; i + 3 <= points.size(); ++i) {
        QString term = QString::fromUcs4(reinterpret_cast<const char32_t*>(points.constData()) + i, 3);
        term.replace(QLatin1Char('"'), QLatin1String("\"\""));
        terms << QLatin1Char('"') + term + QLatin1Char('"');
    }
    terms.removeDuplicates();
    *where = QStringLiteral("_rowid_ IN (SELECT rowid FROM %1 WHERE %2 MATCH ? UNION ALL "
                            "SELECT id FROM %3 WHERE tbl = '%4')")
                 .arg(ftsTable(table), Schema::quoted(column), kQueueTable, table);
    *binds = {terms.join(QLatin1Char(' '))};
    return true;
}

} // namespace SearchIndex
