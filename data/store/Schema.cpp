#include "data/store/Schema.h"

namespace Schema {

QStringList senderColumns()
{
    return {QStringLiteral("姓名"), QStringLiteral("手机"),     QStringLiteral("电话"),
            QStringLiteral("城市"), QStringLiteral("寄件单位"), QStringLiteral("地址"),
            QStringLiteral("邮编"), QStringLiteral("签名"),     QStringLiteral("备注"),
            QStringLiteral("年"),   QStringLiteral("月"),       QStringLiteral("日")};
}

QStringList recipientColumns()
{
    return {QStringLiteral("序号"),     QStringLiteral("选中"),     QStringLiteral("已打印"),
            QStringLiteral("姓名"),     QStringLiteral("城市"),     QStringLiteral("邮编"),
            QStringLiteral("收件单位"), QStringLiteral("地址"),     QStringLiteral("手机"),
            QStringLiteral("电话"),     QStringLiteral("内件品名"), QStringLiteral("数量"),
            QStringLiteral("备注"),     QStringLiteral("快递单号")};
}

QStringList importColumns()
{
    return {QStringLiteral("姓名"),     QStringLiteral("城市"),     QStringLiteral("邮编"),
            QStringLiteral("收件单位"), QStringLiteral("地址"),     QStringLiteral("手机"),
            QStringLiteral("电话"),     QStringLiteral("内件品名"), QStringLiteral("数量"),
            QStringLiteral("备注")};
}

QString quoted(const QString& name)
{
    QString n = name;
    n.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + n + QLatin1Char('"');
}

static QString textColumns(const QStringList& names)
{
    QStringList defs;
    for (const QString& n : names)
        defs << quoted(n) + QStringLiteral(" TEXT");
    return defs.join(QStringLiteral(", "));
}

QStringList createStatements()
{
    QStringList recipientRest = recipientColumns();
    recipientRest.removeFirst(); // "序号" is the automatic number
    const QString recipientDefs = quoted(QStringLiteral("序号")) +
                                  QStringLiteral(" INTEGER PRIMARY KEY AUTOINCREMENT, ") +
                                  textColumns(recipientRest);
    return {QStringLiteral("CREATE TABLE outr (%1)").arg(textColumns(senderColumns())),
            QStringLiteral("CREATE TABLE inr (%1)").arg(recipientDefs),
            QStringLiteral("CREATE TABLE excel (%1)").arg(recipientDefs)};
}

} // namespace Schema
