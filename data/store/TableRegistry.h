#pragma once

#include <QString>
#include <QVector>

#include <functional>

class Database;

// A table that a feature keeps in the address book beside the three of the
// records (outr, inr, excel). Each feature declares its tables in its own
// file with a TableRegistration; a server gets them with its schema, and a
// copy between stores (backup, restore) takes every one of them, so a new
// table is declared in the one file that uses it.
struct TableSpec
{
    QString name;
    // The column a copy reads the rows in.
    QString orderKey;
    // orderKey is a number the store hands out: a copy numbers on after the
    // highest the original ever gave, so no number is given twice.
    bool numbered = false;
    // Makes the table where it is missing, on either store (may make the
    // other tables of its feature too).
    std::function<bool(Database&, QString*)> create;
    // Kept by the program from the records (an index): made where missing
    // when a store opens, never copied between stores.
    bool derived = false;
};

namespace TableRegistry {

// Every declared table, sorted by name.
QVector<TableSpec> tables();

} // namespace TableRegistry

// Declares a table at program start: a file-scope constant of the feature.
class TableRegistration
{
public:
    explicit TableRegistration(TableSpec table);
};
