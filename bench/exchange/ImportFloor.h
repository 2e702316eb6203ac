#pragma once

#include <QString>

struct sqlite3;

// The floors of a workbook import (see bench_import): each returns the
// number of cells read, or -1.
namespace ImportFloor {

// The sheet part and the shared strings of an .xlsx inflated and
// stream-parsed, the cells' texts stored ten to a row into `excel` of db.
int xlsx(const QString& path, sqlite3* db);
// An .xls workbook stream read with libgsf and its records walked; with
// texts, the sheet's cells kept with their texts.
int xls(const QString& path, bool texts);

} // namespace ImportFloor
