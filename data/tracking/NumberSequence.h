#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// Consecutive waybill numbers from a first one, as WaybillNumber::sequence
// gives them, but each worked out when asked for: a batch of a million
// forms holds its first number and its count, not a million strings. A
// sequence can also be a list given as it is (numbers recorded elsewhere).
class NumberSequence
{
public:
    NumberSequence() = default;
    // The numbers of list, in its order.
    NumberSequence(const QStringList& list);

    // count numbers from first. *note says where the digits first grew;
    // false and an error (and an empty sequence) when first is no number
    // or the digits would pass WaybillNumber::kMaxDigits; the same texts
    // as WaybillNumber::sequence.
    bool start(const QString& first, int count, QString* note, QString* error);

    int size() const { return m_count; }
    bool isEmpty() const { return m_count == 0; }
    // The number at position i (0 <= i < size()).
    QString at(int i) const;
    // Null past the end, as QStringList::value.
    QString value(int i) const { return i >= 0 && i < m_count ? at(i) : QString(); }
    // The position of number, or -1 when it is none of these.
    int indexOf(const QString& number) const;

    // Worked out from a first number (not a list): the numbers as ranges
    // of one width each, first and last, so a store can be asked for them
    // by range rather than one by one.
    bool isComputed() const { return m_list.isEmpty() && m_count > 0; }
    struct Span
    {
        QString from, to;
    };
    QList<Span> spans() const;

private:
    // How many numbers from position i on keep the width of number i.
    qint64 sameWidthFrom(int i) const;

    QString m_prefix;
    QString m_digits; // of the first number
    int m_count = 0;
    QStringList m_list;          // given as a list instead
    QHash<QString, int> m_where; // of m_list
};
