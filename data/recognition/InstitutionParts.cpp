#include "data/recognition/InstitutionParts.h"

#include "data/recognition/AddressWords.h"
#include "data/recognition/PasteText.h"

#include <QRegularExpression>

InstitutionParts::Kind InstitutionParts::classify(const QString& value, const Context& context)
{
    const QString& last = context.lastPart;
    // A university's campus is the university still: "…吉林大学前卫南区 化学学院".
    static const QRegularExpression campus(QStringLiteral(R"(大学\p{Han}{0,4}(?:校区|[东南西北]区)$)"));
    // Or its campus set off after it: "…东北师范大学 本部 物理学院".
    static const QRegularExpression campusAlone(
        QStringLiteral(R"(^(?:校?本部|\p{Han}{1,4}校[区區]|[东西南北]校?[区區])$)"));
    const bool afterCampus =
        !last.isEmpty() && (last.contains(campus) || (context.university && last.contains(campusAlone)));
    const bool afterInstitution = !last.isEmpty() && (afterCampus || PasteText::endsLikeInstitution(last));
    // Inside a hospital, a department after its building or floor is where
    // to go: "…医院 门诊楼3楼 儿保科"; straight after the hospital, a note.
    if (context.hospital && (last.endsWith(QChar(0x697C)) || last.endsWith(QChar(0x5C42))) && // 楼 层
        PasteText::isDepartment(value) && !AddressWords::looksLikeAddress(value))
        return Inside;
    // After the room in a university's building, its school is whose room
    // it is: "…大学 理科一号楼 1305 物理学院".
    static const QRegularExpression room(QStringLiteral(R"(\d{2,4}[A-Za-z]?$)"));
    if (context.university && !context.hospital && last.contains(room) &&
        (value.endsWith(QStringLiteral("研究生院")) || PasteText::isDepartment(value)))
        return Department;
    // A university's 学部 with more of the address after it is one of its
    // campuses: "武汉大学 信息学部 星湖园 2舍".
    static const QRegularExpression shortPlace(QStringLiteral(R"(^\p{Han}[园苑楼舍区院]$)")); // "枫园"
    if (afterInstitution && value.size() >= 3 && value.endsWith(QStringLiteral("学部")) &&
        (AddressWords::looksLikeAddress(context.tokenAfter) || context.tokenAfter.contains(shortPlace)))
        return Inside;
    // A hospital's building straight after it: "…医院 住院部 南楼 16层"; after
    // a department it says where in it ("骨科 住院部").
    static const QRegularExpression building(QStringLiteral("^(?:住院|门诊|急诊|医技)(?:部|楼)$"));
    if (afterInstitution && context.tokenBefore.endsWith(QStringLiteral("医院")) &&
        building.match(value).hasMatch())
        return Inside;
    // A university's school is one of its departments: "…理工大学 化工学院 办公室",
    // and so is its library: "…大学 图书馆", but not a numbered hall ("综合三馆").
    const QString& institution = afterInstitution ? last : context.company;
    const bool university = afterCampus || institution.endsWith(QStringLiteral("大学")) ||
                            institution.endsWith(QStringLiteral("学院"));
    static const QRegularExpression numbered(QStringLiteral("[0-9一二三四五六七八九十]"));
    const bool school = university && value.size() >= 3 && value.size() <= 12 &&
                        (value.endsWith(QStringLiteral("学院")) ||
                         (value.endsWith(QChar(0x9986)) && value.size() <= 5 && !value.contains(numbered)));
    // Straight after a company its desk or store is its: "…有限公司 仓库"; after the
    // address the same words say where in the place ("…6号 仓库", "…酒店 前台").
    const bool desk = value == QStringLiteral("前台") || value == QStringLiteral("仓库");
    if ((!context.company.isEmpty() && desk) ||
        ((!context.company.isEmpty() || afterInstitution) && (PasteText::isDepartment(value) || school)))
        return Department;
    return Other;
}

bool InstitutionParts::isHospital(const QString& part)
{
    static const QRegularExpression campus(
        QStringLiteral("(?:医院|醫院)(?:\\p{Han}{0,3}(?:院区|院區|分院|[东西南北]院))?$"));
    return (part.contains(QStringLiteral("医院")) || part.contains(QStringLiteral("醫院"))) &&
           part.contains(campus);
}

bool InstitutionParts::isUniversity(const QString& part)
{
    static const QRegularExpression campus(
        QStringLiteral("(?:大学|大學|学院|學院)(?:\\p{Han}{0,4}(?:校区|校區|[东西南北]区))?$"));
    return (part.contains(QChar(0x5B66)) || part.contains(QChar(0x5B78))) && part.contains(campus); // 学 學
}

QString InstitutionParts::takeDepartment(QString& company)
{
    static const QRegularExpression department(QStringLiteral(R"([(（]([^()（）]+)[)）]$)"));
    const auto m = department.match(company);
    if (!m.hasMatch() || m.capturedStart() == 0 || !PasteText::isDepartment(m.captured(1)))
        return QString();
    const QString taken = m.captured(1);
    company.truncate(m.capturedStart());
    return taken;
}

bool InstitutionParts::namesUnit(const QString& token)
{
    static const QRegularExpression unit(
        QStringLiteral(R"(^\p{Han}{2,14}(?:医院|大学|学院|学校|中学|小学|研究院|研究所|醫院|大學|學院)$)"));
    static const QRegularExpression place(QStringLiteral("[省市区县镇乡村路街巷弄号號楼樓栋幢室]"));
    return unit.match(token).hasMatch() && !token.contains(place);
}

void InstitutionParts::placeUnitBeforeRegion(AddressCandidates& c, const QString& text)
{
    if (!c.labelledCompanies.isEmpty() || c.companies.size() != 1 || !namesUnit(c.companies.first()))
        return;
    const QString& unit = c.companies.first();
    static const QRegularExpression street(QStringLiteral(R"((?:路|街|大道|巷|弄|胡同)|\d+号(?![楼院]))"));
    qsizetype firstDetail = -1;
    bool region = false;
    for (qsizetype i = 0; i < c.parts.size(); ++i) {
        const AddressCandidates::Part& p = c.parts.at(i);
        if (p.region) {
            region = true;
            continue;
        }
        if (p.text.contains(street))
            return;
        if (firstDetail < 0)
            firstDetail = i;
    }
    // Straight before the region: after it a department or a name, it is whose ("复旦大学 市场部 …").
    const qsizetype at = text.indexOf(unit);
    const qsizetype regionAt = text.indexOf(c.parts.first().text);
    static const QRegularExpression blanks(QStringLiteral(R"(^[\s,，]*$)"));
    if (!region || firstDetail < 0 || at < 0 || regionAt < at + unit.size() ||
        !blanks.match(QStringView(text).mid(at + unit.size(), regionAt - at - unit.size())).hasMatch())
        return;
    c.parts.insert(firstDetail, {unit, false, false});
    c.companies.clear();
}
