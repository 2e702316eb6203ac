#include "exchange/DataExporter.h"

#include "data/DataSet.h"
#include "exchange/Biff8Writer.h"
#include "exchange/FileReplacer.h"
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

bool writeXls(const DataSet& data, const QString& file, Ticker& tick, bool* cancelled, QString* error)
{
    Biff8Writer w;
    const QStringList header = data.fieldNames();
    const int perSheet = DataExporter::xlsRowsPerSheet();
    const int n = data.recordCount();
    int sheet = 0;
    for (int r = 0; r < n || sheet == 0; ++r) {
        if (r % perSheet == 0) {
            w.addSheet(QStringLiteral("Sheet%1").arg(++sheet));
            w.addRow(header);
            if (n == 0)
                break;
        }
        if (!tick.at(r)) {
            *cancelled = true;
            return false;
        }
        w.addRow(rowOf(data, r));
    }
    return w.save(file, error);
}

bool writeXlsx(const DataSet& data, const QString& file, Ticker& tick, bool* cancelled, QString* error)
{
    XlsxTextWriter w(file);
    if (!w.open(error))
        return false;
    const QStringList header = data.fieldNames();
    const int n = data.recordCount();
    const int perSheet = XlsxTextWriter::maxRows() - 1;
    int sheet = 0;
    for (int r = 0; r < n || sheet == 0; ++r) {
        if (r % perSheet == 0) {
            if (!w.addSheet(QStringLiteral("Sheet%1").arg(++sheet), error) || !w.addRow(header, error))
                return false;
            if (n == 0)
                break;
        }
        if (!tick.at(r)) {
            *cancelled = true;
            return false;
        }
        if (!w.addRow(rowOf(data, r), error))
            return false;
    }
    return w.close(error);
}

} // namespace

int DataExporter::xlsRowsPerSheet()
{
    return Biff8Writer::maxRows() - 1; // the title row takes one
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
                                                 Format format, const ProgressFn& progress)
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
    FileReplacer out(res.path, FileReplacer::Access::Shared);
    QString why;
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
