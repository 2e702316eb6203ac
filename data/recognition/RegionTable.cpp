#include "data/recognition/RegionTable.h"

#include <QFile>

#include <bitset>

static void initRegionsResource()
{
    Q_INIT_RESOURCE(regions);
}

// Ethnic names inside the names of autonomous regions, prefectures and
// counties; people leave them out ("黔东南州", "石柱县").
static const QStringList& ethnicNames()
{
    static const QStringList names = [] {
        QStringList l =
            QStringLiteral("柯尔克孜 维吾尔 哈萨克 达斡尔 鄂伦春 鄂温克 塔吉克 朝鲜 土家 布依 哈尼 景颇 "
                           "傈僳 蒙古 纳西 拉祜 仡佬 毛南 仫佬 普米 撒拉 保安 东乡 裕固 锡伯 独龙 布朗 "
                           "阿昌 基诺 各族 苗 藏 羌 彝 侗 壮 傣 白 回 满 畲 瑶 黎 佤 水 怒 土 京")
                .split(QLatin1Char(' '));
        return l;
    }();
    return names;
}

// Drops trailing ethnic names ("黔东南苗族侗族" -> "黔东南").
static QString stripEthnic(QString s)
{
    bool again = true;
    while (again) {
        again = false;
        if (s.endsWith(QStringLiteral("族")))
            s.chop(1);
        for (const QString& e : ethnicNames()) {
            if (s.size() - e.size() >= 2 && s.endsWith(e)) {
                s.chop(e.size());
                again = true;
                break;
            }
        }
    }
    return s;
}

bool RegionTable::parse(const QByteArray& utf8, QString* error)
{
    m_regions.clear();
    m_names.clear();
    m_lengths.clear();
    m_longest = 0;
    int province = -1;
    const QList<QByteArray> lines = utf8.split('\n');
    for (int n = 0; n < lines.size(); ++n) {
        const QString line = QString::fromUtf8(lines.at(n));
        if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (!line.startsWith(QLatin1Char('\t'))) {
            province = m_regions.size();
            m_regions.append({line.trimmed(), Province, -1});
            continue;
        }
        const QStringList parts = line.mid(1).split(QLatin1Char('\t'));
        if (province < 0 || parts.first().trimmed().isEmpty()) {
            if (error)
                *error = QStringLiteral("地区表第 %1 行有误").arg(n + 1);
            return false;
        }
        const int city = m_regions.size();
        m_regions.append({parts.first().trimmed(), City, province});
        if (parts.size() > 1) {
            for (const QString& c : parts.at(1).split(QLatin1Char(' '), Qt::SkipEmptyParts))
                m_regions.append({c, County, city});
        }
    }
    if (m_regions.isEmpty()) {
        if (error)
            *error = QStringLiteral("地区表是空的");
        return false;
    }
    for (int i = 0; i < m_regions.size(); ++i) {
        addName(m_regions.at(i).name, i, false);
        addShortForms(i);
    }
    // Prefectures known by their first character: "巴州", "克州", "博州".
    for (const char* full : {"巴音郭楞蒙古自治州", "克孜勒苏柯尔克孜自治州", "博尔塔拉蒙古自治州"}) {
        const QString name = QString::fromUtf8(full);
        for (int i = 0; i < m_regions.size(); ++i) {
            if (m_regions.at(i).name == name)
                addName(name.left(1) + QStringLiteral("州"), i, true);
        }
    }
    // New areas written in the city's place, whose counties and streets lie in that
    // city in the divisions: "河北雄安新区容城县…" (保定市), "四川天府新区华阳街道…" (成都市).
    for (const auto& [area, city] : {std::pair{"雄安新区", "保定市"}, std::pair{"天府新区", "成都市"}}) {
        for (int i = 0; i < m_regions.size(); ++i) {
            if (m_regions.at(i).level == City && m_regions.at(i).name == QString::fromUtf8(city))
                addName(QString::fromUtf8(area), i, true);
        }
    }
    return true;
}

bool RegionTable::loadBuiltIn(QString* error)
{
    initRegionsResource();
    QFile f(QStringLiteral(":/regions/regions.tsv"));
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("找不到内置的地区表");
        return false;
    }
    if (!parse(f.readAll(), error))
        return false;
    QFile codes(QStringLiteral(":/regions/citycodes.tsv"));
    if (!codes.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("找不到内置的区号表");
        return false;
    }
    return parseCityCodes(codes.readAll(), error);
}

bool RegionTable::parseCityCodes(const QByteArray& utf8, QString* error)
{
    m_areaCodes.clear();
    m_postcodes.clear();
    QHash<QString, int> cities;
    for (int i = 0; i < m_regions.size(); ++i) {
        if (m_regions.at(i).level == City)
            cities.insert(m_regions.at(i).name, i);
    }
    const QList<QByteArray> lines = utf8.split('\n');
    for (int n = 0; n < lines.size(); ++n) {
        const QString line = QString::fromUtf8(lines.at(n));
        if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList parts = line.split(QLatin1Char('\t'));
        const int city = cities.value(parts.first(), -1);
        if (parts.size() != 3 || city < 0) {
            if (error)
                *error = QStringLiteral("区号表第 %1 行有误").arg(n + 1);
            return false;
        }
        for (const QString& code : parts.at(1).split(QLatin1Char(' '), Qt::SkipEmptyParts))
            m_areaCodes.insert(code, city);
        for (const QString& prefix : parts.at(2).split(QLatin1Char(' '), Qt::SkipEmptyParts))
            m_postcodes.append({prefix, city});
    }
    return true;
}

int RegionTable::cityOfAreaCode(const QString& code) const
{
    return m_areaCodes.value(code, -1);
}

QVector<int> RegionTable::citiesOfPostcode(const QString& postcode) const
{
    QVector<int> found;
    for (const auto& p : m_postcodes) {
        if (postcode.startsWith(p.first) && !found.contains(p.second))
            found << p.second;
    }
    return found;
}

void RegionTable::addName(const QString& key, int region, bool shortForm)
{
    if (key.size() < 2)
        return;
    QVector<Hit>& hits = m_names[key];
    for (const Hit& h : hits) {
        if (h.region == region)
            return;
    }
    hits.append({region, shortForm});
    m_lengths[key.front()] |= 1u << qMin(int(key.size()), 31);
    m_longest = qMax(m_longest, int(key.size()));
}

void RegionTable::addShortForms(int i)
{
    const Region& r = m_regions.at(i);
    const QString& n = r.name;
    auto strip = [&](const QString& suffix) -> QString {
        return n.endsWith(suffix) ? n.left(n.size() - suffix.size()) : QString();
    };
    // Zones named by their purpose are written in full.
    for (const char* s : {"新区", "开发区", "园区", "管理区", "示范区"}) {
        if (n.endsWith(QString::fromUtf8(s)))
            return;
    }
    QString base;
    QString alt;
    if (!(base = strip(QStringLiteral("特别行政区"))).isEmpty()) {
        // 香港, 澳门
    } else if (r.level == Province) {
        if (!(base = strip(QStringLiteral("自治区"))).isEmpty()) {
            base = stripEthnic(base);
            // Inner Mongolia is said shorter still: "内蒙呼和浩特市…".
            if (base == QStringLiteral("内蒙古"))
                alt = base.chopped(1);
        } else if ((base = strip(QStringLiteral("省"))).isEmpty())
            base = strip(QStringLiteral("市"));
    } else if (r.level == City) {
        if (!(base = strip(QStringLiteral("自治州"))).isEmpty()) {
            base = stripEthnic(base);
            alt = base + QStringLiteral("州");
        } else if ((base = strip(QStringLiteral("地区"))).isEmpty() &&
                   (base = strip(QStringLiteral("盟"))).isEmpty()) {
            base = strip(QStringLiteral("市"));
        }
    } else {
        for (const char* s : {"自治县", "自治旗"}) {
            const QString suffix = QString::fromUtf8(s);
            if (!(base = strip(suffix)).isEmpty()) {
                base = stripEthnic(base);
                alt = base + suffix.right(1);
                break;
            }
        }
        if (base.isEmpty()) {
            for (const char* s : {"区", "县", "市", "旗"}) {
                if (!(base = strip(QString::fromUtf8(s))).isEmpty())
                    break;
            }
        }
    }
    if (base.size() >= 2 && base != n)
        addName(base, i, true);
    if (alt.size() >= 2 && alt != n)
        addName(alt, i, true);
}

// First two digits of the postcodes of each province, keyed by the
// province name's first two characters.
static const QHash<QString, QString>& postcodePrefixTable()
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

QStringList RegionTable::postcodePrefixes(const QString& province)
{
    const QString list = postcodePrefixTable().value(province.left(2));
    return list.isEmpty() ? QStringList() : list.split(QLatin1Char(' '));
}

int RegionTable::provinceOf(int region) const
{
    while (region >= 0 && m_regions.at(region).level != Province)
        region = m_regions.at(region).parent;
    return region;
}

int RegionTable::cityOf(int region) const
{
    if (region < 0)
        return -1;
    const Region& r = m_regions.at(region);
    if (r.level == County)
        return r.parent;
    return r.level == City ? region : -1;
}

bool RegionTable::isMunicipality(int province) const
{
    const int next = province + 1;
    return province >= 0 && next < m_regions.size() && m_regions.at(next).level == City &&
           m_regions.at(next).name == m_regions.at(province).name;
}

bool RegionTable::isWithin(int region, int ancestor) const
{
    for (int r = region; r >= 0; r = m_regions.at(r).parent) {
        if (r == ancestor)
            return true;
    }
    return false;
}

// After a short form a street name may follow ("中山路", "长安街", "南京东路");
// then the short form is part of that name, not a region.
static bool startsStreetName(QStringView rest)
{
    static const QString streetChars = QStringLiteral("路街道巷弄胡里村镇乡桥号");
    static const QString directions = QStringLiteral("东西南北中");
    // Macau's 路环 (路環) and 路氹 are no streets of 澳门.
    if (rest.isEmpty() || rest.startsWith(QStringLiteral("路环")) ||
        rest.startsWith(QStringLiteral("路環")) || rest.startsWith(QStringLiteral("路氹")))
        return false;
    if (streetChars.contains(rest.front()))
        return true;
    // The rest of a short piece naming a village or a street: "东营坊村".
    if (rest.size() <= 3 && QStringLiteral("村路街巷屯").contains(rest.back()))
        return true;
    if (rest.startsWith(QStringLiteral("大道")) || rest.startsWith(QStringLiteral("大街")) ||
        rest.startsWith(QStringLiteral("门")))
        return true;
    return rest.size() >= 2 && directions.contains(rest.at(0)) && streetChars.contains(rest.at(1));
}

RegionTable::Best RegionTable::matchFrom(QStringView text, int pos, int last) const
{
    Best best;
    const quint32 lengths = pos < text.size() ? m_lengths.value(text.at(pos)) : 0;
    if (!lengths)
        return best;
    const int lastLevel = last < 0 ? -1 : int(m_regions.at(last).level);
    int bestCity = -2;
    const int longest = qMin(m_longest, int(text.size()) - pos);
    for (int len = longest; len >= 2; --len) {
        if (!(lengths & (1u << qMin(len, 31))))
            continue; // no name of this length starts here: spare the lookup
        const auto it = m_names.constFind(text.mid(pos, len).toString());
        if (it == m_names.constEnd())
            continue;
        for (const Hit& h : it.value()) {
            const Region& r = m_regions.at(h.region);
            if (int(r.level) <= lastLevel || (last >= 0 && !isWithin(h.region, last)))
                continue;
            if (h.shortForm && startsStreetName(text.mid(pos + len)))
                continue;
            Best tail = matchFrom(text, pos + len, h.region);
            const int length = len + tail.length;
            int city = cityOf(h.region);
            for (const Written& w : tail.chain)
                city = qMax(city, cityOf(w.region));
            if (city < 0 && isMunicipality(h.region))
                city = h.region + 1; // 北京市 as province or as city is one place
            if (length > best.length) {
                best.chain = QVector<Written>{{h.region, pos, pos + len, h.shortForm}} + tail.chain;
                best.length = length;
                best.ambiguous = tail.ambiguous;
                bestCity = city;
            } else if (length == best.length && city != bestCity) {
                best.ambiguous = true;
            }
        }
    }
    return best;
}

// Characters of region names as Hong Kong, Macau and Taiwan write them, with
// the ones the table has: "台灣台北市信義區" is read as 台湾台北市信义区.
static const QString kTraditional =
    QStringLiteral("臺灣區縣鄉鎮龍門島東義蘭蓮園雲華嶺澤黃廣陽寧鳳興濱綠陳馬頭圍橋蘆灘彌環離觀");
static const QString kSimplified =
    QStringLiteral("台湾区县乡镇龙门岛东义兰莲园云华岭泽黄广阳宁凤兴滨绿陈马头围桥芦滩弥环离观");

// Where text holds one of them, the text with the table's; else empty.
static QString withTableChars(QStringView text, int upTo)
{
    static const std::bitset<0x5200> traditional = [] {
        std::bitset<0x5200> b;
        for (const QChar c : kTraditional)
            b.set(c.unicode() - 0x4E00);
        return b;
    }();
    QString simplified;
    for (int i = 0; i < text.size() && i < upTo; ++i) {
        const ushort u = text.at(i).unicode();
        if (u < 0x4E00 || u >= 0x4E00 + 0x5200 || !traditional.test(u - 0x4E00))
            continue;
        if (simplified.isEmpty())
            simplified = text.toString();
        simplified[i] = kSimplified.at(kTraditional.indexOf(text.at(i)));
    }
    return simplified;
}

RegionTable::Path RegionTable::match(QStringView text) const
{
    // Only the characters are read as the table's, the length stays.
    const QString simplified = withTableChars(text, m_longest * 4);
    if (!simplified.isEmpty())
        text = simplified;
    Path p;
    const Best b = matchFrom(text, 0, -1);
    p.written = b.chain;
    p.length = b.length;
    p.ambiguous = b.ambiguous;
    for (const Written& w : b.chain) {
        switch (m_regions.at(w.region).level) {
        case Province:
            p.province = w.region;
            break;
        case City:
            p.city = w.region;
            break;
        case County:
            p.county = w.region;
            break;
        }
    }
    if (p.city < 0 && p.county >= 0)
        p.city = cityOf(p.county);
    if (p.city < 0 && p.province >= 0 && isMunicipality(p.province))
        p.city = p.province + 1;
    if (p.province < 0 && p.city >= 0)
        p.province = provinceOf(p.city);
    return p;
}

bool RegionTable::isRegionAlone(QStringView text) const
{
    const Path path = match(text);
    if (path.length != text.size() || path.written.size() != 1)
        return false;
    const Written& w = path.written.first();
    return m_regions.at(w.region).level == Province || !w.shortForm;
}
