#pragma once

#include "templates/TemplateDesign.h"

#include <QGraphicsItem>

// One item of the template on the designer's page: its box (scene units are
// millimetres), what it prints (a field's column, a text, bars standing for
// a barcode, a QR code's squares) turned as it prints, and the eight grips
// of its box when it is selected.
class DesignerItem : public QGraphicsItem
{
public:
    DesignerItem(int index, const DesignItem& item);

    int index() const { return m_index; }
    const DesignItem& item() const { return m_item; }
    // The box as the item now stands (while dragged, before it is stored).
    QRectF box() const;
    void setBox(const QRectF& box);

    // Which edges a grip at scenePos drags (none when it is no grip); px is
    // the length of a screen pixel in millimetres.
    Qt::Edges gripAt(const QPointF& scenePos, double px) const;

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

private:
    void paintContent(QPainter* painter, const QRectF& r) const;
    QVector<QRectF> grips(double px) const;
    QRectF textRect(const QRectF& content) const;
    bool isText() const;

    int m_index;
    DesignItem m_item;
    QSizeF m_size;
    double m_overflow = 0; // how far text may run out of the box, mm
};
