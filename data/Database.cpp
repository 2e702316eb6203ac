#include "data/Database.h"

#include "data/DataLocation.h"
#include "data/Schema.h"
#include "data/Transaction.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSet>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include <sqlite3.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

QSet<Database*>& registry()
{
    static QSet<Database*> all;
    return all;
}

QString nextConnectionName()
{
    static int counter = 0;
    return QStringLiteral("waybill-%1").arg(++counter);
}

// Creates an empty file readable and writable by the owner only.
bool createEmptyPrivateFile(const QString& path, QString* error)
{
    const QByteArray native = QFile::encodeName(path);
    int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (error)
            *error = QStringLiteral("无法创建数据库文件 %1：%2")
                         .arg(path, QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    ::close(fd);
    return true;
}

} // namespace

Database::Database() : m_name(nextConnectionName())
{
    registry().insert(this);
}

Database::~Database()
{
    close();
    registry().remove(this);
}

QString Database::defaultPath()
{
    if (!QCoreApplication::instance())
        return DataLocation::workingDirectoryBook();
    return DataLocation::addressBook(QCoreApplication::applicationFilePath());
}

QSqlDatabase Database::db() const
{
    return QSqlDatabase::database(m_name, false);
}

bool Database::isOpen() const
{
    return QSqlDatabase::contains(m_name) && db().isOpen();
}

sqlite3* Database::handle() const
{
    if (!isOpen())
        return nullptr;
    QVariant v = db().driver()->handle();
    if (v.isValid() && qstrcmp(v.typeName(), "sqlite3*") == 0)
        return *static_cast<sqlite3* const*>(v.data());
    return nullptr;
}

bool Database::checkFile(const QString& path, QString* error, bool thorough)
{
    auto fail = [&](const QString& why) {
        if (error)
            *error = QStringLiteral("数据库文件 %1 %2").arg(QDir::toNativeSeparators(path), why);
        return false;
    };
    QFile f(path);
    if (!f.exists())
        return fail(QStringLiteral("不存在。"));
    if (!f.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("无法读取：%1").arg(f.errorString()));
    const QByteArray head = f.read(100);
    f.close();
    if (head.size() >= 19 && head.mid(4, 15) == "Standard Jet DB")
        return fail(
            QStringLiteral("是旧版 Access（Jet）数据库，本程序无法使用，请先把数据导出为Excel再导入。"));
    if (!head.startsWith(QByteArray("SQLite format 3\0", 16)))
        return fail(QStringLiteral("不是本程序的数据库（不是 SQLite 数据库文件）。"));

    const QByteArray native = QFile::encodeName(path);
    // A crash in the middle of a write leaves a journal (or a write-ahead
    // log) beside the file, which a read-only look cannot apply. Let SQLite
    // recover the file first, as any ordinary open of it would.
    if (QFileInfo::exists(path + QStringLiteral("-journal")) ||
        QFileInfo::exists(path + QStringLiteral("-wal"))) {
        sqlite3* rw = nullptr;
        if (sqlite3_open_v2(native.constData(), &rw, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
            sqlite3_busy_timeout(rw, 5000);
            sqlite3_exec(rw, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
        }
        sqlite3_close(rw);
    }

    // Read-only look inside, through a plain handle so nothing is written.
    sqlite3* raw = nullptr;
    int rc = sqlite3_open_v2(native.constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    auto closeRaw = qScopeGuard([&] { sqlite3_close(raw); });
    if (rc != SQLITE_OK)
        return fail(QStringLiteral("无法打开：%1").arg(QString::fromUtf8(sqlite3_errstr(rc))));
    // Another connection may be writing right now; wait for it as the
    // program's own connections do.
    sqlite3_busy_timeout(raw, 5000);

    QSet<QString> tables;
    sqlite3_stmt* st = nullptr;
    rc = sqlite3_prepare_v2(raw, "SELECT name FROM sqlite_master WHERE type='table'", -1, &st, nullptr);
    if (rc != SQLITE_OK)
        return fail(QStringLiteral("已损坏：%1").arg(QString::fromUtf8(sqlite3_errmsg(raw))));
    while ((rc = sqlite3_step(st)) == SQLITE_ROW)
        tables.insert(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))));
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        return fail(QStringLiteral("已损坏：%1").arg(QString::fromUtf8(sqlite3_errmsg(raw))));

    QStringList missing;
    for (const QString& t : {Schema::kSenderTable, Schema::kRecipientTable, Schema::kExcelTable})
        if (!tables.contains(t))
            missing << t;
    if (!missing.isEmpty())
        return fail(
            QStringLiteral("缺少数据表 %1，不是本程序的数据库。").arg(missing.join(QStringLiteral("、"))));

    if (thorough) {
        rc = sqlite3_prepare_v2(raw, "PRAGMA quick_check", -1, &st, nullptr);
        QString verdict;
        if (rc == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
            verdict = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        else
            verdict = QString::fromUtf8(sqlite3_errmsg(raw));
        sqlite3_finalize(st);
        if (verdict != QLatin1String("ok"))
            return fail(QStringLiteral("已损坏：%1").arg(verdict));
        // quick_check skips the contents of the rows; read them all once.
        for (const char* sql : {"SELECT * FROM outr", "SELECT * FROM inr", "SELECT * FROM excel"}) {
            rc = sqlite3_prepare_v2(raw, sql, -1, &st, nullptr);
            if (rc == SQLITE_OK) {
                do {
                    rc = sqlite3_step(st);
                } while (rc == SQLITE_ROW);
            }
            const QString msg = QString::fromUtf8(sqlite3_errmsg(raw));
            sqlite3_finalize(st);
            if (rc != SQLITE_DONE)
                return fail(QStringLiteral("已损坏：%1").arg(msg));
        }
    }
    return true;
}

bool Database::createFile(const QString& path, QString* error)
{
    if (!createEmptyPrivateFile(path, error))
        return false;
    Database tmp;
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), tmp.m_name);
        db.setDatabaseName(path);
        ok = db.open();
        if (ok) {
            tmp.m_path = path;
            ok = tmp.configure(error);
            Transaction tx(db);
            for (const QString& sql : Schema::createStatements())
                ok = ok && tmp.exec(sql, {}, error);
            ok = ok && tx.commit(error);
        } else if (error) {
            *error = db.lastError().text();
        }
    }
    tmp.close();
    if (!ok)
        QFile::remove(path); // only our own, just created file
    return ok;
}

bool Database::open(const QString& path, QString* error, bool createIfMissing)
{
    close();
    const QFileInfo info(path);
    if (createIfMissing && (!info.exists() || (info.isFile() && info.size() == 0))) {
        if (info.exists() && !QFile::remove(path)) {
            if (error)
                *error = QStringLiteral("无法替换空的数据库文件 %1").arg(path);
            return false;
        }
        // An installed program's data folder does not exist before its first start.
        if (!QDir().mkpath(info.absolutePath())) {
            if (error)
                *error = QStringLiteral("无法创建文件夹 %1").arg(info.absolutePath());
            return false;
        }
        if (!createFile(path, error))
            return false;
    }
    if (!checkFile(path, error))
        return false;

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open()) {
        if (error)
            *error = QStringLiteral("无法打开数据库 %1：%2").arg(path, db.lastError().text());
        close();
        return false;
    }
    m_path = path;
    if (!configure(error)) {
        close();
        return false;
    }
    return true;
}

bool Database::configure(QString* error)
{
    // One file at rest (backup and restore rely on it), every commit on disk.
    return exec(QStringLiteral("PRAGMA journal_mode=DELETE"), {}, error) &&
           exec(QStringLiteral("PRAGMA synchronous=FULL"), {}, error);
}

void Database::close()
{
    if (QSqlDatabase::contains(m_name)) {
        {
            QSqlDatabase db = QSqlDatabase::database(m_name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }
}

void Database::closeAll()
{
    for (Database* d : registry())
        d->close();
}

bool Database::exec(const QString& sql, const QVariantList& binds, QString* error)
{
    QSqlQuery q(db());
    if (!q.prepare(sql)) {
        if (error)
            *error = q.lastError().text();
        return false;
    }
    for (const QVariant& v : binds)
        q.addBindValue(v);
    if (!q.exec()) {
        if (error)
            *error = q.lastError().text();
        return false;
    }
    return true;
}
