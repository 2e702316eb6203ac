#include "data/recognition/ContactNumbers.h"

#include <QRegularExpression>

namespace {

// Blanks the matched span, so that what stood on either side stays apart.
void blank(QString& text, int start, int length)
{
    text.replace(start, length, QString(length, QLatin1Char(' ')));
}

// Whether the text just before pos ends with a postcode label.
bool labelledPostcode(const QString& text, int pos)
{
    QString before = text.left(pos);
    while (!before.isEmpty() && QStringLiteral(" :：").contains(before.back()))
        before.chop(1);
    return before.endsWith(QStringLiteral("邮编")) || before.endsWith(QStringLiteral("邮政编码"));
}

// Whether the text just before pos ends with an order's label: "订单号：15203987416" is the
// order's number, however much it looks like a mobile.
bool afterOrderLabel(const QString& text, int pos)
{
    QString before = text.left(pos);
    while (!before.isEmpty() && QStringLiteral(" :：#").contains(before.back()))
        before.chop(1);
    return before.endsWith(QStringLiteral("单号")) || before.endsWith(QStringLiteral("订单编号"));
}

// Whether the number at pos is labelled a backup one: "备用电话：180…", "備用手機 0933…".
bool afterBackupLabel(const QString& text, int pos)
{
    static const QRegularExpression backup(
        QStringLiteral(R"([备備]用(?:电话|手机|号码|電話|手機|號碼)?[ :：]*$)"));
    const int from = qMax(0, pos - 12);
    const QStringView before = QStringView(text).mid(from, pos - from);
    return before.contains(QChar(0x7528)) && backup.match(before).hasMatch(); // 用
}

void markUnsure(ParsedRecipient& r, const QString& key)
{
    if (!r.unsure.contains(key))
        r.unsure << key;
}

// The word before an extension: "转1234", "分机号 22", "ext 89"; with a word
// the extension may stand on a line of its own ("\n分机号：4417").
const QString kExtensionWord = QStringLiteral(R"((?:转|轉|分[机機](?:号码?|號碼?)?|ext\.?|EXT\.?|#))");
const QString kAfterWord = QStringLiteral(R"([ ]*[:：]?[ ]*)");
// An extension in brackets, as order pages show privacy numbers: "[2817]", "(分机号 6603)".
const QString kBracketExtension = QStringLiteral(R"([ ]*[(（\[【][ ]*(?:)") + kExtensionWord + kAfterWord +
                                  QStringLiteral(R"()?(\d{1,5})[ ]*[)）\]】])");
// After a mobile also "-5678", "- 5678" (not a landline after it); one capture in every branch.
const QString kMobileExtension = QStringLiteral(R"((?:(?|(?:[ \n]*[,，]?[ ]*)") + kExtensionWord +
                                 kAfterWord + QStringLiteral(R"(|[ ]?-[ ]?)(\d{1,5})(?![\d*]|-\d)|)") +
                                 kBracketExtension + QStringLiteral("))?");
const QString kLandlineExtension =
    QStringLiteral(R"((?:(?|(?:[ ]*[,，]?[ ]*-|[ \n]*[,，]?[ ]*)") + kExtensionWord + QStringLiteral(")") +
    kAfterWord + QStringLiteral(R"((\d{1,5})|)") + kBracketExtension + QStringLiteral("))?(?!\\d)");

// Mobiles read out or typed in Chinese digits, 幺 for 1 as people say it:
// "一三八一二三四五六七八", "幺三九 零七一二 三四五六". Written over with plain
// digits in place, so that the number is taken like any other; shorter runs
// ("三十一号", "二单元") are words of the address and stay.
void chineseDigitsAsPlain(QString& text)
{
    if (!text.contains(QChar(0x4E00)) && !text.contains(QChar(0x5E7A))) // 一, 幺: most texts have neither
        return;
    // Eleven of them, a blank or a dash between groups; none before or after.
    static const QString any = QStringLiteral("零〇一幺二两三四五六七八九");
    static const QString values = QStringLiteral("0011223456789");
    static const QRegularExpression run(
        QStringLiteral("(?<![%1十])[一幺](?:[ -]?[%1]){10}(?![%1十])").arg(any));
    for (auto it = run.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        QString plain = m.captured();
        for (QChar& c : plain) {
            if (const int i = any.indexOf(c); i >= 0)
                c = values.at(i);
        }
        static const QRegularExpression mobile(QStringLiteral(R"(^1[ -]?[3-9])"));
        if (mobile.match(plain).hasMatch())
            text.replace(m.capturedStart(), m.capturedLength(), plain);
    }
}

// A mobile typed in odd groups: "13 9 0 7 1 2 3 4 5 6 7", "186.2031.5566",
// "1 8 6-2031-5566". The groups of a run of digits that together make
// eleven digits starting as a mobile does; a number before or after them
// in the run (a room, a postcode) is left where it is. True when the run
// held such a number mistyped.
bool takeGroupedMobiles(QString& text, QStringList& mobiles)
{
    bool typo = false;
    static const QRegularExpression run(
        QStringLiteral(R"((?<![\d*.-])\d+(?:[ ]{0,2}[.-]?[ ]{0,2}\d+)+(?![\d*]))"));
    static const QRegularExpression group(QStringLiteral(R"(\d+)"));
    for (auto it = run.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        QList<QRegularExpressionMatch> groups;
        for (auto g = group.globalMatch(text, m.capturedStart()); g.hasNext();) {
            const auto gm = g.next();
            if (gm.capturedStart() >= m.capturedEnd())
                break;
            groups << gm;
        }
        for (int first = 0; first + 1 < groups.size(); ++first) {
            QString digits;
            int last = first;
            for (; last < groups.size() && digits.size() < 11; ++last)
                digits += groups.at(last).captured();
            if (digits.size() != 11 || last - first < 2 || digits.at(0) != QLatin1Char('1') ||
                digits.at(1) < QLatin1Char('3'))
                continue;
            // A digit or two more in the same run is a mistyped number, no room or postcode.
            if ((first > 0 && groups.at(first - 1).capturedLength() < 3) ||
                (last < groups.size() && groups.at(last).capturedLength() < 3)) {
                typo = true;
                break;
            }
            mobiles << digits;
            const int start = groups.at(first).capturedStart();
            blank(text, start, groups.at(last - 1).capturedEnd() - start);
            break;
        }
    }
    return typo;
}

// Landlines written as in Taiwan, the area code with its 0 and set off
// ("(02)2733-5566", "07-336 8333"); taken after the mainland's, whose area
// codes have more digits.
void takeTaiwanLandlines(QString& text, QStringList& phones)
{
    static const QRegularExpression re(
        QStringLiteral(
            R"((?<![\d+])(?|[(（]0(2|3|37|4|49|5|6|7|8|89|82)[)）][ ]?|0(2|3|37|4|49|5|6|7|8|89|82)[ -]))"
            R"((\d{3,4})[ -]?(\d{4}))") +
        kLandlineExtension);
    for (auto it = re.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        QString p = QStringLiteral("+886-%1-%2%3").arg(m.captured(1), m.captured(2), m.captured(3));
        if (!m.captured(4).isEmpty())
            p += QLatin1Char('-') + m.captured(4);
        phones << p;
        blank(text, m.capturedStart(), m.capturedLength());
    }
}

} // namespace

void ContactNumbers::take(QString& text, ParsedRecipient& r)
{
    chineseDigitsAsPlain(text);
    // Hong Kong and Macau (eight digits), Taiwan (mobiles 9xx xxx xxx, landlines with an area code).
    static const QRegularExpression hkMoRe(QStringLiteral(
        R"((?<![\d+])(?:(?:\+|00)(852|853)|[(（]\+?(852|853)[)）]|(852|853)(?=[ -]))[ -]*(\d{4})[ -]?(\d{4})(?!\d))"));
    // Grouped in any way after the country code: "+886 912 345 678", "+886-9 1628 3307"; the
    // code also without its plus when set off by a dash or blank, as 852 and 853 are ("886-928…").
    static const QRegularExpression twMobileRe(QStringLiteral(
        R"((?<![\d+])(?:(?:\+|00)886[ -]*|[(（]\+?886[)）][ -]*|886[ -]+)\(?0?(9(?:\)?[ -]?\d){8})(?!\d))"));
    static const QRegularExpression twLandlineRe(
        QStringLiteral(R"((?<![\d+])(?:\+|00)886[ -]*\(?0?([2-8]\d?)\)?[ -]*(\d{3,4})[ -]?(\d{4})(?!\d))"));
    // Mobiles, plain or masked by the platforms ("139****5678"), with an extension of a privacy number;
    // the first group in brackets after the country code as landlines write the area's ("+86 (139)
    // 2706-1185").
    static const QRegularExpression mobileRe(
        QStringLiteral(
            R"((?<![\d*])(?|(?:\+|00)?86[ -]{0,2}[(（](1[3-9]\d)[)）]|(?:(?:\+|00)?86[ -]{0,2}|[(（]\+?86[)）] ?)?(1[3-9]\d))[ -]{0,2}(\d{4}|[*]{4})[ -]{0,2}(\d{4})(?![\d*]))") +
        kMobileExtension);
    // Landlines with the country code: "+86-21-6543 2100", "+86 (755) 8366 1122".
    static const QRegularExpression intlLandlineRe(
        QStringLiteral(
            R"((?<![\d+])(?:\+|00)86[ -]*[(（]?(10|2\d|[3-9]\d\d)[)）]?[ -]*([2-9]\d{2,3})[ -]?(\d{4}))") +
        kLandlineExtension);
    // Also with dots between the groups: "0371.6543.2100".
    static const QRegularExpression landlineRe(
        QStringLiteral(
            R"((?<![\d.])[(（]?(0(?:10|2\d|[3-9]\d\d))[)）]?(?|[ -]{0,2}([2-9]\d{2,3})[ -]?|[.]([2-9]\d{2,3})[.])(\d{4}))") +
        kLandlineExtension);
    // The seven digits after 400 or 800 in any groups ("4008-123-456"), with an extension ("转 2").
    static const QRegularExpression hotlineRe(QStringLiteral(R"((?<!\d)([48]00)((?:[ -]?\d){7})(?!\d))") +
                                              kLandlineExtension);
    // A landline of a four-digit area code with seven digits, grouped four and three: "0434-3226 157".
    static const QRegularExpression landlineSevenRe(
        QStringLiteral(R"((?<![\d.])[(（]?(0[3-9]\d\d)[)）]?[ -]{0,2}([2-9]\d{3})[ -](\d{3}))") +
        kLandlineExtension + QStringLiteral("(?![号號室栋幢楼樓层單单元弄户座])"));
    static const QRegularExpression postcodeRe(QStringLiteral(R"((?<![\d-])(\d{6})(?!-?\d))"));
    static const QRegularExpression mobileTypoRe(QStringLiteral(R"((?<!\d)1\d{9,11}(?!\d))"));

    QStringList mobiles;
    QStringList phones;
    QStringList backups; // mobiles labelled a backup: after the others, whatever their order
    bool maskedMobile = false;
    for (auto it = hkMoRe.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        const QString code = m.captured(1) + m.captured(2) + m.captured(3); // one of them
        const QString number = m.captured(4) + m.captured(5);
        // Mobiles start with 4-9 in Hong Kong, with 6 in Macau; the rest are landlines.
        const bool mobile = code == QLatin1String("852") ? number.at(0) >= QLatin1Char('4')
                                                         : number.at(0) == QLatin1Char('6');
        (mobile ? mobiles : phones) << QStringLiteral("+%1-%2").arg(code, number);
        blank(text, m.capturedStart(), m.capturedLength());
    }
    for (auto it = twMobileRe.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        QString digits = m.captured(1);
        digits.remove(QRegularExpression(QStringLiteral("[^0-9]")));
        mobiles << QStringLiteral("+886-") + digits;
        blank(text, m.capturedStart(), m.capturedLength());
    }
    // Written as in Taiwan, "0912-345-678": ten digits, which no mainland number has,
    static const QRegularExpression twLocalMobileRe(
        QStringLiteral(R"((?<![\d+])0(9\d{2})[ -]?(\d{3})[ -]?(\d{3})(?![\d-]))"));
    // Only where the text is Taiwan's: a place there, or characters written as there.
    static const QRegularExpression taiwan(QStringLiteral(
        "[台臺][湾灣北中南东東]|新北|桃[园園]|高雄|基隆|新竹|嘉[义義]|[宜屏][东東]|花[莲蓮]|苗栗|"
        "彰化|南投|[云雲]林|澎湖|[區號樓]"));
    const bool taiwanText = text.contains(taiwan);
    if (taiwanText) {
        for (auto it = twLocalMobileRe.globalMatch(text); it.hasNext();) {
            const auto m = it.next();
            (afterBackupLabel(text, int(m.capturedStart())) ? backups : mobiles)
                << QStringLiteral("+886-") + m.captured(1) + m.captured(2) + m.captured(3);
            blank(text, m.capturedStart(), m.capturedLength());
        }
    }
    for (auto it = twLandlineRe.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        phones << QStringLiteral("+886-%1-%2%3").arg(m.captured(1), m.captured(2), m.captured(3));
        blank(text, m.capturedStart(), m.capturedLength());
    }
    for (auto it = mobileRe.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        if (afterOrderLabel(text, m.capturedStart()))
            continue;
        QString mobile = m.captured(1) + m.captured(2) + m.captured(3);
        if (!m.captured(4).isEmpty())
            mobile += QStringLiteral("转") + m.captured(4);
        if (m.captured(2).startsWith(QLatin1Char('*')) && mobiles.isEmpty())
            maskedMobile = true;
        (afterBackupLabel(text, int(m.capturedStart())) ? backups : mobiles) << mobile;
        blank(text, m.capturedStart(), m.capturedLength());
    }
    const bool groupedTypo = takeGroupedMobiles(text, mobiles);
    // Eight digits without the country code, in a text of Hong Kong or Macau:
    // "香港 新界… 5163 8842".
    static const QRegularExpression sarLocalRe(
        QStringLiteral(R"((?<![\d+\-./])([2-9]\d{3}) ?(\d{4})(?![\d\-./]))"));
    static const QRegularExpression hongKong(QStringLiteral("香港|九龍|新界|港[岛島]"));
    static const QRegularExpression macau(QStringLiteral("澳[门門]|氹仔|路[环環]"));
    const bool hk = text.contains(hongKong);
    if (mobiles.isEmpty() && backups.isEmpty() && (hk || text.contains(macau))) {
        for (auto it = sarLocalRe.globalMatch(text); it.hasNext();) {
            const auto m = it.next();
            const QString number = m.captured(1) + m.captured(2);
            const bool mobile = hk ? number.at(0) >= QLatin1Char('4') : number.at(0) == QLatin1Char('6');
            (mobile ? mobiles : phones) << (hk ? QStringLiteral("+852-") : QStringLiteral("+853-")) + number;
            blank(text, m.capturedStart(), m.capturedLength());
        }
    }
    for (const QRegularExpression* re : {&intlLandlineRe, &landlineRe, &landlineSevenRe}) {
        for (auto it = re->globalMatch(text); it.hasNext();) {
            const auto m = it.next();
            QString code = m.captured(1);
            if (!code.startsWith(QLatin1Char('0')))
                code.prepend(QLatin1Char('0'));
            QString p = code + QLatin1Char('-') + m.captured(2) + m.captured(3);
            if (!m.captured(4).isEmpty())
                p += QLatin1Char('-') + m.captured(4);
            phones << p;
            blank(text, m.capturedStart(), m.capturedLength());
        }
    }
    for (auto it = hotlineRe.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        QString digits = m.captured(2);
        digits.remove(QLatin1Char(' ')).remove(QLatin1Char('-'));
        QString p = m.captured(1) + QLatin1Char('-') + digits.left(3) + QLatin1Char('-') + digits.mid(3);
        if (!m.captured(3).isEmpty())
            p += QLatin1Char('-') + m.captured(3);
        phones << p;
        blank(text, m.capturedStart(), m.capturedLength());
    }
    if (taiwanText)
        takeTaiwanLandlines(text, phones);
    QStringList extra;
    mobiles << backups;
    if (!mobiles.isEmpty())
        r.mobile = mobiles.takeFirst();
    if (!phones.isEmpty())
        r.phone = phones.takeFirst();
    // A second mobile is a second way to reach the recipient.
    if (r.phone.isEmpty() && !mobiles.isEmpty())
        r.phone = mobiles.takeFirst();
    extra << mobiles << phones;
    if (maskedMobile)
        markUnsure(r, QStringLiteral("手机")); // the platform hid digits: the user must fill them in
    if (r.mobile.isEmpty() && (groupedTypo || mobileTypoRe.match(text).hasMatch()))
        markUnsure(r, QStringLiteral("手机")); // a mobile with a digit too many or too few

    // Six digits that are neither a phone nor a house or room number.
    struct Candidate
    {
        int start;
        bool labelled;
    };
    QList<Candidate> candidates;
    static const QString unitChars = QStringLiteral("号室栋幢楼层单元弄户座");
    for (auto it = postcodeRe.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        // Order pages fill a missing postcode with zeros: no postcode at all.
        if (m.captured(1) == QLatin1String("000000")) {
            blank(text, m.capturedStart(), m.capturedLength());
            continue;
        }
        int after = m.capturedEnd();
        while (after < text.size() && text.at(after) == QLatin1Char(' '))
            ++after;
        if (after < text.size() && unitChars.contains(text.at(after)))
            continue;
        candidates.append({int(m.capturedStart()), labelledPostcode(text, m.capturedStart())});
    }
    if (!candidates.isEmpty()) {
        Candidate chosen = candidates.first();
        for (const Candidate& c : candidates) {
            if (c.labelled) {
                chosen = c;
                break;
            }
        }
        r.postcode = text.mid(chosen.start, 6);
        blank(text, chosen.start, 6);
        if (candidates.size() > 1)
            markUnsure(r, QStringLiteral("邮编"));
    }
    if (!extra.isEmpty())
        text += QLatin1Char('\n') + extra.join(QLatin1Char(' '));
}

QString ContactNumbers::takeTaiwanPostcode(QStringList& leftovers)
{
    static const QRegularExpression postcode(QStringLiteral(R"(^\d{3}(?:\d{2})?$)"));
    for (int i = 0; i < leftovers.size(); ++i) {
        if (postcode.match(leftovers.at(i)).hasMatch())
            return leftovers.takeAt(i);
    }
    return QString();
}
