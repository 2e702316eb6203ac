#include "app/TemplateMenuTable.h"

namespace TemplateMenuTable {

QVector<TemplateMenuEntry> entries()
{
    return {
        {QStringLiteral("st"), QStringLiteral("申通快递单模板【一】")},
        {QStringLiteral("st1"), QStringLiteral("申通快递单模板【二】")},
        {QStringLiteral("ht"), QStringLiteral("汇通快递单模板")},
        {QStringLiteral("sf"), QStringLiteral("顺丰快递单模板【一】")},
        {QStringLiteral("sf1"), QStringLiteral("顺丰快递单模板【二】")},
        {QStringLiteral("sf2"), QStringLiteral("顺丰快递单模板【三】")},
        {QStringLiteral("cces"), QStringLiteral("CCES快递单模板")},
        {QStringLiteral("tt"), QStringLiteral("天天快递单模板【一】")},
        {QStringLiteral("tt1"), QStringLiteral("天天快递单模板【二】")},
        {QStringLiteral("gt"), QStringLiteral("国通快递单模板")},
        {QStringLiteral("yt"), QStringLiteral("圆通快递单模板【一】")},
        {QStringLiteral("yt1"), QStringLiteral("圆通快递单模板【二】")},
        {QStringLiteral("yd"), QStringLiteral("韵达快递单模板")},
        {QStringLiteral("zt"), QStringLiteral("中通快递单模板【一】")},
        {QStringLiteral("zt1"), QStringLiteral("中通快递单模板【二】")},
        {QStringLiteral("zjs"), QStringLiteral("宅急送快递单模板")},
        {QStringLiteral("ems"), QStringLiteral("EMS快递单模板【一】")},
        {QStringLiteral("ems1"), QStringLiteral("EMS快递单模板【二】")},
        {QStringLiteral("se"), QStringLiteral("速尔快递单模板")},
        {QStringLiteral("qy"), QStringLiteral("923远华快运模板")},
    };
}

QString gridSingleCaption(int index)
{
    const QString caption = entries().value(index).caption;
    // The grid's single-print submenu has always shown this one with a
    // trailing blank; kept so the menus read as users know them.
    return index == 14 ? caption + QLatin1Char(' ') : caption;
}

} // namespace TemplateMenuTable
