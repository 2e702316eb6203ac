#include "data/store/Database.h"
#include "data/store/DatabaseFile.h"

#include "data/store/DataLocation.h"
#include "data/store/Schema.h"
#include "data/store/ServerAddress.h"
#include "data/store/ServerStore.h"
#include "data/store/SqliteStatement.h"
#include "data/store/StoreSettings.h"
#include "data/store/TableRegistry.h"
#include "data/store/Transaction.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSet>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace {

QSet<Database*>& registry()
{
    static QSet<Database*> all;
    return all;
}

quint64 nextGeneration()
{
    static quint64 counter = 0;
    return ++counter;
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

namespace {

struct FileId
{
    bool valid = false;
    quint64 device = 0;
    quint64 inode = 0;
    bool operator==(const FileId& o) const
    {
        return valid && o.valid && device == o.device && inode == o.inode;
    }
};

FileId fileId(const QString& path)
{
    struct stat st
    {
    };
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return {true, quint64(st.st_dev), quint64(st.st_ino)};
}

} // namespace

QString Database::describeFailure(int sqliteCode, const QString& detail)
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

QString Database::describeFailure(const QSqlError& error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    QString detail = error.databaseText().trimmed();
    if (detail.isEmpty())
        detail = error.driverText().trimmed();
    return describeFailure(ok ? code : SQLITE_ERROR, detail);
}

bool Database::checkOutputPath(const QString& target, const QString& dbPath, QString* error)
{
    QStringList databases;
    if (!dbPath.isEmpty())
        databases << dbPath;
    for (const Database* d : registry())
        if (d->isOpen() && !d->isServer())
            databases << d->path();
    const QFileInfo out(QDir::current().absoluteFilePath(target));
    const FileId outId = fileId(out.absoluteFilePath());
    const FileId outFolder = fileId(out.absolutePath());
    const QString native = QDir::toNativeSeparators(out.absoluteFilePath());
    for (const QString& db : qAsConst(databases)) {
        const QFileInfo dbInfo(QDir::current().absoluteFilePath(db));
        // SQLite puts its companions beside the name it was given, or,
        // for a link, beside the file the link points to.
        QStringList bases{dbInfo.absoluteFilePath()};
        const QString real = dbInfo.canonicalFilePath();
        if (!real.isEmpty() && real != bases.first())
            bases << real;
        for (const QString& base : qAsConst(bases)) {
            static const QStringList suffixes{QString(), QStringLiteral("-journal"), QStringLiteral("-wal"),
                                              QStringLiteral("-shm")};
            for (const QString& suffix : suffixes) {
                const QFileInfo c(base + suffix);
                const bool same = outId == fileId(c.absoluteFilePath()) ||
                                  (out.fileName() == c.fileName() && outFolder == fileId(c.absolutePath()));
                if (!same)
                    continue;
                if (error)
                    *error = suffix.isEmpty()
                                 ? QStringLiteral("不能写入 %1：它就是正在使用的数据库文件。").arg(native)
                                 : QStringLiteral(
                                       "不能写入 %1：它是正在使用的数据库的日志文件，写入会损坏数据库。")
                                       .arg(native);
                return false;
            }
        }
    }
    return true;
}

bool Database::fileReplaced() const
{
    if (!isOpen() || m_server)
        return false;
    const FileId now = fileId(m_path);
    return !(now == FileId{true, m_device, m_inode});
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
            *error = describeFailure(db.lastError());
        }
    }
    tmp.close();
    if (!ok)
        QFile::remove(path); // only our own, just created file
    return ok;
}

bool Database::openServer(const QString& uri, QString* error)
{
    bool ok = false;
    {
        // The handle goes before close() removes the connection.
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_name);
        ServerAddress address;
        ServerAddress::parse(uri, &address, nullptr);
        if (!db.isValid()) {
            if (error)
                *error =
                    QStringLiteral("无法连接数据库服务器：缺少 PostgreSQL 驱动（软件包 libqt6sql6-psql）。");
        } else {
            ok = ServerStore::connect(db, uri, error) &&
                 ServerStore::prepareSchema(db, QStringLiteral("数据库%1").arg(address.display()), error);
        }
    }
    if (!ok) {
        close();
        return false;
    }
    m_path = uri;
    m_server = true;
    m_generation = nextGeneration();
    // The features' tables exist from the start on a server: two computers
    // making them at their first print would collide.
    const QVector<TableSpec> specs = TableRegistry::tables();
    if (std::any_of(specs.begin(), specs.end(), [this](const TableSpec& t) { return !hasTable(t.name); })) {
        Transaction tx(db());
        bool made = exec(QStringLiteral("SELECT pg_advisory_xact_lock(727972)"), {}, error);
        for (const TableSpec& t : specs)
            made = made && t.create(*this, error);
        if (!made || !tx.commit(error)) {
            close();
            return false;
        }
    }
    return true;
}

bool Database::open(const QString& path, QString* error, bool createIfMissing)
{
    close();
    // A server's database gets its tables on first use, whoever opens it.
    if (ServerAddress::isServer(path))
        return openServer(path, error);
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
    if (!DatabaseFile::check(path, error))
        return false;

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open()) {
        if (error)
            *error = QStringLiteral("无法打开数据库 %1：%2")
                         .arg(QDir::toNativeSeparators(path), describeFailure(db.lastError()));
        close();
        return false;
    }
    m_path = path;
    m_generation = nextGeneration();
    const FileId id = fileId(path);
    m_device = id.device;
    m_inode = id.inode;
    if (!configure(error)) {
        close();
        return false;
    }
    return true;
}

bool Database::configure(QString* error)
{
    // Searches collect their keys through it.
    if (!SqliteStatement::addKeyCollector(handle())) {
        if (error)
            *error = QStringLiteral("无法准备数据库连接。");
        return false;
    }
    // One file at rest (backup and restore rely on it), every commit on disk.
    // A search reads the whole list: with room for it in the page cache (up
    // to 32 MiB, some 200,000 recipients) it reads memory, not the file.
    return exec(QStringLiteral("PRAGMA journal_mode=DELETE"), {}, error) &&
           exec(QStringLiteral("PRAGMA synchronous=FULL"), {}, error) &&
           exec(QStringLiteral("PRAGMA cache_size=-32768"), {}, error);
}

void Database::close()
{
    m_server = false;
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
    // A server prepares statements by name, which a CREATE cannot be:
    // statements without values run as they are.
    if (binds.isEmpty()) {
        if (!q.exec(sql)) {
            if (error)
                *error = failure(q.lastError());
            return false;
        }
        return true;
    }
    if (!q.prepare(sql)) {
        if (error)
            *error = failure(q.lastError());
        return false;
    }
    for (const QVariant& v : binds)
        q.addBindValue(v);
    if (!q.exec()) {
        if (error)
            *error = failure(q.lastError());
        return false;
    }
    return true;
}

QString Database::rowIdColumn(const QString& table) const
{
    if (!m_server)
        return QStringLiteral("_rowid_");
    return table == Schema::kSenderTable ? ServerStore::kSenderKey : QStringLiteral("序号");
}

bool Database::columns(const QString& table, QStringList* out, QString* error) const
{
    out->clear();
    QSqlQuery q(db());
    if (!q.exec(QStringLiteral("SELECT * FROM %1 LIMIT 0").arg(Schema::quoted(table)))) {
        if (error)
            *error = failure(q.lastError());
        return false;
    }
    const QSqlRecord rec = q.record();
    for (int i = 0; i < rec.count(); ++i)
        if (!(m_server && rec.fieldName(i) == ServerStore::kSenderKey))
            *out << rec.fieldName(i);
    return true;
}

bool Database::hasTable(const QString& table) const
{
    if (!isOpen())
        return false;
    if (!m_server)
        return db().tables().contains(table);
    // Where the program made its tables: the first schema of the search path,
    // which is the user's own when there is one (Qt's list names it).
    QSqlQuery q(db());
    q.prepare(QStringLiteral("SELECT 1 FROM pg_catalog.pg_class WHERE relname = ? AND relkind = 'r' "
                             "AND relnamespace = current_schema()::regnamespace"));
    q.addBindValue(table);
    return q.exec() && q.next();
}

QString Database::inList(const QString& column, bool numbers) const
{
    if (!m_server)
        return QStringLiteral("%1 IN (SELECT value FROM json_each(?))").arg(column);
    return numbers
               ? QStringLiteral("%1 IN (SELECT value::bigint FROM json_array_elements_text(CAST(? AS json)))")
                     .arg(column)
               : QStringLiteral("%1 IN (SELECT value FROM json_array_elements_text(CAST(? AS json)))")
                     .arg(column);
}

QString Database::jsonList(const QList<qint64>& values)
{
    QStringList parts;
    parts.reserve(values.size());
    for (qint64 v : values)
        parts << QString::number(v);
    return QLatin1Char('[') + parts.join(QLatin1Char(',')) + QLatin1Char(']');
}

QString Database::containsText(const QString& column) const
{
    return m_server ? QStringLiteral("strpos(%1, ?) > 0").arg(column)
                    : QStringLiteral("instr(%1, ?) > 0").arg(column);
}

QString Database::type(Type t) const
{
    switch (t) {
    case Type::Key:
        return m_server ? QStringLiteral("bigint GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY")
                        : QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
    case Type::Integer:
        return m_server ? QStringLiteral("bigint") : QStringLiteral("INTEGER");
    case Type::Real:
        return m_server ? QStringLiteral("double precision") : QStringLiteral("REAL");
    case Type::Blob:
        return m_server ? QStringLiteral("bytea") : QStringLiteral("BLOB");
    case Type::Text:
        break;
    }
    return QStringLiteral("TEXT");
}

QString Database::failure(const QSqlError& error) const
{
    return m_server ? ServerStore::describe(error) : describeFailure(error);
}

bool Database::readIds(const QString& sql, const QVariantList& binds, QVector<qint64>* out,
                       QString* error) const
{
    out->clear();
    if (m_server)
        return ServerStore::readIds(db(), sql, binds, out, error);
    SqliteStatement st(handle(), sql);
    if (!st || !st.bind(binds)) {
        if (error)
            *error = st.error();
        return false;
    }
    return st.readIds(out, error);
}

bool Database::readMatchingIds(const QString& table, const QString& key, const QString& where,
                               const QVariantList& binds, QVector<qint64>* out, int* total,
                               QString* error) const
{
    out->clear();
    *total = -1;
    if (m_server) {
        if (!ServerStore::readMatchingIds(db(), table, key, where, binds, out, total, error))
            return false;
    } else {
        SqliteStatement st(handle(),
                           QStringLiteral("SELECT COUNT(*), waybill_keys(?, %2) FILTER (WHERE %3) FROM %1")
                               .arg(table, key, where));
        qint64 count = 0;
        if (!st || !st.bind(binds, false, 2)) {
            if (error)
                *error = st.error();
            return false;
        }
        if (!st.readCountAndKeys(&count, out, error))
            return false;
        *total = int(count);
    }
    // The scan usually meets the keys in order already.
    if (!std::is_sorted(out->cbegin(), out->cend()))
        std::sort(out->begin(), out->end());
    return true;
}

bool Database::readRows(const QString& sql, const QVariantList& binds, int n,
                        const std::function<void(qint64, const QVector<QString>&)>& each,
                        QString* error) const
{
    if (m_server)
        return ServerStore::readRows(db(), sql, binds, n, each, error);
    SqliteStatement st(handle(), sql);
    if (!st || !st.bind(binds)) {
        if (error)
            *error = st.error();
        return false;
    }
    return st.readRows(n, each, error);
}

bool Database::appendRows(const QString& table, const QStringList& columns, int count,
                          const std::function<void(int, QVector<QVariant>&)>& rowAt,
                          const std::function<bool(int)>& progress, bool* cancelled, QString* error)
{
    if (cancelled)
        *cancelled = false;
    // Progress and cancel for both stores: a row source that reports the
    // percentage as it changes and stops when asked to.
    int lastPercent = -1;
    auto next = [&](int r, QVector<QVariant>& values) {
        const int percent = int(qint64(r) * 100 / count);
        if (progress && percent != lastPercent) {
            lastPercent = percent;
            if (!progress(percent)) {
                if (cancelled)
                    *cancelled = true;
                return false;
            }
        }
        rowAt(r, values);
        return true;
    };
    bool ok;
    if (m_server) {
        ok = ServerStore::copyIn(db(), table, columns, count, next, error);
    } else {
        QStringList quoted, marks;
        for (const QString& c : columns) {
            quoted << Schema::quoted(c);
            marks << QStringLiteral("?");
        }
        const QString sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                .arg(Schema::quoted(table), quoted.join(QStringLiteral(", ")),
                                     marks.join(QStringLiteral(", ")));
        ok = SqliteStatement::insertRows(handle(), sql, columns.size(), count, next, error);
    }
    if (ok && progress)
        progress(100);
    return ok;
}

bool Database::lockNumbers(QString* error)
{
    if (!m_server)
        return true;
    // Held to the end of the transaction; only number-givers wait for it.
    return exec(QStringLiteral("SELECT pg_advisory_xact_lock(727973)"), {}, error);
}

bool Database::watchChanges(QObject* context, const std::function<void(const QString&)>& changed)
{
    if (!m_server || !isOpen())
        return false;
    QSqlDriver* driver = db().driver();
    if (!driver->subscribedToNotifications().contains(ServerStore::kChannel) &&
        !driver->subscribeToNotification(ServerStore::kChannel))
        return false;
    QObject::connect(driver, &QSqlDriver::notification, context,
                     [changed](const QString& name, QSqlDriver::NotificationSource, const QVariant& payload) {
                         if (name == ServerStore::kChannel)
                             changed(payload.toString());
                     });
    return true;
}
