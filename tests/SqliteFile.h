#pragma once

// Writes into an SQLite file below the program, as another program or a
// damaged copy would: for tests that make hostile or foreign files.

#include <QFile>
#include <QString>

#include <sqlite3.h>

namespace SqliteFile {

// Runs sql on the file at path (made when missing); true when every
// statement succeeded.
inline bool exec(const QString& path, const char* sql)
{
    sqlite3* db = nullptr;
    const bool opened = sqlite3_open(QFile::encodeName(path).constData(), &db) == SQLITE_OK;
    const bool ok = opened && sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

} // namespace SqliteFile
