#pragma once

#include "report/ReportLayout.h"
#include <QAbstractScrollArea>

#include <QImage>

// Shows one page of a report run at a scale, centred on a grey desk. Only
// the page on show is kept as a picture; it is painted again when the page
// or the scale changes.
class ReportPageView : public QAbstractScrollArea
{
    Q_OBJECT
public:
    explicit ReportPageView(QWidget* parent = nullptr);

    void setReportLayout(ReportLayout* layout);
    void setPage(int page);
    // What the screen shows beyond the paper (picture of the form, red outlines).
    void setScreenExtras(const ReportLayout::ScreenExtras& extras);
    int page() const { return m_page; }

    // Screen pixels per tenth of a millimetre.
    void setScale(double pixelsPerTenth);
    double scale() const { return m_scale; }
    // The scale at which the whole page, or its width, fits the viewport.
    double fitScale() const;
    double widthScale() const;
    // The scale for a zoom in percent of true size on this screen.
    double percentScale(double percent) const;

    // Forget the picture (the page's contents are final only once the run
    // has moved past it).
    void invalidate();

signals:
    void viewportResized();
    // Ctrl + wheel: notches up (positive) or down; the wheel alone scrolls.
    void zoomWheel(int notches);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    QSize pagePixels() const;
    void updateScrollBars();
    const QImage& pageImage();

    ReportLayout* m_layout = nullptr;
    int m_page = 0;
    double m_scale = 96.0 / 254.0;
    ReportLayout::ScreenExtras m_extras;
    QImage m_image;
    int m_imagePage = -1;
    double m_imageScale = 0;
    int m_wheelRest = 0; // eighths of a degree short of a notch (fine wheels, touchpads)
};
