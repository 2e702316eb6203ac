#include "data/recognition/PhoneLabels.h"

#include <QRegularExpression>

#include <algorithm>

void PhoneLabels::plain(QString& s)
{
    // This runs on every line read: the cheap tests first, in one pass. A
    // whose-word ends right before a label of a number.
    static const QStringList labels =
        QStringLiteral("手机 手機 电话 電話 座机 座機 固话 热线 熱線 号码 號碼").split(QLatin1Char(' '));
    static const QString whoseLasts = QStringLiteral("人己里裡庭室公位司店长長铺舍台务務服后後班作板闆理的");
    bool whoseWord = false, colon = false, placeWord = false, hot = false, another = false, either = false;
    for (qsizetype i = 0; i < s.size(); ++i) {
        switch (s.at(i).unicode()) {
        case 0x624B:
        case 0x7535:
        case 0x96FB:
        case 0x5EA7:
        case 0x56FA: // 手 电 電 座 固
        case 0x53F7:
        case 0x865F: // 号 號
            if (!whoseWord && i > 0 && whoseLasts.contains(s.at(i - 1))) {
                const QStringView rest = QStringView(s).mid(i);
                whoseWord = std::any_of(labels.cbegin(), labels.cend(),
                                        [rest](const QString& l) { return rest.startsWith(l); });
            }
            break;
        case 0x70ED:
        case 0x71B1: // 热 熱
            hot = true;
            if (!whoseWord && i > 0 && whoseLasts.contains(s.at(i - 1)))
                whoseWord = true;
            break;
        case 0xFF1A:
        case ':':
            colon = true;
            break;
        case 0x5BA4:
        case 0x91CC:
        case 0x88E1:
        case 0x820D:
        case 0x5E97:
        case 0x5B85: // 室 里 裡 舍 店 宅
            placeWord = true;
            break;
        case 0x53E6:
        case 0x8FD8:
        case 0x9084: // 另 还 還
            another = true;
            break;
        case 0x6216:
        case 'o':
        case 'O': // 或, or
            either = true;
            break;
        default:
            break;
        }
    }
    static const QString label = QStringLiteral("(?:手机|手機|电话|電話|座机|座機|固话|热线|熱線|号码|號碼)");
    // "本人手机", "店长手机", "门店电话", "售后服务热线": whose number, before its label.
    static const QRegularExpression whose(
        QStringLiteral(
            "(?<!\\p{Han})(?:本人|自己|家里|家裡|家庭|办公室|辦公室|办公|辦公|单位|單位|公司|门店|門店|"
            "店长|店長|店里|店裡|店铺|宿舍|前台|服务|服務|客服|售后|售後|值班|工作|私人|个人|個人|"
            "老板|老闆|经理|經理)+的?(?=%1)")
            .arg(label));
    if (whoseWord)
        s.remove(whose);
    // "热线：400…": a hotline's number is a phone's.
    static const QRegularExpression hotline(
        QStringLiteral("(?:热线|熱線)(?:电话|電話)?(?=[ ]*[:：]?[ ]*[(（+]?\\d)"));
    if (hot)
        s.replace(hotline, QStringLiteral("电话"));
    // "辦公室：3188 6620", "宿舍：0571…": the place's phone, under the place's name.
    static const QRegularExpression place(QStringLiteral(
        "(?<!\\p{Han})(?:办公室|辦公室|家里|家裡|宿舍|门店|門店|店里|店裡|住宅)(?=[ ]*[:：][ ]*[(（+]?\\d)"));
    if (colon && placeWord)
        s.replace(place, QStringLiteral("电话"));
    // "另一个号 159…", "还有一个电话": one more number follows, taken like the first.
    static const QRegularExpression anotherRe(QStringLiteral(
        "(?<!\\p{Han})(?:另外?|还有|還有)(?:一个|一個|个|個)?(?:号码?|號碼?|电话|電話|手机|手機)"
        "(?:是|为)?(?=[ ]*[:：]?[ ]*[(（+]?\\d)"));
    if (another)
        s.replace(anotherRe, QStringLiteral(" "));
    // "0755-2698 3321 或 138…": either number.
    static const QRegularExpression eitherRe(
        QStringLiteral("(?<=\\d)[ ]*(?:或者|或|or|OR)[ ]*(?=[(（+]?\\d)"));
    if (either)
        s.replace(eitherRe, QStringLiteral(" "));
}
