#include "gui/templates/TemplatePrintListener.h"

#include "data/records/DataSet.h"
#include "data/store/Database.h"
#include "data/store/Schema.h"
#include "data/store/Settings.h"
#include "data/tracking/NumberSequence.h"
#include "gui/widgets/Dialogs.h"
#include "templates/BatchData.h"
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
    const QString text = m_selection.describe(m_recipients->recordCount());
    const int blank = blankRows();
    return blank > 0 ? text + QStringLiteral("，另有 %1 条姓名和地址都为空，不打印").arg(blank) : text;
}

int TemplatePrintListener::blankRows() const
{
    int count = 0;
    if (m_recipients && m_recipients->database() && m_recipients->database()->isOpen() &&
        !BatchData::countBlank(*m_recipients->database(), m_recipients->table(), m_selection, &count,
                               nullptr))
        return 0;
    return count;
}

int TemplatePrintListener::printedAlready(const QList<int>& rows) const
{
    // Rows this window printed before, and in a selection of unprinted
    // rows any row that has a mark by now.
    const int serial = m_recipients->fieldIndex(QStringLiteral("序号"));
    const int mark = m_recipients->fieldIndex(QStringLiteral("已打印"));
    int count = 0;
    for (int row : rows) {
        const bool marked = !m_recipients->value(row, mark).trimmed().isEmpty();
        if (marked &&
            (m_selection.unprintedOnly || m_printed.contains(m_recipients->value(row, serial).toLongLong())))
            ++count;
    }
    return count;
}

bool TemplatePrintListener::askAboutPrinted(const QList<int>& rows, QWidget* window) const
{
    const int again = printedAlready(rows);
    if (again == 0)
        return true;
    const QString text = again == rows.size()
                             ? QStringLiteral("这 %1 张运单刚刚已打印过，仍要再打印吗？").arg(again)
                             : QStringLiteral("要打印的 %1 张运单中有 %2 张刚刚已打印过，仍要再打印吗？")
                                   .arg(rows.size())
                                   .arg(again);
    return Dialogs::confirm(window, text);
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
    if (!askBeforeOutput(output, window))
        return false;
    const QList<int> rows = rowsOfPages(output.firstPage, output.lastPage);
    if (rows.isEmpty())
        return true;
    m_recording.setRows(rows);
    const RowNumbers numbers = m_recording.numbersByRow();
    QString error;
    if (!m_recording.begin(entryOf(output), &error)) {
        Dialogs::error(window, error);
        return false;
    }
    // The pages carry the numbers the rows are given once they are out.
    m_report->setNumbers(numbers);
    return true;
}

PrintHistory::Entry TemplatePrintListener::entryOf(const Output& output) const
{
    PrintHistory::Entry entry;
    entry.templateCode = m_report->code();
    entry.variant = layouts::variantName(m_report->variant());
    entry.toPdf = output.pdf;
    entry.target = output.target;
    return entry;
}

void TemplatePrintListener::outputFailed(const Output&)
{
    // Nothing complete went out: the entry goes again, as do its numbers.
    m_report->setNumbers({});
    QString error;
    if (!m_recording.abandon(&error))
        qWarning("%s", qPrintable(error));
}

bool TemplatePrintListener::askBeforeOutput(const Output& output, QWidget* window)
{
    m_recording.forgetNumbers();
    m_report->setNumbers({});
    const QList<int> rows = rowsOfPages(output.firstPage, output.lastPage);
    if (rows.isEmpty() && isBatch() && !m_selection.isAll()) {
        // A chosen or unprinted selection with nothing left prints no empty form.
        Dialogs::message(window, QStringLiteral("没有要打印的收件记录。"));
        return false;
    }
    if (rows.isEmpty())
        return true;
    if (!askAboutPrinted(rows, window))
        return false;
    // A single print asks only when the user chose so (其他工具).
    if (!isBatch() && !Settings().singleAsksNumber())
        return true;
    const int count = rows.size();
    const int blank = isBatch() ? blankRows() : 0;
    const QString left =
        blank > 0 ? QStringLiteral("（另有 %1 条收件记录姓名和地址都为空，不打印）").arg(blank) : QString();
    const auto feedback = [count](const QString& text) {
        if (text.trimmed().isEmpty())
            return QStringLiteral("不填则不记单号，只记打印时间。");
        NumberSequence numbers;
        QString note, error;
        if (!numbers.start(text, count, &note, &error))
            return QLatin1Char('!') + error;
        QString line = count == 1 ? QStringLiteral("单号：%1").arg(numbers.at(0))
                                  : QStringLiteral("单号 %1 至 %2，共 %3 张")
                                        .arg(numbers.at(0), numbers.at(count - 1))
                                        .arg(count);
        if (!note.isEmpty())
            line += QLatin1Char('\n') + note;
        return line;
    };
    QString first;
    const QString label =
        isBatch() ? QStringLiteral("将打印 %1 张运单%2。请输入打印机中第一张运单的单号（数字，最多 20 位，"
                                   "前面可以有字母），以后各张依次加一：")
                        .arg(count)
                        .arg(left)
                  : QStringLiteral("将打印 1 张运单。请输入打印机中这张运单的单号（数字，最多 20 位，"
                                   "前面可以有字母）：");
    if (!Dialogs::text(window, QStringLiteral("运单号"), label, &first, feedback))
        return false;
    if (first.trimmed().isEmpty())
        return true;
    m_recording.setRows(rows);
    QString note, error;
    PrintHistory::Conflicts conflicts;
    if (!m_recording.giveNumbers(first, &note, &conflicts, &error)) {
        Dialogs::error(window, error);
        return false;
    }
    if (!numbersAccepted(note, conflicts, window)) {
        m_recording.forgetNumbers();
        return false;
    }
    return true;
}

bool TemplatePrintListener::numbersAccepted(const QString& note, const PrintHistory::Conflicts& conflicts,
                                            QWidget* window)
{
    QStringList warnings;
    if (!note.isEmpty())
        warnings << note;
    if (conflicts.isEmpty())
        return warnings.isEmpty() ||
               Dialogs::message(window, note + QStringLiteral("\n\n仍要打印吗？"), QMessageBox::Warning,
                                QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
    warnings += conflicts.firstLines(5, QStringLiteral("另有 %1 个单号也已被使用"));
    // A number used before means two parcels under one number: printing
    // anyway is the user's explicit choice, never the default.
    return Dialogs::confirm(
        window, warnings.join(QLatin1Char('\n')) +
                    QStringLiteral("\n\n这些单号已经用过，同一单号不能用于两个包裹。仍要打印吗？"));
}

bool TemplatePrintListener::outputDone(const Output& output, int pageCount, QString* error)
{
    const QList<int> rows = rowsOfPages(output.firstPage, output.lastPage);
    const int last = output.lastPage > 0 ? std::min(output.lastPage, pageCount) : pageCount;
    m_report->setNumbers({}); // the rows carry them now
    if (!m_recording.finish(std::max(0, last - output.firstPage + 1), true, error))
        return false;
    if (!m_recipients || !m_recipients->database())
        return true;
    const int serial = m_recipients->fieldIndex(QStringLiteral("序号"));
    for (int row : rows)
        m_printed.insert(m_recipients->value(row, serial).toLongLong());
    // The grids read the table through their own connections.
    QList<qint64> rowIds;
    for (int row : rows)
        rowIds << m_recipients->rowId(row);
    DataSet* grid =
        m_report->recipientTable() == Schema::kExcelTable ? m_sources.excelRecipients : m_sources.recipients;
    for (DataSet* set : {m_recipients, grid})
        if (set && set->table() == m_report->recipientTable())
            set->refreshRows(rowIds);
    // The printed rows are no longer unprinted: the set drops them, and the
    // preview makes its pages again from what is left.
    if (m_selection.unprintedOnly && isBatch())
        return m_recipients->reopen(error);
    return true;
}
