#include "data/store/SqliteDialect.h"

#include "data/store/Database.h"
#include "data/store/DatabaseFile.h"
#include "data/store/Schema.h"
#include "data/store/SearchIndex.h"
#include "data/store/SqliteStatement.h"
#include "data/store/Transaction.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool fileIdentity(const QString& path, quint64* device, quint64* inode)
{
    struct stat st
    {
    };
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    *device = quint64(st.st_dev);
    *inode = quint64(st.st_ino);
    return true;
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

// A missing or empty file at path becomes a new address book, its folder too.
bool makeIfMissing(const QString& path, QString* error)
{
    const QFileInfo info(path);
    if (info.exists() && !(info.isFile() && info.size() == 0))
        return true;
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
    return SqliteDialect::createFile(path, error);
}

} // namespace

sqlite3* SqliteDialect::handleOf(const QSqlDatabase& db)
{
    if (!db.isOpen())
        return nullptr;
    const QVariant v = db.driver()->handle();
    if (v.isValid() && qstrcmp(v.typeName(), "sqlite3*") == 0)
        return *static_cast<sqlite3* const*>(v.data());
    return nullptr;
}

bool SqliteDialect::open(Database& owner, const QString& path, bool createIfMissing, QString* error)
{
    if (createIfMissing && !makeIfMissing(path, error))
        return false;
    // A file the program did not make (or never checked) is read through
    // once before it is used; it then carries the program's mark.
    const bool found = !DatabaseFile::isStamped(path);
    if (!DatabaseFile::check(path, error, found))
        return false;
    if (!connectFile(path, error))
        return false;
    fileIdentity(path, &m_device, &m_inode);
    if (!configure(error))
        return false;
    if (found)
        DatabaseFile::stamp(handle()); // a read-only file stays unmarked and is checked again
    // A book of an older version gets its search index here, once; a
    // read-only one goes on searching by scan.
    SearchIndex::ensure(owner, nullptr);
    return true;
}

bool SqliteDialect::connectFile(const QString& path, QString* error)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName());
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (db.open())
        return true;
    if (error)
        *error = QStringLiteral("无法打开数据库 %1：%2")
                     .arg(QDir::toNativeSeparators(path), describeFailure(db.lastError()));
    return false;
}

bool SqliteDialect::configure(QString* error) const
{
    // Searches collect their keys through it; nothing in the file's schema
    // may write to SQLite's own pages or call more than harmless functions.
    if (!DatabaseFile::harden(handle()) || !SqliteStatement::addKeyCollector(handle())) {
        if (error)
            *error = QStringLiteral("无法准备数据库连接。");
        return false;
    }
    // One file at rest (backup and restore rely on it), every commit on disk.
    // A search reads the whole list: with room for it in the page cache (up
    // to 32 MiB, some 200,000 recipients) it reads memory, not the file.
    // The file is not mapped here: a mapped file's pages count as the
    // program's memory in a long batch, and a read error on a mapped file
    // kills the program. Only a long search's own reading connection maps it.
    return run(QStringLiteral("PRAGMA journal_mode=DELETE"), error) &&
           run(QStringLiteral("PRAGMA synchronous=FULL"), error) &&
           run(QStringLiteral("PRAGMA cache_size=-32768"), error);
}

bool SqliteDialect::replaced(const QString& path) const
{
    quint64 device = 0, inode = 0;
    return !fileIdentity(path, &device, &inode) || device != m_device || inode != m_inode;
}

bool SqliteDialect::createFile(const QString& path, QString* error)
{
    if (!createEmptyPrivateFile(path, error))
        return false;
    bool ok = false;
    {
        // A connection of its own name; the file is not an address book yet,
        // so it is made without the check an open does.
        Database tmp;
        SqliteDialect file(tmp.connectionName());
        ok = file.connectFile(path, error) && file.configure(error);
        if (ok) {
            Transaction tx(file.db());
            for (const QString& sql : Schema::createStatements())
                ok = ok && tmp.exec(sql, {}, error);
            ok = ok && DatabaseFile::stamp(file.handle()) && tx.commit(error);
        }
        ok = ok && SearchIndex::ensure(tmp, error);
        tmp.close();
    }
    if (!ok)
        QFile::remove(path); // only our own, just created file
    return ok;
}

bool SqliteDialect::hasTable(const QString& table) const
{
    return db().tables().contains(table);
}

QString SqliteDialect::inList(const QString& column, bool) const
{
    return QStringLiteral("%1 IN (SELECT value FROM json_each(?))").arg(column);
}

QString SqliteDialect::containsText(const QString& column) const
{
    return QStringLiteral("instr(%1, ?) > 0").arg(column);
}

QString SqliteDialect::type(Type t) const
{
    switch (t) {
    case Type::Key:
        return QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
    case Type::Integer:
        return QStringLiteral("INTEGER");
    case Type::Real:
        return QStringLiteral("REAL");
    case Type::Blob:
        return QStringLiteral("BLOB");
    case Type::Text:
        break;
    }
    return QStringLiteral("TEXT");
}

bool SqliteDialect::readIds(const QString& sql, const QVariantList& binds, QVector<qint64>* out,
                            QString* error) const
{
    SqliteStatement st(handle(), sql);
    if (!st || !st.bind(binds)) {
        if (error)
            *error = st.error();
        return false;
    }
    return st.readIds(out, error);
}

bool SqliteDialect::readMatchingIds(const QString& table, const QString& key, const QString& where,
                                    const QVariantList& binds, QVector<qint64>* out, int* total,
                                    QString* error) const
{
    // The count and the keys in one scan; waybill_keys fills the list bound first.
    SqliteStatement st(handle(),
                       QStringLiteral("SELECT COUNT(*), waybill_keys(?, %2) FILTER (WHERE %3) FROM %1")
                           .arg(table, key, where));
    if (!st || !st.bind(binds, false, 2)) {
        if (error)
            *error = st.error();
        return false;
    }
    qint64 count = 0;
    if (!st.readCountAndKeys(&count, out, error))
        return false;
    *total = int(count);
    return true;
}

bool SqliteDialect::readRows(const QString& sql, const QVariantList& binds, int n, const RowSink& each,
                             QString* error) const
{
    SqliteStatement st(handle(), sql);
    if (!st || !st.bind(binds)) {
        if (error)
            *error = st.error();
        return false;
    }
    return st.readRows(n, each, error);
}

bool SqliteDialect::appendRows(const QString& table, const QStringList& columns, int count,
                               const RowSource& rowAt, QString* error)
{
    QStringList quoted, marks;
    for (const QString& c : columns) {
        quoted << Schema::quoted(c);
        marks << QStringLiteral("?");
    }
    const QString sql =
        QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
            .arg(Schema::quoted(table), quoted.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
    return SqliteStatement::insertRows(handle(), sql, columns.size(), count, rowAt, error);
}

qint64 SqliteDialect::numbersGiven(const QString& table, const QString&) const
{
    if (!hasTable(QStringLiteral("sqlite_sequence")))
        return 0;
    QSqlQuery q(db());
    q.prepare(QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name = ?"));
    q.addBindValue(table);
    return q.exec() && q.next() ? q.value(0).toLongLong() : 0;
}

bool SqliteDialect::continueNumbers(const QString& table, const QString&, qint64 given, QString* error)
{
    if (table == Schema::kSenderTable || given == 0)
        return true;
    return run(QStringLiteral("DELETE FROM sqlite_sequence WHERE name = ?"), error, {table}) &&
           run(QStringLiteral("INSERT INTO sqlite_sequence (name, seq) VALUES (?, ?)"), error,
               {table, given});
}

QString SqliteDialect::describeFailure(int sqliteCode, const QString& detail)
{
    QString sentence;
    switch (sqliteCode & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return lockedMessage(); // SQLite's text adds nothing a user could act on
    case SQLITE_READONLY:
        sentence = QStringLiteral("数据库文件是只读的，无法写入。");
        break;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        sentence = QStringLiteral("数据库文件已损坏。");
        break;
    case SQLITE_FULL:
        sentence = QStringLiteral("磁盘已满，无法写入数据库。");
        break;
    case SQLITE_CANTOPEN:
        sentence = QStringLiteral("无法打开数据库文件。");
        break;
    case SQLITE_IOERR:
        sentence = QStringLiteral("读写数据库文件时出错。");
        break;
    case SQLITE_PERM:
    case SQLITE_AUTH:
        sentence = QStringLiteral("没有访问数据库文件的权限。");
        break;
    case SQLITE_NOMEM:
        sentence = QStringLiteral("内存不足。");
        break;
    case SQLITE_TOOBIG:
        sentence = QStringLiteral("内容太长，数据库无法保存。");
        break;
    case SQLITE_CONSTRAINT:
        sentence = QStringLiteral("数据不符合数据库的要求。");
        break;
    default:
        sentence = QStringLiteral("数据库操作失败。");
        break;
    }
    const QString d = detail.trimmed();
    return d.isEmpty() ? sentence : sentence + QStringLiteral("详情：") + d;
}

QString SqliteDialect::describeFailure(const QSqlError& error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    QString detail = error.databaseText().trimmed();
    if (detail.isEmpty())
        detail = error.driverText().trimmed();
    return describeFailure(ok ? code : SQLITE_ERROR, detail);
}
