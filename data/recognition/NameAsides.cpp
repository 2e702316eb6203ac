#include "data/recognition/NameAsides.h"

#include "data/recognition/PersonName.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

namespace {

// A piece that tells how a character is written, and the character it tells:
// "胡是古月胡", "弓长张的张", "示字旁的禤".
QChar spelled(const QString& piece)
{
    if (piece.size() < 3 || piece.size() > 8 ||
        (!piece.contains(QChar(0x7684)) && !piece.contains(QChar(0x662F))))
        return QChar(); // 的 是
    static const QRegularExpression spelling(
        QStringLiteral(R"(^(\p{Han})是\p{Han}{1,4}?\1$|^\p{Han}{0,3}(\p{Han})\p{Han}{0,3}的\2$|)"
                       R"(^\p{Han}{1,3}(?:字旁|字边|偏旁|字头|字底|旁|头|底)的\p{Han}$)"));
    return spelling.match(piece).hasMatch() ? piece.back() : QChar();
}

// What goes with a spelling, and alone could mean more: "不是谭", "读qin", "别打成宣".
bool isSpellingAside(const QString& piece)
{
    static const QRegularExpression aside(QStringLiteral(
        R"(^不是\p{Han}$|^(?:读|念|拼音)[a-z]{1,6}[1-4]?$|^(?:别|不要)(?:打|写)成\p{Han}{1,2}$)"));
    return piece.size() >= 3 && piece.size() <= 6 && aside.match(piece).hasMatch();
}

// Three characters that build the last one, said beside a name that begins
// with it: "言午许 许诺", "耳火耿".
bool isBuiltFrom(const QString& piece, const QString& beside)
{
    if (piece.size() != 3 || piece.at(0).script() != QChar::Script_Han ||
        piece.at(1).script() != QChar::Script_Han ||
        PersonName::surnameLength(piece.right(1) + QStringLiteral("某")) == 0 ||
        QStringLiteral("省市区县镇乡村路街").contains(piece.back()))
        return false;
    // The name may end the piece beside it: "名字是章婧 立早章".
    const qsizetype at = beside.lastIndexOf(piece.back());
    const QString name = at < 0 ? QString() : beside.mid(at);
    return name.size() >= 2 && name.size() <= 4 && PersonName::fit(name) == PersonName::Strong;
}

// The pieces of a text between blanks and commas, with where each starts.
struct Piece
{
    qsizetype at;
    QString text;
};

QList<Piece> piecesOf(const QString& text)
{
    static const QString apart = QStringLiteral(" \t\n,，;；:：、。");
    QList<Piece> out;
    qsizetype start = -1;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const bool cut = i == text.size() || apart.contains(text.at(i));
        if (!cut && start < 0)
            start = i;
        else if (cut && start >= 0) {
            out.append({start, text.mid(start, i - start)});
            start = -1;
        }
    }
    return out;
}

// What stands in a bracket after a name: its spelling, said in pieces.
bool isSpellingInside(const QString& inside, const QString& name)
{
    static const QRegularExpression pinyin(QStringLiteral("^[a-z]{1,6}[1-4]?$"));
    bool told = false;
    for (const Piece& p : piecesOf(inside)) {
        if ((!spelled(p.text).isNull() && name.contains(spelled(p.text))) || isBuiltFrom(p.text, name)) {
            told = true;
            continue;
        }
        // "禤 xuan": the character and how it is read.
        if (!(p.text.size() == 1 && name.contains(p.text)) && !pinyin.match(p.text).hasMatch() &&
            !isSpellingAside(p.text))
            return false;
    }
    return told;
}

// The name that ends the characters before a bracket: "收件人耿浩然（".
QString nameBefore(const QString& run)
{
    for (const int n : {3, 2, 4}) {
        if (run.size() >= n && PersonName::fit(run.right(n)) == PersonName::Strong)
            return run.right(n);
    }
    return PersonName::fit(run) == PersonName::No ? QString() : run;
}

} // namespace

void NameAsides::drop(QString& text)
{
    // A bracket after a name: its spelling, or the real name after a nickname.
    static const QRegularExpression bracket(
        QStringLiteral(R"((?<!\p{Han})(\p{Han}{2,6})[(（]([^()（）\n]{1,30})[)）])"));
    const bool brackets = text.contains(QChar(0xFF08)) || text.contains(QLatin1Char('('));
    for (auto m = brackets ? bracket.match(text) : QRegularExpressionMatch(); m.hasMatch();
         m = bracket.match(text, m.capturedStart() + 1)) {
        const QString name = nameBefore(m.captured(1).right(5));
        const QString inside = m.captured(2).trimmed();
        static const QRegularExpression nickname(QStringLiteral(R"(^(\p{Han})\1$|^[小阿老]\p{Han}$)"));
        if (!name.isEmpty() && isSpellingInside(inside, name))
            text.replace(m.capturedStart(2) - 1, m.capturedLength(2) + 2, QStringLiteral(" "));
        else if (nickname.match(m.captured(1)).hasMatch() &&
                 (m.captured(1).at(0) == m.captured(1).at(1) ||
                  PersonName::fit(m.captured(1)) != PersonName::Strong) &&
                 PersonName::fit(inside) == PersonName::Strong && inside.size() <= 4) // "糖糖（唐雪）"
            text.replace(m.capturedStart(1), m.capturedEnd(2) + 1 - m.capturedStart(1), inside);
    }
    // What the buyer goes by, under its label: "淘宝ID：sunny_qing88", "群昵称 阿芬".
    static const QRegularExpression handle(QStringLiteral(
        R"((?<![^\s,，;；])(?:(?:淘宝|旺旺|抖音|快手|小红书)(?:ID|id)|(?:群|微信|淘宝|抖音)?昵称))"
        R"([ \t]*[:：]?[ \t]*[^\s,，;；]+)"));
    if (text.contains(QStringLiteral("ID")) || text.contains(QStringLiteral("id")) ||
        text.contains(QStringLiteral("昵称")))
        text.replace(handle, QStringLiteral(" "));
    // "叫ma li，就是马丽": the name in letters, then in characters.
    static const QRegularExpression lettersThen(
        QStringLiteral(R"([a-z]{1,6}(?: [a-z]{1,6}){0,2}\s*[,，]?\s*就是(?=\p{Han}{2,4}(?:[\s,，]|$)))"));
    if (text.contains(QStringLiteral("就是")))
        text.replace(lettersThen, QString());
    // Pieces that spell a character of a name beside them, and what goes with them.
    // Each way of spelling has 的, 是 or 姓, or ends on the character the name after it begins with.
    const auto repeatedAcross = [&text] {
        for (qsizetype i = 0; i + 2 < text.size(); ++i) {
            if (text.at(i + 2) == text.at(i) && QStringLiteral(" ,，").contains(text.at(i + 1)) &&
                text.at(i).script() == QChar::Script_Han)
                return true;
        }
        return false;
    };
    if (!text.contains(QChar(0x7684)) && !text.contains(QChar(0x662F)) && !text.contains(QChar(0x59D3)) &&
        !repeatedAcross())
        return;
    const QList<Piece> pieces = piecesOf(text);
    QList<qsizetype> dropped;
    static const QRegularExpression surname(QStringLiteral(R"(^姓(\p{Han}{1,2})$)"));
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        const QString& p = pieces.at(i).text;
        if (p.size() < 2 || p.size() > 8)
            continue;
        const auto elsewhere = [&](const QString& part) {
            return std::any_of(pieces.cbegin(), pieces.cend(), [&](const Piece& o) {
                return o.at != pieces.at(i).at && o.text.size() >= 2 && o.text.contains(part) &&
                       spelled(o.text).isNull();
            });
        };
        const QChar c = spelled(p);
        const auto s = p.startsWith(QChar(0x59D3)) ? surname.match(p) : QRegularExpressionMatch(); // 姓
        if ((!c.isNull() && elsewhere(QString(c))) ||
            (i + 1 < pieces.size() && isBuiltFrom(p, pieces.at(i + 1).text)) ||
            (i > 0 && isBuiltFrom(p, pieces.at(i - 1).text)) ||
            (s.hasMatch() && PersonName::surnameLength(s.captured(1) + QStringLiteral("某")) > 0 &&
             elsewhere(s.captured(1))))
            dropped << i;
    }
    if (dropped.isEmpty())
        return;
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        if (!dropped.contains(i) && isSpellingAside(pieces.at(i).text))
            dropped << i;
    }
    std::sort(dropped.begin(), dropped.end());
    for (auto it = dropped.crbegin(); it != dropped.crend(); ++it)
        text.replace(pieces.at(*it).at, pieces.at(*it).text.size(), QStringLiteral(" "));
}
