#include "data/recognition/ContactNumbers.h"

#include <QRegularExpression>

namespace {

// Blanks the matched span, so that what stood on either side stays apart.
void blank(QString& text, int start, int length)
{
    text.replace(start, length, QString(length, QLatin1Char(' ')));
}

// Whether the text just before pos ends with a postcode label.
bool labelledPostcode(const QString& text, int pos)
{
    QString before = text.left(pos);
    while (!before.isEmpty() && QStringLiteral(" :：").contains(before.back()))
        before.chop(1);
    return before.endsWith(QStringLiteral("邮编")) || before.endsWith(QStringLiteral("邮政编码"));
}

void markUnsure(ParsedRecipient& r, const QString& key)
{
    if (!r.unsure.contains(key))
        r.unsure << key;
}

} // namespace

void ContactNumbers::take(QString& text, ParsedRecipient& r)
{
    static const QRegularExpression mobileRe(QStringLiteral(
        R"((?<!\d)(?:(?:\+|00)?86[ -]{0,2}|[(（]\+?86[)）] ?)?(1[3-9]\d)[ -]{0,2}(\d{4})[ -]{0,2}(\d{4})(?!\d))"));
    static const QRegularExpression landlineRe(QStringLiteral(
        R"((?<!\d)[(（]?(0(?:10|2\d|[3-9]\d\d))[)）]?[ -]{0,2}([2-9]\d{2,3})[ -]?(\d{4})(?:[ ]*(?:-|转|分机|ext\.?|EXT\.?|#)[ ]*(\d{1,5}))?(?!\d))"));
    static const QRegularExpression hotlineRe(
        QStringLiteral(R"((?<!\d)([48]00)[ -]?(\d{3})[ -]?(\d{4})(?!\d))"));
    static const QRegularExpression postcodeRe(QStringLiteral(R"((?<![\d-])(\d{6})(?!\d))"));
    static const QRegularExpression mobileTypoRe(QStringLiteral(R"((?<!\d)1\d{9,11}(?!\d))"));

    QStringList mobiles;
    for (auto it = mobileRe.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        mobiles << m.captured(1) + m.captured(2) + m.captured(3);
        blank(text, m.capturedStart(), m.capturedLength());
    }
    QStringList phones;
    for (auto it = landlineRe.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        QString p = m.captured(1) + QLatin1Char('-') + m.captured(2) + m.captured(3);
        if (!m.captured(4).isEmpty())
            p += QLatin1Char('-') + m.captured(4);
        phones << p;
        blank(text, m.capturedStart(), m.capturedLength());
    }
    for (auto it = hotlineRe.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        phones << m.captured(1) + QLatin1Char('-') + m.captured(2) + QLatin1Char('-') + m.captured(3);
        blank(text, m.capturedStart(), m.capturedLength());
    }
    QStringList extra;
    if (!mobiles.isEmpty())
        r.mobile = mobiles.takeFirst();
    if (!phones.isEmpty())
        r.phone = phones.takeFirst();
    // A second mobile is a second way to reach the recipient.
    if (r.phone.isEmpty() && !mobiles.isEmpty())
        r.phone = mobiles.takeFirst();
    extra << mobiles << phones;
    if (r.mobile.isEmpty() && mobileTypoRe.match(text).hasMatch())
        markUnsure(r, QStringLiteral("手机")); // a mobile with a digit too many or too few

    // Six digits that are neither a phone nor a house or room number.
    struct Candidate
    {
        int start;
        bool labelled;
    };
    QList<Candidate> candidates;
    static const QString unitChars = QStringLiteral("号室栋幢楼层单元弄户座");
    for (auto it = postcodeRe.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        int after = m.capturedEnd();
        while (after < text.size() && text.at(after) == QLatin1Char(' '))
            ++after;
        if (after < text.size() && unitChars.contains(text.at(after)))
            continue;
        candidates.append({int(m.capturedStart()), labelledPostcode(text, m.capturedStart())});
    }
    if (!candidates.isEmpty()) {
        Candidate chosen = candidates.first();
        for (const Candidate& c : candidates) {
            if (c.labelled) {
                chosen = c;
                break;
            }
        }
        r.postcode = text.mid(chosen.start, 6);
        blank(text, chosen.start, 6);
        if (candidates.size() > 1)
            markUnsure(r, QStringLiteral("邮编"));
    }
    if (!extra.isEmpty())
        text += QLatin1Char('\n') + extra.join(QLatin1Char(' '));
}
