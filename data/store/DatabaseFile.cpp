#include "data/store/DatabaseFile.h"

#include "data/store/Schema.h"
#include "data/store/SqliteDialect.h"
#include "data/store/TableRegistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSet>

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
        sqlite3_busy_timeout(rw, 5000);
        rc = sqlite3_exec(rw, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    }
    sqlite3_close(rw);
    return rc;
}

namespace {

// The user's sentences about the file being checked.
struct Verdict
{
    QString native;
    QString* error;

    bool say(const QString& text) const
    {
        if (error)
            *error = text;
        return false;
    }
    bool fail(const QString& why) const { return say(QStringLiteral("数据库文件 %1 %2").arg(native, why)); }
    // A failed SQLite call: locked is said as such, whatever the call.
    bool sqlFail(int rc, const QString& detail) const
    {
        if (isBusy(rc))
            return say(SqliteDialect::lockedMessage());
        return say(
            QStringLiteral("数据库文件 %1：%2").arg(native, SqliteDialect::describeFailure(rc, detail)));
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
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return v.fail(QStringLiteral("无法读取：%1").arg(f.errorString()));
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

bool readTableNames(sqlite3* raw, QSet<QString>* tables, const Verdict& v)
{
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(raw, "SELECT name FROM sqlite_master WHERE type='table'", -1, &st, nullptr);
    if (rc != SQLITE_OK)
        return v.rawFail(raw, sqlite3_extended_errcode(raw));
    while ((rc = sqlite3_step(st)) == SQLITE_ROW)
        tables->insert(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))));
    sqlite3_finalize(st);
    return rc == SQLITE_DONE || v.rawFail(raw, rc);
}

const QStringList& recordTables()
{
    static const QStringList names{Schema::kSenderTable, Schema::kRecipientTable, Schema::kExcelTable};
    return names;
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

bool DatabaseFile::check(const QString& path, QString* error, bool thorough)
{
    const Verdict v{QDir::toNativeSeparators(path), error};
    if (!checkHeader(path, v))
        return false;
    // A crash in the middle of a write leaves a journal (or a write-ahead
    // log) beside the file, which a read-only look cannot apply.
    if (isBusy(recoverAfterCrash(path)))
        return v.say(SqliteDialect::lockedMessage());

    // Read-only look inside, through a plain handle so nothing is written.
    const QByteArray nativeName = QFile::encodeName(path);
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(nativeName.constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    auto closeRaw = qScopeGuard([&] { sqlite3_close(raw); });
    if (rc != SQLITE_OK)
        return v.sqlFail(rc, QString::fromUtf8(sqlite3_errstr(rc)));
    // Another connection may be writing right now; wait for it as the
    // program's own connections do.
    sqlite3_busy_timeout(raw, 5000);
    QSet<QString> tables;
    return readTableNames(raw, &tables, v) && checkRecordTables(raw, tables, v) &&
           (!thorough || readEverything(raw, tables, v));
}
