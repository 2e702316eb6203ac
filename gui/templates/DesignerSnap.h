#pragma once

#include <QRectF>
#include <QVector>

// Where a dragged or resized box lands in the designer: on a 0.5 mm grid,
// or on an edge of another item (or of the page) when one is near enough.
// Pure functions of millimetres, so the rules are tested without a window.
namespace DesignerSnap {

inline constexpr double kGridMm = 0.5;

// The nearest multiple of step.
double toGrid(double mm, double step = kGridMm);
// mm rounded to the 0.1 mm steps boxes are kept in.
double toTenth(double mm);

// The offset that takes `moved` (already moved by the mouse) to where it
// lands: its left or right edge onto the nearest edge of `others` within
// tolerance (likewise top or bottom), else its top-left corner onto the grid.
QPointF snapMove(const QRectF& moved, const QVector<QRectF>& others, double tolerance, double grid = kGridMm);

// The box after dragging the given edges of it: each dragged edge onto the
// nearest edge of others within tolerance, else onto the grid; never
// narrower or lower than minSize.
QRectF snapResize(const QRectF& box, Qt::Edges edges, const QVector<QRectF>& others, double tolerance,
                  double grid = kGridMm, double minSize = 1.0);

} // namespace DesignerSnap
