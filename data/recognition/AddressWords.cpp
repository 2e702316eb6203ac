#include "data/recognition/AddressWords.h"

#include "data/recognition/PersonName.h"

#include <QRegularExpression>
#include <QStringList>

bool AddressWords::looksLikeAddress(const QString& t)
{
    static const QStringList words =
        QStringLiteral(
            "路 街 道 巷 弄 胡同 号 楼 栋 幢 座 层 室 单元 村 镇 乡 组 屯 社区 小区 花园 广场 大厦 "
            "中心 公寓 苑 院 大学 学院 医院 公司 厂 市场 工业 园区 宿舍 期 区 县 旗 城 府 庭 湾 阁 轩 馆 "
            "店 厦 寓 墅 站 场 岛 舍 號 樓 棟 層 廈 對面 对面 旁边 隔壁 附近 中学 小学 门 校区 校园 "
            "客栈 民宿 大學 學院 醫院 中學 小學 校區 園區 塔 园 場 園 閣 邨")
            .split(QLatin1Char(' '));
    // A street and its number is an address even where a note's word is in
    // the street's name ("解放街168号": 放).
    static const QRegularExpression streetNumber(QStringLiteral(R"([路街道巷弄]\d+号)"));
    // So is a sub-district or town named by itself ("解放北路街道": 放).
    static const QRegularExpression subDistrict(QStringLiteral(R"(^\p{Han}{2,8}(?:街道|镇|乡)$)"));
    const bool subDistrictEnd = t.endsWith(QStringLiteral("街道")) || t.endsWith(QStringLiteral("镇")) ||
                                t.endsWith(QStringLiteral("乡"));
    // Hong Kong and Macau are written with their parts, which are no
    // districts: "澳门氹仔", "香港九龙".
    static const QRegularExpression sarPart(QStringLiteral(
        "^(?:香港|澳[门門])(?:特别行政区)?(?:九[龙龍]|新界|港[岛島]|香港[岛島]|氹仔|路[环環氹]|"
        "澳[门門]半[岛島]|新口岸|"
        // Or one of their districts by its ending: "香港北角", "香港土瓜湾".
        "\\p{Han}{1,3}[咀角湾灣環环埗塘田埔澳])"));
    // And a road by its name, a note's word in it or not ("解放路", "解放大道"); so is one
    // named 道 as Hong Kong's are ("告士打道": 打), unless 知道 ends a sentence.
    const bool road = (t.size() >= 3 && (t.endsWith(QChar(0x8DEF)) || t.endsWith(QChar(0x8857)) ||
                                         t.endsWith(QStringLiteral("大道")))) ||
                      (t.size() >= 4 && t.endsWith(QChar(0x9053)) && !t.endsWith(QStringLiteral("知道")));
    if (road || t.contains(streetNumber) || (subDistrictEnd && subDistrict.match(t).hasMatch()) ||
        ((t.startsWith(QStringLiteral("香港")) || t.startsWith(QStringLiteral("澳门")) ||
          t.startsWith(QStringLiteral("澳門"))) &&
         sarPart.match(t).hasMatch()) ||
        isSarArea(t))
        return true;
    // Where to find it by what stands near, or the part of a place it goes
    // to, written apart after the place: "故土园 对面", "酒店 前台", "6号 仓库".
    static const QStringList nearWords =
        QStringLiteral("对面 對面 旁边 旁邊 隔壁 附近 前台 仓库 倉庫").split(QLatin1Char(' '));
    if (nearWords.contains(t) || isLatinBuilding(t))
        return true;
    if (PersonName::isDeliveryNote(t) || isHeadTitle(t))
        return false;
    if (t.size() >= 3 && t.endsWith(QChar(0x65C1))) // "承志堂旁"
        return true;
    // A class in a school: "高二8班", "三年级2班".
    static const QRegularExpression schoolClass(
        QStringLiteral(R"(^(?:[高初][一二三]|[一二三四五六1-6]年级)?\d{1,2}班$)"));
    if (t.endsWith(QChar(0x73ED)) && schoolClass.match(t).hasMatch())
        return true;
    // A bed in a ward: "23床".
    static const QRegularExpression bed(QStringLiteral(R"(^\d{1,3}号?床$)"));
    if (t.endsWith(QChar(0x5E8A)) && bed.match(t).hasMatch())
        return true;
    // A floor as Hong Kong writes it: "15/F".
    static const QRegularExpression floor(QStringLiteral(R"(^\d{1,3}/[Ff]$)"));
    if (t.contains(QLatin1Char('/')) && floor.match(t).hasMatch())
        return true;
    // A school's main campus, as "南校区" is one of its others.
    if (t == QStringLiteral("本部") || t == QStringLiteral("校本部"))
        return true;
    // A digit or a letter makes a short part a building or unit: "B座", "2单元".
    bool digit = false;
    for (const QChar c : t)
        digit = digit || c.isDigit() || (c.unicode() < 0x80 && c.isLetter()) ||
                QStringLiteral("一二三四五六七八九十").contains(c); // "二组"
    for (const QString& w : words) {
        if (t.contains(w))
            return t.size() >= 3 || digit;
    }
    return false;
}

bool AddressWords::isLatinBuilding(const QString& t)
{
    // Not Hall nor Park: surnames too ("Emily Hall").
    static const QStringList ends = QStringLiteral("building tower plaza center centre mansion hub square "
                                                   "block apartments residence mall")
                                        .split(QLatin1Char(' '));
    const QStringList words = t.split(QLatin1Char(' '));
    if (words.size() < 2 || words.size() > 5 || !words.front().front().isUpper() ||
        words.front().front().unicode() >= 0x80)
        return false;
    return ends.contains(words.back().toLower()) ||
           (words.size() == 2 && words.front() == QStringLiteral("The"));
}

bool AddressWords::isSarArea(const QString& t)
{
    static const QStringList areas =
        QStringLiteral("九龙 九龍 新界 港岛 港島 香港岛 香港島 氹仔 路环 路環 路氹 "
                       "澳门半岛 澳門半島 新口岸")
            .split(QLatin1Char(' '));
    return areas.contains(t);
}

bool AddressWords::isSarDistrict(const QString& t, const QString& before)
{
    // Their districts end in the words of the coast and the land: 咀 角 灣 環 埗 塘 田 埔 澳.
    static const QRegularExpression district(QStringLiteral(R"(^\p{Han}{1,3}[咀角湾灣環环埗塘田埔澳]$)"));
    static const QRegularExpression sar(QStringLiteral("^(?:香港|澳[门門])(?:特别行政区|特別行政區)?$"));
    return t.size() <= 4 && (sar.match(before).hasMatch() || isSarArea(before)) &&
           district.match(t).hasMatch();
}

bool AddressWords::isSarName(const QString& t)
{
    static const QRegularExpression sar(QStringLiteral("^(?:香港|澳[门門])(?:特别行政区|特別行政區)?$"));
    return t.size() <= 7 && sar.match(t).hasMatch();
}

QString AddressWords::sarOfLeadingArea(const QString& t)
{
    static const QStringList hongKong =
        QStringLiteral("九龙 九龍 新界 港岛 港島 香港岛 香港島").split(QLatin1Char(' '));
    static const QStringList macau =
        QStringLiteral("氹仔 路环 路環 路氹 澳门半岛 澳門半島 新口岸").split(QLatin1Char(' '));
    for (const QString& a : hongKong) {
        if (t.startsWith(a))
            return QStringLiteral("香港特别行政区");
    }
    for (const QString& a : macau) {
        if (t.startsWith(a))
            return QStringLiteral("澳门特别行政区");
    }
    return QString();
}

bool AddressWords::isSarAreaWithDistrict(const QString& t)
{
    if (sarOfLeadingArea(t).isEmpty())
        return false;
    for (int k = 2; k <= 4 && k < t.size(); ++k) {
        // "九龍塘", "九龍灣": the district's word alone after the part.
        if (isSarArea(t.left(k)) &&
            (isSarDistrict(t.mid(k), t.left(k)) ||
             (t.size() == k + 1 && QStringLiteral("咀角湾灣環环埗塘田埔澳").contains(t.back()))))
            return true;
    }
    return false;
}

bool AddressWords::isPosition(const QString& t)
{
    static const QRegularExpression position(
        QStringLiteral(R"(^(?:[东西南北][头边侧门楼院]|第[一二三四五六七八九十\d]{1,3}[家户排间])$)"));
    return t.size() >= 2 && t.size() <= 5 && position.match(t).hasMatch();
}

bool AddressWords::isPickupPoint(const QString& t)
{
    // Bare, with no wish to leave it there: "南门 快递点"; "放驿站" is a note.
    static const QRegularExpression point(QStringLiteral("^\\p{Han}{0,4}(?:快递点|快递站|驿站|快递柜)$"));
    static const QRegularExpression wish(QStringLiteral("[放送到拿取别要去]"));
    return t.size() >= 3 && point.match(t).hasMatch() && !t.contains(wish);
}

bool AddressWords::isRoomAfterBuilding(const QString& before, const QString& value)
{
    static const QRegularExpression room(
        QStringLiteral(R"(^[A-Za-z]{0,2}\d{1,4}(?:-\d{1,4}){0,2}[A-Za-z]?房?$)")); // "1702房", "AB2105"
    static const QRegularExpression unitEnd(QStringLiteral(
        R"([\dA-Za-z](?:号楼|栋|幢|座|单元|门|号|舍|期|公寓|区)$|\p{Han}[路街巷弄]$|(?<!\d)(\d+)[楼层]$|)"
        // A unit named by its side: "6号楼 东单元 202".
        R"([东西南北中]单元$|)"
        // After a building or an estate by its name: "…商务大厦 1702", "…小区 9-2-602".
        R"(\p{Han}(?:大厦|大楼|公寓|小区|家属楼|宿舍楼|宿舍|花园|家园|新村|广场)$|)"
        // A building named by a letter and a number, no floor: "A4楼 305".
        R"([A-Za-z]\d+楼$|\d[甲乙丙丁]楼$|)" // "8乙楼 502"
        // Or in Latin letters, its blanks taken out in the address: "…AcademicBuilding AB2105".
        R"([a-z](?:Building|Tower|Plaza|Center|Centre|Mansion|Hub|Square|Block|Residence|Mall)$|)"
        // Or by words, or a number in words: "研教楼 606", "理科一号楼 1305", "男一舍 305".
        R"(\p{Han}{2}[楼樓]$|[一二三四五六七八九十](?:号楼|號樓|栋|棟|幢|座|舍|单元)$)"));
    const auto m = unitEnd.match(before);
    if (!room.match(value).hasMatch() || !m.hasMatch())
        return false;
    const QString floor = m.captured(1);
    return floor.isEmpty() || (value.startsWith(floor) && value.size() > floor.size() + 1);
}

bool AddressWords::isUnitAfterNumber(const QString& before, const QString& value)
{
    static const QStringList units =
        QStringLiteral("室 号 号楼 楼 栋 幢 单元 层 座 户 门 舍 组 队 社").split(QLatin1Char(' '));
    // A shop after its number: "26号 铺面".
    static const QStringList shops = QStringLiteral("铺面 门面 店面 商铺 档口 摊位").split(QLatin1Char(' '));
    return !before.isEmpty() &&
           ((before.back().isDigit() && units.contains(value)) ||
            ((before.back().isDigit() || before.back() == QChar(0x53F7)) && shops.contains(value)));
}

bool AddressWords::isVillageAfterTown(const QString& before, const QString& value)
{
    // Or a town's street of two characters: "城关镇 东街".
    static const QRegularExpression village(QStringLiteral(R"(^\p{Han}[村街巷]$)"));
    static const QRegularExpression group(QStringLiteral(R"(^[东南西北上下前后中新老][组屯]$)"));
    // A village's group by its number, the unit set apart: "杨村 13 组".
    static const QRegularExpression number(QStringLiteral(R"(^\d{1,2}$)"));
    if (before.size() >= 2 && QStringLiteral("村屯庄寨").contains(before.back()) &&
        number.match(value).hasMatch())
        return true;
    // A village's group or team by its number, or a row of houses anywhere:
    // "东关村 七队", "华藏寺村 2社", "家属楼 7排".
    static const QRegularExpression team(QStringLiteral(R"(^[一二三四五六七八九十\d]{1,3}[组队社排]$)"));
    if (before.size() >= 2 && team.match(value).hasMatch() &&
        (QStringLiteral("村屯庄寨组队社院").contains(before.back()) || value.back() == QChar(0x6392))) // 排
        return true;
    // A section of the street before it: "哈达街 南段", "兴华大街 二段".
    static const QRegularExpression section(QStringLiteral(R"(^[东西南北中一二三四五六七八九十]段$)"));
    if (before.size() >= 2 && section.match(value).hasMatch() &&
        (QStringLiteral("路街道").contains(before.back())))
        return true;
    if (before.isEmpty() || value.size() != 2 || PersonName::isDeliveryNote(value))
        return false;
    const bool town = before.endsWith(QChar(0x9547)) || before.endsWith(QChar(0x4E61)); // 镇 乡
    return (town && village.match(value).hasMatch()) ||
           (before.endsWith(QChar(0x6751)) && group.match(value).hasMatch()); // 村
}

bool AddressWords::isHeadTitle(const QString& t)
{
    // The head of a unit, by the unit's word: "副院长", "校长", "护士长"; no place.
    static const QRegularExpression head(
        QStringLiteral(R"(^\p{Han}{0,3}[院校局科处厂所站队组店行部社馆士事]长$)"));
    return t.size() >= 2 && t.size() <= 5 && t.endsWith(QChar(0x957F)) && head.match(t).hasMatch();
}
