#pragma once

#include <QString>

struct sqlite3;

// The address book file itself, before any connection opens it: whether it
// is one of this program's, whether it may be trusted, and its recovery
// after a crash mid-write.
class DatabaseFile
{
public:
    // Whether the file at path is an address book of this program: a
    // regular SQLite file holding the tables outr, inr and excel with every
    // column the program reads or writes, and nothing that could act on its
    // own: no trigger, view, virtual table or table the program does not
    // make (TableRegistry). Reads only, but for the recovery SQLite makes of
    // a file that a crash left mid-write. With thorough set, SQLite's quick
    // check reads every page, and every row of those tables and of the
    // features' tables the file has is read: catches damaged and truncated
    // files.
    static bool check(const QString& path, QString* error, bool thorough = false);

    // The thorough check of a private copy (ScratchCopy) of the backup at
    // original: the journal or log copied with it is taken in first (in the
    // copy, which is left one file at rest), and what is said names the
    // backup, not the copy.
    static bool checkBackup(const QString& copy, const QString& original, QString* error);

    // Lets SQLite recover a file that a crash left mid-write: an ordinary
    // read-write open and read rolls a hot journal back (or takes in a
    // write-ahead log). A journal of a transaction still in progress in
    // another process is not hot and stays untouched. Returns SQLite's
    // result code of the read (SQLITE_OK when there was nothing to do).
    static int recoverAfterCrash(const QString& path);

    // SQLite's settings for a file that may come from anywhere: defensive
    // mode (no writing to the schema or to SQLite's own pages) and no
    // functions run from the schema but harmless ones (trusted_schema off).
    static bool harden(sqlite3* handle);

    // The program's mark in the file's header (SQLite's application_id):
    // files it made, checked backups and books it checked once carry it, so
    // only a file from elsewhere pays for the thorough check at opening.
    static constexpr int kApplicationId = 0x57594231;
    static bool isStamped(const QString& path);
    // Sets the mark on an open handle unless it is there already.
    static bool stamp(sqlite3* handle);
};
