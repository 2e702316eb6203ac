#include "templates/BreakIntoLines.h"

#include <QByteArray>
#include <QStringEncoder>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

// One character of the text with the GBK bytes it stands for.
struct Unit
{
    int start = 0;                 // index into the QString
    int length = 0;                // 1, or 2 for a surrogate pair; 0 for an inserted byte
    int bytes = 1;                 // 1 or 2
    bool high[2] = {false, false}; // byte above 126
    char16_t inserted = 0;         // an inserted CR or LF
};

// GBK bytes of one BMP character: bit 0 set once known, bit 1 for two
// bytes, bits 2 and 3 for the first and second byte lying above 126.
// Worked out through the codec once per character and kept, since the same
// few thousand characters come back in every address.
quint8 gbkShape(QStringEncoder& encoder, QStringView ch)
{
    const QByteArray gbk = encoder.isValid() ? QByteArray(encoder(ch)) : QByteArray();
    // GBK writes "?" for what it cannot hold. The error flag is no help
    // here: with ICU codecs it stays set once raised, even over
    // resetState().
    const bool failed = gbk.isEmpty() || (gbk == "?" && ch != u"?");
    quint8 shape = 1;
    if (failed || gbk.size() != 1) {
        // Two-byte characters, and anything GBK cannot hold, which the
        // forms would have shown as one double-width character.
        shape |= 2;
        if (failed || gbk.size() < 1 || quint8(gbk.at(0)) > 126)
            shape |= 4;
        if (failed || gbk.size() < 2 || quint8(gbk.at(1)) > 126)
            shape |= 8;
    } else if (quint8(gbk.at(0)) > 126) {
        shape |= 4;
    }
    return shape;
}

std::vector<Unit> byteMap(const QString& value)
{
    // GBK has no shift state, so characters can be encoded one by one.
    thread_local std::vector<quint8> known(0x10000, 0);
    std::optional<QStringEncoder> encoder;
    std::vector<Unit> units;
    units.reserve(value.size());
    for (int i = 0; i < value.size();) {
        Unit u;
        u.start = i;
        u.length = (value.at(i).isHighSurrogate() && i + 1 < value.size() && value.at(i + 1).isLowSurrogate())
                       ? 2
                       : 1;
        const QStringView ch = QStringView(value).mid(i, u.length);
        quint8 shape = 0;
        if (u.length == 1 && ch.at(0).unicode() < 0x7f) {
            shape = 1; // ASCII below DEL: one plain byte
        } else {
            if (u.length == 1)
                shape = known[ch.at(0).unicode()];
            if (!shape) {
                if (!encoder)
                    encoder.emplace("GBK");
                shape = gbkShape(*encoder, ch);
                if (u.length == 1)
                    known[ch.at(0).unicode()] = shape;
            }
        }
        u.bytes = (shape & 2) ? 2 : 1;
        u.high[0] = shape & 4;
        u.high[1] = shape & 8;
        units.push_back(u);
        i += u.length;
    }
    return units;
}

Unit insertedByte(char16_t c)
{
    Unit u;
    u.inserted = c;
    return u;
}

// Digits and Latin letters, half or full width: the runs a break must not
// split (house numbers, room numbers, "B座", "Apt").
bool isWordChar(const QString& value, const Unit& u)
{
    if (u.inserted || u.length != 1)
        return false;
    const char16_t c = value.at(u.start).unicode();
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') ||
           (c >= u'０' && c <= u'９') || (c >= u'Ａ' && c <= u'Ｚ') || (c >= u'ａ' && c <= u'ｚ');
}

// Punctuation that closes what stands before it and so never starts a line.
bool isClosing(const QString& value, const Unit& u)
{
    static const QString closing =
        QStringLiteral("，。、；：？！）」』】》〉〕〗〙〛］｝”’…‥·・％,.;:?!)]}%");
    return !u.inserted && u.length == 1 && closing.contains(value.at(u.start));
}

bool breakAllowed(const QString& value, const std::vector<Unit>& units, std::size_t at)
{
    if (at >= units.size())
        return true;
    if (isClosing(value, units[at]))
        return false;
    return !(isWordChar(value, units[at - 1]) && isWordChar(value, units[at]));
}

// The unit in front of which the byte rule breaks for the limit, on the
// text with the breaks inserted so far.
std::size_t byteBreak(const std::vector<Unit>& units, qint64 limit)
{
    // Count the bytes above 126 among positions 1..limit, from the start
    // every time; the CR LF pairs inserted so far count as plain bytes.
    qint64 count = 0;
    qint64 pos = 1; // position of the first byte of the current unit
    for (const Unit& u : units) {
        if (pos > limit)
            break;
        if (u.high[0])
            ++count;
        if (u.bytes == 2 && pos + 1 <= limit && u.high[1])
            ++count;
        pos += u.bytes;
    }
    const qint64 p = (count % 2 == 1) ? limit : limit - 1;

    // Find the unit that holds byte p. A break between the two bytes of a
    // character goes in front of that character.
    qint64 start = 1;
    for (std::size_t k = 0; k < units.size(); ++k) {
        const qint64 end = start + units[k].bytes; // one past the unit
        if (p < end)
            return k;
        start = end;
    }
    return units.size();
}

// Moves a break back to the nearest place the word rule allows within its
// line; where the whole line is one run it stays.
std::size_t wordBreak(const QString& value, const std::vector<Unit>& units, std::size_t at,
                      std::size_t lineStart)
{
    for (std::size_t k = at; k > lineStart; --k) {
        if (breakAllowed(value, units, k))
            return k;
    }
    return at;
}

qint64 bytesBetween(const std::vector<Unit>& units, std::size_t from, std::size_t to)
{
    qint64 n = 0;
    for (std::size_t k = from; k < to; ++k)
        n += units[k].bytes;
    return n;
}

} // namespace

QString BreakIntoLines(const QString& value, int width, WrapRule rule)
{
    if (width < 2)
        return value;
    std::vector<Unit> units = byteMap(value);
    const qint64 length = bytesBetween(units, 0, units.size());
    const qint64 passes = length / width + 1;

    // Bytes the word rule moved onto later lines; the later limits come
    // forward by as much, so that no line grows.
    qint64 moved = 0;
    std::size_t lineStart = 0; // first unit after the last line break
    for (qint64 i = 1;; ++i) {
        std::size_t at = byteBreak(units, i * width - moved);
        if (rule == WrapRule::Words) {
            for (std::size_t k = lineStart; k < at && k < units.size(); ++k) {
                const Unit& u = units[k];
                if (u.inserted ? u.inserted == u'\n' : value.at(u.start) == u'\n')
                    lineStart = k + 1;
            }
            at = std::max(at, std::min(lineStart + 1, units.size())); // a line holds something
            const std::size_t word = wordBreak(value, units, at, lineStart);
            moved += bytesBetween(units, word, at);
            at = word;
            // Past the byte rule's breaks, only a text still running on
            // needs one more.
            if (i > passes && at >= units.size())
                break;
        } else if (i > passes) {
            break;
        }
        const Unit pair[2] = {insertedByte(u'\r'), insertedByte(u'\n')};
        units.insert(units.begin() + qint64(at), pair, pair + 2);
        lineStart = at + 2;
    }

    QString out;
    out.reserve(value.size() + int(passes) * 2 + 2);
    for (const Unit& u : units) {
        if (u.inserted)
            out += QChar(u.inserted);
        else
            out += QStringView(value).mid(u.start, u.length);
    }
    return out;
}
