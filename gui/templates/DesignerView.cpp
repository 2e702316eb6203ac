#include "gui/templates/DesignerView.h"

#include "gui/templates/DesignerScene.h"

#include <QScrollBar>
#include <QWheelEvent>

namespace {
constexpr double kPixelsPerMmAt100 = 96.0 / 25.4;
const double kSteps[] = {25, 33, 50, 67, 75, 100, 125, 150, 200, 300, 400, 600, 800};
} // namespace

DesignerView::DesignerView(DesignerScene* scene, QWidget* parent) : QGraphicsView(scene, parent)
{
    setObjectName(QStringLiteral("DesignerView"));
    setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    setDragMode(QGraphicsView::NoDrag);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setTransformationAnchor(QGraphicsView::AnchorUnderMouse);
    setViewportUpdateMode(QGraphicsView::FullViewportUpdate);
    setZoomPercent(100);
}

double DesignerView::pixelsPerMm() const
{
    return transform().m11();
}

void DesignerView::setZoomPercent(double percent)
{
    m_percent = qBound(10.0, percent, 800.0);
    const double s = kPixelsPerMmAt100 * m_percent / 100.0;
    setTransform(QTransform::fromScale(s, s));
    emit viewChanged();
}

void DesignerView::zoomBy(int steps)
{
    double next = m_percent;
    if (steps > 0) {
        for (double s : kSteps)
            if (s > m_percent + 0.5) {
                next = s;
                break;
            }
    } else {
        for (double s : kSteps)
            if (s < m_percent - 0.5)
                next = s;
    }
    setZoomPercent(next);
}

void DesignerView::zoomToFit()
{
    const QRectF r = sceneRect();
    const QSize room = viewport()->size();
    if (r.isEmpty() || room.isEmpty())
        return;
    const double s = qMin(room.width() / r.width(), room.height() / r.height());
    setZoomPercent(s / kPixelsPerMmAt100 * 100.0);
    centerOn(r.center());
}

void DesignerView::wheelEvent(QWheelEvent* e)
{
    if (e->modifiers() & Qt::ControlModifier) {
        zoomBy(e->angleDelta().y() > 0 ? 1 : -1);
        e->accept();
        return;
    }
    QGraphicsView::wheelEvent(e);
}

void DesignerView::scrollContentsBy(int dx, int dy)
{
    QGraphicsView::scrollContentsBy(dx, dy);
    emit viewChanged();
}

void DesignerView::resizeEvent(QResizeEvent* e)
{
    QGraphicsView::resizeEvent(e);
    emit viewChanged();
}
