#include "data/tracking/PrintRecording.h"

#include "data/records/DataSet.h"
#include "data/store/Database.h"
#include "data/tracking/WaybillNumber.h"

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

bool PrintRecording::giveNumbers(const QString& first, QString* note, QStringList* conflicts, QString* error)
{
    forgetNumbers();
    QStringList numbers;
    if (!WaybillNumber::sequence(first, int(m_rows.size()), &numbers, note, error))
        return false;
    QStringList taken;
    if (m_recipients && m_recipients->database() &&
        !PrintHistory::numbersInUse(*m_recipients->database(), m_recipients->table(), serials(), numbers,
                                    conflicts, error, &taken))
        return false;
    m_numbers = numbers;
    m_takenNumbers = taken;
    return true;
}

void PrintRecording::forgetNumbers()
{
    m_numbers.clear();
    m_takenNumbers.clear();
}

bool PrintRecording::record(PrintHistory::Entry entry, bool mark, QString* error)
{
    const QStringList numbers = m_numbers;
    const QStringList accepted = m_takenNumbers;
    forgetNumbers();
    if (!m_recipients || !m_recipients->database())
        return true;
    entry.when = QDateTime::currentDateTime();
    entry.senderRow = m_senders ? m_senders->currentRowId() : -1;
    entry.serials = serials();
    if (numbers.size() == m_rows.size())
        entry.numbers = numbers;
    entry.acceptedTaken = accepted;
    QString why;
    if (!PrintHistory::record(*m_recipients->database(), entry, mark, &why)) {
        if (error)
            *error = QStringLiteral("已打印，但无法记下打印标记：%1").arg(why);
        return false;
    }
    return true;
}
