#include "data/recognition/PasteText.h"

#include "data/recognition/AddressWords.h"
#include "data/recognition/PasteChat.h"
#include "data/recognition/PasteHeading.h"
#include "data/recognition/PasteLabels.h"
#include "data/recognition/PersonName.h"
#include "data/recognition/PhoneLabels.h"

#include <algorithm>

#include <QRegularExpression>
#include <QStringList>
#include <QVector>

namespace {

const QStringList& institutions()
{
    static const QStringList l =
        // A hospital is often called by its number: "浙大一院", "湘雅二院".
        QStringLiteral("医院 大学 学院 学校 中学 小学 研究院 研究所 公司 集团 银行 局 中心 醫院 大學 學院 "
                       "一院 二院 三院 四院 五院 六院 七院 八院 九院")
            .split(QLatin1Char(' '));
    return l;
}

// Stickers of the chat apps ("[抱拳]", "[表情]") and the fillers of a
// message spoken into the phone ("嗯", "然后", "就这样") stand between the
// fields and belong to none.
void withoutChatMarks(QString& s)
{
    static const QRegularExpression marks(
        QStringLiteral(R"(\[\p{Han}{1,4}\]|嗯+|然后|就这(?:样|些|么多)(?:吧|哈|了)?(?=[\s,，。!！]|$)|)"
                       R"((?:^|(?<=[\s,，。嗯]))那个(?=地址|收件|收货|电话|手机|名字|姓名))"));
    if (s.contains(QLatin1Char('[')) || s.contains(QChar(0x55EF)) || s.contains(QChar(0x7136)) ||
        s.contains(QChar(0x8FD9)) || s.contains(QChar(0x90A3)))
        s.replace(marks, QStringLiteral(" "));
    // That the number changed, before the new one: "我换手机号了 新号 181…".
    static const QRegularExpression changed(
        QStringLiteral("(?:我|本人)?(?:换|改)了?(?:手机号码?|电话号码?|号码|手机|电话)了?"));
    if (s.contains(QChar(0x6362)) || s.contains(QChar(0x6539)))
        s.replace(changed, QStringLiteral(" "));
    // "…丽阳街518号就行": the ease after the house number is no part of it; "放门卫室就好" keeps it.
    static const QRegularExpression ease(
        QStringLiteral("(?<=[0-9]|[0-9零一二三四五六七八九十A-Za-z][号室楼栋座层弄组])(?:就行|就好|就可以|"
                       "即可)(?:了|啦)?(?=[\\s,，。!！]|$)"));
    if (s.contains(QChar(0x5C31)) || s.contains(QChar(0x5373)))
        s.replace(ease, QStringLiteral(" "));
    // When to bring it, glued to the room: "…一二零六室下午送".
    static const QRegularExpression when(QStringLiteral(
        "([室号楼栋层座户])(?=(?:上午|下午|中午|晚上|早上|白天|周末|工作日)(?:再?送|派送|配送))"));
    if (s.contains(QChar(0x9001)))
        s.replace(when, QStringLiteral("\\1 "));
    // Whose landline it is, before its label: "家里座机0574…".
    static const QRegularExpression whose(
        QStringLiteral("(?:家里|家庭|办公室|单位|公司)的?(?=座机|固话|固定电话)"));
    if (s.contains(QStringLiteral("座机")) || s.contains(QStringLiteral("固")))
        s.replace(whose, QStringLiteral(" "));
    // "办公室电话 010-…" too, set apart: "…有限公司电话" keeps its company.
    static const QRegularExpression whosePhone(
        QStringLiteral("(?:家里|家庭|办公室|单位|公司|宿舍)的?(?=电话|手机)"));
    if (s.contains(QStringLiteral("电话")) || s.contains(QStringLiteral("手机"))) {
        for (auto m = whosePhone.match(s); m.hasMatch(); m = whosePhone.match(s, m.capturedEnd())) {
            if (m.capturedStart() == 0 || s.at(m.capturedStart() - 1).script() != QChar::Script_Han)
                s.replace(m.capturedStart(), m.capturedLength(),
                          QString(m.capturedLength(), QLatin1Char(' ')));
        }
    }
    // A new address announced: "改地址：…".
    static const QRegularExpression newAddress(
        QStringLiteral("(?<![\\p{Han}])[改换](?=(?:收货|收件)?地址[:：])"));
    if (s.contains(QChar(0x6539)) || s.contains(QChar(0x6362)))
        s.replace(newAddress, QStringLiteral(" "));
    // Cells of a sheet saved with quotes: "\"邢佳慧\",\"186…\"".
    if (s.contains(QStringLiteral("\",\"")))
        s.replace(QLatin1Char('"'), QLatin1Char(' '));
    // The platform's notice on a privacy number is for the shop, not the courier:
    // "（该号码为隐私号，仅限配送使用）".
    static const QRegularExpression privacy(
        QStringLiteral(R"([（(][^（）()\n]*隐私[^（）()\n]*[)）]|(?:该|此)号码为?隐私号[^\n]*)"));
    if (s.contains(QStringLiteral("隐私")))
        s.replace(privacy, QStringLiteral(" "));
}

// A digit, plain or full width.
bool isDigitAt(const QString& s, int i)
{
    const ushort u = s.at(i).unicode();
    return (u >= '0' && u <= '9') || (u >= 0xFF10 && u <= 0xFF19);
}

} // namespace

QString PasteText::normalized(const QString& in)
{
    QString s;
    s.reserve(in.size());
    for (int i = 0; i < in.size(); ++i) {
        const QChar ch = in.at(i);
        const ushort u = ch.unicode();
        if (u >= 0xFF10 && u <= 0xFF19)
            s += QChar(u - 0xFF10 + '0');
        else if (u == 0xFF0B)
            s += QLatin1Char('+');
        else if (u == 0xFF0E ||
                 (u == 0x3002 && i > 0 && i + 1 < in.size() && isDigitAt(in, i - 1) && isDigitAt(in, i + 1)))
            s += QLatin1Char('.'); // "１３８．１２３４．５６７８", "182。3521。6074"
        else if (u == 0xFF0A)
            s += QLatin1Char('*');
        else if (u == 0xFF0F)
            s += QLatin1Char('/'); // "格桑曲珍／／189…": a separator as the half width one is
        else if ((u == '~' || u == 0xFF5E) &&
                 !(i > 0 && i + 1 < in.size() && isDigitAt(in, i - 1) && isDigitAt(in, i + 1)))
            s += QLatin1Char(' '); // "收件人是我大哥~宋长江~电话~…": a pause; "3~5号" keeps its range
        else if (u == 0x2026 || u == 0x22EF)
            s += QLatin1Char(' '); // "上庄子村 二队 …… 马玉福": a pause typed between the fields
        else if (u == 0xFF5C || u == 0xFF1D || u == '=' ||
                 (u == 0x2014 && i + 1 < in.size() && in.at(i + 1) == ch))
        // Separators between fields: "李娜｜139…", "收货人＝季海波", "姓名——王五".
        {
            s += QLatin1Char(' ');
            if (u == 0x2014) {
                s += QLatin1Char(' ');
                ++i;
            }
        } else if (u == 0xFF0D || u == 0x2013 || u == 0x2014 || u == 0x2212 || u == 0xFE63)
            s += QLatin1Char('-');
        else if (u == 0x2022 || u == 0x30FB || u == 0x2027 || u == 0xFF65 || u == 0x2219 || u == 0x22C5)
            s += QChar(0x00B7); // the dot between the parts of a name
        else if (u == 0x3000 || u == 0xA0 || u == '\t' || (u >= 0x2190 && u <= 0x21FF))
            // Arrows point at the field below a heading: "发货地址↓".
            s += QLatin1Char(' ');
        else if (u == '\r')
            s += (i + 1 < in.size() && in.at(i + 1) == QLatin1Char('\n')) ? QString() : QStringLiteral("\n");
        else if (ch.isSurrogate() || ch.category() == QChar::Symbol_Other ||
                 ch.category() == QChar::Mark_NonSpacing || ch.category() == QChar::Other_Format ||
                 ch.category() == QChar::Mark_Enclosing)
            s += QLatin1Char(' '); // emoji in front of labels: "📱手机号："
        else
            s += ch;
    }
    withoutChatMarks(s);
    // The dot of a name typed with blanks around it: "热合曼 · 吐尔逊".
    static const QRegularExpression spacedDot(QStringLiteral(R"((?<=\p{Han}{2}) +\x{00B7} +(?=\p{Han}{2}))"));
    if (s.contains(QChar(0x00B7)))
        s.replace(spacedDot, QString(QChar(0x00B7)));
    PhoneLabels::plain(s);
    PasteLabels::joinSpaced(s);
    PasteLabels::dashesToBlanks(s);
    PasteHeading::nameDestination(s);
    return s;
}

QString PasteText::asTyped(const QString& address, const QString& typed)
{
    auto wide = [](QChar c) {
        return c.unicode() >= 0xFF10 && c.unicode() <= 0xFF5A && c.isLetterOrNumber();
    };
    if (std::none_of(typed.begin(), typed.end(), wide))
        return address;
    auto plain = [](QChar c) { return c.unicode() < 0x80 && c.isLetterOrNumber(); };
    // The address was joined from pieces set off by blanks: "祖庙路　２１号".
    QString joined = typed;
    joined.remove(QLatin1Char(' ')).remove(QChar(0x3000)).remove(QLatin1Char('\t'));
    QString out = address;
    for (int i = 0; i < out.size();) {
        if (!plain(out.at(i))) {
            ++i;
            continue;
        }
        int end = i;
        while (end < out.size() && plain(out.at(end)))
            ++end;
        // The run with what stands on either side of it, as typed in full width.
        QString run = out.mid(i, end - i);
        for (QChar& c : run)
            c = QChar(c.unicode() - 0x20 + 0xFF00);
        const QString typedRun = (i > 0 ? QString(out.at(i - 1)) : QString()) + run +
                                 (end < out.size() ? QString(out.at(end)) : QString());
        if (joined.contains(typedRun))
            out.replace(i, end - i, run);
        i = end;
    }
    return out;
}

PasteText::Kind PasteText::labelOf(const QString& token)
{
    return PasteLabels::kindOf(token);
}

QList<PasteText::Piece> PasteText::splitAtLabels(const QString& token)
{
    QList<Piece> pieces;
    if (PasteChat::isFieldHeading(token)) {
        pieces.append({token, None});
        return pieces;
    }
    if (labelOf(token) != None) {
        pieces.append({token, labelOf(token)});
        return pieces;
    }
    // "号码是", "电话为", "电话留", "电话还是": a label and the word that introduces its value.
    if (token.size() >= 3 && QStringLiteral("是为留").contains(token.back())) {
        const qsizetype n =
            token.size() >= 4 && token.endsWith(QStringLiteral("还是")) && labelOf(token.chopped(2)) != None
                ? 2
                : 1;
        if (labelOf(token.chopped(n)) != None) {
            pieces.append({token, labelOf(token.chopped(n))});
            return pieces;
        }
    }
    int from = 0;
    for (int i = 0; i < token.size(); ++i) {
        if (!PasteLabels::startsOne(token.at(i)))
            continue;
        for (const PasteLabels::Word& l : PasteLabels::all()) {
            const QString& w = l.word;
            if (l.glued == 0 || (i == 0 && l.glued < 2) || !QStringView(token).mid(i).startsWith(w))
                continue;
            const int end = i + w.size();
            // Inside a text only where the label cannot be part of a word: long
            // labels, and short ones at the end (the number after them was taken
            // out) or before what they announce.
            bool cut = i == 0 ? end < token.size() : w.size() >= 3 || end == token.size();
            // "我们部门的赵可欣": a word of the sentence that names whose, no label.
            if (i > 0 && end < token.size() && token.at(end) == QChar(0x7684)) // 的
                continue;
            // "别写我名字": whose name, no label.
            if (cut && i > 0 && l.kind == Name && end == token.size() && token.at(i - 1) == QChar(0x6211))
                continue;
            // "到前台报公司名", "说公司名就行": what to say at the door, no label.
            if (i > 0 && (l.kind == Name || l.kind == Company) &&
                (end == token.size() || token.at(end) == QChar(0x5C31)) && // 就
                (QStringLiteral("报说").contains(token.at(i - 1)) ||
                 (i > 1 && token.at(i - 1) == QChar(0x6211) &&
                  QStringLiteral("报说").contains(token.at(i - 2)))))
                continue;
            // "先记地址" asks to note it down, "还是老地址" names the one known: no address follows.
            if (cut && i > 0 && l.kind == Detail &&
                (QStringLiteral("记存").contains(token.at(i - 1)) ||
                 (end == token.size() && (QStringLiteral("老旧原").contains(token.at(i - 1)) ||
                                          token.left(i).endsWith(QStringLiteral("那个")) ||
                                          token.left(i).endsWith(QStringLiteral("这个")) ||
                                          token.left(i).endsWith(QStringLiteral("呢個")) ||
                                          token.left(i).endsWith(QStringLiteral("呢个"))))))
                continue;
            // "到了打电话", "到了打我电话" ask for a call: no number was taken after it.
            if (cut && i > 0 && l.kind == Phone &&
                (QStringLiteral("打拨来回用").contains(token.at(i - 1)) ||
                 (end == token.size() && (token.left(i).contains(QChar(0x6253)) || // "多打几遍电话"
                                          token.left(i).contains(QChar(0x62E8)))) ||
                 (i > 1 && token.at(i - 1) == QChar(0x6211) && token.at(i - 2) == QChar(0x6253))))
                continue;
            if (!cut && i > 0 && end < token.size()) {
                const QChar next = token.at(end);
                // "地址福建省…", "备注放门卫", "姓名王五"
                // ("我换地址了": no place follows, the label is part of the chat.)
                // "我的地址是山东省…" too.
                const int place = end + (QStringLiteral("是在为").contains(next) ? 3 : 2);
                cut = (l.kind == Detail && place < token.size() &&
                       QStringLiteral("省市").contains(token.at(place))) ||
                      l.kind == Remark || l.kind == Postcode || l.kind == Name ||
                      (l.kind == Phone && next == QChar(0x662F)); // "电话是"
            }
            if (!cut)
                continue;
            if (i > from)
                pieces.append({token.mid(from, i - from), None});
            // "收货人地址", "联系人电话": the person's label names whose field follows.
            if (i == from && !pieces.isEmpty() && pieces.last().label == Name &&
                pieces.last().text.endsWith(QChar(0x4EBA))) {
                pieces.last() = {pieces.last().text + w, l.kind};
                from = end;
                i = end - 1;
                break;
            }
            pieces.append({w, l.kind});
            from = end;
            i = end - 1;
            break;
        }
    }
    if (from < token.size())
        pieces.append({token.mid(from), None});
    return pieces;
}

QString PasteText::withoutLeadIn(const QString& token)
{
    // A request in front of the verb: "麻烦寄给", "拜托发到", "请帮我寄到".
    static const QStringList asks =
        QStringLiteral("麻烦 拜托 劳驾 请 帮我 帮忙 给我 快递").split(QLatin1Char(' '));
    static const QStringList verbs =
        QStringLiteral("寄到 发到 送到 寄给 发给 寄往 发往 发货到 发货给 寄件到 寄件给 寄货到 送货到")
            .split(QLatin1Char(' '));
    static const QStringList others =
        QStringLiteral("名字叫 名字是 叫做 她叫 他叫 我叫 我是 还是 就是我 就是 叫 是 为")
            .split(QLatin1Char(' '));
    // Alone they announce nothing: "寄：广西…", the mark set off after a name, "李二伟 收", and
    // "给 乌日汗".
    // Nor does the country before the province: "中国 江苏省…".
    if (token == QStringLiteral("寄") || token == QStringLiteral("收") || token == QStringLiteral("给") ||
        token == QStringLiteral("写") || token == QStringLiteral("填") || token == QStringLiteral("还是") ||
        token == QStringLiteral("交给") || token == QStringLiteral("转交") ||
        token == QStringLiteral("还有") || token == QStringLiteral("以及") ||
        token == QStringLiteral("都是") || token == QStringLiteral("中国") || token == QStringLiteral("或") ||
        token == QStringLiteral("或者") || // between two numbers
        token == QStringLiteral("中国大陆") || token == QStringLiteral("中华人民共和国") ||
        PasteHeading::isDestination(token) || PasteHeading::isPurpose(token))
        return QString();
    if (const QString place = PasteHeading::withoutCountry(token); place.size() < token.size())
        return place;
    // Calling the shop, glued to what follows: "老板发顺丰哦" is read as "发顺丰哦".
    for (const char* who : {"老板娘", "老板", "店家", "掌柜的", "掌柜"}) {
        const QString w = QString::fromUtf8(who);
        if (token.size() > w.size() + 1 && token.startsWith(w))
            return withoutLeadIn(token.mid(w.size()));
    }
    QString rest = token;
    for (bool again = true; again;) {
        again = false;
        for (const QString& a : asks) {
            if (rest.startsWith(a)) {
                rest.remove(0, a.size());
                again = true;
            }
        }
    }
    // "寄到我们公司：…", "麻烦寄：…", "发单位：…": the place is named after the colon.
    static const QString place =
        QStringLiteral("(?:我|我们|咱|咱们|你|你们)?的?(?:公司|单位|家|家里|学校|"
                       "医院|宿舍|店里|这里|这边|这儿|这|下面|如下|事务所|办公室|工作室|店|厂)?"
                       "[吧哈哦啊呀]?$");
    static const QRegularExpression ownPlace(QLatin1Char('^') + place);
    static const QRegularExpression sendOwnPlace(QStringLiteral("^[寄发]") + place);
    // "发两个地址：…": how many addresses follow.
    static const QRegularExpression sendCount(QStringLiteral("^[寄发][0-9一二两三四五六七八九十几]+[个处]$"));
    // "帮忙寄一下", "寄香港的": the request, or where it goes, before the fields.
    static const QRegularExpression sendRequest(QStringLiteral("^[寄发](?:一下|下)$"));
    // "另外再发一份给": one more parcel, to the recipient named after it.
    static const QRegularExpression sendAnother(
        QStringLiteral("^(?:另外|还有|然后)?[再也还]?[寄发][一两二三1-9]?[份个箱件单]?[给到]?$"));
    if (rest.size() >= 3 && sendAnother.match(rest).hasMatch())
        return QString();
    // "一个是", "另一个是": which of the recipients that follow.
    static const QRegularExpression whichOne(
        QStringLiteral("^(?:(?:另外?|还有)?[一1]|第[一二两三四五六七八九十\\d]{1,2})个(?:人)?是$"));
    if (rest.size() >= 3 && whichOne.match(rest).hasMatch())
        return QString();
    static const QRegularExpression sendWhere(
        QStringLiteral("^[寄发](?:[到往]?(\\p{Han}{2,6})的|去(\\p{Han}{2,6}))$")); // "寄去台南"
    // "寄香港": where it goes, when it is a region of the first level.
    static const QRegularExpression sendRegion(
        QStringLiteral("^[寄发][到往去]?(?:香港|澳[门門]|台[湾灣]|臺灣|\\p{Han}{2,3}省)$"));
    if (sendRegion.match(rest).hasMatch())
        return QString();
    if ((rest.startsWith(QStringLiteral("寄")) || rest.startsWith(QStringLiteral("发"))) &&
        (sendOwnPlace.match(rest).hasMatch() || sendCount.match(rest).hasMatch() ||
         sendRequest.match(rest).hasMatch()))
        return QString();
    if (const auto m = sendWhere.match(rest);
        m.hasMatch() && !PersonName::isDeliveryNote(m.captured(1) + m.captured(2)))
        return QString();
    // "你寄到那个…": the shop spoken to before the verb.
    if ((rest.startsWith(QChar(0x4F60)) || rest.startsWith(QChar(0x60A8))) && rest.size() > 3 &&
        verbs.contains(rest.mid(1, 2)))
        rest.remove(0, 1);
    for (const QString& v : verbs) {
        // "请送到门卫" is a delivery note, no lead-in.
        if (!rest.startsWith(v) || (rest.size() < token.size() && v.startsWith(QStringLiteral("送"))))
            continue;
        // "送到了放门卫室": the parcel come, no place it goes to.
        if (rest.mid(v.size()).startsWith(QChar(0x4E86))) // 了
            return token;
        rest.remove(0, v.size());
        // "送到家" at the end is a wish, no place named after it; so is
        // "送到护士站就行", or another place it may go: "送到村委会也行".
        static const QRegularExpression enough(
            QStringLiteral("(?:就行|就好|即可|就可以|也行|也可以|也好|都行)(?:了|啦)?$"));
        // So is a spot in the building named by itself: "送到护士站", "送到收发室".
        static const QRegularExpression spot(QStringLiteral("^\\p{Han}{1,3}[站台室处口卫]$"));
        if (v.startsWith(QStringLiteral("送")) &&
            (rest == QStringLiteral("家") || rest == QStringLiteral("家里") || rest.contains(enough) ||
             spot.match(rest).hasMatch()))
            return token;
        if (rest.startsWith(QStringLiteral("那个")) && rest.size() > 4)
            rest.remove(0, 2);
        // "寄给我弟弟汤宇航": who the recipient is to the sender, before the name.
        static const QRegularExpression kin(
            QStringLiteral("^(?:我的?)?(?:弟弟|哥哥|姐姐|妹妹|爸爸|妈妈|爸|妈|外婆|外公|奶奶|爷爷|老公|老婆|"
                           "儿子|女儿|同事|朋友|同学|表哥|表姐|表妹|表弟)"));
        if (const auto m = kin.match(rest);
            m.hasMatch() && PersonName::fit(rest.mid(m.capturedLength())) == PersonName::Strong)
            rest.remove(0, m.capturedLength());
        return ownPlace.match(rest).hasMatch() ? QString() : rest;
    }
    // "他在江苏省…", "地址还是 安徽省…": where the recipient is, before the address.
    // "改成江西省…", "就是那个湖北省…": the new one, or the one meant.
    for (const char* where :
         {"他在", "她在", "我在", "人在", "还是", "改成", "改为", "换成", "就是那个", "就是", "在"}) {
        const QString w = QString::fromUtf8(where);
        if (token.size() >= w.size() + 6 && token.startsWith(w) &&
            AddressWords::looksLikeAddress(token.mid(w.size())) &&
            !PersonName::isDeliveryNote(token.mid(w.size())))
            return token.mid(w.size());
    }
    // "给黄志鹏": whom it goes to, the mark glued to the name.
    if (token.size() >= 3 && token.size() <= 5 && token.startsWith(QStringLiteral("给")) &&
        PersonName::fit(token.mid(1)) == PersonName::Strong && PersonName::fit(token) != PersonName::Strong)
        return token.mid(1);
    // "收件人写刘洋": what to write, but only a name after it ("写字楼" stays).
    // "我朋友叫钱多多", "她叫苗思雨": who it is, then the name.
    static const QRegularExpression who(QStringLiteral(
        "^(?:我的?)?(?:朋友|同事|同学|家人|妈妈?|爸爸?|老公|老婆|姐姐?|哥哥?|弟弟|妹妹|儿子|女儿|她|他)"
        "(?:叫做?|名字叫|的名字是)(.+)$"));
    if (const auto m = who.match(token); m.hasMatch() && PersonName::fit(m.captured(1)) == PersonName::Strong)
        return m.captured(1);
    // "名字就写黎先生吧" too; "写" alone waits for the name after it.
    static const QRegularExpression write(
        QStringLiteral("^(?:就|要|请|都)?[写填](?:成|上)?(.*?)[吧哈啊呀哦]?$"));
    if (const auto m = write.match(token); m.hasMatch()) {
        if (m.capturedLength(1) == 0)
            return QString();
        // "写关浩然就行": the name with the ease after it.
        static const QRegularExpression enough(QStringLiteral("(?:就行|就好|就可以|即可)(?:了|啦)?$"));
        const QString name = m.captured(1).remove(enough);
        if (PersonName::fit(name) == PersonName::Strong)
            return name;
    }
    // "不变还是游晓光": that the name stays, then the name.
    static const QRegularExpression unchanged(QStringLiteral("^(?:不变|没变|没换|不换)[的了]?"));
    if (const auto m = unchanged.match(token); m.hasMatch() && m.capturedLength() + 1 < token.size())
        return withoutLeadIn(token.mid(m.capturedLength()));
    for (const QString& w : others) {
        // "是送人的" says what the parcel is: no value after "是".
        if (w == QStringLiteral("是") && token.endsWith(QChar(0x7684)))
            continue;
        if (token.size() > w.size() && token.startsWith(w))
            return token.mid(w.size());
        if (token == w)
            return QString();
    }
    return token;
}

bool PasteText::endsLikeCompany(const QString& token)
{
    static const QStringList ends =
        QStringLiteral(
            "有限公司 公司 集团 事务所 研究院 研究所 工作室 商行 经营部 门市部 分公司 厂 银行 分行 支行 "
            "协会 商会 合作社 设计院 律所 局 办事处 法院 检察院 合伙企业")
            .split(QLatin1Char(' '));
    if (token.size() < 4)
        return false;
    // Its legal form or a department in brackets after it: "…事务所（特殊普通合伙）", "…公司（研发部）".
    static const QRegularExpression bracketed(QStringLiteral(R"([(（][^()（）]+[)）]$)"));
    if (token.endsWith(QChar(0xFF09)) || token.endsWith(QLatin1Char(')'))) {
        const auto m = bracketed.match(token);
        return m.hasMatch() && m.capturedStart() > 0 && endsLikeCompany(token.left(m.capturedStart()));
    }
    for (const QChar c : token) {
        if (c.isDigit())
            return false;
    }
    for (const QString& e : ends) {
        // "工作日放公司前台" asks to leave it at the company: a wish.
        if (token.endsWith(e))
            return !QStringLiteral("放送到在寄").contains(token.at(token.size() - e.size() - 1));
    }
    return false;
}

bool PasteText::isLegalFormAfterPlace(const QString& rest)
{
    static const QRegularExpression form(
        QStringLiteral("^\\p{Han}{0,4}(?:(?:股份)?有限(?:责任|責任)?公司|集团|集團)$"));
    return rest.size() <= 10 && form.match(rest).hasMatch();
}

bool PasteText::isCompany(const QString& token)
{
    if (endsLikeCompany(token))
        return true;
    if (token.size() < 4)
        return false;
    for (const QChar c : token) {
        if (c.isDigit())
            return false;
    }
    // A department of an institution: "第二人民医院检验科", "理工大学化学系".
    for (const QString& in : institutions()) {
        const int at = token.lastIndexOf(in);
        if (at > 0 && isDepartment(token.mid(at + in.size())))
            return true;
    }
    return false;
}

int PasteText::deskLength(const QString& token)
{
    for (const char* desk : {"前台", "收发室", "传达室", "门卫室", "门卫"}) {
        const QString d = QString::fromUtf8(desk);
        if (token.endsWith(d) && isCompany(token.left(token.size() - d.size())))
            return d.size();
    }
    return 0;
}

bool PasteText::isDepartment(const QString& token)
{
    static const QStringList ends =
        QStringLiteral("部 科 处 室 系 办 组 股 中心 车间 办公室 学院 庭").split(QLatin1Char(' '));
    // "本部", "校本部": a school's main campus, a part of the address.
    if (token.size() < 2 || token.size() > 7 || PersonName::isDeliveryNote(token) ||
        token.endsWith(QStringLiteral("本部")))
        return false;
    for (const QChar c : token) {
        if (c.unicode() < 0x4E00 || c.unicode() > 0x9FFF)
            return false;
    }
    for (const QString& e : ends) {
        if (token.endsWith(e) && token.size() > e.size())
            return true;
    }
    // The desk of a ward or office where parcels are left: "护士站", "导医台".
    return token.size() >= 3 && (token.endsWith(QChar(0x7AD9)) || token.endsWith(QChar(0x53F0)));
}

bool PasteText::endsLikeInstitution(const QString& token)
{
    for (const QString& in : institutions()) {
        if (token.size() > in.size() && token.endsWith(in))
            return true;
    }
    return false;
}

namespace {

const QRegularExpression& senderLabel()
{
    static const QRegularExpression l(QStringLiteral("(?:寄件人|发件人|寄件方|发货人)(?![的地])"));
    return l;
}

} // namespace

bool PasteText::startsWithSender(const QString& text)
{
    const auto m = senderLabel().match(text);
    return m.hasMatch() && text.left(m.capturedStart()).trimmed().isEmpty();
}

QString PasteText::takeSender(QString& text)
{
    const QRegularExpression& sender = senderLabel();
    static const QRegularExpression recipient(QStringLiteral("收件人|收货人|收件方|收件信息|收货信息"));
    const auto m = sender.match(text);
    if (!m.hasMatch())
        return QString();
    const int start = m.capturedStart();
    int end = text.indexOf(QLatin1Char('\n'), start);
    // A heading alone on its line ("发件人信息") heads the lines below it.
    static const QRegularExpression heading(QStringLiteral(R"(^(?:信息|资料)?[ :：]*$)"));
    if (const auto next = recipient.match(text, m.capturedEnd()); next.hasMatch())
        end = next.capturedStart();
    else if (end < 0 || heading.match(text.mid(m.capturedEnd(), end - m.capturedEnd())).hasMatch())
        end = text.size();
    QString taken = text.mid(start, end - start).simplified();
    text.remove(start, end - start);
    return taken;
}
