#include "templates/BuiltInDesign.h"

#include "templates/TemplateReport.h"

#include <QFile>

DesignItem builtInItem(const layouts::Item& d)
{
    DesignItem item;
    item.kind = DesignItem::Kind::Field;
    item.name = QString::fromUtf8(d.name);
    item.source =
        d.source == layouts::Source::Sender ? DesignItem::Source::Sender : DesignItem::Source::Recipient;
    item.column = QString::fromUtf8(d.column);
    // Where it lands on paper: the layouts' lengths on the 96 dpi grid.
    item.leftMm = TemplateReport::gridTenths(d.leftMm) / 10.0;
    item.topMm = TemplateReport::gridTenths(d.topMm) / 10.0;
    item.widthMm = TemplateReport::gridTenths(d.widthMm) / 10.0;
    item.heightMm = TemplateReport::gridTenths(d.heightMm) / 10.0;
    item.fontPt = d.fontPt > 0 ? d.fontPt : 12;
    item.bold = d.bold;
    item.wrap = d.wrap > 0 ? DesignItem::Wrap::Bytes : DesignItem::Wrap::None;
    item.wrapBytes = d.wrap > 0 ? d.wrap : 0;
    item.opaque = d.opaque;
    return item;
}

TemplateDesign builtInDesign(const layouts::Template& tmpl, layouts::Variant variant,
                             const TemplateAdjustment& saved, const QByteArray& picture)
{
    const layouts::Page& page = tmpl.variant(variant);
    TemplateDesign t;
    t.code = QString::fromLatin1(tmpl.code);
    t.caption = QString::fromUtf8(tmpl.caption);
    t.builtIn = true;
    t.pageMm = QSizeF(page.pageWidthMm, page.pageHeightMm);
    t.bandMm = QSizeF(TemplateReport::gridTenths(page.bandWidthMm) / 10.0,
                      TemplateReport::gridTenths(page.bandHeightMm) / 10.0);
    t.calibrationDx = saved.dx;
    t.calibrationDy = saved.dy;
    t.scaleX = saved.scaleX;
    t.scaleY = saved.scaleY;
    t.wordWrap = saved.wordWrap;
    t.picture = !picture.isEmpty() ? picture : saved.picture;
    if (t.picture.isEmpty() && tmpl.picture) {
        QFile f(QString::fromUtf8(tmpl.picture));
        if (f.open(QIODevice::ReadOnly))
            t.picture = f.readAll();
    }
    const QString variantName = layouts::variantName(variant);
    for (int i = 0; i < page.itemCount; ++i) {
        DesignItem item = builtInItem(page.items[i]);
        const ItemAdjustment a = saved.item(variantName, item.name);
        item.leftMm = (item.leftMm * 10 + a.dx) / 10.0;
        item.topMm = (item.topMm * 10 + a.dy) / 10.0;
        item.hidden = a.hidden;
        t.items.append(item);
    }
    return t;
}
