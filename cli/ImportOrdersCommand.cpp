#include "cli/CliCommand.h"

#include "data/recognition/AddressParser.h"
#include "data/recognition/RegionTable.h"
#include "data/store/Database.h"
#include "exchange/ExcelImporter.h"
#include "exchange/OrderFile.h"
#include "exchange/OrderImporter.h"
#include "exchange/OrderMapping.h"

namespace {

const char* kUsage =
    "用法: waybill-cli [--db FILE] import-orders FILE [--to inr|excel] [--duplicates skip|merge] "
    "[--map 列=字段 ...]\n";

// The mapping as one line: "收货人姓名→姓名，联系手机→手机 …", columns not imported left out.
QString mappingLine(const OrderMapping& m)
{
    QStringList parts;
    for (int c = 0; c < m.columnCount(); ++c)
        if (m.field(c) != OrderMapping::Field::None)
            parts << m.headers().at(c) + QStringLiteral("→") + OrderMapping::key(m.field(c));
    return parts.join(QStringLiteral("，"));
}

} // namespace

// Imports a platform's order export (CSV, .xlsx, .xls) into the recipients
// or the Excel list. The command line never uses the window's remembered
// mappings: a script gets the same result on every computer.
static int runImportOrders(CliContext& ctx)
{
    QString file;
    OrderImporter::Destination to = OrderImporter::Destination::Recipients;
    OrderImporter::Duplicates rule = OrderImporter::Duplicates::Skip;
    QStringList maps;
    const QStringList& a = ctx.args;
    for (int i = 0; i < a.size(); ++i) {
        const QString& arg = a.at(i);
        const bool hasValue = i + 1 < a.size();
        if (arg == QLatin1String("--to") && hasValue) {
            const QString v = a.at(++i);
            if (v == QLatin1String("inr"))
                to = OrderImporter::Destination::Recipients;
            else if (v == QLatin1String("excel"))
                to = OrderImporter::Destination::ExcelList;
            else {
                ctx.err << "--to 只能是 inr（收件人）或 excel（Excel列表）。\n";
                return 2;
            }
        } else if (arg == QLatin1String("--duplicates") && hasValue) {
            const QString v = a.at(++i);
            if (v == QLatin1String("skip"))
                rule = OrderImporter::Duplicates::Skip;
            else if (v == QLatin1String("merge"))
                rule = OrderImporter::Duplicates::Merge;
            else {
                ctx.err << "--duplicates 只能是 skip（跳过）或 merge（合并）。\n";
                return 2;
            }
        } else if (arg == QLatin1String("--map")) {
            // Every following argument that is not an option is one assignment.
            while (i + 1 < a.size() && !a.at(i + 1).startsWith(QLatin1String("--")) &&
                   a.at(i + 1).contains(QLatin1Char('=')))
                maps << a.at(++i);
        } else if (!arg.startsWith(QLatin1String("--")) && file.isEmpty()) {
            file = arg;
        } else {
            ctx.err << kUsage;
            return 2;
        }
    }
    if (ExcelImporter::isEmptyPath(file)) {
        ctx.err << kUsage;
        return 2;
    }
    OrderFile orders;
    QString err;
    if (!orders.read(ExcelImporter::cleanPath(file), &err)) {
        ctx.err << "无法读取订单文件：" << err << "\n";
        return 1;
    }
    OrderMapping mapping = OrderMapping::propose(orders.headers());
    for (const QString& m : qAsConst(maps)) {
        if (!mapping.apply(m, &err)) {
            ctx.err << err << "\n";
            return 2;
        }
    }
    ctx.out << "文件: " << orders.description() << "，" << orders.orderCount() << " 行\n"
            << "对应: " << mappingLine(mapping) << "\n";
    RegionTable regions;
    if (!regions.loadBuiltIn(&err)) {
        ctx.err << err << "\n";
        return 1;
    }
    const AddressParser parser(regions);
    OrderPlan plan;
    if (!OrderImporter::prepare(orders, mapping, parser, &plan, &err)) {
        ctx.err << err << "\n";
        return 1;
    }
    Database db;
    if (!openCliDatabase(ctx, db))
        return 1;
    if (to == OrderImporter::Destination::ExcelList) {
        int marked = 0;
        if (ExcelImporter::markedRows(db, &marked, &err) && marked > 0)
            ctx.err << "注意：Excel列表中有 " << marked << " 条已打印或有快递单号的记录，将被替换。\n";
    }
    const OrderImporter::Result r = OrderImporter::store(db, plan, to, rule);
    if (!r.ok) {
        ctx.err << "导入订单失败：" << r.reason << "\n";
        return 1;
    }
    // What needs a look, so a script's user can find it.
    constexpr int kListed = 50;
    int listed = 0;
    for (const OrderRow& row : qAsConst(plan.rows)) {
        if (!row.needsReview() || row.duplicate != OrderRow::Duplicate::None)
            continue;
        if (++listed > kListed)
            break;
        ctx.out << "需核对: 第 " << row.fileRow << " 行 " << row.value(QStringLiteral("姓名")) << "："
                << row.problems() << "\n";
    }
    ctx.out << r.summary << "\n";
    return 0;
}

WAYBILL_CLI_COMMAND(
    "import-orders",
    "import-orders FILE [--to inr|excel] [--duplicates skip|merge] [--map 列=字段 ...]\n"
    "                     导入电商平台的订单表（CSV/.xlsx/.xls）到收件人（缺省，只追加）或 Excel 列表",
    runImportOrders);
