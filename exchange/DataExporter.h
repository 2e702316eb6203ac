#pragma once

#include "data/records/DataSet.h"
#include "exchange/Progress.h"

#include <QString>
#include <QStringList>

class Database;

// Writes the recipient list as the main window shows it (the whole table or
// a search result) to a workbook: row 1 the column names in the query's
// order, then one row of texts per record. The file appears complete or not
// at all: it is written beside the target and renamed over it at the end.
class DataExporter
{
public:
    enum class Format
    {
        Xls,
        Xlsx
    };

    static QString successMessage() { return QStringLiteral("成功导出全部数据!"); }

    // The format a chosen name and dialog filter ask for: .xlsx when the name
    // ends in ".xlsx" or the filter names "*.xlsx", .xls otherwise.
    static Format formatFor(const QString& chosenName, const QString& selectedFilter = {});
    // The file actually written: the chosen name with ".xls" (".xlsx")
    // appended unless it already ends so (any case).
    static QString targetPath(const QString& chosenName, Format format);

    // Records one workbook of the format takes: its first sheet, less the
    // title row (the import reads the first sheet only). A longer list is
    // refused, never split over sheets.
    static int maxRecords(Format format);

    // Whether the file that will be written already exists although the
    // chosen name did not name it: the extension is added after a save
    // dialog's own overwrite question, so the caller must ask itself.
    static bool extensionHidesExisting(const QString& chosenName, Format format);

    enum class Existing
    {
        Replace, // the user has agreed (or the dialog asked)
        Refuse   // an existing file at the target is an error
    };

    struct Result
    {
        bool ok = false;
        bool cancelled = false;
        bool targetExists = false; // refused because the file exists (Existing::Refuse)
        QString path;              // the file written
        int records = 0;           // records written
        bool filtered = false;     // the list was a search result, not the whole table
        QString error;             // Chinese reason on failure
    };

    // The message after a successful export: how many records, and whether
    // they were only a search result.
    static QString messageFor(const Result& result);

    // The rows of data's query (its table, or its search) as they stand when
    // written: read afresh, so the set's own rows need not be held.
    static Result exportDataSet(const DataSet& data, const QString& chosenName, Format format,
                                const ProgressFn& progress = {}, Existing existing = Existing::Replace);
    // The same for a set's query(), read on a connection of its own to the
    // address book at dbPath, opened and closed in the calling thread: what
    // a worker thread runs.
    static Result exportQuery(const QString& dbPath, const DataSet::Query& query, const QString& chosenName,
                              Format format, const ProgressFn& progress = {},
                              Existing existing = Existing::Replace);

private:
    // The rows of query, read afresh in chunks as they are written, so
    // neither the list nor its keys are held; count is what they were
    // counted at, for the limit and the progress.
    static Result exportRows(const Database& db, const DataSet::Query& query, const QStringList& fields,
                             int count, const QString& chosenName, Format format, const ProgressFn& progress,
                             Existing existing);
    static bool countRows(const Database& db, const DataSet::Query& query, int* count, QString* error);
};
