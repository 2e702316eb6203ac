#include "data/recognition/AddressCompleter.h"

#include "data/recognition/AddressWords.h"

#include <QVector>

namespace {

void markUnsure(ParsedRecipient& r, const QString& key)
{
    if (!r.unsure.contains(key))
        r.unsure << key;
}

const QString kCity = QStringLiteral("城市");
const QString kPostcode = QStringLiteral("邮编");
const QString kAddress = QStringLiteral("地址");

} // namespace

AddressCompleter::AddressCompleter(const RegionTable& regions) : m_regions(regions) {}

void AddressCompleter::checkPostcode(ParsedRecipient& r, int province) const
{
    if (r.postcode.isEmpty() || province < 0)
        return;
    const QStringList prefixes = RegionTable::postcodePrefixes(m_regions.region(province).name);
    if (!prefixes.isEmpty() && !prefixes.contains(r.postcode.left(2)))
        markUnsure(r, kPostcode);
}

RegionTable::Path AddressCompleter::settleByHints(const QString& address, const ParsedRecipient& r,
                                                  QString* prefix) const
{
    // The regions the phone's area code and the postcode point to, most
    // precise first: the address read as if it began with one of them.
    QVector<int> hints;
    const int dash = r.phone.indexOf(QLatin1Char('-'));
    if (r.phone.startsWith(QLatin1Char('0')) && dash > 0) {
        const int city = m_regions.cityOfAreaCode(r.phone.left(dash));
        if (city >= 0)
            hints << city;
    }
    if (!r.postcode.isEmpty()) {
        hints << m_regions.citiesOfPostcode(r.postcode);
        for (int i = 0; i < m_regions.size(); ++i) {
            if (m_regions.region(i).level == RegionTable::Province &&
                RegionTable::postcodePrefixes(m_regions.region(i).name).contains(r.postcode.left(2)))
                hints << i;
        }
    }
    RegionTable::Path found;
    for (const int hint : std::as_const(hints)) {
        if (hint < 0)
            continue;
        const QString name = m_regions.region(hint).name;
        const RegionTable::Path p = m_regions.match(QString(name + address));
        if (p.ambiguous || p.length <= name.size() ||
            !m_regions.isWithin(p.county >= 0 ? p.county : p.city, hint))
            continue;
        if (found.length > 0 && found.city != p.city)
            return RegionTable::Path(); // the hints disagree
        if (found.length == 0) {
            found = p;
            *prefix = name;
        }
    }
    return found;
}

void AddressCompleter::complete(const QStringList& parts, ParsedRecipient& r) const
{
    const QString address = parts.join(QString());
    QVector<int> partEnds;
    for (const QString& p : parts)
        partEnds << (partEnds.isEmpty() ? 0 : partEnds.last()) + p.size();
    if (address.isEmpty()) {
        markUnsure(r, kAddress);
        markUnsure(r, kCity);
        return;
    }
    QString prefix; // a region put in front from the hints, not written
    RegionTable::Path path = m_regions.match(address);
    if (path.ambiguous) {
        const RegionTable::Path settled = settleByHints(address, r, &prefix);
        if (settled.length > 0)
            path = settled;
    }
    const int offset = prefix.size();
    // "新界沙田…": a part of Hong Kong or Macau names it without its name
    // ("九龍旺角" is no 九龙县).
    if ((path.length == 0 || AddressWords::isSarAreaWithDistrict(parts.first())) &&
        !AddressWords::sarOfLeadingArea(address).isEmpty()) {
        r.address = address;
        r.city = AddressWords::sarOfLeadingArea(address);
        return;
    }
    if (path.length == 0 || path.ambiguous) {
        // No region, or one that lies in several cities: nothing to complete.
        r.address = address;
        markUnsure(r, kAddress);
        markUnsure(r, kCity);
        return;
    }
    const QString scanned = prefix + address;
    // Order pages repeat the region before the street ("所在地区" and "详细地址"),
    // fully written down to the same district; a street or building named
    // after its city ("厦门大学", "深圳湾", "上海中心") is no repetition.
    QString rest = scanned.mid(path.length);
    const RegionTable::Path again = m_regions.match(rest);
    bool repeated = again.length > 0 && !again.written.last().shortForm &&
                    again.written.last().region == path.written.last().region;
    for (const RegionTable::Written& w : again.written) {
        repeated =
            repeated && (w.region == path.province || w.region == path.city || w.region == path.county);
    }
    if (repeated)
        rest = rest.mid(again.length);

    QString province;
    QString city;
    QString county;
    // A short city name that begins a longer word ("澳门半岛") is that word's.
    bool cityBeginsWord = false;
    for (const RegionTable::Written& w : path.written) {
        if (w.start < offset)
            continue; // not written: completed below
        const QString written = scanned.mid(w.start, w.end - w.start);
        switch (m_regions.region(w.region).level) {
        case RegionTable::Province:
            province = written;
            break;
        case RegionTable::City:
            city = written;
            cityBeginsWord = w.shortForm && &w == &path.written.last() && !partEnds.contains(w.end - offset);
            break;
        case RegionTable::County:
            county = written;
            break;
        }
    }
    if (m_regions.isMunicipality(path.province)) {
        // "上海 上海市 徐汇区" names the municipality twice: once is enough.
        if (cityBeginsWord)
            rest.prepend(city);
        else if (city.size() > province.size())
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

void AddressCompleter::dropRegionsAgain(QStringList& remarks, const QString& address) const
{
    remarks.removeIf([&](QString v) {
        v.replace(QChar(0x7063), QChar(0x6E7E)); // 灣
        return v.size() >= 2 && address.startsWith(v) && m_regions.match(v).length == v.size();
    });
}
