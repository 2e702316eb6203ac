#include "report/QuickRep.h"

#include "report/QRBand.h"
#include "report/QRDBText.h"
#include "report/ReportPainter.h"

#include <QPainter>

#include <algorithm>

namespace {
TQuickRep::PreviewHandler& previewHandler()
{
    static TQuickRep::PreviewHandler handler;
    return handler;
}
} // namespace

TQuickRep::TQuickRep(QObject* parent) : QObject(parent) {}

TQuickRep::~TQuickRep()
{
    // Bands are our QObject children; let them go while we still exist.
    const QList<TQRBand*> bands = m_bands;
    for (TQRBand* b : bands)
        delete b;
}

TQRBand* TQuickRep::band() const
{
    return m_bands.isEmpty() ? nullptr : m_bands.first();
}

void TQuickRep::addBand(TQRBand* band)
{
    m_bands.append(band);
}

void TQuickRep::removeBand(TQRBand* band)
{
    m_bands.removeAll(band);
}

QSizeF TQuickRep::pageSizeMm() const
{
    return QSizeF(qRound(Page.Width) / 10.0, qRound(Page.Length) / 10.0);
}

double TQuickRep::pixelsToTenths(double pixels, double ppi) const
{
    const int zoom = Zoom > 0 ? Zoom : 100;
    return pixels * 254.0 / ppi * 100.0 / zoom;
}

double TQuickRep::tenthsToPixels(double tenths, double ppi) const
{
    const int zoom = Zoom > 0 ? Zoom : 100;
    return tenths * ppi / 254.0 * zoom / 100.0;
}

void TQuickRep::paintDesign(QPainter* painter, double ppi) const
{
    const TQRBand* b = band();
    if (!b)
        return;
    const double unitsPerTenth = tenthsToPixels(1.0, ppi);
    // Transparent items first, so that opaque ones cover them as on paper.
    for (int pass = 0; pass < 2; ++pass) {
        for (const TQRDBText* item : b->items()) {
            if (item->Transparent != (pass == 0))
                continue;
            // A column's name is no Code 128 text (the bars would be left
            // out): a number of the usual form shows what will print there.
            QString text = item->DataField;
            if (item->Kind == TQRItemKind::Code128 &&
                std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() >= 0x80; }))
                text = QStringLiteral("1234567890123");
            ReportPainter::paintItem(painter, ReportPainter::itemOf(*item), text, 0, 0, unitsPerTenth);
        }
    }
}

bool TQuickRep::Preview(QWidget* parent)
{
    if (!previewHandler())
        return false;
    previewHandler()(this, parent);
    return true;
}

void TQuickRep::setPreviewHandler(PreviewHandler handler)
{
    previewHandler() = std::move(handler);
}
