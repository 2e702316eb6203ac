#include "data/recognition/PasteHeading.h"

#include "data/recognition/PasteChat.h"

#include <QRegularExpression>

int PasteHeading::gluedLength(const QString& token)
{
    for (const char* label : {"订单编号", "订单号"}) {
        const QString l = QString::fromUtf8(label);
        if (!token.endsWith(l))
            continue;
        // A bare shop's name reads with the label as one word; a heading
        // ("抖店订单", "抖音电商") is set off from it.
        const QString head = token.chopped(l.size());
        if (head.size() > 2 && PasteChat::isOrderHeading(head) && !PasteChat::isPlatform(head))
            return int(head.size());
        return 0;
    }
    return 0;
}

QString PasteHeading::withoutCountry(const QString& token)
{
    // Only before a province's name, not in "中国银行…" or "中国人民大学".
    static const QRegularExpression country(QStringLiteral(
        "^(?:中国|中国大陆)(?=\\p{Han}{2,3}省|北京|上海|天津|重庆|内蒙古|广西|宁夏|新疆|西藏)"));
    const auto m = country.match(token);
    return m.hasMatch() && token.size() > m.capturedLength() + 4 ? token.mid(m.capturedLength()) : token;
}

bool PasteHeading::isDestination(const QString& token)
{
    static const QRegularExpression where(
        QStringLiteral("^[寄发][到往去]?(?:香港|澳门|澳門|台湾|台灣)(?:地区|地區)?$"));
    return token.size() <= 6 && where.match(token).hasMatch();
}

void PasteHeading::nameDestination(QString& text)
{
    static const QRegularExpression heading(QStringLiteral(
        R"(^\s*[寄发][到往去]?(香港|澳[门門])(?:地区|地區)?\s*[:：]?\s*(?=九[龙龍]|新界|港[岛島]|香港[岛島]|氹仔|路[环環]|澳[门門]半[岛島]))"));
    if (!text.contains(QChar(0x5BC4)) && !text.contains(QChar(0x53D1))) // 寄 发
        return;
    if (const auto m = heading.match(text); m.hasMatch())
        text.insert(m.capturedEnd(), m.captured(1) + QLatin1Char(' '));
}

bool PasteHeading::isPurpose(const QString& token)
{
    static const QRegularExpression purpose(QStringLiteral(
        "^(?:退货|退換貨|退换货|换货|換貨|返修|维修|售后|售後|样品|樣品|发票|發票|合同|资料|資料|文件)件?"
        "(?:请|請|麻烦|麻煩)?(?:寄|发|發|邮寄|郵寄|寄到|发到|發到|寄回|发回|發回|寄往|寄至|送到)"
        "(?:这里|這裡|以下地址|下面)?$"));
    // "都寄到 …": the address after it is for all the recipients named before.
    static const QRegularExpression forAll(
        QStringLiteral("^(?:地址)?都(?:寄到|发到|發到|送到|寄往|寄|发|發)$"));
    return token.size() >= 3 && token.size() <= 12 &&
           (purpose.match(token).hasMatch() || forAll.match(token).hasMatch());
}
