#pragma once

#include <QByteArray>
#include <QString>

// The twenty built-in waybill templates, each in four variants. The data is
// compiled in from the catalogue data file beside this header (catalogue.json,
// turned into tables at build time by tools/catalogue_gen); nothing reads a
// layout file at run time. Lengths are millimetres, as the layouts give them.
namespace layouts {

enum class Variant { Single = 0, Batch = 1, ExcelSingle = 2, ExcelBatch = 3 };
inline constexpr int kVariantCount = 4;
enum class Source { Sender, Recipient };
enum class Charset { Ansi, GB2312 };

struct Item
{
    const char* name;   // item name in this variant, e.g. "QRDBText5"
    Source source;
    const char* column; // column of the sender or recipient record, UTF-8
    double leftMm;
    double topMm;
    double widthMm;
    double heightMm;
    int fontPt;         // 12 unless a layout says otherwise
    bool bold;
    Charset charset;
    bool opaque;        // false: transparent (the usual case)
    int wrap;           // wrap width in bytes; 0 = no print hook
};

struct Page
{
    const char* className; // window class, e.g. "TStForm", "TEPlsfForm"
    double pageWidthMm;
    double pageHeightMm;
    double bandWidthMm;
    double bandHeightMm;
    int pictureWidthPx;
    int pictureHeightPx;
    double pictureLeftMm;
    double pictureTopMm;
    double pictureWidthMm;
    double pictureHeightMm;
    const Item* items;
    int itemCount;
};

struct Template
{
    const char* code;        // "st", "st1", ...
    const char* caption;     // window caption, UTF-8
    const char* menuCaption; // caption in the print menus, UTF-8
    const char* picture;     // Qt resource path of the background JPEG
    Page variants[kVariantCount];

    const Page& variant(Variant v) const { return variants[int(v)]; }
};

// Templates in the order of the print menus.
int templateCount();
const Template& templateAt(int index);
const Template* findTemplate(const QString& code);

// The item of a page that prints `column` of the `source` record, or null.
// The same column may sit under different item names in the four variants.
const Item* findItem(const Page& page, Source source, const QString& column);

// Variant names as the command line and the JSON dump spell them:
// "single", "batch", "excel-single", "excel-batch".
QString variantName(Variant v);
bool parseVariant(const QString& name, Variant* out);

// "sender" / "recipient"; "ANSI_CHARSET" / "GB2312_CHARSET", as the JSON
// dump spells them.
QString sourceName(Source s);
QString charsetName(Charset c);

// The whole catalogue as JSON (the shape `waybill-cli catalogue --json` prints).
QByteArray catalogueJson();

} // namespace layouts
