#include "gui/report/ReportPageView.h"

#include "report/ReportLayout.h"

#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {
constexpr int kDeskMargin = 10;
}

ReportPageView::ReportPageView(QWidget* parent) : QAbstractScrollArea(parent)
{
    viewport()->setBackgroundRole(QPalette::Dark);
    viewport()->setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);
}

void ReportPageView::setReportLayout(ReportLayout* layout)
{
    m_layout = layout;
    invalidate();
}

void ReportPageView::setPage(int page)
{
    if (page == m_page)
        return;
    m_page = page;
    invalidate();
    verticalScrollBar()->setValue(0);
}

void ReportPageView::setScale(double pixelsPerTenth)
{
    if (pixelsPerTenth <= 0 || qFuzzyCompare(pixelsPerTenth, m_scale))
        return;
    m_scale = pixelsPerTenth;
    invalidate();
}

double ReportPageView::percentScale(double percent) const
{
    return logicalDpiX() / 254.0 * percent / 100.0;
}

double ReportPageView::fitScale() const
{
    if (!m_layout || m_layout->pageWidthTenths() <= 0 || m_layout->pageLengthTenths() <= 0)
        return percentScale(100);
    const QSize vp = maximumViewportSize() - QSize(2 * kDeskMargin, 2 * kDeskMargin);
    return std::max(
        0.01, std::min(vp.width() / m_layout->pageWidthTenths(), vp.height() / m_layout->pageLengthTenths()));
}

double ReportPageView::widthScale() const
{
    if (!m_layout || m_layout->pageWidthTenths() <= 0)
        return percentScale(100);
    int w = maximumViewportSize().width() - 2 * kDeskMargin;
    // The vertical scroll bar will most likely show.
    w -= verticalScrollBar()->sizeHint().width();
    return std::max(0.01, w / m_layout->pageWidthTenths());
}

void ReportPageView::invalidate()
{
    m_image = QImage();
    m_imagePage = -1;
    updateScrollBars();
    viewport()->update();
}

QSize ReportPageView::pagePixels() const
{
    if (!m_layout)
        return {};
    return QSize(int(std::ceil(m_layout->pageWidthTenths() * m_scale)),
                 int(std::ceil(m_layout->pageLengthTenths() * m_scale)));
}

void ReportPageView::updateScrollBars()
{
    const QSize page = pagePixels() + QSize(2 * kDeskMargin, 2 * kDeskMargin);
    // A page that fits the room without scroll bars gets none, even where
    // bars shown for a larger zoom have narrowed the viewport so far.
    const QSize room = maximumViewportSize();
    const bool whole = page.width() <= room.width() && page.height() <= room.height();
    const QSize vp = whole ? room : viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, page.width() - vp.width()));
    verticalScrollBar()->setRange(0, std::max(0, page.height() - vp.height()));
    horizontalScrollBar()->setPageStep(vp.width());
    verticalScrollBar()->setPageStep(vp.height());
}

const QImage& ReportPageView::pageImage()
{
    if (m_imagePage == m_page && m_imageScale == m_scale && !m_image.isNull())
        return m_image;
    const QSize size = pagePixels();
    m_image = QImage(size, QImage::Format_RGB32);
    // The picture is the output device: its resolution is the zoomed
    // screen's, and the text is measured on it.
    const int dpm = int(std::lround(m_scale * 254.0 / 0.0254));
    m_image.setDotsPerMeterX(dpm);
    m_image.setDotsPerMeterY(dpm);
    m_image.fill(Qt::white);
    if (m_layout && m_page < m_layout->pageCount()) {
        QPainter p(&m_image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        m_layout->paintPage(&p, m_page, m_extras);
    }
    m_imagePage = m_page;
    m_imageScale = m_scale;
    return m_image;
}

void ReportPageView::paintEvent(QPaintEvent*)
{
    QPainter p(viewport());
    if (!m_layout || m_layout->pageCount() == 0)
        return;
    const QImage& img = pageImage();
    const QSize vp = viewport()->size();
    int x = kDeskMargin - horizontalScrollBar()->value();
    int y = kDeskMargin - verticalScrollBar()->value();
    if (img.width() + 2 * kDeskMargin < vp.width())
        x = (vp.width() - img.width()) / 2;
    if (img.height() + 2 * kDeskMargin < vp.height())
        y = (vp.height() - img.height()) / 2;
    p.fillRect(QRect(x + 3, y + 3, img.width(), img.height()), QColor(60, 60, 60));
    p.drawImage(x, y, img);
    p.setPen(Qt::black);
    p.drawRect(QRect(x, y, img.width(), img.height()).adjusted(0, 0, -1, -1));
}

void ReportPageView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
    emit viewportResized();
}

void ReportPageView::wheelEvent(QWheelEvent* event)
{
    if (!(event->modifiers() & Qt::ControlModifier)) {
        m_wheelRest = 0;
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    event->accept();
    m_wheelRest += event->angleDelta().y();
    const int notches = m_wheelRest / QWheelEvent::DefaultDeltasPerStep;
    m_wheelRest %= QWheelEvent::DefaultDeltasPerStep;
    if (notches != 0)
        emit zoomWheel(notches);
}

void ReportPageView::setScreenExtras(const ReportLayout::ScreenExtras& extras)
{
    m_extras = extras;
    invalidate();
}
