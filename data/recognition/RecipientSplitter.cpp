#include "data/recognition/RecipientSplitter.h"

#include "data/recognition/PasteChat.h"
#include "data/recognition/PasteText.h"
#include "data/recognition/PersonName.h"

#include <QRegularExpression>

#include <algorithm>

namespace {

// A line with a phone number and an address word: one recipient by itself.
// An order's number and time are neither ("订单号：69455… 2026-12-06 14:02": 号).
bool isWholeRecipient(const QString& raw)
{
    QString line = PasteText::normalized(raw); // full-width digits too
    static const QRegularExpression order(QStringLiteral(
        R"((?:订单编号|单号)\s*[:：]?\s*[A-Za-z0-9-]*|\d{4}[-/.]\d{1,2}[-/.]\d{1,2}(?:\s+\d{1,2}:\d{2}(?::\d{2})?)?)"));
    if (line.contains(QStringLiteral("单号")) || line.contains(QStringLiteral("订单编号")) ||
        line.contains(QLatin1Char(':')))
        line.replace(order, QStringLiteral(" "));
    static const QRegularExpression number(QStringLiteral(R"((?:\d[ -]?){7,}|1\d\d\*{4}\d{4})"));
    static const QRegularExpression place(QStringLiteral("[省市区县路街道号镇村]"));
    return number.match(line).hasMatch() && place.match(line).hasMatch();
}

// "苟文杰 182…": a person and a number, no place.
bool isPersonOnly(const QString& raw)
{
    const QString line = PasteText::normalized(raw);
    static const QRegularExpression number(QStringLiteral(R"((?:\d[ -]?){7,})"));
    static const QRegularExpression place(QStringLiteral("[省市区县路街道号镇村]"));
    return number.match(line).hasMatch() && !place.match(line).hasMatch();
}

// "地址都是 四川省…", "都寄到 …": one address for all the people above it.
bool isSharedAddress(const QString& raw)
{
    const QString line = PasteText::normalized(raw);
    static const QRegularExpression number(QStringLiteral(R"((?:\d[ -]?){7,})"));
    static const QRegularExpression shared(
        QStringLiteral("^(?:地址)?[:：]?\\s*都(?:是|寄到|发到|寄|发|送到)"));
    static const QRegularExpression place(QStringLiteral("[省市区县路街道号镇村]"));
    return shared.match(line).hasMatch() && place.match(line).hasMatch() && !number.match(line).hasMatch();
}

// "这两个都发哈", "两个地址都发一份：", "麻烦寄两单": a line about the recipients that follow.
bool isBatchLeadIn(const QString& line)
{
    static const QRegularExpression number(QStringLiteral(R"(\d{5,})"));
    static const QRegularExpression place(QStringLiteral("[省市区县路街道号镇村]"));
    static const QRegularExpression batch(
        QStringLiteral("[一两兩二三四五六七八九十几\\d]+[个個份位单單件处處]|(?:都|各|分别)[发寄送要]|分开|"
                       "以下|下面|如下|[:：]$"));
    // "两个都是朝阳区的，分开寄：": a place may be named in it, where it says
    // how many and ends with the colon before them.
    static const QRegularExpression counted(
        QStringLiteral("(?:[一两二三四五六七八九十几\\d]+[个份位家]|分开|分别|各[发寄]).*[:：]$"));
    if (line.contains(number) || (line.contains(place) && !line.contains(counted)) || !line.contains(batch) ||
        PersonName::fit(line) == PersonName::Strong || PasteText::startsWithSender(line))
        return false;
    // "收货人：" on a line of its own labels the next.
    const QList<PasteText::Piece> pieces = PasteText::splitAtLabels(line);
    return pieces.isEmpty() || pieces.first().label == PasteText::None;
}

// Column headers that are no labels: the levels of the address, the row's number.
const QStringList& otherColumns()
{
    static const QStringList others =
        QStringLiteral("省 市 区 县 区县 市区 镇 街道 序号 编号").split(QLatin1Char(' '));
    return others;
}

// "序号|姓名|手机|地址", "姓名|手机|省|市|区|详细地址": every cell a label or a level.
bool isHeaderRow(const QString& line)
{
    static const QRegularExpression cells(QStringLiteral(R"([\s|,，]+)"));
    const QStringList parts = line.split(cells, Qt::SkipEmptyParts);
    if (parts.size() < 2)
        return false;
    int labels = 0;
    for (const QString& p : parts) {
        if (PasteText::labelOf(p) != PasteText::None)
            ++labels;
        else if (!otherColumns().contains(p))
            return false;
    }
    return labels > 0;
}

// A column header of a sheet: a label ("收件人手机"), a level of the address
// ("省", "区县") or the row's number. Sets labelled for a label.
bool isColumnHeader(const QString& cell, bool* labelled)
{
    const QList<PasteText::Piece> pieces = PasteText::splitAtLabels(cell);
    // An order number's column is a number of the remark as it stands.
    *labelled = pieces.size() == 1 && pieces.first().label != PasteText::None &&
                pieces.first().label != PasteText::Info;
    if (pieces.size() == 1 && pieces.first().label == PasteText::Info)
        return true;
    return *labelled || otherColumns().contains(cell);
}

// The rows under a header of tab- or bar-separated columns, each cell written
// after its column's label ("单位：…"), so that a cell goes where its column
// says: under "商品|数量|收货人" the goods are no name.
QStringList labelledRows(const QStringList& lines)
{
    if (lines.size() < 2)
        return {};
    const QChar bar = lines.first().contains(QLatin1Char('\t')) ? QLatin1Char('\t') : QLatin1Char('|');
    if (!lines.first().contains(bar))
        return {};
    QStringList header = lines.first().split(bar);
    QVector<bool> labelled(header.size());
    QVector<bool> info(header.size());
    for (int i = 0; i < header.size(); ++i) {
        header[i] = header.at(i).trimmed();
        bool l = false;
        if (!header.at(i).isEmpty() && !isColumnHeader(header.at(i), &l))
            return {};
        labelled[i] = l;
        info[i] = PasteText::labelOf(header.at(i)) == PasteText::Info;
    }
    QStringList rows;
    for (int n = 1; n < lines.size(); ++n) {
        const QStringList cells = lines.at(n).split(bar);
        if (cells.size() < 2 || cells.size() > header.size())
            return {};
        // An order's cells ("7730451826093", "羊绒围巾", "2") first, each on a line
        // of its own: after the address a bare number would read as its room.
        QStringList order;
        QStringList row;
        for (int i = 0; i < cells.size(); ++i) {
            const QString v = cells.at(i).trimmed();
            if (v.isEmpty() || header.at(i) == QStringLiteral("序号") ||
                header.at(i) == QStringLiteral("编号"))
                continue;
            (info.at(i) ? order : row) << (labelled.at(i) ? header.at(i) + QStringLiteral("：") + v : v);
        }
        rows << (order + QStringList(row.join(QLatin1Char('\t')))).join(QLatin1Char('\n'));
    }
    return rows;
}

QString withoutNumbering(QString line)
{
    static const QRegularExpression numbering(QStringLiteral(
        R"(^\s*(?:\d{1,2}\s*[.、)）:：|]|\d{1,4}\t|\d{1,4}[,，](?=\s*\p{Han})|[(（]\d{1,2}[)）]|[\x{2460}-\x{2473}\x{2776}-\x{277F}]\s*[.、:：]?|)"
        R"(第[一二三四五六七八九十\d]{1,2}[个位单份家]?\s*[:：]?)\s*)"));
    // "收件人2：", "电话2：", "地址2：": the labels of the second recipient.
    static const QRegularExpression numberedLabel(QStringLiteral(R"((\p{Han}{2,5})\s*[1-9]\d?\s*(?=[:：]))"));
    line.remove(numbering);
    // "收件人① 张福山": the label numbered by a circled digit, no colon after it.
    static const QRegularExpression circled(QStringLiteral(R"((\p{Han}{2,5})[\x{2460}-\x{2473}]\s*[:：]?)"));
    if (const auto m = circled.match(line);
        m.hasMatch() && PasteText::labelOf(m.captured(1)) != PasteText::None)
        line.replace(m.capturedStart(), m.capturedLength(), m.captured(1) + QStringLiteral("："));
    for (qsizetype at = 0;;) {
        const auto m = numberedLabel.match(line, at);
        if (!m.hasMatch())
            break;
        if (PasteText::labelOf(m.captured(1)) != PasteText::None) {
            line.replace(m.capturedStart(), m.capturedLength(), m.captured(1));
            at = m.capturedStart() + m.capturedLength(1);
        } else {
            at = m.capturedEnd();
        }
    }
    return line.trimmed();
}

// "订单1", "包裹 2：" on a line of its own: which of the orders below, no field of any.
bool isOrderNumbering(const QString& line)
{
    static const QRegularExpression numbering(
        QStringLiteral(R"(^(?:订单|包裹)\s*[1-9一二三四五六七八九十]\d?\s*[:：]?$)"));
    return line.size() <= 8 && numbering.match(line).hasMatch();
}

// Every line an order's line under its label: "宝贝：…", "规格：…", "实付：¥186.50".
bool isOrderLinesOnly(const QString& chunk)
{
    static const QRegularExpression colon(QStringLiteral("[:：]"));
    for (const QString& line : chunk.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QString head = PasteText::normalized(line).section(colon, 0, 0).trimmed();
        if (!line.contains(colon) || PasteText::labelOf(head) != PasteText::Info)
            return false;
    }
    return !chunk.trimmed().isEmpty();
}

// Whether the line begins with the order's number: "订单号：2560913387724419002".
bool startsWithOrderNumber(const QString& line)
{
    static const QRegularExpression number(
        QStringLiteral(R"(^\s*(?:订单编号|订单号)\s*[:：]?\s*[A-Za-z0-9-]{6,}\s*$)"));
    return number.match(line).hasMatch();
}

// Whether the line begins with a name label ("收货人：…").
bool startsWithNameLabel(const QString& line)
{
    static const QRegularExpression first(QStringLiteral(R"(^[^\s:：,，]+)"));
    const QString head = PasteText::normalized(first.match(line.trimmed()).captured(0)).trimmed();
    const QList<PasteText::Piece> pieces = PasteText::splitAtLabels(head);
    return !pieces.isEmpty() && pieces.first().label == PasteText::Name;
}

// "某公司 寄两份：市场部 曾可 135…；财务部 滕远 136…；地址都是 深圳市…": on
// one line, the people apart, then the address for them all; what stands
// before the colon of the first (the company) is for them all too.
QStringList peopleWithSharedAddress(const QString& line)
{
    static const QRegularExpression apart(QStringLiteral("[;；]"));
    if (!line.contains(QLatin1Char(';')) && !line.contains(QChar(0xFF1B)))
        return {};
    QStringList pieces = line.split(apart, Qt::SkipEmptyParts);
    for (QString& p : pieces)
        p = withoutNumbering(p);
    pieces.removeAll(QString());
    if (pieces.size() < 3 || !isSharedAddress(pieces.last()))
        return {};
    QString head;
    static const QRegularExpression colon(QStringLiteral("[:：]"));
    if (const int at = int(pieces.first().indexOf(colon)); at > 0 && !isPersonOnly(pieces.first().left(at))) {
        head = pieces.first().left(at).trimmed();
        pieces.first() = withoutNumbering(pieces.first().mid(at + 1));
    }
    // A person with a number, maybe a department ("市场部 曾可 135…"), no place.
    const auto person = [](const QString& piece) {
        static const QRegularExpression blanks(QStringLiteral(R"(\s+)"));
        const QString normal = PasteText::normalized(piece);
        QString rest;
        for (const QString& word : normal.split(blanks, Qt::SkipEmptyParts)) {
            if (!PasteText::isDepartment(word))
                rest += word + QLatin1Char(' ');
        }
        return isPersonOnly(rest);
    };
    QStringList people;
    for (int i = 0; i + 1 < pieces.size(); ++i) {
        if (!person(pieces.at(i)))
            return {};
        people << (head.isEmpty() ? QString() : head + QLatin1Char(' ')) + pieces.at(i) + QLatin1Char('\n') +
                      pieces.last();
    }
    return people;
}

QStringList splitChunk(const QString& chunk)
{
    const QStringList rows = labelledRows(chunk.split(QLatin1Char('\n')));
    if (!rows.isEmpty())
        return rows;
    QStringList lines;
    for (const QString& raw : chunk.split(QLatin1Char('\n'))) {
        const QString line = withoutNumbering(raw);
        if (!line.isEmpty() && !isHeaderRow(line) && !isOrderNumbering(line))
            lines << line;
    }
    if (lines.isEmpty())
        return {};
    // One recipient a line, with thanks or a greeting on lines of their own.
    QStringList recipients;
    bool everyLine = true;
    for (const QString& l : std::as_const(lines)) {
        if (isWholeRecipient(l))
            recipients << l;
        else
            everyLine = everyLine && PasteChat::isChat(PasteText::normalized(l).trimmed());
    }
    if (everyLine && recipients.size() >= 2)
        return recipients;
    // People on lines of their own, then the address for them all: each gets it.
    if (lines.size() >= 3 && isSharedAddress(lines.last())) {
        QStringList people;
        for (int i = 0; i + 1 < lines.size() && isPersonOnly(lines.at(i)); ++i)
            people << lines.at(i) + QLatin1Char('\n') + lines.last();
        if (people.size() == lines.size() - 1)
            return people;
    }
    if (lines.size() == 1) {
        if (const QStringList people = peopleWithSharedAddress(lines.first()); !people.isEmpty())
            return people;
        // "第一单：…；第二单：…", "沈一诺 … | 沈国栋 … | …", "收件人：… 收件人：…".
        static const QRegularExpression apart(QStringLiteral(R"([;；]|\s\|\s)"));
        static const QRegularExpression nameLabel(
            QStringLiteral(R"(\s(?=(?:收件人|收货人|联系人)\s*[:：]))"));
        for (const QRegularExpression* at : {&apart, &nameLabel}) {
            QStringList pieces;
            for (const QString& p : lines.first().split(*at, Qt::SkipEmptyParts))
                pieces << withoutNumbering(p);
            bool whole = pieces.size() >= 2;
            // Cut at the name's label only where each piece begins with it.
            for (const QString& p : pieces)
                whole = whole && isWholeRecipient(p) && (at == &apart || startsWithNameLabel(p));
            if (whole)
                return pieces;
        }
        return lines;
    }
    // Labelled blocks one after another: a name label again starts the next.
    // Where the first block begins with its order's number, the number just
    // before the next name label is the next order's: "订单号：…\n收货人：…".
    QStringList entries;
    QStringList block;
    bool named = false;
    const bool numberFirst = startsWithOrderNumber(lines.first());
    for (const QString& l : std::as_const(lines)) {
        const bool name = startsWithNameLabel(l);
        if (name && named && block.size() >= 2) {
            QStringList next;
            while (numberFirst && block.size() > 2 && startsWithOrderNumber(block.last()))
                next.prepend(block.takeLast());
            entries << block.join(QLatin1Char('\n'));
            block = next;
            named = false;
        }
        named = named || name;
        block << l;
    }
    entries << block.join(QLatin1Char('\n'));
    return entries;
}

QStringList splitChunks(const QString& t)
{
    static const QRegularExpression apart(
        QStringLiteral(R"(\n[ \t\x{3000}]*\n|\n[ \t]*[-=*_~—]{3,}[ \t]*(?=\n|$))"));
    QStringList entries;
    QString order; // the goods and sums set off by a rule above the recipient they go to
    for (const QString& chunk : t.split(apart)) {
        if (chunk.trimmed().isEmpty())
            continue;
        if (isOrderLinesOnly(chunk)) {
            order += chunk.trimmed() + QLatin1Char('\n');
            continue;
        }
        entries << splitChunk(order + chunk.trimmed());
        order.clear();
    }
    // Below the last recipient they are its order's.
    if (!order.isEmpty() && !entries.isEmpty())
        entries.last() += QLatin1Char('\n') + order.trimmed();
    else if (!order.isEmpty())
        entries << splitChunk(order.trimmed());
    return entries;
}

// The sender's part set apart above a recipient, and nothing else, is
// read with that recipient, which takes it out: no recipient of its own.
QStringList withSenderJoined(QStringList entries)
{
    for (int i = entries.size() - 2; i >= 0; --i) {
        // What is left may be the heading of the recipient below: "收件人信息：".
        static const QRegularExpression colons(QStringLiteral(R"([\s:：]+$)"));
        QString rest = PasteText::normalized(entries.at(i));
        if (!PasteText::startsWithSender(rest) || PasteText::takeSender(rest).isEmpty())
            continue;
        rest = rest.trimmed().remove(colons);
        if (rest.isEmpty() || PasteChat::isFieldHeading(rest)) {
            const QString recipient = entries.takeAt(i + 1);
            entries[i] += QLatin1Char('\n') + recipient;
        }
    }
    return entries;
}

// "都是宁夏固原市西吉县的：" over recipients each with the rest of the address:
// the region they share, given to each. Empty when the text is not so.
QStringList withSharedRegion(const QStringList& lines)
{
    static const QRegularExpression shared(QStringLiteral(
        R"(^(?:地址)?(?:都是|都在|全是|全在|都寄|都发|都寄到|都发到)\s*(\p{Han}{2,20}[省市县区旗州盟])的?\s*[:：]?$)"));
    if (lines.size() < 3)
        return {};
    const auto m = shared.match(lines.first().trimmed());
    if (!m.hasMatch())
        return {};
    QStringList entries;
    for (int i = 1; i < lines.size(); ++i) {
        if (lines.at(i).trimmed().isEmpty())
            continue;
        if (!isWholeRecipient(lines.at(i)))
            return {};
        entries << m.captured(1) + QLatin1Char(' ') + lines.at(i).trimmed();
    }
    return entries.size() >= 2 ? entries : QStringList();
}

// A phone number as typed, with its blanks: "+852 9123 4567", "13817264408".
const QRegularExpression& phoneNumber()
{
    static const QRegularExpression n(QStringLiteral(R"(\+?\d(?:[ -]?\d){6,})"));
    return n;
}

// "陈晓 上海市…", "田甜：山东省…", "姐姐 钱丽 湖北省…": a line that names its recipient first.
bool startsWithName(const QString& line)
{
    static const QRegularExpression apart(QStringLiteral(R"([\s:：,，]+)"));
    const QStringList words = line.split(apart, Qt::SkipEmptyParts);
    static const QStringList kin =
        QStringLiteral("姐姐 姐夫 妹妹 妹夫 哥哥 嫂子 弟弟 弟媳 爸爸 妈妈 老爸 老妈 "
                       "爷爷 奶奶 外公 外婆 舅舅 舅妈 姑姑 阿姨 叔叔 婶婶")
            .split(QLatin1Char(' '));
    const int at = !words.isEmpty() && kin.contains(words.first()) ? 1 : 0;
    return words.size() > at && PersonName::fit(words.at(at)) == PersonName::Strong;
}

// "两个地址 电话一样 都是138…" over people each with an address and no number:
// the number given to each. Empty when the text is not so.
QStringList withSharedNumber(const QStringList& lines)
{
    static const QRegularExpression shared(QStringLiteral("都|一样|一樣|同一|共用|各"));
    static const QRegularExpression place(QStringLiteral("[省市区县路街道镇村]"));
    if (lines.size() < 3)
        return {};
    int head = 0;
    // The number is said to be shared before it is given.
    while (head < lines.size() && !lines.at(head).contains(shared))
        ++head;
    while (head < lines.size() && !lines.at(head).contains(phoneNumber()))
        ++head;
    if (lines.size() - head < 3)
        return {};
    if (lines.size() - head < 3)
        return {};
    const QString first = PasteText::normalized(lines.at(head));
    const auto number = phoneNumber().match(first);
    if (!first.contains(shared) || first.contains(place) ||
        first.indexOf(phoneNumber(), int(number.capturedEnd())) >= 0)
        return {};
    QStringList entries;
    for (int i = head + 1; i < lines.size(); ++i) {
        const QString line = withoutNumbering(lines.at(i).trimmed());
        if (line.isEmpty())
            continue;
        if (!line.contains(place) || PasteText::normalized(line).contains(phoneNumber()) ||
            !startsWithName(line))
            return {};
        entries << line + QLatin1Char(' ') + number.captured();
    }
    return entries.size() >= 2 ? entries : QStringList();
}

// "林大雨 电话同上 福建省…", "陳嘉豪 同一個電話 香港…": the number of the recipient above.
QStringList withNumbersCopiedDown(QStringList lines)
{
    static const QRegularExpression same(
        QStringLiteral("(?:电话|電話|手机|手機|号码|號碼)?(?:同上|一样|一樣|同一个|同一個)(?:电话|電話|手机|"
                       "手機|号码|號碼|号|號)?"));
    // Most texts say nothing of a number being the same.
    if (std::none_of(lines.cbegin(), lines.cend(), [](const QString& l) {
            return l.contains(QStringLiteral("同上")) || l.contains(QStringLiteral("一样")) ||
                   l.contains(QStringLiteral("一樣")) || l.contains(QStringLiteral("同一"));
        }))
        return lines;
    QString above;
    for (QString& line : lines) {
        const QString normal = PasteText::normalized(line);
        if (const auto n = phoneNumber().match(normal); n.hasMatch()) {
            above = n.captured();
            continue;
        }
        const auto m = same.match(line);
        // The phrase says which number only with a word for it: "同上" alone may be the address's.
        if (!above.isEmpty() && m.hasMatch() && m.capturedLength() > 2)
            line.replace(m.capturedStart(), m.capturedLength(), above);
    }
    return lines;
}

} // namespace

QStringList RecipientSplitter::split(const QString& text)
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    // A lead-in line about the batch belongs to none of the recipients after it.
    const QStringList lines = withNumbersCopiedDown(t.trimmed().split(QLatin1Char('\n')));
    if (const QStringList shared = withSharedRegion(lines); !shared.isEmpty())
        return shared;
    if (const QStringList shared = withSharedNumber(lines); !shared.isEmpty())
        return shared;
    int leadIn = 0;
    while (leadIn < lines.size() - 1 && isBatchLeadIn(lines.at(leadIn).trimmed()))
        ++leadIn;
    if (leadIn > 0) {
        const QStringList entries = splitChunks(lines.mid(leadIn).join(QLatin1Char('\n')));
        if (entries.size() >= 2)
            return withSenderJoined(entries);
    }
    return withSenderJoined(splitChunks(lines.join(QLatin1Char('\n'))));
}
