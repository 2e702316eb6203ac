#include "exchange/DatabaseBackup.h"

#include "data/store/Database.h"
#include "data/store/DatabaseFile.h"
#include "data/store/ScratchCopy.h"
#include "data/store/ServerAddress.h"
#include "exchange/FileReplacer.h"
#include "exchange/OutputGuard.h"
#include "exchange/StoreCopy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <sqlite3.h>

namespace {

// An sqlite3 handle closed when it goes out of scope.
struct SqliteHandle
{
    sqlite3* db = nullptr;
    ~SqliteHandle()
    {
        if (db)
            sqlite3_close_v2(db);
    }
    bool open(const QString& path, int flags, QString* error)
    {
        const QByteArray native = QFile::encodeName(path);
        const int rc = sqlite3_open_v2(native.constData(), &db, flags, nullptr);
        if (rc != SQLITE_OK) {
            if (error)
                *error = QStringLiteral("无法打开 %1：%2")
                             .arg(QDir::toNativeSeparators(path), QString::fromUtf8(sqlite3_errstr(rc)));
            return false;
        }
        DatabaseFile::harden(db);
        sqlite3_busy_timeout(db, 5000);
        return true;
    }
    QString message() const { return QString::fromUtf8(sqlite3_errmsg(db)); }
};

QString journalOf(const QString& dbPath)
{
    return dbPath + QStringLiteral("-journal");
}

// Holds the database at dbPath for the swap: an exclusive lock taken the way
// every SQLite user takes it, so no other connection, of this process or
// another, is in the middle of a transaction while the file is replaced. A
// writer still busy is waited for (busy timeout); one that stays refuses the
// restore. Taking the lock rolls back a journal that a crash left hot; what
// journal is left afterwards belongs to no live transaction.
class SwapLock
{
public:
    bool acquire(const QString& dbPath, QString* error)
    {
        if (!QFileInfo::exists(dbPath))
            return true; // nothing there to hold
        if (!m_h.open(dbPath, SQLITE_OPEN_READWRITE, error))
            return false;
        const int rc = sqlite3_exec(m_h.db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK) {
            if (error)
                *error = Database::describeFailure(sqlite3_extended_errcode(m_h.db), m_h.message());
            return false;
        }
        m_held = true;
        return true;
    }
    ~SwapLock()
    {
        // No page was written: the lock goes without a journal ever being made.
        if (m_held)
            sqlite3_exec(m_h.db, "ROLLBACK", nullptr, nullptr, nullptr);
    }

private:
    SqliteHandle m_h;
    bool m_held = false;
};

// A consistent copy of the checked address book at from into the (empty)
// file to, through SQLite's online backup: connections may stay open and
// even write meanwhile, and data still in a write-ahead log is included.
// The copy is one file at rest, with the program's mark.
bool snapshot(const QString& from, const QString& to, QString* error)
{
    SqliteHandle src, dst;
    if (!src.open(from, SQLITE_OPEN_READONLY, error))
        return false;
    if (!dst.open(to, SQLITE_OPEN_READWRITE, error))
        return false;
    sqlite3_backup* b = sqlite3_backup_init(dst.db, "main", src.db, "main");
    if (!b) {
        if (error)
            *error = dst.message();
        return false;
    }
    // One step under one read lock: an address book copies in
    // milliseconds, and a copy in pieces would start over after every
    // write made meanwhile by another connection.
    int rc;
    int waits = 0;
    do {
        rc = sqlite3_backup_step(b, -1);
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
            if (++waits > 500)
                break;
            QThread::msleep(10);
        }
    } while (rc == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED);
    sqlite3_backup_finish(b);
    if (rc != SQLITE_DONE) {
        if (error)
            *error = QStringLiteral("复制数据库失败：%1")
                         .arg(Database::describeFailure(rc, QString::fromUtf8(sqlite3_errstr(rc))));
        return false;
    }
    // A single file at rest: no journal mode that needs companions.
    if (sqlite3_exec(dst.db, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr) != SQLITE_OK ||
        !DatabaseFile::stamp(dst.db)) {
        if (error)
            *error = dst.message();
        return false;
    }
    return true;
}

// A server's content into the (empty) file to: a backup file like any other.
bool serverSnapshot(const QString& from, const QString& to, QString* error)
{
    Database server, file;
    return server.open(from, error, false) && file.open(to, error, true) &&
           StoreCopy::copy(server, file, error);
}

// Fills the replacer's temporary file with a snapshot of from (checked
// already) and checks the copy thoroughly before anyone renames it into
// place.
bool checkedSnapshot(const QString& from, FileReplacer& out, const QString& checkFailure, QString* error)
{
    if (!out.prepare(error))
        return false;
    if (ServerAddress::isServer(from) ? !serverSnapshot(from, out.tempPath(), error)
                                      : !snapshot(from, out.tempPath(), error))
        return false;
    QString why;
    if (!DatabaseFile::check(out.tempPath(), &why, true)) {
        if (error)
            *error = checkFailure + why;
        return false;
    }
    return true;
}

// Asks progress whether to go on at percent; a cancel is remembered.
bool goOn(const ProgressFn& progress, int percent, bool* cancelled, QString* error)
{
    if (!progress || progress(percent))
        return true;
    if (cancelled)
        *cancelled = true;
    if (error)
        *error = QStringLiteral("已取消。");
    return false;
}

} // namespace

QString DatabaseBackup::backupPath(const QString& chosenName)
{
    if (chosenName.endsWith(QLatin1String(".bak"), Qt::CaseInsensitive))
        return chosenName;
    return chosenName + QStringLiteral(".bak");
}

bool DatabaseBackup::backup(const QString& dbPath, const QString& chosenName, QString* error,
                            QString* writtenPath, const ProgressFn& progress, bool* cancelled)
{
    if (cancelled)
        *cancelled = false;
    if (chosenName.trimmed().isEmpty()) {
        if (error)
            *error = QStringLiteral("没有选择备份文件名。");
        return false;
    }
    const QString target = QFileInfo(backupPath(chosenName)).absoluteFilePath();
    if (!OutputGuard::check(target, dbPath, error))
        return false;
    // What a killed restore left beside the database goes too, not only
    // what a killed backup left beside the target.
    if (!ServerAddress::isServer(dbPath))
        FileReplacer::removeStale(dbPath);
    // A damaged book is said to be so before anything is written; this also
    // recovers one that a crash left with a hot journal, which a read-only
    // handle cannot read.
    FileReplacer out(target);
    if (!goOn(progress, 0, cancelled, error) ||
        (!ServerAddress::isServer(dbPath) && !DatabaseFile::check(dbPath, error, true)) ||
        !checkedSnapshot(dbPath, out, QStringLiteral("备份文件校验失败："), error) ||
        !goOn(progress, 90, cancelled, error))
        return false; // the replacer removes its temporary file
    if (!out.commit(error))
        return false;
    if (writtenPath)
        *writtenPath = target;
    if (progress)
        progress(100);
    return true;
}

bool DatabaseBackup::restore(const QString& source, const QString& dbPath, QString* error,
                             const std::function<void()>& closeConnections, const ProgressFn& progress,
                             bool* cancelled)
{
    if (cancelled)
        *cancelled = false;
    if (source.trimmed().isEmpty()) {
        if (error)
            *error = QStringLiteral("没有选择要恢复的文件。");
        return false;
    }
    // Read from a private copy, taken with the journal or log beside it:
    // whatever SQLite does while reading happens there, never to the
    // chosen file. A file that is not an intact address book of nothing
    // but the program's tables changes nothing.
    ScratchCopy copy;
    if (!goOn(progress, 0, cancelled, error) || !copy.make(source, ScratchCopy::folderFor(dbPath), error) ||
        !DatabaseFile::checkBackup(copy.path(), source, error))
        return false;
    if (ServerAddress::isServer(dbPath)) {
        // Onto a server: one transaction replaces the tables' content, and
        // other computers' connections go on (they learn of it as of any
        // change); the caller's close and reopen as for a file.
        Database file, server;
        if (!goOn(progress, 50, cancelled, error) || !file.open(copy.path(), error, false) ||
            !server.open(dbPath, error, false))
            return false;
        if (closeConnections)
            closeConnections();
        return StoreCopy::copy(file, server, error);
    }
    const QString target = QFileInfo(dbPath).absoluteFilePath();
    FileReplacer out(target);
    // What will stand at dbPath is checked, not only what was chosen.
    if (!checkedSnapshot(copy.path(), out, QStringLiteral("复制后的文件校验失败："), error) ||
        !goOn(progress, 90, cancelled, error))
        return false;

    if (closeConnections)
        closeConnections();
    SwapLock lock;
    if (!lock.acquire(target, error))
        return false;
    // Under the lock a journal left now is a dead one (a crash's, already
    // rolled back); beside the new file it would be taken for its own.
    if (QFileInfo::exists(journalOf(target)) && !QFile::remove(journalOf(target))) {
        if (error)
            *error = QStringLiteral("无法删除遗留的日志文件 %1。")
                         .arg(QDir::toNativeSeparators(journalOf(target)));
        return false;
    }
    return out.commit(error);
}
