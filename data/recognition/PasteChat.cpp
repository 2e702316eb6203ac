#include "data/recognition/PasteChat.h"

#include "data/recognition/OrderTalk.h"
#include "data/recognition/PasteText.h"
#include "data/recognition/PersonName.h"

#include <QRegularExpression>
#include <QStringList>

bool PasteChat::isChat(const QString& raw)
{
    // The tilde or mark people trail a chat word with: "好呀～", "hi~".
    QString token = raw;
    while (token.size() > 1 && QStringLiteral("～~!！。").contains(token.back()))
        token.chop(1);
    static const QStringList whole =
        QStringLiteral(
            "亲 亲亲 你好 您好 在吗 在不在 老板 老板娘 hi Hi HI hello Hello 谢谢 谢谢老板 谢谢亲 谢啦 "
            "在的 感谢 多谢 辛苦了 麻烦了 收货信息 收件信息 地址信息 如下 信息如下 好的 嗯 么么哒 早上好 "
            "中午好 下午好 晚上好 好嘞 好滴 哈喽 那个 这边 亲亲～ 亲～ boss Boss pls Pls please Please ship "
            "Ship to thx Thx thanks Thanks ok OK Ok okay 嗨 喂 宝 宝宝 宝子 姐妹 姐妹们 姐 哥 亲爱的 "
            "店主 掌柜 掌柜的 卖家 客服 美女 小姐姐 好呀 好哒 嗯嗯 语音转文字 新的 一下 在这 在这里 在这儿 "
            "乡下 店家 感恩 收货 唔该 唔該 唔该晒 唔該晒 唔该你 唔該你 多謝 多謝晒 老闆 老闆娘 呢個地址 "
            "呢个地址 xiexie laoban ty Ty TY shoujianren")
            .split(QLatin1Char(' '));
    // Thanks at the end, with what people add to them: "辛苦啦", "麻烦你了", "谢谢哈".
    static const QRegularExpression courtesy(
        QStringLiteral("^(?:辛苦|麻烦|谢谢|多谢|感谢|劳烦|拜托)(?:你|您|老板|亲|大家)?(?:了|啦|啊|哈|呀|哦|"
                       "咯|喽|嘞|哒|!)*$"));
    // A greeting or a word of chat with the sound people end it on: "早上好呀", "下单了哈".
    const QString bare =
        token.size() > 2 && QStringLiteral("呀啊哈哦啦").contains(token.back()) ? token.chopped(1) : token;
    if (whole.contains(bare) || (token.startsWith(QStringLiteral("谢谢")) && token.size() <= 5) ||
        (!token.isEmpty() && QStringLiteral("辛麻谢多感劳拜").contains(token.front()) &&
         courtesy.match(token).hasMatch()))
        return true;
    if (isOrderHeading(token) || isFieldHeading(token) || OrderTalk::isAside(token))
        return true;
    // Someone called in a group chat, and the buyer by a nickname: "@Jerry", "我是老K啊".
    static const QRegularExpression calling(
        QStringLiteral("^@[\\w\\p{Han}]{1,12}$|^(?:我是)?[老小阿][A-Za-z]{1,3}[啊呀哈]?$"));
    if (!token.isEmpty() &&
        (token.front() == QLatin1Char('@') || QStringLiteral("我老小阿").contains(token.front())) &&
        calling.match(token).hasMatch())
        return true;
    // Greeting the one who reads it: "老师好", "老板你好".
    static const QRegularExpression greeting(
        QStringLiteral("^(?:老师|老板|师傅|亲|大家)(?:们)?(?:你|您)?好(?:呀|啊|哈)?$"));
    // How to write the address down: "写详细点", "填清楚些"; that it changed: "老地址换了哈".
    static const QRegularExpression howToWrite(
        QStringLiteral("^[写填](?:详细|清楚|完整|全)|^(?:老|旧|原来的?)?地址(?:换|改|变)了|"
                       "^(?:先|请)?[记存](?:一?下|好)?(?:这个|我的)?地址$|"
                       "^(?:刚才|上次|之前|原来)(?:那个|的)?地址(?:(?:写|填|发|搞|弄)?错了|不对)$|"
                       // How to use the text: "复制这段发货", "按这个寄".
                       "^(?:复制|照着?|按)(?:这段|这个|这条|下面的?)(?:地址|信息)?(?:发货|发|寄)?$|"
                       // That this is all that is needed: "就可以了".
                       "^(?:这样)?(?:就行|就好|就可以|即可)(?:了|啦)?$|"
                       "^(?:没变|没换|不变)$|^(?:还是)?上次(?:那个|的)(?:地址)?$|"
                       // "地址更新一下", "麻烦改下地址" (the label cut off).
                       "^(?:麻烦|请|帮忙|帮我)?(?:地址)?(?:更新|修改|改|换)一?下$|"
                       // "还是老地址", "地址写错了".
                       "^(?:老|旧|原来的?|这个|那个)地址$|^[写填]错了?$|"
                       "(?:上次|之前|以前|原来)(?:那个|的)?地址$|"
                       // That the order was placed, or who placed it: "昨晚下的单", "老顾客了".
                       "(?:下的单|下单了|下了单)$|老(?:顾客|客户)|^(?:我是)?新(?:顾客|客户)|回头客|"
                       // What the recipient is busy with: "在读书".
                       "^还?在(?:读书|上学|念书|读大学|上大学)$|"
                       // Sending again, or a buyer who has bought before: "重新发", "上次买过的".
                       "^(?:重新|再)[发寄](?:一下|一次|一遍)?$|"
                       "^(?:我是)?(?:上次|之前|以前|上回)(?:买过|来过|下过单?)的?$"));
    // That the order was just placed: "刚刚下单的".
    static const QRegularExpression justOrdered(QStringLiteral("^(?:我是)?刚(?:刚|才)?下(?:的)?单的?$"));
    if (token.size() <= 12 && (greeting.match(token).hasMatch() || howToWrite.match(bare).hasMatch() ||
                               justOrdered.match(token).hasMatch()))
        return true;
    // About the recipients together: "两个都发", "三个地址都寄".
    static const QRegularExpression all(QStringLiteral(
        "^这?[两二三四五六七八九十几]个(?:地址|人)?(?:都|各)[发寄送要](?:哈|吧|啊|一份)?$|"
        "^(?:一共|总共|共)[两二三四五六七八九十几]份$|"
        "^(?:这单)?分[两二三四五六七八九十几](?:处|个地址)[发寄送]$|"
        // "两个地址哈", and each one's lead-in: "一件给".
        "^这?[两二三四五六七八九十几]个(?:地址|人|收件人)?[哈啊呀哦]?$|"
        "^(?:一|另一|第[一二三四五])[件份个单][寄发送]?给$|^第[一二三四五六七八九1-9][个位份单件]$"));
    if (token.size() <= 10 && all.match(token).hasMatch())
        return true;
    // Who they are together: "三个舅舅", "两个姐妹".
    static const QRegularExpression together(
        QStringLiteral("^[两二三四五六七八九十几][个位](?:舅舅|姑姑|叔叔|阿姨|姐妹|兄弟|姐姐|妹妹|哥哥|弟弟|"
                       "孩子|老人|亲戚|朋友|同事|同学|外甥|侄子|侄女|孙子|孙女|儿子|女儿|闺女|表哥|表姐|表弟|"
                       "表妹)$"));
    if (token.size() <= 5 && together.match(token).hasMatch())
        return true;
    // One more item of the order, for the shop: "第二件也要哦", "这个也要两份".
    static const QRegularExpression more(
        QStringLiteral("^[～~]?(?:第[二两三四五六七八九十\\d]{1,2}[件份个单]|这个)(?:也要|还要)["
                       "一两二三四五1-9]?[件份个]?[哦哈啊呀的]?$"));
    if (token.size() <= 10 && more.match(token).hasMatch())
        return true;
    // Greetings run together: "好的亲", "亲你好".
    for (const QString& w : whole) {
        if (token.size() > w.size() && token.size() <= 8 && token.startsWith(w) &&
            whole.contains(token.mid(w.size())))
            return true;
    }
    // A question to the shop: "宝贝收到了吗"; "送货前先打电话呢" asks the courier.
    if (token.endsWith(QStringLiteral("吗")))
        return true;
    if (token.endsWith(QStringLiteral("呢")))
        return !OrderTalk::isCourierNote(token);
    // Who the recipient is to the sender, before the name: "房东 黄阿姨".
    // Kin too, and where the address is: "大姐 刘桂芳", "家里：武文娟 …".
    static const QRegularExpression relation(
        QStringLiteral("^(?:我的?)?(?:房东|同事|朋友|同学|室友|邻居|亲戚|家人|老乡|领导|"
                       "[大二三四五六小老幺](?:姐|妹|哥|弟|舅|姨|姑|叔|伯)|舅舅|姑姑|叔叔|伯伯|姐姐|妹妹|"
                       "哥哥|弟弟|爸爸|妈妈|爷爷|奶奶|外婆|外公|姥姥|姥爷|姐夫|妹夫|嫂子|弟媳|舅妈|婶婶|姑父|"
                       "姨父|家里|老家)$"));
    if (token.size() <= 4 && relation.match(token).hasMatch())
        return true;
    if (PersonName::fit(token) == PersonName::Strong)
        return false;
    // When someone is there to take it is a note for the courier, however
    // it is worded: "这个地址周日有人收", "我下午在家".
    static const QRegularExpression whenHome(
        QStringLiteral("有人|没人|在家|周[一二三四五六日末]|星期|工作日|上午|下午|中午|晚上|白天|拿|自取|"
                       "打我?电话|给我打|打给我|包装|运费|上班|接不[了到]|不会用|"
                       // Out in the fields or away, and when back; hard of hearing or walking.
                       "早上|傍晚|这几天|这两天|下礼拜|下周|下地|地里|出海|赶集|赶圩|回来|腿脚|耳背|耳朵"));
    // What not to do with the parcel is a note, whoever it names: "别写我名字".
    if (token.startsWith(QChar(0x522B)) || token.startsWith(QStringLiteral("不要")) ||
        token.startsWith(QStringLiteral("不用")))
        return false;
    // So is where to leave it: "放前台报我名字就行".
    if (OrderTalk::isLeaveAt(token))
        return false;
    // How to pack it is a note whoever it names: "麻烦帮我包成礼物".
    static const QRegularExpression packing(QStringLiteral("包成|包好|礼物|禮物|易碎|轻放|價格單|价格单"));
    // "其他的到不了" names no one.
    const QString words = QString(token).remove(QStringLiteral("其他"));
    for (const char* w : {"我", "你", "您", "他", "她", "这里", "这个", "如下"}) {
        if (words.contains(QString::fromUtf8(w)))
            return !token.contains(whenHome) && !token.contains(packing);
    }
    return false;
}

bool PasteChat::isFieldHeading(const QString& token)
{
    // A forwarded contact card's title: "名片", "个人名片", "推荐名片".
    static const QRegularExpression card(QStringLiteral("^(?:个人|推荐|电子|微信|联系人|我的)?名片$"));
    if (token.endsWith(QStringLiteral("名片")) && card.match(token).hasMatch())
        return true;
    // "收货人信息", "收件人资料" head the fields below them and hold none.
    for (const char* end : {"信息", "资料"}) {
        const QString e = QString::fromUtf8(end);
        if (token.size() > e.size() + 1 && token.endsWith(e)) {
            const QString stem = token.left(token.size() - e.size());
            static const QStringList stems =
                QStringLiteral("收货 收件 配送 寄送 快递 物流 买家收货 买家收件").split(QLatin1Char(' '));
            if (stems.contains(stem) || PasteText::labelOf(stem) != PasteText::None)
                return true;
        }
    }
    return false;
}

namespace {

const QStringList& platforms()
{
    static const QStringList p =
        QStringLiteral(
            "淘宝 天猫 拼多多 抖音 抖店 京东 快手 小红书 微信 闲鱼 微店 有赞 唯品会 苏宁 当当 得物 "
            "美团 饿了么 盒马 亚马逊 1688 阿里巴巴 淘特 视频号 京东到家")
            .split(QLatin1Char(' '));
    return p;
}

} // namespace

bool PasteChat::isPlatform(const QString& token)
{
    return platforms().contains(token);
}

bool PasteChat::isOrderHeading(const QString& token)
{
    // What the shop page says of the order: "拼单成功", "待发货".
    static const QStringList states =
        QStringLiteral("拼单成功 交易成功 已发货 待发货 等待发货 已付款 待付款 买家已付款 待收货 已签收 "
                       "已完成 待揽收 已揽收 退款中")
            .split(QLatin1Char(' '));
    if (states.contains(token))
        return true;
    // "京东自营", "微信小店订单详情", "京东企业购": the shop, its kind of page, the order's page.
    static const QRegularExpression orderWords(
        QStringLiteral("^(?:自营|商城|小店|小商店|电商|到家|企业购|下单|采购单)?(?:订单)?(?:详情|信息)?$"));
    // The sheet's own title: "发货单", "订单详情".
    static const QStringList titles =
        QStringLiteral("发货单 出库单 送货单 订单详情 订单信息 订单 收货信息单 拼单 拼单详情 导出订单")
            .split(QLatin1Char(' '));
    if (titles.contains(token))
        return true;
    for (const QString& p : platforms()) {
        if (token.startsWith(p) && (orderWords.match(token.mid(p.size())).hasMatch() ||
                                    (token.size() <= p.size() + 6 && token.endsWith(QStringLiteral("订单")))))
            return true;
    }
    return false;
}

QString PasteChat::withoutThanks(const QString& token)
{
    static const QRegularExpression thanks(
        QStringLiteral("(?:谢谢|多谢|感谢|辛苦了?)(?:你|您|老板|亲)?(?:了|啦|啊|哈|呀|哦)*$"));
    if (token.size() < 4 || !QStringLiteral("谢了啦啊哈呀哦").contains(token.back()))
        return token;
    const auto m = thanks.match(token);
    return m.hasMatch() && m.capturedStart() >= 2 ? token.left(m.capturedStart()) : token;
}
