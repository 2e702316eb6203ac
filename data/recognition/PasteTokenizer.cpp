#include "data/recognition/PasteTokenizer.h"

#include "data/recognition/PasteChat.h"
#include "data/recognition/PasteHeading.h"
#include "data/recognition/PasteText.h"
#include "data/recognition/PersonName.h"

#include <QPair>

#include <QRegularExpression>
#include <algorithm>

using Kind = PasteText::Kind;
using Token = PasteTokenizer::Token;

namespace {

// Letters of the Latin script, accented ones too: "Müller", "José"; a hyphen
// or an apostrophe between them: "Min-jun", "O'Brien".
bool isLatinWord(const QString& t)
{
    for (int i = 0; i < t.size(); ++i) {
        const QChar c = t.at(i);
        const bool inner = i > 0 && i + 1 < t.size() && (c == QLatin1Char('-') || c == QLatin1Char('\''));
        if (!inner && (!c.isLetter() || c.script() != QChar::Script_Latin))
            return false;
    }
    return !t.isEmpty();
}

// A piece split at brackets: "刘洋（财务部）" is the name and a note aside;
// a bracket inside an address stays part of it.
QList<QPair<QString, bool>> splitBrackets(const QString& piece)
{
    static const QRegularExpression bracket(QStringLiteral(R"([(（]([^()（）]*)[)）])"));
    QList<QPair<QString, bool>> parts;
    int from = 0;
    for (auto it = bracket.globalMatch(piece); it.hasNext();) {
        const auto m = it.next();
        const QString before = piece.mid(from, m.capturedStart() - from);
        const QString inside = m.captured(1).trimmed();
        if (!before.isEmpty() && from == 0 && PersonName::fit(before) == PersonName::No)
            return {{piece, false}};
        // "高三（5）班": a class's number in brackets.
        if (m.capturedEnd() < piece.size() && piece.at(m.capturedEnd()) == QChar(0x73ED) && // 班
            !inside.isEmpty() && inside.size() <= 2 &&
            std::all_of(inside.cbegin(), inside.cend(), [](QChar ch) {
                return ch.isDigit() || QStringLiteral("一二三四五六七八九十").contains(ch);
            }))
            return {{piece, false}};
        // "中国石油大学（北京）": the city in brackets is part of the school's name.
        static const QRegularExpression city(QStringLiteral(R"(^\p{Han}{2,3}$)"));
        if (from == 0 && PasteText::endsLikeInstitution(before) && city.match(inside).hasMatch())
            return {{piece, false}};
        // "德斯曼厨具（中国）有限公司": where the company is registered, before its legal form.
        if (from == 0 && !before.isEmpty() && city.match(inside).hasMatch() &&
            PasteText::isLegalFormAfterPlace(piece.mid(m.capturedEnd())))
            return {{piece, false}};
        if (!before.isEmpty())
            parts.append({before, false});
        // "蔡美玲（手机）15859502274": a label in brackets before its number.
        if (!inside.isEmpty() && inside != QStringLiteral("收") &&
            PasteText::labelOf(inside) == PasteText::None)
            parts.append({inside, true});
        from = m.capturedEnd();
    }
    if (from < piece.size())
        parts.append({piece.mid(from), false});
    return parts;
}

} // namespace

QList<Token> PasteTokenizer::tokenize(const QString& text)
{
    // A colon between digits is a time of day ("10:23"), a slash a date
    // ("2024/11/11") or a floor ("15/F"): no separators.
    static const QRegularExpression separators(
        QStringLiteral(R"((?:[\s,，、;；。|\\!！?？【】\[\]]|(?<!\d)[:：/]|[:：](?!\d)|/(?!\d|[Ff]\b))+)"));
    // A row's own number and the address's levels written as labels, the
    // region after them written out in full: "序号:12;…;省:河南省;市:郑州市", "市:海西蒙古族藏族自治州".
    static const QRegularExpression rowLabels(QStringLiteral(
        R"((?:^|(?<=[\s;；,，|]))(?:(?:序号|编号)[:：]\s*\d{1,4}(?!\d)|(?:省|市|区|县|区县)[:：](?=\p{Han}+(?:省|市|区|县|州|盟|旗))))"));
    QString cleaned = text;
    if (cleaned.contains(QLatin1Char(':')) || cleaned.contains(QChar(0xFF1A)))
        cleaned.replace(rowLabels, QStringLiteral(" "));
    // A dot after a word is a full stop typed plainly ("姓名,鞠海涛.电话,…"); "1.熊文斌", "3.5号" keep it.
    for (qsizetype i = cleaned.indexOf(QLatin1Char('.')); i > 0;
         i = cleaned.indexOf(QLatin1Char('.'), i + 1)) {
        if (cleaned.at(i - 1).isSpace() || cleaned.at(i - 1).script() == QChar::Script_Han)
            cleaned[i] = QLatin1Char(' ');
    }
    QList<Token> tokens;
    const QStringList lines = cleaned.split(QLatin1Char('\n'));
    for (int n = 0; n < lines.size(); ++n) {
        for (const QString& piece : lines.at(n).split(separators, Qt::SkipEmptyParts)) {
            for (const auto& part : splitBrackets(piece)) {
                if (part.second) {
                    Token t;
                    t.text = part.first;
                    t.line = n;
                    t.aside = true;
                    tokens << t;
                    continue;
                }
                QString rest = part.first;
                // "抖音电商订单号": the page's heading set off from the order's label.
                if (const int head = PasteHeading::gluedLength(rest); head > 0) {
                    Token t;
                    t.text = rest.left(head);
                    t.line = n;
                    tokens << t;
                    rest.remove(0, head);
                }
                for (const PasteText::Piece& p : PasteText::splitAtLabels(rest)) {
                    Token t;
                    t.text = p.text;
                    t.line = n;
                    t.label = p.label;
                    tokens << t;
                }
            }
        }
    }
    for (int i = 0; i + 1 < tokens.size(); ++i) {
        Token& t = tokens[i];
        const Token& next = tokens.at(i + 1);
        if (t.label != PasteText::None || next.label != PasteText::None || t.aside || next.aside ||
            t.line != next.line)
            continue;
        // "张 先生": a lone surname and the title after it are one name.
        const bool title = next.text == QStringLiteral("先生") || next.text == QStringLiteral("女士") ||
                           next.text == QStringLiteral("小姐") || next.text == QStringLiteral("老师") ||
                           next.text == QStringLiteral("师傅");
        if (t.text.size() == 1 && PersonName::surnameLength(t.text) == 1 && title) {
            t.text += next.text;
            tokens.removeAt(i + 1);
            --i;
        } else if (isLatinWord(t.text.section(QLatin1Char(' '), -1)) && isLatinWord(next.text) &&
                   !PasteChat::isChat(t.text) && !PasteChat::isChat(next.text)) {
            t.text += QLatin1Char(' ') + next.text; // "Wang Lei"
            tokens.removeAt(i + 1);
            --i;
        }
    }
    // A label covers the values after it on its line, or the next line
    // when it ends its own; a name, company or order label only its first
    // value (and an order's time after its date).
    static const QRegularExpression timeOfDay(QStringLiteral(R"(^\d{1,2}:\d{2}(:\d{2})?$)"));
    // "宝贝：围巾 ×1": how many of the goods.
    static const QRegularExpression quantity(QStringLiteral(R"(^[×xX*]\d{1,4}$)"));
    Kind scope = PasteText::None;
    int scopeLine = -1;
    bool valueSeen = false;
    for (Token& t : tokens) {
        if (t.label != PasteText::None) {
            scope = t.label;
            scopeLine = t.line;
            valueSeen = false;
            continue;
        }
        if (t.aside)
            continue;
        if (t.line != scopeLine) {
            if (!valueSeen && scope != PasteText::None && t.line == scopeLine + 1)
                scopeLine = t.line;
            else
                scope = PasteText::None;
        }
        if (scope == PasteText::None && valueSeen &&
            (timeOfDay.match(t.text).hasMatch() || quantity.match(t.text).hasMatch()))
            t.infoTail = true;
        t.scope = scope;
        valueSeen = true;
        if (scope == PasteText::Name || scope == PasteText::Company || scope == PasteText::Info)
            scope = PasteText::None;
    }
    return tokens;
}
