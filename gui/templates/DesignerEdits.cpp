#include "gui/templates/DesignerEdits.h"

#include "data/store/Schema.h"

#include <QSet>

#include <algorithm>

namespace DesignerEdits {

TemplateDesign blank(const QSizeF& pageMm)
{
    TemplateDesign d;
    d.pageMm = pageMm;
    d.bandMm = pageMm;
    // A new design is laid out for whole words; only the built-in forms
    // were laid out for the byte rule.
    d.wordWrap = true;
    return d;
}

QVector<PagePreset> pagePresets()
{
    return {{QStringLiteral("针式打印快递单 230 × 127 mm"), {230, 127}},
            {QStringLiteral("热敏标签 76 × 130 mm"), {76, 130}},
            {QStringLiteral("热敏标签 100 × 150 mm"), {100, 150}},
            {QStringLiteral("热敏标签 100 × 180 mm"), {100, 180}}};
}

QStringList columns(DesignItem::Source source)
{
    static const QStringList date{QStringLiteral("年"), QStringLiteral("月"), QStringLiteral("日"),
                                  QStringLiteral("日期")};
    switch (source) {
    case DesignItem::Source::Sender: {
        QStringList c = Schema::senderColumns();
        // The sender's 年/月/日 columns are the day of printing: that source.
        for (const QString& d : date)
            c.removeAll(d);
        return c;
    }
    case DesignItem::Source::Recipient: {
        QStringList c = Schema::recipientColumns();
        c.removeAll(QStringLiteral("选中"));
        c.removeAll(QStringLiteral("已打印"));
        return c;
    }
    case DesignItem::Source::PrintDate:
        return date;
    }
    return {};
}

QRectF box(const DesignItem& item)
{
    return QRectF(item.leftMm, item.topMm, item.widthMm, item.heightMm);
}

void setBox(DesignItem* item, const QRectF& box)
{
    item->leftMm = box.left();
    item->topMm = box.top();
    item->widthMm = box.width();
    item->heightMm = box.height();
}

QString freeName(const TemplateDesign& design, const QString& base)
{
    QSet<QString> taken;
    for (const DesignItem& i : design.items)
        taken.insert(i.name);
    for (int n = 1;; ++n) {
        const QString name = base + QString::number(n);
        if (!taken.contains(name))
            return name;
    }
}

namespace {

// Keeps the box on the page: moved back inside where it fits.
QRectF onPage(const QRectF& b, const QSizeF& page)
{
    QRectF r = b;
    if (r.right() > page.width())
        r.moveRight(page.width());
    if (r.bottom() > page.height())
        r.moveBottom(page.height());
    if (r.left() < 0)
        r.moveLeft(0);
    if (r.top() < 0)
        r.moveTop(0);
    return r;
}

double tenth(double mm)
{
    return qRound(mm * 10.0) / 10.0;
}

} // namespace

DesignItem newItem(const TemplateDesign& design, DesignItem::Kind kind, const QPointF& at)
{
    DesignItem item;
    item.kind = kind;
    item.name = freeName(design);
    item.source = DesignItem::Source::Recipient;
    switch (kind) {
    case DesignItem::Kind::Field:
        item.column = QStringLiteral("姓名");
        item.widthMm = 40;
        item.heightMm = 6;
        break;
    case DesignItem::Kind::Text:
        item.text = QStringLiteral("文字");
        item.widthMm = 30;
        item.heightMm = 6;
        break;
    case DesignItem::Kind::Barcode:
        item.column = QStringLiteral("快递单号");
        item.widthMm = 60;
        item.heightMm = 15;
        item.fontPt = 9;
        item.align = DesignItem::Align::Center;
        break;
    case DesignItem::Kind::QrCode:
        item.column = QStringLiteral("快递单号");
        item.widthMm = 20;
        item.heightMm = 20;
        break;
    }
    item.widthMm = qMin(item.widthMm, design.pageMm.width());
    item.heightMm = qMin(item.heightMm, design.pageMm.height());
    QRectF b = onPage(QRectF(QPointF(tenth(at.x()), tenth(at.y())), QSizeF(item.widthMm, item.heightMm)),
                      design.pageMm);
    // Items added one after another at the same spot would hide each other:
    // a new one goes just below whatever it would cover, while the page has room.
    for (int i = 0; i < design.items.size(); ++i) {
        const QRectF other = box(design.items[i]);
        if (!other.intersects(b))
            continue;
        const QRectF below = b.translated(0, tenth(other.bottom() + 1 - b.top()));
        if (below.bottom() > design.pageMm.height())
            break;
        b = below;
        i = -1; // look again from the first
    }
    setBox(&item, b);
    return item;
}

QVector<int> paste(TemplateDesign* design, const QVector<DesignItem>& items, const QPointF& offset)
{
    QVector<int> added;
    for (DesignItem item : items) {
        item.name = freeName(*design);
        setBox(&item, onPage(box(item).translated(offset), design->pageMm));
        added << design->items.size();
        design->items << item;
    }
    return added;
}

void remove(TemplateDesign* design, QVector<int> indexes)
{
    std::sort(indexes.begin(), indexes.end(), std::greater<int>());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    for (int i : indexes)
        if (i >= 0 && i < design->items.size())
            design->items.remove(i);
}

void move(TemplateDesign* design, const QVector<int>& indexes, double dx, double dy)
{
    for (int i : indexes) {
        DesignItem& item = design->items[i];
        const QRectF r = onPage(box(item).translated(dx, dy), design->pageMm);
        item.leftMm = tenth(r.left());
        item.topMm = tenth(r.top());
    }
}

void align(TemplateDesign* design, const QVector<int>& indexes, AlignTo to)
{
    if (indexes.size() < 2)
        return;
    QRectF all;
    for (int i : indexes)
        all = all.isNull() ? box(design->items[i]) : all.united(box(design->items[i]));
    for (int i : indexes) {
        DesignItem& item = design->items[i];
        switch (to) {
        case AlignTo::Left:
            item.leftMm = all.left();
            break;
        case AlignTo::HCenter:
            item.leftMm = tenth(all.center().x() - item.widthMm / 2);
            break;
        case AlignTo::Right:
            item.leftMm = all.right() - item.widthMm;
            break;
        case AlignTo::Top:
            item.topMm = all.top();
            break;
        case AlignTo::VCenter:
            item.topMm = tenth(all.center().y() - item.heightMm / 2);
            break;
        case AlignTo::Bottom:
            item.topMm = all.bottom() - item.heightMm;
            break;
        }
    }
}

void distribute(TemplateDesign* design, const QVector<int>& indexes, Qt::Orientation orientation)
{
    if (indexes.size() < 3)
        return;
    const bool h = orientation == Qt::Horizontal;
    QVector<int> order = indexes;
    auto start = [&](int i) { return h ? design->items[i].leftMm : design->items[i].topMm; };
    auto size = [&](int i) { return h ? design->items[i].widthMm : design->items[i].heightMm; };
    std::sort(order.begin(), order.end(), [&](int a, int b) { return start(a) < start(b); });
    double total = 0;
    for (int i : order)
        total += size(i);
    const double first = start(order.first());
    const double last = start(order.last()) + size(order.last());
    const double gap = (last - first - total) / (order.size() - 1);
    double at = first;
    for (int k = 0; k < order.size(); ++k) {
        const int i = order[k];
        if (k > 0 && k < order.size() - 1)
            (h ? design->items[i].leftMm : design->items[i].topMm) = tenth(at);
        at += size(i) + gap;
    }
}

QStringList names(const TemplateDesign& design, const QVector<int>& indexes)
{
    QStringList out;
    for (int i : indexes)
        if (i >= 0 && i < design.items.size())
            out << design.items[i].name;
    return out;
}

QVector<int> indexesOf(const TemplateDesign& design, const QStringList& names)
{
    QVector<int> out;
    for (int i = 0; i < design.items.size(); ++i)
        if (names.contains(design.items[i].name))
            out << i;
    return out;
}

QString label(const DesignItem& item)
{
    if (item.kind == DesignItem::Kind::Text || item.column.isEmpty())
        return item.text;
    // The sender's own columns say so; its 年/月/日 are the day of printing.
    const bool senderOwn = item.source == DesignItem::Source::Sender &&
                           !columns(DesignItem::Source::PrintDate).contains(item.column);
    const QString prefix = senderOwn ? QStringLiteral("寄件") : QString();
    return QStringLiteral("[%1%2]").arg(prefix, item.column);
}

} // namespace DesignerEdits
