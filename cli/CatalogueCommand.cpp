#include "cli/CliCommand.h"

#include "data/store/Database.h"
#include "templates/TemplateFile.h"
#include "templates/UserTemplates.h"
#include "templates/layouts/Catalogue.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// A template of the shop's own in the catalogue's shape, marked "user": the
// same page and items in all four variants, the items as template files
// give them.
QByteArray userEntry(const TemplateDesign& d)
{
    const QJsonObject file = QJsonDocument::fromJson(TemplateFile::toJson(d, false)).object();
    QJsonObject variant{{QStringLiteral("page"), file.value(QStringLiteral("page"))},
                        {QStringLiteral("band"), file.value(QStringLiteral("band"))},
                        {QStringLiteral("items"), file.value(QStringLiteral("items"))}};
    QJsonObject variants;
    for (int v = 0; v < layouts::kVariantCount; ++v)
        variants.insert(layouts::variantName(layouts::Variant(v)), variant);
    const QJsonObject entry{{QStringLiteral("code"), d.code},
                            {QStringLiteral("caption"), d.caption},
                            {QStringLiteral("menu_caption"), d.caption},
                            {QStringLiteral("user"), true},
                            {QStringLiteral("variants"), variants}};
    QByteArray j = QJsonDocument(entry).toJson(QJsonDocument::Indented).trimmed();
    j.replace("\n", "\n    ");
    return "    " + j;
}

} // namespace

// `catalogue --json` prints every template and variant as JSON; without the
// option a one-line summary per template.
static int runCatalogue(CliContext& ctx)
{
    if (ctx.args == QStringList{QStringLiteral("--json")}) {
        QByteArray json = layouts::catalogueJson();
        // The shop's own templates follow the built-in ones, where an
        // address book is there to hold them.
        Database db;
        QVector<TemplateDesign> own;
        QString error;
        if (db.open(ctx.dbPath, &error, false) && UserTemplates::list(db, &own, &error) && !own.isEmpty()) {
            const int end = json.lastIndexOf("\n  ]");
            QByteArray more;
            for (const TemplateDesign& d : own)
                more += ",\n" + userEntry(d);
            json.insert(end, more);
        }
        ctx.out << QString::fromUtf8(json);
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
