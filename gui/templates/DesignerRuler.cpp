#include "gui/templates/DesignerRuler.h"

#include "gui/templates/DesignerView.h"

#include <QPainter>

DesignerRuler::DesignerRuler(Qt::Orientation orientation, DesignerView* view, QWidget* parent)
    : QWidget(parent), m_orientation(orientation), m_view(view)
{
    if (orientation == Qt::Horizontal)
        setFixedHeight(kThickness);
    else
        setFixedWidth(kThickness);
    connect(view, &DesignerView::viewChanged, this, qOverload<>(&QWidget::update));
}

QSize DesignerRuler::sizeHint() const
{
    return {kThickness, kThickness};
}

void DesignerRuler::setCursorMm(const QPointF& mm)
{
    m_cursor = m_orientation == Qt::Horizontal ? mm.x() : mm.y();
    update();
}

void DesignerRuler::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(245, 245, 240));
    const bool h = m_orientation == Qt::Horizontal;
    // Where scene x (or y) lands on this ruler: the view's viewport maps it,
    // the ruler sits beside the viewport.
    const QPoint origin = m_view->viewport()->mapTo(window(), QPoint(0, 0)) - mapTo(window(), QPoint(0, 0));
    auto at = [&](double mm) {
        const QPointF v = m_view->mapFromScene(h ? QPointF(mm, 0) : QPointF(0, mm));
        return (h ? v.x() + origin.x() : v.y() + origin.y());
    };
    const double ppm = m_view->pixelsPerMm();
    // Ticks at least 4 pixels apart, numbers at least 36.
    auto step = [ppm](double pixels) {
        for (int s : {1, 5, 10, 20, 50, 100, 200, 500, 1000})
            if (s * ppm >= pixels)
                return s;
        return 1000;
    };
    const int minor = step(4);
    const int label = qMax(minor, step(36));
    const double from = m_view->mapToScene(m_view->viewport()->rect().topLeft()).x();
    const double fromY = m_view->mapToScene(m_view->viewport()->rect().topLeft()).y();
    const double start = h ? from : fromY;
    const double length = (h ? width() : height()) / ppm;
    p.setPen(QColor(90, 90, 90));
    QFont f = font();
    f.setPixelSize(10);
    p.setFont(f);
    for (int mm = int(start) - 1; mm <= int(start + length) + 1; ++mm) {
        if (mm % minor != 0)
            continue;
        const double x = at(mm);
        const int len = mm % label == 0 ? 10 : mm % (minor * 5) == 0 ? 6 : 3;
        if (h)
            p.drawLine(QPointF(x, kThickness - len), QPointF(x, kThickness));
        else
            p.drawLine(QPointF(kThickness - len, x), QPointF(kThickness, x));
        if (mm % label == 0) {
            if (h) {
                p.drawText(QPointF(x + 2, 10), QString::number(mm));
            } else {
                p.save();
                p.translate(10, x + 2);
                p.rotate(90);
                p.drawText(QPointF(0, 0), QString::number(mm));
                p.restore();
            }
        }
    }
    p.setPen(QColor(200, 40, 40));
    const double c = at(m_cursor);
    if (h)
        p.drawLine(QPointF(c, 0), QPointF(c, kThickness));
    else
        p.drawLine(QPointF(0, c), QPointF(kThickness, c));
    p.setPen(QColor(160, 160, 160));
    if (h)
        p.drawLine(0, kThickness - 1, width(), kThickness - 1);
    else
        p.drawLine(kThickness - 1, 0, kThickness - 1, height());
}
