#include "data/tracking/NumberSequence.h"

#include "data/tracking/WaybillNumber.h"

#include <algorithm>

NumberSequence::NumberSequence(const QStringList& list) : m_count(int(list.size())), m_list(list)
{
    for (int i = 0; i < m_list.size(); ++i)
        m_where.insert(m_list.at(i), i);
}

bool NumberSequence::start(const QString& first, int count, QString* note, QString* error)
{
    *this = {};
    QString prefix, digits;
    if (!WaybillNumber::parse(first, &prefix, &digits, error))
        return false;
    if (note)
        note->clear();
    m_prefix = prefix;
    m_digits = digits;
    m_count = std::max(0, count);
    if (m_count < 2)
        return true;
    const qint64 grows = sameWidthFrom(0);
    if (grows < m_count) {
        if (digits.size() + 1 <= WaybillNumber::kMaxDigits && note)
            *note = QStringLiteral("第 %1 张的单号从 %2 进位到 %3，多了一位数字，请核对运单上的号码。")
                        .arg(grows + 1)
                        .arg(at(int(grows - 1)), at(int(grows)));
        if (at(m_count - 1).size() - m_prefix.size() > WaybillNumber::kMaxDigits) {
            if (error)
                *error = QStringLiteral("从 %1 起的 %2 个单号超过了 %3 位数字。")
                             .arg(first.trimmed())
                             .arg(count)
                             .arg(WaybillNumber::kMaxDigits);
            *this = {};
            return false;
        }
    }
    return true;
}

qint64 NumberSequence::sameWidthFrom(int i) const
{
    // The digits grow where the number plus n is 10^width: n is the nines'
    // complement of the digits, plus one.
    const QString number = at(i);
    qint64 n = 0;
    for (int k = int(m_prefix.size()); k < number.size(); ++k) {
        n = n * 10 + ('9' - number.at(k).unicode());
        if (n >= m_count)
            break; // further digits only make it larger
    }
    return n + 1;
}

QList<NumberSequence::Span> NumberSequence::spans() const
{
    QList<Span> out;
    if (!isComputed())
        return out;
    for (qint64 first = 0; first < m_count;) {
        const qint64 end = std::min<qint64>(m_count, first + sameWidthFrom(int(first)));
        out.append({at(int(first)), at(int(end - 1))});
        first = end;
    }
    return out;
}

QString NumberSequence::at(int i) const
{
    if (!m_list.isEmpty())
        return m_list.at(i);
    // Decimal addition on the digits: leading zeros stay, a carry past the
    // first digit widens the number, and 20 digits stay exact.
    QString digits = m_digits;
    qint64 carry = i;
    for (int k = int(digits.size()) - 1; k >= 0 && carry > 0; --k) {
        const qint64 sum = (digits.at(k).unicode() - '0') + carry;
        digits[k] = QChar(char16_t('0' + sum % 10));
        carry = sum / 10;
    }
    if (carry > 0)
        digits.prepend(QString::number(carry));
    return m_prefix + digits;
}

int NumberSequence::indexOf(const QString& number) const
{
    if (!m_list.isEmpty())
        return m_where.value(number, -1);
    if (m_count == 0 || !number.startsWith(m_prefix))
        return -1;
    const int width = int(number.size() - m_prefix.size());
    const int pad = width - int(m_digits.size());
    if (pad < 0)
        return -1;
    // number minus the first, digit by digit; once out of [0, count) it
    // stays out.
    qint64 diff = 0;
    for (int k = 0; k < width; ++k) {
        const QChar c = number.at(m_prefix.size() + k);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
        const int first = k < pad ? 0 : m_digits.at(k - pad).unicode() - '0';
        diff = diff * 10 + (c.unicode() - '0') - first;
        if (diff < 0 || diff >= m_count)
            return -1;
    }
    // "0100" is not "100": the width must be the one the sequence gives.
    return at(int(diff)) == number ? int(diff) : -1;
}
