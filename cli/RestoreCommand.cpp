#include "cli/CliCommand.h"

#include "exchange/DatabaseBackup.h"

// Replaces the database by a backup.
static int runRestore(CliContext& ctx)
{
    if (ctx.args.size() != 1 || ctx.args.first().trimmed().isEmpty()) {
        ctx.err << "用法: waybill-cli [--db FILE] restore FILE\n";
        return 2;
    }
    QString err;
    // The tool holds no connection of its own to close.
    if (!DatabaseBackup::restore(ctx.args.first(), ctx.dbPath, &err)) {
        ctx.err << DatabaseBackup::restoreFailureMessage() << "\n" << err << "\n";
        return 1;
    }
    ctx.out << DatabaseBackup::restoreSuccessMessage() << "\n";
    return 0;
}

WAYBILL_CLI_COMMAND("restore", "restore FILE       用备份文件 FILE 替换数据库", runRestore);
