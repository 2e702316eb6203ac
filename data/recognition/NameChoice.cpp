#include "data/recognition/NameChoice.h"

#include "data/recognition/OrderTalk.h"
#include "data/recognition/PersonName.h"
#include "data/recognition/SentenceLeadIn.h"

namespace {

const QString kName = QStringLiteral("姓名");

void markUnsure(ParsedRecipient& r)
{
    if (!r.unsure.contains(kName))
        r.unsure << kName;
}

} // namespace

namespace {

// A name written straight after the house number: "…12号张三". Takes it off
// the end of last.
QString nameAfterHouseNumber(QString& last)
{
    static const QString unitEnds = QStringLiteral("号室栋幢楼层户座弄");
    for (int i = last.size() - 3; i >= 0 && i >= last.size() - 7; --i) {
        // Also after the room's number: "…2单元1808黄丽".
        if (!unitEnds.contains(last.at(i)) && !last.at(i).isDigit())
            continue;
        QString name = last.mid(i + 1);
        if (name.startsWith(QStringLiteral("给")) || name.startsWith(QStringLiteral("交")))
            name.remove(0, 1); // "…66号给李明轩"
        if (PersonName::fit(name) == PersonName::Strong) {
            last.truncate(i + 1);
            return name;
        }
    }
    return SentenceLeadIn::takeNameAfterAddress(last); // "…56号给我舅舅姓姚叫姚国强"
}

} // namespace

void NameChoice::choose(AddressCandidates& c, QStringList& detailParts, ParsedRecipient& r,
                        const QString& text)
{
    // A labelled one first, then one with a known surname.
    QStringList others;
    if (!c.labelledNames.isEmpty()) {
        r.name = c.labelledNames.takeFirst();
        others = c.labelledNames + c.strongNames + c.weakNames;
    } else if (!c.strongNames.isEmpty()) {
        OrderTalk::putNameBeforeTitle(c.strongNames); // "王总 王海涛"
        r.name = c.strongNames.takeFirst();
        others = c.strongNames + c.weakNames;
        if (!c.strongNames.isEmpty() || c.nameFromGlued)
            markUnsure(r);
    } else if (!c.weakNames.isEmpty()) {
        r.name = c.weakNames.takeFirst();
        others = c.weakNames;
        markUnsure(r);
    }
    if (r.name.isEmpty() && !detailParts.isEmpty()) {
        r.name = nameAfterHouseNumber(detailParts.last());
        if (!r.name.isEmpty())
            markUnsure(r);
    }
    // The platform hid the given name ("张**"): the user should fill it in.
    if (r.name.isEmpty() || others.size() > 0 || r.name.contains(QLatin1Char('*')))
        markUnsure(r);
    // The names not taken go to the remark where they were written: "不急 慢慢发".
    auto at = [&text](const QString& piece) {
        const int colon = piece.indexOf(QStringLiteral("："));
        return positionIn(text, colon >= 0 ? piece.mid(colon + 1) : piece);
    };
    for (auto it = others.crbegin(); it != others.crend(); ++it) {
        // "王经理，样品寄到…": the one spoken to, by a title, is no note.
        if (OrderTalk::isTitleSpokenTo(*it))
            continue;
        const int pos = at(*it);
        int k = 0;
        while (pos >= 0 && k < c.remarks.size() && (at(c.remarks.at(k)) < 0 || at(c.remarks.at(k)) < pos))
            ++k;
        c.remarks.insert(pos >= 0 ? k : 0, *it);
    }
}

int NameChoice::positionIn(const QString& text, const QString& piece)
{
    // A number is found as itself, not inside a longer one: the quantity "3"
    // of a sheet's row is not the 3 in its order number "7730451826093".
    const bool digitFirst = !piece.isEmpty() && piece.front().isDigit();
    const bool digitLast = !piece.isEmpty() && piece.back().isDigit();
    const int first = text.indexOf(piece);
    if (!digitFirst && !digitLast)
        return first;
    for (int i = first; i >= 0; i = text.indexOf(piece, i + 1)) {
        const int end = i + piece.size();
        if ((!digitFirst || i == 0 || !text.at(i - 1).isDigit()) &&
            (!digitLast || end == text.size() || !text.at(end).isDigit()))
            return i;
    }
    return first;
}
