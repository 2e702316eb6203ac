#include "templates/TemplateMenuTable.h"

#include "templates/layouts/Catalogue.h"

namespace TemplateMenuTable {

QVector<TemplateMenuEntry> entries()
{
    // The catalogue lists the templates in menu order.
    QVector<TemplateMenuEntry> out;
    for (int i = 0; i < layouts::templateCount(); ++i) {
        const layouts::Template& t = layouts::templateAt(i);
        out.append({QString::fromUtf8(t.code), QString::fromUtf8(t.menuCaption)});
    }
    return out;
}

QString gridSingleCaption(int index)
{
    const QString caption = entries().value(index).caption;
    // The grid's single-print submenu has always shown this one with a
    // trailing blank; kept so the menus read as users know them.
    return index == 14 ? caption + QLatin1Char(' ') : caption;
}

} // namespace TemplateMenuTable
