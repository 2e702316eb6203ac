#include "cli/CliCommand.h"

#include "data/store/Database.h"
#include "exchange/OutputGuard.h"
#include "templates/BackgroundPicture.h"
#include "templates/CalibrationSheet.h"
#include "templates/LayoutAdjustments.h"
#include "templates/TemplateFile.h"
#include "templates/TemplateReport.h"
#include "templates/layouts/Catalogue.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <memory>

// `layout …`: the saved adjustments of a template, as the template window
// makes them (offset and scale for the printer, the form's picture, item
// offsets and hiding), built-in or the shop's own.
namespace {

const char* const kUsage =
    "layout offset|move|hide|show|background|reset|sheet --template CODE …  保存的模板校准与项目调整";

const char* const kDetails =
    "用法:\n"
    "  waybill-cli [--db FILE] layout offset --template CODE --mm DX,DY [--scale SX[,SY]]\n"
    "  waybill-cli [--db FILE] layout move --template CODE --variant V --item NAME --mm DX,DY\n"
    "  waybill-cli [--db FILE] layout hide|show --template CODE --variant V --item NAME\n"
    "  waybill-cli [--db FILE] layout background --template CODE (FILE | --default)\n"
    "  waybill-cli [--db FILE] layout reset --template CODE [--variant V] [--item NAME]\n"
    "  waybill-cli [--db FILE] layout show --template CODE [--variant V] --json\n"
    "  waybill-cli [--db FILE] layout sheet --template CODE [--variant V] --pdf FILE\n"
    "CODE 是内置模板或自定义模板的代码（见 waybill-cli catalogue 和 waybill-cli template list）。\n";

struct Options
{
    QString action;
    QString code;
    QString variant;
    QString item;
    QString mm;
    QString scale;
    QString pdf;
    QString file;
    bool json = false;
    bool useDefault = false;
};

bool parse(const QStringList& args, Options* o, QString* error)
{
    if (args.isEmpty()) {
        *error = QStringLiteral("缺少子命令。");
        return false;
    }
    o->action = args.first();
    static const QStringList actions = {"offset", "move", "hide", "show", "background", "reset", "sheet"};
    if (!actions.contains(o->action)) {
        *error = QStringLiteral("未知子命令 %1。").arg(o->action);
        return false;
    }
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a == QLatin1String("--json")) {
            o->json = true;
            continue;
        }
        if (a == QLatin1String("--default")) {
            o->useDefault = true;
            continue;
        }
        QString* target = a == QLatin1String("--template")  ? &o->code
                          : a == QLatin1String("--variant") ? &o->variant
                          : a == QLatin1String("--item")    ? &o->item
                          : a == QLatin1String("--mm")      ? &o->mm
                          : a == QLatin1String("--scale")   ? &o->scale
                          : a == QLatin1String("--pdf")     ? &o->pdf
                                                            : nullptr;
        if (target) {
            // A second value would silently win over the first.
            if (!target->isNull()) {
                *error = QStringLiteral("选项 %1 给了两次。").arg(a);
                return false;
            }
            if (i + 1 >= args.size()) {
                *error = QStringLiteral("选项 %1 缺少取值。").arg(a);
                return false;
            }
            *target = args.at(++i);
            if (target->isNull())
                *target = QLatin1String(""); // given, though empty
        } else if (a.startsWith(QLatin1String("--"))) {
            *error = QStringLiteral("未知选项 %1。").arg(a);
            return false;
        } else if (o->action == QLatin1String("background") && o->file.isNull()) {
            o->file = a.isNull() ? QLatin1String("") : a;
        } else {
            *error = QStringLiteral("多余的参数“%1”。").arg(a);
            return false;
        }
    }
    if (o->useDefault && !o->file.isNull()) {
        *error = QStringLiteral("请只给出图片文件 %1 或 --default 之一。").arg(o->file);
        return false;
    }
    if (o->code.isEmpty()) {
        *error = QStringLiteral("请用 --template 指定模板。");
        return false;
    }
    layouts::Variant v;
    if (!o->variant.isEmpty() && !layouts::parseVariant(o->variant, &v)) {
        *error = QStringLiteral("没有打印方式“%1”（可用 single、batch、excel-single、excel-batch）。")
                     .arg(o->variant);
        return false;
    }
    return true;
}

// "DX,DY" in millimetres with at most one decimal, to tenths.
bool parseMm(const QString& text, int* dx, int* dy, QString* error)
{
    const QStringList parts = text.split(QLatin1Char(','));
    bool ok = parts.size() == 2;
    int out[2] = {0, 0};
    for (int k = 0; ok && k < 2; ++k) {
        const double v = parts.at(k).trimmed().toDouble(&ok);
        const double tenths = v * 10.0;
        ok = ok && std::isfinite(v) && std::abs(tenths - std::round(tenths)) < 1e-6 &&
             std::abs(tenths) <= LayoutAdjustments::kMaxOffsetTenths;
        if (ok)
            out[k] = int(std::lround(tenths));
    }
    if (!ok) {
        *error = QStringLiteral(
                     "--mm 的格式是“横向,纵向”毫米，步长 0.1，绝对值不超过 %1，例如“1.5,-0.3”，而不是“%2”。")
                     .arg(LayoutAdjustments::kMaxOffsetTenths / 10)
                     .arg(text);
        return false;
    }
    *dx = out[0];
    *dy = out[1];
    return true;
}

bool parseScale(const QString& text, double* sx, double* sy, QString* error)
{
    const QStringList parts = text.split(QLatin1Char(','));
    bool ok = parts.size() == 1 || parts.size() == 2;
    double out[2] = {100, 100};
    for (int k = 0; ok && k < parts.size(); ++k) {
        out[k] = parts.at(k).trimmed().toDouble(&ok);
        ok = ok && out[k] >= LayoutAdjustments::kMinScale && out[k] <= LayoutAdjustments::kMaxScale;
    }
    if (!ok) {
        *error = QStringLiteral("--scale 的格式是“横向%[,纵向%]”，在 %1 到 %2 之间，而不是“%3”。")
                     .arg(LayoutAdjustments::kMinScale)
                     .arg(LayoutAdjustments::kMaxScale)
                     .arg(text);
        return false;
    }
    *sx = out[0];
    *sy = parts.size() == 2 ? out[1] : out[0];
    return true;
}

// The template by code, built-in or the shop's own in the address book.
TemplateReport* findTemplate(Database& db, const QString& code, const QString& variant, QString* error)
{
    TemplateReport* tpl =
        TemplateReport::create(db, code, variant.isEmpty() ? QStringLiteral("single") : variant, error);
    if (!tpl && error->startsWith(QStringLiteral("没有模板")))
        *error = QStringLiteral("没有模板“%1”：内置模板见 waybill-cli catalogue，"
                                "自定义模板见 waybill-cli template list。")
                     .arg(code);
    return tpl;
}

// What every item says alike: its box as designed, moved by the user's
// offset, in millimetres, and how it prints.
QJsonObject placedJson(const QString& name, const QString& source, const QString& column, double leftMm,
                       double topMm, double widthMm, double heightMm, double fontPt, bool bold, bool opaque,
                       const ItemAdjustment& a)
{
    QJsonObject o;
    o.insert(QStringLiteral("name"), name);
    o.insert(QStringLiteral("source"), source);
    o.insert(QStringLiteral("column"), column);
    o.insert(QStringLiteral("left_mm"), std::round(leftMm * 10 + a.dx) / 10.0);
    o.insert(QStringLiteral("top_mm"), std::round(topMm * 10 + a.dy) / 10.0);
    o.insert(QStringLiteral("width_mm"), widthMm);
    o.insert(QStringLiteral("height_mm"), heightMm);
    o.insert(QStringLiteral("font_pt"), fontPt);
    o.insert(QStringLiteral("bold"), bold);
    o.insert(QStringLiteral("opaque"), opaque);
    o.insert(QStringLiteral("offset_mm"), QJsonArray{a.dx / 10.0, a.dy / 10.0});
    o.insert(QStringLiteral("hidden"), a.hidden);
    return o;
}

QJsonObject itemJson(const TemplateReport& tpl, const TQRDBText* item)
{
    const ItemAdjustment a = tpl.itemAdjustment(item);
    if (!tpl.builtIn()) {
        // An item of the shop's own template.
        const DesignItem& d = *tpl.designItem(item);
        QJsonObject o = placedJson(d.name, TemplateFile::sourceName(d.source), d.column, d.leftMm, d.topMm,
                                   d.widthMm, d.heightMm, d.fontPt, d.bold, d.opaque, a);
        o.insert(QStringLiteral("wrap"), d.wrap == DesignItem::Wrap::Bytes && d.wrapBytes > 0
                                             ? QJsonValue(d.wrapBytes)
                                             : QJsonValue());
        return o;
    }
    const layouts::Item& d = *tpl.design(item);
    QJsonObject o =
        placedJson(QString::fromUtf8(d.name), layouts::sourceName(d.source), QString::fromUtf8(d.column),
                   d.leftMm, d.topMm, d.widthMm, d.heightMm, d.fontPt, d.bold, d.opaque, a);
    o.insert(QStringLiteral("charset"), layouts::charsetName(d.charset));
    o.insert(QStringLiteral("wrap"), d.wrap > 0 ? QJsonValue(d.wrap) : QJsonValue());
    return o;
}

int show(CliContext& ctx, Database& db, const Options& o)
{
    QJsonObject variants;
    TemplateAdjustment adjustment;
    QString picture = QStringLiteral("built-in");
    for (int v = 0; v < layouts::kVariantCount; ++v) {
        const QString name = layouts::variantName(layouts::Variant(v));
        if (!o.variant.isEmpty() && name != o.variant)
            continue;
        QString error;
        std::unique_ptr<TemplateReport> tpl(TemplateReport::create(db, o.code, name, &error));
        if (!tpl || !tpl->loadAdjustment(db, &error)) {
            ctx.err << error << "\n";
            return 1;
        }
        adjustment = tpl->adjustment();
        // A shop's own template has no built-in picture: its own, or none.
        if (!tpl->builtIn())
            picture =
                tpl->templateDesign().picture.isEmpty() ? QStringLiteral("none") : QStringLiteral("own");
        QJsonArray items;
        for (const TQRDBText* item : tpl->items())
            items.append(itemJson(*tpl, item));
        variants.insert(name, QJsonObject{{QStringLiteral("items"), items}});
    }
    QJsonObject root;
    root.insert(QStringLiteral("code"), o.code);
    root.insert(QStringLiteral("offset_mm"), QJsonArray{adjustment.dx / 10.0, adjustment.dy / 10.0});
    root.insert(QStringLiteral("scale_percent"), QJsonArray{adjustment.scaleX, adjustment.scaleY});
    root.insert(QStringLiteral("picture"), adjustment.picture.isEmpty() ? picture : QStringLiteral("own"));
    root.insert(QStringLiteral("variants"), variants);
    ctx.out << QString::fromUtf8(QJsonDocument(root).toJson(QJsonDocument::Indented));
    return 0;
}

// Checks that the variant and item are given.
bool checkItemGiven(const Options& o, QString* error)
{
    if (o.variant.isEmpty() || o.item.isEmpty()) {
        *error = QStringLiteral("请用 --variant 和 --item 指定项目。");
        return false;
    }
    return true;
}

// Checks that the item exists in the variant of tpl.
bool checkItem(const TemplateReport& tpl, const Options& o, QString* error)
{
    if (!tpl.item(o.item)) {
        *error = QStringLiteral("模板“%1”的 %2 中没有项目“%3”（名称见 %4）。")
                     .arg(o.code, o.variant, o.item,
                          tpl.builtIn() ? QStringLiteral("catalogue --json")
                                        : QStringLiteral("layout show --json"));
        return false;
    }
    return true;
}

int run(CliContext& ctx)
{
    Options o;
    QString error;
    if (!parse(ctx.args, &o, &error)) {
        ctx.err << error << "\n" << kDetails;
        return 2;
    }
    const bool itemAction = o.action == QLatin1String("move") || o.action == QLatin1String("hide") ||
                            (o.action == QLatin1String("show") && !o.json);
    int dx = 0, dy = 0;
    double sx = 100, sy = 100;
    QByteArray picture;
    bool ok = true;
    if (itemAction || (o.action == QLatin1String("reset") && !o.item.isEmpty()))
        ok = checkItemGiven(o, &error);
    if (ok && (o.action == QLatin1String("offset") || o.action == QLatin1String("move")))
        ok = parseMm(o.mm, &dx, &dy, &error);
    if (ok && o.action == QLatin1String("offset") && !o.scale.isEmpty())
        ok = parseScale(o.scale, &sx, &sy, &error);
    if (ok && o.action == QLatin1String("background") && !o.useDefault)
        ok = o.file.isEmpty()
                 ? (error = QStringLiteral("请给出图片文件，或用 --default 恢复默认图片。"), false)
                 : BackgroundPicture::read(o.file, &picture, &error);
    if (ok && o.action == QLatin1String("sheet") && o.pdf.isEmpty())
        ok = (error = QStringLiteral("请用 --pdf 指定输出文件。"), false);
    // The sheet must never land on the address book, its journal, a folder or a device.
    if (ok && o.action == QLatin1String("sheet") && !OutputGuard::check(o.pdf, ctx.dbPath, &error)) {
        ctx.err << error << "\n";
        return 1;
    }
    if (!ok) {
        ctx.err << error << "\n";
        return 2;
    }

    Database db;
    if (!openCliDatabase(ctx, db))
        return 1;
    const QString variant = o.variant;
    // The shop's own templates are looked up in the address book.
    std::unique_ptr<TemplateReport> tpl(findTemplate(db, o.code, variant, &error));
    if (!tpl) {
        ctx.err << error << "\n";
        return 2;
    }
    if ((itemAction || (o.action == QLatin1String("reset") && !o.item.isEmpty())) &&
        !checkItem(*tpl, o, &error)) {
        ctx.err << error << "\n";
        return 2;
    }
    if (o.action == QLatin1String("show") && o.json)
        return show(ctx, db, o);
    if (o.action == QLatin1String("sheet")) {
        if (!tpl->loadAdjustment(db, &error) || !CalibrationSheet::writePdf(*tpl, o.pdf, &error)) {
            ctx.err << error << "\n";
            return 1;
        }
        ctx.out << "已将校准页写入 " << o.pdf << "\n";
        return 0;
    }

    const TemplateAdjustment now = LayoutAdjustments::load(db, o.code, &error);
    if (!error.isEmpty()) {
        ctx.err << error << "\n";
        return 1;
    }
    if (o.action == QLatin1String("offset")) {
        if (o.scale.isEmpty()) {
            sx = now.scaleX;
            sy = now.scaleY;
        }
        ok = LayoutAdjustments::setCalibration(db, o.code, dx, dy, sx, sy, &error);
    } else if (itemAction) {
        ItemAdjustment a = now.item(variant, o.item);
        if (o.action == QLatin1String("move")) {
            a.dx = dx;
            a.dy = dy;
        } else {
            a.hidden = o.action == QLatin1String("hide");
        }
        ok = LayoutAdjustments::setItem(db, o.code, variant, o.item, a, &error);
    } else if (o.action == QLatin1String("background")) {
        ok = LayoutAdjustments::setPicture(db, o.code, picture, &error);
    } else { // reset
        // The whole template goes as 恢复整个模板 does: kept first, so the
        // template window can bring it back.
        const bool whole = variant.isEmpty() && o.item.isEmpty();
        ok = whole ? LayoutAdjustments::resetKeeping(db, o.code, &error)
                   : LayoutAdjustments::reset(db, o.code, variant, o.item, &error);
        if (ok && whole)
            ctx.out << "已恢复为默认；清除前的调整已保留，可在模板窗口中用“恢复默认 → 撤销恢复模板”找回。\n";
    }
    if (!ok) {
        ctx.err << error << "\n";
        return 1;
    }
    return 0;
}

} // namespace

WAYBILL_CLI_COMMAND("layout", kUsage, run);
