#include "exchange/BiffRecords.h"

#include <cstring>

namespace BiffRecords {

double f64(const uchar* p)
{
    quint64 bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = (bits << 8) | p[i];
    double d;
    std::memcpy(&d, &bits, 8);
    return d;
}

double rkValue(quint32 rk)
{
    double v;
    if (rk & 0x02) {
        v = double(qint32(rk) >> 2);
    } else {
        const quint64 bits = quint64(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&v, &bits, 8);
    }
    return (rk & 0x01) ? v / 100 : v;
}

Step recordAt(const QByteArray& s, qsizetype pos, Record* r)
{
    if (pos < 0 || pos > s.size() - 4)
        return Step::End;
    const auto* p = reinterpret_cast<const uchar*>(s.constData()) + pos;
    r->type = u16(p);
    r->size = u16(p + 2);
    r->data = pos + 4;
    if (r->size > s.size() - r->data)
        return Step::Damaged;
    r->next = r->data + r->size;
    return Step::Ok;
}

int takeChars(const uchar* p, const uchar* end, int count, bool wide, QString* out)
{
    const qsizetype avail = (end - p) / (wide ? 2 : 1);
    const int n = int(qMin<qsizetype>(count, avail));
    if (!wide) {
        out->append(QLatin1String(reinterpret_cast<const char*>(p), n));
        return n;
    }
    // A whole run at once: a character at a time costs more than the reading.
    const qsizetype from = out->size();
    out->resize(from + n);
    QChar* d = out->data() + from;
    for (int i = 0; i < n; ++i)
        d[i] = QChar(u16(p + 2 * i));
    return n;
}

QString recordString(const uchar* p, const uchar* end, bool shortLength)
{
    const int head = shortLength ? 2 : 3;
    if (end - p < head)
        return QString();
    const int count = shortLength ? p[0] : u16(p);
    const quint8 flags = p[head - 1];
    p += head;
    // Rich-text run count and phonetic data size come before the characters.
    const qsizetype skip = ((flags & 0x08) ? 2 : 0) + ((flags & 0x04) ? 4 : 0);
    if (end - p <= skip)
        return QString();
    p += skip;
    QString s;
    s.reserve(qMin<qsizetype>(count, end - p));
    takeChars(p, end, count, (flags & 0x01) != 0, &s);
    return s;
}

Continued::Continued(const QByteArray& s, const Record& first)
    : m_s(s), m_base(reinterpret_cast<const uchar*>(s.constData())), m_pos(first.data), m_end(first.next)
{
}

bool Continued::bytes(qsizetype n, const uchar** p)
{
    if (!ensure() || m_end - m_pos < n)
        return false; // headers are never split by the writers we know
    *p = m_base + m_pos;
    m_pos += n;
    return true;
}

bool Continued::skip(qint64 n)
{
    while (n > 0) {
        if (!ensure())
            return false;
        const qint64 take = qMin<qint64>(n, m_end - m_pos);
        m_pos += take;
        n -= take;
    }
    return true;
}

bool Continued::chars(int count, bool wide, QString* out)
{
    const qsizetype target = out->size() + count;
    while (out->size() < target) {
        if (m_pos >= m_end) {
            // Some writers leave an empty CONTINUE record between the parts.
            do {
                if (!nextRecord())
                    return false;
            } while (m_pos >= m_end);
            wide = (m_base[m_pos] & 0x01) != 0;
            ++m_pos;
        }
        m_pos +=
            (wide ? 2 : 1) * takeChars(m_base + m_pos, m_base + m_end, int(target - out->size()), wide, out);
        if (out->size() < target && m_end - m_pos == 1)
            return false; // half a wide character
    }
    return true;
}

bool Continued::ensure()
{
    while (m_pos >= m_end)
        if (!nextRecord())
            return false;
    return true;
}

bool Continued::nextRecord()
{
    Record r;
    if (recordAt(m_s, m_end, &r) != Step::Ok || r.type != kContinue)
        return false;
    m_pos = r.data;
    m_end = r.next;
    return true;
}

} // namespace BiffRecords
