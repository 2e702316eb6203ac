#include "cli/CliCommand.h"

#include "data/store/Database.h"
#include "templates/BuiltInDesign.h"
#include "templates/LabelTemplates.h"
#include "templates/LayoutAdjustments.h"
#include "templates/TemplateFile.h"
#include "templates/UserTemplates.h"
#include "templates/layouts/Catalogue.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

// `template …`: the shop's own templates in the address book, and template
// files to hand on.
namespace {

const char* const kUsage = "template list [--json] | template export CODE FILE [--variant V] | "
                           "template import FILE [--code NEW] [--caption TEXT] | template delete CODE";

// The thermal labels to start from, by their codes ("label-100x150").
const TemplateDesign* startingPoint(const QString& code)
{
    static const QVector<TemplateDesign> labels = LabelTemplates::all();
    for (const TemplateDesign& d : labels)
        if (d.code == code)
            return &d;
    return nullptr;
}

int usage(CliContext& ctx)
{
    ctx.err << "用法: waybill-cli [--db FILE] " << kUsage << "\n";
    return 2;
}

int list(CliContext& ctx, bool json)
{
    Database db;
    if (!openCliDatabase(ctx, db))
        return 1;
    QVector<TemplateDesign> own;
    QString error;
    if (!UserTemplates::list(db, &own, &error)) {
        ctx.err << error << "\n";
        return 1;
    }
    QVector<TemplateDesign> all;
    for (int i = 0; i < layouts::templateCount(); ++i) {
        const layouts::Template& t = layouts::templateAt(i);
        const layouts::Page& p = t.variant(layouts::Variant::Single);
        TemplateDesign d;
        d.code = QString::fromLatin1(t.code);
        d.caption = QString::fromUtf8(t.menuCaption);
        d.builtIn = true;
        d.pageMm = QSizeF(p.pageWidthMm, p.pageHeightMm);
        d.items.resize(p.itemCount);
        all.append(d);
    }
    all += own;
    if (json) {
        QJsonArray out;
        for (const TemplateDesign& d : all)
            out.append(QJsonObject{
                {QStringLiteral("code"), d.code},
                {QStringLiteral("caption"), d.caption},
                {QStringLiteral("user"), !d.builtIn},
                {QStringLiteral("page"), QJsonObject{{QStringLiteral("width_mm"), d.pageMm.width()},
                                                     {QStringLiteral("height_mm"), d.pageMm.height()}}},
                {QStringLiteral("items"), int(d.items.size())}});
        ctx.out << QString::fromUtf8(QJsonDocument(out).toJson(QJsonDocument::Indented));
        return 0;
    }
    for (const TemplateDesign& d : all)
        ctx.out << d.code.leftJustified(14) << (d.builtIn ? "内置    " : "自定义  ") << d.caption << "  "
                << QString::number(d.pageMm.width(), 'f', 1) << " × "
                << QString::number(d.pageMm.height(), 'f', 1) << " mm  " << d.items.size() << " 项\n";
    return 0;
}

int exportOne(CliContext& ctx)
{
    QString variant = QStringLiteral("single");
    QStringList rest = ctx.args.mid(1);
    const int at = rest.indexOf(QStringLiteral("--variant"));
    if (at >= 0) {
        if (at + 1 >= rest.size())
            return usage(ctx);
        variant = rest.at(at + 1);
        rest.remove(at, 2);
    }
    if (rest.size() != 2)
        return usage(ctx);
    const QString code = rest.at(0);
    const QString file = rest.at(1);
    Database db;
    if (!openCliDatabase(ctx, db))
        return 1;
    QString error;
    TemplateDesign design;
    if (const layouts::Template* t = layouts::findTemplate(code)) {
        layouts::Variant v;
        if (!layouts::parseVariant(variant, &v)) {
            ctx.err << "没有打印方式“" << variant << "”（可用 single、batch、excel-single、excel-batch）。\n";
            return 2;
        }
        // A starting point: the layout as it prints here, calibration and all.
        const TemplateAdjustment saved = LayoutAdjustments::load(db, code, &error);
        if (!error.isEmpty()) {
            ctx.err << error << "\n";
            return 1;
        }
        design = builtInDesign(*t, v, saved);
    } else if (const TemplateDesign* label = startingPoint(code)) {
        design = *label;
    } else if (!UserTemplates::load(db, code, &design, &error)) {
        ctx.err << error << "\n";
        return 1;
    }
    if (!TemplateFile::write(file, design, &error)) {
        ctx.err << error << "\n";
        return 1;
    }
    ctx.out << "已导出模板“" << design.caption << "”到 " << QDir::toNativeSeparators(file) << "。\n";
    return 0;
}

int importOne(CliContext& ctx)
{
    QStringList rest = ctx.args.mid(1);
    QString code, caption;
    // Takes "name VALUE" off the arguments; false when the value is missing.
    auto take = [&rest](const QString& name, QString* value) {
        const int at = rest.indexOf(name);
        if (at < 0)
            return true;
        if (at + 1 >= rest.size())
            return false;
        *value = rest.at(at + 1);
        rest.remove(at, 2);
        return true;
    };
    if (!take(QStringLiteral("--code"), &code) || !take(QStringLiteral("--caption"), &caption))
        return usage(ctx);
    if (rest.size() != 1)
        return usage(ctx);
    TemplateDesign design;
    QString error;
    if (!TemplateFile::read(rest.at(0), &design, &error)) {
        ctx.err << error << "\n";
        return 1;
    }
    Database db;
    if (!openCliDatabase(ctx, db))
        return 1;
    if (code.isEmpty()) {
        code = UserTemplates::newCode(db);
    } else {
        TemplateDesign there;
        if (!UserTemplates::checkCode(code, &error)) {
            ctx.err << error << "\n";
            return 2;
        }
        if (UserTemplates::load(db, code, &there, nullptr)) {
            ctx.err << "已有自定义模板“" << code << "”，请换一个代码，或先用 template delete 删除它。\n";
            return 1;
        }
    }
    design.code = code;
    design.builtIn = false;
    if (!caption.isEmpty())
        design.caption = caption;
    if (design.caption.trimmed().isEmpty())
        design.caption = code;
    if (!UserTemplates::save(db, design, &error)) {
        ctx.err << error << "\n";
        return 1;
    }
    ctx.out << "已导入模板“" << design.caption << "”，代码 " << code << "。\n";
    return 0;
}

int removeOne(CliContext& ctx)
{
    if (ctx.args.size() != 2)
        return usage(ctx);
    const QString code = ctx.args.at(1);
    if (layouts::findTemplate(code)) {
        ctx.err << "“" << code << "”是内置模板，不能删除。\n";
        return 2;
    }
    Database db;
    if (!openCliDatabase(ctx, db))
        return 1;
    QString error;
    if (!UserTemplates::remove(db, code, &error)) {
        ctx.err << error << "\n";
        return 1;
    }
    ctx.out << "已删除自定义模板 " << code << "。\n";
    return 0;
}

int runTemplate(CliContext& ctx)
{
    const QString what = ctx.args.value(0);
    if (what == QLatin1String("list") && ctx.args.size() <= 2) {
        if (ctx.args.size() == 2 && ctx.args.at(1) != QLatin1String("--json"))
            return usage(ctx);
        return list(ctx, ctx.args.size() == 2);
    }
    if (what == QLatin1String("export"))
        return exportOne(ctx);
    if (what == QLatin1String("import"))
        return importOne(ctx);
    if (what == QLatin1String("delete"))
        return removeOne(ctx);
    return usage(ctx);
}

} // namespace

WAYBILL_CLI_COMMAND("template",
                    "template list [--json] | export CODE FILE [--variant V] | import FILE [--code NEW] "
                    "[--caption TEXT] | delete CODE    自定义模板与模板文件",
                    runTemplate);
