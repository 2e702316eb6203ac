#include "cli/CliCommand.h"

#include "data/recognition/AddressParser.h"
#include "data/recognition/RegionTable.h"
#include "data/records/DataSet.h"
#include "data/records/RecipientAdder.h"
#include "data/store/Database.h"
#include "data/store/Schema.h"

#include <QJsonArray>
#include <QJsonDocument>

static QString jsonString(const QString& s)
{
    const QByteArray a = QJsonDocument(QJsonArray{s}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(a.mid(1, a.size() - 2));
}

// The fields in the table's order, then the keys to check.
static QString toJson(const ParsedRecipient& r)
{
    QStringList members;
    for (const QString& key : ParsedRecipient::keys())
        members << jsonString(key) + QStringLiteral(": ") + jsonString(r.value(key));
    QStringList unsure;
    for (const QString& key : r.unsure)
        unsure << jsonString(key);
    members << QStringLiteral("\"unsure\": [") + unsure.join(QStringLiteral(", ")) + QLatin1Char(']');
    return QStringLiteral("{") + members.join(QStringLiteral(", ")) + QStringLiteral("}");
}

// Recognises the recipients in pasted text (a JSON object for one, an array
// for several); with --add stores them in `inr`, all or none.
static int runParseAddress(CliContext& ctx)
{
    QStringList args = ctx.args;
    const bool add = !args.isEmpty() && args.first() == QLatin1String("--add");
    if (add)
        args.removeFirst();
    if (args.isEmpty()) {
        ctx.err << "用法: waybill-cli [--db FILE] parse-address [--add] TEXT\n";
        return 2;
    }
    // Nothing to recognise is a mistake in the script, not an empty recipient.
    if (args.join(QString()).trimmed().isEmpty()) {
        ctx.err << "没有要识别的文字：TEXT 是空的。\n";
        return 2;
    }
    RegionTable regions;
    QString err;
    if (!regions.loadBuiltIn(&err)) {
        ctx.err << err << "\n";
        return 1;
    }
    // Several recipients in one text are split as the paste window splits them.
    QList<ParsedRecipient> list = AddressParser(regions).parseAll(args.join(QLatin1Char(' ')));
    if (list.isEmpty())
        list << ParsedRecipient(); // nothing recognised: one empty recipient, refused by --add
    if (list.size() == 1) {
        ctx.out << toJson(list.first()) << "\n";
    } else {
        QStringList objects;
        for (const ParsedRecipient& r : list)
            objects << toJson(r);
        ctx.out << "[" << objects.join(QStringLiteral(",\n ")) << "]\n";
    }
    if (!add)
        return 0;
    for (const ParsedRecipient& r : list) {
        if (RecipientAdder::isEmpty(r)) {
            ctx.err << "收件信息不能为空！\n";
            return 1;
        }
    }
    Database db;
    if (!openCliDatabase(ctx, db))
        return 1;
    DataSet recipients;
    recipients.setDatabase(&db);
    if (!recipients.open(Schema::kRecipientTable, {}, {}, &err) ||
        !RecipientAdder::addAll(recipients, list, &err)) {
        ctx.err << err << "\n";
        return 1;
    }
    if (list.size() == 1)
        ctx.out << "已添加收件人，序号 " << recipients.value(QStringLiteral("序号")) << "\n";
    else
        ctx.out << "已添加 " << list.size() << " 个收件人\n";
    return 0;
}

WAYBILL_CLI_COMMAND("parse-address",
                    "parse-address [--add] TEXT  从粘贴的文字识别收件人（JSON "
                    "输出，多个收件人时为数组）；--add 同时添加为收件人",
                    runParseAddress);
