#include "cli/CliCommand.h"

#include "data/records/DataSet.h"
#include "data/store/Database.h"
#include "data/store/Schema.h"
#include "exchange/DataExporter.h"

#include <QDir>

// Writes every recipient record to a workbook. An existing file is
// replaced only with --force: the extension the command adds may name a file
// the user did not mean.
static int runExport(CliContext& ctx)
{
    QStringList args = ctx.args;
    const bool force = args.removeAll(QStringLiteral("--force")) > 0;
    if (args.size() != 1 || args.first().trimmed().isEmpty()) {
        ctx.err << "用法: waybill-cli [--db FILE] export [--force] FILE\n";
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
    const QString chosen = args.first();
    const DataExporter::Result r =
        DataExporter::exportDataSet(recipients, chosen, DataExporter::formatFor(chosen), {},
                                    force ? DataExporter::Existing::Replace : DataExporter::Existing::Refuse);
    if (!r.ok) {
        ctx.err << "导出失败：" << r.error << "\n";
        if (r.targetExists)
            ctx.err << "要替换它，请加上 --force。\n";
        return 1;
    }
    ctx.out << DataExporter::messageFor(r) << "\n"
            << "已导出 " << r.records << " 条记录到 " << QDir::toNativeSeparators(r.path) << "\n";
    return 0;
}

WAYBILL_CLI_COMMAND("export",
                    "export [--force] FILE  把收件人记录导出为Excel工作簿（FILE.xls，或以 .xlsx 结尾时为 "
                    ".xlsx；已有同名文件时需 --force）",
                    runExport);
