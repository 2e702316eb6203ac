#include "data/recognition/SenderParts.h"

#include "data/recognition/PasteChat.h"
#include "data/recognition/PasteText.h"

#include <QRegularExpression>
#include <algorithm>

namespace {

// The short marks of the two ends, each at the start of a line: "收：…", "寄：…".
const QRegularExpression& sendMark()
{
    static const QRegularExpression m(QStringLiteral(R"((?:^|\n)[ \t]*寄[ \t]*[:：])"));
    return m;
}

const QRegularExpression& receiveMark()
{
    static const QRegularExpression m(QStringLiteral(R"((?:^|\n)[ \t]*收[ \t]*[:：])"));
    return m;
}

// Brackets a heading is typed in: "【寄件人】", "[收件人]".
QString withoutBrackets(QString s)
{
    static const QRegularExpression brackets(QStringLiteral(R"([【】\[\]])"));
    return s.replace(brackets, QStringLiteral(" ")).simplified();
}

// What is left of a piece once its sender is out holds no recipient: nothing,
// a heading ("收件人信息：") or the bare label of the recipient's block.
bool nothingLeft(const QString& rest)
{
    static const QRegularExpression colons(QStringLiteral(R"([\s:：]+$)"));
    const QString r = withoutBrackets(rest).remove(colons);
    return r.isEmpty() || PasteChat::isFieldHeading(r) || PasteText::labelOf(r) == PasteText::Name;
}

bool isSenderOnly(const QString& piece, bool receiveMarked)
{
    QString rest = PasteText::normalized(piece);
    if (receiveMarked && rest.contains(sendMark()) && rest.indexOf(sendMark()) == 0 &&
        !rest.contains(receiveMark()))
        return true;
    return PasteText::startsWithSender(withoutBrackets(rest)) && !SenderParts::take(rest).isEmpty() &&
           nothingLeft(rest);
}

} // namespace

QString SenderParts::take(QString& text)
{
    // A bracket before the label goes with it: "【寄件人】\n姓名：…\n【收件人】".
    static const QRegularExpression opened(QStringLiteral(R"([【\[](?=\s*(?:寄件人|发件人|寄件方|发货人)))"));
    if (text.contains(QChar(0x3010)) || text.contains(QLatin1Char('[')))
        text.replace(opened, QStringLiteral(" "));
    QString taken = PasteText::takeSender(text);
    if (taken.isEmpty() && text.contains(QChar(0x5BC4)) && text.contains(sendMark()) &&
        text.contains(receiveMark())) {
        const auto m = sendMark().match(text);
        const int start = m.capturedStart() + (text.at(m.capturedStart()) == QLatin1Char('\n') ? 1 : 0);
        int end = text.indexOf(QLatin1Char('\n'), start);
        if (end < 0)
            end = text.size();
        taken = text.mid(start, end - start);
        text.remove(start, end - start);
    }
    if (taken.isEmpty())
        return taken;
    // The bracket that opened the recipient's heading is left at the end of the sender's.
    static const QRegularExpression trailing(QStringLiteral(R"([\s【\[]+$)"));
    taken.remove(trailing);
    return withoutBrackets(taken);
}

QStringList SenderParts::joined(const QStringList& pieces)
{
    if (pieces.size() < 2)
        return pieces;
    // Every sender's label has 寄 or 发: most texts are read no further.
    const auto mayBeSender = [](const QString& p) {
        return p.contains(QChar(0x5BC4)) || p.contains(QChar(0x53D1)) || p.contains(QChar(0x767C));
    };
    if (std::none_of(pieces.cbegin(), pieces.cend(), mayBeSender))
        return pieces;
    bool receiveMarked = false;
    for (const QString& p : pieces)
        receiveMarked = receiveMarked || PasteText::normalized(p).contains(receiveMark());
    QStringList out = pieces;
    for (int i = int(out.size()) - 1; i >= 0 && out.size() >= 2; --i) {
        if (!mayBeSender(out.at(i)) || !isSenderOnly(out.at(i), receiveMarked))
            continue;
        if (i + 1 < out.size()) {
            out[i] += QLatin1Char('\n') + out.takeAt(i + 1);
        } else {
            out[i - 1] += QLatin1Char('\n') + out.takeAt(i);
        }
    }
    return out;
}
