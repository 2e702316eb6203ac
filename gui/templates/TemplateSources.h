#pragma once

#include "data/store/Database.h"

#include <QString>

class DataSet;

// What the template windows print from, handed in by whoever makes them:
// the main window's sender and recipient lists and the Excel window's list
// (a single print takes their current rows, exactly as the grids show
// them), and the address book the batch windows read their tables from.
// A missing list reads as a closed one.
struct TemplateSources
{
    DataSet* senders = nullptr;         // the main window's ADOQuery1
    DataSet* recipients = nullptr;      // the main window's ADOQuery2
    DataSet* excelRecipients = nullptr; // the Excel window's ADOQuery1
    // Empty: the program's address book as it is at each use (the user may
    // choose another under "数据库位置…" while windows are open).
    QString databasePath;
    QString database() const { return databasePath.isEmpty() ? Database::defaultPath() : databasePath; }
};
