#include "data/recognition/AddressParser.h"

#include "data/recognition/ContactNumbers.h"
#include "data/recognition/PersonName.h"
#include "data/recognition/RegionTable.h"

#include <QHash>
#include <QRegularExpression>

namespace {

const QString kName = QStringLiteral("姓名");
const QString kMobile = QStringLiteral("手机");
const QString kPhone = QStringLiteral("电话");
const QString kCity = QStringLiteral("城市");
const QString kPostcode = QStringLiteral("邮编");
const QString kCompany = QStringLiteral("收件单位");
const QString kAddress = QStringLiteral("地址");
const QString kRemark = QStringLiteral("备注");

enum class Kind
{
    None,
    Name,
    Phone,
    Region,
    Detail,
    Postcode,
    Remark
};

struct LabelWord
{
    const char* word;
    Kind kind;
    bool prefix; // also recognised glued to its value ("收货人张三")
};

// Labels of order pages and chat templates, longest first where one starts another.
const LabelWord kLabels[] = {
    {"收货人姓名", Kind::Name, true},  {"收件人姓名", Kind::Name, true},  {"收货人", Kind::Name, true},
    {"收件人", Kind::Name, true},      {"联系人", Kind::Name, true},      {"客户姓名", Kind::Name, true},
    {"姓名", Kind::Name, true},        {"名字", Kind::Name, false},       {"称呼", Kind::Name, false},
    {"收货人手机", Kind::Phone, true}, {"收件人手机", Kind::Phone, true}, {"收件人电话", Kind::Phone, true},
    {"收货人电话", Kind::Phone, true}, {"手机号码", Kind::Phone, true},   {"手机号", Kind::Phone, true},
    {"联系电话", Kind::Phone, true},   {"电话号码", Kind::Phone, true},   {"联系方式", Kind::Phone, true},
    {"移动电话", Kind::Phone, true},   {"固定电话", Kind::Phone, true},   {"手机", Kind::Phone, false},
    {"电话", Kind::Phone, false},      {"座机", Kind::Phone, false},      {"固话", Kind::Phone, false},
    {"Tel", Kind::Phone, false},       {"TEL", Kind::Phone, false},       {"tel", Kind::Phone, false},
    {"所在地区", Kind::Region, true},  {"所在城市", Kind::Region, true},  {"省市区", Kind::Region, true},
    {"所在地", Kind::Region, false},   {"地区", Kind::Region, false},     {"城市", Kind::Region, false},
    {"省份", Kind::Region, false},     {"收货地址", Kind::Detail, true},  {"收件地址", Kind::Detail, true},
    {"详细地址", Kind::Detail, true},  {"联系地址", Kind::Detail, true},  {"送货地址", Kind::Detail, true},
    {"街道地址", Kind::Detail, true},  {"地址", Kind::Detail, true},      {"邮政编码", Kind::Postcode, true},
    {"邮编", Kind::Postcode, true},    {"买家留言", Kind::Remark, true},  {"备注", Kind::Remark, true},
    {"留言", Kind::Remark, false},     {"收件单位", Kind::Remark, false}, {"单位", Kind::Remark, false},
    {"公司", Kind::Remark, false},
};

Kind labelOf(const QString& token)
{
    for (const LabelWord& l : kLabels) {
        if (token == QString::fromUtf8(l.word))
            return l.kind;
    }
    return Kind::None;
}

// Length of a label glued to the front of its value, or 0.
int gluedLabel(const QString& token)
{
    for (const LabelWord& l : kLabels) {
        const QString w = QString::fromUtf8(l.word);
        if (l.prefix && token.size() > w.size() && token.startsWith(w))
            return w.size();
    }
    return 0;
}

// Full-width digits and signs as plain ones, odd blanks as blanks, one kind of line end.
QString normalized(const QString& in)
{
    QString s;
    s.reserve(in.size());
    for (int i = 0; i < in.size(); ++i) {
        const ushort u = in.at(i).unicode();
        if (u >= 0xFF10 && u <= 0xFF19)
            s += QChar(u - 0xFF10 + '0');
        else if (u == 0xFF0B)
            s += QLatin1Char('+');
        else if (u == 0xFF0D || u == 0x2013 || u == 0x2014 || u == 0x2212 || u == 0xFE63)
            s += QLatin1Char('-');
        else if (u == 0x3000 || u == 0xA0 || u == '\t')
            s += QLatin1Char(' ');
        else if (u == '\r')
            s += (i + 1 < in.size() && in.at(i + 1) == QLatin1Char('\n')) ? QString() : QStringLiteral("\n");
        else
            s += in.at(i);
    }
    return s;
}

// First two digits of the postcodes of each province, keyed by the
// province name's first two characters.
const QHash<QString, QString>& postcodePrefixes()
{
    static const QHash<QString, QString> h = {
        {QStringLiteral("北京"), QStringLiteral("10")},
        {QStringLiteral("天津"), QStringLiteral("30")},
        {QStringLiteral("河北"), QStringLiteral("05 06 07")},
        {QStringLiteral("山西"), QStringLiteral("03 04")},
        {QStringLiteral("内蒙"), QStringLiteral("01 02")},
        {QStringLiteral("辽宁"), QStringLiteral("11 12")},
        {QStringLiteral("吉林"), QStringLiteral("13")},
        {QStringLiteral("黑龙"), QStringLiteral("15 16")},
        {QStringLiteral("上海"), QStringLiteral("20")},
        {QStringLiteral("江苏"), QStringLiteral("21 22")},
        {QStringLiteral("浙江"), QStringLiteral("31 32")},
        {QStringLiteral("安徽"), QStringLiteral("23 24")},
        {QStringLiteral("福建"), QStringLiteral("35 36")},
        {QStringLiteral("江西"), QStringLiteral("33 34")},
        {QStringLiteral("山东"), QStringLiteral("25 26 27")},
        {QStringLiteral("河南"), QStringLiteral("45 46 47")},
        {QStringLiteral("湖北"), QStringLiteral("43 44")},
        {QStringLiteral("湖南"), QStringLiteral("41 42")},
        {QStringLiteral("广东"), QStringLiteral("51 52")},
        {QStringLiteral("广西"), QStringLiteral("53 54")},
        {QStringLiteral("海南"), QStringLiteral("57")},
        {QStringLiteral("重庆"), QStringLiteral("40")},
        {QStringLiteral("四川"), QStringLiteral("61 62 63 64")},
        {QStringLiteral("贵州"), QStringLiteral("55 56")},
        {QStringLiteral("云南"), QStringLiteral("65 66 67")},
        {QStringLiteral("西藏"), QStringLiteral("85 86")},
        {QStringLiteral("陕西"), QStringLiteral("71 72")},
        {QStringLiteral("甘肃"), QStringLiteral("73 74")},
        {QStringLiteral("青海"), QStringLiteral("81")},
        {QStringLiteral("宁夏"), QStringLiteral("75")},
        {QStringLiteral("新疆"), QStringLiteral("83 84")},
    };
    return h;
}

// Words that make a text part of an address rather than a note.
bool looksLikeAddress(const QString& t)
{
    static const QStringList words =
        QStringLiteral(
            "路 街 道 巷 弄 胡同 号 楼 栋 幢 座 层 室 单元 村 镇 乡 组 屯 社区 小区 花园 广场 大厦 "
            "中心 公寓 苑 院 大学 学院 医院 公司 厂 市场 工业 园区 宿舍 期 区 县 旗 城 府 庭 湾 阁 轩 馆 "
            "店 厦 寓 墅 站 场")
            .split(QLatin1Char(' '));
    if (PersonName::isDeliveryNote(t))
        return false;
    bool digit = false;
    for (const QChar c : t)
        digit = digit || c.isDigit();
    for (const QString& w : words) {
        if (t.contains(w))
            return t.size() >= 3 || digit;
    }
    return false;
}

void markUnsure(ParsedRecipient& r, const QString& key)
{
    if (!r.unsure.contains(key))
        r.unsure << key;
}

} // namespace

struct AddressParser::Token
{
    QString text;
    int line = 0;
    Kind label = Kind::None; // the token is a label
    Kind scope = Kind::None; // the label it stands under
};

QStringList ParsedRecipient::keys()
{
    return {kName, kMobile, kPhone, kCity, kPostcode, kCompany, kAddress, kRemark};
}

// The field a key names, or nothing for a key that is no field.
static QString* fieldOf(ParsedRecipient& r, const QString& key)
{
    QString* const fields[] = {&r.name,     &r.mobile,  &r.phone,   &r.city,
                               &r.postcode, &r.company, &r.address, &r.remark};
    const int i = ParsedRecipient::keys().indexOf(key);
    return i < 0 ? nullptr : fields[i];
}

QString ParsedRecipient::value(const QString& key) const
{
    const QString* f = fieldOf(const_cast<ParsedRecipient&>(*this), key);
    return f ? *f : QString();
}

void ParsedRecipient::setValue(const QString& key, const QString& text)
{
    if (QString* f = fieldOf(*this, key))
        *f = text;
}

AddressParser::AddressParser(const RegionTable& regions) : m_regions(regions) {}

QStringList AddressParser::splitEntries(const QString& text)
{
    static const QRegularExpression blankLine(QStringLiteral("\\n[ \\t\\x{3000}\\r]*\\n"));
    const QString t = QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList entries;
    for (const QString& part : t.split(blankLine)) {
        if (!part.trimmed().isEmpty())
            entries << part.trimmed();
    }
    return entries;
}

QList<ParsedRecipient> AddressParser::parseAll(const QString& text) const
{
    QList<ParsedRecipient> list;
    for (const QString& entry : splitEntries(text))
        list << parse(entry);
    return list;
}

QList<AddressParser::Token> AddressParser::tokenize(const QString& text) const
{
    static const QRegularExpression separators(QStringLiteral(R"([\s,，、;；。|/\\!！?？:：【】\[\]]+)"));
    QList<Token> tokens;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int n = 0; n < lines.size(); ++n) {
        for (const QString& piece : lines.at(n).split(separators, Qt::SkipEmptyParts)) {
            Token t;
            t.text = piece;
            t.line = n;
            t.label = labelOf(piece);
            if (t.label == Kind::None) {
                if (const int glued = gluedLabel(piece)) {
                    Token l;
                    l.text = piece.left(glued);
                    l.line = n;
                    l.label = labelOf(l.text);
                    tokens << l;
                    t.text = piece.mid(glued);
                }
            }
            tokens << t;
        }
    }
    // "张 先生": a lone surname and the title after it are one name.
    for (int i = 0; i + 1 < tokens.size(); ++i) {
        const QString& title = tokens.at(i + 1).text;
        if (tokens.at(i).label == Kind::None && tokens.at(i).text.size() == 1 &&
            tokens.at(i).line == tokens.at(i + 1).line && PersonName::surnameLength(tokens.at(i).text) == 1 &&
            (title == QStringLiteral("先生") || title == QStringLiteral("女士") ||
             title == QStringLiteral("小姐"))) {
            tokens[i].text += title;
            tokens.removeAt(i + 1);
        }
    }
    // A label covers the values after it on its line, or the next line
    // when it ends its own; a name label only its first value.
    Kind scope = Kind::None;
    int scopeLine = -1;
    bool valueSeen = false;
    for (Token& t : tokens) {
        if (t.label != Kind::None) {
            scope = t.label;
            scopeLine = t.line;
            valueSeen = false;
            continue;
        }
        if (t.line != scopeLine) {
            if (!valueSeen && scope != Kind::None && t.line == scopeLine + 1)
                scopeLine = t.line;
            else
                scope = Kind::None;
        }
        t.scope = scope;
        valueSeen = true;
        if (scope == Kind::Name)
            scope = Kind::None;
    }
    return tokens;
}

void AddressParser::checkPostcode(ParsedRecipient& r, int province) const
{
    if (r.postcode.isEmpty() || province < 0)
        return;
    const QString prefixes = postcodePrefixes().value(m_regions.region(province).name.left(2));
    if (!prefixes.isEmpty() && !prefixes.split(QLatin1Char(' ')).contains(r.postcode.left(2)))
        markUnsure(r, kPostcode);
}

void AddressParser::resolveAddress(const QStringList& parts, ParsedRecipient& r) const
{
    QString address = parts.join(QString());
    if (address.isEmpty()) {
        markUnsure(r, kAddress);
        markUnsure(r, kCity);
        return;
    }
    const RegionTable::Path path = m_regions.match(address);
    // Order pages repeat the region before the street ("所在地区" and "详细地址").
    QString rest = address.mid(path.length);
    const RegionTable::Path again = m_regions.match(rest);
    bool repeated = again.length > 0;
    for (const RegionTable::Written& w : again.written) {
        repeated =
            repeated && (w.region == path.province || w.region == path.city || w.region == path.county);
    }
    if (repeated)
        rest = rest.mid(again.length);

    if (path.length == 0 || path.ambiguous) {
        // No region, or one that lies in several cities: nothing to complete.
        r.address = address;
        markUnsure(r, kAddress);
        markUnsure(r, kCity);
        return;
    }
    QString province;
    QString city;
    QString county;
    for (const RegionTable::Written& w : path.written) {
        const QString written = address.mid(w.start, w.end - w.start);
        switch (m_regions.region(w.region).level) {
        case RegionTable::Province:
            province = written;
            break;
        case RegionTable::City:
            city = written;
            break;
        case RegionTable::County:
            county = written;
            break;
        }
    }
    if (m_regions.isMunicipality(path.province)) {
        // "上海 上海市 徐汇区" names the municipality twice: once is enough.
        if (city.size() > province.size())
            province = city;
        city.clear();
    } else if (city.isEmpty() && path.city >= 0) {
        city = m_regions.region(path.city).name;
    }
    if (province.isEmpty())
        province = m_regions.region(path.province).name;
    r.address = province + city + county + rest;
    r.city = path.city >= 0 ? m_regions.region(path.city).name : QString();
    if (rest.isEmpty())
        markUnsure(r, kAddress);
    if (path.city < 0)
        markUnsure(r, kCity);
    checkPostcode(r, path.province);
}

// What the tokens of one entry may be, before the name is chosen.
struct AddressParser::Candidates
{
    // Address pieces in the order written; pure regions go first at the end.
    struct Part
    {
        QString text;
        bool region;        // nothing but region names
        bool maybeName;     // a short region that reads as a name ("邹城", "郑州")
        int shortOnly = -1; // the deepest region, when written only in short forms
    };
    QList<Part> parts;
    QStringList remarks;
    QStringList labelledNames;
    QStringList strongNames;
    QStringList weakNames;
    bool nameFromGlued = false;
};

bool AddressParser::takeLabelled(const Token& t, Candidates& c) const
{
    switch (t.scope) {
    case Kind::Name:
        // Unless the label's own value was a number taken out already and
        // this is the next line's address.
        if (PersonName::fit(PersonName::withoutReceiveMark(t.text)) != PersonName::No ||
            (t.text.size() <= 8 && !looksLikeAddress(t.text) && m_regions.match(t.text).length == 0)) {
            c.labelledNames << PersonName::withoutReceiveMark(t.text);
            return true;
        }
        return false;
    case Kind::Region:
        c.parts.append({t.text, true, false});
        return true;
    case Kind::Detail:
        c.parts.append({t.text, false, false});
        return true;
    case Kind::Remark:
        c.remarks << t.text;
        return true;
    default:
        return false;
    }
}

bool AddressParser::splitGluedName(const QString& text, Candidates& c) const
{
    for (int k = 2; k <= 5 && k < text.size() - 1; ++k) {
        if (PersonName::fit(text.left(k)) == PersonName::Strong &&
            m_regions.match(QStringView(text).mid(k)).length >= 3) {
            c.strongNames << text.left(k);
            c.parts.append({text.mid(k), false, false});
            c.nameFromGlued = true;
            return true;
        }
    }
    return false;
}

void AddressParser::takeUnlabelled(const QString& text, Candidates& c) const
{
    const RegionTable::Path path = m_regions.match(text);
    const QString asName = PersonName::withoutReceiveMark(text);
    const PersonName::Fit fit = PersonName::fit(asName);
    if (path.length > 0) {
        bool onlyShort = true;
        for (const RegionTable::Written& w : path.written)
            onlyShort = onlyShort && w.shortForm;
        const bool maybeName = onlyShort && fit == PersonName::Strong && text.size() <= 3;
        const int deepest = path.written.isEmpty() ? -1 : path.written.last().region;
        c.parts.append({text, path.length == text.size(), maybeName, onlyShort ? deepest : -1});
        return;
    }
    // A name written straight before the address: "张三河南省郑州市…".
    if (splitGluedName(text, c))
        return;
    if (fit == PersonName::Strong)
        c.strongNames << asName;
    else if (looksLikeAddress(text))
        c.parts.append({text, false, false});
    else if (fit == PersonName::Weak)
        c.weakNames << asName;
    else
        c.remarks << text;
}

void AddressParser::dropStrayRegions(Candidates& c) const
{
    int anchor = -1;
    for (const Candidates::Part& p : c.parts) {
        if (anchor < 0 && p.shortOnly < 0) {
            const RegionTable::Path path = m_regions.match(p.text);
            if (!path.ambiguous && !path.written.isEmpty())
                anchor = path.written.last().region;
        }
    }
    for (int i = c.parts.size() - 1; anchor >= 0 && i >= 0; --i) {
        const int r = c.parts.at(i).shortOnly;
        if (r >= 0 && !m_regions.isWithin(r, anchor) && !m_regions.isWithin(anchor, r)) {
            const Candidates::Part p = c.parts.takeAt(i);
            (p.maybeName ? c.strongNames : c.remarks).prepend(p.text);
        }
    }
}

namespace {

// A name written straight after the house number: "…12号张三". Takes it off
// the end of last.
QString nameAfterHouseNumber(QString& last)
{
    static const QString unitEnds = QStringLiteral("号室栋幢楼层户座弄");
    for (int i = last.size() - 3; i >= 0 && i >= last.size() - 6; --i) {
        if (unitEnds.contains(last.at(i)) && PersonName::fit(last.mid(i + 1)) == PersonName::Strong) {
            QString name = last.mid(i + 1);
            last.truncate(i + 1);
            return name;
        }
    }
    return QString();
}

} // namespace

void AddressParser::chooseName(Candidates& c, QStringList& detailParts, ParsedRecipient& r)
{
    // A labelled one first, then one with a known surname.
    QStringList others;
    if (!c.labelledNames.isEmpty()) {
        r.name = c.labelledNames.takeFirst();
        others = c.labelledNames + c.strongNames + c.weakNames;
    } else if (!c.strongNames.isEmpty()) {
        r.name = c.strongNames.takeFirst();
        others = c.strongNames + c.weakNames;
        if (!c.strongNames.isEmpty() || c.nameFromGlued)
            markUnsure(r, kName);
    } else if (!c.weakNames.isEmpty()) {
        r.name = c.weakNames.takeFirst();
        others = c.weakNames;
        markUnsure(r, kName);
    }
    if (r.name.isEmpty() && !detailParts.isEmpty()) {
        r.name = nameAfterHouseNumber(detailParts.last());
        if (!r.name.isEmpty())
            markUnsure(r, kName);
    }
    if (r.name.isEmpty() || others.size() > 0)
        markUnsure(r, kName);
    c.remarks = others + c.remarks;
}

ParsedRecipient AddressParser::parse(const QString& input) const
{
    ParsedRecipient r;
    QString text = normalized(input);
    ContactNumbers::take(text, r);

    Candidates c;
    for (const Token& t : tokenize(text)) {
        if (t.label == Kind::None && !takeLabelled(t, c))
            takeUnlabelled(t.text, c);
    }
    // A region written short that lies apart from the fully written one is
    // no region: "解放" before "河南省巩义市…" (解放区 is in 焦作).
    dropStrayRegions(c);
    // A short region that reads as a name is the name only when there is no other.
    if (c.labelledNames.isEmpty() && c.strongNames.isEmpty()) {
        for (int i = 0; i < c.parts.size(); ++i) {
            if (c.parts.at(i).maybeName) {
                c.strongNames << c.parts.takeAt(i).text;
                markUnsure(r, kName);
                break;
            }
        }
    }
    QStringList regionParts;
    QStringList detailParts;
    for (const Candidates::Part& p : c.parts)
        (p.region ? regionParts : detailParts) << p.text;
    chooseName(c, detailParts, r);

    // Pure regions first, whatever order they came in.
    resolveAddress(regionParts + detailParts, r);
    r.remark = c.remarks.join(QLatin1Char(' '));
    return r;
}
