#pragma once

#include <QString>

// The address book file itself, before any connection opens it: whether it
// is one of this program's, and its recovery after a crash mid-write.
class DatabaseFile
{
public:
    // Whether the file at path is an address book of this program: an SQLite
    // file holding the tables outr, inr and excel with every column the
    // program reads or writes. Reads only, but for the recovery SQLite makes
    // of a file that a crash left mid-write. With thorough set, every page
    // is read too, and every row of those tables and of the features' tables
    // the file has (TableRegistry): catches truncated files.
    static bool check(const QString& path, QString* error, bool thorough = false);

    // Lets SQLite recover a file that a crash left mid-write: an ordinary
    // read-write open and read rolls a hot journal back (or takes in a
    // write-ahead log). A journal of a transaction still in progress in
    // another process is not hot and stays untouched. Returns SQLite's
    // result code of the read (SQLITE_OK when there was nothing to do).
    static int recoverAfterCrash(const QString& path);
};
