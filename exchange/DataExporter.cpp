#include "exchange/DataExporter.h"

#include "data/records/DataSet.h"
#include "data/store/Database.h"
#include "data/store/Schema.h"
#include "exchange/Biff8Writer.h"
#include "exchange/FileReplacer.h"
#include "exchange/OutputGuard.h"
#include "exchange/XlsxTextWriter.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include <functional>
#include <limits>

namespace {

// Calls the progress function when the percentage changes; remembers a cancel.
class Ticker
{
public:
    Ticker(const ProgressFn& fn, int total) : m_fn(fn), m_total(qMax(1, total)) {}
    bool at(int done)
    {
        if (!m_fn)
            return true;
        const int percent = int(qint64(done) * 95 / m_total); // the rest is saving
        if (percent == m_last)
            return true;
        m_last = percent;
        return m_fn(percent);
    }
    void finish()
    {
        if (m_fn)
            m_fn(100);
    }

private:
    const ProgressFn& m_fn;
    int m_total;
    int m_last = -1;
};

// Rows are read a chunk at a time, after the last key read: one statement
// per chunk, no list of the rows or their keys held, on both stores.
constexpr int kChunkRows = 4096;

// Feeds the rows of query (columns fields) in key order to each, which
// returns false to stop.
bool readInChunks(const Database& db, const DataSet::Query& query, const QStringList& fields,
                  const std::function<bool(const QStringList&)>& each, QString* error)
{
    const QString key = Schema::quoted(db.rowIdColumn(query.table));
    QStringList columns;
    for (const QString& f : fields)
        columns << Schema::quoted(f);
    QString sql = QStringLiteral("SELECT %1, %2 FROM %3 WHERE ")
                      .arg(key, columns.join(QStringLiteral(", ")), Schema::quoted(query.table));
    if (!query.where.isEmpty())
        sql += QStringLiteral("(%1) AND ").arg(query.where);
    sql += QStringLiteral("%1 > ? ORDER BY %1 LIMIT %2").arg(key).arg(kChunkRows);
    qint64 last = std::numeric_limits<qint64>::min();
    bool going = true;
    QStringList cells;
    while (going) {
        QVariantList binds = query.binds;
        binds << last;
        int read = 0;
        if (!db.readRows(
                sql, binds, int(fields.size()),
                [&](qint64 id, const QVector<QString>& texts) {
                    last = id;
                    ++read;
                    if (!going)
                        return;
                    cells.clear();
                    for (const QString& t : texts)
                        cells << t;
                    going = each(cells);
                },
                error))
            return false;
        if (read < kChunkRows)
            break;
    }
    return true;
}

// A text longer than a cell holds: the reason, naming record and column.
QString tooLong(const QStringList& fields, const QStringList& cells, int record)
{
    for (int c = 0; c < cells.size(); ++c)
        if (cells.at(c).size() > XlsxTextWriter::maxCellChars())
            return QStringLiteral("第 %1 条记录的“%2”有 %3 个字符，超过Excel一个单元格最多的 %4 "
                                  "个字符，无法完整导出。请先缩短它。")
                .arg(record + 1)
                .arg(fields.value(c))
                .arg(cells.at(c).size())
                .arg(XlsxTextWriter::maxCellChars());
    return {};
}

// The rows of a query as they go to a workbook.
struct Source
{
    const Database& db;
    const DataSet::Query& query;
    const QStringList& fields;
    int max; // records the workbook takes
};

QString tooMany(DataExporter::Format format, int count, int max)
{
    return format == DataExporter::Format::Xls
               ? QStringLiteral("共有 %1 条记录，超过 .xls 工作簿最多的 %2 条，无法完整导出。"
                                "请改为导出 .xlsx 文件（文件名以 .xlsx 结尾）。")
                     .arg(count)
                     .arg(max)
               : QStringLiteral("共有 %1 条记录，超过 .xlsx 工作簿最多的 %2 条，无法完整导出。")
                     .arg(count)
                     .arg(max);
}

// Reads src into addRow, one row at a time; *written counts them.
template <typename AddRow>
bool feed(const Source& src, DataExporter::Format format, Ticker& tick, AddRow addRow, int* written,
          bool* cancelled, QString* error)
{
    *written = 0;
    bool failed = false;
    const bool read = readInChunks(
        src.db, src.query, src.fields,
        [&](const QStringList& cells) {
            if (!tick.at(*written)) {
                *cancelled = true;
                return false;
            }
            if (*written >= src.max) { // rows added since they were counted
                *error = tooMany(format, *written + 1, src.max);
                failed = true;
                return false;
            }
            if (!addRow(cells, *written)) {
                failed = true;
                return false;
            }
            ++*written;
            return true;
        },
        error);
    return read && !failed && !*cancelled;
}

bool writeXls(const Source& src, const QString& file, Ticker& tick, int* written, bool* cancelled,
              QString* error)
{
    Biff8Writer w;
    w.addSheet(QStringLiteral("Sheet1"));
    w.addRow(src.fields);
    const auto add = [&](const QStringList& cells, int r) {
        if (w.addRow(cells))
            return true;
        *error = tooLong(src.fields, cells, r);
        if (error->isEmpty())
            *error = QStringLiteral("第 %1 条记录无法写入工作表。").arg(r + 1);
        return false;
    };
    return feed(src, DataExporter::Format::Xls, tick, add, written, cancelled, error) && w.save(file, error);
}

bool writeXlsx(const Source& src, const QString& file, Ticker& tick, int* written, bool* cancelled,
               QString* error)
{
    XlsxTextWriter w(file);
    if (!w.open(error) || !w.addSheet(QStringLiteral("Sheet1"), error) || !w.addRow(src.fields, error))
        return false;
    const auto add = [&](const QStringList& cells, int r) {
        *error = tooLong(src.fields, cells, r);
        return error->isEmpty() && w.addRow(cells, error);
    };
    return feed(src, DataExporter::Format::Xlsx, tick, add, written, cancelled, error) && w.close(error);
}

} // namespace

int DataExporter::maxRecords(Format format)
{
    // The title row takes one.
    return (format == Format::Xlsx ? XlsxTextWriter::maxRows() : Biff8Writer::maxRows()) - 1;
}

bool DataExporter::extensionHidesExisting(const QString& chosenName, Format format)
{
    const QString target = targetPath(chosenName, format);
    return target != chosenName && QFileInfo::exists(target);
}

QString DataExporter::messageFor(const Result& result)
{
    if (result.filtered)
        return QStringLiteral("已导出搜索结果中的 %1 条记录（列表当前按搜索条件筛选，不是全部数据）。")
            .arg(result.records);
    return successMessage() + QStringLiteral("\n共 %1 条记录。").arg(result.records);
}

DataExporter::Format DataExporter::formatFor(const QString& chosenName, const QString& selectedFilter)
{
    if (chosenName.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive))
        return Format::Xlsx;
    if (chosenName.endsWith(QLatin1String(".xls"), Qt::CaseInsensitive))
        return Format::Xls;
    if (selectedFilter.contains(QLatin1String("*.xlsx"), Qt::CaseInsensitive))
        return Format::Xlsx;
    return Format::Xls;
}

QString DataExporter::targetPath(const QString& chosenName, Format format)
{
    const QString ext = format == Format::Xlsx ? QStringLiteral(".xlsx") : QStringLiteral(".xls");
    if (chosenName.endsWith(ext, Qt::CaseInsensitive))
        return chosenName;
    return chosenName + ext;
}

DataExporter::Result DataExporter::exportDataSet(const DataSet& data, const QString& chosenName,
                                                 Format format, const ProgressFn& progress, Existing existing)
{
    if (!data.isOpen() || !data.database()) {
        Result res;
        res.error = QStringLiteral("收件人列表没有打开。");
        return res;
    }
    return exportRows(*data.database(), data.query(), data.fieldNames(), data.recordCount(), chosenName,
                      format, progress, existing);
}

DataExporter::Result DataExporter::exportQuery(const QString& dbPath, const DataSet::Query& query,
                                               const QString& chosenName, Format format,
                                               const ProgressFn& progress, Existing existing)
{
    Database db;
    Result res;
    QStringList fields;
    QString why;
    int count = 0;
    if (!db.open(dbPath, &why, false) || !db.columns(query.table, &fields, &why) ||
        !countRows(db, query, &count, &why)) {
        res.error = why;
        return res;
    }
    return exportRows(db, query, fields, count, chosenName, format, progress, existing);
}

bool DataExporter::countRows(const Database& db, const DataSet::Query& query, int* count, QString* error)
{
    QString sql = QStringLiteral("SELECT count(*) FROM %1").arg(Schema::quoted(query.table));
    if (!query.where.isEmpty())
        sql += QStringLiteral(" WHERE ") + query.where;
    QSqlQuery q(db.db());
    q.prepare(sql);
    for (const QVariant& v : query.binds)
        q.addBindValue(v);
    if (!q.exec() || !q.next()) {
        *error = db.failure(q.lastError());
        return false;
    }
    *count = q.value(0).toInt();
    return true;
}

DataExporter::Result DataExporter::exportRows(const Database& db, const DataSet::Query& query,
                                              const QStringList& fields, int count, const QString& chosenName,
                                              Format format, const ProgressFn& progress, Existing existing)
{
    Result res;
    if (chosenName.trimmed().isEmpty()) {
        res.error = QStringLiteral("没有选择文件名。");
        return res;
    }
    res.path = QFileInfo(targetPath(chosenName, format)).absoluteFilePath();
    // A search result shows as a narrowed statement ("select * from inr where …").
    res.filtered = !query.where.isEmpty();
    QString why;
    if (!OutputGuard::check(res.path, db.path(), &why)) {
        res.error = why;
        return res;
    }
    if (existing == Existing::Refuse && QFileInfo::exists(res.path)) {
        res.targetExists = true;
        res.error = QStringLiteral("文件 %1 已存在。").arg(QDir::toNativeSeparators(res.path));
        return res;
    }
    if (count > maxRecords(format)) {
        res.error = tooMany(format, count, maxRecords(format));
        return res;
    }
    FileReplacer out(res.path, FileReplacer::Access::Shared);
    if (!out.prepare(&why)) {
        res.error = why;
        return res;
    }
    Ticker tick(progress, count);
    bool cancelled = false;
    const Source src{db, query, fields, maxRecords(format)};
    int written = 0;
    const bool ok = format == Format::Xlsx ? writeXlsx(src, out.tempPath(), tick, &written, &cancelled, &why)
                                           : writeXls(src, out.tempPath(), tick, &written, &cancelled, &why);
    if (!ok) {
        res.cancelled = cancelled;
        res.error = cancelled ? QStringLiteral("已取消导出。") : why;
        return res; // the replacer removes the partial file
    }
    if (!out.commit(&why)) {
        res.error = why;
        return res;
    }
    tick.finish();
    res.ok = true;
    res.records = written;
    return res;
}
