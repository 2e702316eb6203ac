#pragma once
#include <QString>
#include <QStringList>
// Tells talk about the order (what was bought, paid, sized, invoiced, in
// stock, sent back) from a note for the courier (what to do with the
// parcel, when, where, by whom), for a clause written under no label.
class OrderTalk
{
public:
    // True when the clause speaks of the goods or the deal and not of the
    // parcel's handling: "衣服要M码的白色哈", "要是没货就退款吧", "抬头个人就行".
    static bool isTalk(const QString& clause);
    // True when the clause says what to do with the parcel, when, where or
    // by whom, or which courier takes it: "下午送就行", "发极兔就行".
    static bool isCourierNote(const QString& clause);
    // True when a clause could go on a note written before it: a reason or
    // a further word for the courier ("会被偷", "别上楼", "我在店里"), not a
    // number, a place in an address or a word of thanks.
    static bool continuesNote(const QString& clause);
    // Where or with whom to leave the parcel, said first: "放学院收发室", "交给我室友也行".
    static bool isLeaveAt(const QString& clause);
    // A question to the shop: "喀什能包邮吗", "15号前能到吗".
    static bool isQuestion(const QString& clause);
    // Whom the invoice is made out to: "发票抬头开杭州澄明网络科技有限公司".
    static bool isInvoiceTitle(const QString& clause);
    // Someone called by a title or as kin, as the shop is spoken to: "王经理", "大姐".
    static bool isTitleSpokenTo(const QString& word);
    // "王总 王海涛": the one called by a title, then by name; the name goes on the waybill.
    static void putNameBeforeTitle(QStringList& names);
    // A word to the shop about the order, said between the fields: "好了付款了",
    // "先别发", "改好了", "之前那个不用了", "这次再来两盒", "开发票的那单",
    // "哦对了", "寄香港哈".
    static bool isAside(const QString& token);
    // "pls send SF": asked in English for a courier, word by word; the note keeps the "pls".
    // "after" is what follows the "pls" on its line.
    static bool asksCourier(const QString& please, const QString& after);
    // Whose number it is, said beside it: "这是村口商店的", "电话打小卖部的",
    // "打村口小卖部电话", "村委会的电话". The number is the field; this is for none.
    static bool isWhoseNumber(const QString& clause);
    // A clause that speaks of a person, no place: "她家就在村委会旁边", "家里狗凶".
    static bool isAboutSomeone(const QString& clause);
};
