#include "data/tracking/PrintSelection.h"

#include "data/store/Database.h"
#include "data/store/Schema.h"

#include <QStringList>

QString PrintSelection::whereClause(const Database& db) const
{
    QStringList parts;
    // One bound list, however many rows were chosen.
    if (chosen)
        parts << db.inList(Schema::quoted(QStringLiteral("序号")));
    if (unprintedOnly)
        parts << QStringLiteral("coalesce(%1, '') = ''").arg(Schema::quoted(QStringLiteral("已打印")));
    return parts.join(QStringLiteral(" AND "));
}

QVariantList PrintSelection::binds() const
{
    if (!chosen)
        return {};
    return {QVariant(Database::jsonList(serials))};
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
