#include "exchange/DataExporter.h"

#include "data/records/DataSet.h"
#include "data/store/Database.h"
#include "exchange/Biff8Writer.h"
#include "exchange/FileReplacer.h"
#include "exchange/OutputGuard.h"
#include "exchange/XlsxTextWriter.h"

#include <QDir>
#include <QFileInfo>

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

QStringList rowOf(const DataSet& data, int row)
{
    QStringList cells;
    const int n = data.fieldNames().size();
    cells.reserve(n);
    for (int c = 0; c < n; ++c)
        cells << data.value(row, c);
    return cells;
}

// A text longer than a cell holds: the reason, naming record and column.
QString tooLong(const DataSet& data, const QStringList& cells, int record)
{
    for (int c = 0; c < cells.size(); ++c)
        if (cells.at(c).size() > XlsxTextWriter::maxCellChars())
            return QStringLiteral("第 %1 条记录的“%2”有 %3 个字符，超过Excel一个单元格最多的 %4 "
                                  "个字符，无法完整导出。请先缩短它。")
                .arg(record + 1)
                .arg(data.fieldNames().value(c))
                .arg(cells.at(c).size())
                .arg(XlsxTextWriter::maxCellChars());
    return {};
}

bool writeXls(const DataSet& data, const QString& file, Ticker& tick, bool* cancelled, QString* error)
{
    Biff8Writer w;
    w.addSheet(QStringLiteral("Sheet1"));
    w.addRow(data.fieldNames());
    const int n = data.recordCount();
    for (int r = 0; r < n; ++r) {
        if (!tick.at(r)) {
            *cancelled = true;
            return false;
        }
        const QStringList cells = rowOf(data, r);
        if (!w.addRow(cells)) {
            *error = tooLong(data, cells, r);
            if (error->isEmpty())
                *error = QStringLiteral("第 %1 条记录无法写入工作表。").arg(r + 1);
            return false;
        }
    }
    return w.save(file, error);
}

bool writeXlsx(const DataSet& data, const QString& file, Ticker& tick, bool* cancelled, QString* error)
{
    XlsxTextWriter w(file);
    if (!w.open(error) || !w.addSheet(QStringLiteral("Sheet1"), error) || !w.addRow(data.fieldNames(), error))
        return false;
    const int n = data.recordCount();
    for (int r = 0; r < n; ++r) {
        if (!tick.at(r)) {
            *cancelled = true;
            return false;
        }
        const QStringList cells = rowOf(data, r);
        const QString why = tooLong(data, cells, r);
        if (!why.isEmpty()) {
            *error = why;
            return false;
        }
        if (!w.addRow(cells, error))
            return false;
    }
    return w.close(error);
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
    Result res;
    if (chosenName.trimmed().isEmpty()) {
        res.error = QStringLiteral("没有选择文件名。");
        return res;
    }
    if (!data.isOpen()) {
        res.error = QStringLiteral("收件人列表没有打开。");
        return res;
    }
    res.path = QFileInfo(targetPath(chosenName, format)).absoluteFilePath();
    // A search result shows as a narrowed statement ("select * from inr where …").
    res.filtered = data.statement().contains(QLatin1String(" where "));
    QString why;
    if (!OutputGuard::check(res.path, data.database() ? data.database()->path() : QString(), &why)) {
        res.error = why;
        return res;
    }
    if (existing == Existing::Refuse && QFileInfo::exists(res.path)) {
        res.targetExists = true;
        res.error = QStringLiteral("文件 %1 已存在。").arg(QDir::toNativeSeparators(res.path));
        return res;
    }
    const int n = data.recordCount();
    if (n > maxRecords(format)) {
        res.error = format == Format::Xls
                        ? QStringLiteral("共有 %1 条记录，超过 .xls 工作簿最多的 %2 条，无法完整导出。"
                                         "请改为导出 .xlsx 文件（文件名以 .xlsx 结尾）。")
                              .arg(n)
                              .arg(maxRecords(format))
                        : QStringLiteral("共有 %1 条记录，超过 .xlsx 工作簿最多的 %2 条，无法完整导出。")
                              .arg(n)
                              .arg(maxRecords(format));
        return res;
    }
    FileReplacer out(res.path, FileReplacer::Access::Shared);
    if (!out.prepare(&why)) {
        res.error = why;
        return res;
    }
    Ticker tick(progress, data.recordCount());
    bool cancelled = false;
    const bool written = format == Format::Xlsx ? writeXlsx(data, out.tempPath(), tick, &cancelled, &why)
                                                : writeXls(data, out.tempPath(), tick, &cancelled, &why);
    if (!written) {
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
    res.records = data.recordCount();
    return res;
}

DataExporter::Result DataExporter::exportQuery(const QString& dbPath, const DataSet::Query& query,
                                               const QString& chosenName, Format format,
                                               const ProgressFn& progress, Existing existing)
{
    Database db; // outlives the set reading from it
    DataSet data;
    data.setDatabase(&db);
    QString why;
    if (!db.open(dbPath, &why, false) || !data.open(query, &why)) {
        Result res;
        res.error = why;
        return res;
    }
    return exportDataSet(data, chosenName, format, progress, existing);
}
