#include "gui/templates/DesignerSnap.h"

#include <QtMath>

#include <limits>

namespace DesignerSnap {

double toGrid(double mm, double step)
{
    if (step <= 0)
        return mm;
    return toTenth(qRound(mm / step) * step);
}

double toTenth(double mm)
{
    return qRound(mm * 10.0) / 10.0;
}

namespace {

// The smallest shift that puts one of edges onto one of targets, within
// tolerance; false when none is that near.
bool nearest(const QVector<double>& edges, const QVector<double>& targets, double tolerance, double* shift)
{
    double best = std::numeric_limits<double>::max();
    for (double e : edges)
        for (double t : targets)
            if (qAbs(t - e) <= tolerance && qAbs(t - e) < qAbs(best))
                best = t - e;
    if (best == std::numeric_limits<double>::max())
        return false;
    *shift = best;
    return true;
}

QVector<double> xEdges(const QVector<QRectF>& rects)
{
    QVector<double> v;
    for (const QRectF& r : rects)
        v << r.left() << r.right();
    return v;
}

QVector<double> yEdges(const QVector<QRectF>& rects)
{
    QVector<double> v;
    for (const QRectF& r : rects)
        v << r.top() << r.bottom();
    return v;
}

double snapEdge(double edge, const QVector<double>& targets, double tolerance, double grid)
{
    double shift = 0;
    if (nearest({edge}, targets, tolerance, &shift))
        return edge + shift;
    return toGrid(edge, grid);
}

} // namespace

QPointF snapMove(const QRectF& moved, const QVector<QRectF>& others, double tolerance, double grid)
{
    double dx = 0;
    double dy = 0;
    if (!nearest({moved.left(), moved.right()}, xEdges(others), tolerance, &dx))
        dx = toGrid(moved.left(), grid) - moved.left();
    if (!nearest({moved.top(), moved.bottom()}, yEdges(others), tolerance, &dy))
        dy = toGrid(moved.top(), grid) - moved.top();
    return {dx, dy};
}

QRectF snapResize(const QRectF& box, Qt::Edges edges, const QVector<QRectF>& others, double tolerance,
                  double grid, double minSize)
{
    const QVector<double> xs = xEdges(others);
    const QVector<double> ys = yEdges(others);
    double left = box.left();
    double right = box.right();
    double top = box.top();
    double bottom = box.bottom();
    if (edges & Qt::LeftEdge)
        left = qMin(snapEdge(left, xs, tolerance, grid), right - minSize);
    if (edges & Qt::RightEdge)
        right = qMax(snapEdge(right, xs, tolerance, grid), left + minSize);
    if (edges & Qt::TopEdge)
        top = qMin(snapEdge(top, ys, tolerance, grid), bottom - minSize);
    if (edges & Qt::BottomEdge)
        bottom = qMax(snapEdge(bottom, ys, tolerance, grid), top + minSize);
    return QRectF(QPointF(left, top), QPointF(right, bottom));
}

} // namespace DesignerSnap
