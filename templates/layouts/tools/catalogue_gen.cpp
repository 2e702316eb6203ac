// Build-time tool: reads templates/layouts/catalogue.json, checks it and
// writes the compiled-in tables (catalogue_data.cpp) that Catalogue.cpp
// serves. Run by CMake; nothing reads the JSON file at run time.
//
//   catalogue_gen CATALOGUE.json OUTPUT.cpp PICTURE_PREFIX
//
// PICTURE_PREFIX is the resource folder of the background pictures, e.g.
// ":/layouts/"; the picture of template "st" becomes ":/layouts/st.jpg".

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <QStringList>
#include <QTextStream>

#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace {

const QStringList kVariants = {QStringLiteral("single"), QStringLiteral("batch"),
                               QStringLiteral("excel-single"), QStringLiteral("excel-batch")};
const QStringList kVariantIds = {QStringLiteral("single"), QStringLiteral("batch"),
                                 QStringLiteral("excelSingle"), QStringLiteral("excelBatch")};

struct Error : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

[[noreturn]] void fail(const QString& where, const QString& what)
{
    throw Error((where + QStringLiteral(": ") + what).toStdString());
}

void onlyKeys(const QJsonObject& o, const QStringList& allowed, const QString& where)
{
    for (auto it = o.begin(); it != o.end(); ++it)
        if (!allowed.contains(it.key()))
            fail(where, QStringLiteral("unknown key \"%1\"").arg(it.key()));
}

QJsonValue need(const QJsonObject& o, const QString& key, const QString& where)
{
    if (!o.contains(key))
        fail(where, QStringLiteral("missing \"%1\"").arg(key));
    return o.value(key);
}

QString needString(const QJsonObject& o, const QString& key, const QString& where)
{
    const QJsonValue v = need(o, key, where);
    if (!v.isString() || v.toString().isEmpty())
        fail(where, QStringLiteral("\"%1\" must be a non-empty string").arg(key));
    return v.toString();
}

// A length in millimetres: positive or zero, at most `decimals` decimals.
double length(const QJsonValue& v, const QString& where, int decimals = 1)
{
    if (!v.isDouble())
        fail(where, QStringLiteral("not a number"));
    const double d = v.toDouble();
    const double scale = std::pow(10.0, decimals);
    if (d < 0 || d > 1000 || std::fabs(d * scale - std::round(d * scale)) > 1e-6)
        fail(where, QStringLiteral("%1 is not a length with %2 decimal(s)").arg(d).arg(decimals));
    return d;
}

QList<double> lengths(const QJsonValue& v, int n, const QString& where, int lastDecimals = 1)
{
    if (!v.isArray() || v.toArray().size() != n)
        fail(where, QStringLiteral("expected an array of %1 numbers").arg(n));
    QList<double> out;
    const QJsonArray a = v.toArray();
    for (int i = 0; i < n; ++i)
        out << length(a.at(i), where + QStringLiteral("[%1]").arg(i), i == n - 1 ? lastDecimals : 1);
    return out;
}

int positiveInt(const QJsonValue& v, const QString& where)
{
    if (!v.isDouble() || v.toDouble() != std::floor(v.toDouble()) || v.toDouble() < 1 ||
        v.toDouble() > 100000)
        fail(where, QStringLiteral("expected a positive whole number"));
    return v.toInt();
}

QString charset(const QString& s, const QString& where)
{
    if (s == QLatin1String("ANSI_CHARSET"))
        return QStringLiteral("Charset::Ansi");
    if (s == QLatin1String("GB2312_CHARSET"))
        return QStringLiteral("Charset::GB2312");
    fail(where, QStringLiteral("unknown character set \"%1\"").arg(s));
}

// A value given once for all variants, or as an object of variant overrides
// over `fallback`, or (`allowArray`) as an array of four in variant order.
QList<QJsonValue> perVariant(const QJsonValue& v, const QList<QJsonValue>& fallback, bool allowArray,
                             const QString& where, bool singleKey = true)
{
    QList<QJsonValue> out = fallback;
    if (v.isUndefined())
        return out;
    if (v.isObject()) {
        const QJsonObject o = v.toObject();
        // For names and boxes the row's own value is the single variant's, and
        // the overrides name the other variants only.
        onlyKeys(o, singleKey ? kVariants : kVariants.mid(1), where);
        for (int i = 0; i < 4; ++i)
            if (o.contains(kVariants[i]))
                out[i] = o.value(kVariants[i]);
        return out;
    }
    if (v.isArray() && allowArray) {
        const QJsonArray a = v.toArray();
        if (a.size() != 4)
            fail(where, QStringLiteral("expected four values, single / batch / excel-single / excel-batch"));
        for (int i = 0; i < 4; ++i)
            out[i] = a.at(i);
        return out;
    }
    for (int i = 0; i < 4; ++i)
        out[i] = v;
    return out;
}

QString cString(const QString& s)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : s) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\\'))
            out += QLatin1Char('\\');
        out += c;
    }
    return out + QLatin1Char('"');
}

QString cDouble(double d)
{
    QString s = QString::number(d, 'g', QLocale::FloatingPointShortest);
    if (!s.contains(QLatin1Char('.')) && !s.contains(QLatin1Char('e')))
        s += QStringLiteral(".0");
    return s;
}

struct ItemOut
{
    QString name, source, column, charset;
    double left, top, width, height;
    int fontPt, wrap;
    bool bold, opaque;
};

QString generate(const QJsonDocument& doc, const QString& picturePrefix)
{
    if (!doc.isObject())
        fail(QStringLiteral("catalogue"), QStringLiteral("not a JSON object"));
    const QJsonObject root = doc.object();
    onlyKeys(root, {QStringLiteral("format"), QStringLiteral("defaults"), QStringLiteral("templates")},
             QStringLiteral("catalogue"));
    const QJsonValue defaultsValue = need(root, QStringLiteral("defaults"), QStringLiteral("catalogue"));
    if (!defaultsValue.isObject())
        fail(QStringLiteral("defaults"), QStringLiteral("not an object"));
    const QJsonObject defaults = defaultsValue.toObject();
    onlyKeys(defaults, {QStringLiteral("font_pt"), QStringLiteral("bold"), QStringLiteral("opaque")},
             QStringLiteral("defaults"));
    const QJsonValue defFont = need(defaults, QStringLiteral("font_pt"), QStringLiteral("defaults"));
    const QJsonValue defBold = need(defaults, QStringLiteral("bold"), QStringLiteral("defaults"));
    const QJsonValue defOpaque = need(defaults, QStringLiteral("opaque"), QStringLiteral("defaults"));

    const QJsonValue templatesValue = need(root, QStringLiteral("templates"), QStringLiteral("catalogue"));
    if (!templatesValue.isArray() || templatesValue.toArray().isEmpty())
        fail(QStringLiteral("templates"), QStringLiteral("not a non-empty array"));
    const QJsonArray templates = templatesValue.toArray();

    QString items;  // the item arrays
    QString tables; // the template table
    QTextStream is(&items);
    QTextStream ts(&tables);
    QSet<QString> codes;
    QSet<QString> classes;
    static const QRegularExpression codeRe(QStringLiteral("^[a-z][a-z0-9]*$"));
    static const QRegularExpression classRe(QStringLiteral("^T[A-Za-z0-9]+Form$"));
    static const QRegularExpression nameRe(QStringLiteral("^QRDBText[0-9]+$"));

    for (int t = 0; t < templates.size(); ++t) {
        QString where = QStringLiteral("templates[%1]").arg(t);
        if (!templates.at(t).isObject())
            fail(where, QStringLiteral("not an object"));
        const QJsonObject tpl = templates.at(t).toObject();
        onlyKeys(tpl,
                 {QStringLiteral("code"), QStringLiteral("caption"), QStringLiteral("menu_caption"),
                  QStringLiteral("picture_px"), QStringLiteral("variants"), QStringLiteral("items")},
                 where);
        const QString code = needString(tpl, QStringLiteral("code"), where);
        if (!codeRe.match(code).hasMatch() || codes.contains(code))
            fail(where, QStringLiteral("bad or repeated code \"%1\"").arg(code));
        codes.insert(code);
        where = QStringLiteral("template %1").arg(code);
        const QString caption = needString(tpl, QStringLiteral("caption"), where);
        const QString menuCaption = needString(tpl, QStringLiteral("menu_caption"), where);
        const QJsonValue px = need(tpl, QStringLiteral("picture_px"), where);
        if (!px.isArray() || px.toArray().size() != 2)
            fail(where, QStringLiteral("picture_px must be [width, height]"));
        const int pxW = positiveInt(px.toArray().at(0), where + QStringLiteral(" picture_px"));
        const int pxH = positiveInt(px.toArray().at(1), where + QStringLiteral(" picture_px"));

        const QJsonValue variantsValue = need(tpl, QStringLiteral("variants"), where);
        if (!variantsValue.isObject())
            fail(where, QStringLiteral("variants must be an object"));
        const QJsonObject variants = variantsValue.toObject();
        onlyKeys(variants, kVariants, where + QStringLiteral(" variants"));

        const QJsonValue itemsValue = need(tpl, QStringLiteral("items"), where);
        if (!itemsValue.isArray() || itemsValue.toArray().isEmpty())
            fail(where, QStringLiteral("items must be a non-empty array"));
        const QJsonArray itemRows = itemsValue.toArray();

        ts << "    {" << cString(code) << ", " << cString(caption) << ", " << cString(menuCaption) << ", "
           << cString(picturePrefix + code + QStringLiteral(".jpg")) << ",\n     {\n";

        for (int v = 0; v < 4; ++v) {
            const QString vw = where + QStringLiteral(" ") + kVariants[v];
            const QJsonValue pv = need(variants, kVariants[v], where + QStringLiteral(" variants"));
            if (!pv.isObject())
                fail(vw, QStringLiteral("not an object"));
            const QJsonObject page = pv.toObject();
            onlyKeys(page,
                     {QStringLiteral("class"), QStringLiteral("page"), QStringLiteral("band"),
                      QStringLiteral("picture"), QStringLiteral("charset")},
                     vw);
            const QString cls = needString(page, QStringLiteral("class"), vw);
            if (!classRe.match(cls).hasMatch() || classes.contains(cls))
                fail(vw, QStringLiteral("bad or repeated class name \"%1\"").arg(cls));
            classes.insert(cls);
            const QList<double> pg =
                lengths(need(page, QStringLiteral("page"), vw), 2, vw + QStringLiteral(" page"));
            const QList<double> band =
                lengths(need(page, QStringLiteral("band"), vw), 2, vw + QStringLiteral(" band"), 2);
            const QList<double> pic =
                lengths(need(page, QStringLiteral("picture"), vw), 4, vw + QStringLiteral(" picture"));
            if (pg[0] <= 0 || pg[1] <= 0 || band[0] <= 0 || band[1] <= 0 || pic[2] <= 0 || pic[3] <= 0)
                fail(vw, QStringLiteral("page, band and picture need a size"));
            const QString pageCharset = needString(page, QStringLiteral("charset"), vw);
            charset(pageCharset, vw);

            QList<ItemOut> out;
            QSet<QString> names;
            QSet<QString> keys;
            for (int i = 0; i < itemRows.size(); ++i) {
                const QString iw = vw + QStringLiteral(" items[%1]").arg(i);
                if (!itemRows.at(i).isObject())
                    fail(iw, QStringLiteral("not an object"));
                const QJsonObject row = itemRows.at(i).toObject();
                onlyKeys(row,
                         {QStringLiteral("name"), QStringLiteral("source"), QStringLiteral("column"),
                          QStringLiteral("box"), QStringLiteral("at"), QStringLiteral("wrap"),
                          QStringLiteral("names"), QStringLiteral("boxes"), QStringLiteral("charset"),
                          QStringLiteral("opaque"), QStringLiteral("font_pt"), QStringLiteral("bold")},
                         iw);
                ItemOut it;
                const QJsonValue nameV =
                    perVariant(row.value(QStringLiteral("names")),
                               QList<QJsonValue>(4, need(row, QStringLiteral("name"), iw)), false,
                               iw + QStringLiteral(" names"), false)[v];
                if (row.contains(QStringLiteral("names")) && !row.value(QStringLiteral("names")).isObject())
                    fail(iw, QStringLiteral("names must be an object of variants"));
                it.name = nameV.toString();
                if (!nameRe.match(it.name).hasMatch() || names.contains(it.name))
                    fail(iw, QStringLiteral("bad or repeated item name \"%1\"").arg(it.name));
                names.insert(it.name);
                const QString source = needString(row, QStringLiteral("source"), iw);
                if (source == QLatin1String("sender"))
                    it.source = QStringLiteral("Source::Sender");
                else if (source == QLatin1String("recipient"))
                    it.source = QStringLiteral("Source::Recipient");
                else
                    fail(iw, QStringLiteral("source must be sender or recipient"));
                it.column = needString(row, QStringLiteral("column"), iw);
                if (keys.contains(source + it.column))
                    fail(iw, QStringLiteral("%1 \"%2\" occurs twice").arg(source, it.column));
                keys.insert(source + it.column);

                const QJsonValue at = need(row, QStringLiteral("at"), iw);
                if (!at.isArray() || at.toArray().size() != 4)
                    fail(iw, QStringLiteral("at must hold four [left, top] pairs"));
                const QList<double> pos = lengths(at.toArray().at(v), 2, iw + QStringLiteral(" at"));
                it.left = pos[0];
                it.top = pos[1];

                if (row.contains(QStringLiteral("boxes")) && !row.value(QStringLiteral("boxes")).isObject())
                    fail(iw, QStringLiteral("boxes must be an object of variants"));
                const QJsonValue boxV = perVariant(row.value(QStringLiteral("boxes")),
                                                   QList<QJsonValue>(4, need(row, QStringLiteral("box"), iw)),
                                                   false, iw + QStringLiteral(" boxes"), false)[v];
                const QList<double> box = lengths(boxV, 2, iw + QStringLiteral(" box"));
                it.width = box[0];
                it.height = box[1];
                if (it.width <= 0 || it.height <= 0)
                    fail(iw, QStringLiteral("an item box needs a size"));

                const QJsonValue wrapV =
                    perVariant(row.value(QStringLiteral("wrap")), QList<QJsonValue>(4, QJsonValue(0)), true,
                               iw + QStringLiteral(" wrap"))[v];
                if (wrapV.toDouble() == 0)
                    it.wrap = 0;
                else if ((it.wrap = positiveInt(wrapV, iw + QStringLiteral(" wrap"))) < 2)
                    fail(iw, QStringLiteral("a wrap width is 2 or more"));

                const QJsonValue csV = perVariant(row.value(QStringLiteral("charset")),
                                                  QList<QJsonValue>(4, QJsonValue(pageCharset)), false,
                                                  iw + QStringLiteral(" charset"))[v];
                it.charset = charset(csV.toString(), iw);

                const QJsonValue opV =
                    perVariant(row.value(QStringLiteral("opaque")), QList<QJsonValue>(4, defOpaque), false,
                               iw + QStringLiteral(" opaque"))[v];
                const QJsonValue boldV =
                    perVariant(row.value(QStringLiteral("bold")), QList<QJsonValue>(4, defBold), false,
                               iw + QStringLiteral(" bold"))[v];
                if (!opV.isBool() || !boldV.isBool())
                    fail(iw, QStringLiteral("opaque and bold are true or false"));
                it.opaque = opV.toBool();
                it.bold = boldV.toBool();
                const QJsonValue fontV =
                    perVariant(row.value(QStringLiteral("font_pt")), QList<QJsonValue>(4, defFont), false,
                               iw + QStringLiteral(" font_pt"))[v];
                it.fontPt = positiveInt(fontV, iw + QStringLiteral(" font_pt"));
                out << it;
            }

            const QString array = QStringLiteral("%1_%2").arg(code, kVariantIds[v]);
            is << "const Item " << array << "[] = {\n";
            for (const ItemOut& it : out) {
                is << "    {" << cString(it.name) << ", " << it.source << ", " << cString(it.column) << ", "
                   << cDouble(it.left) << ", " << cDouble(it.top) << ", " << cDouble(it.width) << ", "
                   << cDouble(it.height) << ", " << it.fontPt << ", " << (it.bold ? "true" : "false") << ", "
                   << it.charset << ", " << (it.opaque ? "true" : "false") << ", " << it.wrap << "},\n";
            }
            is << "};\n";
            ts << "      {" << cString(cls) << ", " << cDouble(pg[0]) << ", " << cDouble(pg[1]) << ", "
               << cDouble(band[0]) << ", " << cDouble(band[1]) << ", " << pxW << ", " << pxH << ", "
               << cDouble(pic[0]) << ", " << cDouble(pic[1]) << ", " << cDouble(pic[2]) << ", "
               << cDouble(pic[3]) << ", " << array << ", " << out.size() << "},\n";
        }
        ts << "     }},\n";
    }

    QString src;
    QTextStream s(&src);
    s << "// Generated by catalogue_gen from templates/layouts/catalogue.json. Do not edit.\n"
         "#include \"templates/layouts/CatalogueData.h\"\n\n"
         "namespace layouts::detail {\n"
         "namespace {\n\n"
      << items << "\n} // namespace\n\n"
      << "const Template kTemplates[] = {\n"
      << tables << "};\n\n"
      << "const int kTemplateCount = " << templates.size() << ";\n\n"
      << "} // namespace layouts::detail\n";
    s.flush();
    return src;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: catalogue_gen CATALOGUE.json OUTPUT.cpp PICTURE_PREFIX\n");
        return 2;
    }
    QFile in(args.at(1));
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "catalogue_gen: cannot read %s\n", qPrintable(args.at(1)));
        return 1;
    }
    QJsonParseError perr;
    const QJsonDocument doc = QJsonDocument::fromJson(in.readAll(), &perr);
    if (perr.error != QJsonParseError::NoError) {
        std::fprintf(stderr, "%s: offset %d: %s\n", qPrintable(args.at(1)), perr.offset,
                     qPrintable(perr.errorString()));
        return 1;
    }
    QString src;
    try {
        src = generate(doc, args.at(3));
    } catch (const Error& e) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(args.at(1)), e.what());
        return 1;
    }
    QSaveFile out(args.at(2));
    if (!out.open(QIODevice::WriteOnly) || out.write(src.toUtf8()) < 0 || !out.commit()) {
        std::fprintf(stderr, "catalogue_gen: cannot write %s\n", qPrintable(args.at(2)));
        return 1;
    }
    return 0;
}
