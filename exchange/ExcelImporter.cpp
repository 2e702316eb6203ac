#include "exchange/ExcelImporter.h"

#include "data/Database.h"
#include "data/Schema.h"
#include "data/Transaction.h"
#include "exchange/CellText.h"
#include "exchange/WorkbookReader.h"

#include <QScopeGuard>
#include <QSqlError>
#include <QSqlQuery>

#include <sqlite3.h>

QString ExcelImporter::cleanPath(const QString& typed)
{
    return CellText::trimmed(typed);
}

bool ExcelImporter::mapRows(const QVector<QStringList>& rows, QVector<QStringList>* records, QString* error)
{
    records->clear();
    const QStringList wanted = Schema::importColumns();
    if (rows.isEmpty()) {
        if (error)
            *error =
                QStringLiteral("工作表是空的，第一行应是标题行：%1。").arg(wanted.join(QStringLiteral("、")));
        return false;
    }
    QStringList header;
    for (const QString& h : rows.first())
        header << CellText::trimmed(h);
    QVector<int> index;
    QStringList missing;
    for (const QString& w : wanted) {
        const int i = header.indexOf(w);
        if (i < 0)
            missing << w;
        index << i;
    }
    if (!missing.isEmpty()) {
        if (error)
            *error = QStringLiteral("标题行缺少列：%1").arg(missing.join(QStringLiteral("、")));
        return false;
    }
    records->reserve(rows.size() - 1);
    for (int r = 1; r < rows.size(); ++r) {
        const QStringList& row = rows.at(r);
        QStringList rec;
        rec.reserve(index.size());
        for (int i : qAsConst(index))
            rec << (i < row.size() ? row.at(i) : QString());
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
            *error = Database::describeFailure(conn.lastError());
        return false;
    }
    if (!db.exec(QStringLiteral("DELETE FROM excel"), {}, error))
        return false;

    const QStringList cols = Schema::importColumns();
    QStringList quoted, marks;
    for (const QString& c : cols) {
        quoted << Schema::quoted(c);
        marks << QStringLiteral("?");
    }
    const QByteArray sql = QStringLiteral("INSERT INTO excel (%1) VALUES (%2)")
                               .arg(quoted.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")))
                               .toUtf8();
    // A hundred thousand rows: straight through SQLite's own statement
    // interface, which is several times faster than a QSqlQuery per row.
    sqlite3* handle = db.handle();
    sqlite3_stmt* stmt = nullptr;
    if (!handle || sqlite3_prepare_v2(handle, sql.constData(), -1, &stmt, nullptr) != SQLITE_OK) {
        if (error)
            *error = handle ? Database::describeFailure(sqlite3_extended_errcode(handle),
                                                        QString::fromUtf8(sqlite3_errmsg(handle)))
                            : QStringLiteral("数据库没有连接。");
        return false;
    }
    const auto finalize = qScopeGuard([stmt] { sqlite3_finalize(stmt); });
    const int n = records.size();
    int lastPercent = -1;
    for (int r = 0; r < n; ++r) {
        if (progress) {
            const int percent = int(qint64(r) * 100 / n);
            if (percent != lastPercent) {
                lastPercent = percent;
                if (!progress(percent)) {
                    if (cancelled)
                        *cancelled = true;
                    if (error)
                        *error = QStringLiteral("已取消。");
                    return false; // the transaction rolls back
                }
            }
        }
        const QStringList& rec = records.at(r);
        for (int c = 0; c < cols.size(); ++c) {
            // Every imported cell is a text; an empty cell an empty text.
            // The texts are bound in place: the records outlive the step.
            if (c < rec.size() && !rec.at(c).isEmpty()) {
                const QString& v = rec.at(c);
                sqlite3_bind_text16(stmt, c + 1, v.constData(), int(v.size() * sizeof(QChar)), SQLITE_STATIC);
            } else {
                sqlite3_bind_text16(stmt, c + 1, u"", 0, SQLITE_STATIC);
            }
        }
        const int rc = sqlite3_step(stmt);
        sqlite3_reset(stmt);
        if (rc != SQLITE_DONE) {
            if (error)
                *error = QStringLiteral("第 %1 条记录无法写入：%2")
                             .arg(r + 1)
                             .arg(Database::describeFailure(rc, QString::fromUtf8(sqlite3_errmsg(handle))));
            return false;
        }
    }
    if (!tx.commit()) {
        if (error)
            *error = Database::describeFailure(conn.lastError());
        return false;
    }
    if (progress)
        progress(100);
    return true;
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
    if (!mapRows(reader.rows(), &records, &why))
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
