#include "cli/CliCommand.h"

#include "data/DataSet.h"
#include "data/Database.h"
#include "data/Schema.h"
#include "exchange/DataExporter.h"

#include <QDir>

// Writes every recipient record to a workbook.
static int runExport(CliContext& ctx)
{
    if (ctx.args.size() != 1 || ctx.args.first().trimmed().isEmpty()) {
        ctx.err << "用法: waybill-cli [--db FILE] export FILE\n";
        return 2;
    }
    Database db;
    if (!openCliDatabase(ctx, db))
        return 1;
    QString err;
    DataSet recipients;
    recipients.setDatabase(&db);
    if (!recipients.open(Schema::kRecipientTable, {}, {}, &err)) {
        ctx.err << err << "\n";
        return 1;
    }
    const QString chosen = ctx.args.first();
    const DataExporter::Result r =
        DataExporter::exportDataSet(recipients, chosen, DataExporter::formatFor(chosen));
    if (!r.ok) {
        ctx.err << "导出失败：" << r.error << "\n";
        return 1;
    }
    ctx.out << DataExporter::successMessage() << "\n"
            << "已导出 " << r.records << " 条记录到 " << QDir::toNativeSeparators(r.path) << "\n";
    return 0;
}

WAYBILL_CLI_COMMAND("export",
                    "export FILE        把收件人记录导出为Excel工作簿（FILE.xls，或以 .xlsx 结尾时为 .xlsx）",
                    runExport);
