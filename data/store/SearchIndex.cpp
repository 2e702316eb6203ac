#include "data/store/SearchIndex.h"

#include "data/store/Database.h"
#include "data/store/Schema.h"
#include "data/store/ServerIndexBuild.h"
#include "data/store/ServerListSizes.h"
#include "data/store/TableRegistry.h"
#include "data/store/Transaction.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlQuery>
#include <QtDebug>

#include <algorithm>
#include <limits>

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

// FTS5's own default: how many segments of a level are merged together.
constexpr int kAutomerge = 4;

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

// A noted row: its key, and whether the index holds it, with the texts it
// was indexed by (what taking it out of the index needs).
QString queueStatement()
{
    return QStringLiteral(
               "CREATE TABLE %1 (tbl TEXT NOT NULL, id INTEGER NOT NULL, indexed INTEGER NOT NULL, "
               "%2, PRIMARY KEY (tbl, id)) WITHOUT ROWID")
        .arg(kQueueTable, quotedColumns());
}

QString sizesStatement()
{
    return QStringLiteral("CREATE TABLE %1 (tbl TEXT NOT NULL PRIMARY KEY, n INTEGER NOT NULL) WITHOUT ROWID")
        .arg(kSizesTable);
}

// Only which rows hold a trigram, in any of the columns: no copy of the
// texts (the rows are beside it), no positions, not even the column. A
// search's own LIKE tells the columns apart. Names, mobiles and numbers
// rarely share a trigram, and keeping the column made indexing an import
// half again as long.
QString ftsStatement(const QString& table, const QString& detail = QStringLiteral("none"))
{
    return QStringLiteral("CREATE VIRTUAL TABLE %1 USING fts5(%2, tokenize='trigram', content='', "
                          "columnsize=0, detail=%3)")
        .arg(ftsTable(table), quotedColumns(), detail);
}

// What the triggers of table note: the rows whose searched texts changed,
// each once, as the index holds it (the first note of a row is kept).
QMap<QString, QString> triggerStatements(const QString& table)
{
    const QString note = QStringLiteral("INSERT OR IGNORE INTO %1 (tbl, id, indexed, %2) VALUES ")
                             .arg(kQueueTable, quotedColumns());
    const QString added = QStringLiteral("('%1', new.rowid, 0, NULL, NULL, NULL)").arg(table);
    QStringList old;
    for (const QString& c : columns())
        old << QStringLiteral("old.") + Schema::quoted(c);
    const QString held =
        QStringLiteral("('%1', old.rowid, 1, %2)").arg(table, old.join(QStringLiteral(", ")));
    const QString name = ftsTable(table);
    // The list's size beside: a search's title shows it, and counting a
    // million rows takes longer than the search.
    const QString size =
        QStringLiteral(" UPDATE %1 SET n = n %3 1 WHERE tbl = '%2';").arg(kSizesTable, table);
    return {
        {name + QStringLiteral("_insert"),
         QStringLiteral("CREATE TRIGGER %1_insert AFTER INSERT ON %2 BEGIN %3%4;%5 END")
             .arg(name, table, note, added, size.arg(QLatin1Char('+')))},
        {name + QStringLiteral("_update"),
         QStringLiteral("CREATE TRIGGER %1_update AFTER UPDATE OF %2, %3 ON %4 BEGIN %5%6, %7; END")
             .arg(name, Schema::quoted(QStringLiteral("序号")), quotedColumns(), table, note, held, added)},
        {name + QStringLiteral("_delete"),
         QStringLiteral("CREATE TRIGGER %1_delete AFTER DELETE ON %2 BEGIN %3%4;%5 END")
             .arg(name, table, note, held, size.arg(QLatin1Char('-')))}};
}

// The index as earlier builds made it: the rows' texts copied into it, and
// triggers that noted keys only (the first ones without the list's size);
// then the column of each trigram kept.
QMultiMap<QString, QString> earlierStatements(const QString& table)
{
    const QString name = ftsTable(table);
    const QString fts =
        QStringLiteral("CREATE VIRTUAL TABLE %1 USING fts5(%2, tokenize='trigram', columnsize=0")
            .arg(name, quotedColumns());
    const QString note =
        QStringLiteral("INSERT OR IGNORE INTO %1 (tbl, id) VALUES ('%2', %3.rowid)").arg(kQueueTable, table);
    const QString size =
        QStringLiteral(" UPDATE %1 SET n = n %3 1 WHERE tbl = '%2';").arg(kSizesTable, table);
    const QString update =
        QStringLiteral(
            "CREATE TRIGGER %1_update AFTER UPDATE OF %2, %3 ON %4 BEGIN %5, ('%4', new.rowid); END")
            .arg(name, Schema::quoted(QStringLiteral("序号")), quotedColumns(), table,
                 note.arg(QStringLiteral("old")));
    QMultiMap<QString, QString> out{{name, fts + QLatin1Char(')')},
                                    {name, fts + QStringLiteral(", detail=column)")},
                                    {name, ftsStatement(table, QStringLiteral("column"))},
                                    {name + QStringLiteral("_update"), update}};
    for (const bool sized : {false, true}) {
        const QString trigger = QStringLiteral("CREATE TRIGGER %1_%2 AFTER %3 ON %4 BEGIN %5;%6 END");
        out.insert(name + QStringLiteral("_insert"),
                   trigger.arg(name, QStringLiteral("insert"), QStringLiteral("INSERT"), table,
                               note.arg(QStringLiteral("new")),
                               sized ? size.arg(QLatin1Char('+')) : QString()));
        out.insert(name + QStringLiteral("_delete"),
                   trigger.arg(name, QStringLiteral("delete"), QStringLiteral("DELETE"), table,
                               note.arg(QStringLiteral("old")),
                               sized ? size.arg(QLatin1Char('-')) : QString()));
    }
    return out;
}

QStringList objectsOf(const QString& table)
{
    const QString fts = ftsTable(table);
    return {fts, fts + QStringLiteral("_insert"), fts + QStringLiteral("_update"),
            fts + QStringLiteral("_delete")};
}

// The statements of these objects as the file keeps them, by name.
QMap<QString, QString> storedStatements(const Database& db, const QStringList& names)
{
    QSqlQuery q(db.db());
    q.prepare(
        QStringLiteral("SELECT name, sql FROM sqlite_schema WHERE name IN (SELECT value FROM json_each(?))"));
    q.addBindValue(
        QString::fromUtf8(QJsonDocument(QJsonArray::fromStringList(names)).toJson(QJsonDocument::Compact)));
    QMap<QString, QString> out;
    if (q.exec())
        while (q.next())
            out.insert(q.value(0).toString(), q.value(1).toString());
    return out;
}

// Whether the file holds a list's index as this build makes it: an older
// book's, until its opening remade it, is left to the scan.
bool isCurrent(const Database& db, const QString& table)
{
    static const QMap<QString, QString> own = fileObjects();
    const QStringList names = objectsOf(table) << kQueueTable;
    const QMap<QString, QString> stored = storedStatements(db, names);
    return std::all_of(names.cbegin(), names.cend(),
                       [&](const QString& n) { return stored.value(n) == own.value(n); });
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
    // What is missing or as an earlier build wrote it is made anew.
    const QMap<QString, QString> own = fileObjects();
    const QMap<QString, QString> stored = storedStatements(db, own.keys());
    auto stale = [&](const QString& name) { return stored.value(name) != own.value(name); };
    // The noted rows go with the queue's old form, the counts with theirs:
    // every list's index is then made again.
    const bool queue = stale(kQueueTable), sizes = stale(kSizesTable);
    QStringList missing;
    for (const QString& t : tables()) {
        const QStringList names = objectsOf(t);
        if (queue || sizes || std::any_of(names.cbegin(), names.cend(), stale))
            missing << t;
    }
    if (missing.isEmpty())
        return true;
    Transaction tx(db.db());
    bool ok = tx.isActive();
    if (ok && queue)
        ok = db.exec(QStringLiteral("DROP TABLE IF EXISTS %1").arg(kQueueTable), {}, error) &&
             db.exec(queueStatement(), {}, error);
    if (ok && sizes)
        ok = db.exec(QStringLiteral("DROP TABLE IF EXISTS %1").arg(kSizesTable), {}, error) &&
             db.exec(sizesStatement(), {}, error);
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

QString serverIndexStatement(const QString& table, const QString& column)
{
    return QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 USING gin (%3 gin_trgm_ops)")
        .arg(serverIndex(table, column), table, Schema::quoted(column));
}

// A list past this many rows has its missing indexes built in the
// background: an opening does not wait for them.
constexpr int kServerBuildInline = 20000;
// A load into an empty list of at least this many rows goes in without
// the indexes, which are built over it afterwards.
constexpr int kServerBulkRows = 2000;

// Whether the connection's user owns table, which dropping and making its
// indexes needs (another user may only have been granted its rows).
bool ownsTable(const Database& db, const QString& table)
{
    QSqlQuery q(db.db());
    q.prepare(QStringLiteral("SELECT pg_catalog.pg_has_role(relowner, 'USAGE') FROM pg_catalog.pg_class "
                             "WHERE oid = pg_catalog.to_regclass(?)"));
    q.addBindValue(Schema::quoted(table));
    return q.exec() && q.next() && q.value(0).toBool();
}

// Whether no other copy of the program is connected to the book: only
// then may a list be emptied and filled under a lock that would hold up
// their readings of it until the commit.
bool aloneOnServer(const Database& db)
{
    QSqlQuery q(db.db());
    return q.exec(
               QStringLiteral("SELECT NOT EXISTS (SELECT 1 FROM pg_catalog.pg_stat_activity WHERE datname = "
                              "current_database() AND pid <> pg_backend_pid() AND application_name = "
                              "'waybill')")) &&
           q.next() && q.value(0).toBool();
}

bool serverHasExtension(const Database& db)
{
    QSqlQuery q(db.db());
    return q.exec(QStringLiteral("SELECT 1 FROM pg_catalog.pg_extension WHERE extname = 'pg_trgm'")) &&
           q.next();
}

// The statements that make the indexes missing from lists of more rows
// than least (-1: all of them).
QStringList serverMissing(const Database& db, int least)
{
    QStringList out;
    for (const QString& t : tables()) {
        if (least >= 0 && ServerListSizes::rowCount(db, t) <= least)
            continue;
        for (const QString& c : columns())
            if (!serverHasIndex(db, serverIndex(t, c)))
                out << serverIndexStatement(t, c);
    }
    return out;
}

bool ensureServer(Database& db, QString* error)
{
    // The lists' sizes need no extension: kept whatever becomes of the indexes.
    QString why;
    if (!ServerListSizes::ensure(db, &why))
        qWarning().noquote()
            << QStringLiteral("无法在数据库服务器上记录列表的行数，打开大表较慢：%1").arg(why);
    const QStringList missing = serverMissing(db, -1);
    if (missing.isEmpty())
        return true;
    // The extension needs rights a shop's user may not have: then the
    // searches read the table, as they always did, and the log says so.
    if (!serverHasExtension(db) &&
        !db.exec(QStringLiteral("CREATE EXTENSION IF NOT EXISTS pg_trgm"), {}, nullptr)) {
        qWarning().noquote() << QStringLiteral(
            "数据库服务器没有 pg_trgm 扩展，也无权安装：查询将逐行查找，大表较慢。");
        return true;
    }
    // A long list's (left by a load cut short, say) are built beside the
    // window; short lists' at once.
    const QStringList later = serverMissing(db, kServerBuildInline);
    ServerIndexBuild::start(db, later);
    QStringList now;
    for (const QString& s : missing)
        if (!later.contains(s))
            now << s;
    if (now.isEmpty())
        return true;
    Transaction tx(db.db());
    bool ok = tx.isActive() && db.exec(QStringLiteral("SELECT pg_advisory_xact_lock(727972)"), {}, error);
    for (const QString& s : std::as_const(now))
        ok = ok && db.exec(s, {}, error);
    return ok && tx.commit(error);
}

// Restores the connection's wait for other writers when it goes.
struct NoWait
{
    sqlite3* h;
    explicit NoWait(sqlite3* handle) : h(handle) { sqlite3_busy_timeout(h, 0); }
    ~NoWait() { sqlite3_busy_timeout(h, 5000); }
};

// A bulk load's rows are indexed together afterwards: the connection's
// triggers rest meanwhile, and take up again however the load ends.
struct TriggersOff
{
    sqlite3* h;
    int was = 1;
    explicit TriggersOff(sqlite3* handle) : h(handle)
    {
        sqlite3_db_config(h, SQLITE_DBCONFIG_ENABLE_TRIGGER, -1, &was);
        sqlite3_db_config(h, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
    }
    ~TriggersOff() { sqlite3_db_config(h, SQLITE_DBCONFIG_ENABLE_TRIGGER, was, nullptr); }
    TriggersOff(const TriggersOff&) = delete;
    TriggersOff& operator=(const TriggersOff&) = delete;
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

QMultiMap<QString, QString> earlierFileObjects()
{
    QMultiMap<QString, QString> out;
    for (const QString& t : tables())
        out.unite(earlierStatements(t));
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
    if (db.isServer() || !tables().contains(table) || !isCurrent(db, table))
        return db.isServer();
    QVector<qint64> last;
    if (!db.readIds(QStringLiteral("SELECT id FROM (SELECT id FROM %1 WHERE tbl = ? ORDER BY id LIMIT ?) "
                                   "ORDER BY id DESC LIMIT 1")
                        .arg(kQueueTable),
                    {table, limit}, &last, nullptr))
        return false;
    if (last.isEmpty())
        return true;
    // The noted rows' entries out, by the texts they were indexed by, and
    // the rows as they are now in.
    const QString fts = ftsTable(table);
    const QVariantList upTo{table, last.first()};
    return db.exec(QStringLiteral("INSERT INTO %1 (%1, rowid, %2) SELECT 'delete', id, %2 FROM %3 "
                                  "WHERE tbl = ? AND id <= ? AND indexed")
                       .arg(fts, quotedColumns(), kQueueTable),
                   upTo) &&
           db.exec(QStringLiteral("INSERT INTO %1 (rowid, %3) SELECT rowid, %3 FROM %2 WHERE rowid IN "
                                  "(SELECT id FROM %4 WHERE tbl = ? AND id <= ?)")
                       .arg(fts, table, quotedColumns(), kQueueTable),
                   upTo) &&
           db.exec(QStringLiteral("DELETE FROM %1 WHERE tbl = ? AND id <= ?").arg(kQueueTable), upTo);
}

bool appendInBulk(Database& db, const QString& table, const QStringList& columns, int rows,
                  const std::function<bool()>& load, QString* error)
{
    if (db.isServer()) {
        // A list filled anew (an import replacing it) goes in without its
        // indexes; buildMissing builds them over it once it is committed.
        // Dropping them locks the list until then: not beside other programs.
        if (rows >= kServerBulkRows && tables().contains(table) &&
            ServerListSizes::rowCount(db, table) == 0 && ownsTable(db, table) && aloneOnServer(db))
            for (const QString& c : SearchIndex::columns())
                if (!db.exec(QStringLiteral("DROP INDEX IF EXISTS %1").arg(serverIndex(table, c)), {}, error))
                    return false;
        return load();
    }
    sqlite3* h = db.isServer() ? nullptr : db.handle();
    if (!h || !tables().contains(table) || !isCurrent(db, table))
        return load();
    // The index in step first: the rows above the highest there are then
    // the load's, and nothing of theirs is noted.
    QVector<qint64> top;
    if (!takeIn(db, table, std::numeric_limits<int>::max()) ||
        !db.readIds(QStringLiteral("SELECT rowid FROM %1 ORDER BY rowid DESC LIMIT 1").arg(table), {}, &top,
                    error))
        return false;
    // Keys of the load's own may fall among the rows there: the triggers note them.
    const bool keysGiven = std::any_of(columns.cbegin(), columns.cend(), [](const QString& c) {
        return c == QStringLiteral("序号") ||
               QStringList{QStringLiteral("rowid"), QStringLiteral("_rowid_"), QStringLiteral("oid")}
                   .contains(c, Qt::CaseInsensitive);
    });
    if (keysGiven && !top.isEmpty())
        return load() && takeIn(db, table, std::numeric_limits<int>::max());
    const sqlite3_int64 before = sqlite3_total_changes64(h);
    {
        TriggersOff off(h);
        if (!load())
            return false;
    }
    const qint64 added = sqlite3_total_changes64(h) - before;
    const QString fts = ftsTable(table);
    const QString fill = QStringLiteral("INSERT INTO %1 (rowid, %3) SELECT rowid, %3 FROM %2")
                             .arg(fts, table, quotedColumns());
    // The load's entries are not merged into the index's older ones as they
    // are written: into a long list that doubled the work. The later
    // writes merge them a little at a time again.
    const QString merging = QStringLiteral("INSERT INTO %1 (%1, rank) VALUES ('automerge', ?)").arg(fts);
    return db.exec(merging, {0}, error) &&
           (top.isEmpty() ? db.exec(fill, {}, error)
                          : db.exec(fill + QStringLiteral(" WHERE rowid > ?"), {top.first()}, error)) &&
           db.exec(merging, {kAutomerge}, error) &&
           db.exec(QStringLiteral("UPDATE %1 SET n = n + ? WHERE tbl = ?").arg(kSizesTable), {added, table},
                   error);
}

bool clear(Database& db, const QString& table, QString* error)
{
    // A server's list is emptied at once by its owner (its TRUNCATE trigger
    // sets the size); by others, or beside other programs reading it, row
    // by row.
    if (db.isServer() && tables().contains(table) && ownsTable(db, table) && aloneOnServer(db))
        return db.exec(QStringLiteral("TRUNCATE %1").arg(Schema::quoted(table)), {}, error);
    const QString empty = QStringLiteral("DELETE FROM %1").arg(Schema::quoted(table));
    sqlite3* h = db.isServer() ? nullptr : db.handle();
    if (!h || !tables().contains(table) || !isCurrent(db, table))
        return db.exec(empty, {}, error);
    TriggersOff off(h);
    return db.exec(empty, {}, error) &&
           db.exec(QStringLiteral("INSERT INTO %1 (%1) VALUES ('delete-all')").arg(ftsTable(table)), {},
                   error) &&
           db.exec(QStringLiteral("DELETE FROM %1 WHERE tbl = ?").arg(kQueueTable), {table}, error) &&
           db.exec(QStringLiteral("UPDATE %1 SET n = 0 WHERE tbl = ?").arg(kSizesTable), {table}, error);
}

void buildMissing(const Database& db)
{
    if (db.isServer() && ServerListSizes::rowCount(db, Schema::kExcelTable) >= 0 && serverHasExtension(db))
        ServerIndexBuild::start(db, serverMissing(db, -1));
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
    if (db.isServer())
        return ServerListSizes::rowCount(db, table);
    if (!tables().contains(table) || !db.hasTable(kSizesTable) || !isCurrent(db, table))
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
    if (!isCurrent(db, table))
        return false;
    // Every three characters of the text as one term, all of them in the
    // row: the rows that hold the text in the column are among them. A term
    // is quoted, so each character stands for itself, a quote doubled. The
    // terms fold case more widely than LIKE does, leave the order of the
    // characters open and may be met in other columns, so more rows may
    // pass, never fewer; the rows noted since the last catch-up always pass.
    const QList<uint> points = text.toUcs4();
    QStringList terms;
    for (int i = 0; i + 3 <= points.size(); ++i) {
        QString term = QString::fromUcs4(reinterpret_cast<const char32_t*>(points.constData()) + i, 3);
        term.replace(QLatin1Char('"'), QLatin1String("\"\""));
        terms << QLatin1Char('"') + term + QLatin1Char('"');
    }
    terms.removeDuplicates();
    *where = QStringLiteral("_rowid_ IN (SELECT rowid FROM %1 WHERE %1 MATCH ? UNION ALL "
                            "SELECT id FROM %2 WHERE tbl = '%3')")
                 .arg(ftsTable(table), kQueueTable, table);
    *binds = {terms.join(QLatin1Char(' '))};
    return true;
}

} // namespace SearchIndex
