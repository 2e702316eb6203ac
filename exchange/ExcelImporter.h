#pragma once

#include "exchange/Progress.h"
#include "exchange/WorkbookReader.h"

#include <QString>
#include <QStringList>
#include <QVector>

class Database;

// Fills table `excel` from a workbook: the header row names the ten
// recipient columns (any order, further columns ignored), every following
// non-empty row with a name or an address becomes one record (a row with
// neither would print an empty form; the summary names those left out). The workbook is read completely
// before the table is touched; the table is then replaced in one transaction, so a failure or a cancel leaves
// the previous import as it was.
class ExcelImporter
{
public:
    static QString successMessage() { return QStringLiteral("批量导入EXCEL成功！"); }
    static QString failureMessage() { return QStringLiteral("批量导入EXCEL失败！"); }
    static QString emptyPathMessage() { return QStringLiteral("请正确选择相关路径！"); }

    // The path as the window takes it: blanks and control characters trimmed.
    static QString cleanPath(const QString& typed);
    // Whether nothing is left of the typed path after trimming.
    static bool isEmptyPath(const QString& typed) { return cleanPath(typed).isEmpty(); }

    struct Result
    {
        bool ok = false;
        bool cancelled = false;
        int imported = 0;     // records now in `excel`
        QString message;      // successMessage(), or failureMessage() with the reason on a second line
        QString reason;       // the reason alone (empty on success)
        QList<int> blankRows; // sheet rows (1-based) left out: neither name nor address
    };

    // "未导入 2 行（姓名和地址都为空）：第 5、9 行", for the import's summary.
    static QString blankRowsNote(const QList<int>& rows);

    // How many rows of the current `excel` list carry a printed mark or a
    // waybill number: what an import would replace, for the question first.
    static bool markedRows(Database& db, int* count, QString* error);

    // Reads the workbook at path and replaces the contents of `excel`. On
    // success with rows left out, message says which on a second line.
    // Progress: 0..50 reading, 50..100 storing.
    static Result importFile(Database& db, const QString& path, const ProgressFn& progress = {});
    // The same on a connection of its own to the address book at dbPath,
    // opened and closed in the calling thread: what a worker thread runs.
    static Result importFileInto(const QString& dbPath, const QString& path, const ProgressFn& progress = {});

    // The import's records from rows of a sheet (row 0 is the header): each
    // record holds the ten columns in Schema::importColumns() order.
    // The records are charged to `budget` (the reading's, where given):
    // past it the import refuses. Rows with neither name nor address are
    // left out, their sheet row numbers (1-based) in *blankRows.
    static bool mapRows(const TextTable& rows, QVector<QStringList>* records, QString* error,
                        WorkbookReader::Budget* budget = nullptr, QList<int>* blankRows = nullptr);

    // Replaces the contents of `excel` by the records (ten texts each).
    static bool replaceTable(Database& db, const QVector<QStringList>& records, QString* error,
                             const ProgressFn& progress = {}, bool* cancelled = nullptr);
};
