#include "report/ReportPainter.h"

#include "report/QRDBText.h"

#include "report/DotCanvas.h"
#include "report/FontSetup.h"
#include "report/TextShapeCache.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

ReportPainter::Item ReportPainter::itemOf(const TQRDBText& text)
{
    Item shape;
    shape.left = text.Size.Left;
    shape.top = text.Size.Top;
    shape.width = text.Size.Width;
    shape.height = text.Size.Height;
    shape.font = text.Font;
    shape.transparent = text.Transparent;
    shape.color = text.Color;
    shape.fontColor = text.FontColor;
    shape.enabled = text.Enabled;
    shape.kind = int(text.Kind);
    shape.alignment = text.Alignment;
    shape.rotation = text.Rotation;
    shape.maxLines = text.MaxLines;
    shape.humanReadable = text.HumanReadable;
    return shape;
}
namespace {

// "宋体" by name, or a face that stands in for it (the font dialog lists the
// installed face, not the name the layouts use): the same lines must fit.
bool isSongFamily(const QFont& font)
{
    const QString family = font.family();
    const QString song = QString::fromUtf8(FontSetup::kSongFamily);
    if (family == song || family.compare(QLatin1String("SimSun"), Qt::CaseInsensitive) == 0)
        return true;
    const QStringList standIns = QFont::substitutes(song);
    for (const QString& s : standIns)
        if (family.compare(s, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// Whether the family behind font has a real bold face.
bool hasRealBold(const QFont& font)
{
    // Keyed by the family asked for: resolving it is the costly part.
    static QHash<QString, bool> cache;
    auto it = cache.constFind(font.family());
    if (it != cache.constEnd())
        return *it;
    const QString family = QFontInfo(font).family();
    bool bold = false;
    const QStringList styles = QFontDatabase::styles(family);
    for (const QString& s : styles) {
        if (QFontDatabase::weight(family, s) >= QFont::DemiBold) {
            bold = true;
            break;
        }
    }
    cache.insert(font.family(), bold);
    return bold;
}

double pointSizeOf(const QFont& font, double dpi)
{
    if (font.pointSizeF() > 0)
        return font.pointSizeF();
    if (font.pixelSize() > 0)
        return font.pixelSize() * 72.0 / dpi;
    return 12;
}

} // namespace

bool ReportPainter::emulatesBold(const QFont& font)
{
    return font.bold() && !hasRealBold(font);
}

QStringList ReportPainter::splitLines(const QString& text)
{
    QString t = text;
    t.remove(QLatin1Char('\n'));
    if (t.isEmpty())
        return {};
    return t.split(QLatin1Char('\r'));
}

double ReportPainter::lineHeight(const QFont& font, QPaintDevice* device)
{
    const double dpi = device ? device->logicalDpiY() : 96;
    if (isSongFamily(font))
        return pointSizeOf(font, dpi) * dpi / 72.0;
    return QFontMetricsF(font, device).height();
}

int ReportPainter::fittingLines(int lineCount, double lineHeightTenths, double heightTenths)
{
    int n = 0;
    // Small tolerance so that 3 x 42.333 tenths fits 127 + 1 regardless of
    // how the division came out.
    while (n < lineCount && (n + 1) * lineHeightTenths <= heightTenths + 1.0 + 1e-6)
        ++n;
    return n;
}

double ReportPainter::boldOffsetTenths(double pointSize)
{
    // About a twenty-sixth of an em: 0.16 mm at 12 pt, a stroke's width.
    return pointSize * 254.0 / 72.0 / 26.0;
}

double ReportPainter::textWidthTenths(const QFont& font, const QString& text, QPaintDevice* device)
{
    QFontMetricsF fm(font, device);
    double w = 0;
    for (const QString& line : splitLines(text))
        w = std::max(w, fm.horizontalAdvance(line));
    const double dpi = device ? device->logicalDpiX() : 96;
    return w * 254.0 / dpi;
}

ReportPainter::Extent ReportPainter::measure(const Item& item, const QString& text, QPaintDevice* device)
{
    Extent e;
    const QStringList lines = splitLines(text);
    // Codes are sized to their box; only text runs over.
    if (lines.isEmpty() || !item.enabled || item.kind != 0)
        return e;
    const double dpiX = device->logicalDpiX();
    const double dpiY = device->logicalDpiY();
    QFont font = item.font;
    const bool emulateBold = font.bold() && !hasRealBold(font);
    if (emulateBold)
        font.setBold(false);
    const QFontMetricsF fm(font, device);
    e.lineHeight = lineHeight(font, device) * 254.0 / dpiY;
    const bool sideways = item.rotation == 90 || item.rotation == 270;
    e.drawn = fittingLines(lines.size(), e.lineHeight, sideways ? item.width : item.height);
    if (item.maxLines > 0)
        e.drawn = std::min(e.drawn, item.maxLines);
    for (int k = e.drawn; k < lines.size(); ++k)
        if (!lines.at(k).isEmpty())
            e.dropped = k + 1 - e.drawn;
    double w = 0;
    for (int k = 0; k < e.drawn; ++k)
        w = std::max(w, fm.horizontalAdvance(lines.at(k)));
    e.width = w * 254.0 / dpiX;
    if (emulateBold && w > 0)
        e.width += boldOffsetTenths(pointSizeOf(font, dpiY));
    return e;
}

void ReportPainter::paintItem(QPainter* painter, const Item& item, const QString& text, double bandLeft,
                              double bandTop, double unitsPerTenth, QPaintDevice* device,
                              TextShapeCache* cache)
{
    if (!item.enabled)
        return;
    if (!device)
        device = painter->device();
    if (item.rotation == 90 || item.rotation == 180 || item.rotation == 270) {
        // Drawn upright in a box of its own, turned about the corner that
        // puts it back on its box.
        Item upright = item;
        upright.rotation = 0;
        upright.left = upright.top = 0;
        QPointF pivot(item.left, item.top);
        if (item.rotation == 90) {
            std::swap(upright.width, upright.height);
            pivot.rx() += item.width;
        } else if (item.rotation == 180) {
            pivot += QPointF(item.width, item.height);
        } else {
            std::swap(upright.width, upright.height);
            pivot.ry() += item.height;
        }
        QPointF at(bandLeft + pivot.x() * unitsPerTenth, bandTop + pivot.y() * unitsPerTenth);
        if (device->logicalDpiX() <= kSnapDpi)
            at = QPointF(std::round(at.x()), std::round(at.y()));
        painter->save();
        painter->translate(at);
        painter->rotate(item.rotation);
        paintItem(painter, upright, text, 0, 0, unitsPerTenth, device, cache);
        painter->restore();
        return;
    }
    TextShapeCache local;
    if (!cache)
        cache = &local;
    if (item.kind != 0) {
        paintCode(painter, item, text, bandLeft, bandTop, unitsPerTenth, device, cache);
        return;
    }
    const TextShapeCache::Face& face = cache->face(item.font, device);
    const double devX = face.dpiX / 254.0; // device pixels per tenth
    const double devY = face.dpiY / 254.0;

    const QStringList lines = splitLines(text);
    const double lh = face.lineHeight;
    int count = fittingLines(lines.size(), lh / devY, item.height);
    if (item.maxLines > 0)
        count = std::min(count, item.maxLines);

    // From here on one unit is one pixel of the device the text is measured
    // on. On the device itself (PDF, printer, preview image) that is the
    // painter's own unit, and the painter's state is left alone: every
    // change of it costs a PDF page some bytes.
    const double sx = unitsPerTenth / devX;
    const double sy = unitsPerTenth / devY;
    const bool ownUnits = std::abs(sx - 1) < 1e-9 && std::abs(sy - 1) < 1e-9;
    double x0 = bandLeft;
    double y0 = bandTop;
    if (!ownUnits) {
        painter->save();
        painter->translate(bandLeft, bandTop);
        painter->scale(sx, sy);
        x0 = y0 = 0;
    }

    const double left = x0 + item.left * devX;
    const double top = y0 + item.top * devY;
    // An opaque item covers only what its own text needs: with no text it
    // paints nothing, so it never erases a neighbour's text.
    if (!item.transparent && !lines.isEmpty()) {
        const QFontMetricsF fm(face.font, device);
        double width = 0;
        for (const QString& line : lines)
            width = std::max(width, fm.horizontalAdvance(line));
        const QRectF box(left, top, width, item.height * devY);
        DotCanvas* dots = dynamic_cast<DotCanvas*>(painter->device());
        if (!dots || dots->markFill(painter, box, item.color))
            painter->fillRect(box, item.color);
    }

    if (count > 0) {
        // Glyph runs go straight to the PDF, printer and image engines; any
        // other (a recording one) gets plain text.
        const QPaintEngine* engine = painter->paintEngine();
        const bool runs =
            engine && (engine->type() == QPaintEngine::Pdf || engine->type() == QPaintEngine::Raster);
        if (painter->pen().style() != Qt::SolidLine || painter->pen().color() != item.fontColor)
            painter->setPen(item.fontColor);
        if (!runs) {
            painter->setFont(face.font);
            painter->setBackgroundMode(Qt::TransparentMode);
        }
        // Each line is drawn from its top down, the baseline one ascent
        // below it, whatever the line pitch.
        const bool aligned = item.alignment != Qt::AlignLeft;
        const QFontMetricsF metrics(face.font, device);
        for (int k = 0; k < count; ++k) {
            double x = left;
            if (aligned) {
                const double room = item.width * devX - metrics.horizontalAdvance(lines.at(k)) -
                                    (face.emulateBold ? face.boldDx : 0);
                x += item.alignment == Qt::AlignRight ? room : room / 2;
            }
            const QPointF at(x, top + k * lh + face.ascent);
            if (runs) {
                const QList<QGlyphRun>& glyphs = cache->line(face, lines.at(k), device);
                // The dot-matrix page copies glyphs it has drawn before.
                DotCanvas* dots = dynamic_cast<DotCanvas*>(painter->device());
                if (dots) {
                    dots->drawGlyphRuns(painter, at, glyphs, face.emulateBold, face.boldDx);
                } else {
                    for (int pass = 0; pass < (face.emulateBold ? 2 : 1); ++pass)
                        for (const QGlyphRun& run : glyphs)
                            painter->drawGlyphRun(at + QPointF(pass * face.boldDx, 0), run);
                }
            } else {
                painter->drawText(at, lines.at(k));
                if (face.emulateBold)
                    painter->drawText(at + QPointF(face.boldDx, 0), lines.at(k));
            }
        }
    }
    if (!ownUnits)
        painter->restore();
}

void ReportPainter::paintCode(QPainter* painter, const Item& item, const QString& text, double bandLeft,
                              double bandTop, double unitsPerTenth, QPaintDevice* device,
                              TextShapeCache* cache)
{
    QString value = text;
    value.remove(QLatin1Char('\r'));
    value.remove(QLatin1Char('\n'));
    if (value.isEmpty())
        return;
    const bool qr = item.kind == int(TQRItemKind::QrCode);
    const BarcodeSymbol& symbol =
        cache->symbol(qr ? BarcodeSymbol::Type::QrCode : BarcodeSymbol::Type::Code128, value);
    if (symbol.isEmpty())
        return;
    // Device pixels from here on; on a printer of a few hundred dpi the
    // modules are whole dots, the symbol's corner on a dot.
    const double dpi = device->logicalDpiX();
    const bool snap = dpi <= kSnapDpi;
    const double perTenth = dpi / 254.0;
    const double scale = unitsPerTenth / perTenth;
    painter->save();
    painter->translate(bandLeft, bandTop);
    painter->scale(scale, scale);
    const QRectF box(item.left * perTenth, item.top * perTenth, item.width * perTenth,
                     item.height * perTenth);

    double textHeight = 0;
    const TextShapeCache::Face* face = nullptr;
    if (!qr && item.humanReadable) {
        face = &cache->face(item.font, device);
        textHeight = face->lineHeight;
    }
    // The quiet zone is inside the box: the symbol is aligned with its
    // margins, which stay light whatever lies beside the box.
    const int quiet = symbol.quietModules();
    const double roomMm = (qr ? std::min(item.width, item.height) : item.width) / 10.0;
    double module = BarcodeSymbol::moduleMm(symbol.width() + 2 * quiet, roomMm) / 25.4 * dpi;
    if (snap)
        module = std::max(1.0, std::round(module));
    const double width = symbol.width() * module;
    double x = box.left() + quiet * module;
    if (item.alignment == Qt::AlignHCenter)
        x = box.left() + (box.width() - width) / 2;
    else if (item.alignment == Qt::AlignRight)
        x = box.right() - quiet * module - width;
    const double barsHeight = qr ? symbol.rows() * module : std::max(module, box.height() - textHeight);
    double y = qr ? box.top() + (box.height() - barsHeight) / 2 : box.top();
    if (snap) {
        x = std::round(x);
        y = std::round(y);
    }
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    for (const QRectF& r : symbol.darkRuns())
        path.addRect(QRectF(x + r.left() * module, y + (qr ? r.top() * module : 0), r.width() * module,
                            qr ? module : barsHeight));
    DotCanvas* dots = dynamic_cast<DotCanvas*>(painter->device());
    if (dots)
        dots->markPainted(painter, path.boundingRect());
    painter->fillPath(path, item.fontColor);

    if (face && textHeight > 0 && y + barsHeight + textHeight <= box.bottom() + 1) {
        const QFontMetricsF fm(face->font, device);
        const double advance = fm.horizontalAdvance(value);
        const double tx = x + (width - advance) / 2;
        if (dots) {
            // An em round the line holds whatever its glyphs reach.
            const double em = fm.height();
            dots->markPainted(painter,
                              QRectF(tx, y + barsHeight, advance, textHeight).adjusted(-em, -em, em, em));
        }
        painter->setPen(item.fontColor);
        painter->setFont(face->font);
        painter->drawText(QPointF(tx, y + barsHeight + face->ascent), value);
    }
    painter->restore();
}

QString ReportPainter::breakToWidth(const QFont& font, const QString& text, double widthTenths)
{
    static QImage device = [] {
        QImage d(1, 1, QImage::Format_RGB32);
        const int dpm = int(std::lround(1200 / 0.0254));
        d.setDotsPerMeterX(dpm);
        d.setDotsPerMeterY(dpm);
        return d;
    }();
    if (text.isEmpty() || widthTenths <= 0)
        return text;
    const QFontMetricsF fm(font, &device);
    const double room = widthTenths * 1200 / 254.0;
    auto latin = [](QChar c) { return c.unicode() < 0x80 && c.isLetterOrNumber(); };
    QString out;
    const QStringList lines = text.split(QLatin1Char('\r'));
    for (int n = 0; n < lines.size(); ++n) {
        if (n > 0)
            out += QLatin1Char('\r');
        QString line = lines.at(n);
        while (!line.isEmpty() && fm.horizontalAdvance(line) > room) {
            // The longest head that fits, at least one character.
            int cut = 1;
            while (cut < line.size() && fm.horizontalAdvance(line.left(cut + 1)) <= room)
                ++cut;
            if (cut < line.size() && latin(line.at(cut)) && latin(line.at(cut - 1))) {
                int start = cut;
                while (start > 0 && latin(line.at(start - 1)))
                    --start;
                if (start > 0)
                    cut = start;
            }
            out += line.left(cut) + QStringLiteral("\r\n");
            line = line.mid(cut);
        }
        out += line;
    }
    return out;
}
