#include "data/recognition/PasteCorrections.h"

#include "data/recognition/PersonName.h"
#include "data/recognition/SpokenDigits.h"

#include <QRegularExpression>
#include <algorithm>

namespace {

// A number of the house with the unit it numbers: "5幢", "1503", "B2".
const QString kNumber = QStringLiteral("[A-Za-z]?\\d+[A-Za-z]?(?:号楼|号|栋|幢|楼|室|单元|层|座)?");
// What a value may be said to be: the numbers of a house set off by blanks
// ("105号 5幢 301"), a run of digits (spoken or not) with its unit, or a
// word up to the next blank or mark.
const QString kValue =
    QStringLiteral(
        "(?:%1(?:[ ]+%1)+|[0-9零〇一二两三四五六七八九幺]+[甲乙丙丁]?(?:号楼|号|栋|幢|楼|室|单元)?|"
        "[^\\s,，。;；]+)")
        .arg(kNumber);
// A value written off by blanks or marks.
const QString kWord = QStringLiteral("[^\\s,，。;；]+");
// The field the value is for, said before it.
const QString kField = QStringLiteral(
    "(?:门牌号?|房间号?|房号|楼号|单元号?|电话号?码?|手机号?码?|号码|名字|姓名|收件人|地址|小区名?)");
const QString kGap = QStringLiteral("[ ,，。.!！~～]*");

QString plainDigits(const QString& value)
{
    const QString d = SpokenDigits::runAsDigits(value);
    return d.isEmpty() ? value : d;
}

bool isDigits(const QString& s)
{
    return !s.isEmpty() && std::all_of(s.begin(), s.end(), [](QChar c) { return c.isDigit(); });
}

// Whether the new value says again what the old one was: both numbers, or both names.
bool sameKind(const QString& old, const QString& now)
{
    if (isDigits(old) || isDigits(now))
        return isDigits(old) && isDigits(now) && now.size() <= old.size();
    return PersonName::fit(old) != PersonName::No && PersonName::fit(now) == PersonName::Strong;
}

// Whether a value denied with 不是 is one of a field: a number, a name, or a
// place ("二七区"); "不是本人接就放门卫" is a note.
bool isFieldValue(const QString& v)
{
    static const QRegularExpression number(QStringLiteral(
        "^[A-Za-z]?\\d+[A-Za-z甲乙丙丁东西南北]?(?:号楼|号|栋|幢|楼|室|单元|层)?$")); // "45乙楼"
    // Or an estate by its name: "金枫苑".
    static const QRegularExpression place(
        QStringLiteral("^\\p{Han}{1,6}(?:[省市区县镇乡村路街道巷弄苑园庭府湾居阁]|小区|花园|公寓)$"));
    return v.size() <= 11 && (number.match(v).hasMatch() || place.match(v).hasMatch() ||
                              (v.size() <= 4 && PersonName::fit(v) == PersonName::Strong));
}

// The old value with the new one in it: "18920345571" corrected by "5517"
// has its last digits changed.
QString corrected(const QString& old, const QString& now)
{
    return isDigits(old) && now.size() < old.size() ? old.left(old.size() - now.size()) + now : now;
}

// Where the last match of re before pos starts, or -1; its length in length.
qsizetype lastMatch(const QRegularExpression& re, const QString& text, qsizetype pos, qsizetype& length)
{
    qsizetype at = -1;
    for (auto it = re.globalMatch(QStringView(text).left(pos)); it.hasNext();) {
        const auto n = it.next();
        at = n.capturedStart();
        length = n.capturedLength();
    }
    return at;
}

// The last number before pos written with the same unit as the new value
// ("166号" for "188号"), or -1; its length in length.
qsizetype lastLike(const QString& text, qsizetype pos, const QString& now, qsizetype& length)
{
    static const QRegularExpression numbered(QStringLiteral("^\\d+(\\D+)$"));
    const auto m = numbered.match(now);
    if (!m.hasMatch())
        return -1;
    const QRegularExpression same(QStringLiteral("(?<!\\d)\\d+") + QRegularExpression::escape(m.captured(1)));
    return lastMatch(same, text, pos, length);
}

// "不是伍晓娜 是武晓娜", "电话不是13912647750 是13912647705".
bool notThisButThat(QString& text)
{
    static const QRegularExpression re(QStringLiteral("(?:[诶哎唉噢哦]?不对%2)?(%1)?(?:刚才?)?(?:打错了|"
                                                      "写错了|错了)?%2不是[ ]*(%4)%2(?:而?是|应该是)[ ]*(%3)")
                                           .arg(kField, kGap, kValue, kWord));
    const auto m = re.match(text);
    if (!m.hasMatch() || !isFieldValue(m.captured(2)))
        return false;
    const QString old = m.captured(2);
    const QString now = plainDigits(m.captured(3));
    QString rest = text;
    rest.remove(m.capturedStart(), m.capturedLength());
    if (rest.contains(old)) {
        rest.replace(old, now);
        text = rest;
    } else {
        text.replace(m.capturedStart(), m.capturedLength(),
                     m.captured(1) + QLatin1Char(' ') + now + QLatin1Char(' '));
    }
    return true;
}

// "门牌号是2栋1305 不是1503", "是…经三路68号 不是二七区".
bool thatNotThis(QString& text)
{
    static const QRegularExpression re(
        QStringLiteral("((?:[诶哎唉噢哦]?不对)?%3(?:改一下|改下|改成)?[ ]*%1[是为]?[ ]*)?(%2)%3不是[ ]*(%4)")
            .arg(kField, kValue, kGap, kWord));
    const auto m = re.match(text);
    if (!m.hasMatch() || !isFieldValue(m.captured(3)))
        return false;
    const QString old = m.captured(3);
    QString now = plainDigits(m.captured(2));
    // "是1单元不是2单元": the 是 says it, the value follows.
    for (const QString& say : {QStringLiteral("应该是"), QStringLiteral("是")}) {
        if (now.size() > say.size() && now.startsWith(say) && isFieldValue(now.mid(say.size())))
            now.remove(0, say.size());
    }
    const qsizetype at = text.left(m.capturedStart()).lastIndexOf(old);
    if (at < 0) {
        // The old value was not written here: only the words that deny it go.
        text.remove(m.capturedEnd(2), m.capturedEnd() - m.capturedEnd(2));
        return true;
    }
    // "2栋1305" for "1503": the part of the new value that stands for the old one.
    const QString part = isDigits(old) && now.size() > old.size() && isDigits(now.right(old.size()))
                             ? now.right(old.size())
                             : now;
    text.remove(m.capturedStart(), m.capturedLength());
    text.replace(at, old.size(), part);
    return true;
}

// "13705718862 打错了 是13705718826", "钱多多 算了还是写真名 钱鸿远".
bool valueThenCorrection(QString& text)
{
    static const QRegularExpression re(
        QStringLiteral(
            "(%1)[ ]*(?:%3)?(?:[诶哎唉噢哦]?(?:不对|打错了|写错了|说错了|搞错了|弄错了|错了)(?:[ "
            ",，]*(?:不对|[打写说搞弄]?错了))*|算了)%2"
            "(?:改一下|改下|更正)?%2(?:%3)?(?:还是写|还是|应该是|改成|是|写|填)?(?:真名|真实姓名|"
            "全名)?(?:吧|[ ]*(?:写|填)?(?:我|他|她)?(?:\\p{Han}{1,3}的)?(?:名字|真名|全名)吧?)?[:： ]*(%1)")
            .arg(kValue, kGap, kField));
    const auto m = re.match(text);
    if (!m.hasMatch())
        return false;
    const QString old = m.captured(1);
    const QString now = plainDigits(m.captured(2));
    // The last of the house's numbers said again: "5幢 301 … 是5幢 103", "189 2034 5571 不对是5517".
    const QStringList oldGroups = old.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QStringList nowGroups = now.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (oldGroups.size() > 1 && nowGroups.size() <= oldGroups.size() &&
        (nowGroups.size() > 1 || !oldGroups.last().front().isDigit() || oldGroups.last().back().isDigit())) {
        QStringList kept = oldGroups.mid(0, oldGroups.size() - nowGroups.size());
        kept << (nowGroups.size() == 1 ? corrected(oldGroups.last(), now) : nowGroups.join(QLatin1Char(' ')));
        text.replace(m.capturedStart(), m.capturedLength(), kept.join(QLatin1Char(' ')));
        return true;
    }
    // "小鱼 不对 写真名吧 于静怡": a name given for the real one, whatever the first was.
    static const QRegularExpression realName(QStringLiteral("真名|真实姓名|全名|名字"));
    if (sameKind(old, now) ||
        (PersonName::fit(now) == PersonName::Strong && m.captured(0).contains(realName))) {
        text.replace(m.capturedStart(), m.capturedLength(), corrected(old, now));
        return true;
    }
    qsizetype length = 0;
    const qsizetype at = lastLike(text, m.capturedEnd(1), now, length);
    if (at < 0)
        return false;
    text.remove(m.capturedEnd(1), m.capturedEnd() - m.capturedEnd(1));
    text.replace(at, length, now);
    return true;
}

// The last value before pos like the new one: a number of as many digits
// ("1202" for "1203", a phone for a phone) or with the same unit ("2单元").
qsizetype lastSameKind(const QString& text, qsizetype pos, const QString& now, qsizetype& length)
{
    if (!isDigits(now))
        return lastLike(text, pos, now, length);
    const QRegularExpression same(QStringLiteral("(?<!\\d)\\d{%1}(?!\\d)").arg(now.size()));
    return lastMatch(same, text, pos, length);
}

// A slip owned up to apart from the value it was in, the field named:
// "电话打错了，是13671529048", "门牌是1203 刚看错了".
bool slipApart(QString& text)
{
    static const QRegularExpression re(
        QStringLiteral("[啊哦噢诶哎]?[ ]*(?:%1)(?:刚才?)?[打写看说填弄搞发]?错了%2(?:应该|正确的)?是[ ]*(%3)|"
                       "[啊哦噢诶哎]?[ ]*(?:%1)[是为][ ]*(%3)%2(?:刚才?|我)?[打写看说填弄搞]错了")
            .arg(kField, kGap, kNumber));
    const auto m = re.match(text);
    if (!m.hasMatch())
        return false;
    const int group = m.capturedStart(1) >= 0 ? 1 : 2;
    const QString now = m.captured(group);
    qsizetype length = 0;
    const qsizetype at = lastSameKind(text, m.capturedStart(), now, length);
    if (at < 0 || text.mid(at, length) == now)
        return false;
    qsizetype start = m.capturedStart();
    qsizetype end = m.capturedEnd();
    // A line of its own goes with its line break, not to leave a blank line
    // that would part one recipient in two.
    const qsizetype lineStart = text.lastIndexOf(QLatin1Char('\n'), start - 1) + 1;
    const qsizetype lineEnd = text.indexOf(QLatin1Char('\n'), end);
    const auto blank = [](QStringView v) { return v.trimmed().isEmpty(); };
    if (lineStart > 0 && blank(QStringView(text).mid(lineStart, start - lineStart)) &&
        blank(QStringView(text).mid(end, (lineEnd < 0 ? text.size() : lineEnd) - end))) {
        start = lineStart - 1;
        end = lineEnd < 0 ? text.size() : lineEnd;
    }
    text.remove(start, end - start);
    text.replace(at, length, now);
    return true;
}

} // namespace

QString PasteCorrections::applied(const QString& input)
{
    if (!input.contains(QStringLiteral("不对")) && !input.contains(QStringLiteral("错了")) &&
        !input.contains(QStringLiteral("算了")) && !input.contains(QStringLiteral("不是")))
        return input;
    QString text = input;
    bool any = false;
    for (int guard = 0; guard < 4 && (notThisButThat(text) || thatNotThis(text) ||
                                      valueThenCorrection(text) || slipApart(text));
         ++guard) {
        any = true;
    }
    // The slip owned up to, left alone once the value is put right: "单元写错了".
    static const QRegularExpression slip(
        QStringLiteral(
            "(?<=^|[\\s,，。!！])[啊哦诶哎]?(?:%1)?(?:刚才?)?[打写看说填弄搞]错了(?=$|[\\s,，。!！])")
            .arg(kField));
    if (any) {
        QStringList lines = text.split(QLatin1Char('\n'));
        for (qsizetype k = lines.size() - 1; k >= 0; --k) {
            const QString before = lines.at(k);
            lines[k].remove(slip);
            // A line left with nothing goes, not to part the recipient in two.
            if (lines.at(k) != before && lines.at(k).trimmed().isEmpty())
                lines.removeAt(k);
        }
        text = lines.join(QLatin1Char('\n'));
    }
    // "嘉庆的嘉": which character the name is written with.
    static const QRegularExpression character(QStringLiteral("(?<=\\s)(\\p{Han}{1,3})的(\\p{Han})(?=\\s|$)"));
    for (auto it = character.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(1).contains(m.captured(2)) && text.left(m.capturedStart()).contains(m.captured(2))) {
            text.remove(m.capturedStart(), m.capturedLength());
            break;
        }
    }
    return text;
}
