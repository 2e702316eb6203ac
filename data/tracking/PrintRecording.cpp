#include "data/tracking/PrintRecording.h"

#include "data/records/DataSet.h"
#include "data/store/Database.h"

#include <QDateTime>

void PrintRecording::setData(DataSet* senders, DataSet* recipients)
{
    m_senders = senders;
    m_recipients = recipients;
}

QList<qint64> PrintRecording::serials() const
{
    QList<qint64> out;
    if (!m_recipients)
        return out;
    const int column = m_recipients->fieldIndex(QStringLiteral("序号"));
    for (int row : m_rows)
        out << m_recipients->value(row, column).toLongLong();
    return out;
}

bool PrintRecording::giveNumbers(const QString& first, QString* note, PrintHistory::Conflicts* conflicts,
                                 QString* error)
{
    forgetNumbers();
    *conflicts = {};
    NumberSequence numbers;
    if (!numbers.start(first, int(m_rows.size()), note, error))
        return false;
    if (m_recipients && m_recipients->database() &&
        !PrintHistory::numbersInUse(*m_recipients->database(), m_recipients->table(), serials(), numbers,
                                    conflicts, error))
        return false;
    m_numbers = numbers;
    m_taken = conflicts->taken;
    return true;
}

void PrintRecording::forgetNumbers()
{
    m_numbers = {};
    m_taken.clear();
}

PrintHistory::Entry PrintRecording::filled(PrintHistory::Entry entry)
{
    const NumberSequence numbers = m_numbers;
    entry.acceptedTaken = m_taken;
    forgetNumbers();
    entry.when = QDateTime::currentDateTime();
    entry.senderRow = m_senders ? m_senders->currentRowId() : -1;
    entry.serials = serials();
    entry.numbers.clear();
    entry.sequence = numbers.size() == m_rows.size() ? numbers : NumberSequence();
    // The texts as the pages are made from them, read row by row as they
    // are stored: a batch of a million rows holds no list of them.
    QList<int> columns;
    for (const char* name : {"姓名", "城市", "地址", "手机"})
        columns << m_recipients->fieldIndex(QString::fromUtf8(name));
    const int mark = m_recipients->fieldIndex(QStringLiteral("已打印"));
    const int number = m_recipients->fieldIndex(QStringLiteral("快递单号"));
    entry.waybills.clear();
    entry.reprint = !m_rows.isEmpty();
    for (int row : qAsConst(m_rows)) {
        // A row printed before carries its mark or its number.
        if (m_recipients->value(row, mark).trimmed().isEmpty() &&
            m_recipients->value(row, number).trimmed().isEmpty()) {
            entry.reprint = false;
            break;
        }
    }
    const DataSet* set = m_recipients;
    const QList<int> rows = m_rows;
    const QList<qint64> serials = entry.serials;
    const NumberSequence given = entry.sequence;
    entry.waybillAt = [set, rows, serials, given, columns](int i) {
        const int row = rows.at(i);
        return PrintHistory::Waybill{serials.at(i),
                                     set->value(row, columns.at(0)),
                                     set->value(row, columns.at(1)),
                                     set->value(row, columns.at(2)),
                                     set->value(row, columns.at(3)),
                                     given.value(i)};
    };
    return entry;
}

bool PrintRecording::record(PrintHistory::Entry entry, bool mark, QString* error)
{
    if (!m_recipients || !m_recipients->database()) {
        forgetNumbers();
        return true;
    }
    QString why;
    if (!PrintHistory::record(*m_recipients->database(), filled(entry), mark, &why)) {
        if (error)
            *error = QStringLiteral("已打印，但无法记下打印标记：%1").arg(why);
        return false;
    }
    return true;
}

bool PrintRecording::begin(PrintHistory::Entry entry, QString* error)
{
    m_begun = {};
    if (!m_recipients || !m_recipients->database()) {
        forgetNumbers();
        return true;
    }
    entry = filled(entry);
    QString why;
    if (!PrintHistory::begin(*m_recipients->database(), &entry, &why)) {
        if (error)
            *error = QStringLiteral("没有打印：无法写下打印记录：%1").arg(why);
        return false;
    }
    entry.waybillAt = nullptr; // the rows were read; the set may move on
    m_begun = entry;
    return true;
}

bool PrintRecording::finish(int pages, bool mark, QString* error)
{
    PrintHistory::Entry entry = m_begun;
    m_begun = {};
    if (entry.id < 0)
        return true;
    entry.pages = pages;
    QString why;
    if (!PrintHistory::finish(*m_recipients->database(), entry, mark, &why)) {
        if (error)
            *error =
                QStringLiteral("已打印，但无法记下打印标记：%1\n打印记录中这次打印仍写着“未完成”。").arg(why);
        return false;
    }
    return true;
}

bool PrintRecording::abandon(QString* error)
{
    const qint64 id = m_begun.id;
    m_begun = {};
    QString why;
    if (id >= 0 && !PrintHistory::abandon(*m_recipients->database(), id, &why)) {
        if (error)
            *error = QStringLiteral("打印记录中这次没有完成的打印无法删除：%1").arg(why);
        return false;
    }
    return true;
}
