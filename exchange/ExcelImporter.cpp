#include "exchange/ExcelImporter.h"

#include "data/Database.h"
#include "data/Schema.h"
#include "data/Transaction.h"
#include "exchange/CellText.h"
#include "exchange/WorkbookReader.h"

#include <QSqlError>
#include <QSqlQuery>

QString ExcelImporter::cleanPath(const QString& typed)
{
    return CellText::trimmed(typed);
}

bool ExcelImporter::mapRows(const TextTable& rows, QVector<QStringList>* records, QString* error,
                            WorkbookReader::Budget* budget)
{
    records->clear();
    const QStringList wanted = Schema::importColumns();
    if (rows.rowCount() == 0) {
        if (error)
            *error =
                QStringLiteral("工作表是空的，第一行应是标题行：%1。").arg(wanted.join(QStringLiteral("、")));
        return false;
    }
    // Header cells are compared in place: one may be a very long text.
    auto columnOf = [&](const QString& title) {
        for (int c = 0; c < rows.columnCount(0); ++c)
            if (CellText::trimmed(rows.at(0, c)) == title)
                return c;
        return -1;
    };
    QVector<int> index;
    QStringList missing;
    for (const QString& w : wanted) {
        const int i = columnOf(w);
        if (i < 0)
            missing << w;
        index << i;
    }
    if (!missing.isEmpty()) {
        if (error)
            *error = QStringLiteral("标题行缺少列：%1").arg(missing.join(QStringLiteral("、")));
        return false;
    }
    // The records own their texts: cells that were one shared string in the
    // workbook become a copy each. They are charged, with their lists, to
    // the reading's budget before they are made.
    WorkbookReader::Budget own;
    WorkbookReader::Budget& charged = budget ? *budget : own;
    constexpr qint64 kRecordCost = qint64(sizeof(QStringList)) + 16; // the list and its header
    constexpr qint64 kTextCost = 40;                                 // a text's header, heap and slot
    for (int r = 1; r < rows.rowCount(); ++r) {
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
    records->reserve(rows.rowCount() - 1);
    for (int r = 1; r < rows.rowCount(); ++r) {
        QStringList rec;
        rec.reserve(index.size());
        for (int i : qAsConst(index))
            rec << rows.at(r, i).toString();
        // A row with text only in columns the import ignores is no recipient.
        if (WorkbookReader::hasText(rec))
            records->append(rec);
    }
    return true;
}

bool ExcelImporter::replaceTable(Database& db, const QVector<QStringList>& records, QString* error,
                                 const ProgressFn& progress, bool* cancelled)
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
    if (!db.exec(QStringLiteral("DELETE FROM excel"), {}, error))
        return false;
    const QStringList cols = Schema::importColumns();
    // Every imported cell is a text; an empty cell an empty text.
    const QString none = QStringLiteral("");
    auto rowAt = [&](int r, QVector<QVariant>& values) {
        const QStringList& rec = records.at(r);
        for (int c = 0; c < cols.size(); ++c)
            values[c] = c < rec.size() && !rec.at(c).isEmpty() ? rec.at(c) : none;
    };
    // On a failure or a cancel the transaction rolls back.
    if (!db.appendRows(Schema::kExcelTable, cols, records.size(), rowAt, progress, cancelled, error))
        return false;
    return tx.commit(error);
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
    QVector<QStringList> records;
    if (!mapRows(reader.table(), &records, &why, &reader.budget()))
        return fail(QStringLiteral("工作表“%1”%2").arg(reader.sheetName(), why));
    if (!replaceTable(db, records, &why, half(50), &cancelled)) {
        res.cancelled = cancelled;
        return fail(why);
    }
    res.ok = true;
    res.imported = records.size();
    res.message = successMessage();
    return res;
}
