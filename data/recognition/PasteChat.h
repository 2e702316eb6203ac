#pragma once

#include <QString>

// The words around the fields that belong to none of them: greetings and
// chat ("亲", "你好", "帮我改下地址"), the shop page's headings over a copied
// order ("【拼多多】", "收货人信息").
class PasteChat
{
public:
    // Greetings and chat that belong to no field.
    static bool isChat(const QString& token);
    // The shop's platform in front of a copied order: "【拼多多】", "京东订单".
    static bool isOrderHeading(const QString& token);
    // The shop's platform alone: "京东", "拼多多".
    static bool isPlatform(const QString& token);
    // "收货人信息": a heading over the fields, no value.
    static bool isFieldHeading(const QString& token);
    // The value without thanks glued to its end: "送货上门谢谢" -> "送货上门".
    static QString withoutThanks(const QString& token);
};
