#pragma once

#include <QStringList>

class Database;

// Builds a server's search indexes on a connection and a thread of its
// own, after a list was loaded in bulk without them: one build over the
// loaded rows costs the server about half of keeping the indexes row by
// row, and the user does not wait for it. Until it is done the searches
// read the table, which finds the same rows.
namespace ServerIndexBuild {

// Starts running statements (each "CREATE INDEX IF NOT EXISTS …") on db's
// server, in one transaction under the lock the index's making takes;
// returns at once. A build already going on in this program takes them
// after its own.
void start(const Database& db, const QStringList& statements);

// Whether a build this program started is still going on.
bool running();

// Waits until no build is going on, at most seconds (a program about to
// end, whose builds would otherwise be cut short).
bool wait(int seconds);

} // namespace ServerIndexBuild
