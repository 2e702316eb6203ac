#pragma once

#include <QString>

class Database;

// Copies an address book's content from one store into another: the
// senders, recipients and imported list with their numbers, the print
// record and the template adjustments. What the target's tables held is
// replaced, in one transaction, so the target holds either its old content
// or the whole copy. This is how a server's address book is backed up into
// a file and a backup file is restored onto a server.
class StoreCopy
{
public:
    static bool copy(Database& from, Database& to, QString* error);
};
