#include "data/store/DatabaseFile.h"

#include "data/store/RegularFile.h"
#include "data/store/Schema.h"
#include "data/store/SearchIndex.h"
#include "data/store/SqliteDialect.h"
#include "data/store/TableRegistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QScopeGuard>
#include <QSet>
#include <QtEndian>

#include <sqlite3.h>

namespace {

bool isBusy(int rc)
{
    const int primary = rc & 0xff;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

// The columns each table must have, for a message naming what is missing.
QStringList missingColumns(sqlite3* raw, const QString& table, const QStringList& wanted, int* rc)
{
    QSet<QString> have;
    sqlite3_stmt* st = nullptr;
    *rc = sqlite3_prepare_v2(raw, "SELECT name FROM pragma_table_info(?1)", -1, &st, nullptr);
    if (*rc != SQLITE_OK)
        return {};
    const QByteArray name = table.toUtf8();
    sqlite3_bind_text(st, 1, name.constData(), name.size(), SQLITE_TRANSIENT);
    while ((*rc = sqlite3_step(st)) == SQLITE_ROW)
        have.insert(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))));
    sqlite3_finalize(st);
    if (*rc != SQLITE_DONE)
        return {};
    *rc = SQLITE_OK;
    QStringList missing;
    for (const QString& c : wanted)
        if (!have.contains(c))
            missing << c;
    return missing;
}

} // namespace

int DatabaseFile::recoverAfterCrash(const QString& path)
{
    if (!QFileInfo::exists(path + QStringLiteral("-journal")) &&
        !QFileInfo::exists(path + QStringLiteral("-wal")))
        return SQLITE_OK;
    const QByteArray native = QFile::encodeName(path);
    sqlite3* rw = nullptr;
    int rc = sqlite3_open_v2(native.constData(), &rw, SQLITE_OPEN_READWRITE, nullptr);
    if (rc == SQLITE_OK) {
        harden(rw);
        sqlite3_busy_timeout(rw, 5000);
        rc = sqlite3_exec(rw, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    }
    sqlite3_close(rw);
    return rc;
}

namespace {

// The user's sentences about the file being checked: an address book
// ("数据库文件"), or a backup to restore, named by its own path when a
// private copy of it is read.
struct Verdict
{
    QString native;
    QString* error;
    QString noun = QStringLiteral("数据库文件");
    QString refusal = QStringLiteral("为安全起见不能使用。");

    bool say(const QString& text) const
    {
        if (error)
            *error = text;
        return false;
    }
    bool fail(const QString& why) const { return say(QStringLiteral("%1 %2 %3").arg(noun, native, why)); }
    // A failed SQLite call: locked is said as such, whatever the call.
    bool sqlFail(int rc, const QString& detail) const
    {
        if (isBusy(rc))
            return say(SqliteDialect::lockedMessage());
        return say(QStringLiteral("%1 %2：%3").arg(noun, native, SqliteDialect::describeFailure(rc, detail)));
    }
    bool rawFail(sqlite3* raw, int rc) const { return sqlFail(rc, QString::fromUtf8(sqlite3_errmsg(raw))); }
};

// Whether path is a readable SQLite file, before SQLite opens it: a folder,
// an empty file and an old Access file each get their own sentence.
bool checkHeader(const QString& path, const Verdict& v)
{
    const QFileInfo info(path);
    if (info.isDir())
        return v.say(QStringLiteral("%1 是一个文件夹，不是数据库文件。").arg(v.native));
    if (!info.exists())
        return v.fail(QStringLiteral("不存在。"));
    // A FIFO or a device is refused before anything waits on it.
    QFile f;
    QString why;
    if (!RegularFile::open(f, path, &why))
        return v.say(why);
    // SQLite opens these beside the file and would wait on a FIFO just the same.
    for (const char* companion : {"-journal", "-wal", "-shm"})
        if (QFileInfo::exists(path + QLatin1String(companion)) &&
            !RegularFile::check(path + QLatin1String(companion), &why))
            return v.say(why);
    const QByteArray head = f.read(100);
    f.close();
    if (head.isEmpty())
        return v.fail(QStringLiteral("是空文件，不是本程序的数据库。"));
    if (head.size() >= 19 && head.mid(4, 15) == "Standard Jet DB")
        return v.fail(
            QStringLiteral("是旧版 Access（Jet）数据库，本程序无法使用，请先把数据导出为Excel再导入。"));
    if (!head.startsWith(QByteArray("SQLite format 3\0", 16)))
        return v.fail(QStringLiteral("不是本程序的数据库（不是 SQLite 数据库文件）。"));
    return true;
}

const QStringList& recordTables()
{
    static const QStringList names{Schema::kSenderTable, Schema::kRecipientTable, Schema::kExcelTable};
    return names;
}

// The tables a file of this program may hold: the records', the features'
// and SQLite's own bookkeeping (AUTOINCREMENT's counters, ANALYZE's figures).
QSet<QString> allowedTables()
{
    QSet<QString> names(recordTables().cbegin(), recordTables().cend());
    for (const TableSpec& t : TableRegistry::tables())
        names.insert(t.name);
    for (const QString& t : SearchIndex::fileShadowTables())
        names.insert(t);
    names << QStringLiteral("sqlite_sequence") << QStringLiteral("sqlite_stat1")
          << QStringLiteral("sqlite_stat4");
    return names;
}

// What an entry of the schema makes, judged by its statement as SQLite
// runs it when it reads the schema (the type column is only a label), in
// the form SQLite itself writes. Empty: a statement SQLite never writes.
QString kindOf(const QString& type, const QString& sql)
{
    if (sql.isNull()) // an index SQLite made for a UNIQUE or PRIMARY KEY
        return type == QLatin1String("index") ? type : QString();
    static const QList<QPair<QString, QString>> forms{
        {QStringLiteral("CREATE TABLE "), QStringLiteral("table")},
        {QStringLiteral("CREATE VIRTUAL TABLE "), QStringLiteral("virtual")},
        {QStringLiteral("CREATE VIEW "), QStringLiteral("view")},
        {QStringLiteral("CREATE INDEX "), QStringLiteral("index")},
        {QStringLiteral("CREATE UNIQUE INDEX "), QStringLiteral("index")},
        {QStringLiteral("CREATE TRIGGER "), QStringLiteral("trigger")}};
    for (const auto& f : forms) {
        const QString label = f.second == QLatin1String("virtual") ? QStringLiteral("table") : f.second;
        if (sql.startsWith(f.first, Qt::CaseInsensitive))
            return type == label ? f.second : QString();
    }
    return {};
}

// A list of names for a sentence: the first few, quoted as they are.
QString someNames(const QStringList& names)
{
    QStringList shown;
    for (const QString& n : names.mid(0, 5))
        shown << (n.size() > 40 ? n.left(40) + QStringLiteral("…") : n);
    QString text = shown.join(QStringLiteral("、"));
    if (names.size() > shown.size())
        text += QStringLiteral(" 等 %1 个").arg(names.size());
    return text;
}

// Reads the schema: the names of the tables, and a refusal naming whatever
// the program did not make. A trigger or a view would run in the middle of
// the program's own statements, a virtual table would run a module.
bool readSchema(sqlite3* raw, QSet<QString>* tables, const Verdict& v)
{
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(raw, "SELECT type, name, sql FROM sqlite_schema", -1, &st, nullptr);
    if (rc != SQLITE_OK)
        return v.rawFail(raw, sqlite3_extended_errcode(raw));
    auto text = [&](int c) {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
        return p ? QString::fromUtf8(p) : QString();
    };
    const QSet<QString> allowed = allowedTables();
    // The search index's own virtual tables and triggers, each exactly as
    // this build or an earlier one wrote it (the opening remakes those):
    // any other statement under one of its names is as foreign as an
    // unknown one.
    const QMap<QString, QString> own = SearchIndex::fileObjects();
    const QMultiMap<QString, QString> earlier = SearchIndex::earlierFileObjects();
    QMap<QString, QStringList> foreign; // kind -> names
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        const QString name = text(1);
        const QString kind = kindOf(text(0), text(2));
        if (kind == QLatin1String("table") && allowed.contains(name))
            tables->insert(name);
        else if ((kind == QLatin1String("virtual") || kind == QLatin1String("trigger")) &&
                 ((own.contains(name) && own.value(name) == text(2)) || earlier.contains(name, text(2))))
            continue;
        else if (kind != QLatin1String("index"))
            foreign[kind.isEmpty() ? QStringLiteral("unknown") : kind] << name;
    }
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        return v.rawFail(raw, rc);
    if (foreign.isEmpty())
        return true;
    static const QList<QPair<QString, QString>> nouns{
        {QStringLiteral("trigger"), QStringLiteral("触发器")},
        {QStringLiteral("view"), QStringLiteral("视图")},
        {QStringLiteral("virtual"), QStringLiteral("虚拟表")},
        {QStringLiteral("table"), QStringLiteral("数据表")},
        {QStringLiteral("unknown"), QStringLiteral("结构记录")}};
    QStringList parts;
    for (const auto& n : nouns)
        if (foreign.contains(n.first))
            parts << n.second + QLatin1Char(' ') + someNames(foreign.value(n.first));
    return v.fail(
        QStringLiteral("含有本程序不使用的%1，%2").arg(parts.join(QStringLiteral("，")), v.refusal));
}

// The records' tables with every column the program reads or writes: the
// right tables with other columns would open and then fail at the first
// print date or new recipient.
bool checkRecordTables(sqlite3* raw, const QSet<QString>& tables, const Verdict& v)
{
    QStringList missing;
    for (const QString& t : recordTables())
        if (!tables.contains(t))
            missing << t;
    if (!missing.isEmpty())
        return v.fail(
            QStringLiteral("缺少数据表 %1，不是本程序的数据库。").arg(missing.join(QStringLiteral("、"))));
    QStringList lacking;
    for (const QString& t : recordTables()) {
        int rc = SQLITE_OK;
        const QStringList cols = missingColumns(
            raw, t, t == Schema::kSenderTable ? Schema::senderColumns() : Schema::recipientColumns(), &rc);
        if (rc != SQLITE_OK)
            return v.rawFail(raw, rc);
        if (!cols.isEmpty())
            lacking << QStringLiteral("表 %1 的 %2").arg(t, cols.join(QStringLiteral("、")));
    }
    if (!lacking.isEmpty())
        return v.fail(QStringLiteral("缺少本程序需要的列（%1），不是本程序的数据库。")
                          .arg(lacking.join(QStringLiteral("；"))));
    return true;
}

// Every page read (catches a truncated file), then every row of the
// records' tables and of the features' tables the file has, which the
// page check skips.
bool readEverything(sqlite3* raw, const QSet<QString>& tables, const Verdict& v)
{
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(raw, "PRAGMA quick_check", -1, &st, nullptr);
    QString verdict;
    if (rc == SQLITE_OK && (rc = sqlite3_step(st)) == SQLITE_ROW)
        verdict = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    else
        verdict = QString::fromUtf8(sqlite3_errmsg(raw));
    sqlite3_finalize(st);
    if (isBusy(rc))
        return v.say(SqliteDialect::lockedMessage());
    if (verdict != QLatin1String("ok"))
        return v.fail(QStringLiteral("已损坏。详情：%1").arg(verdict));
    QStringList names = recordTables();
    for (const TableSpec& t : TableRegistry::tables())
        if (tables.contains(t.name))
            names << t.name;
    for (const QString& t : qAsConst(names)) {
        const QByteArray sql = QStringLiteral("SELECT * FROM %1").arg(Schema::quoted(t)).toUtf8();
        rc = sqlite3_prepare_v2(raw, sql.constData(), -1, &st, nullptr);
        if (rc == SQLITE_OK) {
            do {
                rc = sqlite3_step(st);
            } while (rc == SQLITE_ROW);
        }
        const QString msg = QString::fromUtf8(sqlite3_errmsg(raw));
        sqlite3_finalize(st);
        if (rc != SQLITE_DONE)
            return v.sqlFail(rc, msg);
    }
    return true;
}

} // namespace

namespace {

// The look inside, through a plain handle so nothing is written.
bool inspect(const QString& path, const Verdict& v, bool thorough)
{
    const QByteArray nativeName = QFile::encodeName(path);
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(nativeName.constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    auto closeRaw = qScopeGuard([&] { sqlite3_close(raw); });
    if (rc != SQLITE_OK)
        return v.sqlFail(rc, QString::fromUtf8(sqlite3_errstr(rc)));
    DatabaseFile::harden(raw);
    // Another connection may be writing right now; wait for it as the
    // program's own connections do.
    sqlite3_busy_timeout(raw, 5000);
    QSet<QString> tables;
    return readSchema(raw, &tables, v) && checkRecordTables(raw, tables, v) &&
           (!thorough || readEverything(raw, tables, v));
}

// Takes the journal or log of the copy in and leaves it one file at rest.
bool settle(const QString& copy, const Verdict& v)
{
    sqlite3* raw = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(copy).constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    auto closeRaw = qScopeGuard([&] { sqlite3_close(raw); });
    if (rc == SQLITE_OK) {
        DatabaseFile::harden(raw);
        rc = sqlite3_exec(raw, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr);
    }
    return rc == SQLITE_OK || v.rawFail(raw, sqlite3_extended_errcode(raw));
}

} // namespace

bool DatabaseFile::check(const QString& path, QString* error, bool thorough)
{
    const Verdict v{QDir::toNativeSeparators(path), error};
    if (!checkHeader(path, v))
        return false;
    // A crash in the middle of a write leaves a journal (or a write-ahead
    // log) beside the file, which a read-only look cannot apply.
    if (isBusy(recoverAfterCrash(path)))
        return v.say(SqliteDialect::lockedMessage());
    return inspect(path, v, thorough);
}

bool DatabaseFile::checkBackup(const QString& copy, const QString& original, QString* error)
{
    const Verdict v{QDir::toNativeSeparators(original), error, QStringLiteral("备份文件"),
                    QStringLiteral("已拒绝恢复。")};
    return checkHeader(copy, v) && settle(copy, v) && inspect(copy, v, true);
}

bool DatabaseFile::harden(sqlite3* handle)
{
    return sqlite3_db_config(handle, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr) == SQLITE_OK &&
           sqlite3_db_config(handle, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr) == SQLITE_OK;
}

bool DatabaseFile::isStamped(const QString& path)
{
    QFile f;
    if (!RegularFile::open(f, path, nullptr))
        return false;
    const QByteArray head = f.read(72);
    return head.size() == 72 && qFromBigEndian<qint32>(head.constData() + 68) == kApplicationId;
}

bool DatabaseFile::stamp(sqlite3* handle)
{
    sqlite3_stmt* st = nullptr;
    int current = 0;
    if (sqlite3_prepare_v2(handle, "PRAGMA application_id", -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW)
        current = sqlite3_column_int(st, 0);
    sqlite3_finalize(st);
    if (current == kApplicationId)
        return true;
    const QByteArray sql = QByteArray("PRAGMA application_id=") + QByteArray::number(kApplicationId);
    return sqlite3_exec(handle, sql.constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
}
