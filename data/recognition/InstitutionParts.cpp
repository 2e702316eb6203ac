#include "data/recognition/InstitutionParts.h"

#include "data/recognition/AddressWords.h"
#include "data/recognition/PasteText.h"

#include <QRegularExpression>

InstitutionParts::Kind InstitutionParts::classify(const QString& value, const Context& context)
{
    const QString& last = context.lastPart;
    const bool afterInstitution = !last.isEmpty() && PasteText::endsLikeInstitution(last);
    // Inside a hospital, a department after its building or floor is where
    // to go: "…医院 门诊楼3楼 儿保科"; straight after the hospital, a note.
    if (context.hospital && (last.endsWith(QChar(0x697C)) || last.endsWith(QChar(0x5C42))) && // 楼 层
        PasteText::isDepartment(value) && !AddressWords::looksLikeAddress(value))
        return Inside;
    // A hospital's building straight after it: "…医院 住院部 南楼 16层".
    if (afterInstitution && context.tokenBefore.endsWith(QStringLiteral("医院")) &&
        (value == QStringLiteral("住院部") || value == QStringLiteral("门诊部") ||
         value == QStringLiteral("急诊部")))
        return Inside;
    // A university's school is one of its departments: "…理工大学 化工学院 办公室",
    // and so is its library: "…大学 图书馆", but not a numbered hall ("综合三馆").
    const QString& institution = afterInstitution ? last : context.company;
    const bool university =
        institution.endsWith(QStringLiteral("大学")) || institution.endsWith(QStringLiteral("学院"));
    static const QRegularExpression numbered(QStringLiteral("[0-9一二三四五六七八九十]"));
    const bool school = university && value.size() >= 3 && value.size() <= 12 &&
                        (value.endsWith(QStringLiteral("学院")) ||
                         (value.endsWith(QChar(0x9986)) && value.size() <= 5 && !value.contains(numbered)));
    if ((!context.company.isEmpty() || afterInstitution) && (PasteText::isDepartment(value) || school))
        return Department;
    return Other;
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
