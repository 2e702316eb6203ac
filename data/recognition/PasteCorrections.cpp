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
    QStringLiteral("(?:%1(?:[ ]+%1)+|[0-9零〇一二两三四五六七八九幺]+(?:号楼|号|栋|幢|楼|室|单元)?|"
                   "[^\\s,，。;；]+)")
        .arg(kNumber);
// A value written off by blanks or marks.
const QString kWord = QStringLiteral("[^\\s,，。;；]+");
// The field the value is for, said before it.
const QString kField =
    QStringLiteral("(?:门牌号?|房间号?|房号|楼号|单元号?|电话号?码?|手机号?码?|号码|名字|姓名|收件人|地址)");
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
    static const QRegularExpression number(
        QStringLiteral("^[A-Za-z]?\\d+[A-Za-z]?(?:号楼|号|栋|幢|楼|室|单元|层)?$"));
    static const QRegularExpression place(QStringLiteral("^\\p{Han}{1,6}[省市区县镇乡村路街道巷弄]$"));
    return v.size() <= 11 && (number.match(v).hasMatch() || place.match(v).hasMatch() ||
                              (v.size() <= 4 && PersonName::fit(v) == PersonName::Strong));
}

// The old value with the new one in it: "18920345571" corrected by "5517"
// has its last digits changed.
QString corrected(const QString& old, const QString& now)
{
    return isDigits(old) && now.size() < old.size() ? old.left(old.size() - now.size()) + now : now;
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
    qsizetype at = -1;
    for (auto it = same.globalMatch(QStringView(text).left(pos)); it.hasNext();) {
        const auto n = it.next();
        at = n.capturedStart();
        length = n.capturedLength();
    }
    return at;
}

// "不是伍晓娜 是武晓娜", "电话不是13912647750 是13912647705".
bool notThisButThat(QString& text)
{
    static const QRegularExpression re(
        QStringLiteral("(%1)?(?:打错了|写错了|错了)?%2不是[ ]*(%4)%2(?:而?是|应该是)[ ]*(%3)")
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
    const QString now = plainDigits(m.captured(2));
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
        QStringLiteral("(%1)[ ]*(?:%3)?(?:[诶哎唉噢哦]?(?:不对|打错了|写错了|说错了|搞错了|弄错了|错了)(?:[ "
                       ",，]*(?:不对|[打写说搞弄]?错了))*|算了)%2"
                       "(?:改一下|改下|更正)?%2(?:%3)?(?:还是写|还是|应该是|改成|是|写|填)?(?:真名|真实姓名|"
                       "全名)?[:： ]*(%1)")
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
    if (sameKind(old, now)) {
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

} // namespace

QString PasteCorrections::applied(const QString& input)
{
    if (!input.contains(QStringLiteral("不对")) && !input.contains(QStringLiteral("错了")) &&
        !input.contains(QStringLiteral("算了")) && !input.contains(QStringLiteral("不是")))
        return input;
    QString text = input;
    for (int guard = 0; guard < 4 && (notThisButThat(text) || thatNotThis(text) || valueThenCorrection(text));
         ++guard) {
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
