#pragma once

#include <QGraphicsView>

class DesignerScene;

// The designer's view of the page: zoom in steps (Ctrl and the wheel too),
// to the window's size, or a percent of true size; tells the rulers when
// what it shows moves.
class DesignerView : public QGraphicsView
{
    Q_OBJECT
public:
    explicit DesignerView(DesignerScene* scene, QWidget* parent = nullptr);

    // 100 %: the page at its true size on a 96 dpi screen.
    double zoomPercent() const { return m_percent; }
    void setZoomPercent(double percent);
    void zoomBy(int steps);
    void zoomToFit();
    // Screen pixels per millimetre now.
    double pixelsPerMm() const;

signals:
    void viewChanged();

protected:
    void wheelEvent(QWheelEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    double m_percent = 100;
};
