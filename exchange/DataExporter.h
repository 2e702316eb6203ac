#pragma once

#include "exchange/Progress.h"

#include <QString>

class DataSet;

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

    // Records per .xls sheet: a list longer than this continues on "Sheet2",
    // "Sheet3" …, each sheet starting with the title row again.
    static int xlsRowsPerSheet();

    struct Result
    {
        bool ok = false;
        bool cancelled = false;
        QString path; // the file written
        int records = 0;
        QString error; // Chinese reason on failure
    };

    static Result exportDataSet(const DataSet& data, const QString& chosenName, Format format,
                                const ProgressFn& progress = {});
};
