#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>

class Database;

// The index behind the "contains" searches of the recipient lists (inr and
// excel, by 姓名, 手机 and 快递单号), so that a search of three characters
// or more looks rows up instead of reading the whole table.
//
// In the file: one FTS5 table with the trigram tokenizer per list. The
// connections run without a trusted schema, where no trigger may write a
// virtual table, so the program's triggers only note the rows that changed
// (search_queue), with the texts the index holds for them; the program
// brings the index in step with them, and a search reads the noted rows
// beside the index, so it is never behind. A bulk load is indexed in one
// statement after it, its triggers resting meanwhile.
// On a server: pg_trgm GIN indexes, which serve LIKE themselves; without
// the extension searches read the table as before.
//
// Either way the index only narrows the rows: each still passes the very
// test a scan applies, so both find the same rows for every text.
namespace SearchIndex {

inline const QString kQueueTable = QStringLiteral("search_queue");
inline const QString kSizesTable = QStringLiteral("list_sizes");

// The lists and the columns searched.
QStringList tables();
QStringList columns();

// Every object the index makes in a file, by name: the statement as
// SQLite keeps it in the schema (DatabaseFile accepts exactly these).
QMap<QString, QString> fileObjects();
// The index's statements as earlier builds wrote them, by name: a book of
// theirs is accepted and gets the index anew at its opening.
QMultiMap<QString, QString> earlierFileObjects();
// The tables FTS5 keeps for each of its own, which it names itself.
QStringList fileShadowTables();

// Makes what is missing: in a file the objects, filled from the rows the
// lists hold; on a server the extension and its indexes. A read-only file
// or a server that refuses the extension keeps searching by scan.
bool ensure(Database& db, QString* error);

// Indexes at most limit of the rows of table the triggers noted, in the
// transaction that is open (a file only; a bulk load takes its rows in
// at once).
bool takeIn(Database& db, const QString& table, int limit);

// Runs load, which appends rows (about rows of them) to table in the
// transaction that is open, and indexes them at once with it (a failure
// fails the load); columns are the ones the load fills. A server's list
// filled anew is loaded without its indexes: buildMissing after the commit.
bool appendInBulk(Database& db, const QString& table, const QStringList& columns, int rows,
                  const std::function<bool()>& load, QString* error);

// Starts building a server's missing indexes beside the program (nothing
// in a file); until they are there the searches read the lists.
void buildMissing(const Database& db);

// Empties table, its index with it, in the transaction that is open.
bool clear(Database& db, const QString& table, QString* error);

// Indexes at most limit of the rows the triggers noted (a file only).
// False when it could not now (another writer, a read-only file); the
// searches still find every row.
bool catchUp(Database& db, int limit);

// The number of table's rows as the triggers keep it (a file's list with
// its index), else -1.
int rowCount(const Database& db, const QString& table);

// The test and its binds that find table's rows whose column contains
// text through the index, to be ANDed with the scan's own test; false when
// the index cannot serve this text (fewer than three characters, a NUL)
// or the store has none.
bool narrowing(const Database& db, const QString& table, const QString& column, const QString& text,
               QString* where, QVariantList* binds);

} // namespace SearchIndex
