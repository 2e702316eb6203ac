#include "cli/CliCommand.h"

#include "data/store/Database.h"
#include "exchange/ExcelImporter.h"

// Fills table `excel` from a workbook, replacing the previous import.
static int runImport(CliContext& ctx)
{
    if (ctx.args.size() != 1) {
        ctx.err << "用法: waybill-cli [--db FILE] import FILE\n";
        return 2;
    }
    if (ExcelImporter::isEmptyPath(ctx.args.first())) {
        ctx.err << ExcelImporter::emptyPathMessage() << "\n";
        return 2;
    }
    Database db;
    if (!openCliDatabase(ctx, db))
        return 1;
    const ExcelImporter::Result r = ExcelImporter::importFile(db, ctx.args.first());
    if (!r.ok) {
        ctx.err << r.message << "\n";
        return 1;
    }
    ctx.out << r.message << "\n"
            << "导入记录数: " << r.imported << "\n";
    return 0;
}

WAYBILL_CLI_COMMAND("import", "import FILE        从Excel工作簿（.xls/.xlsx）导入收件人到 excel 表",
                    runImport);
