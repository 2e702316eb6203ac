#include "cli/CliCommand.h"

#include "data/store/ServerAddress.h"
#include "exchange/DatabaseBackup.h"

#include <QDir>
#include <QFileInfo>

// Replaces the database by a backup.
static int runRestore(CliContext& ctx)
{
    if (ctx.args.size() != 1 || ctx.args.first().trimmed().isEmpty()) {
        ctx.err << "用法: waybill-cli [--db FILE] restore FILE\n";
        return 2;
    }
    // A mistyped --db is no book to replace: the restore would make a new one.
    if (!ServerAddress::isServer(ctx.dbPath) && !QFileInfo::exists(ctx.dbPath)) {
        ctx.err << "找不到数据库文件 " << QDir::toNativeSeparators(ctx.dbPath)
                << "：恢复只替换已有的数据库。\n";
        return 1;
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
