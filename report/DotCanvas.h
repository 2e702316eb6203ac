#pragma once

#include <QHash>
#include <QImage>
#include <QList>
#include <QPair>
#include <QRawFont>

#include "report/PaintedRows.h"

#include <array>
#include <vector>

class QColor;
class QGlyphRun;
class QRect;
class QPainter;
class QPointF;
class QRectF;

// A dot-matrix form while it is painted: one grey byte a dot, white for no
// dot. The raster engine lays a glyph onto a grey image span by span, in its
// slowest, general way; black text painted here goes through a cache of
// glyphs instead. Each glyph is drawn once by the engine itself onto white,
// for its font and for the phase of its position within a dot (all the
// engine's glyph drawing depends on; phases the font draws alike are learnt
// from its first glyphs and share one drawing), then laid onto the page
// where the engine would have put it. What a glyph's shade makes of a grey
// dot under it is learnt from the engine too, drawing a glyph onto every
// grey, so the page comes out dot for dot as the engine draws it. Glyphs the
// cache cannot be sure of (another colour, a turned or scaled painter,
// glyphs the engine draws as outlines, a clip or the page edge close by) are
// left to the painter.
//
// The canvas also keeps, row by row, which dots may have been painted since
// it was last white, so that a form of a few lines of text is neither
// cleared nor read back over the whole page. Glyphs it lays are kept track
// of by itself; whatever a painter draws onto it directly must be marked.
class DotCanvas : public QImage
{
public:
    using Span = PaintedRows::Span;

    DotCanvas() = default;
    // The dots are undefined until whiteOut().
    DotCanvas(int width, int height, int dpiX, int dpiY);

    // Whites every dot that may have been painted: the canvas is then white.
    void whiteOut();
    // Nothing painted since whiteOut().
    bool isWhite() const { return m_rows.none(); }
    Span painted(int y) const { return m_rows.at(y, width()); }
    // A painter is about to draw (or has drawn) within rect, in its own
    // units.
    void markPainted(const QPainter* painter, const QRectF& rect);
    // The same for a fill of color; false when the fill would change no
    // dot (opaque white where the dots are still white) and may be left out.
    bool markFill(const QPainter* painter, const QRectF& rect, const QColor& color);

    // Paints run at position (painter units) in the painter's pen, dot for
    // dot as painter->drawGlyphRun(position, run) would.
    void drawGlyphRun(QPainter* painter, const QPointF& position, const QGlyphRun& run);

    // The runs of one line as drawing each at position, and when twice is
    // set all of them again dx further right (a bold line's second
    // stroke) would. Where the line's glyphs keep apart, each is laid with
    // its second stroke as one.
    void drawGlyphRuns(QPainter* painter, const QPointF& position, const QList<QGlyphRun>& runs, bool twice,
                       double dx);

    // Glyphs drawn by the engine for the cache, and glyphs laid from it.
    qint64 glyphsDrawn() const { return m_drawn; }
    qint64 glyphsLaid() const { return m_laid; }

private:
    struct Glyph
    {
        bool usable = false; // false: reached the edge of the drawing; the painter draws it
        int dx = 0;          // first dot from the position's whole dot
        int dy = 0;
        int width = 0; // 0: nothing drawn (a space)
        int height = 0;
        int stride = 0;           // bytes a row, a multiple of 8, padded with white
        std::vector<uchar> shade; // the glyph's dots on white
    };
    // A glyph with its second stroke: both strokes' shades in one box and
    // what they make of white together.
    struct Pair
    {
        int dx = 0; // first dot from the first stroke's whole dot
        int dy = 0;
        int width = 0;
        int height = 0;
        int stride = 0;
        std::vector<uchar> shade;  // both strokes on white
        std::vector<uchar> first;  // the first stroke's shades alone
        std::vector<uchar> second; // the second's
    };
    struct Face
    {
        QRawFont font;
        // For each 1/64 of a dot across [0] and down [1], the first phase
        // drawn the same way, once the first glyphs have shown which are.
        std::array<std::array<qint8, 64>, 2> alike{};
        std::array<std::array<std::array<qint8, 4>, 64>, 2> classes{};
        int sampled = 0;
        QHash<quint64, Glyph> glyphs;
        QHash<QPair<quint64, quint64>, Pair> pairs; // by the strokes' keys and the second's offset
    };

    // Learns which phases of a dot face draws alike.
    void samplePhases(QPainter* painter, const QGlyphRun& run, Face* face, quint32 index, int phaseX,
                      int phaseY);
    // The engine's drawing of a glyph on white.
    Glyph render(QPainter* painter, const QGlyphRun& run, quint32 index, int phaseX, int phaseY);
    // The same from the cache, drawn on a miss; key: where it is kept.
    const Glyph& glyph(QPainter* painter, const QGlyphRun& run, Face* face, quint32 index, int phaseX,
                       int phaseY, quint64* key = nullptr);
    // Whether the cache may lay run's glyphs for painter at all.
    bool cacheable(const QPainter* painter, const QGlyphRun& run) const;
    // Dots where a glyph is not clipped.
    QRect unclipped(const QPainter* painter) const;
    Face* faceOf(const QRawFont& font, bool add);
    // Both strokes of every glyph of a line, each as one; false, with
    // nothing drawn, where that could differ from stroke after stroke.
    bool layPairs(QPainter* painter, const QPointF& position, const QList<QGlyphRun>& runs, double dx);
    static Pair pairOf(const Glyph& first, const Glyph& second, int dx, int dy);
    void layPair(uchar* bits, qsizetype bytesPerLine, int room, const Pair& p, int x, int y) const;
    // Draws one glyph with the engine onto m_scratch, filled with background
    // first; its position's whole dot is m_originX, m_originY.
    void drawInScratch(QPainter* painter, const QGlyphRun& run, quint32 index, int phaseX, int phaseY,
                       uchar background);
    // Learns from the engine what it makes of g's shades over every grey;
    // false if the engine's dots are no function of shade and grey.
    bool learn(QPainter* painter, const QGlyphRun& run, quint32 index, int phaseX, int phaseY,
               const Glyph& g);
    // Lays g with its first dot at x, y; room: dots from x to the row's end.
    void lay(uchar* bits, qsizetype bytesPerLine, int room, const Glyph& g, int x, int y) const;
    // Whether dots [x, x + count) of row y are still white, as far as the
    // marks tell.
    bool whiteRow(int y, int x, int count) const { return m_rows.whiteRow(y, x, count); }

    // The dots a painter's rect may reach, clipped to the canvas; false if
    // none.
    bool reach(const QPainter* painter, const QRectF& rect, QRect* dots) const;
    void markDots(int left, int top, int right, int bottom);

    PaintedRows m_rows;
    std::vector<Face> m_faces;
    qint64 m_shadeBytes = 0;
    int m_cleared = 0; // times the glyphs were let go
    QImage m_scratch;
    int m_originX = 0;
    int m_originY = 0;
    qint64 m_drawn = 0;
    qint64 m_laid = 0;
};
