#include "data/recognition/SentenceLeadIn.h"

#include "data/recognition/PersonName.h"
#include "data/recognition/RegionTable.h"

#include <QRegularExpression>
#include <algorithm>

int SentenceLeadIn::addressStart(const QString& token, const RegionTable& regions)
{
    // Each verb has one of these; most tokens have none.
    if (token.size() < 8 ||
        std::none_of(token.begin(), token.begin() + std::min<qsizetype>(token.size(), 13),
                     [](QChar c) { return QStringLiteral("到往去在是").contains(c); }) ||
        regions.match(token).length > 0)
        return 0;
    // The verb that leads to the place, within the first words.
    static const QRegularExpression verb(
        QStringLiteral("(?:寄到|发到|送到|寄往|发往|寄去|发去|邮到|住在|家在|人在|地址是|地址在)"));
    for (auto it = verb.globalMatch(token); it.hasNext();) {
        const auto m = it.next();
        if (m.capturedEnd() > 14)
            break;
        const RegionTable::Path path = regions.match(QStringView(token).mid(m.capturedEnd()));
        // A province or city written out, or two regions in short forms ("广西南宁").
        if (!path.written.isEmpty() && !path.ambiguous &&
            (!path.written.first().shortForm || path.written.size() >= 2))
            return int(m.capturedEnd());
    }
    return 0;
}

QString SentenceLeadIn::nameAtEnd(const QString& token)
{
    if (token.size() < 3 || token.size() > 18 || std::none_of(token.cbegin(), token.cend(), [](QChar c) {
            return QStringLiteral("叫是给写填找名").contains(c);
        }))
        return QString();
    // "收货的是…", "收件的是…": who takes it; "…他叫…", "她名字叫…", "外婆叫…", "真名…":
    // what the one named is called. "一单给…", "第二个寄给…": which of several parcels,
    // and whom it goes to. "麻烦写…收", "找…": the name to write, the one to ask for.
    static const QRegularExpression said(QStringLiteral(
        "(?:^(?:收货|收件|签收|收)的?(?:人)?是|(?:他|她|名字|全名|大名|姓\\p{Han}{1,2})(?:叫做?|是)|"
        "^(?:我的?)?(?:真名|真实姓名|本名)(?:叫做?|是)?|"
        "^(?:我的?|我们)?(?:外婆|外公|奶奶|爷爷|姥姥|姥爷|爸爸|妈妈|老爸|老妈|我爸|我妈|姐姐|妹妹|哥哥|弟弟|"
        "老公|老婆|爱人|儿子|女儿|朋友|同事|同学|室友|领导)(?:叫做?|名字叫)|"
        "^(?:麻烦|请|帮我|帮忙)?(?:写|填)|^找|"
        "^(?:另一|一|第[一二三四五六七八九1-9])[个位份单件][寄发送]?给)(\\p{Han}{2,9})$"));
    const auto m = said.match(token);
    if (!m.hasMatch())
        return QString();
    QString name = m.captured(1);
    // Who the recipient is to the sender, before the name: "我室友上官若溪".
    static const QRegularExpression relation(QStringLiteral(
        "^(?:我|我的|我们)?(?:室友|舍友|朋友|同事|同学|闺蜜|老公|老婆|爱人|对象|弟弟|哥哥|姐姐|妹妹|"
        "爸爸|妈妈|儿子|女儿|弟|哥|姐|妹|爸|妈|老板|领导)"));
    if (const auto r = relation.match(name); r.hasMatch() && r.capturedLength() < name.size())
        name.remove(0, r.capturedLength());
    // "我们部门的赵可欣": whose colleague, then the name.
    if (const qsizetype of = name.lastIndexOf(QChar(0x7684)); of >= 1 && of + 3 <= name.size())
        name.remove(0, of + 1);
    const bool writing = token.contains(QChar(0x5199)) || token.contains(QChar(0x586B)); // 写 填
    if (writing) {
        name = PersonName::withoutReceiveMark(name); // "写上官飞燕收"
        // "写上王芳": the verb's 上, where the name has none.
        if (PersonName::fit(name) != PersonName::Strong && name.size() >= 3 &&
            (name.front() == QChar(0x4E0A) || name.front() == QChar(0x6210))) // 上 成
            name.remove(0, 1);
    }
    return PersonName::fit(name) == PersonName::Strong ? name : QString();
}

QString SentenceLeadIn::withoutPointer(const QString& token)
{
    if (!token.startsWith(QChar(0x8FD9)) && !token.startsWith(QChar(0x90A3))) // 这, 那
        return token;
    static const QRegularExpression pointer(
        QStringLiteral("^(?:这个|这单|这件|这份|那个|那单)(?:的|要|就)?"));
    const auto m = pointer.match(token);
    if (!m.hasMatch() || token.size() < m.capturedLength() + 2)
        return token;
    const QString rest = token.mid(m.capturedLength());
    // "这个地址周日有人收" points at the address, not at a parcel.
    // "这单是送朋友的" says what the parcel is, kept whole.
    return PersonName::isDeliveryNote(rest) && !rest.startsWith(QStringLiteral("地址")) &&
                   !rest.startsWith(QChar(0x662F))
               ? rest
               : token;
}

QString SentenceLeadIn::reduced(const QString& token, const RegionTable& regions)
{
    if (const QString name = nameAtEnd(token); !name.isEmpty())
        return name;
    // "我领导方国栋", left after the label: who the recipient is to the sender, then the name.
    static const QRegularExpression relation(QStringLiteral(
        "^(?:我的?|我们)(?:\\p{Han}{1,4}的)?(?:室友|舍友|朋友|同事|同学|闺蜜|老公|老婆|爱人|对象|"
        "领导|老板|上司|客户)?(\\p{Han}{2,4})$"));
    if (token.size() >= 4 && token.front() == QChar(0x6211)) // 我
        if (const auto m = relation.match(token);
            m.hasMatch() && m.capturedStart(1) > 1 && PersonName::fit(m.captured(1)) == PersonName::Strong)
            return m.captured(1);
    if (const int at = addressStart(token, regions); at > 0)
        return token.mid(at);
    // "香港的", "台湾的哈": a region alone with 的.
    if (token.size() < 3 || token.size() > 6 || !token.contains(QChar(0x7684))) // 的
        return withoutPointer(token);
    static const QRegularExpression whose(QStringLiteral("^(\\p{Han}{2,4})的[哈哦呀啊]?$"));
    if (const auto m = whose.match(token);
        m.hasMatch() && regions.match(m.captured(1)).length == m.capturedLength(1))
        return QString();
    return withoutPointer(token);
}

QString SentenceLeadIn::takeNameAfterAddress(QString& address)
{
    static const QString unitEnds = QStringLiteral("号室栋幢楼层户座弄");
    const qsizetype at = address.lastIndexOf(QChar(0x7ED9)); // 给
    if (at < 2 || (!unitEnds.contains(address.at(at - 1)) && !address.at(at - 1).isDigit()))
        return QString();
    const QString name = nameAtEnd(address.mid(at + 1));
    if (!name.isEmpty())
        address.truncate(at);
    return name;
}
