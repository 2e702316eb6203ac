#include "cli/CliCommand.h"

#include "data/store/ServerAddress.h"
#include "exchange/DatabaseBackup.h"
#include "exchange/RestoreSafety.h"

#include <QDir>
#include <QFileInfo>

// Replaces the database by a backup, or by the safety copy the last
// restore took (--undo); either way a safety copy of the database goes
// first, unless --no-safety-copy (for a book that cannot be read).
static int runRestore(CliContext& ctx)
{
    QStringList args = ctx.args;
    const bool undo = args.removeAll(QStringLiteral("--undo")) > 0;
    const bool noCopy = args.removeAll(QStringLiteral("--no-safety-copy")) > 0;
    if (undo ? !args.isEmpty() : args.size() != 1 || args.first().trimmed().isEmpty()) {
        ctx.err << "用法: waybill-cli [--db FILE] restore [--no-safety-copy] FILE|--undo\n";
        return 2;
    }
    // A mistyped --db is no book to replace: the restore would make a new one.
    if (!ServerAddress::isServer(ctx.dbPath) && !QFileInfo::exists(ctx.dbPath)) {
        ctx.err << "找不到数据库文件 " << QDir::toNativeSeparators(ctx.dbPath)
                << "：恢复只替换已有的数据库。\n";
        return 1;
    }
    RestoreSafety safety(ctx.dbPath);
    const RestoreSafety::Copy copy = noCopy ? RestoreSafety::Copy::Skip : RestoreSafety::Copy::Keep;
    // The tool holds no connection of its own to close.
    const RestoreSafety::Result r = undo ? safety.undo(copy) : safety.restore(args.first(), copy);
    if (!r.ok) {
        ctx.err << DatabaseBackup::restoreFailureMessage() << "\n" << r.error << "\n";
        if (r.copyFailed)
            ctx.err << "不保存副本直接恢复，请加上 --no-safety-copy（当前数据将无法找回）。\n";
        return 1;
    }
    ctx.out << DatabaseBackup::restoreSuccessMessage() << "\n";
    if (!r.safetyCopy.isEmpty())
        ctx.out << "恢复前的数据已保存为安全副本：" << QDir::toNativeSeparators(r.safetyCopy) << "\n"
                << "要撤销这次恢复，请对同一个数据库运行 restore --undo。\n";
    return 0;
}

WAYBILL_CLI_COMMAND(
    "restore",
    "restore FILE       用备份文件 FILE 替换数据库（先把当前数据保存为安全副本，保留最近 5 份；"
    "--undo 换回最近的安全副本）",
    runRestore);
