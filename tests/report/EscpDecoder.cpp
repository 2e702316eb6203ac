#include "EscpDecoder.h"

#include <QRect>

#include <climits>
#include <cmath>
#include <cstring>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

constexpr int kInch = 3600;

// Dots struck, one byte a dot, grown as the head goes.
class Canvas
{
public:
    void strike(qint64 x, qint64 y)
    {
        if (x < 0 || y < 0)
            return;
        if (y >= qint64(m_rows.size()))
            m_rows.resize(size_t(y + 1));
        std::vector<uchar>& row = m_rows[size_t(y)];
        if (x >= qint64(row.size()))
            row.resize(size_t(x + 1), 0);
        row[size_t(x)] = 1;
        m_width = std::max(m_width, int(x + 1));
    }
    bool isEmpty() const { return m_width == 0; }
    void extendTo(qint64 rows)
    {
        if (rows > qint64(m_rows.size()))
            m_rows.resize(size_t(rows));
    }
    QImage image() const
    {
        QImage img(std::max(1, m_width), std::max<int>(1, int(m_rows.size())), QImage::Format_Grayscale8);
        img.fill(255);
        for (size_t y = 0; y < m_rows.size(); ++y) {
            uchar* line = img.scanLine(int(y));
            const std::vector<uchar>& row = m_rows[y];
            for (size_t x = 0; x < row.size(); ++x)
                if (row[x])
                    line[x] = 0;
        }
        return img;
    }

private:
    std::vector<std::vector<uchar>> m_rows;
    int m_width = 0;
};

struct ImageMode
{
    int bytesPerColumn; // 1, 3 or 6
    int dpi;            // across
};

bool imageMode(int m, ImageMode* mode)
{
    switch (m) {
    case 0:
        *mode = {1, 60};
        return true;
    case 1:
        *mode = {1, 120};
        return true;
    case 2:
        *mode = {1, 120};
        return true;
    case 3:
        *mode = {1, 240};
        return true;
    case 4:
        *mode = {1, 80};
        return true;
    case 6:
        *mode = {1, 90};
        return true;
    case 32:
        *mode = {3, 60};
        return true;
    case 33:
        *mode = {3, 120};
        return true;
    case 38:
        *mode = {3, 90};
        return true;
    case 39:
        *mode = {3, 180};
        return true;
    case 40:
        *mode = {3, 360};
        return true;
    case 41:
        *mode = {3, 360};
        return true;
    case 71:
        *mode = {6, 180};
        return true;
    case 72:
        *mode = {6, 360};
        return true;
    case 73:
        *mode = {6, 360};
        return true;
    default:
        return false;
    }
}

class Machine
{
public:
    Machine(const QByteArray& s, EscpDecoder::Paper paper, int dpiX, int dpiY, EscpDecoder::Result* r)
        : m_s(s), m_paper(paper), m_dpiX(dpiX), m_dpiY(dpiY), m_r(r)
    {
        reset();
    }

    bool run(QString* error);

private:
    void reset()
    {
        m_lineSpacing = kInch / 6;
        m_unit = 0; // none set: each command's own default
        m_lq = false;
        m_x = 0;
    }
    bool need(int n, QString* error)
    {
        if (m_i + n <= m_s.size())
            return true;
        *error = QStringLiteral("stream ends inside a command at byte %1").arg(m_start);
        return false;
    }
    int byte(int at) const { return uchar(m_s.at(at)); }
    int word(int at) const { return byte(at) | (byte(at + 1) << 8); }
    void seen(const QString& command)
    {
        if (!m_r->commands.contains(command))
            m_r->commands.append(command);
    }
    void strike(qint64 x3600, qint64 y3600)
    {
        m_canvas.strike(x3600 * m_dpiX / kInch, y3600 * m_dpiY / kInch);
    }
    void formFeed()
    {
        if (m_paper == EscpDecoder::Paper::Sheets) {
            m_canvas.extendTo(qint64(m_pageLength) * m_dpiY / kInch);
            m_r->images.append(m_canvas.image());
            m_canvas = Canvas();
            m_y = 0;
            m_tof = 0;
        } else {
            m_y = m_tof + m_pageLength;
            m_tof = m_y;
            m_r->topsOfForm.append(int(m_tof * m_dpiY / kInch));
        }
        m_x = 0;
    }
    void setTopOfForm(int length)
    {
        m_pageLength = length;
        m_r->pageLengths.append(length);
        m_tof = m_y;
        if (m_paper == EscpDecoder::Paper::Continuous &&
            (m_r->topsOfForm.isEmpty() || m_r->topsOfForm.last() != int(m_tof * m_dpiY / kInch)))
            m_r->topsOfForm.append(int(m_tof * m_dpiY / kInch));
    }
    bool bitImage(QString* error);
    bool raster(QString* error);
    bool parenthesis(QString* error);

    const QByteArray& m_s;
    EscpDecoder::Paper m_paper;
    int m_dpiX;
    int m_dpiY;
    EscpDecoder::Result* m_r;
    Canvas m_canvas;
    int m_i = 0;
    int m_start = 0;
    qint64 m_x = 0;
    qint64 m_y = 0;
    qint64 m_tof = 0;
    int m_pageLength = 11 * kInch;
    int m_lineSpacing = kInch / 6;
    int m_unit = 0;
    bool m_lq = false;
};

bool Machine::bitImage(QString* error)
{
    if (!need(3, error))
        return false;
    const int m = byte(m_i);
    const int n = word(m_i + 1);
    m_i += 3;
    ImageMode mode;
    if (!imageMode(m, &mode)) {
        *error = QStringLiteral("ESC * with unknown mode %1 at byte %2").arg(m).arg(m_start);
        return false;
    }
    seen(QStringLiteral("ESC *%1").arg(m));
    if (!need(n * mode.bytesPerColumn, error))
        return false;
    // 8-dot modes use every third pin of a 24-pin head (1/60 in apart).
    const int pitch = mode.bytesPerColumn == 1   ? kInch / 60
                      : mode.bytesPerColumn == 3 ? kInch / 180
                                                 : kInch / 360;
    const int step = kInch / mode.dpi;
    for (int c = 0; c < n; ++c) {
        for (int b = 0; b < mode.bytesPerColumn; ++b) {
            const int v = byte(m_i + c * mode.bytesPerColumn + b);
            for (int bit = 0; bit < 8; ++bit)
                if (v & (0x80 >> bit))
                    strike(m_x + qint64(c) * step, m_y + qint64(b * 8 + bit) * pitch);
        }
    }
    m_i += n * mode.bytesPerColumn;
    m_x += qint64(n) * step;
    return true;
}

// ESC . c v h m nL nH: m rows of n dots, v and h in 1/3600 in; c = 1 is
// TIFF pack-bits.
bool Machine::raster(QString* error)
{
    if (!need(6, error))
        return false;
    const int c = byte(m_i), v = byte(m_i + 1), h = byte(m_i + 2), m = byte(m_i + 3);
    const int n = word(m_i + 4);
    m_i += 6;
    seen(QStringLiteral("ESC .%1").arg(c));
    const int rowBytes = (n + 7) / 8;
    QByteArray data;
    const int want = rowBytes * m;
    if (c == 0) {
        if (!need(want, error))
            return false;
        data = m_s.mid(m_i, want);
        m_i += want;
    } else if (c == 1) {
        while (data.size() < want) {
            if (!need(1, error))
                return false;
            const int k = qint8(m_s.at(m_i++));
            if (k >= 0) {
                if (!need(k + 1, error))
                    return false;
                data.append(m_s.mid(m_i, k + 1));
                m_i += k + 1;
            } else if (k != -128) {
                if (!need(1, error))
                    return false;
                data.append(QByteArray(1 - k, m_s.at(m_i++)));
            }
        }
    } else {
        *error = QStringLiteral("ESC . with unknown compression %1 at byte %2").arg(c).arg(m_start);
        return false;
    }
    for (int row = 0; row < m; ++row)
        for (int x = 0; x < n; ++x)
            if (uchar(data.at(row * rowBytes + x / 8)) & (0x80 >> (x % 8)))
                strike(m_x + qint64(x) * h, m_y + qint64(row) * v);
    m_x += qint64(n) * h;
    return true;
}

bool Machine::parenthesis(QString* error)
{
    if (!need(3, error))
        return false;
    const char c = m_s.at(m_i);
    const int len = word(m_i + 1);
    m_i += 3;
    if (!need(len, error))
        return false;
    const int at = m_i;
    m_i += len;
    seen(QStringLiteral("ESC (%1").arg(QLatin1Char(c)));
    const int unit = m_unit ? m_unit : kInch / 360;
    switch (c) {
    case 'C': // page length
        setTopOfForm((len >= 4 ? word(at + 2) : word(at)) * unit);
        break;
    case 'V': // absolute vertical place from the top of form
        m_y = m_tof + qint64(word(at)) * unit;
        break;
    case 'v': // relative
        m_y += qint64(qint16(word(at))) * unit;
        break;
    case 'U':
        m_unit = byte(at) ? byte(at) : m_unit;
        break;
    case 'c': // margins, graphics mode, dot size and the like change no place
    case 'G':
    case 'i':
    case 'e':
    case 'K':
    case 't':
    case 'r':
        break;
    default:
        *error = QStringLiteral("unknown command ESC ( %1 at byte %2").arg(QLatin1Char(c)).arg(m_start);
        return false;
    }
    return true;
}

bool Machine::run(QString* error)
{
    while (m_i < m_s.size()) {
        m_start = m_i;
        const int b = byte(m_i++);
        switch (b) {
        case 0x0d:
            seen(QStringLiteral("CR"));
            m_x = 0;
            continue;
        case 0x0a:
            seen(QStringLiteral("LF"));
            m_x = 0;
            m_y += m_lineSpacing;
            continue;
        case 0x0c:
            seen(QStringLiteral("FF"));
            formFeed();
            continue;
        case 0x00:
        case 0x12: // condensed off and the like
        case 0x0f:
            continue;
        case 0x1b:
            break;
        default:
            ++m_r->textBytes;
            continue;
        }
        if (!need(1, error))
            return false;
        const char c = m_s.at(m_i++);
        const QString name = QStringLiteral("ESC %1").arg(QLatin1Char(c));
        auto arg = [&](int n) {
            if (!need(n, error))
                return false;
            m_i += n;
            return true;
        };
        switch (c) {
        case '@':
            seen(name);
            reset();
            break;
        case '*':
            if (!bitImage(error))
                return false;
            break;
        case '.':
            if (!raster(error))
                return false;
            break;
        case '(':
            if (!parenthesis(error))
                return false;
            break;
        case 'J':
            if (!need(1, error))
                return false;
            seen(name);
            m_y += qint64(byte(m_i++)) * (kInch / 180);
            break;
        case 'j':
            if (!need(1, error))
                return false;
            seen(name);
            m_y -= qint64(byte(m_i++)) * (kInch / 180);
            break;
        case '3':
        case '+':
        case 'A':
            if (!need(1, error))
                return false;
            seen(name);
            m_lineSpacing = byte(m_i++) * (c == '3' ? kInch / 180 : c == '+' ? kInch / 360 : kInch / 60);
            break;
        case '2':
            seen(name);
            m_lineSpacing = kInch / 6;
            break;
        case '0':
            seen(name);
            m_lineSpacing = kInch / 8;
            break;
        case 'C':
            if (!need(1, error))
                return false;
            seen(name);
            if (byte(m_i) == 0) {
                if (!need(2, error))
                    return false;
                setTopOfForm(byte(m_i + 1) * kInch);
                m_i += 2;
            } else {
                setTopOfForm(byte(m_i) * m_lineSpacing);
                ++m_i;
            }
            break;
        case '$':
            if (!need(2, error))
                return false;
            seen(name);
            m_x = qint64(word(m_i)) * (m_unit ? m_unit : kInch / 60);
            m_i += 2;
            break;
        case '\\':
            if (!need(2, error))
                return false;
            seen(name);
            m_x += qint64(qint16(word(m_i))) * (m_unit ? m_unit : m_lq ? kInch / 180 : kInch / 120);
            m_i += 2;
            break;
        case 'x':
            if (!need(1, error))
                return false;
            seen(name);
            m_lq = byte(m_i) == 1 || byte(m_i) == '1';
            ++m_i;
            break;
        // One argument, no bearing on where dots land.
        case 'U':
        case 'r':
        case 'l':
        case 'Q':
        case 'N':
        case 'k':
        case 't':
        case 'p':
        case 'w':
        case 'W':
        case '-':
        case 'S':
        case 'R':
        case 'I':
        case '!':
        case 'a':
        case 'q':
            seen(name);
            if (!arg(1))
                return false;
            break;
        // No argument.
        case 'P':
        case 'M':
        case 'g':
        case 'O':
        case 'E':
        case 'F':
        case 'G':
        case 'H':
        case '4':
        case '5':
        case 'T':
        case '<':
        case '6':
        case '7':
            seen(name);
            break;
        default:
            *error = QStringLiteral("unknown command ESC 0x%1 at byte %2")
                         .arg(int(uchar(c)), 2, 16, QLatin1Char('0'))
                         .arg(m_start);
            return false;
        }
    }
    if (m_paper == EscpDecoder::Paper::Continuous)
        m_r->images.append(m_canvas.image());
    else if (!m_canvas.isEmpty())
        m_r->images.append(m_canvas.image()); // a last sheet with no form feed
    return true;
}

} // namespace

bool EscpDecoder::decode(const QByteArray& stream, Paper paper, int dpiX, int dpiY, Result* result,
                         QString* error)
{
    *result = Result();
    Machine machine(stream, paper, dpiX, dpiY, result);
    return machine.run(error);
}

QRect EscpDecoder::inkBox(const QImage& image, const QRect& window)
{
    const QRect r = window.intersected(image.rect());
    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const uchar* line = image.constScanLine(y);
        for (int x = r.left(); x <= r.right(); ++x) {
            if (line[x] < 128) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

QList<QRect> EscpDecoder::inkGroups(const QImage& image, int cellX, int cellY)
{
    const int cols = (image.width() + cellX - 1) / cellX;
    const int rows = (image.height() + cellY - 1) / cellY;
    std::vector<char> inked(size_t(cols) * rows, 0);
    for (int y = 0; y < image.height(); ++y) {
        const uchar* line = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x)
            if (line[x] < 128)
                inked[size_t(y / cellY) * cols + x / cellX] = 1;
    }
    QList<QRect> groups;
    std::vector<int> stack;
    for (int start = 0; start < int(inked.size()); ++start) {
        if (inked[size_t(start)] != 1)
            continue;
        QRect cells;
        stack.push_back(start);
        inked[size_t(start)] = 2;
        while (!stack.empty()) {
            const int c = stack.back();
            stack.pop_back();
            const int cx = c % cols, cy = c / cols;
            cells |= QRect(cx, cy, 1, 1);
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int nx = cx + dx, ny = cy + dy;
                    if (nx < 0 || ny < 0 || nx >= cols || ny >= rows)
                        continue;
                    const size_t n = size_t(ny) * cols + nx;
                    if (inked[n] == 1) {
                        inked[n] = 2;
                        stack.push_back(int(n));
                    }
                }
        }
        groups.append(inkBox(image, QRect(cells.left() * cellX, cells.top() * cellY, cells.width() * cellX,
                                          cells.height() * cellY)));
    }
    return groups;
}

namespace {
bool inkAt(const QImage& image, int x, int y)
{
    return image.rect().contains(x, y) && image.constScanLine(y)[x] < 128;
}

bool inkNear(const QImage& image, int x, int y, int reach)
{
    for (int dy = -reach; dy <= reach; ++dy)
        for (int dx = -reach; dx <= reach; ++dx)
            if (inkAt(image, x + dx, y + dy))
                return true;
    return false;
}
} // namespace

qint64 EscpDecoder::differingDots(const QImage& a, const QImage& b, const QRect& rect, int dx, int dy)
{
    qint64 n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            n += inkAt(a, x, y) != inkAt(b, x + dx, y + dy) ? 1 : 0;
    return n;
}

qint64 EscpDecoder::strayDots(const QImage& a, const QImage& b, const QRect& rect, int reach)
{
    qint64 n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const bool inA = inkAt(a, x, y), inB = inkAt(b, x, y);
            if (inA != inB && !inkNear(inA ? b : a, x, y, reach))
                ++n;
        }
    }
    return n;
}

QImage EscpDecoder::crop(const QImage& image, const QRect& rect)
{
    QImage out(rect.size(), QImage::Format_Grayscale8);
    out.fill(255);
    const QRect from = rect.intersected(image.rect());
    for (int y = from.top(); y <= from.bottom(); ++y)
        memcpy(out.scanLine(y - rect.top()) + (from.left() - rect.left()),
               image.constScanLine(y) + from.left(), size_t(from.width()));
    return out;
}

double EscpDecoder::worstOffsetMm(const QImage& got, const QImage& want, int dpiX, int dpiY, int* groups,
                                  QPoint* where)
{
    // Groups of dots at most about 1/30 in apart; each is looked for within
    // 1 mm of where it should be.
    const QList<QRect> found = inkGroups(want, 6 * dpiX / 180, 6 * dpiY / 180);
    const int mx = 7 * dpiX / 180, my = 7 * dpiY / 180;
    const double mmX = 25.4 / dpiX, mmY = 25.4 / dpiY;
    double worst = 0;
    for (const QRect& g : found) {
        const QRect window = g.adjusted(-mx, -my, mx, my);
        const QRect a = inkBox(got, window), b = inkBox(want, window);
        const double off =
            a.isNull()
                ? INFINITY
                : std::max({std::abs(a.left() - b.left()) * mmX, std::abs(a.right() - b.right()) * mmX,
                            std::abs(a.top() - b.top()) * mmY, std::abs(a.bottom() - b.bottom()) * mmY});
        if (off >= worst && where)
            *where = g.topLeft();
        worst = std::max(worst, off);
    }
    if (groups)
        *groups = int(found.size());
    return worst;
}
