#include "report/PaintedRows.h"

#include <algorithm>
#include <cstring>

void PaintedRows::whiteOut(uchar* bits, qsizetype bytesPerLine)
{
    if (!m_unknown) {
        for (int y = m_top; y < m_bottom; ++y) {
            const Span& s = m_rows[size_t(y)];
            if (s.right > s.left)
                memset(bits + y * bytesPerLine + s.left, 255, size_t(s.right - s.left));
        }
    }
    std::fill(m_rows.begin(), m_rows.end(), Span());
    m_top = m_bottom = 0;
    m_unknown = false;
}

void PaintedRows::mark(int left, int top, int right, int bottom)
{
    if (m_unknown || left >= right || top >= bottom)
        return;
    if (m_top >= m_bottom) {
        m_top = top;
        m_bottom = bottom;
    } else {
        m_top = std::min(m_top, top);
        m_bottom = std::max(m_bottom, bottom);
    }
    for (int y = top; y < bottom; ++y) {
        Span& s = m_rows[size_t(y)];
        if (s.right <= s.left) {
            s = Span{left, right};
        } else {
            s.left = std::min(s.left, left);
            s.right = std::max(s.right, right);
        }
    }
}

bool PaintedRows::white(const QRect& rect) const
{
    if (m_unknown)
        return false;
    for (int y = std::max(rect.top(), m_top); y <= rect.bottom() && y < m_bottom; ++y) {
        const Span& s = m_rows[size_t(y)];
        if (!(s.right <= s.left || s.right <= rect.left() || s.left > rect.right()))
            return false;
    }
    return true;
}
