#include "data/recognition/ParsedRecipient.h"

QStringList ParsedRecipient::keys()
{
    static const QStringList k = {QStringLiteral("姓名"), QStringLiteral("手机"), QStringLiteral("电话"),
                                  QStringLiteral("城市"), QStringLiteral("邮编"), QStringLiteral("收件单位"),
                                  QStringLiteral("地址"), QStringLiteral("备注")};
    return k;
}

// The field a key names, or nothing for a key that is no field.
static QString* fieldOf(ParsedRecipient& r, const QString& key)
{
    QString* const fields[] = {&r.name,     &r.mobile,  &r.phone,   &r.city,
                               &r.postcode, &r.company, &r.address, &r.remark};
    const int i = ParsedRecipient::keys().indexOf(key);
    return i < 0 ? nullptr : fields[i];
}

QString ParsedRecipient::value(const QString& key) const
{
    const QString* f = fieldOf(const_cast<ParsedRecipient&>(*this), key);
    return f ? *f : QString();
}

void ParsedRecipient::setValue(const QString& key, const QString& text)
{
    if (QString* f = fieldOf(*this, key))
        *f = text;
}
