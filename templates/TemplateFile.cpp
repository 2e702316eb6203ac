#include "templates/TemplateFile.h"

#include "data/store/Schema.h"
#include "templates/BackgroundPicture.h"
#include "templates/LayoutAdjustments.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSet>

#include <cmath>

namespace {

// Reads one object's fields, remembering the first field that was wrong
// with its reason; later reads then do nothing.
class Reader
{
public:
    Reader(QString* error) : m_error(error) {}
    bool ok() const { return m_ok; }
    bool fail(const QString& field, const QString& why)
    {
        if (m_ok && m_error)
            *m_error = QStringLiteral("模板文件的“%1”%2").arg(field, why);
        m_ok = false;
        return false;
    }

    double number(const QJsonObject& o, const QString& path, const char* key, double lo, double hi,
                  double fallback, bool required = false)
    {
        const QString field = path + QString::fromLatin1(key);
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined() || v.isNull()) {
            if (required)
                fail(field, QStringLiteral("缺失。"));
            return fallback;
        }
        if (!v.isDouble()) {
            fail(field, QStringLiteral("不是数字。"));
            return fallback;
        }
        const double d = v.toDouble();
        if (!(d >= lo && d <= hi)) {
            fail(field, QStringLiteral("是 %1，必须在 %2 到 %3 之间。").arg(d).arg(lo).arg(hi));
            return fallback;
        }
        return d;
    }
    int integer(const QJsonObject& o, const QString& path, const char* key, int lo, int hi, int fallback)
    {
        const double d = number(o, path, key, lo, hi, fallback);
        if (m_ok && d != std::floor(d)) {
            fail(path + QString::fromLatin1(key), QStringLiteral("必须是整数。"));
            return fallback;
        }
        return int(d);
    }
    QString text(const QJsonObject& o, const QString& path, const char* key, int maxChars,
                 bool required = false)
    {
        const QString field = path + QString::fromLatin1(key);
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined() || v.isNull()) {
            if (required)
                fail(field, QStringLiteral("缺失。"));
            return {};
        }
        if (!v.isString()) {
            fail(field, QStringLiteral("不是文字。"));
            return {};
        }
        const QString s = v.toString();
        if (s.size() > maxChars) {
            fail(field, QStringLiteral("超过 %1 个字符。").arg(maxChars));
            return {};
        }
        return s;
    }
    bool flag(const QJsonObject& o, const QString& path, const char* key, bool fallback)
    {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined() || v.isNull())
            return fallback;
        if (!v.isBool()) {
            fail(path + QString::fromLatin1(key), QStringLiteral("必须是 true 或 false。"));
            return fallback;
        }
        return v.toBool();
    }
    // One of names (by its index), or fallback when absent.
    int choice(const QJsonObject& o, const QString& path, const char* key, const QStringList& names,
               int fallback)
    {
        const QString field = path + QString::fromLatin1(key);
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined() || v.isNull())
            return fallback;
        const int i = v.isString() ? names.indexOf(v.toString()) : -1;
        if (i < 0) {
            fail(field, QStringLiteral("必须是 %1 之一。").arg(names.join(QStringLiteral("、"))));
            return fallback;
        }
        return i;
    }

private:
    QString* m_error;
    bool m_ok = true;
};

const QStringList& kindNames()
{
    static const QStringList n{QStringLiteral("field"), QStringLiteral("text"), QStringLiteral("barcode"),
                               QStringLiteral("qrcode")};
    return n;
}
const QStringList& sourceNames()
{
    static const QStringList n{QStringLiteral("sender"), QStringLiteral("recipient"),
                               QStringLiteral("print_date")};
    return n;
}
const QStringList& alignNames()
{
    static const QStringList n{QStringLiteral("left"), QStringLiteral("center"), QStringLiteral("right")};
    return n;
}

const QStringList& dateColumns()
{
    static const QStringList n{QStringLiteral("年"), QStringLiteral("月"), QStringLiteral("日"),
                               QStringLiteral("日期")};
    return n;
}

// Lengths go to the file in the tenths of a millimetre the designer steps
// in, and the hundredths the built-in grid puts some on.
double rounded(double mm)
{
    return std::round(mm * 1000.0) / 1000.0;
}

constexpr double kMaxPlaceMm = 1000;
constexpr int kMaxText = 1000;

} // namespace

QString TemplateFile::kindName(DesignItem::Kind k)
{
    return kindNames().at(int(k));
}

QString TemplateFile::sourceName(DesignItem::Source s)
{
    return sourceNames().at(int(s));
}

QString TemplateFile::alignName(DesignItem::Align a)
{
    return alignNames().at(int(a));
}

QByteArray TemplateFile::toJson(const TemplateDesign& d, bool withPicture)
{
    QJsonObject root;
    root.insert(QStringLiteral("format"), QString::fromLatin1(kFormat));
    root.insert(QStringLiteral("version"), kVersion);
    root.insert(QStringLiteral("code"), d.code);
    root.insert(QStringLiteral("caption"), d.caption);
    root.insert(QStringLiteral("page"),
                QJsonObject{{QStringLiteral("width_mm"), rounded(d.pageMm.width())},
                            {QStringLiteral("height_mm"), rounded(d.pageMm.height())}});
    root.insert(QStringLiteral("band"),
                QJsonObject{{QStringLiteral("width_mm"), rounded(d.bandMm.width())},
                            {QStringLiteral("height_mm"), rounded(d.bandMm.height())}});
    root.insert(QStringLiteral("calibration"), QJsonObject{{QStringLiteral("dx_mm"), d.calibrationDx / 10.0},
                                                           {QStringLiteral("dy_mm"), d.calibrationDy / 10.0},
                                                           {QStringLiteral("scale_x"), d.scaleX},
                                                           {QStringLiteral("scale_y"), d.scaleY},
                                                           {QStringLiteral("word_wrap"), d.wordWrap}});
    QJsonArray items;
    for (const DesignItem& i : d.items) {
        QJsonObject o;
        o.insert(QStringLiteral("name"), i.name);
        o.insert(QStringLiteral("kind"), kindName(i.kind));
        o.insert(QStringLiteral("source"), sourceName(i.source));
        o.insert(QStringLiteral("column"), i.column);
        if (!i.text.isEmpty())
            o.insert(QStringLiteral("text"), i.text);
        o.insert(QStringLiteral("left_mm"), rounded(i.leftMm));
        o.insert(QStringLiteral("top_mm"), rounded(i.topMm));
        o.insert(QStringLiteral("width_mm"), rounded(i.widthMm));
        o.insert(QStringLiteral("height_mm"), rounded(i.heightMm));
        if (!i.fontFamily.isEmpty())
            o.insert(QStringLiteral("font_family"), i.fontFamily);
        o.insert(QStringLiteral("font_pt"), i.fontPt);
        o.insert(QStringLiteral("bold"), i.bold);
        o.insert(QStringLiteral("align"), alignName(i.align));
        switch (i.wrap) {
        case DesignItem::Wrap::None:
            o.insert(QStringLiteral("wrap"), QJsonValue());
            break;
        case DesignItem::Wrap::Bytes:
            o.insert(QStringLiteral("wrap"), i.wrapBytes);
            break;
        case DesignItem::Wrap::Width:
            o.insert(QStringLiteral("wrap"), QStringLiteral("width"));
            break;
        }
        o.insert(QStringLiteral("max_lines"), i.maxLines);
        o.insert(QStringLiteral("rotation"), i.rotation);
        if (i.kind == DesignItem::Kind::Barcode)
            o.insert(QStringLiteral("human_readable"), i.humanReadable);
        o.insert(QStringLiteral("hidden"), i.hidden);
        o.insert(QStringLiteral("opaque"), i.opaque);
        items.append(o);
    }
    root.insert(QStringLiteral("items"), items);
    if (withPicture && !d.picture.isEmpty())
        root.insert(QStringLiteral("picture"), QString::fromLatin1(d.picture.toBase64()));
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

bool TemplateFile::fromJson(const QByteArray& json, TemplateDesign* out, QString* error)
{
    QString why;
    if (!error)
        error = &why;
    if (json.size() > kMaxFileBytes) {
        *error = QStringLiteral("模板文件太大（最多 %1 MB）。").arg(kMaxFileBytes / 1024 / 1024);
        return false;
    }
    QJsonParseError parse;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parse);
    if (parse.error != QJsonParseError::NoError) {
        *error = QStringLiteral("模板文件不是有效的 JSON（第 %1 个字节处：%2）。")
                     .arg(parse.offset)
                     .arg(parse.errorString());
        return false;
    }
    if (!doc.isObject()) {
        *error = QStringLiteral("模板文件的内容不是一个 JSON 对象。");
        return false;
    }
    const QJsonObject root = doc.object();
    Reader r(error);
    if (root.value(QStringLiteral("format")).toString() != QLatin1String(kFormat))
        return r.fail(QStringLiteral("format"),
                      QStringLiteral("不是“%1”：这不是本程序的模板文件。").arg(QString::fromLatin1(kFormat)));
    const QJsonValue version = root.value(QStringLiteral("version"));
    if (!version.isDouble() || version.toDouble() != std::floor(version.toDouble()) || version.toDouble() < 1)
        return r.fail(QStringLiteral("version"), QStringLiteral("缺失或不是正整数。"));
    if (version.toDouble() > kVersion)
        return r.fail(QStringLiteral("version"),
                      QStringLiteral("是 %1：这个模板文件来自更新的程序版本（本程序读到第 %2 版）。")
                          .arg(version.toDouble())
                          .arg(kVersion));

    TemplateDesign d;
    d.code = r.text(root, {}, "code", 40);
    d.caption = r.text(root, {}, "caption", 100);
    if (!root.value(QStringLiteral("page")).isObject())
        return r.fail(QStringLiteral("page"), QStringLiteral("缺失或不是对象。"));
    const QJsonObject page = root.value(QStringLiteral("page")).toObject();
    d.pageMm.setWidth(r.number(page, QStringLiteral("page."), "width_mm", kMinPageMm, kMaxPageMm, 0, true));
    d.pageMm.setHeight(r.number(page, QStringLiteral("page."), "height_mm", kMinPageMm, kMaxPageMm, 0, true));
    d.bandMm = d.pageMm;
    const QJsonValue bandValue = root.value(QStringLiteral("band"));
    if (!bandValue.isUndefined() && !bandValue.isNull()) {
        if (!bandValue.isObject())
            return r.fail(QStringLiteral("band"), QStringLiteral("不是对象。"));
        const QJsonObject band = bandValue.toObject();
        d.bandMm.setWidth(
            r.number(band, QStringLiteral("band."), "width_mm", kMinPageMm, kMaxPageMm, d.pageMm.width()));
        d.bandMm.setHeight(
            r.number(band, QStringLiteral("band."), "height_mm", kMinPageMm, kMaxPageMm, d.pageMm.height()));
    }
    const QJsonValue calValue = root.value(QStringLiteral("calibration"));
    if (!calValue.isUndefined() && !calValue.isNull()) {
        if (!calValue.isObject())
            return r.fail(QStringLiteral("calibration"), QStringLiteral("不是对象。"));
        const QJsonObject cal = calValue.toObject();
        const QString p = QStringLiteral("calibration.");
        const double maxMm = LayoutAdjustments::kMaxOffsetTenths / 10.0;
        d.calibrationDx = int(std::lround(r.number(cal, p, "dx_mm", -maxMm, maxMm, 0) * 10));
        d.calibrationDy = int(std::lround(r.number(cal, p, "dy_mm", -maxMm, maxMm, 0) * 10));
        d.scaleX =
            r.number(cal, p, "scale_x", LayoutAdjustments::kMinScale, LayoutAdjustments::kMaxScale, 100);
        d.scaleY =
            r.number(cal, p, "scale_y", LayoutAdjustments::kMinScale, LayoutAdjustments::kMaxScale, 100);
        d.wordWrap = r.flag(cal, p, "word_wrap", false);
    }
    if (!r.ok())
        return false;

    const QJsonValue itemsValue = root.value(QStringLiteral("items"));
    if (!itemsValue.isArray())
        return r.fail(QStringLiteral("items"), QStringLiteral("缺失或不是数组。"));
    const QJsonArray items = itemsValue.toArray();
    if (items.size() > kMaxItems)
        return r.fail(QStringLiteral("items"),
                      QStringLiteral("有 %1 个项目，最多 %2 个。").arg(items.size()).arg(kMaxItems));
    for (int k = 0; k < items.size(); ++k) {
        const QString p = QStringLiteral("items[%1].").arg(k);
        if (!items.at(k).isObject())
            return r.fail(QStringLiteral("items[%1]").arg(k), QStringLiteral("不是对象。"));
        const QJsonObject o = items.at(k).toObject();
        DesignItem i;
        i.name = r.text(o, p, "name", 100, true);
        i.kind = DesignItem::Kind(r.choice(o, p, "kind", kindNames(), 0));
        i.source = DesignItem::Source(r.choice(o, p, "source", sourceNames(), 1));
        i.column = r.text(o, p, "column", 50);
        i.text = r.text(o, p, "text", kMaxText);
        i.leftMm = r.number(o, p, "left_mm", -kMaxPlaceMm, kMaxPlaceMm, 0, true);
        i.topMm = r.number(o, p, "top_mm", -kMaxPlaceMm, kMaxPlaceMm, 0, true);
        i.widthMm = r.number(o, p, "width_mm", 0.1, kMaxPageMm, 0, true);
        i.heightMm = r.number(o, p, "height_mm", 0.1, kMaxPageMm, 0, true);
        i.fontFamily = r.text(o, p, "font_family", 100);
        i.fontPt = r.number(o, p, "font_pt", 1, 500, 12);
        i.bold = r.flag(o, p, "bold", false);
        i.align = DesignItem::Align(r.choice(o, p, "align", alignNames(), 0));
        const QJsonValue wrap = o.value(QStringLiteral("wrap"));
        if (wrap.isString() && wrap.toString() == QLatin1String("width")) {
            i.wrap = DesignItem::Wrap::Width;
        } else if (!wrap.isUndefined() && !wrap.isNull()) {
            i.wrapBytes = r.integer(o, p, "wrap", 2, 1000, 0);
            i.wrap = DesignItem::Wrap::Bytes;
        }
        i.maxLines = r.integer(o, p, "max_lines", 0, 1000, 0);
        i.rotation = r.integer(o, p, "rotation", 0, 270, 0);
        if (r.ok() && i.rotation % 90 != 0)
            r.fail(p + QStringLiteral("rotation"), QStringLiteral("必须是 0、90、180 或 270。"));
        i.humanReadable = r.flag(o, p, "human_readable", true);
        i.hidden = r.flag(o, p, "hidden", false);
        i.opaque = r.flag(o, p, "opaque", false);
        if (!r.ok())
            return false;
        d.items.append(i);
    }

    const QJsonValue pictureValue = root.value(QStringLiteral("picture"));
    if (!pictureValue.isUndefined() && !pictureValue.isNull()) {
        if (!pictureValue.isString())
            return r.fail(QStringLiteral("picture"), QStringLiteral("不是 base64 文字。"));
        const QByteArray text = pictureValue.toString().toLatin1();
        // Four characters of base64 make three bytes.
        if (text.size() / 4 * 3 > LayoutAdjustments::kMaxPictureBytes + 3)
            return r.fail(
                QStringLiteral("picture"),
                QStringLiteral("超过 %1 MB。").arg(LayoutAdjustments::kMaxPictureBytes / 1024 / 1024));
        const auto decoded = QByteArray::fromBase64Encoding(text, QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            return r.fail(QStringLiteral("picture"), QStringLiteral("不是有效的 base64 文字。"));
        d.picture = *decoded;
        if (d.picture.size() > LayoutAdjustments::kMaxPictureBytes)
            return r.fail(
                QStringLiteral("picture"),
                QStringLiteral("超过 %1 MB。").arg(LayoutAdjustments::kMaxPictureBytes / 1024 / 1024));
        QString bad;
        if (!d.picture.isEmpty() && !BackgroundPicture::check(d.picture, QStringLiteral("picture"), &bad))
            return r.fail(QStringLiteral("picture"), QStringLiteral("不可用：%1").arg(bad));
    }
    if (!check(d, error))
        return false;
    *out = d;
    return true;
}

bool TemplateFile::check(const TemplateDesign& d, QString* error)
{
    Reader r(error);
    auto within = [](double v, double lo, double hi) { return v >= lo && v <= hi; };
    if (!within(d.pageMm.width(), kMinPageMm, kMaxPageMm) ||
        !within(d.pageMm.height(), kMinPageMm, kMaxPageMm))
        return r.fail(QStringLiteral("page"),
                      QStringLiteral("的尺寸必须在 %1 到 %2 毫米之间。").arg(kMinPageMm).arg(kMaxPageMm));
    if (!within(d.bandMm.width(), kMinPageMm, kMaxPageMm) ||
        !within(d.bandMm.height(), kMinPageMm, kMaxPageMm))
        return r.fail(QStringLiteral("band"),
                      QStringLiteral("的尺寸必须在 %1 到 %2 毫米之间。").arg(kMinPageMm).arg(kMaxPageMm));
    if (d.items.size() > kMaxItems)
        return r.fail(QStringLiteral("items"),
                      QStringLiteral("有 %1 个项目，最多 %2 个。").arg(d.items.size()).arg(kMaxItems));
    const QStringList senderColumns = Schema::senderColumns();
    const QStringList recipientColumns = Schema::recipientColumns();
    QSet<QString> names;
    for (int k = 0; k < d.items.size(); ++k) {
        const DesignItem& i = d.items.at(k);
        const QString p = QStringLiteral("items[%1].").arg(k);
        if (i.name.trimmed().isEmpty())
            return r.fail(p + QStringLiteral("name"), QStringLiteral("是空的。"));
        if (names.contains(i.name))
            return r.fail(p + QStringLiteral("name"), QStringLiteral("“%1”与前面的项目重名。").arg(i.name));
        names.insert(i.name);
        if (!within(i.fontPt, 1, 500))
            return r.fail(p + QStringLiteral("font_pt"), QStringLiteral("必须在 1 到 500 磅之间。"));
        if (!within(i.widthMm, 0.1, kMaxPageMm) || !within(i.heightMm, 0.1, kMaxPageMm))
            return r.fail(p + QStringLiteral("width_mm"),
                          QStringLiteral("项目的宽和高必须在 0.1 到 %1 毫米之间。").arg(kMaxPageMm));
        if (!within(i.leftMm, -kMaxPlaceMm, kMaxPlaceMm) || !within(i.topMm, -kMaxPlaceMm, kMaxPlaceMm))
            return r.fail(p + QStringLiteral("left_mm"),
                          QStringLiteral("项目的位置必须在 ±%1 毫米之内。").arg(kMaxPlaceMm));
        if (i.rotation != 0 && i.rotation != 90 && i.rotation != 180 && i.rotation != 270)
            return r.fail(p + QStringLiteral("rotation"), QStringLiteral("必须是 0、90、180 或 270。"));
        if (i.wrap == DesignItem::Wrap::Bytes && !within(i.wrapBytes, 2, 1000))
            return r.fail(p + QStringLiteral("wrap"),
                          QStringLiteral("按字节换行的宽度必须在 2 到 1000 之间。"));
        if (i.text.size() > kMaxText)
            return r.fail(p + QStringLiteral("text"), QStringLiteral("超过 %1 个字符。").arg(kMaxText));
        const bool fixed =
            i.kind == DesignItem::Kind::Text || (i.kind != DesignItem::Kind::Field && i.column.isEmpty());
        if (fixed) {
            if (i.kind != DesignItem::Kind::Text && i.text.isEmpty())
                return r.fail(p + QStringLiteral("text"),
                              QStringLiteral("是空的：条码要么取一个字段，要么印固定的文字。"));
            continue;
        }
        const QStringList& columns = i.source == DesignItem::Source::PrintDate ? dateColumns()
                                     : i.source == DesignItem::Source::Sender  ? senderColumns
                                                                               : recipientColumns;
        if (!columns.contains(i.column))
            return r.fail(
                p + QStringLiteral("column"),
                QStringLiteral("“%1”不是%2的字段。")
                    .arg(i.column, i.source == DesignItem::Source::PrintDate ? QStringLiteral("打印日期")
                                   : i.source == DesignItem::Source::Sender  ? QStringLiteral("寄件人")
                                                                             : QStringLiteral("收件人")));
    }
    if (d.picture.size() > LayoutAdjustments::kMaxPictureBytes)
        return r.fail(QStringLiteral("picture"),
                      QStringLiteral("超过 %1 MB。").arg(LayoutAdjustments::kMaxPictureBytes / 1024 / 1024));
    return true;
}

bool TemplateFile::write(const QString& path, const TemplateDesign& design, QString* error)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(toJson(design)) < 0 || !f.commit()) {
        if (error)
            *error = QStringLiteral("无法写入模板文件 %1：%2").arg(path, f.errorString());
        return false;
    }
    return true;
}

bool TemplateFile::read(const QString& path, TemplateDesign* out, QString* error)
{
    QFile f(path);
    const QFileInfo info(path);
    if (!info.isFile()) {
        if (error)
            *error = info.exists() ? QStringLiteral("%1 不是文件。").arg(path)
                                   : QStringLiteral("找不到模板文件 %1。").arg(path);
        return false;
    }
    if (info.size() > kMaxFileBytes) {
        if (error)
            *error = QStringLiteral("模板文件太大（最多 %1 MB）。").arg(kMaxFileBytes / 1024 / 1024);
        return false;
    }
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("无法读取模板文件 %1：%2").arg(path, f.errorString());
        return false;
    }
    return fromJson(f.read(kMaxFileBytes + 1), out, error);
}
