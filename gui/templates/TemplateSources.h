#pragma once

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
    // The address book: a file's path or a server's URI.
    QString databasePath;
    QString database() const { return databasePath; }
};
