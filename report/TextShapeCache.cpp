#include "report/TextShapeCache.h"

#include "report/ReportPainter.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QTextLayout>

namespace {
// Lines kept per face before the older half goes: far more than a page holds.
constexpr int kLinesKept = 2048;
} // namespace

const TextShapeCache::Face& TextShapeCache::face(const QFont& font, QPaintDevice* device)
{
    const int dpiX = device->logicalDpiX();
    const int dpiY = device->logicalDpiY();
    auto matches = [&](const Entry& e) {
        return e.face.dpiX == dpiX && e.face.dpiY == dpiY && e.requested == font;
    };
    if (m_last >= 0 && matches(m_entries.at(m_last)))
        return m_entries.at(m_last).face;
    for (int i = 0; i < m_entries.size(); ++i) {
        if (matches(m_entries.at(i))) {
            m_last = i;
            return m_entries.at(i).face;
        }
    }
    Entry e;
    e.requested = font;
    Face& f = e.face;
    f.dpiX = dpiX;
    f.dpiY = dpiY;
    QFont drawn = font;
    f.emulateBold = ReportPainter::emulatesBold(font);
    if (f.emulateBold)
        drawn.setBold(false);
    f.font = QFont(drawn, device);
    const QFontMetricsF fm(f.font, device);
    f.ascent = fm.ascent();
    f.lineHeight = ReportPainter::lineHeight(f.font, device);
    const double pt = f.font.pointSizeF() > 0  ? f.font.pointSizeF()
                      : f.font.pixelSize() > 0 ? f.font.pixelSize() * 72.0 / dpiY
                                               : 12;
    f.boldDx = f.emulateBold ? ReportPainter::boldOffsetTenths(pt) * dpiX / 254.0 : 0;
    m_entries.append(e);
    m_last = m_entries.size() - 1;
    return m_entries.last().face;
}

const QList<QGlyphRun>& TextShapeCache::line(const Face& face, const QString& text, QPaintDevice* device)
{
    // The face is one of ours; find its entry (nearly always the last one used).
    int at = m_last;
    if (at < 0 || &m_entries.at(at).face != &face) {
        for (at = 0; at < m_entries.size() && &m_entries.at(at).face != &face; ++at) {
        }
    }
    Entry& e = m_entries[at];
    auto it = e.lines.constFind(text);
    if (it != e.lines.constEnd())
        return *it;
    QList<QGlyphRun> runs;
    auto old = e.older.constFind(text);
    if (old != e.older.constEnd()) {
        runs = *old;
    } else {
        QTextLayout layout(text, face.font, device);
        layout.setCacheEnabled(false);
        layout.beginLayout();
        QTextLine line = layout.createLine();
        layout.endLayout();
        if (line.isValid()) {
            const QPointF baseline(line.x(), line.y() + line.ascent());
            runs = line.glyphRuns();
            for (QGlyphRun& run : runs) {
                QList<QPointF> at = run.positions();
                for (QPointF& p : at)
                    p -= baseline;
                run.setPositions(at);
            }
        }
    }
    if (e.lines.size() >= kLinesKept) {
        e.older = std::move(e.lines);
        e.lines = {};
    }
    return *e.lines.insert(text, runs);
}

const BarcodeSymbol& TextShapeCache::symbol(BarcodeSymbol::Type type, const QString& text)
{
    const QString key = (type == BarcodeSymbol::Type::Code128 ? QLatin1Char('c') : QLatin1Char('q')) + text;
    auto it = m_symbols.constFind(key);
    if (it != m_symbols.constEnd())
        return *it;
    // A batch has a new number on every page: keep the last few only.
    if (m_symbols.size() >= 64)
        m_symbols.clear();
    BarcodeSymbol s;
    BarcodeSymbol::encode(type, text, &s);
    return *m_symbols.insert(key, s);
}

void TextShapeCache::clear()
{
    m_symbols.clear();
    m_entries.clear();
    m_last = -1;
}
