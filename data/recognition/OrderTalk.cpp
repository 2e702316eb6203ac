#include "data/recognition/OrderTalk.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

bool OrderTalk::isCourierNote(const QString& clause)
{
    // A question to the shop is no note: "15号前能到吗".
    if (clause.endsWith(QChar(0x5417)) || clause.endsWith(QChar(0x55CE))) // 吗 嗎
        return false;
    static const QRegularExpression note(QStringLiteral(
        // What is done with the parcel, and by whom.
        "送|放|派|投递|签收|代收|自提|自取|取件|来取|去取|我去?拿|敲门|上楼|下楼|打电话|打我|电话联系|联系我|"
        "通知|包成|包好|包装|礼物|易碎|轻放|压|价格单|货到付款|到付|随货|一起[寄发]|"
        // Where it is left.
        "门卫|前台|驿站|快递柜|丰巢|物业|收发室|门口|楼下|"
        // Which courier takes it.
        "顺丰|顺豐|韵达|京东|极兔|圆通|中通|申通|EMS|邮政|德邦|"
        // When someone is there to take it.
        "上午|下午|晚上|中午|白天|凌晨|周[一二三四五六日末]|星期|工作日|节假日|\\d点|有人|没人|在家|加急"));
    return clause.contains(note);
}

bool OrderTalk::isTalk(const QString& clause)
{
    // A sound alone: "呀", "哦", "啊哈".
    static const QRegularExpression sound(QStringLiteral("^[啊哦噢呀诶哎嗯哇唉哈]{1,3}$"));
    if (clause.size() <= 3 && sound.match(clause).hasMatch())
        return true;
    if (clause.size() < 2 || clause.size() > 24)
        return false;
    // Where it goes, said before the fields ("寄大理", "这一单寄"), and
    // what the text is ("这是地址哦", "平台给的"): the fields that follow say it all.
    static const QRegularExpression leadIn(QStringLiteral(
        "^(?:这一?单|帮我|幫我|麻烦|麻煩|直接)?[寄发](?:到|去|往)?(?![票错货了])(?!.*(?:就行|就好|即可|短信|"
        "微信|消息|门卫|前台|"
        "驿站|快递柜|物业|收发室|顺丰|顺豐|韵达|京东|极兔|圆通|中通|申通|EMS|邮政|德邦|"
        "付|[上下中]午|晚上|白天|周|星期|\\d))\\p{Han}{0,6}?[吧哈哦呀]?$|"
        "^这是(?:我的?)?\\p{Han}{0,4}(?:地址|信息)|(?:系统|平台|后台)给的$"));
    if (clause.size() <= 8 &&
        (clause.contains(QChar(0x5BC4)) || clause.contains(QChar(0x53D1)) || clause.contains(QChar(0x7ED9)) ||
         clause.startsWith(QChar(0x8FD9))) && // 寄 发 给 这
        leadIn.match(clause).hasMatch())
        return true;
    if (isCourierNote(clause))
        return false;
    static const QRegularExpression talk(QStringLiteral(
        // Paying, placing, sending back.
        "付(?:完|好|了|过)?[款钱]|已付|付了|支付|包邮|退款|退货|退回|换货|砍一刀|抢到|"
        "拍了|拍的|拍[一两二三四五几]|重新拍|下单|下了单|订单|上一单|"
        // Where it was placed: "拼多多的单", "抖音上的单子".
        "\\p{Han}的单子?$|"
        // A slip owned up to: "颜色选错了", "刚看错了", "不好意思".
        "[发选拍写打看搞弄填]错|确认一?下|不好意思|"
        // The goods: size, colour, stock.
        "尺码|(?<![A-Za-z\\d])(?:X{0,3}[SML]|\\d?XL)(?![A-Za-z\\d-])|\\d{2,3}码|颜色|\\p{Han}色|有货|没货|"
        "库存|现货|多大|"
        // The invoice.
        "发票|抬头|专票|普票|开票|开个人|"
        // Chat about it: "哈哈终于抢到了", "开玩笑的".
        "哈哈|开玩笑|太慢"));
    // A question: "…收到没", "…有货吗呀".
    const QChar last =
        QStringLiteral("呀啊哈").contains(clause.back()) ? clause.at(clause.size() - 2) : clause.back();
    return QStringLiteral("吗嗎呢没").contains(last) || clause.contains(talk);
}

bool OrderTalk::continuesNote(const QString& clause)
{
    // Thanks and questions are said to the shop.
    static const QRegularExpression toTheShop(
        QStringLiteral("^(?:谢谢|多谢|感谢|辛苦|麻烦[你您]|拜托)|[吗嗎]$"));
    if (clause.contains(toTheShop) || isTalk(clause))
        return false;
    // A house's numbers or a building's letters are the address's, and a
    // name is a name: a clause of words said as a sentence is the note's.
    static const QRegularExpression said(
        QStringLiteral("^(?=\\p{Han}*[我你他她会别不要在没能就了的得吧哦呢])\\p{Han}{2,12}$"));
    return said.match(clause).hasMatch();
}

bool OrderTalk::isQuestion(const QString& clause)
{
    if (clause.size() < 3 || clause.size() > 16)
        return false;
    if (clause.endsWith(QChar(0x5417)) || clause.endsWith(QChar(0x55CE))) // 吗 嗎
        return true;
    // Asked with a word that asks, and saying nothing of the parcel's handling:
    // "什么时候能发货呀"; "什么时候送都行" is a note.
    static const QRegularExpression asks(
        QStringLiteral("什么时候|怎么|多久|几天|能不能|可不可以|有没有|是不是"));
    return std::any_of(clause.cbegin(), clause.cend(),
                       [](QChar c) { return QStringLiteral("什怎多几能可有是").contains(c); }) &&
           clause.contains(asks) && !isCourierNote(clause);
}

bool OrderTalk::isInvoiceTitle(const QString& clause)
{
    static const QRegularExpression title(QStringLiteral(
        "^(?:请|麻烦)?(?:帮我)?(?:开)?(?:发票|专票|普票)?抬头(?:是|开|写|为|填)?|^开(?:发票|专票|普票)给?"));
    return clause.size() > 4 &&
           (clause.contains(QChar(0x62AC)) || clause.startsWith(QChar(0x5F00))) && // 抬 开
           title.match(clause).hasMatch();
}

bool OrderTalk::isTitleSpokenTo(const QString& word)
{
    static const QRegularExpression title(
        QStringLiteral("^(?:\\p{Han}{1,2}(?:经理|总|老师|师傅|老板|主任|店长)|大姐|大哥|大叔|大妈|阿姨|叔叔|"
                       "幺妹儿?|妹儿|妹子)$"));
    // "王经理" is someone; "总经理" alone is a post, which a card's remark keeps.
    return word.size() <= 4 && title.match(word).hasMatch() && !QStringLiteral("总副").contains(word.front());
}

void OrderTalk::putNameBeforeTitle(QStringList& names)
{
    if (names.size() >= 2 && isTitleSpokenTo(names.at(0)) && !isTitleSpokenTo(names.at(1)) &&
        names.at(1).front() == names.at(0).front())
        names.move(1, 0);
}

bool OrderTalk::isLeaveAt(const QString& clause)
{
    static const QRegularExpression leaveAt(
        QStringLiteral("^(?:请|麻烦)?(?:帮我)?(?:放(?!心|学(?!院|校))|寄存|交给)"));
    return clause.size() >= 3 && QStringLiteral("请麻帮放寄交").contains(clause.front()) &&
           leaveAt.match(clause).hasMatch();
}

bool OrderTalk::isAside(const QString& token)
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
        "^那就?[寄发](?:这里|这个|这儿)?$|^(?:这次|这回|这单)[寄发]给$|^(?:能|可以|行|方便)的话(?:就)?[寄发]?"
        "$|"
        // Buying again: "这次再来两盒", "再拍一件".
        "^(?:这次|这回)?再(?:来|买|拍|要)[一两二三四五六七八九十\\d]*[个盒件份箱瓶包袋套]?$|"
        // Which order it is: "开发票的那单"; "红色的那个" names the goods and stays.
        "^\\p{Han}{1,6}的那单$|"
        // Where it goes, said before the fields: "寄香港哈", "这个寄澳门", "香港的".
        "^(?:这个|这单|想)?(?:[寄发][到往去]?)?(?:香港|澳门|澳門|台湾|台灣)(?:的)?[哈哦呀啊]?$|"
        // Calling the shop, and praise: "老妹儿", "嘎嘎好".
        "^(?:谢谢)?(?:老妹儿?|老铁|老弟|老哥|大兄弟|兄弟|哥们儿?)$|^(?:嘎嘎|贼|巨|超)好(?:用|的)?$|"
        "^(?i:thank you|thank u|many thanks)$"));
    // With the sound it is said with: "先别发哈".
    const bool sound = token.size() > 2 && QStringLiteral("哈哦呀啊啦嘛").contains(token.back());
    return aside.match(token).hasMatch() || (sound && aside.match(token.chopped(1)).hasMatch());
}

bool OrderTalk::asksCourier(const QString& please, const QString& after)
{
    static const QRegularExpression courier(
        QStringLiteral("^(?i:send|use)(?: (?i:by|with|via))? (?:(?i:SF|EMS|JD|DHL|UPS|FedEx)\\b|顺丰|順豐)"));
    return please.size() <= 6 && please.startsWith(QLatin1Char('p'), Qt::CaseInsensitive) &&
           QStringList{QStringLiteral("pls"), QStringLiteral("please"), QStringLiteral("plz")}.contains(
               please.toLower()) &&
           courier.match(after).hasMatch();
}

bool OrderTalk::isWhoseNumber(const QString& clause)
{
    if (clause.size() > 14 || isCourierNote(clause))
        return false;
    // The verb left alone once its number was taken out: "电话打 0817…", "找 谭世友".
    static const QRegularExpression whose(
        QStringLiteral("^(?:电话)?[打找]$|"
                       "^(?:这是|这个是|是|电话[打是留]|号码是)\\p{Han}{1,10}的(?:座机|电话|号码?|手机)?$|"
                       "^\\p{Han}{1,10}的(?:座机|电话|号码)$|^打\\p{Han}{1,10}(?:的?电话|的?座机)$"));
    return whose.match(clause).hasMatch();
}

bool OrderTalk::isAboutSomeone(const QString& clause)
{
    // A place that ends as one is a place, whatever it holds: "大沁他拉镇".
    static const QString placeEnds = QStringLiteral("省市区县旗镇乡村组屯队社街道路巷号室楼栋");
    return clause.size() >= 4 && !placeEnds.contains(clause.back()) &&
           (clause.contains(QChar(0x4ED6)) || clause.contains(QChar(0x5979)) || // 他 她
            clause.startsWith(QStringLiteral("家里")));
}
