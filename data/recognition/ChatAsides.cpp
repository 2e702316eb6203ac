#include "data/recognition/ChatAsides.h"

#include <QRegularExpression>

bool ChatAsides::isAside(const QString& token)
{
    if (token.size() < 2 || token.size() > 12)
        return false;
    static const QRegularExpression aside(QStringLiteral(
        // By the way: "哦对了", "对了".
        "^[哦噢啊诶哎]?对了$|"
        // Paid, or placed: "好了付款了", "已经拍下了".
        "^(?:好了|好的)?(?:我)?(?:已经|刚刚?)?(?:付款|付钱|付好|拍下|拍好|拍了)了?$|"
        // Hold on, then done: "先别发", "等我改个地址", "改好了".
        "^先(?:别|不要|不用)[发寄](?:货)?$|^等我(?:改|换|确认|问)|^(?:改|弄|写|换)?好了$|"
        // The old one is void, or it changed: "之前那个不用了", "换了".
        "^(?:之前|上次|原来|以前)?(?:那个|的)(?:地址)?(?:不用|不要|作废)了$|^(?:换|改|变)了$|"
        "^(?:这次|这回|现在|我的?)?(?:地址|电话|号码|手机号?)(?:换|改|变)了$|"
        // Who takes it, the name set off after: "收货的是 喻文轩".
        "^(?:收货|收件|签收)的(?:人)?是$|"
        // Going ahead: "那就寄", "那就发这个", "能的话寄".
        "^那就?[寄发](?:这里|这个|这儿)?$|^(?:能|可以|行|方便)的话(?:就)?[寄发]?$|"
        // Buying again: "这次再来两盒", "再拍一件".
        "^(?:这次|这回)?再(?:来|买|拍|要)[一两二三四五六七八九十\\d]*[个盒件份箱瓶包袋套]?$|"
        // Which order it is: "开发票的那单"; "红色的那个" names the goods and stays.
        "^\\p{Han}{1,6}的那单$|"
        // Where it goes, said before the fields: "寄香港哈", "这个寄澳门", "香港的".
        "^(?:这个|这单)?(?:[寄发][到往去]?)?(?:香港|澳门|澳門|台湾|台灣)(?:的)?[哈哦呀啊]?$|"
        // Calling the shop, and praise: "老妹儿", "嘎嘎好".
        "^(?:谢谢)?(?:老妹儿?|老铁|老弟|老哥|大兄弟|兄弟|哥们儿?)$|^(?:嘎嘎|贼|巨|超)好(?:用|的)?$|"
        "^(?i:thank you|thank u|many thanks)$"));
    // With the sound it is said with: "先别发哈".
    const bool sound = token.size() > 2 && QStringLiteral("哈哦呀啊啦嘛").contains(token.back());
    return aside.match(token).hasMatch() || (sound && aside.match(token.chopped(1)).hasMatch());
}
