#pragma once

#include <QString>

// What is written in front of the fields and belongs to none of them: the
// shop page's heading glued to the order's label ("抖音电商订单号"), the
// country glued to the province ("中国广东省…"), where the parcel goes
// ("寄香港：").
class PasteHeading
{
public:
    // How many characters of the token are the page's heading in front of
    // the order's label: 4 for "抖音电商订单号"; 0 where the shop's name is
    // part of the label ("京东订单号") or nothing is glued.
    static int gluedLength(const QString& token);
    // The address without the country glued to its province: "中国广东省…" -> "广东省…".
    static QString withoutCountry(const QString& token);
    // "寄香港", "发往澳門": which of Hong Kong, Macau and Taiwan the fields below go to.
    static bool isDestination(const QString& token);
    // "寄香港：九龍 旺角 …": the region the heading names put before an address
    // that starts with one of its parts, which alone reads as 九龙县 of Sichuan.
    static void nameDestination(QString& text);
    // "退货请寄", "发票寄到": what goes there, then the verb, before the address;
    // "都寄到": that the address is for all the recipients named before.
    static bool isPurpose(const QString& token);
};
