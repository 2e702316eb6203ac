#pragma once

#include <QString>

class Database;

// The recipient lists' sizes as a server keeps them, so that opening a
// list of a million rows counts nothing. The lists' triggers write each
// statement's change as a row of its own (inserting never waits on another
// writer, nor deadlocks with one); the size is their sum, and an opening
// folds them together now and then. TRUNCATE sets the size to 0.
namespace ServerListSizes {

// Makes the table, the function and the triggers where missing or as an
// earlier build made them, with the lists' sizes counted once; folds the
// written changes together when many have gathered.
bool ensure(Database& db, QString* error);

// The size of table as the triggers keep it; -1 when its triggers are not
// all there as this build makes them (then only a count knows).
int rowCount(const Database& db, const QString& table);

} // namespace ServerListSizes
