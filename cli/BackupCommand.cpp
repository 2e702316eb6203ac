#include "cli/CliCommand.h"

#include "exchange/DatabaseBackup.h"

#include <QDir>

// Copies the database to FILE.bak.
static int runBackup(CliContext& ctx)
{
    if (ctx.args.size() != 1 || ctx.args.first().trimmed().isEmpty()) {
        ctx.err << "用法: waybill-cli [--db FILE] backup FILE\n";
        return 2;
    }
    QString err, written;
    if (!DatabaseBackup::backup(ctx.dbPath, ctx.args.first(), &err, &written)) {
        ctx.err << DatabaseBackup::backupFailureMessage() << "\n" << err << "\n";
        return 1;
    }
    ctx.out << DatabaseBackup::backupSuccessMessage() << "\n" << QDir::toNativeSeparators(written) << "\n";
    return 0;
}

WAYBILL_CLI_COMMAND("backup", "backup FILE        把数据库备份到 FILE.bak", runBackup);
