#include "data/recognition/AddressPlaces.h"

#include "data/recognition/AddressWords.h"
#include "data/recognition/PasteChat.h"
#include "data/recognition/PasteText.h"
#include "data/recognition/PersonName.h"

#include <QRegularExpression>

namespace {

// Under no label, or under the phone's on its line once its number was taken
// out: "电话 023… 江北区 观音桥 建新北路65号".
bool isFree(PasteText::Kind scope)
{
    return scope == PasteText::None || scope == PasteText::Phone;
}

// "新港大道 与 云港路 交叉口": the word set off between two roads that meet,
// and where they meet.
bool isBetweenRoads(const QList<PasteTokenizer::Token>& tokens, int i, const QString& value)
{
    static const QRegularExpression road(
        QStringLiteral(R"(\p{Han}[路街道巷](?:交叉口|交汇处|交界处|路口|口)?$)"));
    // "华兰大道 东段": a section of the road set off after it.
    if (i > 0 && value.size() == 2 && value.back() == QChar(0x6BB5) && // 段
        QStringLiteral("东西南北中一二三四五六七八九十").contains(value.front()))
        return tokens.at(i - 1).line == tokens.at(i).line && isFree(tokens.at(i).scope) &&
               tokens.at(i - 1).text.contains(road);
    // "黄河路 路口": where they meet, set off after the second ("路" reads as a surname).
    static const QRegularExpression crossing(
        QStringLiteral("^(?:十字|丁字)?(?:路口|交叉口|交汇处|交界处|交口)$"));
    if (i > 0 && (value.endsWith(QChar(0x53E3)) || value.endsWith(QChar(0x5904))) &&
        crossing.match(value).hasMatch()) // 口 处
        return tokens.at(i - 1).line == tokens.at(i).line && isFree(tokens.at(i).scope) &&
               tokens.at(i - 1).text.contains(road);
    if (value.size() != 1 || !QStringLiteral("与和跟及").contains(value.front()) || i == 0 ||
        i + 1 >= tokens.size())
        return false;
    const PasteTokenizer::Token& before = tokens.at(i - 1);
    const PasteTokenizer::Token& after = tokens.at(i + 1);
    return before.line == after.line && isFree(tokens.at(i).scope) && after.label == PasteText::None &&
           before.text.contains(road) && after.text.contains(road);
}

// A piece after the street that may be a name of no known surname, where
// the piece before the street has none either.
bool laterReadsAsName(const PasteTokenizer::Token& later, const QString& value)
{
    return later.label == PasteText::None && !later.aside && later.text.size() >= 2 &&
           later.text.size() <= 4 && PersonName::fit(value) == PersonName::Weak &&
           PersonName::fit(later.text) == PersonName::Weak && !AddressWords::looksLikeAddress(later.text) &&
           !PersonName::isDeliveryNote(later.text) && !PasteText::isDepartment(later.text) &&
           !PasteChat::isChat(later.text);
}

} // namespace

AddressPlaces::AddressPlaces(const RegionTable& regions) : m_regions(regions) {}

bool AddressPlaces::isPlaceBeforeStreet(const QList<Token>& tokens, int i, const QString& value,
                                        bool nameBefore) const
{
    // "重庆 万州区 高笋塘 国本路18号": a piece set off between the district
    // and the street, with nothing that marks a person, is a place in the
    // address; the name comes after the number.
    if (i + 1 >= tokens.size() || value.size() < 2 || value.size() > 4 ||
        PersonName::withoutReceiveMark(value) != value || PersonName::fit(value) == PersonName::No)
        return false;
    const Token& t = tokens.at(i);
    const Token& next = tokens.at(i + 1);
    // Under the address's label too: "地址 重庆市 万州区 高笋塘 太白路 45号".
    const auto inAddress = [](PasteText::Kind scope) { return isFree(scope) || scope == PasteText::Detail; };
    if (!inAddress(t.scope) || next.label != PasteText::None || !inAddress(next.scope) || next.aside ||
        next.line != t.line || !AddressWords::looksLikeAddress(next.text) ||
        m_regions.match(next.text).length > 0 || m_regions.match(value).length > 0)
        return false;
    for (const char* title : {"先生", "女士", "小姐", "老师", "师傅"}) {
        if (value.endsWith(QString::fromUtf8(title)))
            return false;
    }
    // Only where the name came before the address (the first cell of a
    // sheet's row), or another piece after the street reads as the name:
    // else this is the name, written inside the address ("…天河区 陈志明 天河路385号").
    if (nameBefore)
        return true;
    for (int j = i + 2; j < tokens.size(); ++j) {
        const Token& later = tokens.at(j);
        if (later.label == PasteText::Name)
            return true;
        if (later.label == PasteText::None && !later.aside &&
            PersonName::fit(PersonName::withoutReceiveMark(later.text)) == PersonName::Strong &&
            m_regions.match(later.text).length == 0 && !AddressWords::looksLikeAddress(later.text))
            return true;
        // Neither with a known surname ("瑞丽市 姐告 国门大道9号 岩温"): the name
        // is the one after the street, as the address comes first.
        if (laterReadsAsName(later, value) && m_regions.match(later.text).length == 0)
            return true;
    }
    return false;
}

int AddressPlaces::sarNamed(const QString& part) const
{
    if (!AddressWords::isSarName(part))
        return -1;
    const RegionTable::Path sar = m_regions.match(part);
    return sar.written.isEmpty() ? -1 : sar.written.last().region;
}

bool AddressPlaces::isSubDistrict(const QString& part)
{
    static const QRegularExpression end(QStringLiteral(R"(\p{Han}{2}(?:街道|镇|鎮|乡|鄉)$)"));
    return part.contains(end);
}

bool AddressPlaces::isPlaceBetween(const QList<Token>& tokens, int i, const QString& value) const
{
    // "…广西大学 西校园 碧云湖 12栋", "…北仑大道 口岸 边贸市场": set off between
    // two pieces of the address, a word that is no name is a place in it.
    // A village named with a surname before its group: "庄里镇 杜村 十一组".
    if (isBetweenRoads(tokens, i, value))
        return true;
    static const QRegularExpression group(QStringLiteral(R"(^[一二三四五六七八九十\d]{1,3}[组队社]$)"));
    const bool village = value.size() == 2 && QStringLiteral("村庄屯寨").contains(value.back()) &&
                         i + 1 < tokens.size() && group.match(tokens.at(i + 1).text).hasMatch();
    // A building named after its house number, as Hong Kong and Macau name them: "25号 金松阁 8楼C".
    const bool building = value.size() >= 3 && QStringLiteral("阁閣苑邨").contains(value.back());
    if (i + 1 >= tokens.size() || value.size() < 2 || value.size() > 6 ||
        (PersonName::fit(value) == PersonName::Strong && !village && !building) ||
        PersonName::withoutReceiveMark(value) != value || PersonName::isDeliveryNote(value) ||
        PasteChat::isChat(value))
        return false;
    // A building named after its district is no region: "荃灣廣場".
    if (const int region = m_regions.match(value).length;
        region > 0 && (region == value.size() || !AddressWords::looksLikeAddress(value)))
        return false;
    // "三里屯 SOHO 5号楼": a building's Latin name in capitals.
    static const QRegularExpression capitals(QStringLiteral("^[A-Z][A-Z0-9]{1,7}$"));
    for (const QChar ch : value) {
        if (ch.script() != QChar::Script_Han && !capitals.match(value).hasMatch())
            return false;
    }
    const Token& t = tokens.at(i);
    const Token& next = tokens.at(i + 1);
    return isFree(t.scope) && next.label == PasteText::None && !next.aside && next.line == t.line &&
           AddressWords::looksLikeAddress(next.text) && m_regions.match(next.text).length == 0;
}

bool AddressPlaces::isNameBeforePhoneLabel(const QList<Token>& tokens, int i, const QString& value) const
{
    if (i != 0 || i + 1 >= tokens.size() || value.size() < 2 || value.size() > 6)
        return false;
    const Token& t = tokens.at(i);
    const Token& next = tokens.at(i + 1);
    if (t.scope != PasteText::None || t.label != PasteText::None || next.label != PasteText::Phone ||
        next.line != t.line || PersonName::fit(value) == PersonName::No ||
        PersonName::isDeliveryNote(value) || m_regions.match(value).length > 0)
        return false;
    // A place's word at its end makes it a place: "幸福小区 电话…".
    for (const QChar ch : value) {
        if (ch.script() != QChar::Script_Han)
            return false;
    }
    return !AddressWords::looksLikeAddress(value.right(2)) && !PasteText::isCompany(value) &&
           !PasteText::isDepartment(value);
}
