#include "data/recognition/TokenLines.h"

#include "data/recognition/RegionTable.h"

#include <QRegularExpression>

bool TokenLines::onOrderLine(const Tokens& tokens, int i)
{
    const int line = tokens.at(i).line;
    if (line == 0 && tokens.last().line == 0)
        return false;
    int first = i;
    while (first > 0 && tokens.at(first - 1).line == line)
        --first;
    if (tokens.at(first).label != PasteText::Info)
        return false;
    for (int k = first + 1; k < i; ++k) {
        if (tokens.at(k).label != PasteText::None)
            return false;
    }
    return true;
}

bool TokenLines::afterOrderLabel(const Tokens& tokens, int i)
{
    for (int k = i - 1; k >= 0 && tokens.at(k).line == tokens.at(i).line; --k) {
        if (tokens.at(k).label != PasteText::None)
            return tokens.at(k).label == PasteText::Info;
    }
    return false;
}

int TokenLines::addressChangedAt(const Tokens& tokens, int i, const QString& value,
                                 const RegionTable& regions)
{
    static const QRegularExpression change(QStringLiteral("改为|改成|换成|改到|换到|不对"));
    int at = -1;
    for (int k = i - 1; k >= 0 && k >= i - 4; --k) {
        const QString& text = tokens.at(k).text;
        if ((text.contains(QChar(0x6539)) || text.contains(QChar(0x6362)) || text.contains(QChar(0x4E0D))) &&
            text.contains(change)) // 改 换 不
            at = k;
    }
    if (at < 0)
        return -1;
    const RegionTable::Path path = regions.match(value);
    if (path.length < 2 || path.written.isEmpty() || path.written.first().shortForm || path.ambiguous)
        return -1;
    return at;
}
