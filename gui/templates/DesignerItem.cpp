#include "gui/templates/DesignerItem.h"

#include "gui/templates/DesignerEdits.h"
#include "report/FontSetup.h"

#include <QPainter>
#include <QStyleOptionGraphicsItem>

namespace {

// The text is drawn this many times larger and scaled down, since fonts
// take whole pixels and a scene unit is a millimetre.
constexpr double kTextScale = 20.0;
constexpr double kGripPx = 7.0;

QColor boxColor(const DesignItem& item)
{
    if (item.hidden)
        return QColor(150, 150, 150);
    switch (item.kind) {
    case DesignItem::Kind::Text:
        return QColor(0, 130, 60);
    case DesignItem::Kind::Barcode:
    case DesignItem::Kind::QrCode:
        return QColor(150, 60, 0);
    default:
        return QColor(0, 70, 200);
    }
}

} // namespace

DesignerItem::DesignerItem(int index, const DesignItem& item) : m_index(index), m_item(item)
{
    setFlag(ItemIsSelectable);
    setBox(DesignerEdits::box(item));
    if (isText()) {
        // At most one em a character, beyond the box in any direction it turns.
        const double em = item.fontPt * 25.4 / 72.0;
        const double along = qMax(textRect(QRectF(0, 0, item.widthMm, item.heightMm)).width(),
                                  DesignerEdits::label(item).size() * em);
        m_overflow = qMax(0.0, qMax(along, 4 * em) - qMin(item.widthMm, item.heightMm));
    }
}

QRectF DesignerItem::box() const
{
    return QRectF(pos(), m_size);
}

void DesignerItem::setBox(const QRectF& box)
{
    if (box.size() != m_size) {
        prepareGeometryChange();
        m_size = box.size();
    }
    setPos(box.topLeft());
}

QRectF DesignerItem::boundingRect() const
{
    // Room for the grips around the box at any zoom down to about 25 %,
    // and for text that runs out of its box (as it does on paper).
    const double m = 2.0 + m_overflow;
    return QRectF(QPointF(0, 0), m_size).adjusted(-m, -m, m, m);
}

bool DesignerItem::isText() const
{
    return m_item.kind == DesignItem::Kind::Field || m_item.kind == DesignItem::Kind::Text;
}

QRectF DesignerItem::textRect(const QRectF& c) const
{
    // Wrapped by GBK bytes: lines as wide as that many half-width letters.
    if (m_item.wrap == DesignItem::Wrap::Bytes && m_item.wrapBytes > 0)
        return QRectF(c.topLeft(), QSizeF(m_item.wrapBytes * m_item.fontPt * 25.4 / 72.0 / 2, c.height()));
    return c;
}

QVector<QRectF> DesignerItem::grips(double px) const
{
    const double s = kGripPx * px;
    const QRectF r(QPointF(0, 0), m_size);
    QVector<QRectF> out;
    for (double y : {r.top(), r.center().y(), r.bottom()})
        for (double x : {r.left(), r.center().x(), r.right()})
            if (!(x == r.center().x() && y == r.center().y()))
                out << QRectF(x - s / 2, y - s / 2, s, s);
    return out;
}

Qt::Edges DesignerItem::gripAt(const QPointF& scenePos, double px) const
{
    if (!isSelected())
        return {};
    const QPointF p = mapFromScene(scenePos);
    const QVector<QRectF> g = grips(px);
    // In the order grips() gives them: rows top, middle, bottom.
    static const Qt::Edges edges[8] = {Qt::TopEdge | Qt::LeftEdge,
                                       Qt::TopEdge,
                                       Qt::TopEdge | Qt::RightEdge,
                                       Qt::LeftEdge,
                                       Qt::RightEdge,
                                       Qt::BottomEdge | Qt::LeftEdge,
                                       Qt::BottomEdge,
                                       Qt::BottomEdge | Qt::RightEdge};
    for (int i = 0; i < g.size(); ++i)
        if (g[i].contains(p))
            return edges[i];
    return {};
}

void DesignerItem::paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget*)
{
    const double px = 1.0 / qMax(0.01, option->levelOfDetailFromTransform(painter->worldTransform()));
    const QRectF r(QPointF(0, 0), m_size);
    painter->save();
    // Codes stay in their box; text runs out of it as it does on paper.
    if (!isText())
        painter->setClipRect(r.adjusted(-px, -px, px, px));
    if (m_item.opaque)
        painter->fillRect(r, Qt::white);
    paintContent(painter, r);
    painter->restore();

    QPen pen(boxColor(m_item), 0, isSelected() ? Qt::SolidLine : Qt::DashLine);
    painter->setPen(pen);
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(r);
    if (isSelected()) {
        painter->setBrush(Qt::white);
        painter->setPen(QPen(QColor(0, 70, 200), 0));
        for (const QRectF& g : grips(px))
            painter->drawRect(g);
    }
}

void DesignerItem::paintContent(QPainter* painter, const QRectF& r) const
{
    // Turn the painter so that the content runs as it prints: r becomes
    // the content's own rectangle, its sides swapped for 90 and 270.
    QRectF c = r;
    if (m_item.rotation == 90 || m_item.rotation == 270)
        c = QRectF(0, 0, r.height(), r.width());
    painter->translate(r.center());
    painter->rotate(m_item.rotation);
    painter->translate(-c.width() / 2, -c.height() / 2);

    const QColor ink = m_item.hidden ? QColor(160, 160, 160) : QColor(20, 20, 20);
    const QString text = DesignerEdits::label(m_item);
    const double fontMm = m_item.fontPt * 25.4 / 72.0;
    auto drawText = [&](const QRectF& box, const QString& t, Qt::Alignment a, bool wrap) {
        QFont f(m_item.fontFamily.isEmpty() ? FontSetup::songFamily() : m_item.fontFamily);
        f.setPixelSize(qMax(1, qRound(fontMm * kTextScale)));
        f.setBold(m_item.bold);
        painter->save();
        painter->scale(1 / kTextScale, 1 / kTextScale);
        painter->setFont(f);
        painter->setPen(ink);
        const QRectF big(box.topLeft() * kTextScale, box.size() * kTextScale);
        painter->drawText(big, int(a) | Qt::TextDontClip | (wrap ? Qt::TextWrapAnywhere : 0), t);
        painter->restore();
    };
    Qt::Alignment h = Qt::AlignLeft;
    if (m_item.align == DesignItem::Align::Center)
        h = Qt::AlignHCenter;
    else if (m_item.align == DesignItem::Align::Right)
        h = Qt::AlignRight;

    switch (m_item.kind) {
    case DesignItem::Kind::Field:
    case DesignItem::Kind::Text:
        drawText(textRect(c), text, h | Qt::AlignTop, m_item.wrap != DesignItem::Wrap::None);
        break;
    case DesignItem::Kind::Barcode: {
        // Bars standing for the code (the print draws the real one).
        const double textH = m_item.humanReadable ? qMin(c.height() / 2, fontMm * 1.2) : 0;
        const QRectF bars(c.left(), c.top(), c.width(), c.height() - textH);
        painter->setPen(Qt::NoPen);
        painter->setBrush(ink);
        const uint seed = qHash(text);
        double x = bars.left() + bars.width() * 0.05;
        const double unit = bars.width() * 0.9 / 110;
        for (int i = 0; x < bars.right() - bars.width() * 0.05; ++i) {
            const int w = 1 + int((seed >> (i % 29)) & 3) % 3;
            if (i % 2 == 0)
                painter->drawRect(QRectF(x, bars.top(), w * unit, bars.height()));
            x += w * unit;
        }
        if (textH > 0)
            drawText(QRectF(c.left(), bars.bottom(), c.width(), textH), text, Qt::AlignCenter, false);
        break;
    }
    case DesignItem::Kind::QrCode: {
        const double side = qMin(c.width(), c.height());
        const QRectF q(c.left(), c.top(), side, side);
        const double m = side / 25;
        painter->setPen(Qt::NoPen);
        painter->setBrush(ink);
        const uint seed = qHash(text);
        for (int y = 0; y < 25; ++y)
            for (int x = 0; x < 25; ++x) {
                const bool finder = (x < 7 && y < 7) || (x > 17 && y < 7) || (x < 7 && y > 17);
                bool on;
                if (finder) {
                    const int fx = x > 17 ? x - 18 : x;
                    const int fy = y > 17 ? y - 18 : y;
                    const int d = qMax(qAbs(fx - 3), qAbs(fy - 3));
                    on = d != 2;
                } else {
                    on = ((seed >> ((x * 7 + y * 13) % 31)) ^ uint(x * y)) & 1;
                }
                if (on)
                    painter->drawRect(QRectF(q.left() + x * m, q.top() + y * m, m, m));
            }
        break;
    }
    }
}
