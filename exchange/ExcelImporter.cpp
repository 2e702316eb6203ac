#include "exchange/ExcelImporter.h"

#include "data/store/Database.h"
#include "data/store/Schema.h"
#include "data/store/SearchIndex.h"
#include "data/store/Transaction.h"
#include "exchange/CellText.h"
#include "exchange/WorkbookReader.h"

#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <functional>

QString ExcelImporter::cleanPath(const QString& typed)
{
    return CellText::trimmed(typed);
}

namespace {

// Where the import's columns are in a sheet's header (row 0), in
// Schema::importColumns() order. Header cells are compared in place: one
// may be a very long text.
bool findColumns(const TextTable& rows, QVector<int>* index, QString* error)
{
    const QStringList wanted = Schema::importColumns();
    if (rows.rowCount() == 0) {
        if (error)
            *error =
                QStringLiteral("工作表是空的，第一行应是标题行：%1。").arg(wanted.join(QStringLiteral("、")));
        return false;
    }
    auto columnOf = [&](const QString& title) {
        for (int c = 0; c < rows.columnCount(0); ++c)
            if (CellText::trimmed(rows.at(0, c)) == title)
                return c;
        return -1;
    };
    QStringList missing;
    index->clear();
    for (const QString& w : wanted) {
        const int i = columnOf(w);
        if (i < 0)
            missing << w;
        *index << i;
    }
    if (!missing.isEmpty()) {
        if (error)
            *error = QStringLiteral("标题行缺少列：%1").arg(missing.join(QStringLiteral("、")));
        return false;
    }
    return true;
}

// The rows after the header that are recipients: a row with text only in
// columns the import ignores is none. A row with neither name nor address
// would print as an empty form: it is left out, and its sheet row number
// (1-based) goes to *blank.
QVector<int> recipientRows(const TextTable& rows, const QVector<int>& index, QList<int>* blank)
{
    const QVector<int> who = {int(Schema::importColumns().indexOf(QStringLiteral("姓名"))),
                              int(Schema::importColumns().indexOf(QStringLiteral("地址")))};
    QVector<int> kept;
    for (int r = 1; r < rows.rowCount(); ++r) {
        if (std::none_of(index.cbegin(), index.cend(), [&](int i) { return !rows.at(r, i).isEmpty(); }))
            continue;
        if (std::all_of(who.cbegin(), who.cend(),
                        [&](int w) { return CellText::trimmed(rows.at(r, index.at(w))).isEmpty(); })) {
            if (blank)
                *blank << rows.rowKey(r) + 1;
            continue;
        }
        kept << r;
    }
    return kept;
}

// Replaces the contents of `excel` by `count` rows of ten texts from rowAt.
bool replaceRows(Database& db, int count, const std::function<void(int, QVector<QVariant>&)>& rowAt,
                 QString* error, const ProgressFn& progress, bool* cancelled)
{
    if (cancelled)
        *cancelled = false;
    QSqlDatabase conn = db.db();
    Transaction tx(conn);
    if (!tx.isActive()) {
        if (error)
            *error = db.failure(conn.lastError());
        return false;
    }
    if (!db.removeAllRows(Schema::kExcelTable, error))
        return false;
    // On a failure or a cancel the transaction rolls back.
    if (!db.appendRows(Schema::kExcelTable, Schema::importColumns(), count, rowAt, progress, cancelled,
                       error))
        return false;
    if (!tx.commit(error))
        return false;
    SearchIndex::buildMissing(db);
    return true;
}

} // namespace

bool ExcelImporter::mapRows(const TextTable& rows, QVector<QStringList>* records, QString* error,
                            WorkbookReader::Budget* budget, QList<int>* blankRows)
{
    records->clear();
    QVector<int> index;
    if (!findColumns(rows, &index, error))
        return false;
    const QVector<int> kept = recipientRows(rows, index, blankRows);
    // The records own their texts: cells that were one shared string in the
    // workbook become a copy each. They are charged, with their lists, to
    // the budget before they are made.
    WorkbookReader::Budget own;
    WorkbookReader::Budget& charged = budget ? *budget : own;
    constexpr qint64 kRecordCost = qint64(sizeof(QStringList)) + 16; // the list and its header
    constexpr qint64 kTextCost = 40;                                 // a text's header, heap and slot
    for (int r : kept) {
        qint64 bytes = kRecordCost + index.size() * qint64(sizeof(QString));
        for (int i : qAsConst(index)) {
            const qsizetype n = rows.at(r, i).size();
            bytes += n > 0 ? kTextCost + 2 * qint64(n) : 0;
        }
        if (!charged.charge(bytes)) {
            if (error)
                *error = WorkbookReader::Budget::message();
            return false;
        }
    }
    records->reserve(kept.size());
    for (int r : kept) {
        QStringList rec;
        rec.reserve(index.size());
        for (int i : qAsConst(index))
            rec << rows.at(r, i).toString();
        records->append(rec);
    }
    return true;
}

bool ExcelImporter::markedRows(Database& db, int* count, QString* error)
{
    *count = 0;
    QSqlQuery q(db.db());
    if (!q.exec(QStringLiteral("SELECT count(*) FROM excel WHERE coalesce(\"已打印\", '') <> '' "
                               "OR coalesce(\"快递单号\", '') <> ''")) ||
        !q.next()) {
        if (error)
            *error = q.lastError().text();
        return false;
    }
    *count = q.value(0).toInt();
    return true;
}

bool ExcelImporter::replaceTable(Database& db, const QVector<QStringList>& records, QString* error,
                                 const ProgressFn& progress, bool* cancelled)
{
    // Every imported cell is a text; an empty cell an empty text.
    const QString none = QStringLiteral("");
    const int columns = int(Schema::importColumns().size());
    auto rowAt = [&](int r, QVector<QVariant>& values) {
        const QStringList& rec = records.at(r);
        for (int c = 0; c < columns; ++c)
            values[c] = c < rec.size() && !rec.at(c).isEmpty() ? rec.at(c) : none;
    };
    return replaceRows(db, int(records.size()), rowAt, error, progress, cancelled);
}

ExcelImporter::Result ExcelImporter::importFile(Database& db, const QString& typedPath,
                                                const ProgressFn& progress)
{
    Result res;
    auto fail = [&](const QString& why) {
        res.reason = why;
        res.message = failureMessage() + QLatin1Char('\n') + why;
        return res;
    };
    const QString path = cleanPath(typedPath);
    if (path.isEmpty()) {
        res.reason = emptyPathMessage();
        res.message = emptyPathMessage();
        return res;
    }
    if (!db.isOpen())
        return fail(QStringLiteral("数据库没有打开。"));

    // Halves of the bar: reading the workbook, then storing the records.
    auto half = [&](int offset) -> ProgressFn {
        if (!progress)
            return {};
        return [&progress, offset](int p) { return progress(offset + p / 2); };
    };

    WorkbookReader reader;
    QString why;
    bool cancelled = false;
    if (!reader.read(path, &why, half(0), &cancelled)) {
        res.cancelled = cancelled;
        return fail(why);
    }
    // The rows go from the sheet's texts to the store one at a time: no
    // copy of the whole list is made on the way.
    const TextTable& rows = reader.table();
    QVector<int> index;
    if (!findColumns(rows, &index, &why))
        return fail(QStringLiteral("工作表“%1”%2").arg(reader.sheetName(), why));
    const QVector<int> kept = recipientRows(rows, index, &res.blankRows);
    const QString none = QStringLiteral("");
    auto rowAt = [&](int r, QVector<QVariant>& values) {
        for (int c = 0; c < index.size(); ++c) {
            const QStringView text = rows.at(kept.at(r), index.at(c));
            values[c] = text.isEmpty() ? none : text.toString();
        }
    };
    if (!replaceRows(db, int(kept.size()), rowAt, &why, half(50), &cancelled)) {
        res.cancelled = cancelled;
        return fail(why);
    }
    res.ok = true;
    res.imported = int(kept.size());
    res.message = successMessage();
    if (!res.blankRows.isEmpty())
        res.message += QLatin1Char('\n') + blankRowsNote(res.blankRows);
    return res;
}

QString ExcelImporter::blankRowsNote(const QList<int>& rows)
{
    // A long list of numbers helps nobody: the first few, then the count.
    constexpr int kShown = 20;
    QStringList numbers;
    for (int i = 0; i < rows.size() && i < kShown; ++i)
        numbers << QString::number(rows.at(i));
    QString list = numbers.join(QStringLiteral("、"));
    if (rows.size() > kShown)
        list += QStringLiteral(" 等");
    return QStringLiteral("未导入 %1 行（姓名和地址都为空）：第 %2 行").arg(rows.size()).arg(list);
}

ExcelImporter::Result ExcelImporter::importFileInto(const QString& dbPath, const QString& path,
                                                    const ProgressFn& progress)
{
    Database db;
    QString why;
    // An empty path is refused before any connection is made.
    if (!isEmptyPath(path) && !db.open(dbPath, &why, false)) {
        Result res;
        res.reason = why;
        res.message = failureMessage() + QLatin1Char('\n') + why;
        return res;
    }
    return importFile(db, path, progress);
}
