#include "gui/templates/DesignerScene.h"

#include "gui/templates/DesignerDocument.h"
#include "gui/templates/DesignerEdits.h"
#include "gui/templates/DesignerItem.h"
#include "gui/templates/DesignerSnap.h"

#include <QGraphicsPixmapItem>
#include <QGraphicsRectItem>
#include <QGraphicsSceneMouseEvent>
#include <QGraphicsView>
#include <QKeyEvent>
#include <QPainter>

#include <algorithm>

namespace {
// Grey around the page, so the page's edge shows.
constexpr double kMarginMm = 15;
} // namespace

DesignerScene::DesignerScene(DesignerDocument* doc, QObject* parent) : QGraphicsScene(parent), m_doc(doc)
{
    connect(doc, &DesignerDocument::designChanged, this, &DesignerScene::rebuild);
    connect(doc, &DesignerDocument::selectionChanged, this, &DesignerScene::showSelection);
    connect(this, &QGraphicsScene::selectionChanged, this, &DesignerScene::takeSelection);
    rebuild();
}

DesignerScene::~DesignerScene()
{
    // Items going away deselect themselves: nothing to tell the document.
    m_syncing = true;
    qDeleteAll(m_items);
    m_items.clear();
}

QRectF DesignerScene::pageRect() const
{
    return QRectF(QPointF(0, 0), m_doc->design().pageMm);
}

QList<DesignerItem*> DesignerScene::designerItems() const
{
    return m_items;
}

DesignerItem* DesignerScene::itemAtIndex(int index) const
{
    return index >= 0 && index < m_items.size() ? m_items[index] : nullptr;
}

QVector<int> DesignerScene::selectedIndexes() const
{
    QVector<int> out;
    for (DesignerItem* i : m_items)
        if (i->isSelected())
            out << i->index();
    return out;
}

double DesignerScene::pixelMm() const
{
    const QList<QGraphicsView*> v = views();
    if (v.isEmpty() || v.first()->transform().m11() <= 0)
        return 0.25;
    return 1.0 / v.first()->transform().m11();
}

void DesignerScene::rebuild()
{
    m_syncing = true;
    m_mode = Mode::None;
    for (DesignerItem* i : m_items)
        delete i;
    m_items.clear();
    const TemplateDesign& d = m_doc->design();
    for (int i = 0; i < d.items.size(); ++i) {
        auto* item = new DesignerItem(i, d.items[i]);
        item->setZValue(1 + i);
        addItem(item);
        m_items << item;
    }
    showPicture();
    setSceneRect(pageRect().adjusted(-kMarginMm, -kMarginMm, kMarginMm, kMarginMm));
    m_syncing = false;
    showSelection();
    update();
}

void DesignerScene::showPicture()
{
    const QByteArray& data = m_doc->design().picture;
    if (data.constData() == m_pictureData && data.size() == m_pictureSize && (m_picture || data.isEmpty())) {
        if (m_picture)
            m_picture->setTransform(
                QTransform::fromScale(pageRect().width() / m_picture->pixmap().width(),
                                      pageRect().height() / m_picture->pixmap().height()));
        return;
    }
    delete m_picture;
    m_picture = nullptr;
    m_pictureData = data.constData();
    m_pictureSize = data.size();
    QPixmap pixmap;
    if (data.isEmpty() || !pixmap.loadFromData(data) || pixmap.isNull())
        return;
    m_picture = addPixmap(pixmap);
    m_picture->setTransformationMode(Qt::SmoothTransformation);
    m_picture->setZValue(0);
    m_picture->setTransform(
        QTransform::fromScale(pageRect().width() / pixmap.width(), pageRect().height() / pixmap.height()));
}

void DesignerScene::showSelection()
{
    if (m_syncing)
        return;
    m_syncing = true;
    const QStringList names = m_doc->selection();
    for (DesignerItem* i : m_items)
        i->setSelected(names.contains(i->item().name));
    m_syncing = false;
}

void DesignerScene::takeSelection()
{
    if (m_syncing)
        return;
    m_syncing = true;
    m_doc->setSelection(DesignerEdits::names(m_doc->design(), selectedIndexes()));
    m_syncing = false;
}

QVector<QRectF> DesignerScene::otherBoxes() const
{
    QVector<QRectF> out{pageRect()};
    for (DesignerItem* i : m_items)
        if (!i->isSelected())
            out << i->box();
    return out;
}

void DesignerScene::mousePressEvent(QGraphicsSceneMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) {
        e->ignore();
        return;
    }
    m_pressPos = e->scenePos();
    m_moved = false;
    m_from.clear();
    const bool shift = e->modifiers() & Qt::ShiftModifier;

    // A grip of the one selected item first: it stands out of the box.
    const QVector<int> sel = selectedIndexes();
    if (sel.size() == 1 && !shift) {
        DesignerItem* only = m_items[sel.first()];
        m_edges = only->gripAt(m_pressPos, pixelMm());
        if (m_edges) {
            m_mode = Mode::Resize;
            m_from.insert(only->index(), only->box());
            e->accept();
            return;
        }
    }
    DesignerItem* hit = nullptr;
    for (QGraphicsItem* g : items(m_pressPos, Qt::IntersectsItemShape, Qt::DescendingOrder))
        if (auto* d = dynamic_cast<DesignerItem*>(g); d && d->box().contains(m_pressPos)) {
            hit = d;
            break;
        }
    if (!hit) {
        m_mode = Mode::Band;
        m_bandBase = shift ? selectedItems() : QList<QGraphicsItem*>();
        if (!shift)
            clearSelection();
        m_band = addRect(QRectF(m_pressPos, QSizeF(0, 0)), QPen(QColor(0, 70, 200), 0, Qt::DashLine),
                         QColor(0, 70, 200, 30));
        m_band->setZValue(1e6);
        e->accept();
        return;
    }
    if (shift) {
        hit->setSelected(!hit->isSelected());
    } else if (!hit->isSelected()) {
        clearSelection();
        hit->setSelected(true);
    }
    m_mode = hit->isSelected() ? Mode::Move : Mode::None;
    for (DesignerItem* i : m_items)
        if (i->isSelected())
            m_from.insert(i->index(), i->box());
    e->accept();
}

void DesignerScene::mouseMoveEvent(QGraphicsSceneMouseEvent* e)
{
    emit cursorMoved(e->scenePos());
    if (m_mode == Mode::None || !(e->buttons() & Qt::LeftButton))
        return;
    dragTo(e->scenePos(), !(e->modifiers() & Qt::AltModifier));
    e->accept();
}

void DesignerScene::dragTo(const QPointF& pos, bool snap)
{
    const QPointF delta = pos - m_pressPos;
    if (!m_moved && (delta.manhattanLength() < 2 * pixelMm()))
        return;
    m_moved = true;
    const double tolerance = snap ? kSnapPixels * pixelMm() : 0;
    const double grid = snap ? DesignerSnap::kGridMm : 0.1;
    const QRectF page = pageRect();
    if (m_mode == Mode::Band) {
        const QRectF band = QRectF(m_pressPos, pos).normalized();
        m_band->setRect(band);
        m_syncing = true;
        for (DesignerItem* i : m_items)
            i->setSelected(m_bandBase.contains(i) || band.intersects(i->box()));
        m_syncing = false;
        takeSelection();
        return;
    }
    if (m_mode == Mode::Resize) {
        const int index = m_from.begin().key();
        const QRectF from = m_from.begin().value();
        QRectF r = from;
        if (m_edges & Qt::LeftEdge)
            r.setLeft(from.left() + delta.x());
        if (m_edges & Qt::RightEdge)
            r.setRight(from.right() + delta.x());
        if (m_edges & Qt::TopEdge)
            r.setTop(from.top() + delta.y());
        if (m_edges & Qt::BottomEdge)
            r.setBottom(from.bottom() + delta.y());
        r = DesignerSnap::snapResize(r, m_edges, otherBoxes(), tolerance, grid);
        m_items[index]->setBox(r.intersected(page).isEmpty() ? from : r.intersected(page));
        return;
    }
    QRectF all;
    for (const QRectF& r : std::as_const(m_from))
        all = all.isNull() ? r : all.united(r);
    QPointF d = delta;
    const QRectF moved = all.translated(d);
    d += DesignerSnap::snapMove(moved, otherBoxes(), tolerance, grid);
    // The selection stays on the page.
    d.setX(qBound(-all.left(), d.x(), page.right() - all.right()));
    d.setY(qBound(-all.top(), d.y(), page.bottom() - all.bottom()));
    for (auto it = m_from.cbegin(); it != m_from.cend(); ++it)
        m_items[it.key()]->setBox(it.value().translated(d));
}

void DesignerScene::mouseReleaseEvent(QGraphicsSceneMouseEvent* e)
{
    if (m_mode == Mode::Band) {
        delete m_band;
        m_band = nullptr;
    } else if (m_mode != Mode::None && m_moved) {
        commitDrag();
    } else if (m_mode == Mode::Move && !(e->modifiers() & Qt::ShiftModifier)) {
        // A click without a drag on one of several selected: that one alone.
        DesignerItem* hit = nullptr;
        for (DesignerItem* i : m_items)
            if (i->box().contains(e->scenePos()))
                hit = i;
        if (hit && selectedIndexes().size() > 1) {
            clearSelection();
            hit->setSelected(true);
        }
    }
    m_mode = Mode::None;
    m_moved = false;
    e->accept();
}

void DesignerScene::commitDrag()
{
    TemplateDesign next = m_doc->design();
    for (auto it = m_from.cbegin(); it != m_from.cend(); ++it) {
        const QRectF r = m_items[it.key()]->box();
        DesignItem& item = next.items[it.key()];
        item.leftMm = DesignerSnap::toTenth(r.left());
        item.topMm = DesignerSnap::toTenth(r.top());
        item.widthMm = DesignerSnap::toTenth(r.width());
        item.heightMm = DesignerSnap::toTenth(r.height());
    }
    const QString text = m_mode == Mode::Resize ? QStringLiteral("调整大小") : QStringLiteral("移动");
    m_mode = Mode::None;
    m_doc->change(next, text, m_doc->selection());
}

void DesignerScene::nudge(double dx, double dy)
{
    const QVector<int> sel = selectedIndexes();
    if (sel.isEmpty())
        return;
    TemplateDesign next = m_doc->design();
    DesignerEdits::move(&next, sel, dx, dy);
    const QStringList names = m_doc->selection();
    m_doc->change(next, QStringLiteral("移动"), names,
                  QStringLiteral("nudge:") + names.join(QLatin1Char('|')));
}

void DesignerScene::keyPressEvent(QKeyEvent* e)
{
    const double step = (e->modifiers() & Qt::ShiftModifier) ? 1.0 : 0.1;
    switch (e->key()) {
    case Qt::Key_Left:
        nudge(-step, 0);
        break;
    case Qt::Key_Right:
        nudge(step, 0);
        break;
    case Qt::Key_Up:
        nudge(0, -step);
        break;
    case Qt::Key_Down:
        nudge(0, step);
        break;
    default:
        QGraphicsScene::keyPressEvent(e);
        return;
    }
    e->accept();
}

void DesignerScene::drawBackground(QPainter* painter, const QRectF& rect)
{
    painter->fillRect(rect, QColor(128, 128, 128));
    const QRectF page = pageRect();
    painter->fillRect(page.translated(0.8, 0.8), QColor(80, 80, 80));
    painter->fillRect(page, Qt::white);
    if (m_picture)
        return;
    // Without a picture, a faint 5 mm grid helps placing by eye.
    painter->setPen(QPen(QColor(225, 230, 240), 0));
    for (double x = 5; x < page.width(); x += 5)
        painter->drawLine(QPointF(x, 0), QPointF(x, page.height()));
    for (double y = 5; y < page.height(); y += 5)
        painter->drawLine(QPointF(0, y), QPointF(page.width(), y));
}
