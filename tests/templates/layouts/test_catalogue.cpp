#include "templates/layouts/Catalogue.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace layouts;

Q_DECLARE_METATYPE(layouts::Variant)
Q_DECLARE_METATYPE(layouts::Source)

namespace {

const Page& pageOf(const QString& code, Variant v)
{
    const Template* t = findTemplate(code);
    if (!t)
        qFatal("no template %s", qPrintable(code));
    return t->variant(v);
}

const Item* itemOf(const QString& code, Variant v, Source s, const QString& column)
{
    return findItem(pageOf(code, v), s, column);
}

const Variant kAll[] = {Variant::Single, Variant::Batch, Variant::ExcelSingle, Variant::ExcelBatch};

} // namespace

class TestCatalogue : public QObject
{
    Q_OBJECT
private slots:
    void menuOrderAndCounts();
    void lookups_data();
    void lookups();
    void variantNames();
    void everyItemStartsOnItsPage();
    void sameColumnsInEveryVariant();
    void namesPerVariant_data();
    void namesPerVariant();
    void pageSizes_data();
    void pageSizes();
    void wrapWidths_data();
    void wrapWidths();
    void fontExceptions();
    void spotChecks_data();
    void spotChecks();
    void pictures_data();
    void pictures();
    void jsonDump();
};

void TestCatalogue::menuOrderAndCounts()
{
    const QList<QPair<QString, int>> expected = {
        {"st", 18},  {"st1", 17}, {"ht", 18},  {"sf", 18},   {"sf1", 18}, {"sf2", 18}, {"cces", 16},
        {"tt", 17},  {"tt1", 18}, {"gt", 16},  {"yt", 20},   {"yt1", 19}, {"yd", 17},  {"zt", 19},
        {"zt1", 17}, {"zjs", 14}, {"ems", 20}, {"ems1", 20}, {"se", 17},  {"qy", 17}};
    QCOMPARE(templateCount(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        const Template& t = templateAt(i);
        QCOMPARE(QString::fromLatin1(t.code), expected[i].first);
        for (Variant v : kAll)
            QVERIFY2(t.variant(v).itemCount == expected[i].second,
                     qPrintable(QStringLiteral("%1 %2: %3 items")
                                    .arg(t.code, variantName(v))
                                    .arg(t.variant(v).itemCount)));
    }
}

void TestCatalogue::lookups_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<Variant>("variant");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("menuCaption");
    QTest::newRow("st single") << "st" << Variant::Single << "TStForm"
                               << "申通快递单模板"
                               << "申通快递单模板【一】";
    QTest::newRow("st excel batch") << "st" << Variant::ExcelBatch << "TEplstForm"
                                    << "申通快递单模板"
                                    << "申通快递单模板【一】";
    QTest::newRow("sf excel batch") << "sf" << Variant::ExcelBatch << "TEPlsfForm"
                                    << "顺丰快递单模板"
                                    << "顺丰快递单模板【一】";
    QTest::newRow("sf2 excel batch") << "sf2" << Variant::ExcelBatch << "TEPlsf2Form"
                                     << "顺丰快递单模板"
                                     << "顺丰快递单模板【三】";
    QTest::newRow("cces excel single") << "cces" << Variant::ExcelSingle << "TEccesForm"
                                       << "CCES快递单模板"
                                       << "CCES快递单模板";
    QTest::newRow("ems batch") << "ems" << Variant::Batch << "TPlemsForm"
                               << "EMS快递单模板"
                               << "EMS快递单模板【一】";
    QTest::newRow("ems1 single") << "ems1" << Variant::Single << "TEms1Form"
                                 << "EMS快递单模板"
                                 << "EMS快递单模板【二】";
    QTest::newRow("yt1 batch") << "yt1" << Variant::Batch << "TPlyt1Form"
                               << "圆通快递单模板（详情单）"
                               << "圆通快递单模板【二】";
    QTest::newRow("zt1 excel single") << "zt1" << Variant::ExcelSingle << "TEzt1Form"
                                      << "中通快递单模板"
                                      << "中通快递单模板【二】";
    QTest::newRow("qy excel batch") << "qy" << Variant::ExcelBatch << "TEplqyForm"
                                    << "923远华快运模板"
                                    << "923远华快运模板";
}

void TestCatalogue::lookups()
{
    QFETCH(QString, code);
    QFETCH(Variant, variant);
    const Template* t = findTemplate(code);
    QVERIFY(t);
    QCOMPARE(QString::fromLatin1(t->code), code);
    QTEST(QString::fromLatin1(t->variant(variant).className), "className");
    QTEST(QString::fromUtf8(t->caption), "caption");
    QTEST(QString::fromUtf8(t->menuCaption), "menuCaption");
}

void TestCatalogue::variantNames()
{
    const QStringList names = {"single", "batch", "excel-single", "excel-batch"};
    for (int i = 0; i < kVariantCount; ++i) {
        QCOMPARE(variantName(Variant(i)), names[i]);
        Variant v = Variant::Single;
        QVERIFY(parseVariant(names[i], &v));
        QCOMPARE(int(v), i);
    }
    Variant v = Variant::Batch;
    QVERIFY(!parseVariant(QStringLiteral("excel"), &v));
    QVERIFY(!parseVariant(QString(), &v));
    QCOMPARE(v, Variant::Batch);
    QVERIFY(!findTemplate(QStringLiteral("ST")));
    QVERIFY(!findTemplate(QStringLiteral("sf3")));
    QVERIFY(!findTemplate(QString()));
}

void TestCatalogue::everyItemStartsOnItsPage()
{
    for (int i = 0; i < templateCount(); ++i) {
        const Template& t = templateAt(i);
        for (Variant v : kAll) {
            const Page& p = t.variant(v);
            for (int k = 0; k < p.itemCount; ++k) {
                const Item& it = p.items[k];
                const QString where = QStringLiteral("%1 %2 %3").arg(t.code, variantName(v), it.name);
                QVERIFY2(it.leftMm >= 0 && it.leftMm < p.pageWidthMm, qPrintable(where));
                QVERIFY2(it.topMm >= 0 && it.topMm < p.pageHeightMm, qPrintable(where));
                QVERIFY2(it.widthMm > 0 && it.heightMm > 0, qPrintable(where));
            }
        }
    }
}

void TestCatalogue::sameColumnsInEveryVariant()
{
    for (int i = 0; i < templateCount(); ++i) {
        const Template& t = templateAt(i);
        const Page& single = t.variant(Variant::Single);
        for (Variant v : kAll) {
            const Page& p = t.variant(v);
            QSet<QString> names;
            for (int k = 0; k < single.itemCount; ++k) {
                const Item& it = single.items[k];
                const Item* other = findItem(p, it.source, QString::fromUtf8(it.column));
                QVERIFY2(other,
                         qPrintable(QStringLiteral("%1 %2 lacks %3").arg(t.code, variantName(v), it.column)));
                names.insert(QString::fromLatin1(p.items[k].name));
            }
            QCOMPARE(names.size(), p.itemCount); // item names unique within a window
        }
    }
}

void TestCatalogue::namesPerVariant_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<Variant>("variant");
    QTest::addColumn<Source>("source");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("name");
    const Source S = Source::Sender;
    const Source R = Source::Recipient;
    QTest::newRow("ht single 签名") << "ht" << Variant::Single << S << "签名"
                                    << "QRDBText6";
    QTest::newRow("ht batch 签名") << "ht" << Variant::Batch << S << "签名"
                                   << "QRDBText7";
    QTest::newRow("ht batch 数量") << "ht" << Variant::Batch << R << "数量"
                                   << "QRDBText6";
    QTest::newRow("ht excel single 数量") << "ht" << Variant::ExcelSingle << R << "数量"
                                          << "QRDBText7";
    QTest::newRow("ht excel batch 数量") << "ht" << Variant::ExcelBatch << R << "数量"
                                         << "QRDBText14";
    QTest::newRow("ht excel batch 城市") << "ht" << Variant::ExcelBatch << S << "城市"
                                         << "QRDBText6";
    QTest::newRow("ht excel batch 内件品名") << "ht" << Variant::ExcelBatch << R << "内件品名"
                                             << "QRDBText13";
    QTest::newRow("sf single 月") << "sf" << Variant::Single << S << "月"
                                  << "QRDBText16";
    QTest::newRow("sf excel single 月") << "sf" << Variant::ExcelSingle << S << "月"
                                        << "QRDBText17";
    QTest::newRow("sf batch 日") << "sf" << Variant::Batch << S << "日"
                                 << "QRDBText18";
    QTest::newRow("sf excel batch 城市") << "sf" << Variant::ExcelBatch << R << "城市"
                                         << "QRDBText16";
    QTest::newRow("sf1 batch 城市") << "sf1" << Variant::Batch << R << "城市"
                                    << "QRDBText18";
    QTest::newRow("sf1 excel single 城市") << "sf1" << Variant::ExcelSingle << R << "城市"
                                           << "QRDBText16";
    QTest::newRow("sf2 batch 月") << "sf2" << Variant::Batch << S << "月"
                                  << "QRDBText16";
    QTest::newRow("yt batch 邮编") << "yt" << Variant::Batch << S << "邮编"
                                   << "QRDBText13";
    QTest::newRow("yt excel batch 邮编") << "yt" << Variant::ExcelBatch << R << "邮编"
                                         << "QRDBText14";
    QTest::newRow("yt excel single 城市") << "yt" << Variant::ExcelSingle << S << "城市"
                                          << "QRDBText14";
    QTest::newRow("yt1 batch 备注") << "yt1" << Variant::Batch << R << "备注"
                                    << "QRDBText6";
    QTest::newRow("yt1 excel batch 备注") << "yt1" << Variant::ExcelBatch << R << "备注"
                                          << "QRDBText14";
    QTest::newRow("zjs batch 年") << "zjs" << Variant::Batch << S << "年"
                                  << "QRDBText7";
    QTest::newRow("zjs excel batch 签名") << "zjs" << Variant::ExcelBatch << S << "签名"
                                          << "QRDBText6";
    QTest::newRow("zjs excel single 签名") << "zjs" << Variant::ExcelSingle << S << "签名"
                                           << "QRDBText7";
}

void TestCatalogue::namesPerVariant()
{
    QFETCH(QString, code);
    QFETCH(Variant, variant);
    QFETCH(Source, source);
    QFETCH(QString, column);
    QFETCH(QString, name);
    const Item* it = itemOf(code, variant, source, column);
    QVERIFY(it);
    QCOMPARE(QString::fromLatin1(it->name), name);
}

void TestCatalogue::pageSizes_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<Variant>("variant");
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("height");
    QTest::addColumn<double>("bandWidth");
    QTest::addColumn<double>("bandHeight");
    QTest::newRow("st single") << "st" << Variant::Single << 230.0 << 127.0 << 229.9 << 127.0;
    QTest::newRow("ht single") << "ht" << Variant::Single << 230.0 << 127.0 << 229.9 << 127.0;
    QTest::newRow("ht batch") << "ht" << Variant::Batch << 229.9 << 127.0 << 229.9 << 127.0;
    QTest::newRow("ht excel single") << "ht" << Variant::ExcelSingle << 230.0 << 127.0 << 229.9 << 127.0;
    QTest::newRow("ht excel batch") << "ht" << Variant::ExcelBatch << 229.9 << 127.0 << 229.9 << 127.0;
    QTest::newRow("sf single") << "sf" << Variant::Single << 216.0 << 141.0 << 215.9 << 140.0;
    QTest::newRow("sf batch") << "sf" << Variant::Batch << 216.0 << 141.0 << 215.9 << 141.02;
    QTest::newRow("sf excel single") << "sf" << Variant::ExcelSingle << 216.0 << 140.0 << 215.9 << 140.0;
    QTest::newRow("sf excel batch") << "sf" << Variant::ExcelBatch << 216.0 << 141.0 << 215.9 << 141.02;
    QTest::newRow("sf1 single") << "sf1" << Variant::Single << 216.0 << 141.0 << 215.9 << 140.0;
    QTest::newRow("sf1 batch") << "sf1" << Variant::Batch << 216.0 << 140.0 << 215.9 << 140.0;
    QTest::newRow("sf1 excel single") << "sf1" << Variant::ExcelSingle << 216.0 << 140.0 << 215.9 << 140.0;
    QTest::newRow("sf1 excel batch") << "sf1" << Variant::ExcelBatch << 216.0 << 140.0 << 215.9 << 140.0;
    QTest::newRow("sf2 batch") << "sf2" << Variant::Batch << 230.0 << 150.0 << 229.9 << 150.02;
    QTest::newRow("yt single") << "yt" << Variant::Single << 230.0 << 127.0 << 229.9 << 127.0;
    QTest::newRow("yt batch") << "yt" << Variant::Batch << 229.9 << 127.0 << 229.9 << 127.0;
    QTest::newRow("yt1 excel single") << "yt1" << Variant::ExcelSingle << 230.0 << 127.0 << 229.9 << 127.0;
    QTest::newRow("yt1 excel batch") << "yt1" << Variant::ExcelBatch << 229.9 << 127.0 << 229.9 << 127.0;
    QTest::newRow("zjs single") << "zjs" << Variant::Single << 229.9 << 141.0 << 229.9 << 140.0;
    QTest::newRow("zjs batch") << "zjs" << Variant::Batch << 230.0 << 141.0 << 229.9 << 140.0;
    QTest::newRow("zjs excel single") << "zjs" << Variant::ExcelSingle << 229.9 << 141.0 << 229.9 << 140.0;
    QTest::newRow("zjs excel batch") << "zjs" << Variant::ExcelBatch << 230.0 << 141.0 << 229.9 << 140.0;
    QTest::newRow("qy excel batch") << "qy" << Variant::ExcelBatch << 230.0 << 127.0 << 229.9 << 127.0;
}

void TestCatalogue::pageSizes()
{
    QFETCH(QString, code);
    QFETCH(Variant, variant);
    QFETCH(double, width);
    QFETCH(double, height);
    QFETCH(double, bandWidth);
    QFETCH(double, bandHeight);
    const Page& p = pageOf(code, variant);
    QCOMPARE(p.pageWidthMm, width);
    QCOMPARE(p.pageHeightMm, height);
    QCOMPARE(p.bandWidthMm, bandWidth);
    QCOMPARE(p.bandHeightMm, bandHeight);
}

// The wrapped items per template: item name in the single variant, record,
// column and the four widths (single, batch, Excel single, Excel batch).
void TestCatalogue::wrapWidths_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("itemName");
    QTest::addColumn<Source>("source");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QList<int>>("widths");
    QTest::addColumn<int>("hooksPerWindow");
    struct Address
    {
        const char* code;
        const char* recipientItem;
        QList<int> widths;
        int hooks;
    };
    const Address addresses[] = {
        {"st", "QRDBText7", {39, 39, 39, 39}, 2},   {"st1", "QRDBText7", {39, 39, 39, 39}, 2},
        {"ht", "QRDBText12", {39, 39, 39, 39}, 2},  {"sf", "QRDBText12", {37, 35, 35, 35}, 5},
        {"sf1", "QRDBText12", {35, 35, 35, 35}, 5}, {"sf2", "QRDBText12", {35, 35, 35, 35}, 5},
        {"cces", "QRDBText7", {35, 35, 35, 35}, 2}, {"tt", "QRDBText7", {39, 39, 39, 39}, 2},
        {"tt1", "QRDBText7", {39, 39, 39, 39}, 2},  {"gt", "QRDBText7", {35, 35, 35, 35}, 2},
        {"yt", "QRDBText12", {41, 41, 41, 41}, 2},  {"yt1", "QRDBText12", {41, 41, 41, 41}, 2},
        {"yd", "QRDBText12", {39, 39, 39, 39}, 2},  {"zt", "QRDBText12", {39, 39, 39, 41}, 2},
        {"zt1", "QRDBText12", {39, 39, 39, 39}, 2}, {"zjs", "QRDBText12", {39, 35, 39, 39}, 2},
        {"ems", "QRDBText12", {39, 39, 39, 39}, 2}, {"ems1", "QRDBText12", {39, 39, 39, 39}, 3},
        {"se", "QRDBText12", {39, 39, 39, 41}, 2},  {"qy", "QRDBText12", {39, 39, 39, 41}, 2},
    };
    for (const Address& a : addresses) {
        QTest::addRow("%s sender 地址", a.code)
            << a.code << "QRDBText5" << Source::Sender << "地址" << a.widths << a.hooks;
        QTest::addRow("%s recipient 地址", a.code)
            << a.code << a.recipientItem << Source::Recipient << "地址" << a.widths << a.hooks;
    }
    for (const char* code : {"sf", "sf1", "sf2"}) {
        QTest::addRow("%s 寄件单位", code)
            << code << "QRDBText4" << Source::Sender << "寄件单位" << QList<int>{19, 19, 19, 19} << 5;
        QTest::addRow("%s 备注", code)
            << code << "QRDBText6" << Source::Recipient << "备注" << QList<int>{21, 21, 21, 21} << 5;
    }
    QTest::newRow("sf 收件单位") << "sf"
                                 << "QRDBText11" << Source::Recipient << "收件单位"
                                 << QList<int>{19, 19, 19, 19} << 5;
    QTest::newRow("sf1 收件单位") << "sf1"
                                  << "QRDBText11" << Source::Recipient << "收件单位"
                                  << QList<int>{19, 19, 19, 15} << 5;
    QTest::newRow("sf2 收件单位") << "sf2"
                                  << "QRDBText11" << Source::Recipient << "收件单位"
                                  << QList<int>{19, 19, 19, 15} << 5;
    QTest::newRow("ems1 备注") << "ems1"
                               << "QRDBText14" << Source::Recipient << "备注" << QList<int>{15, 15, 15, 15}
                               << 3;
}

void TestCatalogue::wrapWidths()
{
    QFETCH(QString, code);
    QFETCH(QString, itemName);
    QFETCH(Source, source);
    QFETCH(QString, column);
    QFETCH(QList<int>, widths);
    QFETCH(int, hooksPerWindow);
    const Item* single = itemOf(code, Variant::Single, source, column);
    QVERIFY(single);
    QCOMPARE(QString::fromLatin1(single->name), itemName);
    for (int v = 0; v < kVariantCount; ++v) {
        const Item* it = itemOf(code, Variant(v), source, column);
        QVERIFY(it);
        QCOMPARE(it->wrap, widths[v]);
        // No item outside the tables carries a hook.
        const Page& p = pageOf(code, Variant(v));
        int hooks = 0;
        for (int k = 0; k < p.itemCount; ++k)
            hooks += p.items[k].wrap > 0 ? 1 : 0;
        QCOMPARE(hooks, hooksPerWindow);
    }
}

void TestCatalogue::fontExceptions()
{
    int opaque = 0;
    int notTwelve = 0;
    for (int i = 0; i < templateCount(); ++i) {
        const Template& t = templateAt(i);
        for (Variant v : kAll) {
            const Page& p = t.variant(v);
            for (int k = 0; k < p.itemCount; ++k) {
                QVERIFY(p.items[k].bold);
                opaque += p.items[k].opaque ? 1 : 0;
                notTwelve += p.items[k].fontPt != 12 ? 1 : 0;
            }
        }
    }
    // sf, sf1, sf2: both 城市 items in four variants; tt1: 数量 in four.
    QCOMPARE(opaque, 3 * 2 * 4 + 4);
    QCOMPARE(notTwelve, 2);
    QCOMPARE(itemOf("sf1", Variant::Single, Source::Recipient, "备注")->fontPt, 14);
    QCOMPARE(itemOf("sf2", Variant::Single, Source::Recipient, "备注")->fontPt, 14);
    QCOMPARE(itemOf("sf1", Variant::Batch, Source::Recipient, "备注")->fontPt, 12);
    QVERIFY(itemOf("tt1", Variant::ExcelBatch, Source::Recipient, "数量")->opaque);
    QCOMPARE(itemOf("tt1", Variant::ExcelBatch, Source::Recipient, "数量")->charset, Charset::Ansi);
    QCOMPARE(itemOf("tt1", Variant::ExcelBatch, Source::Recipient, "内件品名")->charset, Charset::GB2312);
    QCOMPARE(itemOf("sf", Variant::Batch, Source::Sender, "城市")->charset, Charset::Ansi);
    QCOMPARE(itemOf("sf", Variant::Batch, Source::Sender, "姓名")->charset, Charset::GB2312);
    QCOMPARE(itemOf("sf1", Variant::Batch, Source::Sender, "姓名")->charset, Charset::Ansi);
    QCOMPARE(itemOf("st", Variant::Single, Source::Sender, "姓名")->charset, Charset::Ansi);
    QCOMPARE(itemOf("st", Variant::Batch, Source::Sender, "姓名")->charset, Charset::GB2312);
    QCOMPARE(itemOf("ems", Variant::ExcelSingle, Source::Recipient, "姓名")->charset, Charset::Ansi);
    QCOMPARE(itemOf("ems1", Variant::Batch, Source::Recipient, "姓名")->charset, Charset::GB2312);
}

void TestCatalogue::spotChecks_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<Variant>("variant");
    QTest::addColumn<Source>("source");
    QTest::addColumn<QString>("column");
    QTest::addColumn<double>("left");
    QTest::addColumn<double>("top");
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("height");
    const Source S = Source::Sender;
    const Source R = Source::Recipient;
    const Variant Si = Variant::Single, Ba = Variant::Batch, ES = Variant::ExcelSingle,
                  EB = Variant::ExcelBatch;
    auto row = [](const char* tag) -> QTestData& { return QTest::newRow(tag); };
    row("st S 姓名") << "st" << Si << S << "姓名" << 31.8 << 27.5 << 9.3 << 5.3;
    row("st EB 电话") << "st" << EB << S << "电话" << 67.7 << 63.8 << 9.3 << 5.3;
    row("st B 月") << "st" << Ba << S << "月" << 29.6 << 103.7 << 4.8 << 5.3;
    row("st1 ES 寄件单位") << "st1" << ES << S << "寄件单位" << 28.6 << 54.5 << 18.3 << 5.3;
    row("st1 S 地址") << "st1" << Si << R << "地址" << 112.2 << 41.0 << 9.3 << 13.2;
    row("ht ES 地址") << "ht" << ES << R << "地址" << 112.2 << 44.5 << 9.3 << 12.4;
    row("ht EB 地址") << "ht" << EB << S << "地址" << 19.1 << 44.5 << 9.3 << 13.8;
    row("ht B 年") << "ht" << Ba << S << "年" << 16.9 << 104.0 << 4.8 << 5.3;
    row("sf B 寄件单位") << "sf" << Ba << S << "寄件单位" << 27.5 << 37.0 << 18.3 << 9.8;
    row("sf EB 收件单位") << "sf" << EB << R << "收件单位" << 27.5 << 72.5 << 18.3 << 11.4;
    row("sf S 备注") << "sf" << Si << R << "备注" << 154.5 << 127.8 << 9.3 << 10.8;
    row("sf1 S 备注") << "sf1" << Si << R << "备注" << 152.4 << 124.9 << 10.8 << 10.8;
    row("sf1 B 收件单位") << "sf1" << Ba << R << "收件单位" << 27.0 << 77.0 << 18.3 << 9.3;
    row("sf1 ES 地址") << "sf1" << ES << R << "地址" << 16.9 << 86.5 << 9.3 << 11.6;
    row("sf2 EB 地址") << "sf2" << EB << S << "地址" << 16.9 << 52.9 << 9.3 << 11.9;
    row("sf2 ES 内件品名") << "sf2" << ES << R << "内件品名" << 19.1 << 121.7 << 18.3 << 5.3;
    row("cces B 手机") << "cces" << Ba << S << "手机" << 32.0 << 57.9 << 9.3 << 5.3;
    row("cces EB 地址") << "cces" << EB << R << "地址" << 124.9 << 28.6 << 9.3 << 14.0;
    row("tt EB 电话") << "tt" << EB << R << "电话" << 162.5 << 72.0 << 9.3 << 5.3;
    row("tt S 地址") << "tt" << Si << S << "地址" << 21.2 << 44.5 << 9.3 << 17.2;
    row("tt1 B 地址") << "tt1" << Ba << R << "地址" << 114.3 << 51.6 << 9.3 << 13.8;
    row("tt1 S 数量") << "tt1" << Si << R << "数量" << 97.4 << 74.1 << 9.3 << 4.5;
    row("gt EB 寄件单位") << "gt" << EB << S << "寄件单位" << 28.0 << 43.9 << 18.3 << 5.3;
    row("gt S 日") << "gt" << Si << S << "日" << 36.0 << 109.3 << 4.8 << 5.3;
    row("yt ES 签名") << "yt" << ES << S << "签名" << 31.8 << 97.4 << 9.3 << 5.3;
    row("yt EB 数量") << "yt" << EB << R << "数量" << 82.6 << 76.7 << 9.3 << 5.3;
    row("yt1 S 手机") << "yt1" << Si << S << "手机" << 40.2 << 57.7 << 9.3 << 5.3;
    row("yt1 EB 地址") << "yt1" << EB << S << "地址" << 16.9 << 42.9 << 9.3 << 13.8;
    row("yd B 地址") << "yd" << Ba << S << "地址" << 21.2 << 40.2 << 9.3 << 17.2;
    row("yd ES 地址") << "yd" << ES << R << "地址" << 110.1 << 40.2 << 9.3 << 15.1;
    row("zt ES 收件单位") << "zt" << ES << R << "收件单位" << 122.8 << 54.0 << 18.3 << 5.6;
    row("zt EB 月") << "zt" << EB << S << "月" << 35.7 << 98.4 << 4.8 << 5.3;
    row("zt1 EB 备注") << "zt1" << EB << R << "备注" << 78.3 << 103.7 << 9.3 << 5.3;
    row("zt1 S 地址") << "zt1" << Si << R << "地址" << 109.5 << 37.6 << 9.3 << 12.2;
    row("zjs B 地址") << "zjs" << Ba << S << "地址" << 18.5 << 43.1 << 9.3 << 10.8;
    row("zjs S 年") << "zjs" << Si << S << "年" << 116.4 << 110.1 << 4.8 << 5.3;
    row("ems S 年") << "ems" << Si << S << "年" << 67.5 << 23.3 << 4.8 << 5.3;
    row("ems ES 日") << "ems" << ES << S << "日" << 87.6 << 23.3 << 4.8 << 5.3;
    row("ems1 B 地址") << "ems1" << Ba << S << "地址" << 27.5 << 39.7 << 9.3 << 11.4;
    row("ems1 EB 地址") << "ems1" << EB << S << "地址" << 27.5 << 39.7 << 9.3 << 9.3;
    row("ems1 B 备注") << "ems1" << Ba << R << "备注" << 169.3 << 96.8 << 9.3 << 11.4;
    row("se S 城市") << "se" << Si << S << "城市" << 165.9 << 16.9 << 9.3 << 5.3;
    row("se ES 收件单位") << "se" << ES << R << "收件单位" << 27.5 << 56.1 << 18.3 << 5.6;
    row("qy B 地址") << "qy" << Ba << R << "地址" << 122.2 << 40.2 << 9.3 << 8.7;
    row("qy B 内件品名") << "qy" << Ba << R << "内件品名" << 31.8 << 80.4 << 18.3 << 5.3;
}

void TestCatalogue::spotChecks()
{
    QFETCH(QString, code);
    QFETCH(Variant, variant);
    QFETCH(Source, source);
    QFETCH(QString, column);
    const Item* it = itemOf(code, variant, source, column);
    QVERIFY(it);
    QTEST(it->leftMm, "left");
    QTEST(it->topMm, "top");
    QTEST(it->widthMm, "width");
    QTEST(it->heightMm, "height");
}

void TestCatalogue::pictures_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("st") << "st" << 869 << 474;
    QTest::newRow("st1") << "st1" << 873 << 480;
    QTest::newRow("ht") << "ht" << 1353 << 757;
    QTest::newRow("sf") << "sf" << 1687 << 1098;
    QTest::newRow("sf1") << "sf1" << 1272 << 820;
    QTest::newRow("sf2") << "sf2" << 2733 << 1796;
    QTest::newRow("cces") << "cces" << 1808 << 1002;
    QTest::newRow("tt") << "tt" << 869 << 474;
    QTest::newRow("tt1") << "tt1" << 868 << 480;
    QTest::newRow("gt") << "gt" << 869 << 474;
    QTest::newRow("yt") << "yt" << 1800 << 1003;
    QTest::newRow("yt1") << "yt1" << 1800 << 1003;
    QTest::newRow("yd") << "yd" << 1353 << 752;
    QTest::newRow("zt") << "zt" << 869 << 474;
    QTest::newRow("zt1") << "zt1" << 872 << 480;
    QTest::newRow("zjs") << "zjs" << 2718 << 1654;
    QTest::newRow("ems") << "ems" << 869 << 474;
    QTest::newRow("ems1") << "ems1" << 870 << 480;
    QTest::newRow("se") << "se" << 879 << 484;
    QTest::newRow("qy") << "qy" << 869 << 474;
}

void TestCatalogue::pictures()
{
    QFETCH(QString, code);
    QFETCH(int, width);
    QFETCH(int, height);
    const Template* t = findTemplate(code);
    QVERIFY(t);
    QCOMPARE(QString::fromLatin1(t->picture), QStringLiteral(":/layouts/%1.jpg").arg(code));
    for (Variant v : kAll) {
        QCOMPARE(t->variant(v).pictureWidthPx, width);
        QCOMPARE(t->variant(v).pictureHeightPx, height);
    }
    const QImage image(QString::fromLatin1(t->picture));
    QVERIFY2(!image.isNull(), t->picture);
    QCOMPARE(image.size(), QSize(width, height));
    // A form, not a blank sheet: the corners are paper, the boxes are ink.
    QVERIFY(qGray(image.pixel(1, 1)) > 230);
    int dark = 0;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3)
            dark += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
    QVERIFY(dark > 100);
}

void TestCatalogue::jsonDump()
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(catalogueJson(), &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
    const QJsonArray templates = doc.object().value("templates").toArray();
    QCOMPARE(templates.size(), 20);
    int variants = 0;
    for (int i = 0; i < templates.size(); ++i) {
        const QJsonObject t = templates.at(i).toObject();
        const Template& tpl = templateAt(i);
        QCOMPARE(t.value("code").toString(), QString::fromLatin1(tpl.code));
        QCOMPARE(t.value("caption").toString(), QString::fromUtf8(tpl.caption));
        QCOMPARE(t.value("menu_caption").toString(), QString::fromUtf8(tpl.menuCaption));
        const QJsonObject vs = t.value("variants").toObject();
        QCOMPARE(vs.keys().size(), 4);
        for (Variant v : kAll) {
            const QJsonObject p = vs.value(variantName(v)).toObject();
            QVERIFY(!p.isEmpty());
            ++variants;
            const Page& page = tpl.variant(v);
            QCOMPARE(p.value("class").toString(), QString::fromLatin1(page.className));
            QCOMPARE(p.value("page").toObject().value("height_mm").toDouble(), page.pageHeightMm);
            QCOMPARE(p.value("band").toObject().value("height_mm").toDouble(), page.bandHeightMm);
            QCOMPARE(p.value("picture").toObject().value("width_px").toInt(), page.pictureWidthPx);
            QCOMPARE(p.value("picture").toObject().value("top_mm").toDouble(), page.pictureTopMm);
            const QJsonArray items = p.value("items").toArray();
            QCOMPARE(items.size(), page.itemCount);
            for (int k = 0; k < items.size(); ++k) {
                const QJsonObject it = items.at(k).toObject();
                const Item& item = page.items[k];
                QCOMPARE(it.keys().size(), 12);
                QCOMPARE(it.value("name").toString(), QString::fromLatin1(item.name));
                QCOMPARE(it.value("column").toString(), QString::fromUtf8(item.column));
                QCOMPARE(it.value("source").toString(), sourceName(item.source));
                QCOMPARE(it.value("charset").toString(), charsetName(item.charset));
                QCOMPARE(it.value("left_mm").toDouble(), item.leftMm);
                QCOMPARE(it.value("height_mm").toDouble(), item.heightMm);
                QCOMPARE(it.value("opaque").toBool(), item.opaque);
                if (item.wrap > 0)
                    QCOMPARE(it.value("wrap").toInt(), item.wrap);
                else
                    QVERIFY(it.value("wrap").isNull());
            }
        }
    }
    QCOMPARE(variants, 80);
    // Millimetres print as written: 31.8, not 31.800000000000001.
    QVERIFY(catalogueJson().contains("\"left_mm\": 31.8, \"top_mm\": 27.5,"));
    QVERIFY(catalogueJson().contains("\"height_mm\": 141.02}"));
}

QTEST_MAIN(TestCatalogue)
#include "test_catalogue.moc"
