#include "cli/CliCommand.h"

#include "data/store/Database.h"
#include "data/tracking/PrintHistory.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const char* const kUsage = "history [--json]";

QJsonArray waybillList(const PrintHistory::Entry& e)
{
    QJsonArray list;
    for (const PrintHistory::Waybill& w : e.waybills)
        list.append(QJsonObject{{QStringLiteral("serial"), double(w.serial)},
                                {QStringLiteral("name"), w.name},
                                {QStringLiteral("city"), w.city},
                                {QStringLiteral("address"), w.address},
                                {QStringLiteral("mobile"), w.mobile},
                                {QStringLiteral("number"), w.number}});
    return list;
}

// One line per entry, then one per waybill it printed, as it was printed.
void writeEntry(QTextStream& out, const PrintHistory::Entry& e, const QString& serials)
{
    out << e.id << "\t" << e.when.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")) << "\t" << e.templateCode
        << "\t" << e.variant << "\t" << (e.toPdf ? QStringLiteral("PDF ") : QStringLiteral("打印机 "))
        << e.target << "\t" << e.pages << " 页\t序号 " << serials;
    if (!e.numbers.isEmpty())
        out << "\t单号 " << e.numbers.first() << "–" << e.numbers.last();
    if (!e.complete)
        out << "\t未完成：打印被中断（或仍在进行），输出可能不完整，收件记录上没有这次的打印标记";
    out << "\n";
    for (int i = 0; i < e.waybills.size(); ++i) {
        const PrintHistory::Waybill& w = e.waybills.at(i);
        out << "\t" << i + 1 << "\t序号 " << w.serial << "\t" << w.name << "\t" << w.city << "\t" << w.address
            << "\t" << w.mobile;
        if (!w.number.isEmpty())
            out << "\t单号 " << w.number;
        out << "\n";
    }
}

QString serialText(const QList<qint64>& serials)
{
    QStringList parts;
    for (qint64 s : serials)
        parts << QString::number(s);
    return parts.join(QLatin1Char(','));
}

int runHistory(CliContext& ctx)
{
    const bool json = ctx.args == QStringList{QStringLiteral("--json")};
    if (!ctx.args.isEmpty() && !json) {
        ctx.err << "用法: waybill-cli [--db FILE] " << kUsage << "\n";
        return 2;
    }
    Database db;
    if (!openCliDatabase(ctx, db))
        return 1;
    QList<PrintHistory::Entry> entries;
    QString error;
    if (!PrintHistory::entries(db, &entries, &error)) {
        ctx.err << error << "\n";
        return 1;
    }
    if (json) {
        QJsonArray list;
        for (const PrintHistory::Entry& e : entries) {
            QJsonArray rows;
            for (qint64 s : e.serials)
                rows.append(double(s));
            list.append(QJsonObject{
                {QStringLiteral("id"), double(e.id)},
                {QStringLiteral("time"), e.when.toString(Qt::ISODate)},
                {QStringLiteral("template"), e.templateCode},
                {QStringLiteral("variant"), e.variant},
                {QStringLiteral("output"), e.toPdf ? QStringLiteral("pdf") : QStringLiteral("printer")},
                {QStringLiteral("target"), e.target},
                {QStringLiteral("pages"), e.pages},
                {QStringLiteral("table"), e.recipientTable()},
                {QStringLiteral("serials"), rows},
                {QStringLiteral("numbers"), QJsonArray::fromStringList(e.numbers)},
                {QStringLiteral("complete"), e.complete},
                {QStringLiteral("waybills"), waybillList(e)}});
        }
        ctx.out << QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Indented));
        return 0;
    }
    if (entries.isEmpty()) {
        ctx.out << "还没有打印记录。\n";
        return 0;
    }
    for (const PrintHistory::Entry& e : entries)
        writeEntry(ctx.out, e, serialText(e.serials));
    return 0;
}

} // namespace

WAYBILL_CLI_COMMAND("history", kUsage, runHistory);
