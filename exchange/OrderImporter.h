#pragma once

#include "exchange/OrderMapping.h"
#include "exchange/Progress.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

class AddressParser;
class Database;
class OrderFile;

// One order row as it will be stored, with what the user should look at.
struct OrderRow
{
    int fileRow = 0;    // 1-based, as the file shows it
    QStringList values; // Schema::importColumns() order
    QStringList masked; // columns a platform hid or encrypted ("138****5678")
    QStringList unsure; // columns the recogniser was not sure of
    enum class Duplicate
    {
        None,
        Existing, // equal to a recipient already stored
        InFile    // equal to an earlier row of the file
    };
    Duplicate duplicate = Duplicate::None;
    qint64 existingKey = -1; // Existing: the stored row's key
    int earlier = -1;        // InFile: the earlier row's index in the plan
    bool checked = false;    // the user looked at it in the review

    bool needsReview() const { return !checked && (!masked.isEmpty() || !unsure.isEmpty()); }
    QString value(const QString& column) const;
    void setValue(const QString& column, const QString& text);
    // "手机被隐藏；城市不确定" for the review list.
    QString problems() const;
};

// The rows of an order file, mapped and recognised, before storing.
struct OrderPlan
{
    QVector<OrderRow> rows;
    QList<int> blankRows; // file rows left out: neither name nor address
    int duplicates() const;
    int needingReview() const;
};

// Imports an order file into the recipients (appended, nothing there ever
// deleted or changed except by a merge the user chose) or into the Excel
// list (replaced, as the Excel import does). The rows are mapped and
// recognised first (prepare), the user may look at and edit them, then
// store() writes them in one transaction: all or nothing.
class OrderImporter
{
public:
    enum class Destination
    {
        Recipients,
        ExcelList
    };
    enum class Duplicates
    {
        Skip,
        Merge
    };

    // A cell as platforms write it for spreadsheets: ="13800138000",
    // '13800138000 and tab-padded numbers give their text.
    static QString cleanCell(QStringView cell);
    // A value a platform hid or encrypted: "*" in it, or a long token of
    // letters and digits where a name, number or address should be.
    static bool isMasked(const QString& value);

    // One row of cells mapped (the window's preview uses it too).
    static OrderRow mapRow(const QStringList& cells, int fileRow, const OrderMapping& mapping,
                           const AddressParser& parser);
    // Every order row of the file; progress 0..100.
    static bool prepare(const OrderFile& file, const OrderMapping& mapping, const AddressParser& parser,
                        OrderPlan* plan, QString* error, const ProgressFn& progress = {},
                        bool* cancelled = nullptr);
    // Marks the rows equal (same name, mobile and address) to a recipient
    // stored, when they go to the recipients, or to an earlier row.
    static bool markDuplicates(Database& db, Destination to, OrderPlan* plan, QString* error);

    struct Result
    {
        bool ok = false;
        bool cancelled = false;
        int imported = 0;   // new rows
        int duplicates = 0; // skipped or merged
        int review = 0;     // stored rows that need a look
        QList<int> blankRows;
        QString summary; // "导入 N 条，跳过 M 条重复，K 条需核对"
        QString reason;  // on failure
    };
    static QString summary(int imported, int duplicates, int review, Duplicates rule);

    // Stores the plan in one transaction (duplicates found afresh inside
    // it); progress 0..100.
    static Result store(Database& db, const OrderPlan& plan, Destination to, Duplicates rule,
                        const ProgressFn& progress = {});
};
