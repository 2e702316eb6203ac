#pragma once
#include <QString>
// What buyers say to the shop between the fields, about the order rather
// than the parcel: "好了付款了", "先别发", "改好了", "之前那个不用了",
// "这次再来两盒", "开发票的那单", "哦对了", "寄香港哈".
class ChatAsides
{
public:
    static bool isAside(const QString& token);
};
