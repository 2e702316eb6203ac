#include "cli/PrintTracking.h"

#include "data/records/DataSet.h"
#include "data/tracking/WaybillNumber.h"
#include "templates/BatchData.h"
#include "templates/TemplateReport.h"

#include <algorithm>

const char* const PrintTracking::kUsage =
    "[--recipients LIST] [--unprinted] [--first-number N [--allow-reused-numbers]] [--no-mark]";

namespace {

// "2,5-7": 1-based positions, each at most count.
bool parsePositions(const QString& text, int count, QList<int>* out, QString* error)
{
    out->clear();
    for (const QString& part : text.split(QLatin1Char(','))) {
        const QStringList ends = part.trimmed().split(QLatin1Char('-'));
        bool okA = false, okB = false;
        const int a = ends.value(0).trimmed().toInt(&okA);
        const int b = ends.size() == 2 ? ends.at(1).trimmed().toInt(&okB) : a;
        if (ends.size() == 1)
            okB = okA;
        if (ends.size() > 2 || !okA || !okB || a < 1 || b < a) {
            *error = QStringLiteral("--recipients 需要从 1 起的行号，如“2,5-7”，而不是“%1”。").arg(text);
            return false;
        }
        if (b > count) {
            *error = QStringLiteral("收件表没有第 %1 行（共 %2 行）。").arg(b).arg(count);
            return false;
        }
        for (int p = a; p <= b; ++p)
            out->append(p);
    }
    std::sort(out->begin(), out->end());
    out->erase(std::unique(out->begin(), out->end()), out->end());
    return true;
}

QList<qint64> serialsOf(DataSet* set, const QList<int>& rows)
{
    QList<qint64> serials;
    const int column = set->fieldIndex(QStringLiteral("序号"));
    for (int row : rows)
        serials << set->value(row, column).toLongLong();
    return serials;
}

QList<int> allRows(DataSet* set)
{
    QList<int> rows;
    for (int r = 0; r < set->recordCount(); ++r)
        rows << r;
    return rows;
}

} // namespace

bool PrintTracking::takeOptions(QStringList* args, QString* error)
{
    for (int i = 0; i < args->size();) {
        const QString opt = args->at(i);
        bool* flag = opt == QLatin1String("--unprinted")              ? &m_unprinted
                     : opt == QLatin1String("--no-mark")              ? &m_noMark
                     : opt == QLatin1String("--allow-reused-numbers") ? &m_allowReused
                                                                      : nullptr;
        if (flag) {
            *flag = true;
            args->removeAt(i);
        } else if (opt == QLatin1String("--recipients") || opt == QLatin1String("--first-number")) {
            if (i + 1 >= args->size()) {
                *error = QStringLiteral("选项 %1 缺少取值。").arg(opt);
                return false;
            }
            if (args->at(i + 1).trimmed().isEmpty()) {
                *error = QStringLiteral("选项 %1 的取值是空的。").arg(opt);
                return false;
            }
            (opt == QLatin1String("--recipients") ? m_positions : m_firstNumber) = args->at(i + 1);
            args->remove(i, 2);
        } else {
            ++i; // the command's own options and values
        }
    }
    if (!m_firstNumber.isEmpty() && !WaybillNumber::parse(m_firstNumber, nullptr, nullptr, error))
        return false;
    if (m_allowReused && m_firstNumber.isEmpty()) {
        *error = QStringLiteral("--allow-reused-numbers 只与 --first-number 同用。");
        return false;
    }
    if (m_noMark && !m_firstNumber.isEmpty()) {
        *error = QStringLiteral("单号随打印标记一起记下：--first-number 不能与 --no-mark 同用。");
        return false;
    }
    return true;
}

bool PrintTracking::select(const TemplateReport& tpl, BatchData* batch, const QString& dbPath, QString* error)
{
    const bool narrowing = !m_positions.isEmpty() || m_unprinted || !m_firstNumber.isEmpty();
    if (!tpl.isBatch()) {
        if (narrowing) {
            *error = QStringLiteral("--recipients、--unprinted 和 --first-number 只用于批量打印。");
            return false;
        }
        return true;
    }
    PrintSelection selection;
    selection.unprintedOnly = m_unprinted;
    if (!m_positions.isEmpty()) {
        QList<int> positions;
        if (!parsePositions(m_positions, batch->recipients()->recordCount(), &positions, error))
            return false;
        for (int& p : positions)
            --p;
        selection.chosen = true;
        selection.serials = serialsOf(batch->recipients(), positions);
    }
    if (selection.isAll())
        return true;
    batch->setSelection(selection);
    if (!batch->reload(dbPath, error))
        return false;
    if (batch->recipients()->isEmpty()) {
        // Not even an empty form: there is nothing to print.
        *error =
            m_unprinted ? QStringLiteral("没有未打印的收件记录。") : QStringLiteral("没有要打印的收件记录。");
        return false;
    }
    return true;
}

bool PrintTracking::prepareNumbers(DataSet* recipients, QTextStream& err, QString* error)
{
    m_recording.forgetNumbers();
    m_conflicts = {};
    if (m_firstNumber.isEmpty() || recipients->isEmpty())
        return true;
    m_recording.setData(nullptr, recipients);
    m_recording.setRows(allRows(recipients));
    QString note;
    if (!m_recording.giveNumbers(m_firstNumber, &note, &m_conflicts, error))
        return false;
    if (!note.isEmpty())
        err << "注意：" << note << "\n";
    return true;
}

bool PrintTracking::numbersFree(QTextStream& err, QString* error)
{
    const QString more = QStringLiteral("另有 %1 个单号也已用过");
    if (m_allowReused) {
        const QStringList lines = m_conflicts.firstLines(PrintHistory::Conflicts::kLinesKept, more);
        for (const QString& c : lines)
            err << "注意：" << c << "\n";
        return true;
    }
    if (m_conflicts.isEmpty())
        return true;
    const QStringList lines = m_conflicts.firstLines(20, more);
    *error = QStringLiteral("没有打印：%1 个单号已经用过，同一单号不能印在两张运单上：\n%2\n"
                            "请换一个第一张的单号；确实要再用这些单号，请加上 --allow-reused-numbers。")
                 .arg(m_conflicts.count)
                 .arg(lines.join(QLatin1Char('\n')));
    m_recording.forgetNumbers();
    return false;
}

bool PrintTracking::begin(const TemplateReport& tpl, DataSet* senders, DataSet* recipients, bool pdf,
                          const QString& target, QString* error)
{
    QList<int> rows;
    if (recipients && tpl.isBatch())
        rows = allRows(recipients);
    else if (recipients && recipients->currentRow() >= 0)
        rows << recipients->currentRow();
    m_recording.setData(senders, recipients);
    m_recording.setRows(rows);
    PrintHistory::Entry entry;
    entry.templateCode = tpl.code();
    entry.variant = layouts::variantName(tpl.variant());
    entry.toPdf = pdf;
    entry.target = target;
    entry.pages = int(rows.size());
    return m_recording.begin(entry, error);
}

bool PrintTracking::finish(int pages, QString* error)
{
    return m_recording.finish(pages, !m_noMark, error);
}

bool PrintTracking::abandon(QString* error)
{
    return m_recording.abandon(error);
}
