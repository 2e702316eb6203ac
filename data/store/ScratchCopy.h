#pragma once

#include <QString>

// A private copy of an SQLite file the program takes in (a backup to
// restore), made with the companions that decide what the file holds: a
// rollback journal or a write-ahead log beside it. Whatever SQLite then
// does while reading (roll the journal back, take in the log, leave a
// -shm) happens to the copy, never to the user's files.
//
// The copy lives in a hidden folder of its own (".waybill-copy-XXXXXX",
// owner only) beside the address book, like the program's other temporary
// files; the folder is locked (flock) while its ScratchCopy lives and
// removed when it ends. sweep() removes the folders that killed runs left;
// every open of the address book calls it.
class ScratchCopy
{
public:
    ScratchCopy() = default;
    ~ScratchCopy();
    ScratchCopy(const ScratchCopy&) = delete;
    ScratchCopy& operator=(const ScratchCopy&) = delete;

    // Copies source (a regular file) and its regular -journal and -wal
    // into a new folder inside folder. A -shm is never copied: SQLite
    // builds it afresh from the log.
    bool make(const QString& source, const QString& folder, QString* error);
    // The copy, named "copy.db" inside the folder.
    QString path() const { return m_path; }

    // Where the copies for the store at location live: the folder of the
    // address book file, or for a server the folder of the book the
    // program uses without one (DataLocation).
    static QString folderFor(const QString& location);
    // Removes the folders of copies that killed runs left in folder: ours
    // by name, owned by this user, untouched for minAgeSeconds and locked
    // by no live copy. Returns how many were removed.
    static int sweep(const QString& folder, int minAgeSeconds = kStaleSeconds);
    static constexpr int kStaleSeconds = 600;

private:
    void remove();

    QString m_folder;
    QString m_path;
    int m_lockFd = -1;
};
