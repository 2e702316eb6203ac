#include "data/recognition/InlineRecipients.h"

#include "data/recognition/PasteText.h"
#include "data/recognition/PersonName.h"
#include "data/recognition/RegionTable.h"
#include "data/recognition/SentenceLeadIn.h"

#include <QList>

#include <QRegularExpression>
#include <algorithm>

namespace {

struct Word
{
    int start;
    int end;
    QString text;
};

// What a recipient of the line is known by: its mobile, and the piece its
// address starts with.
struct Mark
{
    int word; // the address's word; -1 for a mobile
    int start;
    int end;
    bool mobile;
};

bool isNameWord(const QString& text)
{
    for (const PasteText::Piece& p : PasteText::splitAtLabels(text)) {
        if (p.label == PasteText::Name ||
            (p.label == PasteText::None &&
             (PersonName::fit(PersonName::withoutReceiveMark(p.text)) == PersonName::Strong ||
              !SentenceLeadIn::nameAtEnd(p.text).isEmpty()))) // "一单给公孙明轩"
            return true;
    }
    return false;
}

// A name, its label or a lead-in such as "另一个是": what goes before a recipient's number.
bool goesBeforeNumber(const QString& text)
{
    return isNameWord(text) || PasteText::withoutLeadIn(text) != text ||
           PasteText::splitAtLabels(text).first().label != PasteText::None;
}

// "第一个寄给常宏伟… 第二个寄给常小雨…": the recipients counted in words,
// from the first on, each where its count stands; empty when there are none.
QStringList byOrdinal(const QString& line)
{
    if (!line.contains(QChar(0x7B2C))) // 第
        return {};
    static const QRegularExpression ordinal(
        QStringLiteral("第([一二三四五六七八九1-9])(?:个|位|份|单|件|个人)(?=[寄发给是收\\s:：]|\\p{Han})"));
    static const QString counts = QStringLiteral("一二三四五六七八九");
    QList<qsizetype> starts;
    for (auto it = ordinal.globalMatch(line); it.hasNext();) {
        const auto m = it.next();
        const QChar c = m.captured(1).front();
        const int n = c.isDigit() ? c.digitValue() : int(counts.indexOf(c)) + 1;
        if (starts.isEmpty() && n == 2 && m.capturedStart() > 0)
            starts << 0; // the first's count taken off with the text's lead-in
        if (n != starts.size() + 1)
            break;
        starts << m.capturedStart();
    }
    // Only words about the batch before the first: "寄两个人 第一个…".
    if (starts.size() < 2 || starts.first() > 12 ||
        std::any_of(line.begin(), line.begin() + starts.first(), [](QChar c) { return c.isDigit(); }))
        return {};
    QStringList parts;
    for (int i = 0; i < starts.size(); ++i)
        parts << line.mid(starts.at(i),
                          (i + 1 < starts.size() ? starts.at(i + 1) : line.size()) - starts.at(i))
                     .trimmed();
    return parts;
}

} // namespace

QStringList InlineRecipients::split(const QString& line, const RegionTable& regions)
{
    static const QRegularExpression mobileRe(
        QStringLiteral(R"((?<![\d*])1[3-9]\d[ -]?(?:\d{4}|\*{4})[ -]?\d{4}(?!\d))"));
    if (line.contains(QLatin1Char('\n')))
        return {line};
    // "1.何咏诗 … 2.何建新 …": the recipients numbered on one line, from 1 on
    // (the line's own "1." may have been taken off with the line's numbering).
    static const QRegularExpression numbered(QStringLiteral(R"((?:^|(?<=\s))([1-9])[.、．]\s*(?=\p{Han}))"));
    QStringList byNumber;
    int number = 1;
    int at = 0;
    // Words about the batch before "1." ("寄三个人哈 1.…"): no number or place in them.
    static const QRegularExpression batchWords(QStringLiteral("^[^\\d]{1,12}\\s$"));
    for (auto it = numbered.globalMatch(line); it.hasNext();) {
        const auto m = it.next();
        if (number == 1 && m.capturedStart() > 0 && m.captured(1) == QStringLiteral("2"))
            number = 2; // the first recipient before it, its number gone
        const bool afterBatchWords = number == 1 &&
                                     batchWords.match(line.left(m.capturedStart())).hasMatch() &&
                                     regions.match(line.left(m.capturedStart())).length == 0;
        if (m.captured(1).toInt() != number || (number == 1 && m.capturedStart() > 0 && !afterBatchWords))
            break;
        if (number > 1)
            byNumber << line.mid(at, m.capturedStart() - at).trimmed();
        at = int(m.capturedEnd());
        ++number;
    }
    if (number > 2) {
        byNumber << line.mid(at).trimmed();
        return byNumber;
    }
    if (const QStringList parts = byOrdinal(line); !parts.isEmpty())
        return parts;
    QList<Mark> marks;
    QString blanked = line;
    for (auto it = mobileRe.globalMatch(line); it.hasNext();) {
        const auto m = it.next();
        marks.append({-1, int(m.capturedStart()), int(m.capturedEnd()), true});
        blanked.replace(m.capturedStart(), m.capturedLength(), QString(m.capturedLength(), QLatin1Char(' ')));
    }
    if (marks.size() < 2)
        return {line};
    static const QRegularExpression wordRe(QStringLiteral(R"([^\s,，、;；:：|｜/]+)"));
    QList<Word> words;
    for (auto it = wordRe.globalMatch(blanked); it.hasNext();) {
        const auto m = it.next();
        words.append({int(m.capturedStart()), int(m.capturedEnd()), m.captured()});
    }
    bool regionBefore = false;
    for (int i = 0; i < words.size(); ++i) {
        const RegionTable::Path path = regions.match(words.at(i).text);
        bool full = false;
        for (const RegionTable::Written& w : path.written)
            full = full || !w.shortForm;
        // "天津市 和平区" is one address: a region after a region goes on with it.
        if (full && !regionBefore && !PasteText::isCompany(words.at(i).text))
            marks.append({i, words.at(i).start, words.at(i).end, false});
        regionBefore = path.length > 0;
    }
    std::sort(marks.begin(), marks.end(), [](const Mark& a, const Mark& b) { return a.start < b.start; });
    // Each recipient one mobile and one address, in either order.
    if (marks.size() % 2 != 0)
        return {line};
    for (int i = 0; i < marks.size(); i += 2) {
        if (marks.at(i).mobile == marks.at(i + 1).mobile)
            return {line};
    }
    auto named = [&](int from, int to) {
        for (const Word& w : std::as_const(words)) {
            if (w.start >= from && w.end <= to && isNameWord(w.text))
                return true;
        }
        return false;
    };
    QList<int> cuts;
    int from = 0;
    for (int i = 1; i + 1 < marks.size(); i += 2) {
        const Mark& last = marks.at(i);
        const Mark& next = marks.at(i + 1);
        int cut = next.start;
        if (last.mobile) {
            // After the number, unless the recipient's name follows it.
            cut = last.end;
            int w = 0;
            while (w < words.size() && words.at(w).start < last.end)
                ++w;
            if (!named(from, last.end) && w < words.size() && words.at(w).end <= next.start &&
                isNameWord(words.at(w).text))
                cut = words.at(w).end;
        } else if (next.mobile) {
            // "…临江北路19号 另一个是 冯小兰 13417508962": the next recipient's
            // name and lead-in stand before its number.
            int k = last.word + 1;
            while (k < words.size() && words.at(k).end <= next.start)
                ++k;
            int c = k;
            while (c > last.word + 1 && goesBeforeNumber(words.at(c - 1).text))
                --c;
            cut = c < k ? words.at(c).start : next.start;
        }
        cuts << cut;
        from = cut;
    }
    QStringList parts;
    from = 0;
    for (const int cut : std::as_const(cuts)) {
        parts << line.mid(from, cut - from).trimmed();
        from = cut;
    }
    parts << line.mid(from).trimmed();
    // Each with a name of its own, or it is one recipient with a second number.
    cuts << line.size();
    from = 0;
    for (const int cut : std::as_const(cuts)) {
        if (!named(from, cut))
            return {line};
        from = cut;
    }
    return parts;
}
