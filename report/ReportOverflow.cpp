#include "report/ReportOverflow.h"

#include "report/BarcodeSymbol.h"
#include "report/QRDBText.h"
#include "report/QuickRep.h"

#include <algorithm>
#include <cmath>

namespace {
// Lengths that agree to a hundredth of a millimetre count as equal: a text
// that fills its room exactly is no overflow.
constexpr double kTolerance = 0.1;
// Boxes laid out on neighbouring lines often overlap by a millimetre or so
// without their letters touching; it takes this much shared height (tenths,
// half a line of 12 pt) for texts to run into each other.
constexpr double kSharedHeight = 20;
} // namespace

ReportOverflowCheck::ReportOverflowCheck() : m_device(1, 1, QImage::Format_RGB32)
{
    const int dpm = int(std::lround(1200 / 0.0254));
    m_device.setDotsPerMeterX(dpm);
    m_device.setDotsPerMeterY(dpm);
}

QVector<ReportOverflow> ReportOverflowCheck::check(const QVector<ReportPainter::Item>& items,
                                                   const QStringList& texts, double bandLeft, double bandTop,
                                                   const QSizeF& pageSize, const TQRCalibration& calibration,
                                                   int record) const
{
    QVector<ReportOverflow> out;
    auto* device = const_cast<QImage*>(&m_device);
    for (int i = 0; i < items.size(); ++i) {
        const ReportPainter::Item& item = items.at(i);
        if (item.kind == int(TQRItemKind::Code128) && item.enabled) {
            QString value = texts.value(i);
            value.remove(QLatin1Char('\r'));
            value.remove(QLatin1Char('\n'));
            const QString misfits = BarcodeSymbol::code128Misfits(value);
            if (!misfits.isEmpty()) {
                ReportOverflow o;
                o.record = record;
                o.item = i;
                o.kind = ReportOverflow::Kind::Unencodable;
                o.misfits = misfits;
                o.rect = QRectF(bandLeft + item.left, bandTop + item.top, item.width, item.height);
                out.append(o);
            }
            continue;
        }
        const ReportPainter::Extent e = ReportPainter::measure(item, texts.value(i), device);
        if (e.drawn == 0 && e.dropped == 0)
            continue;
        ReportOverflow base;
        base.record = record;
        base.item = i;
        // Centred and right-aligned lines stand within the box's width.
        double shift = 0;
        if (item.alignment == Qt::AlignHCenter)
            shift = std::max(0.0, (item.width - e.width) / 2);
        else if (item.alignment == Qt::AlignRight)
            shift = std::max(0.0, item.width - e.width);
        base.rect = QRectF(bandLeft + item.left + shift, bandTop + item.top, e.width,
                           std::max(e.drawn, 1) * e.lineHeight);
        if (e.dropped > 0) {
            ReportOverflow o = base;
            o.kind = ReportOverflow::Kind::Lines;
            o.lines = e.dropped;
            out.append(o);
        }
        // A turned item's lines run across its box: only lost lines count.
        if (e.drawn == 0 || item.rotation != 0)
            continue;
        const QRectF& r = base.rect;

        // The nearest box to the right on the same lines ends the room.
        int into = -1;
        double intoLeft = 0;
        for (int j = 0; j < items.size(); ++j) {
            const ReportPainter::Item& other = items.at(j);
            if (j == i || !other.enabled)
                continue;
            const double oLeft = bandLeft + other.left;
            const double oTop = bandTop + other.top;
            const bool rightOfStart = oLeft > r.left() + kTolerance;
            const bool sameLines = std::min(r.bottom(), oTop + other.height) - std::max(r.top(), oTop) >=
                                   std::min({kSharedHeight, r.height(), other.height}) - kTolerance;
            if (rightOfStart && sameLines && r.right() > oLeft + kTolerance &&
                (into < 0 || oLeft < intoLeft)) {
                into = j;
                intoLeft = oLeft;
            }
        }
        if (into >= 0) {
            ReportOverflow o = base;
            o.kind = ReportOverflow::Kind::IntoItem;
            o.into = into;
            o.over = r.right() - intoLeft;
            out.append(o);
        }

        // The page edge, where the calibrated page puts the text.
        const double left = r.left() * calibration.ScaleX + calibration.Dx;
        const double right = r.right() * calibration.ScaleX + calibration.Dx;
        const double top = r.top() * calibration.ScaleY + calibration.Dy;
        const double bottom = r.bottom() * calibration.ScaleY + calibration.Dy;
        const double over = std::max({right - pageSize.width(), bottom - pageSize.height(), -left, -top});
        if (over > kTolerance) {
            ReportOverflow o = base;
            o.kind = ReportOverflow::Kind::PageEdge;
            o.over = over;
            out.append(o);
        }
    }
    return out;
}

QString ReportOverflowCheck::describe(const ReportOverflow& o, const QString& intoColumn)
{
    const QString mm = QString::number(o.over / 10.0, 'f', 1);
    switch (o.kind) {
    case ReportOverflow::Kind::Lines:
        return QStringLiteral("超出 %1 行").arg(o.lines);
    case ReportOverflow::Kind::IntoItem:
        return QStringLiteral("超出右边 %1 毫米，压到“%2”").arg(mm, intoColumn);
    case ReportOverflow::Kind::PageEdge:
        return QStringLiteral("超出纸边 %1 毫米").arg(mm);
    case ReportOverflow::Kind::Unencodable:
        return QStringLiteral(
                   "条码含有无法编码的字符“%1”（Code 128 只能用英文字母、数字和符号），条码没有印出")
            .arg(o.misfits);
    }
    return {};
}
