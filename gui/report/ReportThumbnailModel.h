#pragma once

#include <QAbstractListModel>
#include <QCache>
#include <QImage>

class ReportLayout;

// One numbered thumbnail per page of a report run. Thumbnails are painted
// only when a view asks for them and kept in a cache of bounded size, so
// paging through a large batch does not add up memory.
class ReportThumbnailModel : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit ReportThumbnailModel(ReportLayout* layout, QObject* parent = nullptr);

    // Picks up the pages the run has made since the last call.
    void refresh();
    // Forgets the thumbnail of a page (its contents changed).
    void invalidatePage(int page);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    QSize thumbnailSize() const;
    int cachedCount() const { return m_cache.count(); }
    static constexpr int kCacheLimit = 120;

private:
    QImage render(int page) const;

    ReportLayout* m_layout;
    int m_rows = 0;
    mutable QCache<int, QImage> m_cache;
};
