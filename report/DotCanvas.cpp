#include "report/DotCanvas.h"

#include <QColor>
#include <QGlyphRun>
#include <QPainter>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace {
// The engine draws glyphs of this many pixels and more as outlines.
constexpr double kLargestCachedPixels = 64;
// Glyphs kept before the cache starts again: a few forms' worth.
constexpr qint64 kShadeBytesKept = 8 * 1024 * 1024;
constexpr size_t kFacesKept = 64;
// Glyphs a font's phases are learnt from.
constexpr int kSampledGlyphs = 3;
constexpr quint64 kWhite8 = ~0ULL;

// What the engine turns a grey dot into when it lays a black glyph over it,
// at [the glyph's shade on white][the dot's grey], learnt from the engine
// itself (its blending goes through 16 bits a channel and back).
struct Blending
{
    std::array<std::array<uchar, 256>, 256> result{};
    std::array<bool, 256> known{};
    bool broken = false;       // the engine did something no table can say
    bool blackStays = false;   // every known shade leaves a black dot black
    bool solidPaints = false;  // a glyph's black turns any dot black
    bool shadeOnWhite = false; // every known shade makes itself of white
};

Blending& blending()
{
    thread_local Blending b;
    return b;
}
} // namespace

DotCanvas::DotCanvas(int width, int height, int dpiX, int dpiY)
    : QImage(width, height, QImage::Format_Grayscale8)
{
    setDotsPerMeterX(qRound(dpiX / 0.0254));
    setDotsPerMeterY(qRound(dpiY / 0.0254));
    m_rows = PaintedRows(height);
}

void DotCanvas::whiteOut()
{
    if (!m_rows.known())
        fill(255u);
    m_rows.whiteOut(bits(), bytesPerLine());
}

void DotCanvas::markDots(int left, int top, int right, int bottom)
{
    m_rows.mark(std::max(left, 0), std::max(top, 0), std::min(right, width()), std::min(bottom, height()));
}

bool DotCanvas::reach(const QPainter* painter, const QRectF& rect, QRect* dots) const
{
    // Two dots more on every side for the engine's rounding of edges.
    const QRectF r = painter->combinedTransform().mapRect(rect.normalized());
    if (!(r.left() > -1e6 && r.top() > -1e6 && r.right() < 1e6 && r.bottom() < 1e6)) {
        *dots = this->rect();
    } else {
        *dots = QRect(QPoint(int(std::floor(r.left())) - 2, int(std::floor(r.top())) - 2),
                      QPoint(int(std::ceil(r.right())) + 1, int(std::ceil(r.bottom())) + 1)) &
                this->rect();
    }
    return !dots->isEmpty();
}

void DotCanvas::markPainted(const QPainter* painter, const QRectF& rect)
{
    QRect dots;
    if (reach(painter, rect, &dots))
        markDots(dots.left(), dots.top(), dots.right() + 1, dots.bottom() + 1);
}

bool DotCanvas::markFill(const QPainter* painter, const QRectF& rect, const QColor& color)
{
    QRect dots;
    if (!reach(painter, rect, &dots))
        return true;
    if (color.rgba() == 0xffffffffu && painter->opacity() == 1.0 &&
        painter->compositionMode() == QPainter::CompositionMode_SourceOver) {
        // White over dots that may be painted leaves them white or as they were.
        return !m_rows.white(dots);
    }
    markDots(dots.left(), dots.top(), dots.right() + 1, dots.bottom() + 1);
    return true;
}

void DotCanvas::drawInScratch(QPainter* painter, const QGlyphRun& run, quint32 index, int phaseX, int phaseY,
                              uchar background)
{
    // Room on every side for a glyph's reach beyond its em box.
    const int em = int(std::ceil(run.rawFont().pixelSize()));
    const int side = 2 * em + 16;
    if (m_scratch.width() != side) {
        m_scratch = QImage(side, side, QImage::Format_Grayscale8);
        m_scratch.setDotsPerMeterX(dotsPerMeterX());
        m_scratch.setDotsPerMeterY(dotsPerMeterY());
    }
    m_scratch.fill(uint(background));
    m_originX = em / 2 + 8;
    m_originY = em + em / 2 + 8;
    QPainter p(&m_scratch);
    p.setRenderHints(QPainter::RenderHints(~0), false);
    p.setRenderHints(painter->renderHints(), true);
    p.setPen(painter->pen());
    QGlyphRun one;
    one.setRawFont(run.rawFont());
    one.setGlyphIndexes({index});
    one.setPositions({QPointF(0, 0)});
    // Whole dots plus the phase in 1/64 dot: exact both as a double and in
    // the engine's fixed point.
    p.drawGlyphRun(QPointF(m_originX + phaseX / 64.0, m_originY + phaseY / 64.0), one);
}

void DotCanvas::samplePhases(QPainter* painter, const QGlyphRun& run, Face* face, quint32 index, int phaseX,
                             int phaseY)
{
    // The font steps a glyph by fractions of a dot, the same for every
    // glyph: the first glyphs with ink drawn at every phase across (and
    // down), and phases that draw alike for all of them taken as one.
    for (int axis = 0; axis < 2; ++axis) {
        std::vector<Glyph> drawn;
        for (int p = 0; p < 64; ++p) {
            Glyph at =
                axis == 0 ? render(painter, run, index, p, phaseY) : render(painter, run, index, phaseX, p);
            int same = 0;
            while (same < p &&
                   !(drawn[size_t(same)].dx == at.dx && drawn[size_t(same)].dy == at.dy &&
                     drawn[size_t(same)].width == at.width && drawn[size_t(same)].shade == at.shade))
                ++same;
            face->classes[axis][size_t(p)][size_t(face->sampled)] = qint8(same);
            drawn.push_back(std::move(at));
        }
    }
    if (++face->sampled < kSampledGlyphs)
        return;
    for (int axis = 0; axis < 2; ++axis)
        for (int p = 0; p < 64; ++p) {
            int q = 0;
            while (face->classes[axis][size_t(q)] != face->classes[axis][size_t(p)])
                ++q;
            face->alike[axis][size_t(p)] = qint8(q);
        }
}

DotCanvas::Glyph DotCanvas::render(QPainter* painter, const QGlyphRun& run, quint32 index, int phaseX,
                                   int phaseY)
{
    ++m_drawn;
    drawInScratch(painter, run, index, phaseX, phaseY, 255);
    const int side = m_scratch.width();
    int left = side, right = -1, top = side, bottom = -1;
    for (int y = 0; y < side; ++y) {
        const uchar* line = m_scratch.constScanLine(y);
        int x = 0;
        while (x + 8 <= side && qFromUnaligned<quint64>(line + x) == kWhite8)
            x += 8;
        for (; x < side; ++x) {
            if (line[x] != 255) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    Glyph g;
    g.usable = right < 0 || (left > 0 && top > 0 && right < side - 1 && bottom < side - 1);
    if (g.usable && right >= 0) {
        g.dx = left - m_originX;
        g.dy = top - m_originY;
        g.width = right - left + 1;
        g.height = bottom - top + 1;
        g.stride = (g.width + 7) / 8 * 8;
        g.shade.assign(size_t(g.stride) * size_t(g.height), 255);
        for (int y = 0; y < g.height; ++y)
            memcpy(g.shade.data() + size_t(y) * size_t(g.stride), m_scratch.constScanLine(top + y) + left,
                   size_t(g.width));
    }
    return g;
}

const DotCanvas::Glyph& DotCanvas::glyph(QPainter* painter, const QGlyphRun& run, Face* face, quint32 index,
                                         int phaseX, int phaseY, quint64* keyOut)
{
    // Phases the font draws alike share one drawing, once they are known.
    if (face->sampled >= kSampledGlyphs) {
        phaseX = face->alike[0][size_t(phaseX)];
        phaseY = face->alike[1][size_t(phaseY)];
    }
    const quint64 key = (quint64(index) << 12) | quint64(phaseX << 6) | quint64(phaseY);
    if (keyOut)
        *keyOut = key;
    auto it = face->glyphs.constFind(key);
    if (it != face->glyphs.constEnd())
        return *it;
    if (m_shadeBytes > kShadeBytesKept) {
        for (Face& f : m_faces) {
            f.glyphs.clear();
            f.pairs.clear();
        }
        m_shadeBytes = 0;
        ++m_cleared;
    }
    Glyph g = render(painter, run, index, phaseX, phaseY);
    if (face->sampled < kSampledGlyphs && g.usable && g.width > 0)
        samplePhases(painter, run, face, index, phaseX, phaseY);
    m_shadeBytes += qint64(g.shade.size());
    if (g.usable && g.width > 0) {
        // A shade not seen before: the engine shows what it makes of it.
        Blending& b = blending();
        bool known = true;
        for (uchar w : g.shade)
            known &= b.known[w];
        if (!known && !b.broken)
            learn(painter, run, index, phaseX, phaseY, g);
    }
    return *face->glyphs.insert(key, std::move(g));
}

bool DotCanvas::learn(QPainter* painter, const QGlyphRun& run, quint32 index, int phaseX, int phaseY,
                      const Glyph& g)
{
    // The glyph drawn onto every grey: each of its shades gives the whole
    // row of the table, and the same shade must always give the same dot.
    Blending& b = blending();
    std::vector<qint16> found(256 * 256, -1);
    std::array<bool, 256> inGlyph{};
    const int left = m_originX + g.dx;
    const int top = m_originY + g.dy;
    for (int v = 0; v < 256 && !b.broken; ++v) {
        drawInScratch(painter, run, index, phaseX, phaseY, uchar(v));
        // The dots round the glyph stay as they were.
        for (int y = top - 1; y <= top + g.height; ++y) {
            const uchar* line = m_scratch.constScanLine(y);
            const bool edge = y < top || y == top + g.height;
            for (int x = left - 1; x <= left + g.width; x += edge ? 1 : g.width + 1)
                b.broken |= line[x] != v;
        }
        for (int y = 0; y < g.height; ++y) {
            const uchar* line = m_scratch.constScanLine(top + y) + left;
            const uchar* shade = g.shade.data() + size_t(y) * size_t(g.stride);
            for (int x = 0; x < g.width; ++x) {
                const uchar w = shade[x];
                qint16& dot = found[size_t(w) * 256 + size_t(v)];
                if (b.known[w])
                    b.broken |= b.result[w][v] != line[x];
                else if (dot >= 0)
                    b.broken |= dot != line[x];
                else
                    dot = line[x];
                inGlyph[w] = true;
            }
        }
    }
    if (b.broken)
        return false;
    for (int w = 0; w < 256; ++w) {
        if (!inGlyph[w] || b.known[w])
            continue;
        for (int v = 0; v < 256; ++v)
            b.result[w][v] = uchar(found[size_t(w) * 256 + size_t(v)]);
        b.known[w] = true;
    }
    b.blackStays = b.solidPaints = b.known[0];
    for (int w = 0; w < 256; ++w)
        b.blackStays &= !b.known[w] || b.result[w][0] == 0;
    for (int v = 0; v < 256; ++v)
        b.solidPaints &= b.result[0][v] == 0;
    b.shadeOnWhite = true;
    for (int w = 0; w < 256; ++w)
        b.shadeOnWhite &= !b.known[w] || b.result[w][255] == w;
    return true;
}

void DotCanvas::lay(uchar* bits, qsizetype bytesPerLine, int room, const Glyph& g, int x, int y) const
{
    // The padding of a glyph's rows is white and changes nothing: whole
    // eights of dots where the row has room for them.
    const int eights = g.stride <= room ? g.stride : g.width / 8 * 8;
    const Blending& b = blending();
    const auto& product = b.result;
    for (int r = 0; r < g.height; ++r) {
        uchar* out = bits + (y + r) * bytesPerLine + x;
        const uchar* shade = g.shade.data() + size_t(r) * size_t(g.stride);
        // Onto a row still white, the glyph's own shades (the shade is
        // what it makes of white; dot by dot too, if every shade makes
        // itself of white).
        if ((eights >= g.width || b.shadeOnWhite) && whiteRow(y + r, x, g.width)) {
            memcpy(out, shade, size_t(g.width));
            continue;
        }
        int k = 0;
        // Eight dots at a time where the page is still white there.
        for (; k < eights; k += 8) {
            const quint64 s8 = qFromUnaligned<quint64>(shade + k);
            if (s8 == kWhite8)
                continue;
            const quint64 o8 = qFromUnaligned<quint64>(out + k);
            if (o8 == kWhite8) {
                qToUnaligned(s8, out + k);
                continue;
            }
            // Where a bold line's second stroke meets its first.
            if (s8 == 0 && b.solidPaints) {
                qToUnaligned(quint64(0), out + k);
                continue;
            }
            if (o8 == 0 && b.blackStays)
                continue;
            for (int i = k; i < k + 8; ++i)
                if (shade[i] != 255)
                    out[i] = product[shade[i]][out[i]];
        }
        for (; k < g.width; ++k)
            if (shade[k] != 255)
                out[k] = product[shade[k]][out[k]];
    }
}

bool DotCanvas::cacheable(const QPainter* painter, const QGlyphRun& run) const
{
    const QRawFont font = run.rawFont();
    const QPen& pen = painter->pen();
    // Only what the engine draws from its glyph cache, unturned and
    // unscaled, in opaque black.
    return !blending().broken && font.isValid() && font.pixelSize() < kLargestCachedPixels &&
           painter->combinedTransform().type() <= QTransform::TxTranslate &&
           format() == QImage::Format_Grayscale8 && painter->opacity() == 1.0 &&
           painter->compositionMode() == QPainter::CompositionMode_SourceOver &&
           pen.style() == Qt::SolidLine && pen.brush().style() == Qt::SolidPattern &&
           pen.color().rgba() == qRgb(0, 0, 0) && !run.overline() && !run.underline() && !run.strikeOut() &&
           !qEnvironmentVariableIsSet("QT_MAX_CACHED_GLYPH_SIZE");
}

QRect DotCanvas::unclipped(const QPainter* painter) const
{
    // Glyphs a dot and more inside the clip are not clipped.
    QRect safe = rect();
    if (painter->hasClipping()) {
        const QRectF clip = painter->combinedTransform().mapRect(painter->clipBoundingRect());
        safe &= QRect(QPoint(int(std::ceil(clip.left())) + 1, int(std::ceil(clip.top())) + 1),
                      QPoint(int(std::floor(clip.right())) - 2, int(std::floor(clip.bottom())) - 2));
    }
    return safe;
}

DotCanvas::Face* DotCanvas::faceOf(const QRawFont& font, bool add)
{
    for (Face& f : m_faces)
        if (f.font == font)
            return &f;
    if (!add)
        return nullptr;
    if (m_faces.size() >= kFacesKept) {
        m_faces.clear();
        m_shadeBytes = 0;
        ++m_cleared;
    }
    m_faces.push_back(Face{font, {}, {}, 0, {}, {}});
    return &m_faces.back();
}

void DotCanvas::drawGlyphRun(QPainter* painter, const QPointF& position, const QGlyphRun& run)
{
    const QRawFont font = run.rawFont();
    const QTransform m = painter->combinedTransform();
    // What the painter draws itself lies within two ems of each glyph's
    // position, lines through the text included.
    const double reach = 2 * font.pixelSize() + 2;
    auto markAround = [&](const QList<QPointF>& at) {
        for (const QPointF& p : at)
            markPainted(painter, QRectF(position + p - QPointF(reach, reach), QSizeF(2 * reach, 2 * reach)));
    };
    if (!cacheable(painter, run)) {
        markAround(run.positions());
        painter->drawGlyphRun(position, run);
        return;
    }
    const QRect safe = unclipped(painter);
    Face* face = faceOf(font, true);
    uchar* bits = this->bits();
    const qsizetype bpl = bytesPerLine();
    const QList<quint32> indexes = run.glyphIndexes();
    const QList<QPointF> positions = run.positions();
    QList<quint32> leftIndexes;
    QList<QPointF> leftPositions;
    for (qsizetype i = 0; i < indexes.size() && i < positions.size(); ++i) {
        // Where the engine puts the glyph: its position on the device in
        // its fixed point (1/64 dot, cut towards zero).
        const QPointF at = m.map(position + positions.at(i));
        bool done = false;
        if (at.x() >= 0 && at.y() >= 0 && at.x() < 1e6 && at.y() < 1e6) {
            const int fx = int(at.x() * 64);
            const int fy = int(at.y() * 64);
            const Glyph& g = glyph(painter, run, face, indexes.at(i), fx & 63, fy & 63);
            const int x = (fx >> 6) + g.dx;
            const int y = (fy >> 6) + g.dy;
            if (g.usable && g.width == 0) {
                done = true;
            } else if (g.usable && !blending().broken && safe.contains(QRect(x, y, g.width, g.height))) {
                lay(bits, bpl, width() - x, g, x, y);
                markDots(x, y, x + g.width, y + g.height);
                ++m_laid;
                done = true;
            }
        }
        if (!done) {
            leftIndexes.append(indexes.at(i));
            leftPositions.append(positions.at(i));
        }
    }
    // The rest as the painter draws them. Laying black glyphs one over
    // another is the same in any order: each dot is multiplied.
    if (!leftIndexes.isEmpty()) {
        QGlyphRun rest(run);
        rest.setGlyphIndexes(leftIndexes);
        rest.setPositions(leftPositions);
        markAround(leftPositions);
        painter->drawGlyphRun(position, rest);
    }
}

void DotCanvas::drawGlyphRuns(QPainter* painter, const QPointF& position, const QList<QGlyphRun>& runs,
                              bool twice, double dx)
{
    if (twice && layPairs(painter, position, runs, dx))
        return;
    for (int pass = 0; pass < (twice ? 2 : 1); ++pass)
        for (const QGlyphRun& run : runs)
            drawGlyphRun(painter, position + QPointF(pass * dx, 0), run);
}

bool DotCanvas::layPairs(QPainter* painter, const QPointF& position, const QList<QGlyphRun>& runs, double dx)
{
    // Stroke after stroke, every dot is laid over by the strokes of one
    // glyph only, in their order, while the glyphs' boxes keep apart; and
    // a dot's blending is the same whichever eight it is laid with once
    // every shade makes itself of white.
    if (!blending().shadeOnWhite)
        return false;
    for (const QGlyphRun& run : runs)
        if (!cacheable(painter, run))
            return false;
    const QTransform m = painter->combinedTransform();
    const QRect safe = unclipped(painter);
    const QPointF second = position + QPointF(dx, 0);
    struct Placed
    {
        QRawFont font;
        quint64 first;
        quint64 second;
        int x; // the first stroke's first dot
        int y;
        int ox; // the second stroke's, from it
        int oy;
        QRect box;
    };
    std::vector<Placed> placed;
    const int cleared = m_cleared;
    for (const QGlyphRun& run : runs) {
        const QRawFont font = run.rawFont();
        const QList<quint32> indexes = run.glyphIndexes();
        const QList<QPointF> positions = run.positions();
        for (qsizetype i = 0; i < indexes.size() && i < positions.size(); ++i) {
            const QPointF a = m.map(position + positions.at(i));
            const QPointF b = m.map(second + positions.at(i));
            if (!(a.x() >= 0 && a.y() >= 0 && a.x() < 1e6 && a.y() < 1e6 && b.x() >= 0 && b.y() >= 0 &&
                  b.x() < 1e6 && b.y() < 1e6))
                return false;
            const int fx0 = int(a.x() * 64), fy0 = int(a.y() * 64);
            const int fx1 = int(b.x() * 64), fy1 = int(b.y() * 64);
            // The face is found again for every glyph: drawing one may let faces go.
            quint64 k0 = 0, k1 = 0;
            const Glyph& g0 = glyph(painter, run, faceOf(font, true), indexes.at(i), fx0 & 63, fy0 & 63, &k0);
            if (!g0.usable)
                return false;
            const QRect r0((fx0 >> 6) + g0.dx, (fy0 >> 6) + g0.dy, g0.width, g0.height);
            const Glyph& g1 = glyph(painter, run, faceOf(font, true), indexes.at(i), fx1 & 63, fy1 & 63, &k1);
            if (!g1.usable)
                return false;
            const QRect r1((fx1 >> 6) + g1.dx, (fy1 >> 6) + g1.dy, g1.width, g1.height);
            if (r0.isEmpty() && r1.isEmpty())
                continue; // a space
            if (r0.isEmpty() || r1.isEmpty() || !safe.contains(r0) || !safe.contains(r1) ||
                std::abs(r1.x() - r0.x()) > 127 || std::abs(r1.y() - r0.y()) > 127)
                return false;
            const QRect box = r0 | r1;
            for (const Placed& p : placed)
                if (p.box.intersects(box))
                    return false;
            placed.push_back(Placed{font, k0, k1, r0.x(), r0.y(), r1.x() - r0.x(), r1.y() - r0.y(), box});
        }
    }
    if (blending().broken || !blending().shadeOnWhite || m_cleared != cleared)
        return false;
    // Nothing is let go from here on: every stroke must still be at hand.
    for (const Placed& p : placed) {
        const Face* f = faceOf(p.font, false);
        if (!f || !f->glyphs.contains(p.first) || !f->glyphs.contains(p.second))
            return false;
    }
    uchar* bits = this->bits();
    const qsizetype bpl = bytesPerLine();
    for (const Placed& p : placed) {
        Face* f = faceOf(p.font, false);
        const QPair<quint64, quint64> key(p.first, (p.second << 16) | (quint64(p.ox + 128) << 8) |
                                                       quint64(p.oy + 128));
        auto it = f->pairs.constFind(key);
        if (it == f->pairs.constEnd()) {
            Pair pair = pairOf(*f->glyphs.constFind(p.first), *f->glyphs.constFind(p.second), p.ox, p.oy);
            m_shadeBytes += 3 * qint64(pair.shade.size());
            it = f->pairs.insert(key, std::move(pair));
        }
        const Pair& pair = *it;
        const int x = p.x + pair.dx;
        const int y = p.y + pair.dy;
        layPair(bits, bpl, width() - x, pair, x, y);
        markDots(x, y, x + pair.width, y + pair.height);
        m_laid += 2;
    }
    return true;
}

DotCanvas::Pair DotCanvas::pairOf(const Glyph& first, const Glyph& second, int dx, int dy)
{
    Pair p;
    p.dx = std::min(0, dx);
    p.dy = std::min(0, dy);
    p.width = std::max(first.width, dx + second.width) - p.dx;
    p.height = std::max(first.height, dy + second.height) - p.dy;
    p.stride = (p.width + 7) / 8 * 8;
    const size_t size = size_t(p.stride) * size_t(p.height);
    p.first.assign(size, 255);
    p.second.assign(size, 255);
    for (int y = 0; y < first.height; ++y)
        memcpy(p.first.data() + size_t(y - p.dy) * size_t(p.stride) + size_t(-p.dx),
               first.shade.data() + size_t(y) * size_t(first.stride), size_t(first.width));
    for (int y = 0; y < second.height; ++y)
        memcpy(p.second.data() + size_t(dy + y - p.dy) * size_t(p.stride) + size_t(dx - p.dx),
               second.shade.data() + size_t(y) * size_t(second.stride), size_t(second.width));
    const auto& product = blending().result;
    p.shade.assign(size, 255);
    for (size_t i = 0; i < size; ++i) {
        uchar v = 255;
        if (p.first[i] != 255)
            v = product[p.first[i]][v];
        if (p.second[i] != 255)
            v = product[p.second[i]][v];
        p.shade[i] = v;
    }
    return p;
}

void DotCanvas::layPair(uchar* bits, qsizetype bytesPerLine, int room, const Pair& p, int x, int y) const
{
    const int eights = p.stride <= room ? p.stride : p.width / 8 * 8;
    const auto& product = blending().result;
    auto dot = [&](uchar* out, size_t i) {
        uchar v = *out;
        if (p.first[i] != 255)
            v = product[p.first[i]][v];
        if (p.second[i] != 255)
            v = product[p.second[i]][v];
        *out = v;
    };
    for (int r = 0; r < p.height; ++r) {
        uchar* out = bits + (y + r) * bytesPerLine + x;
        const size_t row = size_t(r) * size_t(p.stride);
        if (whiteRow(y + r, x, p.width)) {
            memcpy(out, p.shade.data() + row, size_t(p.width));
            continue;
        }
        int k = 0;
        // Eight dots at a time onto white: both strokes' shade at once.
        for (; k < eights; k += 8) {
            if ((qFromUnaligned<quint64>(p.first.data() + row + k) &
                 qFromUnaligned<quint64>(p.second.data() + row + k)) == kWhite8)
                continue;
            if (qFromUnaligned<quint64>(out + k) == kWhite8) {
                memcpy(out + k, p.shade.data() + row + k, 8);
                continue;
            }
            for (int i = k; i < k + 8; ++i)
                dot(out + i, row + size_t(i));
        }
        for (; k < p.width; ++k)
            dot(out + k, row + size_t(k));
    }
}
