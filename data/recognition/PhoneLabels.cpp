#include "data/recognition/PhoneLabels.h"

#include <QRegularExpression>

void PhoneLabels::plain(QString& s)
{
    // Most texts have no digit after such a word; the cheap test first.
    static const QString firsts =
        QStringLiteral("本自家办辦单單公门門店宿前服客售值工私个個老经經另还還热熱或o");
    bool any = false;
    for (const QChar c : s) {
        if (firsts.contains(c)) {
            any = true;
            break;
        }
    }
    if (!any)
        return;
    static const QString label = QStringLiteral("(?:手机|手機|电话|電話|座机|座機|固话|热线|熱線|号码|號碼)");
    // "本人手机", "店长手机", "门店电话", "售后服务热线": whose number, before its label.
    static const QRegularExpression whose(
        QStringLiteral(
            "(?<!\\p{Han})(?:本人|自己|家里|家裡|家庭|办公室|辦公室|办公|辦公|单位|單位|公司|门店|門店|"
            "店长|店長|店里|店裡|店铺|宿舍|前台|服务|服務|客服|售后|售後|值班|工作|私人|个人|個人|"
            "老板|老闆|经理|經理)+的?(?=%1)")
            .arg(label));
    s.remove(whose);
    // "热线：400…": a hotline's number is a phone's.
    static const QRegularExpression hotline(
        QStringLiteral("(?:热线|熱線)(?:电话|電話)?(?=[ ]*[:：]?[ ]*[(（+]?\\d)"));
    s.replace(hotline, QStringLiteral("电话"));
    // "辦公室：3188 6620", "宿舍：0571…": the place's phone, under the place's name.
    static const QRegularExpression place(QStringLiteral(
        "(?<!\\p{Han})(?:办公室|辦公室|家里|家裡|宿舍|门店|門店|店里|店裡|住宅)(?=[ ]*[:：][ ]*[(（+]?\\d)"));
    s.replace(place, QStringLiteral("电话"));
    // "另一个号 159…", "还有一个电话": one more number follows, taken like the first.
    static const QRegularExpression another(QStringLiteral(
        "(?<!\\p{Han})(?:另外?|还有|還有)(?:一个|一個|个|個)?(?:号码?|號碼?|电话|電話|手机|手機)"
        "(?:是|为)?(?=[ ]*[:：]?[ ]*[(（+]?\\d)"));
    s.replace(another, QStringLiteral(" "));
    // "0755-2698 3321 或 138…": either number.
    static const QRegularExpression either(QStringLiteral("(?<=\\d)[ ]*(?:或者|或|or|OR)[ ]*(?=[(（+]?\\d)"));
    s.replace(either, QStringLiteral(" "));
}
