#include "data/PrintSelection.h"

#include "data/Schema.h"

#include <QStringList>

QString PrintSelection::whereClause() const
{
    QStringList parts;
    // One bound JSON list, however many rows were chosen.
    if (chosen)
        parts << Schema::quoted(QStringLiteral("序号")) +
                     QStringLiteral(" IN (SELECT value FROM json_each(?))");
    if (unprintedOnly)
        parts << QStringLiteral("coalesce(%1, '') = ''").arg(Schema::quoted(QStringLiteral("已打印")));
    return parts.join(QStringLiteral(" AND "));
}

QVariantList PrintSelection::binds() const
{
    if (!chosen)
        return {};
    QStringList ids;
    ids.reserve(serials.size());
    for (qint64 s : serials)
        ids << QString::number(s);
    return {QVariant(QLatin1Char('[') + ids.join(QLatin1Char(',')) + QLatin1Char(']'))};
}

QString PrintSelection::describe(int count) const
{
    if (chosen && unprintedOnly)
        return QStringLiteral("选中未打印 %1 条").arg(count);
    if (chosen)
        return QStringLiteral("选中 %1 条").arg(count);
    if (unprintedOnly)
        return QStringLiteral("未打印 %1 条").arg(count);
    return QStringLiteral("全部 %1 条").arg(count);
}
