#pragma once

#include <QWidget>

class DesignerView;

// A ruler in millimetres along the top or the left of the designer's view,
// following its zoom and scrolling, with the cursor's place marked.
class DesignerRuler : public QWidget
{
    Q_OBJECT
public:
    DesignerRuler(Qt::Orientation orientation, DesignerView* view, QWidget* parent = nullptr);

    static constexpr int kThickness = 22;
    QSize sizeHint() const override;

public slots:
    void setCursorMm(const QPointF& mm);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    Qt::Orientation m_orientation;
    DesignerView* m_view;
    double m_cursor = -1e9;
};
