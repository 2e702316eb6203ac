#include "cli/CliCommand.h"

#include "templates/layouts/Catalogue.h"

// `catalogue --json` prints every template and variant as JSON; without the
// option a one-line summary per template.
static int runCatalogue(CliContext& ctx)
{
    if (ctx.args == QStringList{QStringLiteral("--json")}) {
        ctx.out << QString::fromUtf8(layouts::catalogueJson());
        return 0;
    }
    if (!ctx.args.isEmpty()) {
        ctx.err << "用法: waybill-cli catalogue [--json]\n";
        return 2;
    }
    for (int i = 0; i < layouts::templateCount(); ++i) {
        const layouts::Template& t = layouts::templateAt(i);
        const layouts::Page& p = t.variant(layouts::Variant::Single);
        ctx.out << QString::fromLatin1(t.code).leftJustified(6) << QString::fromUtf8(t.menuCaption) << "  "
                << QString::number(p.pageWidthMm, 'f', 1) << " × " << QString::number(p.pageHeightMm, 'f', 1)
                << " mm  " << p.itemCount << " 项\n";
    }
    return 0;
}

WAYBILL_CLI_COMMAND("catalogue", "catalogue [--json]    列出模板（--json: 全部模板与版本的布局数据）",
                    runCatalogue);
