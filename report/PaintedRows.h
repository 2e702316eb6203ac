#pragma once

#include <QRect>
#include <QtGlobal>

#include <vector>

// Which dots of a canvas may have been painted since it was last white, row
// by row: a form of a few lines of text is then neither cleared nor read back
// over the whole page. Until the canvas is first whited out nothing is
// known, and every dot counts as painted.
class PaintedRows
{
public:
    // Dots [left, right) of a row that may not be white.
    struct Span
    {
        int left = 0;
        int right = 0;
    };

    PaintedRows() = default;
    explicit PaintedRows(int height) : m_rows(size_t(std::max(0, height))) {}

    // Whites (255) the dots that may be painted, in an image of one byte a
    // dot; afterwards all are white. Where nothing is known the caller
    // whites the whole image.
    void whiteOut(uchar* bits, qsizetype bytesPerLine);
    bool known() const { return !m_unknown; }
    bool none() const { return !m_unknown && m_top >= m_bottom; }
    Span at(int y, int width) const { return m_unknown ? Span{0, width} : m_rows[size_t(y)]; }
    // Dots [left, right) x [top, bottom), inside the canvas, may be painted.
    void mark(int left, int top, int right, int bottom);
    // Whether every dot of rect (inclusive, inside the canvas) is still white.
    bool white(const QRect& rect) const;
    // Whether dots [x, x + count) of row y are still white.
    bool whiteRow(int y, int x, int count) const
    {
        if (m_unknown)
            return false;
        const Span& s = m_rows[size_t(y)];
        return s.right <= s.left || s.right <= x || s.left >= x + count;
    }

private:
    std::vector<Span> m_rows; // empty spans where nothing was
    int m_top = 0;            // rows [top, bottom) hold every span that is not empty
    int m_bottom = 0;
    bool m_unknown = true;
};
