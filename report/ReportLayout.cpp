#include "report/ReportLayout.h"

#include "report/DotCanvas.h"
#include "report/PageBreaks.h"
#include "report/QRBand.h"
#include "report/QRDBText.h"
#include "report/QuickRep.h"
#include "report/ReportRecords.h"

#include <QPaintDevice>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>

ReportLayout::ReportLayout(TQuickRep* report) : m_report(report) {}

ReportLayout::~ReportLayout() = default;

void ReportLayout::start()
{
    m_pageFirst.clear();
    m_made[0].clear();
    m_made[1].clear();
    m_readPage = -1;
    m_read.clear();
    m_textCache.clear();
    m_items.clear();
    m_itemNames.clear();
    m_itemFields.clear();
    m_overflows.clear();
    m_used = 0;
    m_started = true;
    m_finished = false;
    m_cancelled = false;
    m_done = 0;
    m_records = 1;
    m_fromRecords = false;
    m_hasBand = false;

    const TQRPage& page = m_report->Page;
    m_pageWidth = std::round(page.Width);
    m_pageLength = std::round(page.Length);
    m_calibration = m_report->Calibration;

    if (const TQRBand* band = m_report->band()) {
        m_hasBand = true;
        m_bandHeight = band->Size.Height;
        m_bandWidth = band->Size.Width;
        m_bandColor = band->Color;
        m_bandTransparent = band->Transparent;
        for (const TQRDBText* item : band->items()) {
            m_items.append(ReportPainter::itemOf(*item));
            m_itemNames.append(item->objectName());
            m_itemFields.append(item->DataField);
        }
    }

    if (const ReportRecords* records = m_report->Records) {
        m_records = records->recordCount();
        m_fromRecords = m_records > 0;
        if (m_records <= 0)
            m_records = m_report->PrintIfEmpty ? 1 : 0;
    }
    if (!m_hasBand)
        m_records = 0;
}

bool ReportLayout::step()
{
    if (!m_started)
        start();
    if (m_finished)
        return false;
    if (m_cancelled || m_done >= m_records) {
        finish();
        return false;
    }
    // Records taken away while the run goes (the list reread meanwhile)
    // end it rather than print empty bands.
    if (m_fromRecords && (!m_report->Records || m_done >= m_report->Records->recordCount())) {
        finish();
        return false;
    }
    printBand();
    ++m_done;
    if (m_done >= m_records)
        finish();
    return !m_finished;
}

void ReportLayout::finish()
{
    m_finished = true;
}

bool ReportLayout::generateAll(const std::function<bool(int)>& progress)
{
    if (!m_started)
        start();
    while (!m_finished) {
        step();
        if (progress && !progress(this->progress())) {
            cancel();
            return false;
        }
    }
    return !m_cancelled;
}

void ReportLayout::cancel()
{
    m_cancelled = true;
    if (m_started)
        finish();
}

int ReportLayout::progress() const
{
    if (m_records <= 0)
        return m_finished ? 100 : 0;
    return int(qint64(m_done) * 100 / m_records);
}

int ReportLayout::expectedPageCount() const
{
    if (m_finished || !m_started)
        return m_pageFirst.size();
    return m_pageFirst.size() + PageBreaks::pagesAdded(m_records - m_done, !m_pageFirst.isEmpty(), m_used,
                                                       std::round(m_bandHeight), pageRoom());
}

double ReportLayout::pageRoom() const
{
    return m_pageLength - m_report->Page.TopMargin - m_report->Page.BottomMargin;
}

QSizeF ReportLayout::pageSizeMm() const
{
    return QSizeF(m_pageWidth / 10.0, m_pageLength / 10.0);
}

void ReportLayout::printBand()
{
    const TQRPage& page = m_report->Page;
    const double height = std::round(m_bandHeight);
    if (PageBreaks::startsPage(!m_pageFirst.isEmpty(), m_used, height, pageRoom())) {
        m_pageFirst.append(m_done);
        m_made[(m_pageFirst.size() - 1) % 2].clear();
        m_used = 0;
    }
    const QStringList texts = recordTexts(m_done);
    // Only what was cut is kept, so a run still costs the same per page.
    const QVector<ReportOverflow> cut =
        m_overflowCheck.check(m_items, texts, page.LeftMargin, page.TopMargin + m_used,
                              QSizeF(m_pageWidth, m_pageLength), m_calibration, m_done + 1);
    for (ReportOverflow o : cut) {
        o.page = m_pageFirst.size() - 1;
        m_overflows.append(o);
    }
    m_made[(m_pageFirst.size() - 1) % 2].append(texts);
    m_used += height;
}

int ReportLayout::pageEnd(int index) const
{
    return index + 1 < m_pageFirst.size() ? m_pageFirst.at(index + 1) : m_done;
}

QStringList ReportLayout::recordTexts(int record) const
{
    const ReportRecords* records = m_report->Records;
    const QStringList values = records ? records->texts(m_fromRecords ? record : 0) : QStringList();
    QStringList texts;
    if (const TQRBand* band = m_report->band()) {
        texts.reserve(band->items().size());
        const QList<TQRDBText*> items = band->items();
        for (int i = 0; i < items.size(); ++i)
            texts.append(items.at(i)->printText(values.value(i)));
    }
    // Pad in case the band lost items since the run started.
    while (texts.size() < m_items.size())
        texts.append(QString());
    return texts;
}

const QVector<QStringList>& ReportLayout::bandTexts(int index) const
{
    if (index >= m_pageFirst.size() - 2)
        return m_made[index % 2];
    if (m_readPage != index) {
        m_read.clear();
        for (int record = m_pageFirst.at(index); record < pageEnd(index); ++record)
            m_read.append(recordTexts(record));
        m_readPage = index;
    }
    return m_read;
}

void ReportLayout::rereadTexts()
{
    m_readPage = -1;
    for (int index = std::max(0, int(m_pageFirst.size()) - 2); index < m_pageFirst.size(); ++index) {
        QVector<QStringList>& made = m_made[index % 2];
        made.clear();
        for (int record = m_pageFirst.at(index); record < pageEnd(index); ++record)
            made.append(recordTexts(record));
    }
}

QStringList ReportLayout::pageTexts(int index) const
{
    QStringList out;
    if (index < 0 || index >= m_pageFirst.size())
        return out;
    for (const QStringList& texts : bandTexts(index))
        out += texts;
    return out;
}

int ReportLayout::overflowCount(int page) const
{
    int n = 0;
    for (const ReportOverflow& o : m_overflows)
        n += o.page == page ? 1 : 0;
    return n;
}

QString ReportLayout::describe(const ReportOverflow& overflow) const
{
    return ReportOverflowCheck::describe(overflow, itemField(overflow.into));
}

void ReportLayout::paintPage(QPainter* painter, int index) const
{
    paintPage(painter, index, ScreenExtras());
}

void ReportLayout::paintPage(QPainter* painter, int index, const ScreenExtras& extras) const
{
    if (index < 0 || index >= m_pageFirst.size())
        return;
    QPaintDevice* device = painter->device();
    const double devX = device->logicalDpiX() / 254.0;
    const double devY = device->logicalDpiY() / 254.0;

    painter->save();
    // Work in units of devX per tenth on both axes; a device with unequal
    // resolutions is stretched back by the painter.
    painter->scale(1.0, devY / devX);
    const double u = devX;
    const QRectF pageRect(0, 0, m_pageWidth * u, m_pageLength * u);
    // A dot canvas knows what it has painted: one still white is left so.
    DotCanvas* dots = dynamic_cast<DotCanvas*>(device);
    if (!dots || !dots->isWhite())
        painter->fillRect(pageRect, Qt::white);
    if (!extras.background.isNull()) {
        if (dots)
            dots->markPainted(painter, pageRect);
        painter->drawImage(pageRect, extras.background);
    }
    painter->setClipRect(pageRect);
    // The printer's calibration moves and scales everything drawn on the page.
    painter->translate(m_calibration.Dx * u, m_calibration.Dy * u);
    painter->scale(m_calibration.ScaleX, m_calibration.ScaleY);

    const double left = m_report->Page.LeftMargin;
    const double height = std::round(m_bandHeight);
    const QVector<QStringList>& bands = bandTexts(index);
    for (int j = 0; j < bands.size(); ++j) {
        // Every band of a page is as high as the first: they stack from the top margin.
        const double top = m_report->Page.TopMargin + j * height;
        const QStringList& texts = bands.at(j);
        if (!m_bandTransparent && extras.background.isNull()) {
            const QRectF band(left * u, top * u, m_bandWidth * u, m_bandHeight * u);
            if (!dots || dots->markFill(painter, band, m_bandColor))
                painter->fillRect(band, m_bandColor);
        }
        // Transparent items first; opaque ones fill their box and cover them.
        for (int pass = 0; pass < 2; ++pass) {
            for (int i = 0; i < m_items.size(); ++i) {
                const ReportPainter::Item& item = m_items.at(i);
                if (item.transparent != (pass == 0))
                    continue;
                ReportPainter::paintItem(painter, item, texts.value(i), left * u, top * u, u, device,
                                         &m_textCache);
            }
        }
    }
    if (extras.outlineOverflows) {
        QPen pen(Qt::red, 2); // two screen pixels at any zoom
        pen.setCosmetic(true);
        painter->setPen(pen);
        painter->setBrush(Qt::NoBrush);
        for (const ReportOverflow& o : m_overflows) {
            if (o.page != index)
                continue;
            const QRectF r = o.rect;
            const QRectF outline = QRectF(r.left() * u, r.top() * u, r.width() * u, r.height() * u)
                                       .adjusted(-3 * u, -3 * u, 3 * u, 3 * u);
            if (dots)
                dots->markPainted(painter, outline.adjusted(-u, -u, u, u));
            painter->drawRect(outline);
        }
    }
    painter->restore();
}
