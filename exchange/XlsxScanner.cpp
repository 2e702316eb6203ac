#include "exchange/XlsxScanner.h"

#include <QIODevice>

#include <cstring>

namespace {

constexpr qsizetype kChunk = qsizetype(1) << 18;
// A name or a character reference longer than this is not ours to read.
constexpr int kMaxReference = 10;
// Tags and texts longer than this are not what a workbook writes; they are
// left to QXmlStreamReader rather than buffered.
constexpr qsizetype kMaxToken = qsizetype(4) << 20;

bool isSpace(char c)
{
    return c == ' ' || c == '\n' || c == '\t' || c == '\r';
}

bool isNameStart(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool isNameChar(char c)
{
    return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

// An XML character (XML 1.0, section 2.2).
bool isXmlChar(char32_t u)
{
    return u == 0x9 || u == 0xA || u == 0xD || (u >= 0x20 && u <= 0xD7FF) || (u >= 0xE000 && u <= 0xFFFD) ||
           (u >= 0x10000 && u <= 0x10FFFF);
}

// A qualified name at p..end: prefix:local or local, ASCII only. Returns
// its length (0 when there is none) and where the colon is (-1 without).
qsizetype qualifiedName(const char* p, const char* end, qsizetype* colon)
{
    *colon = -1;
    if (p == end || !isNameStart(*p))
        return 0;
    const char* q = p + 1;
    for (; q < end; ++q) {
        if (*q == ':') {
            if (*colon >= 0 || q + 1 == end || !isNameStart(q[1]))
                return 0;
            *colon = q - p;
        } else if (!isNameChar(*q)) {
            break;
        }
    }
    return q - p;
}

// The reference at p (just past '&') up to end: its character, and p moved
// past the ';'. False for anything but the predefined entities and
// character references of XML characters.
bool reference(const char*& p, const char* end, char32_t* out)
{
    const char* semi =
        static_cast<const char*>(std::memchr(p, ';', size_t(qMin<qsizetype>(end - p, kMaxReference + 2))));
    if (!semi)
        return false;
    const QLatin1String ref(p, semi - p);
    p = semi + 1;
    if (ref == QLatin1String("lt"))
        *out = '<';
    else if (ref == QLatin1String("gt"))
        *out = '>';
    else if (ref == QLatin1String("amp"))
        *out = '&';
    else if (ref == QLatin1String("quot"))
        *out = '"';
    else if (ref == QLatin1String("apos"))
        *out = '\'';
    else if (ref.size() >= 2 && ref.at(0) == QLatin1Char('#')) {
        const bool hex = ref.at(1) == QLatin1Char('x');
        const QLatin1String digits = ref.mid(hex ? 2 : 1);
        if (digits.isEmpty() || digits.size() > (hex ? 6 : 7))
            return false;
        char32_t v = 0;
        for (const char d : digits) {
            if (d >= '0' && d <= '9')
                v = v * (hex ? 16 : 10) + char32_t(d - '0');
            else if (hex && d >= 'a' && d <= 'f')
                v = v * 16 + char32_t(d - 'a' + 10);
            else if (hex && d >= 'A' && d <= 'F')
                v = v * 16 + char32_t(d - 'A' + 10);
            else
                return false;
        }
        if (!isXmlChar(v))
            return false;
        *out = v;
    } else {
        return false;
    }
    return true;
}

void put(QChar*& dst, char32_t u)
{
    if (u < 0x10000) {
        *dst++ = QChar(char16_t(u));
    } else {
        *dst++ = QChar(QChar::highSurrogate(u));
        *dst++ = QChar(QChar::lowSurrogate(u));
    }
}

// Decodes text or an attribute value (UTF-8 with references) and appends
// it to out; line ends as XML reads them, in attributes white space as
// spaces. False for anything not well-formed or not ours to read.
bool decode(const char* p, const char* end, bool attribute, QString* out)
{
    // At most one UTF-16 unit to a byte that starts a character, two for
    // the four-byte ones: sized so, Chinese text takes no three times its room.
    qsizetype units = 0;
    for (const char* q = p; q < end; ++q) {
        const uchar c = uchar(*q);
        units += (c & 0xC0) != 0x80;
        units += c >= 0xF0;
    }
    const qsizetype from = out->size();
    out->resize(from + units);
    QChar* const start = out->data() + from;
    QChar* dst = start;
    const char* const begin = p;
    while (p < end) {
        const uchar c = uchar(*p);
        if (c >= 0x20 && c < 0x80) {
            if (c == '&') {
                ++p;
                char32_t u;
                if (!reference(p, end, &u))
                    return false;
                put(dst, u);
                continue;
            }
            if (c == '<' || (c == '>' && !attribute && p - begin >= 2 && p[-1] == ']' && p[-2] == ']'))
                return false;
            *dst++ = QChar(char16_t(c));
            ++p;
        } else if (c < 0x20) {
            if (c == '\r') {
                if (p + 1 < end && p[1] == '\n')
                    ++p;
            } else if (c != '\n' && c != '\t') {
                return false;
            }
            *dst++ = QChar(char16_t(attribute ? ' ' : c == '\t' ? '\t' : '\n'));
            ++p;
        } else {
            // A multi-byte sequence: shortest form, no surrogates, XML characters only.
            int n;
            char32_t u;
            if (c >= 0xC2 && c <= 0xDF) {
                n = 1;
                u = c & 0x1F;
            } else if (c >= 0xE0 && c <= 0xEF) {
                n = 2;
                u = c & 0x0F;
            } else if (c >= 0xF0 && c <= 0xF4) {
                n = 3;
                u = c & 0x07;
            } else {
                return false;
            }
            if (end - p <= n)
                return false;
            for (int k = 1; k <= n; ++k) {
                const uchar t = uchar(p[k]);
                if ((t & 0xC0) != 0x80)
                    return false;
                u = (u << 6) | (t & 0x3F);
            }
            if ((n == 2 && u < 0x800) || (n == 3 && u < 0x10000) || !isXmlChar(u))
                return false;
            put(dst, u);
            p += n + 1;
        }
    }
    out->resize(from + (dst - start));
    return true;
}

bool allSpace(const char* p, const char* end)
{
    for (; p < end; ++p)
        if (!isSpace(*p))
            return false;
    return true;
}

} // namespace

XlsxScanner::XlsxScanner(QIODevice* in) : m_in(in) {}

XlsxScanner::XlsxScanner(const QByteArray& whole)
    : m_data(whole.constData()), m_end(whole.size()), m_eof(true)
{
}

bool XlsxScanner::giveUp()
{
    m_state = State::GaveUp;
    m_token = Token::None;
    return false;
}

bool XlsxScanner::fill()
{
    if (m_eof)
        return false;
    // Keep what is not read yet at the front; grow when it fills the buffer.
    const qsizetype kept = m_end - m_pos;
    if (m_pos > 0) {
        std::memmove(m_buffer.data(), m_buffer.constData() + m_pos, size_t(kept));
        m_pos = 0;
        m_end = kept;
    }
    if (m_buffer.size() - kept < kChunk)
        m_buffer.resize(qMax(2 * m_buffer.size(), kept + kChunk));
    const qint64 n = m_in->read(m_buffer.data() + kept, m_buffer.size() - kept);
    m_data = m_buffer.constData();
    if (n <= 0) {
        m_eof = true;
        m_readError = n < 0; // the part is damaged
        return false;
    }
    m_end += n;
    return true;
}

// The length of the tag at m_pos up to its '>' (quotes respected), with
// more input read as needed.
bool XlsxScanner::findTagEnd(qsizetype* length)
{
    qsizetype i = 1;
    char quote = 0;
    for (;;) {
        const char* p = data() + m_pos;
        const qsizetype n = m_end - m_pos;
        for (; i < n; ++i) {
            const char c = p[i];
            if (quote) {
                if (c == quote)
                    quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '>') {
                *length = i + 1;
                return true;
            }
        }
        if (i > kMaxToken || !fill())
            return false;
    }
}

bool XlsxScanner::declared(const char* prefix, qsizetype size) const
{
    for (auto it = m_prefixes.rbegin(); it != m_prefixes.rend(); ++it)
        if (qsizetype(it->first.size()) == size && std::memcmp(it->first.data(), prefix, size_t(size)) == 0)
            return true;
    return false;
}

// The XML declaration, if any, and what comes before the root element.
bool XlsxScanner::prolog()
{
    while (m_end - m_pos < 6 && fill()) {
    }
    const char* p = data() + m_pos;
    if (m_end - m_pos >= 6 && std::memcmp(p, "<?xml", 5) == 0 && isSpace(p[5])) {
        qsizetype length = 0;
        if (!findTagEnd(&length))
            return false;
        p = data() + m_pos;
        // version="1.0" [encoding="UTF-8"] [standalone="yes|no"], nothing else.
        if (length < 7 || p[length - 2] != '?')
            return false;
        const QLatin1String decl(p + 5, length - 7);
        const char* const names[] = {"version", "encoding", "standalone"};
        int next = 0;
        qsizetype i = 0;
        for (;;) {
            const qsizetype before = i;
            while (i < decl.size() && isSpace(decl.at(i).toLatin1()))
                ++i;
            if (i == decl.size())
                break;
            if (i == before)
                return false;
            int which = next;
            while (which < 3 && !decl.mid(i).startsWith(QLatin1String(names[which])))
                ++which;
            if (which == 3 || (which > 0 && next == 0))
                return false;
            i += qsizetype(std::strlen(names[which]));
            while (i < decl.size() && isSpace(decl.at(i).toLatin1()))
                ++i;
            if (i >= decl.size() || decl.at(i) != QLatin1Char('='))
                return false;
            ++i;
            while (i < decl.size() && isSpace(decl.at(i).toLatin1()))
                ++i;
            if (i >= decl.size() || (decl.at(i) != QLatin1Char('"') && decl.at(i) != QLatin1Char('\'')))
                return false;
            const qsizetype close = decl.indexOf(decl.at(i), i + 1);
            if (close < 0)
                return false;
            const QLatin1String value = decl.mid(i + 1, close - i - 1);
            const bool good = which == 0   ? value == QLatin1String("1.0")
                              : which == 1 ? value.compare(QLatin1String("UTF-8"), Qt::CaseInsensitive) == 0
                                           : value == QLatin1String("yes") || value == QLatin1String("no");
            if (!good)
                return false;
            next = which + 1;
            i = close + 1;
        }
        if (next == 0)
            return false;
        m_pos += length;
    }
    // White space, then the root element.
    for (;;) {
        while (m_pos < m_end && isSpace(data()[m_pos]))
            ++m_pos;
        if (m_pos < m_end || !fill())
            break;
    }
    while (m_end - m_pos < 2)
        if (!fill())
            return false;
    return data()[m_pos] == '<' && isNameStart(data()[m_pos + 1]);
}

bool XlsxScanner::startTag(qsizetype length)
{
    const char* const base = data();
    const char* p = base + m_pos + 1;
    const char* const end = base + m_pos + length - 1; // at '>'
    qsizetype colon;
    const qsizetype nameLength = qualifiedName(p, end, &colon);
    if (nameLength == 0)
        return false;
    const int depth = int(m_open.size());
    m_local =
        colon >= 0 ? QLatin1String(p + colon + 1, nameLength - colon - 1) : QLatin1String(p, nameLength);
    const char* const name = p;
    p += nameLength;
    m_attributes.clear();
    bool empty = false;
    for (;;) {
        const char* const before = p;
        while (p < end && isSpace(*p))
            ++p;
        if (p == end)
            break;
        if (*p == '/') {
            if (p + 1 != end)
                return false;
            empty = true;
            break;
        }
        if (p == before)
            return false; // attributes are set apart by white space
        Attribute a;
        a.name = p - base;
        const qsizetype n = qualifiedName(p, end, &a.colon);
        if (n == 0)
            return false;
        p += n;
        a.nameEnd = p - base;
        while (p < end && isSpace(*p))
            ++p;
        if (p == end || *p != '=')
            return false;
        ++p;
        while (p < end && isSpace(*p))
            ++p;
        if (p == end || (*p != '"' && *p != '\''))
            return false;
        const char quote = *p++;
        a.value = p - base;
        for (; p < end && *p != quote; ++p) {
            const uchar c = uchar(*p);
            if (c < 0x20 || c >= 0x80 || c == '&' || c == '<')
                a.plain = false;
        }
        if (p == end)
            return false;
        a.valueEnd = p - base;
        ++p;
        m_attributes.push_back(a);
    }
    // Checked whether asked for or not: every value, every name once,
    // namespace declarations first.
    for (size_t i = 0; i < m_attributes.size(); ++i) {
        const Attribute& a = m_attributes[i];
        if (!a.plain) {
            m_scratch.resize(0);
            if (!decode(base + a.value, base + a.valueEnd, true, &m_scratch))
                return false;
        }
        const QLatin1String q(base + a.name, a.nameEnd - a.name);
        if (q.startsWith(QLatin1String("xmlns:"))) {
            const QLatin1String prefix = q.mid(6);
            if (a.value == a.valueEnd || prefix == QLatin1String("xml") || prefix == QLatin1String("xmlns"))
                return false;
            m_prefixes.emplace_back(std::string(prefix.data(), size_t(prefix.size())), depth);
        }
        const QLatin1String local = a.colon >= 0 ? q.mid(a.colon + 1) : q;
        for (size_t j = 0; j < i; ++j) {
            const Attribute& b = m_attributes[j];
            const QLatin1String other(base + b.name + (b.colon + 1), b.nameEnd - b.name - (b.colon + 1));
            if (other == local)
                return false; // twice, or perhaps twice in one namespace
        }
    }
    for (const Attribute& a : m_attributes) {
        if (a.colon < 0)
            continue;
        const QLatin1String prefix(base + a.name, a.colon);
        if (prefix != QLatin1String("xmlns") && prefix != QLatin1String("xml") &&
            !declared(base + a.name, a.colon))
            return false;
    }
    if (colon >= 0 && (QLatin1String(name, colon) == QLatin1String("xml") ||
                       QLatin1String(name, colon) == QLatin1String("xmlns") || !declared(name, colon)))
        return false;
    if (m_values.size() < m_attributes.size())
        m_values.resize(m_attributes.size());
    m_open.emplace_back(name, size_t(nameLength));
    m_pendingEnd = empty;
    m_token = Token::Start;
    return true;
}

bool XlsxScanner::endTag(qsizetype length)
{
    const char* p = data() + m_pos + 2;
    const char* const end = data() + m_pos + length - 1;
    qsizetype colon;
    const qsizetype n = qualifiedName(p, end, &colon);
    if (n == 0 || m_open.empty() || !allSpace(p + n, end))
        return false;
    const std::string& open = m_open.back();
    if (qsizetype(open.size()) != n || std::memcmp(open.data(), p, size_t(n)) != 0)
        return false;
    m_local = colon >= 0 ? QLatin1String(p + colon + 1, n - colon - 1) : QLatin1String(p, n);
    m_token = Token::End;
    return true;
}

// Text from m_pos to the next '<' (decoded into out, or only checked when
// out is null); leaves m_pos at the '<'. False at the end of the input.
bool XlsxScanner::textUntilTag(QString* out)
{
    qsizetype i = 0;
    for (;;) {
        const char* p = data() + m_pos;
        const void* lt = std::memchr(p + i, '<', size_t(m_end - m_pos - i));
        if (lt) {
            const char* const end = static_cast<const char*>(lt);
            if (end != p) {
                if (!out && allSpace(p, end)) {
                    // white space between elements needs no decoding
                } else {
                    if (m_open.empty())
                        return giveUp(); // text outside the root element
                    QString* into = out ? out : &m_scratch;
                    if (!out)
                        m_scratch.resize(0);
                    if (!decode(p, end, false, into))
                        return giveUp();
                }
            }
            m_pos = end - data();
            return true;
        }
        i = m_end - m_pos;
        if (i > kMaxToken)
            return giveUp();
        if (!fill()) {
            // The end of the input: only white space may follow the root.
            if (m_readError || !m_open.empty() || m_state != State::Done ||
                !allSpace(data() + m_pos, data() + m_end))
                return giveUp();
            m_pos = m_end;
            return false;
        }
    }
}

bool XlsxScanner::next()
{
    if (m_state == State::GaveUp)
        return false;
    if (m_token == Token::End) {
        m_open.pop_back();
        while (!m_prefixes.empty() && m_prefixes.back().second >= int(m_open.size()))
            m_prefixes.pop_back();
        if (m_open.empty())
            m_state = State::Done;
    }
    if (m_pendingEnd) {
        m_pendingEnd = false;
        m_token = Token::End; // the name stays the start's
        return true;
    }
    m_token = Token::None;
    if (m_state == State::Prolog) {
        if (!prolog())
            return giveUp();
        m_state = State::Content;
    }
    if (!textUntilTag(nullptr)) {
        m_token = Token::None;
        return false; // the end, or gave up
    }
    if (m_state == State::Done)
        return giveUp(); // a second root element
    qsizetype length = 0;
    if (!findTagEnd(&length))
        return giveUp();
    const char second = data()[m_pos + 1];
    const bool ok = second == '/' ? endTag(length) : isNameStart(second) && startTag(length);
    if (!ok)
        return giveUp(); // comments, CDATA, DTDs and processing instructions too
    m_pos += length;
    return true;
}

QStringView XlsxScanner::attribute(QLatin1String qualifiedName)
{
    if (m_token != Token::Start)
        return {};
    const char* const base = data();
    for (size_t i = 0; i < m_attributes.size(); ++i) {
        const Attribute& a = m_attributes[i];
        if (QLatin1String(base + a.name, a.nameEnd - a.name) != qualifiedName)
            continue;
        QString& v = m_values[i];
        v.resize(0);
        if (a.plain)
            v.append(QLatin1String(base + a.value, a.valueEnd - a.value));
        else
            decode(base + a.value, base + a.valueEnd, true, &v); // checked in startTag
        return v;
    }
    return {};
}

QString XlsxScanner::readElementText()
{
    QString text;
    readElementText(&text);
    return text;
}

void XlsxScanner::readElementText(QString* text)
{
    text->resize(0);
    if (m_token != Token::Start)
        return;
    if (m_pendingEnd) {
        next();
        return;
    }
    qsizetype length = 0;
    if (!textUntilTag(text) || !findTagEnd(&length) || data()[m_pos + 1] != '/' || !endTag(length)) {
        giveUp();
        text->resize(0);
        return;
    }
    m_pos += length;
}

void XlsxScanner::skipCurrentElement()
{
    if (m_token != Token::Start)
        return;
    const size_t depth = m_open.size();
    while (next())
        if (m_token == Token::End && m_open.size() == depth)
            return;
}
