#include "report/ReportLayout.h"

#include "data/DataSet.h"
#include "report/QRBand.h"
#include "report/QRDBText.h"
#include "report/QuickRep.h"

#include <QPaintDevice>
#include <QPainter>
#include <QPen>

#include <cmath>

ReportLayout::ReportLayout(TQuickRep* report) : m_report(report) {}

ReportLayout::~ReportLayout() = default;

void ReportLayout::start()
{
    m_pages.clear();
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
    m_useDataSet = false;
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

    DataSet* ds = m_report->DataSet;
    if (ds && ds->isOpen()) {
        m_savedRow = ds->currentRow();
        if (!ds->isEmpty()) {
            m_useDataSet = true;
            m_records = ds->recordCount();
        } else if (!m_report->PrintIfEmpty) {
            m_records = 0;
        }
    } else {
        m_savedRow = -1;
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
    if (m_useDataSet) {
        DataSet* ds = m_report->DataSet;
        // Go by our own count rather than the cursor, so that anything
        // moving the cursor between records cannot skip or repeat one.
        if (!ds || !ds->isOpen() || m_done >= ds->recordCount() || !ds->moveTo(m_done)) {
            finish();
            return false;
        }
    }
    printBand();
    ++m_done;
    if (m_done >= m_records)
        finish();
    return !m_finished;
}

void ReportLayout::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    // The dataset stands where it stood before the run.
    DataSet* ds = m_report->DataSet;
    if (m_useDataSet && ds && ds->isOpen() && m_savedRow >= 0 && m_savedRow < ds->recordCount())
        ds->moveTo(m_savedRow);
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

QSizeF ReportLayout::pageSizeMm() const
{
    return QSizeF(m_pageWidth / 10.0, m_pageLength / 10.0);
}

void ReportLayout::printBand()
{
    const TQRPage& page = m_report->Page;
    const double available = m_pageLength - page.TopMargin - page.BottomMargin;
    const double height = std::round(m_bandHeight);
    // A band that does not fit the space left starts a new page. A band
    // taller than the whole page gets a page of its own too (cut off at the
    // bottom) rather than printing over the one before.
    if (m_pages.isEmpty() || (m_used > 0 && m_used + height > available + 1e-6)) {
        m_pages.append(PageContent());
        m_used = 0;
    }
    BandPrint print;
    print.top = page.TopMargin + m_used;
    if (const TQRBand* band = m_report->band()) {
        print.texts.reserve(band->items().size());
        for (TQRDBText* item : band->items())
            print.texts.append(item->printText());
    }
    // Pad in case the band lost items since the run started.
    while (print.texts.size() < m_items.size())
        print.texts.append(QString());
    const QVector<ReportOverflow> cut =
        m_overflowCheck.check(m_items, print.texts, page.LeftMargin, print.top,
                              QSizeF(m_pageWidth, m_pageLength), m_calibration, m_done + 1);
    for (ReportOverflow o : cut) {
        o.page = m_pages.size() - 1;
        m_overflows.append(o);
    }
    m_pages.last().bands.append(print);
    m_used += height;
}

QStringList ReportLayout::pageTexts(int index) const
{
    QStringList out;
    if (index < 0 || index >= m_pages.size())
        return out;
    for (const BandPrint& b : m_pages.at(index).bands)
        out += b.texts;
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
    if (index < 0 || index >= m_pages.size())
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
    painter->fillRect(pageRect, Qt::white);
    if (!extras.background.isNull())
        painter->drawImage(pageRect, extras.background);
    painter->setClipRect(pageRect);
    // The printer's calibration moves and scales everything drawn on the page.
    painter->translate(m_calibration.Dx * u, m_calibration.Dy * u);
    painter->scale(m_calibration.ScaleX, m_calibration.ScaleY);

    const double left = m_report->Page.LeftMargin;
    for (const BandPrint& b : m_pages.at(index).bands) {
        if (!m_bandTransparent && extras.background.isNull())
            painter->fillRect(QRectF(left * u, b.top * u, m_bandWidth * u, m_bandHeight * u), m_bandColor);
        // Transparent items first; opaque ones fill their box and cover them.
        for (int pass = 0; pass < 2; ++pass) {
            for (int i = 0; i < m_items.size(); ++i) {
                const ReportPainter::Item& item = m_items.at(i);
                if (item.transparent != (pass == 0))
                    continue;
                ReportPainter::paintItem(painter, item, b.texts.value(i), left * u, b.top * u, u, device);
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
            painter->drawRect(QRectF(r.left() * u, r.top() * u, r.width() * u, r.height() * u)
                                  .adjusted(-3 * u, -3 * u, 3 * u, 3 * u));
        }
    }
    painter->restore();
}
