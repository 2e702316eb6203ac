#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QVariantList>

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
    // file holding the tables outr, inr and excel. Reads only, but for the
    // recovery SQLite makes of a file that a crash left mid-write. With
    // thorough set, every page is read too (catches truncated files).
    static bool checkFile(const QString& path, QString* error, bool thorough = false);

    // Creates a new, empty address book at path (mode 0600).
    static bool createFile(const QString& path, QString* error);

    // Closes every connection the program holds (before a restore).
    static void closeAll();

private:
    bool configure(QString* error);

    QString m_name;
    QString m_path;
};
