#include "gui/report/ReportThumbnailModel.h"

#include "report/ReportLayout.h"

#include <QPainter>

#include <cmath>

namespace {
constexpr int kThumbWidth = 120;
}

ReportThumbnailModel::ReportThumbnailModel(ReportLayout* layout, QObject* parent)
    : QAbstractListModel(parent), m_layout(layout), m_cache(kCacheLimit)
{
}

void ReportThumbnailModel::refresh()
{
    const int n = m_layout->pageCount();
    if (n > m_rows) {
        // The last page known before may have been unfinished.
        if (m_rows > 0)
            invalidatePage(m_rows - 1);
        beginInsertRows({}, m_rows, n - 1);
        m_rows = n;
        endInsertRows();
    } else if (n < m_rows) {
        beginResetModel();
        m_rows = n;
        m_cache.clear();
        endResetModel();
    }
}

void ReportThumbnailModel::invalidatePage(int page)
{
    m_cache.remove(page);
    const QModelIndex i = index(page);
    emit dataChanged(i, i, {Qt::DecorationRole});
}

int ReportThumbnailModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

QSize ReportThumbnailModel::thumbnailSize() const
{
    const double w = m_layout->pageWidthTenths() > 0 ? m_layout->pageWidthTenths() : 2300;
    const double l = m_layout->pageLengthTenths() > 0 ? m_layout->pageLengthTenths() : 1270;
    return QSize(kThumbWidth, int(std::lround(kThumbWidth * l / w)));
}

QImage ReportThumbnailModel::render(int page) const
{
    // Painted at twice the size and scaled down, so small text still reads as grey lines.
    const QSize size = thumbnailSize() * 2;
    QImage img(size, QImage::Format_RGB32);
    const int dpm = int(std::lround(size.width() / m_layout->pageWidthTenths() * 254.0 / 0.0254));
    img.setDotsPerMeterX(dpm);
    img.setDotsPerMeterY(dpm);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        m_layout->paintPage(&p, page);
        p.setPen(Qt::gray);
        p.drawRect(img.rect().adjusted(0, 0, -1, -1));
    }
    return img.scaled(thumbnailSize(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QVariant ReportThumbnailModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows)
        return {};
    const int page = index.row();
    switch (role) {
    case Qt::DisplayRole:
        return QString::number(page + 1);
    case Qt::DecorationRole: {
        if (QImage* cached = m_cache.object(page))
            return *cached;
        QImage img = render(page);
        m_cache.insert(page, new QImage(img));
        return img;
    }
    case Qt::SizeHintRole:
        return thumbnailSize() + QSize(16, 24);
    case Qt::TextAlignmentRole:
        return int(Qt::AlignHCenter | Qt::AlignBottom);
    default:
        return {};
    }
}
