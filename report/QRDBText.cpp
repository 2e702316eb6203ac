#include "report/QRDBText.h"

#include "report/FontSetup.h"
#include "report/QRBand.h"
#include "report/QuickRep.h"

#include <cmath>

TQRDBText::TQRDBText(TQRBand* band, const QString& name) : QObject(band), m_band(band)
{
    setObjectName(name);
    Font = QFont(QString::fromUtf8(FontSetup::kSongFamily));
    Font.setPointSize(12);
    if (m_band)
        m_band->addItem(this);
}

TQRDBText::~TQRDBText()
{
    if (m_band)
        m_band->removeItem(this);
}

TQuickRep* TQRDBText::report() const
{
    return m_band ? m_band->report() : nullptr;
}

namespace {
int zoomOf(const TQRDBText* item)
{
    const TQuickRep* r = item->report();
    return r && r->Zoom > 0 ? r->Zoom : 100;
}
} // namespace

int TQRDBText::leftPixels(double ppi) const
{
    return int(std::lround(Size.Left * ppi / 254.0 * zoomOf(this) / 100.0));
}

int TQRDBText::topPixels(double ppi) const
{
    return int(std::lround(Size.Top * ppi / 254.0 * zoomOf(this) / 100.0));
}

void TQRDBText::setLeftPixels(int pixels, double ppi)
{
    Size.Left = pixels * 254.0 / ppi * 100.0 / zoomOf(this);
}

void TQRDBText::setTopPixels(int pixels, double ppi)
{
    Size.Top = pixels * 254.0 / ppi * 100.0 / zoomOf(this);
}

QString TQRDBText::printText(QString value)
{
    if (!Enabled)
        return {};
    // An empty value never reaches the hook; the hook's result is used for
    // this print only, the item itself keeps nothing.
    if (!value.isEmpty() && OnPrint)
        OnPrint(this, value);
    return value;
}
