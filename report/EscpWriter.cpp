#include "report/EscpWriter.h"

#include "report/ReportLayout.h"

#include <QCoreApplication>
#include <QIODevice>
#include <QImage>
#include <QPainter>
#include <QtEndian>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace {

constexpr char kEsc = '\x1b';
constexpr int kDotsDown = 180; // dots per inch down, every mode used here
constexpr int kPins = 24;

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

QString tr(const char* text)
{
    return QCoreApplication::translate("EscpWriter", text);
}

// Bits of a byte the other way round.
constexpr std::array<uchar, 256> kReversed = [] {
    std::array<uchar, 256> t{};
    for (int b = 0; b < 256; ++b)
        for (int i = 0; i < 8; ++i)
            if (b & (1 << i))
                t[size_t(b)] |= uchar(0x80 >> i);
    return t;
}();

void put16(QByteArray* out, int n)
{
    out->append(char(n & 0xff));
    out->append(char((n >> 8) & 0xff));
}

} // namespace

EscpWriter::EscpWriter(QIODevice* out, const EscpOptions& options) : m_out(out), m_options(options)
{
    if (m_options.dpiX != 360)
        m_options.dpiX = 180;
}

void EscpWriter::warnOnce(const QString& text)
{
    if (!m_warnings.contains(text))
        m_warnings.append(text);
}

bool EscpWriter::put(const QByteArray& bytes, QString* error)
{
    if (m_out->write(bytes) != bytes.size()) {
        setError(error, tr("无法写出针式打印机数据：%1").arg(m_out->errorString()));
        return false;
    }
    m_bytes += bytes.size();
    return true;
}

void EscpWriter::render(const ReportLayout& layout, int page, double topOffsetDots)
{
    // Text is drawn at one resolution both ways; 360 x 180 is painted at
    // 360 x 360 and every two rows struck as one.
    const int dpiX = m_options.dpiX;
    const int dpiY = dpiX == 360 ? 360 : kDotsDown;
    const int rowsPerDot = dpiY / kDotsDown;
    const QSizeF mm = layout.pageSizeMm();
    const int width = std::max(1, int(std::ceil(mm.width() / 25.4 * dpiX - 1e-6)));
    const int height = std::max(1, int(std::ceil(mm.height() / 25.4 * kDotsDown + topOffsetDots - 1e-6)));
    // One canvas for every form of a run: the offset adds a row at most.
    const int canvasRows = (int(std::ceil(mm.height() / 25.4 * kDotsDown - 1e-6)) + 1) * rowsPerDot;
    if (m_canvas.width() != width || m_canvas.height() < height * rowsPerDot)
        m_canvas = DotCanvas(width, std::max(canvasRows, height * rowsPerDot), dpiX, dpiY);
    // The last form's dots are whited out where it painted them, so that
    // the page engine need not fill the page.
    m_canvas.whiteOut();
    QPainter painter(&m_canvas);
    // A dot is either struck or not: grey edges would only be thresholded away.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.translate(0, topOffsetDots * rowsPerDot);
    layout.paintPage(&painter, page);
    painter.end();
    pack(m_canvas, height, rowsPerDot, &m_canvas);
}

void EscpWriter::pack(const QImage& image, int rows, int rowsPerDot, const DotCanvas* canvas)
{
    const int width = image.width();
    m_dotWidth = width;
    m_dotRows = rows;
    const int bitsPerRow = (width + 7) / 8;
    if (bitsPerRow != m_bitsPerRow || m_bits.size() < size_t(bitsPerRow) * size_t(rows) + 16) {
        m_bitsPerRow = bitsPerRow;
        // Sixteen bytes more for reading the last row sixteen at a time.
        m_bits.assign(size_t(bitsPerRow) * size_t(rows) + 16, 0);
        m_inked.assign(size_t(rows), Span());
    }
    m_inked.resize(std::max(m_inked.size(), size_t(rows)));
    // Only the bytes the last form set are cleared.
    for (size_t y = 0; y < m_inked.size(); ++y) {
        Span& s = m_inked[y];
        if (s.right > s.left)
            memset(m_bits.data() + y * size_t(bitsPerRow) + size_t(s.left), 0, size_t(s.right - s.left));
        s = Span();
    }
    for (int y = 0; y < rows; ++y) {
        uchar* out = m_bits.data() + size_t(y) * size_t(m_bitsPerRow);
        Span& inked = m_inked[size_t(y)];
        // Two rows struck as one at a time: a dot is ink where either is.
        for (int k = 0; k < rowsPerDot; k += 2) {
            const int row = y * rowsPerDot + k;
            const int next = k + 1 < rowsPerDot ? row + 1 : row;
            const uchar* line = image.constScanLine(row);
            const uchar* line2 = image.constScanLine(next);
            // Only what the canvas may have painted; from a whole byte.
            DotCanvas::Span span = canvas ? canvas->painted(row) : DotCanvas::Span{0, width};
            const DotCanvas::Span span2 = canvas ? canvas->painted(next) : span;
            if (span.right <= span.left)
                span = span2;
            else if (span2.right > span2.left)
                span = DotCanvas::Span{std::min(span.left, span2.left), std::max(span.right, span2.right)};
            if (span.right <= span.left)
                continue;
            const int end = std::min(span.right, width);
            int x = span.left / 8 * 8;
            inked.left = inked.right > inked.left ? std::min(inked.left, x / 8) : x / 8;
            inked.right = std::max(inked.right, (end + 7) / 8);
#ifdef __SSE2__
            // Sixteen grey dots at a time: their high bits (white) in one
            // go, the leftmost dot to the high bit of its byte; sixty-four
            // white ones passed over at once, as most of a form is white.
            const bool two = next != row;
            auto load = [&](int at) {
                const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line + at));
                return two ? _mm_and_si128(a, _mm_loadu_si128(reinterpret_cast<const __m128i*>(line2 + at)))
                           : a;
            };
            auto sixteen = [&](int at) {
                const int light = _mm_movemask_epi8(load(at));
                if (light == 0xffff)
                    return;
                out[at / 8] |= kReversed[~light & 0xff];
                out[at / 8 + 1] |= kReversed[(~light >> 8) & 0xff];
            };
            for (; x + 64 <= end; x += 64) {
                const __m128i all = _mm_and_si128(_mm_and_si128(load(x), load(x + 16)),
                                                  _mm_and_si128(load(x + 32), load(x + 48)));
                if (_mm_movemask_epi8(all) == 0xffff)
                    continue;
                for (int i = 0; i < 64; i += 16)
                    sixteen(x + i);
            }
            for (; x + 16 <= end; x += 16)
                sixteen(x);
#endif
            // Eight grey dots at a time: the high bit of each (white) to one
            // byte, the leftmost dot in the high bit.
            for (; x + 8 <= end; x += 8) {
                const quint64 light =
                    qFromLittleEndian<quint64>(line + x) & qFromLittleEndian<quint64>(line2 + x);
                const quint64 ink = (~light >> 7) & 0x0101010101010101ULL;
                out[x / 8] |= uchar((ink * 0x8040201008040201ULL) >> 56);
            }
            for (; x < end; ++x)
                if (std::min(line[x], line2[x]) < 128)
                    out[x / 8] |= uchar(0x80 >> (x % 8));
        }
    }
}

bool EscpWriter::writePage(const ReportLayout& layout, int page, QString* error)
{
    const double heightMm = layout.pageSizeMm().height();
    // The form is painted where it lands to the fraction of a dot, so the
    // carried remainder moves the ink too.
    const double exact = m_options.paper == EscpOptions::Paper::Continuous ? m_formTop : 0;
    render(layout, page, (exact - std::floor(exact)) / 2);
    return writeDots(heightMm, error);
}

void EscpWriter::pageLength(QByteArray* out, double pageHeightMm)
{
    const double wanted360 = pageHeightMm / 25.4 * 360;
    if (m_options.escp2) {
        const int n = int(std::lround(wanted360));
        out->append(kEsc).append("(C", 2);
        put16(out, 2);
        put16(out, n);
        return;
    }
    // In lines: the nearest product of a line spacing (1/180 in) and a
    // count of lines; the spacing set last stays for LF, which is not used.
    int bestSpacing = 30;
    int bestLines = 1;
    double bestError = 1e9;
    for (int spacing = 1; spacing <= 255; ++spacing) {
        for (int lines = std::max(1, int(wanted360 / 2 / spacing)); lines <= 127; ++lines) {
            const double e = std::abs(spacing * lines * 2.0 - wanted360);
            if (e < bestError - 1e-9) {
                bestError = e;
                bestSpacing = spacing;
                bestLines = lines;
            }
            if (spacing * lines * 2.0 > wanted360)
                break;
        }
    }
    out->append(kEsc).append('3').append(char(bestSpacing));
    out->append(kEsc).append('C').append(char(bestLines));
    const double setMm = bestSpacing * bestLines / 180.0 * 25.4;
    if (m_options.paper == EscpOptions::Paper::Sheets && std::abs(setMm - pageHeightMm) >= 0.05)
        warnOnce(tr("打印机的页长只能设为 %1 毫米（表单 %2 毫米），换页时差 %3 毫米。")
                     .arg(setMm, 0, 'f', 2)
                     .arg(pageHeightMm, 0, 'f', 1)
                     .arg(setMm - pageHeightMm, 0, 'f', 2));
}

bool EscpWriter::begin(double pageHeightMm, QString* error)
{
    m_started = true;
    m_pageHeight360 = pageHeightMm / 25.4 * 360;
    QByteArray out;
    out.append(kEsc).append('@');
    // Letter quality, one direction: both passes of a line land alike.
    out.append(kEsc).append('x').append('\x01');
    out.append(kEsc).append('U').append('\x01');
    // No skip over the perforation: the forms fill the whole page.
    out.append(kEsc).append('O');
    // Setting the page length makes the head's place the top of form.
    pageLength(&out, pageHeightMm);
    return put(out, error);
}

void EscpWriter::feed(QByteArray* out, qint64 units360)
{
    while (units360 >= 2) {
        const int n = int(std::min<qint64>(255, units360 / 2));
        out->append(kEsc).append('J').append(char(n));
        units360 -= 2 * n;
    }
    if (units360 == 1) {
        out->append(kEsc).append('+').append('\x01');
        out->append('\n');
    }
}

namespace {
// Rows of an 8 x 8 block of dots (row 0 in the high byte, the leftmost dot
// in each byte's high bit) turned into its columns, the same way round.
quint64 transpose8(quint64 x)
{
    x = (x & 0xAA55AA55AA55AA55ULL) | ((x & 0x00AA00AA00AA00AAULL) << 7) | ((x >> 7) & 0x00AA00AA00AA00AAULL);
    x = (x & 0xCCCC3333CCCC3333ULL) | ((x & 0x0000CCCC0000CCCCULL) << 14) |
        ((x >> 14) & 0x0000CCCC0000CCCCULL);
    x = (x & 0xF0F0F0F00F0F0F0FULL) | ((x & 0x00000000F0F0F0F0ULL) << 28) |
        ((x >> 28) & 0x00000000F0F0F0F0ULL);
    return x;
}
} // namespace

void EscpWriter::band(QByteArray* out, int top)
{
    const int rows = std::min(kPins, m_dotRows - top);
    const int chunks = m_bitsPerRow;
    const uchar* bits = m_bits.data() + size_t(top) * size_t(chunks);
    // Most rows of a form are blank: the ink's reach in whole bytes first,
    // looked for only where the row was set.
    int from = chunks, to = -1;
    for (int r = 0; r < rows; ++r) {
        const uchar* line = bits + size_t(r) * size_t(chunks);
        const Span inked = m_inked[size_t(top + r)];
        int a = inked.left;
        while (a + 8 <= inked.right && !qFromUnaligned<quint64>(line + a))
            a += 8;
        while (a < inked.right && !line[a])
            ++a;
        if (a >= inked.right)
            continue;
        int b = inked.right;
        while (b - 8 >= a && !qFromUnaligned<quint64>(line + b - 8))
            b -= 8;
        while (!line[b - 1])
            --b;
        from = std::min(from, a);
        to = std::max(to, b - 1);
    }
    if (to < 0)
        return;
    // Three bytes a column, the top pin in the high bit of the first;
    // eight rows by eight columns at a time.
    if (m_columns.size() < (chunks + 16) * 8 * 3)
        m_columns.resize((chunks + 16) * 8 * 3);
    char* col = m_columns.data();
    int wide = from; // byte columns done sixteen at a time
#ifdef __SSE2__
    // Sixteen bytes of eight rows each, interleaved so that every eight
    // bytes hold one byte column, the top row last: the high bits of
    // sixteen such bytes are then one dot column's pins, for two columns.
    memset(col + from * 8 * 3, 0, size_t(to - from + 1) * 8 * 3);
    // The last sixteen may reach past the ink (zero bytes) and the row (into
    // the padding or the next row, dots past the last one never sent).
    for (; wide <= to; wide += 16) {
        for (int group = 0; group * 8 < kPins; ++group) {
            __m128i r[8];
            __m128i any = _mm_setzero_si128();
            for (int k = 0; k < 8; ++k) {
                const int row = group * 8 + k;
                r[k] = row < rows ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(
                                        bits + size_t(row) * size_t(chunks) + size_t(wide)))
                                  : _mm_setzero_si128();
                any = _mm_or_si128(any, r[k]);
            }
            if (_mm_movemask_epi8(_mm_cmpeq_epi8(any, _mm_setzero_si128())) == 0xffff)
                continue;
            for (int half = 0; half < 2; ++half) {
                auto pairs = [&](int a, int b) {
                    return half ? _mm_unpackhi_epi8(r[a], r[b]) : _mm_unpacklo_epi8(r[a], r[b]);
                };
                const __m128i a0 = pairs(7, 6), a1 = pairs(5, 4), a2 = pairs(3, 2), a3 = pairs(1, 0);
                const __m128i b[4] = {_mm_unpacklo_epi16(a0, a1), _mm_unpacklo_epi16(a2, a3),
                                      _mm_unpackhi_epi16(a0, a1), _mm_unpackhi_epi16(a2, a3)};
                const __m128i q[4] = {_mm_unpacklo_epi32(b[0], b[1]), _mm_unpackhi_epi32(b[0], b[1]),
                                      _mm_unpacklo_epi32(b[2], b[3]), _mm_unpackhi_epi32(b[2], b[3])};
                for (int n = 0; n < 4; ++n) {
                    __m128i v = q[n];
                    if (_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128())) == 0xffff)
                        continue;
                    // Byte columns c and c + 1; dot by dot from the left.
                    char* at = col + (wide + half * 8 + n * 2) * 8 * 3 + group;
                    for (int j = 0; j < 8; ++j) {
                        const int pins = _mm_movemask_epi8(v);
                        at[j * 3] = char(pins & 0xff);
                        at[(8 + j) * 3] = char(pins >> 8);
                        v = _mm_add_epi8(v, v);
                    }
                }
            }
        }
    }
#endif
    for (int group = 0; group * 8 < kPins; ++group) {
        for (int c = wide; c <= to; ++c) {
            quint64 block = 0;
            for (int k = 0; k < 8; ++k) {
                const int r = group * 8 + k;
                block = (block << 8) | (r < rows ? bits[size_t(r) * size_t(chunks) + size_t(c)] : 0);
            }
            if (block)
                block = transpose8(block);
            char* at = col + c * 8 * 3 + group;
            for (int i = 0; i < 8; ++i)
                at[i * 3] = char(block >> (56 - 8 * i));
        }
    }
    auto blank = [col](int x) { return !col[x * 3] && !col[x * 3 + 1] && !col[x * 3 + 2]; };
    int first = from * 8;
    while (blank(first))
        ++first;
    int last = std::min(m_dotWidth, to * 8 + 8) - 1;
    while (blank(last))
        --last;
    // ESC $ moves in 1/60 in: start at the step at or before the first dot.
    const int perStep = m_options.dpiX / 60;
    const int start = first / perStep * perStep;
    const int count = last - start + 1;
    // Columns between the step and the first dot are blank.
    for (int x = start; x < first; ++x)
        col[x * 3] = col[x * 3 + 1] = col[x * 3 + 2] = 0;
    // At 360 dpi the head cannot strike a pin in two neighbouring columns
    // in one pass: even columns, then odd ones.
    const int passes = m_options.dpiX == 360 ? 2 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        out->append(kEsc).append('$');
        put16(out, start / perStep);
        out->append(kEsc).append('*').append(char(m_options.dpiX == 360 ? 40 : 39));
        put16(out, count);
        const int at = out->size();
        out->append(m_columns.constData() + start * 3, count * 3);
        if (passes == 2) {
            // Every other column of three bytes blanked: the pattern repeats
            // every eight columns, three words.
            char* data = out->data() + at;
            const size_t bytes = size_t(count) * 3;
            const size_t keep = size_t((pass - start) & 1);
            std::array<uchar, 24> pattern{};
            for (size_t b = 0; b < pattern.size(); ++b)
                pattern[b] = (b / 3) % 2 == keep ? 0xff : 0;
            std::array<quint64, 3> mask{};
            memcpy(mask.data(), pattern.data(), pattern.size());
            size_t i = 0;
            for (; i + 24 <= bytes; i += 24)
                for (size_t w = 0; w < 3; ++w)
                    qToUnaligned(qFromUnaligned<quint64>(data + i + 8 * w) & mask[w], data + i + 8 * w);
            for (; i < bytes; ++i)
                if ((i / 3) % 2 != keep)
                    data[i] = 0;
        }
    }
}

bool EscpWriter::writeForm(const QImage& dotsIn, double pageHeightMm, QString* error)
{
    pack(dotsIn.format() == QImage::Format_Grayscale8 ? dotsIn
                                                      : dotsIn.convertToFormat(QImage::Format_Grayscale8),
         dotsIn.height(), 1, nullptr);
    return writeDots(pageHeightMm, error);
}

bool EscpWriter::writeDots(double pageHeightMm, QString* error)
{
    if (!m_started && !begin(pageHeightMm, error))
        return false;
    const bool continuous = m_options.paper == EscpOptions::Paper::Continuous;
    // The form's first row lands at start (1/360 in), its rows 2 apart.
    const qint64 start = continuous ? qint64(std::floor(m_formTop)) : 0;
    QByteArray out;
    out.reserve(256 * 1024);
    for (int top = 0; top < m_dotRows; top += kPins) {
        const int before = out.size();
        feed(&out, start + 2 * top - m_head);
        const int fed = out.size();
        band(&out, top);
        if (out.size() == fed) {
            out.truncate(before); // a blank band: the paper moves on with the next one
            continue;
        }
        m_head = start + 2 * top;
        if (out.size() > 128 * 1024) {
            if (!put(out, error))
                return false;
            out.clear();
        }
    }
    ++m_forms;
    if (continuous) {
        m_formTop += m_pageHeight360;
    } else {
        out.append('\f');
        m_head = 0;
    }
    // The head stands at the left margin for whatever comes next.
    out.append('\r');
    return put(out, error);
}

bool EscpWriter::finish(QString* error)
{
    if (!m_started)
        return true;
    QByteArray out;
    if (m_options.paper == EscpOptions::Paper::Continuous) {
        feed(&out, qint64(std::llround(m_formTop)) - m_head);
        m_head = qint64(std::llround(m_formTop));
    }
    out.append(kEsc).append('@');
    return put(out, error);
}

bool EscpWriter::write(ReportLayout* layout, QIODevice* out, const EscpOptions& options, QString* error,
                       QStringList* warnings, const std::function<bool(int, int)>& progress)
{
    if (!layout->isStarted())
        layout->start();
    EscpWriter writer(out, options);
    int page = 0;
    while (true) {
        // A page is complete once the next one has begun or the run is over.
        while (layout->pageCount() <= page + 1 && !layout->isFinished())
            layout->step();
        if (page >= layout->pageCount())
            break;
        if (!writer.writePage(*layout, page, error))
            return false;
        ++page;
        if (progress && !progress(page, layout->expectedPageCount())) {
            layout->cancel();
            setError(error, tr("已取消。"));
            return false;
        }
    }
    if (page == 0) {
        setError(error, tr("报表没有可输出的页。"));
        return false;
    }
    if (!writer.finish(error))
        return false;
    if (warnings)
        *warnings = writer.warnings();
    return true;
}
