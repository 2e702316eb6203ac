#include "gui/templates/TemplatePrintListener.h"

#include "data/records/DataSet.h"
#include "data/store/Schema.h"
#include "data/tracking/WaybillNumber.h"
#include "gui/widgets/Dialogs.h"
#include "templates/TemplateReport.h"

void TemplatePrintListener::setData(DataSet* senders, DataSet* recipients)
{
    m_recipients = recipients;
    m_recording.setData(senders, recipients);
}

bool TemplatePrintListener::isBatch() const
{
    return m_report->isBatch();
}

QString TemplatePrintListener::contentsText() const
{
    if (!isBatch() || !m_recipients)
        return {};
    return m_selection.describe(m_recipients->recordCount());
}

QList<int> TemplatePrintListener::rowsOfPages(int first, int last) const
{
    QList<int> rows;
    if (!m_recipients || !m_recipients->isOpen() || m_recipients->isEmpty())
        return rows;
    if (!isBatch()) {
        if (first <= 1 && m_recipients->currentRow() >= 0)
            rows << m_recipients->currentRow();
        return rows;
    }
    // One page per recipient row: every band is as tall as the page.
    const int count = m_recipients->recordCount();
    const int to = last > 0 ? std::min(last, count) : count;
    for (int page = std::max(1, first); page <= to; ++page)
        rows << page - 1;
    return rows;
}

bool TemplatePrintListener::aboutToOutput(const Output& output, QWidget* window)
{
    m_recording.forgetNumbers();
    const QList<int> rows = rowsOfPages(output.firstPage, output.lastPage);
    if (!isBatch() || rows.isEmpty())
        return true;
    const int count = rows.size();
    const auto feedback = [count](const QString& text) {
        if (text.trimmed().isEmpty())
            return QStringLiteral("不填则不记单号，只记打印时间。");
        QStringList numbers;
        QString note, error;
        if (!WaybillNumber::sequence(text, count, &numbers, &note, &error))
            return QLatin1Char('!') + error;
        QString line =
            count == 1
                ? QStringLiteral("单号：%1").arg(numbers.first())
                : QStringLiteral("单号 %1 至 %2，共 %3 张").arg(numbers.first(), numbers.last()).arg(count);
        if (!note.isEmpty())
            line += QLatin1Char('\n') + note;
        return line;
    };
    QString first;
    if (!Dialogs::text(window, QStringLiteral("运单号"),
                       QStringLiteral("将打印 %1 张运单。请输入打印机中第一张运单的单号（数字，最多 20 位，"
                                      "前面可以有字母），以后各张依次加一：")
                           .arg(count),
                       &first, feedback))
        return false;
    if (first.trimmed().isEmpty())
        return true;
    m_recording.setRows(rows);
    QString note, error;
    QStringList conflicts;
    if (!m_recording.giveNumbers(first, &note, &conflicts, &error)) {
        Dialogs::error(window, error);
        return false;
    }
    QStringList warnings;
    if (!note.isEmpty())
        warnings << note;
    if (conflicts.size() > 5) {
        const int more = conflicts.size() - 5;
        conflicts = conflicts.mid(0, 5);
        conflicts << QStringLiteral("另有 %1 个单号也已被使用").arg(more);
    }
    warnings += conflicts;
    if (!warnings.isEmpty() &&
        Dialogs::message(window, warnings.join(QLatin1Char('\n')) + QStringLiteral("\n\n仍要打印吗？"),
                         QMessageBox::Warning, QMessageBox::Ok | QMessageBox::Cancel) != QMessageBox::Ok) {
        m_recording.forgetNumbers();
        return false;
    }
    return true;
}

bool TemplatePrintListener::outputDone(const Output& output, int pageCount, QString* error)
{
    const QList<int> rows = rowsOfPages(output.firstPage, output.lastPage);
    m_recording.setRows(rows);
    PrintHistory::Entry entry;
    entry.templateCode = QString::fromUtf8(m_report->templ().code);
    entry.variant = layouts::variantName(m_report->variant());
    entry.toPdf = output.pdf;
    entry.target = output.target;
    const int last = output.lastPage > 0 ? std::min(output.lastPage, pageCount) : pageCount;
    entry.pages = std::max(0, last - output.firstPage + 1);
    if (!m_recording.record(entry, true, error))
        return false;
    if (!m_recipients || !m_recipients->database())
        return true;
    // The grids read the table through their own connections.
    QList<qint64> rowIds;
    for (int row : rows)
        rowIds << m_recipients->rowId(row);
    DataSet* grid =
        m_report->recipientTable() == Schema::kExcelTable ? m_sources.excelRecipients : m_sources.recipients;
    for (DataSet* set : {m_recipients, grid})
        if (set && set->table() == m_report->recipientTable())
            set->refreshRows(rowIds);
    return true;
}
