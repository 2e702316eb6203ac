#pragma once

#include <QGraphicsScene>
#include <QHash>
#include <QPixmap>
#include <QPointer>

class DesignerDocument;
class DesignerItem;
class QGraphicsPixmapItem;
class QGraphicsRectItem;

// The designer's page: the template's items over the user's picture of the
// form (shown, never printed), in millimetres. The mouse selects (a click,
// Shift to add or take away, a rubber band over empty paper), drags the
// selection and the grips of a single item with snapping (Alt: none), and
// the arrow keys move the selection by 0.1 mm (Shift: 1 mm). Each drag is
// one step on the document's undo stack, given when the button comes up.
class DesignerScene : public QGraphicsScene
{
    Q_OBJECT
public:
    explicit DesignerScene(DesignerDocument* doc, QObject* parent = nullptr);
    ~DesignerScene() override;

    DesignerDocument* document() const { return m_doc; }
    QRectF pageRect() const;
    QList<DesignerItem*> designerItems() const;
    DesignerItem* itemAtIndex(int index) const;
    QVector<int> selectedIndexes() const;
    // The length of a screen pixel in millimetres, in the first view.
    double pixelMm() const;
    // How near (screen pixels) an edge pulls a dragged box onto it.
    static constexpr double kSnapPixels = 6.0;
    bool pictureShown() const { return m_picture != nullptr; }

    // Moves the selection by millimetres as one step (the arrow keys).
    void nudge(double dx, double dy);

signals:
    void cursorMoved(const QPointF& mm);

protected:
    void mousePressEvent(QGraphicsSceneMouseEvent* e) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent* e) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void drawBackground(QPainter* painter, const QRectF& rect) override;

private:
    enum class Mode
    {
        None,
        Move,
        Resize,
        Band
    };

    void rebuild();
    void showPicture();
    void showSelection();
    void takeSelection();
    QVector<QRectF> otherBoxes() const;
    void dragTo(const QPointF& pos, bool snap);
    void commitDrag();

    DesignerDocument* m_doc;
    QList<DesignerItem*> m_items;
    QGraphicsPixmapItem* m_picture = nullptr;
    const char* m_pictureData = nullptr;
    qsizetype m_pictureSize = -1;
    QGraphicsRectItem* m_band = nullptr;
    bool m_syncing = false;

    Mode m_mode = Mode::None;
    QPointF m_pressPos;
    QHash<int, QRectF> m_from; // index -> box when the drag began
    Qt::Edges m_edges;
    QList<QGraphicsItem*> m_bandBase;
    bool m_moved = false;
};
