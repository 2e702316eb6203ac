#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QVariantList>

class QSqlError;
struct sqlite3;

// One connection to the address book file. The program holds several (the
// main window, the Excel window, the batch printing windows); each has a
// connection name of its own. All of them can be closed at once before the
// file is replaced by a restore.
class Database
{
public:
    Database();
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // The program's address book, taken afresh each call: data.mdb in the
    // working directory, or in the user's data folder when the program is
    // an installed one (DataLocation).
    static QString defaultPath();

    // Opens the file. A missing (or empty) file is created with the three
    // tables and mode 0600 when createIfMissing is set, its folder too. A file that exists
    // but is not such a database is refused and left untouched.
    bool open(const QString& path, QString* error, bool createIfMissing = true);
    void close();
    bool isOpen() const;
    QString path() const { return m_path; }
    QString connectionName() const { return m_name; }
    QSqlDatabase db() const;
    sqlite3* handle() const;

    // Runs a statement that returns no rows, with bound parameters.
    bool exec(const QString& sql, const QVariantList& binds = {}, QString* error = nullptr);

    // Whether the file at path is an address book of this program: an SQLite
    // file holding the tables outr, inr and excel with every column the
    // program reads or writes. Reads only, but for the recovery SQLite makes
    // of a file that a crash left mid-write. With thorough set, every page
    // is read too (catches truncated files).
    static bool checkFile(const QString& path, QString* error, bool thorough = false);

    // Lets SQLite recover a file that a crash left mid-write: an ordinary
    // read-write open and read rolls a hot journal back (or takes in a
    // write-ahead log). A journal of a transaction still in progress in
    // another process is not hot and stays untouched. Returns SQLite's
    // result code of the read (SQLITE_OK when there was nothing to do).
    static int recoverAfterCrash(const QString& path);

    // Refuses target when writing it would overwrite an address book in use:
    // the one at dbPath or any the program has open, found by identity
    // (device and inode, so links and other spellings of the name are
    // caught), or one of their companion files (-journal, -wal, -shm),
    // which SQLite would apply to the database. Every output (PDF, export,
    // backup) asks this before writing.
    static bool checkOutputPath(const QString& target, const QString& dbPath, QString* error);

    // Whether the file at path() is no longer the one this connection
    // opened, i.e. another program replaced it (a restore). The connection
    // then still reads the old, deleted file and must be reopened.
    bool fileReplaced() const;

    // The user's sentence for an SQLite failure, SQLite's own text after it.
    // A busy or locked database is never called damaged.
    static QString lockedMessage() { return QStringLiteral("数据库正被其他程序使用，请稍后再试"); }
    static QString describeFailure(int sqliteCode, const QString& detail);
    static QString describeFailure(const QSqlError& error);

    // Creates a new, empty address book at path (mode 0600).
    static bool createFile(const QString& path, QString* error);

    // Closes every connection the program holds (before a restore).
    static void closeAll();

private:
    bool configure(QString* error);

    QString m_name;
    QString m_path;
    quint64 m_device = 0; // identity of the file opened
    quint64 m_inode = 0;
};
