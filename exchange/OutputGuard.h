#pragma once

#include <QString>
#include <QStringList>

// Keeps every output (PDF, export, backup) off the address books in use:
// a target is refused when it is one of the books, found by identity
// (device and inode, so links and other spellings of the name are caught),
// or one of their companion files (-journal, -wal, -shm), which SQLite
// would apply to the database. The caller names the books it holds;
// server addresses among them have no file to protect. A target that is
// a folder, a device, a pipe or a socket is refused as well.
class OutputGuard
{
public:
    explicit OutputGuard(const QStringList& books);

    // Whether target may be written; why not in *error.
    bool allows(const QString& target, QString* error) const;

    // The same for one book.
    static bool check(const QString& target, const QString& book, QString* error);

    // Whether target is missing or a regular file (through links).
    static bool isWritableKind(const QString& target, QString* error);

private:
    QStringList m_books;
};
