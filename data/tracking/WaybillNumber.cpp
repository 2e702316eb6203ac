#include "data/tracking/WaybillNumber.h"

namespace {
bool isAsciiLetter(QChar c)
{
    return (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
           (c >= QLatin1Char('a') && c <= QLatin1Char('z'));
}
bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}
} // namespace

bool WaybillNumber::parse(const QString& text, QString* prefix, QString* digits, QString* error)
{
    const QString t = text.trimmed();
    int i = 0;
    while (i < t.size() && isAsciiLetter(t.at(i)))
        ++i;
    const QString p = t.left(i);
    const QString d = t.mid(i);
    bool ok = !d.isEmpty() && d.size() <= kMaxDigits;
    for (QChar c : d)
        ok = ok && isAsciiDigit(c);
    if (!ok) {
        if (error)
            *error = QStringLiteral("单号“%1”不对：应为数字（最多 %2 位），前面可以有字母。")
                         .arg(t)
                         .arg(kMaxDigits);
        return false;
    }
    if (prefix)
        *prefix = p;
    if (digits)
        *digits = d;
    return true;
}

QString WaybillNumber::increment(const QString& digits, bool* widened)
{
    QString out = digits;
    int i = out.size() - 1;
    while (i >= 0 && out.at(i) == QLatin1Char('9')) {
        out[i] = QLatin1Char('0');
        --i;
    }
    if (widened)
        *widened = i < 0;
    if (i < 0)
        out.prepend(QLatin1Char('1'));
    else
        out[i] = QChar(out.at(i).unicode() + 1);
    return out;
}

bool WaybillNumber::sequence(const QString& first, int count, QStringList* out, QString* note, QString* error)
{
    QString prefix, digits;
    if (!parse(first, &prefix, &digits, error))
        return false;
    out->clear();
    if (note)
        note->clear();
    for (int n = 0; n < count; ++n) {
        if (n > 0) {
            bool widened = false;
            const QString before = digits;
            digits = increment(digits, &widened);
            if (digits.size() > kMaxDigits) {
                if (error)
                    *error = QStringLiteral("从 %1 起的 %2 个单号超过了 %3 位数字。")
                                 .arg(first.trimmed())
                                 .arg(count)
                                 .arg(kMaxDigits);
                out->clear();
                return false;
            }
            if (widened && note && note->isEmpty())
                *note = QStringLiteral("第 %1 张的单号从 %2 进位到 %3，多了一位数字，请核对运单上的号码。")
                            .arg(n + 1)
                            .arg(prefix + before, prefix + digits);
        }
        out->append(prefix + digits);
    }
    return true;
}
