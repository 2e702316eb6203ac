#include "data/records/RecipientAdder.h"

#include "data/records/DataSet.h"
#include "data/store/Database.h"
#include "data/store/Transaction.h"

bool RecipientAdder::isEmpty(const ParsedRecipient& r)
{
    for (const QString& key : ParsedRecipient::keys()) {
        if (!r.value(key).isEmpty())
            return false;
    }
    return true;
}

static bool appendOne(DataSet& set, const ParsedRecipient& r)
{
    // The editor's order: 姓名 手机 电话 城市 收件单位 地址 邮编 (快递单号) 内件品名 数量 备注.
    const QStringList columns = {
        QStringLiteral("姓名"), QStringLiteral("手机"),     QStringLiteral("电话"),
        QStringLiteral("城市"), QStringLiteral("收件单位"), QStringLiteral("地址"),
        QStringLiteral("邮编"), QStringLiteral("快递单号"), QStringLiteral("内件品名"),
        QStringLiteral("数量"), QStringLiteral("备注")};
    bool ok = set.append();
    for (const QString& c : columns)
        ok = ok && set.setValue(c, r.value(c)); // columns the text has no field for get ""
    return ok;
}

bool RecipientAdder::addAll(DataSet& recipients, const QList<ParsedRecipient>& list, QString* error)
{
    Database* db = recipients.database();
    if (!db || !db->isOpen() || !recipients.isOpen()) {
        if (error)
            *error = QStringLiteral("无法添加记录：数据没有打开。");
        return false;
    }
    for (const ParsedRecipient& r : list) {
        if (isEmpty(r)) {
            if (error)
                *error = QStringLiteral("收件信息不能为空！");
            return false;
        }
    }
    QString why;
    bool ok = false;
    {
        Transaction tx(db->db());
        ok = tx.isActive();
        for (int i = 0; ok && i < list.size(); ++i) {
            ok = appendOne(recipients, list.at(i)) && recipients.post(&why);
            if (!ok)
                recipients.cancel();
        }
        ok = ok && tx.commit(&why);
    } // a failed transaction is rolled back here
    if (!ok) {
        // Rows posted before the failure were rolled back: show what is stored.
        recipients.reopen();
        if (error)
            *error = why.isEmpty() ? QStringLiteral("无法添加记录。") : why;
    }
    return ok;
}
