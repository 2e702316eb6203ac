#include "data/recognition/PasteLabels.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

namespace {

struct LabelWord
{
    const char* word;
    PasteText::Kind kind;
    int glued; // 0: alone only; 1: also after text ("张三手机"); 2: also before its value ("收货人张三")
};

using K = PasteText::Kind;

// Labels of order pages and chat templates, longest first where one starts another.
// "发货地址" heads the address below it; "人" alone is a label's tail set apart ("收件 人").
const LabelWord kLabels[] = {
    {"收货人姓名", K::Name, 2},
    {"收件人姓名", K::Name, 2},
    {"收货人手机", K::Phone, 2},
    {"收件人手机", K::Phone, 2},
    {"收件人电话", K::Phone, 2},
    {"收货人电话", K::Phone, 2},
    {"收货人", K::Name, 2},
    {"收件人", K::Name, 2},
    {"联系人", K::Name, 2},
    {"客户姓名", K::Name, 2},
    {"客户地址", K::Detail, 2},
    {"客户电话", K::Phone, 2},
    {"客户备注", K::Remark, 2},
    {"买家备注", K::Remark, 2},
    {"卖家备注", K::Remark, 2},
    {"客户手机", K::Phone, 2},
    {"收件电话", K::Phone, 2},
    {"收件手机", K::Phone, 2},
    {"客户", K::Name, 0},
    {"买家", K::Name, 0},
    {"收件", K::Name, 0},
    {"联系", K::Phone, 0},
    {"姓名", K::Name, 2},
    {"名字", K::Name, 2},
    {"称呼", K::Name, 0},
    {"手机号码", K::Phone, 2},
    {"手机号", K::Phone, 2},
    {"联系电话", K::Phone, 2},
    {"电话号码", K::Phone, 2},
    {"联系方式", K::Phone, 2},
    {"联系手机", K::Phone, 2},
    {"联系号码", K::Phone, 2},
    {"移动电话", K::Phone, 2},
    {"备用电话", K::Phone, 2},
    {"备用手机", K::Phone, 2},
    {"虚拟号码", K::Phone, 2},
    {"虚拟号", K::Phone, 2},
    {"固定电话", K::Phone, 2},
    {"手机", K::Phone, 1},
    {"电话", K::Phone, 1},
    {"座机", K::Phone, 0},
    {"固话", K::Phone, 0},
    {"所在地区", K::Region, 2},
    {"所在城市", K::Region, 2},
    {"省市区", K::Region, 2},
    {"所在地", K::Region, 0},
    {"地区", K::Region, 0},
    {"城市", K::Region, 0},
    {"省份", K::Region, 0},
    {"收货地址", K::Detail, 2},
    {"收件地址", K::Detail, 2},
    {"详细地址", K::Detail, 2},
    {"联系地址", K::Detail, 2},
    {"送货地址", K::Detail, 2},
    {"街道地址", K::Detail, 2},
    {"新地址", K::Detail, 2},
    {"学校地址", K::Detail, 2},
    {"公司地址", K::Detail, 2},
    {"家庭地址", K::Detail, 2},
    {"单位地址", K::Detail, 2},
    {"家庭住址", K::Detail, 2},
    {"地址", K::Detail, 2},
    {"邮政编码", K::Postcode, 2},
    {"邮编", K::Postcode, 2},
    {"买家留言", K::Remark, 2},
    {"订单备注", K::Remark, 2},
    {"备注", K::Remark, 2},
    {"留言", K::Remark, 0},
    {"收件单位", K::Company, 2},
    {"收货单位", K::Company, 2},
    {"工作单位", K::Company, 2},
    {"公司名称", K::Company, 2},
    {"单位名称", K::Company, 2},
    {"单位", K::Company, 0},
    {"公司", K::Company, 0},
    {"订单编号", K::Info, 2},
    {"订单号", K::Info, 2},
    {"下单时间", K::Info, 2},
    {"付款时间", K::Info, 2},
    {"订单时间", K::Info, 2},
    {"支付时间", K::Info, 2},
    {"成交时间", K::Info, 2},
    {"商品名称", K::Info, 2},
    {"宝贝名称", K::Info, 2},
    {"商品", K::Info, 0},
    {"数量", K::Info, 0},
    {"发货地址", K::Detail, 2},
    {"人", K::Name, 0},
    {"号码", K::Phone, 0},
    {"部门", K::Remark, 2},
    {"所在部门", K::Remark, 2},
    {"科室", K::Remark, 0},
    {"收货手机", K::Phone, 2},
    {"隐私号码", K::Phone, 2},
    {"收货省份", K::Region, 2},
    {"收货城市", K::Region, 2},
    {"收货区县", K::Region, 2},
    {"邮寄地址", K::Detail, 2},
    {"厂址", K::Detail, 2},
    {"收货公司", K::Company, 2},
    {"厂名", K::Company, 2},
    {"订单状态", K::Info, 2},
    {"采购单号", K::Info, 2},
    {"订单创建", K::Info, 2},
    {"下单日期", K::Info, 2},
    {"期望送达", K::Info, 2},
    {"下单", K::Info, 0},
    {"发货要求", K::Remark, 2},
    {"总机", K::Phone, 0},
    {"新号码", K::Phone, 2},
    {"新号", K::Phone, 0},
    {"宝贝", K::Info, 0},
    {"隐私号", K::Phone, 2},
    {"备用", K::Phone, 0},
    {"公司名", K::Company, 2},
    {"期望配送", K::Info, 2},
    {"采购单位", K::Company, 2},
    {"学校", K::Company, 0},
    // What the order costs and how it goes, as back offices list it: "单价 ¥59.00", "配送方式 京东快递".
    {"应付总额", K::Info, 2},
    {"商品总价", K::Info, 2},
    {"商品规格", K::Info, 2},
    {"配送方式", K::Info, 2},
    {"配送时段", K::Info, 2},
    {"单价", K::Info, 0},
    {"订单", K::Info, 0},
    {"应付", K::Info, 0},
    {"实付款", K::Info, 0},
    {"实付", K::Info, 0},
    {"规格", K::Info, 0},
    {"颜色", K::Info, 0},
    {"尺码", K::Info, 0},
    // Forms that ask for the street apart from the region: "详细：幸福路 15号", "街道门牌：…".
    {"详细", K::Detail, 0},
    {"街道", K::Detail, 0},
    {"具体", K::Detail, 0},
    {"具体地址", K::Detail, 2},
    {"街道门牌", K::Detail, 2},
    {"门牌号", K::Detail, 2},
    {"详细住址", K::Detail, 2},
    // A contact card's title line: "职务：办公室主任" is for the remark.
    {"职务", K::Remark, 0},
    {"职位", K::Remark, 0},
    {"备用座机", K::Phone, 2},
    {"备用号码", K::Phone, 2},
    {"省市", K::Region, 0},
};

// As written in Hong Kong, Macau and Taiwan.
const LabelWord kTraditionalLabels[] = {
    {"收貨人", K::Name, 2},       {"聯絡人", K::Name, 2},       {"聯繫人", K::Name, 2},
    {"手機號碼", K::Phone, 2},    {"手機", K::Phone, 1},        {"電話號碼", K::Phone, 2},
    {"聯絡電話", K::Phone, 2},    {"聯繫電話", K::Phone, 2},    {"電話", K::Phone, 1},
    {"收貨地址", K::Detail, 2},   {"詳細地址", K::Detail, 2},   {"聯絡地址", K::Detail, 2},
    {"郵遞區號", K::Postcode, 2}, {"郵政編碼", K::Postcode, 2}, {"郵編", K::Postcode, 2},
    {"備註", K::Remark, 2},       {"備注", K::Remark, 2},       {"公司名稱", K::Company, 2},
    {"手提電話", K::Phone, 2},    {"手提", K::Phone, 0},        {"收件單位", K::Company, 2},
    {"收貨單位", K::Company, 2},  {"備用電話", K::Phone, 2},    {"備用手機", K::Phone, 2},
};

// Labels written in English on foreign shops' pages.
const struct
{
    const char* word;
    PasteText::Kind kind;
} kLatinLabels[] = {
    {"name", K::Name},     {"receiver", K::Name},     {"tel", K::Phone},   {"phone", K::Phone},
    {"mobile", K::Phone},  {"address", K::Detail},    {"addr", K::Detail}, {"company", K::Company},
    {"zip", K::Postcode},  {"postcode", K::Postcode}, {"note", K::Remark}, {"notes", K::Remark},
    {"remark", K::Remark}, {"remarks", K::Remark},    {"items", K::Info},  {"item", K::Info},
    {"mob", K::Phone},     {"add", K::Detail},
};

bool isLatin(const QString& t)
{
    for (const QChar c : t) {
        if (!(c >= QLatin1Char('A') && c <= QLatin1Char('Z')) &&
            !(c >= QLatin1Char('a') && c <= QLatin1Char('z')))
            return false;
    }
    return !t.isEmpty();
}

} // namespace

const QVector<PasteLabels::Word>& PasteLabels::all()
{
    static const QVector<Word> l = [] {
        QVector<Word> v;
        for (const LabelWord& w : kLabels)
            v.append({QString::fromUtf8(w.word), w.kind, w.glued});
        for (const LabelWord& w : kTraditionalLabels)
            v.append({QString::fromUtf8(w.word), w.kind, w.glued});
        return v;
    }();
    return l;
}

bool PasteLabels::startsOne(QChar c)
{
    static const QString firsts = [] {
        QString f;
        for (const Word& l : all()) {
            if (!f.contains(l.word.front()))
                f += l.word.front();
        }
        return f;
    }();
    return firsts.contains(c);
}

PasteText::Kind PasteLabels::kindOf(const QString& token)
{
    for (const Word& l : all()) {
        if (token == l.word)
            return l.kind;
    }
    // "淘宝订单号", "京东订单编号", "快递单号"; a shop's name has no digits: "38楼订单编号"
    // is the floor and the label.
    if (token.size() <= 8 &&
        (token.endsWith(QStringLiteral("单号")) || token.endsWith(QStringLiteral("订单编号"))) &&
        std::none_of(token.cbegin(), token.cend(), [](QChar c) { return c.isDigit(); }))
        return PasteText::Info;
    // "订单金额", "实付金额": a sum of the order's.
    if (token.size() >= 2 && token.size() <= 6 && token.endsWith(QStringLiteral("金额")))
        return PasteText::Info;
    // "订单创建时间", "预计送达时间": a time of the order's.
    if (token.size() >= 4 && token.size() <= 8 && token.endsWith(QStringLiteral("时间")))
        return PasteText::Info;
    // "配送要求", "送货要求", "订单留言": what is asked of the delivery, under a label of its own.
    if (token.size() >= 3 && token.size() <= 6 &&
        (token.endsWith(QStringLiteral("要求")) || token.endsWith(QStringLiteral("留言")) ||
         token.endsWith(QStringLiteral("备注")) || token.endsWith(QStringLiteral("附言"))) &&
        std::none_of(token.cbegin(), token.cend(), [](QChar c) { return c.isDigit(); }))
        return PasteText::Remark;
    if (isLatin(token)) {
        const QString lower = token.toLower();
        for (const auto& l : kLatinLabels) {
            if (lower == QLatin1String(l.word))
                return l.kind;
        }
        return PasteText::None;
    }
    // "訂單編號", "下單時間": a label written in traditional characters, read as the simplified one.
    if (token.size() < 2 || token.size() > 6)
        return PasteText::None;
    if (const QString folded = simplified(token); folded != token)
        return kindOf(folded);
    return PasteText::None;
}

QString PasteLabels::simplified(const QString& token)
{
    // The characters of labels that differ between the two ways of writing.
    static const QString traditional =
        QStringLiteral("單編號時間訂備註貨購買數額寶貝稱聯繫電話機碼郵遞區詳細");
    static const QString simple = QStringLiteral("单编号时间订备注货购买数额宝贝称联系电话机码邮递区详细");
    QString out;
    for (qsizetype i = 0; i < token.size(); ++i) {
        if (const qsizetype at = traditional.indexOf(token.at(i)); at >= 0) {
            if (out.isEmpty())
                out = token;
            out[i] = simple.at(at);
        }
    }
    return out.isEmpty() ? token : out;
}

void PasteLabels::joinSpaced(QString& s)
{
    static const QRegularExpression spaced(
        QStringLiteral(R"((?<!\p{Han})\p{Han}(?: +\p{Han}){1,4}(?= *[:：]))"));
    if (!s.contains(QLatin1Char(' ')))
        return;
    for (auto m = spaced.match(s); m.hasMatch(); m = spaced.match(s, m.capturedStart() + 1)) {
        QString joined = m.captured();
        joined.remove(QLatin1Char(' ')); // "手    机：": set apart to line up with the labels above
        if (PasteText::labelOf(joined) != PasteText::None)
            s.replace(m.capturedStart(), m.capturedLength(), joined);
    }
}

// Only where a label ends before one or starts after it, as a dash
// elsewhere belongs to a number or an address ("0535-6232018", "12-3号").
void PasteLabels::dashesToBlanks(QString& s)
{
    if (!s.contains(QLatin1Char('-')))
        return;
    for (int i = s.indexOf(QLatin1Char('-')); i >= 0; i = s.indexOf(QLatin1Char('-'), i + 1)) {
        bool label = false;
        for (const Word& l : all()) {
            if (l.word.size() < 2)
                continue;
            if (QStringView(s).left(i).endsWith(l.word) || QStringView(s).mid(i + 1).startsWith(l.word)) {
                label = true;
                break;
            }
        }
        if (label)
            s[i] = QLatin1Char(' ');
    }
}
