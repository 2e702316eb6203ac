#include "data/recognition/PageChrome.h"

#include "data/recognition/PasteChat.h"

#include <QRegularExpression>
#include <QStringList>
#include <algorithm>

namespace {

// A state holds one of these: 付款, 发货, 签收, 揽收, 出库, 备货, 配送, 待收货 …
const QString& stateChars()
{
    static const QString c = QStringLiteral("付支发签完揽出库备配运派交拼提打耐待");
    return c;
}

// Whether the line may hold any of the page: a state's, a shop's, a button's or a
// path's character, an aside's, or a heading's first one. Most lines hold none.
bool mayHoldPage(const QString& line)
{
    static const QString chars = stateChars() + QStringLiteral("店复修编联立点查默[【>＞预剩效隐虚");
    static const QString headingFirsts =
        QStringLiteral("淘天拼抖京快小微闲有唯苏当得美饿盒亚阿视千订交商配物P次批待已全卖导退发出送买");
    const QString bare = line.trimmed();
    if (!bare.isEmpty() && (headingFirsts.contains(bare.front()) || bare.front().isDigit()))
        return true;
    return std::any_of(line.cbegin(), line.cend(), [](QChar c) { return chars.contains(c); });
}

// The shop's own page: "李宁官方旗舰店", "卖家：华为官方旗舰店", "小红书店铺：森林小铺子".
bool isShop(const QString& clause)
{
    if (!clause.contains(QChar(0x5E97))) // 店: most words are no shop, and the regexes are dear
        return false;
    static const QRegularExpression shop(QStringLiteral(
        "^(?:卖家[:：])?\\S{2,16}(?:官方旗舰店|旗舰店|专卖店|专营店)$|^\\S{2,6}店铺[:：]\\S+$"));
    return shop.match(clause).hasMatch();
}

// The platform, its back office or its shop, with the page's name: "天猫超市",
// "拼多多商家后台", "有赞微商城", "京东 PLUS", "小红书 千帆".
bool isPlatformHeading(const QString& clause)
{
    if (clause.isEmpty() ||
        (!QStringLiteral("淘天拼抖京快小微闲有唯苏得千视订交商配收物P次批待已全").contains(clause.front()) &&
         !clause.front().isDigit() && !isShop(clause)))
        return false;
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
    if (clause.isEmpty() || !QStringLiteral("复修编联立点查默[【").contains(clause.front()))
        return false;
    static const QRegularExpression button(
        QStringLiteral("^(?:复制|修改|编辑|修改地址|联系买家|联系卖家|联系客服|立即发货|点击查看|查看|默认|"
                       "\\[[^\\d\\s\\]]{1,6}\\]|【(?:默认|复制|修改|编辑)】)$"));
    return button.match(clause).hasMatch();
}

bool isChrome(const QString& clause)
{
    // The heading's words begin with a platform's, a state's or a title's character.
    static const QString orderHeadingFirsts =
        QStringLiteral("淘天拼抖京快小微闲有唯苏当得美饿盒亚1阿视交已待等买发出送订收导退");
    return PageChrome::isState(clause) || isPlatformHeading(clause) || isButton(clause) ||
           (!clause.isEmpty() && orderHeadingFirsts.contains(clause.front()) &&
            PasteChat::isOrderHeading(clause));
}

} // namespace

bool PageChrome::isState(const QString& raw)
{
    // Every state has one of these: 付款, 发货, 签收, 揽收, 出库, 备货, 配送 …
    if (raw.size() < 2 || raw.size() > 18 ||
        std::none_of(raw.cbegin(), raw.cend(), [](QChar c) { return stateChars().contains(c); }))
        return false;
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
        if (!mayHoldPage(line)) {
            kept << line;
            continue;
        }
        if (line.contains(QChar(0x5269)) || line.contains(QChar(0x53F7)) || line.contains(QChar(0x70B9)) ||
            line.contains(QChar(0x9884))) // 剩 号 点 预: the asides' words
            line.replace(aside, QStringLiteral(" "));
        const QString bare = line.trimmed();
        if ((bare.startsWith(QStringLiteral("预计")) && expected.match(bare).hasMatch()) ||
            (recipientNamed && bare.startsWith(QStringLiteral("买家")) && buyer.match(bare).hasMatch()))
            continue;
        const QStringList clauses = bare.split(separators, Qt::SkipEmptyParts);
        bool allChrome = !clauses.isEmpty();
        for (const QString& c : clauses)
            allChrome = allChrome && isChrome(c);
        // A path through the back office: "千牛工作台 > 交易管理 > 订单详情", "小米官方旗舰店 >".
        static const QRegularExpression value(QStringLiteral("\\d{5}|[:：]"));
        const bool path =
            (bare.contains(QLatin1Char('>')) || bare.contains(QChar(0xFF1E))) && !bare.contains(value);
        if (!bare.isEmpty() && (allChrome || path))
            continue;
        // Beside the fields: the state after the order's number, the button after a value.
        static const QRegularExpression word(QStringLiteral("(^|[\\s|｜·]+)([^\\s|｜·]+)(?=[\\s|｜·]|$)"));
        QString out;
        int from = 0;
        bool pageOnly = true; // all before the word was page
        for (auto it = word.globalMatch(line); it.hasNext();) {
            const auto m = it.next();
            const QString w = m.captured(2);
            // "小红书 千帆 · 订单 P78…": all the headings go, the order's label stays.
            const bool first = pageOnly;
            const bool drop = isState(w) ||
                              (first && isPlatformHeading(w) && !w.endsWith(QStringLiteral("订单"))) ||
                              isShop(w) || ((w == QStringLiteral("复制") || isButton(w)) && !first);
            out += line.mid(from, m.capturedStart() - from);
            if (first && !drop)
                out.clear(); // nor the dots and bars between the page's words
            out += drop ? (first ? QString() : m.captured(1)) : first ? m.captured(2) : m.captured();
            pageOnly = pageOnly && drop;
            from = m.capturedEnd();
        }
        out += line.mid(from);
        kept << out;
    }
    return kept.join(QLatin1Char('\n'));
}
