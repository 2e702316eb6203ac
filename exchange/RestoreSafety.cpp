#include "exchange/RestoreSafety.h"

#include "data/store/DataLocation.h"
#include "data/store/Database.h"
#include "data/store/Schema.h"
#include "data/store/ServerAddress.h"
#include "exchange/DatabaseBackup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QUrl>

#include <sqlite3.h>

namespace {

const QString kMark = QStringLiteral(".安全副本-");
const QString kStampFormat = QStringLiteral("yyyyMMdd-HHmmss-zzz");
const QString kSuffix = QStringLiteral(".bak");

const QStringList& countedTables()
{
    static const QStringList tables{Schema::kSenderTable, Schema::kRecipientTable, Schema::kExcelTable};
    return tables;
}

// A server's copies are told apart by where the server is, in a name any
// folder takes.
QString serverPrefix(const QString& uri)
{
    ServerAddress a;
    if (!ServerAddress::parse(uri, &a, nullptr))
        return QStringLiteral("服务器");
    QString name = QStringLiteral("服务器-%1-%2-%3").arg(a.host).arg(a.port).arg(a.database);
    for (QChar& c : name)
        if (!c.isLetterOrNumber() && c != u'-' && c != u'.')
            c = u'_';
    return name;
}

// A read-only handle that neither writes nor locks the file and ignores
// any journal beside it, with SQLite's settings for files of unknown origin.
struct ForeignReader
{
    sqlite3* db = nullptr;
    ~ForeignReader() { sqlite3_close_v2(db); }
    bool open(const QString& path, QString* error)
    {
        const QByteArray uri =
            QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toEncoded() + "?mode=ro&immutable=1";
        const int rc = sqlite3_open_v2(uri.constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
        if (rc != SQLITE_OK) {
            if (error)
                *error = QStringLiteral("无法打开 %1：%2")
                             .arg(QDir::toNativeSeparators(path), QString::fromUtf8(sqlite3_errstr(rc)));
            return false;
        }
        sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
        sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
        return true;
    }
    bool count(const QString& table, qint64* out)
    {
        const QByteArray sql = QStringLiteral("SELECT count(*) FROM %1").arg(Schema::quoted(table)).toUtf8();
        sqlite3_stmt* st = nullptr;
        bool ok = sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr) == SQLITE_OK &&
                  sqlite3_step(st) == SQLITE_ROW;
        if (ok)
            *out = sqlite3_column_int64(st, 0);
        sqlite3_finalize(st);
        return ok;
    }
};

// The moment in a copy's name; invalid for any other name.
QDateTime stampOf(const QString& name)
{
    const int at = name.lastIndexOf(kMark);
    if (at < 0 || !name.endsWith(kSuffix))
        return {};
    const int from = at + kMark.size();
    return QDateTime::fromString(name.mid(from, name.size() - from - kSuffix.size()), kStampFormat);
}

qint64* field(RestoreSafety::Counts* c, int i)
{
    return i == 0 ? &c->senders : i == 1 ? &c->recipients : &c->excelRows;
}

} // namespace

QString RestoreSafety::Counts::describe() const
{
    return QStringLiteral("寄件人 %1 条、收件人 %2 条、Excel 数据 %3 条")
        .arg(senders)
        .arg(recipients)
        .arg(excelRows);
}

RestoreSafety::RestoreSafety(const QString& location) : m_location(location)
{
    const bool server = ServerAddress::isServer(location);
    m_folder = QFileInfo(server ? DataLocation::userDataBook() : location).absolutePath();
    m_prefix = server ? serverPrefix(location) : QFileInfo(location).fileName();
}

QStringList RestoreSafety::copies() const
{
    // Compared by name, not as a pattern: a book's name may hold [ or *.
    const QDir dir(m_folder);
    QStringList paths;
    for (const QString& n : dir.entryList(QDir::Files, QDir::Name))
        if (n.startsWith(m_prefix + kMark) && n.endsWith(kSuffix) && stampOf(n).isValid())
            paths << dir.absoluteFilePath(n);
    return paths;
}

QString RestoreSafety::latest() const
{
    const QStringList all = copies();
    return all.isEmpty() ? QString() : all.last();
}

QDateTime RestoreSafety::takenAt(const QString& path)
{
    const QDateTime named = stampOf(QFileInfo(path).fileName());
    return named.isValid() ? named : QFileInfo(path).lastModified();
}

bool RestoreSafety::keep(QString* written, QString* error, const ProgressFn& progress, bool* cancelled)
{
    written->clear();
    // A missing file holds nothing that could be lost.
    if (!ServerAddress::isServer(m_location) && !QFileInfo::exists(m_location))
        return true;
    if (!QDir().mkpath(m_folder)) {
        if (error)
            *error = QStringLiteral("无法创建文件夹 %1。").arg(QDir::toNativeSeparators(m_folder));
        return false;
    }
    QString name;
    do {
        if (!name.isEmpty())
            QThread::msleep(2);
        name = QDir(m_folder).filePath(m_prefix + kMark +
                                       QDateTime::currentDateTime().toString(kStampFormat) + kSuffix);
    } while (QFileInfo::exists(name));
    return DatabaseBackup::backup(m_location, name, error, written, progress, cancelled);
}

void RestoreSafety::prune() const
{
    QStringList all = copies();
    while (all.size() > kKept)
        QFile::remove(all.takeFirst());
}

RestoreSafety::Result RestoreSafety::restore(const QString& source, Copy copy,
                                             const std::function<void()>& closeConnections,
                                             const ProgressFn& progress)
{
    Result r;
    if (copy == Copy::Keep && !keep(&r.safetyCopy, &r.error, progress, &r.cancelled)) {
        r.copyFailed = !r.cancelled;
        if (r.copyFailed)
            r.error = QStringLiteral("无法保存当前数据的安全副本，没有恢复：") + r.error;
        return r;
    }
    bool replacing = false;
    r.ok = DatabaseBackup::restore(
        source, m_location, &r.error,
        [&] {
            replacing = true;
            if (closeConnections)
                closeConnections();
        },
        progress, &r.cancelled);
    // Nothing replaced: the copy is the book as it still stands.
    if (!r.ok && !replacing && !r.safetyCopy.isEmpty()) {
        QFile::remove(r.safetyCopy);
        r.safetyCopy.clear();
    }
    if (!r.safetyCopy.isEmpty())
        prune();
    return r;
}

RestoreSafety::Result RestoreSafety::undo(Copy copy, const std::function<void()>& closeConnections,
                                          const ProgressFn& progress)
{
    const QString source = latest();
    if (source.isEmpty()) {
        Result r;
        r.error = QStringLiteral("没有可以撤销的恢复：%1 中没有自动保存的安全副本。")
                      .arg(QDir::toNativeSeparators(m_folder));
        return r;
    }
    return restore(source, copy, closeConnections, progress);
}

bool RestoreSafety::countBook(const QString& location, Counts* out, QString* error)
{
    Database db;
    if (!db.open(location, error, false))
        return false;
    for (int i = 0; i < countedTables().size(); ++i) {
        QSqlQuery q(db.db());
        if (!q.exec(QStringLiteral("SELECT count(*) FROM %1").arg(Schema::quoted(countedTables().at(i)))) ||
            !q.next()) {
            if (error)
                *error = db.failure(q.lastError());
            return false;
        }
        *field(out, i) = q.value(0).toLongLong();
    }
    return true;
}

bool RestoreSafety::countBackup(const QString& path, Counts* out, QString* error)
{
    const QFileInfo info(path);
    // A pipe or a device would block the reader or never end.
    if (!info.isFile()) {
        if (error)
            *error = info.exists() ? QStringLiteral("%1 不是文件。").arg(QDir::toNativeSeparators(path))
                                   : QStringLiteral("找不到文件 %1。").arg(QDir::toNativeSeparators(path));
        return false;
    }
    ForeignReader reader;
    if (!reader.open(path, error))
        return false;
    for (int i = 0; i < countedTables().size(); ++i)
        if (!reader.count(countedTables().at(i), field(out, i))) {
            if (error)
                *error = QStringLiteral("%1 不是本程序的备份文件（无法读取表 %2：%3）。")
                             .arg(QDir::toNativeSeparators(path), countedTables().at(i),
                                  QString::fromUtf8(sqlite3_errmsg(reader.db)));
            return false;
        }
    return true;
}
