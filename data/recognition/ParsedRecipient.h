#pragma once

#include <QString>
#include <QStringList>

// The recipient fields found in a pasted text. Keys are the recipient
// table's column names.
struct ParsedRecipient
{
    QString name;       // 姓名
    QString mobile;     // 手机
    QString phone;      // 电话
    QString city;       // 城市
    QString postcode;   // 邮编
    QString company;    // 收件单位
    QString address;    // 地址
    QString remark;     // 备注
    QStringList unsure; // keys of the fields the user should check

    // 姓名, 手机, 电话, 城市, 邮编, 收件单位, 地址, 备注
    static QStringList keys();
    QString value(const QString& key) const;
    void setValue(const QString& key, const QString& text);
    bool isUnsure(const QString& key) const { return unsure.contains(key); }
};
