#include "templates/layouts/Catalogue.h"

#include "templates/layouts/CatalogueData.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>

// The background pictures are compiled in as the resource "layout_pictures"
// (generated at build time). The library is static, so the resource's object
// file is only linked and registered if something calls its initialiser;
// every accessor below does, once. The picture tool that draws them builds
// this file with WAYBILL_CATALOGUE_NO_PICTURES.
static void initLayoutPictures()
{
#ifndef WAYBILL_CATALOGUE_NO_PICTURES
    Q_INIT_RESOURCE(layout_pictures);
#endif
}

namespace layouts {

namespace {

void ensurePictures()
{
    static const bool done = (initLayoutPictures(), true);
    Q_UNUSED(done);
}

QByteArray jsonString(const char* utf8)
{
    QByteArray s = QJsonDocument(QJsonArray{QString::fromUtf8(utf8)}).toJson(QJsonDocument::Compact);
    return s.mid(1, s.size() - 2); // strip the brackets
}

QByteArray jsonNumber(double d)
{
    return QString::number(d, 'g', QLocale::FloatingPointShortest).toLatin1();
}

QByteArray jsonBool(bool b)
{
    return b ? QByteArrayLiteral("true") : QByteArrayLiteral("false");
}

} // namespace

int templateCount()
{
    ensurePictures();
    return detail::kTemplateCount;
}

const Template& templateAt(int index)
{
    ensurePictures();
    Q_ASSERT(index >= 0 && index < detail::kTemplateCount);
    return detail::kTemplates[index];
}

const Template* findTemplate(const QString& code)
{
    ensurePictures();
    for (int i = 0; i < detail::kTemplateCount; ++i)
        if (code == QLatin1String(detail::kTemplates[i].code))
            return &detail::kTemplates[i];
    return nullptr;
}

const Item* findItem(const Page& page, Source source, const QString& column)
{
    for (int i = 0; i < page.itemCount; ++i)
        if (page.items[i].source == source && column == QString::fromUtf8(page.items[i].column))
            return &page.items[i];
    return nullptr;
}

QString variantName(Variant v)
{
    switch (v) {
    case Variant::Single:
        return QStringLiteral("single");
    case Variant::Batch:
        return QStringLiteral("batch");
    case Variant::ExcelSingle:
        return QStringLiteral("excel-single");
    case Variant::ExcelBatch:
        return QStringLiteral("excel-batch");
    }
    return QString();
}

bool parseVariant(const QString& name, Variant* out)
{
    for (int i = 0; i < kVariantCount; ++i) {
        if (name == variantName(Variant(i))) {
            if (out)
                *out = Variant(i);
            return true;
        }
    }
    return false;
}

QString sourceName(Source s)
{
    return s == Source::Sender ? QStringLiteral("sender") : QStringLiteral("recipient");
}

QString charsetName(Charset c)
{
    return c == Charset::Ansi ? QStringLiteral("ANSI_CHARSET") : QStringLiteral("GB2312_CHARSET");
}

// Written by hand rather than through QJsonObject so that the keys keep the
// documented order (QJsonObject sorts them) and every item stays on one line.
QByteArray catalogueJson()
{
    ensurePictures();
    QByteArray j;
    j += "{\n  \"templates\": [\n";
    for (int t = 0; t < detail::kTemplateCount; ++t) {
        const Template& tpl = detail::kTemplates[t];
        j += "    {\n";
        j += "      \"code\": " + jsonString(tpl.code) + ",\n";
        j += "      \"caption\": " + jsonString(tpl.caption) + ",\n";
        j += "      \"menu_caption\": " + jsonString(tpl.menuCaption) + ",\n";
        j += "      \"variants\": {\n";
        for (int v = 0; v < kVariantCount; ++v) {
            const Page& p = tpl.variants[v];
            j += "        \"" + variantName(Variant(v)).toLatin1() + "\": {\n";
            j += "          \"class\": " + jsonString(p.className) + ",\n";
            j += "          \"page\": {\"width_mm\": " + jsonNumber(p.pageWidthMm) +
                 ", \"height_mm\": " + jsonNumber(p.pageHeightMm) + "},\n";
            j += "          \"band\": {\"width_mm\": " + jsonNumber(p.bandWidthMm) +
                 ", \"height_mm\": " + jsonNumber(p.bandHeightMm) + "},\n";
            j += "          \"picture\": {\"width_px\": " + QByteArray::number(p.pictureWidthPx) +
                 ", \"height_px\": " + QByteArray::number(p.pictureHeightPx) +
                 ", \"left_mm\": " + jsonNumber(p.pictureLeftMm) +
                 ", \"top_mm\": " + jsonNumber(p.pictureTopMm) +
                 ", \"width_mm\": " + jsonNumber(p.pictureWidthMm) +
                 ", \"height_mm\": " + jsonNumber(p.pictureHeightMm) + "},\n";
            j += "          \"items\": [\n";
            for (int i = 0; i < p.itemCount; ++i) {
                const Item& it = p.items[i];
                j += "            {\"name\": " + jsonString(it.name) + ", \"source\": \"" +
                     sourceName(it.source).toLatin1() + "\"" + ", \"column\": " + jsonString(it.column) +
                     ", \"left_mm\": " + jsonNumber(it.leftMm) + ", \"top_mm\": " + jsonNumber(it.topMm) +
                     ", \"width_mm\": " + jsonNumber(it.widthMm) +
                     ", \"height_mm\": " + jsonNumber(it.heightMm) +
                     ", \"font_pt\": " + QByteArray::number(it.fontPt) + ", \"bold\": " + jsonBool(it.bold) +
                     ", \"charset\": \"" + charsetName(it.charset).toLatin1() + "\"" +
                     ", \"opaque\": " + jsonBool(it.opaque) + ", \"wrap\": " +
                     (it.wrap > 0 ? QByteArray::number(it.wrap) : QByteArrayLiteral("null")) + "}";
                j += i + 1 < p.itemCount ? ",\n" : "\n";
            }
            j += "          ]\n";
            j += v + 1 < kVariantCount ? "        },\n" : "        }\n";
        }
        j += "      }\n";
        j += t + 1 < detail::kTemplateCount ? "    },\n" : "    }\n";
    }
    j += "  ]\n}\n";
    return j;
}

} // namespace layouts
