#include "data/recognition/SpokenDigits.h"

#include <QRegularExpression>
#include <algorithm>

namespace {

const QString kSpoken = QStringLiteral("零一二三四五六七八九");

int digitOf(QChar c)
{
    // All of them lie in the CJK block but 〇; most characters are no digit.
    if (c.unicode() > '9' && c.unicode() < 0x3007)
        return -1;
    if (c.unicode() >= '0' && c.unicode() <= '9')
        return c.unicode() - '0';
    if (c == QChar(0x3007)) // 〇
        return 0;
    if (c == QChar(0x5E7A)) // 幺, as a 1 is spoken
        return 1;
    if (c == QChar(0x4E24)) // 两
        return 2;
    return int(kSpoken.indexOf(c));
}

bool isSpoken(QChar c)
{
    return !(c.unicode() >= '0' && c.unicode() <= '9') && digitOf(c) >= 0;
}

} // namespace

QString SpokenDigits::runAsDigits(const QString& run)
{
    QString out;
    for (const QChar c : run) {
        const int d = digitOf(c);
        if (d < 0)
            return QString();
        out += QChar('0' + d);
    }
    return out;
}

QString SpokenDigits::asDigits(const QString& text)
{
    // A spoken digit next to another digit: "文三路", "五一路" alone read no number.
    bool pair = false;
    for (qsizetype i = 0; i + 1 < text.size() && !pair; ++i)
        pair = digitOf(text.at(i)) >= 0 && digitOf(text.at(i + 1)) >= 0 &&
               (isSpoken(text.at(i)) || isSpoken(text.at(i + 1)));
    if (!pair)
        return text;
    return convertedRuns(withPausesAsBlanks(text));
}

QString SpokenDigits::withPausesAsBlanks(const QString& text)
{
    // A voice message punctuates its pauses: "一五零。二九幺三。七七四三",
    // "幺八九……零三二四", "一三九，幺二六，四五". Between the groups of a
    // number long enough to be a phone such a mark is a blank.
    static const QRegularExpression paused(
        QStringLiteral("[0-9零〇一二两三四五六七八九幺]+(?:(?:[ ]*(?:[，,。、~～？?！!]|…+)[ ]*|[ ]{2,})"
                       "[0-9零〇一二两三四五六七八九幺]+)+"));
    static const QRegularExpression pause(QStringLiteral("[ ]*(?:[，,。、~～？?！!]|…+)[ ]*|[ ]{2,}"));
    QString out;
    qsizetype from = 0;
    for (auto it = paused.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        const QString found = m.captured();
        int digits = 0;
        for (const QChar c : found)
            digits += digitOf(c) >= 0 ? 1 : 0;
        if (digits < 10 || std::none_of(found.begin(), found.end(), isSpoken))
            continue;
        out += text.mid(from, m.capturedStart() - from) + QString(found).replace(pause, QStringLiteral(" "));
        from = m.capturedEnd();
    }
    return from == 0 ? text : out + text.mid(from);
}

QString SpokenDigits::convertedRuns(const QString& text)
{
    // Digit groups set off by single blanks or dashes, as people read a number out.
    static const QRegularExpression run(
        QStringLiteral("[0-9零〇一二两三四五六七八九幺]+(?:[ -][0-9零〇一二两三四五六七八九幺]+)*"));
    static const QRegularExpression postcodeLabel(QStringLiteral("(?:邮编|邮政编码)[是为:：]?[ ]*$"));
    static const QRegularExpression extensionLabel(QStringLiteral("[0-9][ ]*(?:转|分机号?)[ ]*$"));
    QString out;
    int from = 0;
    for (auto it = run.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        // A lone 一 or 四 at either end glued to a word is the word's ("139 0000 1111
        // 四川省…", "三组 138…"); set apart by a blank it is the number's last group,
        // as voice input breaks one up ("一三九 九二三 一 五零八 七").
        qsizetype start = m.capturedStart();
        QString found = m.captured();
        static const QRegularExpression shortHead(QStringLiteral("^[^ -]{1,2}[ -]"));
        static const QRegularExpression shortTail(QStringLiteral("[ -][^ -]{1,2}$"));
        auto glued = [&text](qsizetype at) { return at >= 0 && at < text.size() && text.at(at).isLetter(); };
        for (auto h = shortHead.match(found);
             h.hasMatch() && glued(start - 1) &&
             std::any_of(found.begin(), found.begin() + h.capturedLength() - 1, isSpoken);
             h = shortHead.match(found)) {
            start += h.capturedLength();
            found.remove(0, h.capturedLength());
        }
        for (auto t = shortTail.match(found);
             t.hasMatch() && glued(start + found.size()) &&
             std::any_of(found.begin() + t.capturedStart() + 1, found.end(), isSpoken);
             t = shortTail.match(found))
            found.truncate(t.capturedStart());
        // "三十一号", "一百零八号": a number in words, no digits read out.
        const qsizetype end = start + found.size();
        static const QString tens = QStringLiteral("十百千万");
        if (std::none_of(found.begin(), found.end(), isSpoken) ||
            (start > 0 && tens.contains(text.at(start - 1))) ||
            (end < text.size() && tens.contains(text.at(end))))
            continue;
        int digits = 0;
        for (const QChar c : found)
            digits += digitOf(c) >= 0 ? 1 : 0;
        const QString before = out + text.mid(from, start - from);
        // A phone, or a number its label announces.
        if (digits < 7 && !(digits == 6 && postcodeLabel.match(before).hasMatch()) &&
            !(digits <= 5 && extensionLabel.match(before).hasMatch()))
            continue;
        QString converted;
        for (const QChar c : found)
            converted += digitOf(c) >= 0 ? QChar('0' + digitOf(c)) : c;
        out = before;
        // "加八五二 …": the country code's plus, spoken.
        static const QRegularExpression codes(QStringLiteral("^(?:852|853|886|86)[ -]"));
        if (out.endsWith(QChar(0x52A0)) && codes.match(converted).hasMatch())
            out.back() = QLatin1Char('+');
        out += converted;
        from = int(start + found.size());
    }
    return out + text.mid(from);
}
