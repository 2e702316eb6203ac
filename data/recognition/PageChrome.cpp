#include "data/recognition/PageChrome.h"

#include "data/recognition/PasteChat.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

// The shop's own page: "李宁官方旗舰店", "卖家：华为官方旗舰店", "小红书店铺：森林小铺子".
bool isShop(const QString& clause)
{
    static const QRegularExpression shop(QStringLiteral(
        "^(?:卖家[:：])?\\S{2,16}(?:官方旗舰店|旗舰店|专卖店|专营店)$|^\\S{2,6}店铺[:：]\\S+$"));
    return shop.match(clause).hasMatch();
}

// The platform, its back office or its shop, with the page's name: "天猫超市",
// "拼多多商家后台", "有赞微商城", "京东 PLUS", "小红书 千帆".
bool isPlatformHeading(const QString& clause)
{
    static const QRegularExpression heading(QStringLiteral(
        "^(?:淘宝|天猫|拼多多|抖音|抖店|京东|快手|小红书|微信|闲鱼|微店|有赞|唯品会|苏宁|得物|千牛|京麦|千帆|"
        "视频号)(?:超市|快递|物流|工作台|商家版|商家后台|商家助手|后台|微商城|商城|小店|小商店|自营|电商|"
        "到家|商家|"
        "订单|"
        "详情|信息|列表|管理)*$"));
    static const QRegularExpression page(
        QStringLiteral("^(?:订单|交易|商品|配送|收货|物流)?(?:详情|信息|列表|管理)$|^订单详情|^PLUS$|^千帆$|"
                       "^次日达$|^\\d+小时达$|^(?:批量|商家后台)?导出(?:订单)?$|^商家后台$|^(?:待发货|已发货|"
                       "全部)?订单(?:[(（]\\d+[)）])?$"));
    return heading.match(clause).hasMatch() || page.match(clause).hasMatch() || isShop(clause);
}

// A button on the page: "复制", "修改地址", "[催发货]", "[默认]".
bool isButton(const QString& clause)
{
    static const QRegularExpression button(
        QStringLiteral("^(?:复制|修改|编辑|修改地址|联系买家|联系卖家|联系客服|立即发货|点击查看|查看|默认|"
                       "\\[[^\\d\\s\\]]{1,6}\\]|【(?:默认|复制|修改|编辑)】)$"));
    return button.match(clause).hasMatch();
}

bool isChrome(const QString& clause)
{
    return PageChrome::isState(clause) || isPlatformHeading(clause) || isButton(clause) ||
           PasteChat::isOrderHeading(clause);
}

} // namespace

bool PageChrome::isState(const QString& raw)
{
    static const QRegularExpression marks(QStringLiteral("^[【\\[(（]|[】\\])）]$"));
    QString clause = raw;
    clause.remove(marks);
    static const QRegularExpression state(
        QStringLiteral("^(?:(?:当前)?(?:订单|交易)?状态[:：]?)?(?:"
                       "(?:买家|卖家|商家)?已(?:付款|支付|发货|签收|完成|揽收)|"
                       "(?:等待|待)(?:买家|卖家|商家)?(?:发货|付款|收货|揽收|出库|评价)|"
                       "(?:商家|卖家|仓库)?(?:正在)?(?:出库|备货中?|准备发货)|已完成出库|"
                       "配送中|运输中|派送中|交易成功|交易关闭|拼单成功|订单已提交|商品已打包|请耐心等待|"
                       "(?:商家|卖家)?将在\\d+小时内发货|\\d+小时内发货|您的订单已付款"
                       ")+$"));
    return clause.size() >= 2 && clause.size() <= 16 && state.match(clause).hasMatch();
}

QString PageChrome::stripped(const QString& text)
{
    // Said of the order in brackets or with a time: "（预售 7天内发货）", "剩余 23:41:08",
    // "（号码有效期至2025-10-20）", "（虚拟号，仅供配送使用）", "（点击查看）".
    static const QRegularExpression aside(
        QStringLiteral("[(（](?:预售|剩余|点击查看|虚拟号|隐私号)[^()（）\\n]*[)）]|[(（]?号码有效期至[\\d\\-"
                       "./年月日]+[)）]?|"
                       "剩余(?:发货时间)?\\s*\\d+(?:[:：]\\d+)+|剩余(?:发货时间)?\\s*\\d+\\s*(?:小时|天)"));
    // When it comes: "预计明天送达", "预计送达 今天 18:30-19:00".
    static const QRegularExpression expected(QStringLiteral("^预计.{0,12}(?:送达|到达)"));
    static const QRegularExpression separators(QStringLiteral("[\\s,，、·•|｜>＞▸➜()（）【】]+"));
    // The buyer's account beside the recipient's name: "买家昵称：一只小熊饼干", "买家：tb_luckycat2019".
    static const QRegularExpression buyer(QStringLiteral("^\\s*买家(?:昵称|账号|ID)?\\s*[:：]"));
    static const QRegularExpression recipient(QStringLiteral("(?:收货人|收件人|姓名|联系人)\\s*[:：]?"));
    const bool recipientNamed = text.contains(recipient);
    if (text.isEmpty())
        return text;
    QStringList kept;
    for (QString line : text.split(QLatin1Char('\n'))) {
        line.replace(aside, QStringLiteral(" "));
        const QString bare = line.trimmed();
        if (expected.match(bare).hasMatch() || (recipientNamed && buyer.match(bare).hasMatch()))
            continue;
        const QStringList clauses = bare.split(separators, Qt::SkipEmptyParts);
        bool allChrome = !clauses.isEmpty();
        for (const QString& c : clauses)
            allChrome = allChrome && isChrome(c);
        // A path through the back office: "千牛工作台 > 交易管理 > 订单详情", "小米官方旗舰店 >".
        const bool path = (bare.contains(QLatin1Char('>')) || bare.contains(QChar(0xFF1E))) &&
                          !bare.contains(QRegularExpression(QStringLiteral("\\d{5}|[:：]")));
        if (!bare.isEmpty() && (allChrome || path))
            continue;
        // Beside the fields: the state after the order's number, the button after a value.
        static const QRegularExpression word(QStringLiteral("(^|[\\s|｜·]+)([^\\s|｜·]+)(?=[\\s|｜·]|$)"));
        QString out;
        int from = 0;
        for (auto it = word.globalMatch(line); it.hasNext();) {
            const auto m = it.next();
            const QString w = m.captured(2);
            // All before it was page: "小红书 千帆 · 订单 P78…" keeps the order's label.
            static const QRegularExpression letters(QStringLiteral("[\\p{L}\\p{N}]"));
            const bool first = !out.contains(letters);
            const bool drop = isState(w) ||
                              (first && isPlatformHeading(w) && !w.endsWith(QStringLiteral("订单"))) ||
                              isShop(w) || ((w == QStringLiteral("复制") || isButton(w)) && !first);
            out += line.mid(from, m.capturedStart() - from);
            if (first && !drop)
                out.clear(); // nor the dots and bars between the page's words
            out += drop ? (first ? QString() : m.captured(1)) : first ? m.captured(2) : m.captured();
            from = m.capturedEnd();
        }
        out += line.mid(from);
        kept << out;
    }
    return kept.join(QLatin1Char('\n'));
}
