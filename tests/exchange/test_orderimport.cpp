#include "data/recognition/AddressParser.h"
#include "data/recognition/RegionTable.h"
#include "data/store/AppInfo.h"
#include "data/store/Database.h"
#include "data/store/Schema.h"
#include "exchange/Biff8Writer.h"
#include "exchange/CsvReader.h"
#include "exchange/OrderFile.h"
#include "exchange/OrderImporter.h"
#include "exchange/OrderMapping.h"
#include "exchange/XlsxTextWriter.h"

#include "tests/TestStore.h"

#include <QFile>
#include <QSettings>
#include <QSqlQuery>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using Field = OrderMapping::Field;

// Order exports of the shop platforms: header lines as the platforms name
// their columns, with invented orders.
class TestOrderImport : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void platformHeaders_data();
    void platformHeaders();
    void remembersPerHeaderSet();
    void readsEncodingsAndQuoting_data();
    void readsEncodingsAndQuoting();
    void flagsWhatIsNotClean_data();
    void flagsWhatIsNotClean();
    void appendNeverDeletes_data();
    void appendNeverDeletes();
    void summaryCounts_data();
    void summaryCounts();

private:
    OrderFile csv(const QString& text);
    QStringList rows(const QString& table);
    void exec(const QString& sql, const QVariantList& binds = {});

    QTemporaryDir m_dir;
    RegionTable m_regions;
    std::unique_ptr<AddressParser> m_parser;
    Database m_db;
};

// A header line and the order lines under it, as one text.
OrderFile TestOrderImport::csv(const QString& text)
{
    OrderFile f;
    f.setTable(CsvReader::parse(text));
    return f;
}

// A table's rows in key order, the ten import columns joined by "|".
QStringList TestOrderImport::rows(const QString& table)
{
    QStringList cols;
    for (const QString& c : Schema::importColumns())
        cols << QStringLiteral("coalesce(%1, '')").arg(Schema::quoted(c));
    QStringList out;
    QSqlQuery q(m_db.db());
    if (!q.exec(
            QStringLiteral("SELECT %1 FROM %2 ORDER BY \"序号\"").arg(cols.join(QLatin1Char(',')), table)))
        qWarning("%s", qPrintable(q.lastError().text()));
    while (q.next()) {
        QStringList r;
        for (int c = 0; c < cols.size(); ++c)
            r << q.value(c).toString();
        out << r.join(QLatin1Char('|'));
    }
    return out;
}

void TestOrderImport::exec(const QString& sql, const QVariantList& binds)
{
    QString error;
    QVERIFY2(m_db.exec(sql, binds, &error), qPrintable(error));
}

void TestOrderImport::initTestCase()
{
    WAYBILL_REQUIRE_STORE();
    QString error;
    QVERIFY2(m_regions.loadBuiltIn(&error), qPrintable(error));
    m_parser = std::make_unique<AddressParser>(m_regions);
}

void TestOrderImport::init()
{
    m_db.close();
    static int n = 0;
    QString error;
    QVERIFY2(m_db.open(TestStore::location(m_dir.filePath(QStringLiteral("d%1.mdb").arg(++n))), &error),
             qPrintable(error));
    // A recipient already in the book, and a printed row in the Excel list.
    exec(QStringLiteral(
        "INSERT INTO inr (\"姓名\", \"城市\", \"地址\", \"手机\", \"内件品名\", \"数量\", \"备注\") "
        "VALUES ('周建国', '杭州市', '浙江省杭州市西湖区文三路100号', '13900001111', '茶叶', '1', "
        "'老客户')"));
    exec(QStringLiteral("INSERT INTO excel (\"姓名\", \"地址\", \"已打印\") VALUES ('旧行', '旧地址', '1')"));
}

void TestOrderImport::platformHeaders_data()
{
    QTest::addColumn<QString>("file");
    // Each mapped column as header=key, in file order; others stay unmapped.
    QTest::addColumn<QString>("mapping");
    // 姓名|城市|邮编|收件单位|地址|手机|电话|内件品名|数量|备注 of the first order row.
    QTest::addColumn<QString>("stored");

    QTest::newRow("Taobao/Tmall")
        << "订单编号,买家会员名,买家支付宝账号,买家应付货款,买家应付邮费,总金额,订单状态,买家留言,收货人姓名,"
           "收货地址 ,运送方式,联系电话 ,联系手机,订单创建时间,订单付款时间 ,宝贝标题 ,宝贝种类,物流单号 ,"
           "物流公司,订单备注,宝贝总数量\n"
           "=\"1234567890123456\",buyer_a,a@example.com,58.00,0.00,58.00,买家已付款,周末送,王小明,"
           "\"浙江省 杭州市 西湖区 文三路478号华星大厦A座(310012)\",快递,,'13912345678,2026-12-01 10:00:00,"
           "2026-12-01 10:01:00,加厚保温杯 500ml,1,,,,2\n"
        << "订单编号=订单编号;买家留言=备注;收货人姓名=姓名;收货地址=完整地址;联系电话=电话;联系手机=手机;"
           "宝贝标题=内件品名;订单备注=备注;宝贝总数量=数量"
        << "王小明|杭州市|310012||浙江省杭州市西湖区文三路478号华星大厦A座|13912345678||加厚保温杯 500ml|2|"
           "订单编号 1234567890123456；周末送";
    QTest::newRow("Pinduoduo")
        << "商品,订单号,订单状态,商品总价(元),店铺优惠折扣(元),用户实付金额(元),商品数量(件),收货人,手机,省,"
           "市,区,"
           "街道,详细地址,商家备注,买家留言,样式,快递单号\n"
           "儿童雨衣,261201-123456789012345,待发货,39.9,0,39.9,1,陈静,15011112222,江苏省,南京市,鼓楼区,"
           "宁海路街道,宁海路12号3栋201,,,黄色 110码,\n"
        << "商品=内件品名;订单号=订单编号;商品数量(件)=数量;收货人=姓名;手机=手机;省=省;市=市;区=区;街道="
           "街道;"
           "详细地址=详细地址;商家备注=备注;买家留言=备注"
        << "陈静|南京市|||江苏省南京市鼓楼区宁海路街道宁海路12号3栋201|15011112222||儿童雨衣|1|"
           "订单编号 261201-123456789012345";
    QTest::newRow("Douyin shop")
        << "主订单编号,子订单编号,选购商品,商品规格,商品数量,商品金额,订单应付金额,运费,收件人,收件人手机号,"
           "省,市,"
           "区,街道,详细地址,买家留言,商家备注,订单提交时间,订单状态\n"
           "6912345678901234567,6912345678901234568,手工皂礼盒,三块装,3,45,45,0,刘洋,18622223333,四川省,"
           "成都市,"
           "武侯区,,天府大道北段1700号,放门口,,2026/12/01 09:00,待发货\n"
        << "主订单编号=订单编号;选购商品=内件品名;商品数量=数量;收件人=姓名;收件人手机号=手机;省=省;市=市;区="
           "区;"
           "街道=街道;详细地址=详细地址;买家留言=备注;商家备注=备注"
        << "刘洋|成都市|||四川省成都市武侯区天府大道北段1700号|18622223333||手工皂礼盒|3|订单编号 "
           "6912345678901234567；放门口";
    QTest::newRow("JD")
        << "订单号,商品ID,商品名称,订购数量,支付方式,下单时间,京东价,订单金额,结算金额,应付金额,订单状态,"
           "订单类型,"
           "下单帐号,客户姓名,客户地址,联系电话,订单备注,发票类型,邮编\n"
           "280012345678,100012345,蓝牙耳机,1,在线支付,2026-12-01 08:00:00,199,199,199,199,等待出库,普通订单,"
           "jd_user,赵敏,湖北省武汉市洪山区珞喻路1037号,13733334444,,电子发票,430074\n"
        << "订单号=订单编号;商品名称=内件品名;订购数量=数量;客户姓名=姓名;客户地址=完整地址;联系电话=手机;"
           "订单备注=备注;邮编=邮编"
        << "赵敏|武汉市|430074||湖北省武汉市洪山区珞喻路1037号|13733334444||蓝牙耳机|1|订单编号 280012345678";
    QTest::newRow("WeChat shop")
        << "订单号,下单时间,订单状态,商品名称,商品规格,商品数量,实付金额,收货人,收货人手机号,省份,城市,区县,"
           "详细地址,买家备注\n"
           "3721234567890,2026-12-01 12:00:00,待发货,红枣 "
           "1kg,特级,2,68,孙丽,13544445555,山东省,济南市,历下区,"
           "泉城路88号,\n"
        << "订单号=订单编号;商品名称=内件品名;商品数量=数量;收货人=姓名;收货人手机号=手机;省份=省;城市=市;"
           "区县=区;"
           "详细地址=详细地址;买家备注=备注"
        << "孙丽|济南市|||山东省济南市历下区泉城路88号|13544445555||红枣 1kg|2|订单编号 3721234567890";
    QTest::newRow("the program's own list")
        << "姓名,城市,邮编,收件单位,地址,手机,电话,内件品名,数量,备注\n"
           "钱进,广州市,510000,某某贸易公司,广州市天河区体育西路1号,13655556666,020-12345678,文件,1,急\n"
        << "姓名=姓名;城市=城市;邮编=邮编;收件单位=收件单位;地址=地址;手机=手机;电话=电话;内件品名=内件品名;"
           "数量=数量;备注=备注"
        << "钱进|广州市|510000|某某贸易公司|广州市天河区体育西路1号|13655556666|020-12345678|文件|1|急";
}

void TestOrderImport::platformHeaders()
{
    QFETCH(QString, file);
    QFETCH(QString, mapping);
    QFETCH(QString, stored);
    const OrderFile f = csv(file);
    const OrderMapping m = OrderMapping::propose(f.headers());
    QStringList got;
    for (int c = 0; c < m.columnCount(); ++c)
        if (m.field(c) != Field::None)
            got << m.headers().at(c) + QLatin1Char('=') + OrderMapping::key(m.field(c));
    QCOMPARE(got.join(QLatin1Char(';')), mapping);
    OrderPlan plan;
    QString error;
    QVERIFY2(OrderImporter::prepare(f, m, *m_parser, &plan, &error), qPrintable(error));
    QCOMPARE(plan.rows.size(), 1);
    QCOMPARE(plan.rows.first().values.join(QLatin1Char('|')), stored);
    QCOMPARE(plan.rows.first().problems(), QString());
}

void TestOrderImport::remembersPerHeaderSet()
{
    // What an earlier run of the test left in its own settings goes first.
    QSettings(QSettings::NativeFormat, QSettings::UserScope, AppInfo::organization())
        .remove(QStringLiteral("orderMapping"));
    const QStringList headers = {QStringLiteral("收货人"), QStringLiteral("电话"),
                                 QStringLiteral("地址信息")};
    OrderMapping m = OrderMapping::forHeaders(headers);
    QCOMPARE(m.field(2), Field::None);
    QVERIFY(!m.isRemembered());
    QString error;
    QVERIFY2(m.apply(QStringLiteral("地址信息=完整地址"), &error), qPrintable(error));
    QVERIFY(!m.apply(QStringLiteral("没有这列=姓名"), &error));
    QVERIFY(!m.apply(QStringLiteral("3=地址栏"), &error));
    QVERIFY2(m.remember(&error), qPrintable(error));
    QCOMPARE(OrderMapping::forHeaders(headers).field(2), Field::FullAddress);
    // Another set of headers is proposed afresh.
    QCOMPARE(OrderMapping::forHeaders(headers.mid(0, 2) << QStringLiteral("备注")).field(2), Field::Remark);
}

void TestOrderImport::readsEncodingsAndQuoting_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("bytes");
    // Rows joined by " / ", cells by "|"; the header row first.
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("headerRow");

    const QString text = QStringLiteral("收货人,地址\n张三,北京市朝阳区\n");
    const QString two = QStringLiteral("收货人|地址 / 张三|北京市朝阳区");
    QStringEncoder gb("GB18030");
    QStringEncoder utf16(QStringConverter::Utf16LE);
    QTest::newRow("UTF-8") << "csv" << text.toUtf8() << two << 0;
    QTest::newRow("UTF-8 with BOM") << "csv" << QByteArray("\xEF\xBB\xBF" + text.toUtf8()) << two << 0;
    QTest::newRow("GBK/GB18030") << "csv" << QByteArray(gb(text + QStringLiteral("李四,𠀀镇\n")))
                                 << two + QStringLiteral(" / 李四|𠀀镇") << 0;
    QTest::newRow("UTF-16 with BOM, tabs")
        << "csv"
        << QByteArray("\xFF\xFE" +
                      QByteArray(utf16(QString(text).replace(QLatin1Char(','), QLatin1Char('\t')))))
        << two << 0;
    QTest::newRow("tabs, CRLF, blank lines")
        << "csv" << QStringLiteral("收货人\t地址\r\n\r\n张三\t北京市朝阳区\r\n\r\n").toUtf8() << two << 0;
    QTest::newRow("quoted separators, line breaks, doubled quotes")
        << "csv"
        << QStringLiteral(
               "收货人,地址,备注\n\"张,三\",\"北京市\n朝阳区\",\"说\"\"快\"\"\"\n\"李四\",,\"x\"y\n")
               .toUtf8()
        << QStringLiteral("收货人|地址|备注 / 张,三|北京市\n朝阳区|说\"快\" / 李四||xy") << 0;
    QTest::newRow("unclosed quote at the end")
        << "csv" << QStringLiteral("收货人,地址\n张三,\"北京市").toUtf8()
        << QStringLiteral("收货人|地址 / 张三|北京市") << 0;
    QTest::newRow("a title line before the header")
        << "csv" << QStringLiteral("订单导出 2026-12-01\n收货人,地址\n张三,北京市朝阳区\n").toUtf8()
        << QStringLiteral("订单导出 2026-12-01 / ") + two << 1;
    QTest::newRow(".xlsx") << "xlsx" << text.toUtf8() << two << 0;
    QTest::newRow(".xls") << "xls" << text.toUtf8() << two << 0;
}

void TestOrderImport::readsEncodingsAndQuoting()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QFETCH(int, headerRow);
    const QString path = m_dir.filePath(QStringLiteral("orders.") + kind);
    QString error;
    if (kind == QLatin1String("csv")) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    } else {
        const QVector<QStringList> cells = CsvReader::parse(QString::fromUtf8(bytes)).lists();
        if (kind == QLatin1String("xlsx")) {
            XlsxTextWriter w(path);
            QVERIFY(w.open(&error) && w.addSheet(QStringLiteral("Sheet1"), &error));
            for (const QStringList& r : cells)
                QVERIFY(w.addRow(r, &error));
            QVERIFY2(w.close(&error), qPrintable(error));
        } else {
            Biff8Writer w;
            w.addSheet(QStringLiteral("Sheet1"));
            for (const QStringList& r : cells)
                QVERIFY(w.addRow(r));
            QVERIFY2(w.save(path, &error), qPrintable(error));
        }
    }
    OrderFile f;
    QVERIFY2(f.read(path, &error), qPrintable(error));
    QStringList got;
    for (const QStringList& r : f.table().lists())
        got << r.join(QLatin1Char('|'));
    QCOMPARE(got.join(QStringLiteral(" / ")), expected);
    QCOMPARE(f.headerRow(), headerRow);
}

void TestOrderImport::flagsWhatIsNotClean_data()
{
    // Order lines under 收货人,联系手机,收货地址,宝贝标题.
    QTest::addColumn<QString>("lines");
    // For each row kept: its file row and its problems; then the rows left out.
    QTest::addColumn<QString>("expected");

    QTest::newRow("clean") << "吴磊,13811112222,北京市海淀区中关村大街1号,书\n"
                           << "2:; left out: ";
    QTest::newRow("masked name, mobile and address")
        << "吴*,138****2222,北京市海淀区中关村***,书\n"
        << "2:姓名被平台隐藏或加密；手机被平台隐藏或加密；地址被平台隐藏或加密; left out: ";
    QTest::newRow("encrypted tokens")
        << "~AgAAAAEx3bZ9fQ8Hk2vW~,$pP0x8Y2mKq7RtZ1vN3sB$,北京市海淀区中关村大街1号,书\n"
        << "2:姓名被平台隐藏或加密；手机被平台隐藏或加密; left out: ";
    QTest::newRow("a star in the goods is no mask") << "吴磊,13811112222,北京市海淀区中关村大街1号,线 2*3m\n"
                                                    << "2:; left out: ";
    QTest::newRow("neither name nor address")
        << ",13811112222,,书\n,,,\n吴磊,13811112222,北京市海淀区中关村大街1号,书\n"
        << "4:; left out: 2";
    QTest::newRow("no address, no name, no number")
        << "吴磊,13811112222,,书\n,,北京市海淀区中关村大街1号,书\n"
        << "2:缺少地址 / 3:缺少姓名；缺少手机; left out: ";
    QTest::newRow("equal to a stored recipient, blanks aside")
        << "周建国,139 0000 1111,浙江省杭州市西湖区文三路100号,茶叶\n"
        << "2:与已有收件人重复; left out: ";
    QTest::newRow("equal to an earlier row, not to a masked one")
        << "吴磊,13811112222,北京市海淀区中关村大街1号,书\n吴磊,13811112222,北京市海淀区中关村大街1号,笔\n"
           "吴*,138****2222,北京市海淀区中关村***,书\n吴*,138****2222,北京市海淀区中关村***,书\n"
        << "2: / 3:与文件中前面的一行重复 / "
           "4:姓名被平台隐藏或加密；手机被平台隐藏或加密；地址被平台隐藏或加密 / "
           "5:姓名被平台隐藏或加密；手机被平台隐藏或加密；地址被平台隐藏或加密; left out: ";
}

void TestOrderImport::flagsWhatIsNotClean()
{
    QFETCH(QString, lines);
    QFETCH(QString, expected);
    const OrderFile f = csv(QStringLiteral("收货人,联系手机,收货地址,宝贝标题\n") + lines);
    OrderPlan plan;
    QString error;
    QVERIFY2(OrderImporter::prepare(f, OrderMapping::propose(f.headers()), *m_parser, &plan, &error),
             qPrintable(error));
    QVERIFY2(OrderImporter::markDuplicates(m_db, OrderImporter::Destination::Recipients, &plan, &error),
             qPrintable(error));
    QStringList got;
    for (const OrderRow& r : plan.rows)
        got << QString::number(r.fileRow) + QLatin1Char(':') + r.problems();
    QStringList left;
    for (int r : plan.blankRows)
        left << QString::number(r);
    QCOMPARE(got.join(QStringLiteral(" / ")) + QStringLiteral("; left out: ") + left.join(QLatin1Char(',')),
             expected);
}

void TestOrderImport::appendNeverDeletes_data()
{
    QTest::addColumn<bool>("toExcel");
    QTest::addColumn<bool>("merge");
    QTest::addColumn<bool>("cancel");
    // What the stored recipient (周建国) holds afterwards.
    QTest::addColumn<QString>("kept");
    QTest::newRow("skip") << false << false << false
                          << "周建国|杭州市|||浙江省杭州市西湖区文三路100号|13900001111||茶叶|1|老客户";
    QTest::newRow("merge")
        << false << true << false
        << "周建国|杭州市|||浙江省杭州市西湖区文三路100号|13900001111||茶叶；茶杯|3|老客户";
    QTest::newRow("cancelled") << false << false << true
                               << "周建国|杭州市|||浙江省杭州市西湖区文三路100号|13900001111||茶叶|1|老客户";
    QTest::newRow("into the Excel list")
        << true << false << false
        << "周建国|杭州市|||浙江省杭州市西湖区文三路100号|13900001111||茶叶|1|老客户";
    QTest::newRow("into the Excel list, cancelled")
        << true << false << true
        << "周建国|杭州市|||浙江省杭州市西湖区文三路100号|13900001111||茶叶|1|老客户";
}

void TestOrderImport::appendNeverDeletes()
{
    QFETCH(bool, toExcel);
    QFETCH(bool, merge);
    QFETCH(bool, cancel);
    QFETCH(QString, kept);
    exec(QStringLiteral("INSERT INTO inr (\"姓名\", \"地址\") VALUES ('郑一', '上海市黄浦区南京东路1号')"));
    const QStringList before = rows(Schema::kRecipientTable);
    const QStringList excelBefore = rows(Schema::kExcelTable);
    const OrderFile f = csv(QStringLiteral("收货人,联系手机,收货地址,宝贝标题,数量\n"
                                           "周建国,13900001111,浙江省杭州市西湖区文三路100号,茶杯,2\n"
                                           "吴磊,13811112222,北京市海淀区中关村大街1号,书,1\n"
                                           "吴磊,13811112222,北京市海淀区中关村大街1号,书,1\n"));
    OrderPlan plan;
    QString error;
    QVERIFY2(OrderImporter::prepare(f, OrderMapping::propose(f.headers()), *m_parser, &plan, &error),
             qPrintable(error));
    const auto to = toExcel ? OrderImporter::Destination::ExcelList : OrderImporter::Destination::Recipients;
    const auto rule = merge ? OrderImporter::Duplicates::Merge : OrderImporter::Duplicates::Skip;
    const OrderImporter::Result r =
        OrderImporter::store(m_db, plan, to, rule, [cancel](int) { return !cancel; });
    QCOMPARE(r.ok, !cancel);
    QCOMPARE(r.cancelled, cancel);
    const QStringList after = rows(Schema::kRecipientTable);
    QCOMPARE(after.first(), kept);
    // Every row that was there is there still, in its place.
    QCOMPARE(after.mid(1, before.size() - 1), before.mid(1));
    const int added = cancel || toExcel ? 0 : (merge ? 1 : 1);
    QCOMPARE(after.size(), before.size() + added);
    if (toExcel && !cancel)
        QCOMPARE(rows(Schema::kExcelTable),
                 QStringList({"周建国|杭州市|||浙江省杭州市西湖区文三路100号|13900001111||茶杯|2|",
                              "吴磊|北京市|||北京市海淀区中关村大街1号|13811112222||书|1|"}));
    else
        QCOMPARE(rows(Schema::kExcelTable), excelBefore);
}

void TestOrderImport::summaryCounts_data()
{
    QTest::addColumn<QString>("lines");
    QTest::addColumn<bool>("merge");
    QTest::addColumn<QString>("summary");
    QTest::addColumn<int>("added");
    const QString a = QStringLiteral("吴磊,13811112222,北京市海淀区中关村大街1号\n");
    const QString b = QStringLiteral("郑一,13622223333,上海市黄浦区南京东路1号\n");
    const QString stored = QStringLiteral("周建国,13900001111,浙江省杭州市西湖区文三路100号\n");
    const QString masked = QStringLiteral("王*,136****3333,上海市黄浦区***\n");
    QTest::newRow("all new") << a + b << false << "导入 2 条，跳过 0 条重复，0 条需核对" << 2;
    QTest::newRow("duplicates skipped")
        << a + stored + a + b + a << false << "导入 2 条，跳过 3 条重复，0 条需核对" << 2;
    QTest::newRow("duplicates merged")
        << a + stored + a << true << "导入 1 条，合并 2 条重复，0 条需核对" << 1;
    QTest::newRow("review") << a + masked + masked + QStringLiteral("钱进,,广州市天河区体育西路1号\n")
                            << false << "导入 4 条，跳过 0 条重复，3 条需核对" << 4;
    QTest::newRow("left out")
        << QStringLiteral(",13811112222,\n") + a + QStringLiteral(",,,\n,136,\n") << false
        << "导入 1 条，跳过 0 条重复，0 条需核对\n未导入 2 行（姓名和地址都为空）：第 2、5 行" << 1;
    // Refused, so that an Excel list is never emptied by a file of nothing.
    QTest::newRow("nothing to import") << QStringLiteral(",13811112222,\n") << false
                                       << "文件里没有可导入的行：每一行的姓名和地址都是空的。" << 0;
}

void TestOrderImport::summaryCounts()
{
    QFETCH(QString, lines);
    QFETCH(bool, merge);
    QFETCH(QString, summary);
    QFETCH(int, added);
    const int before = int(rows(Schema::kRecipientTable).size());
    const OrderFile f = csv(QStringLiteral("收货人,联系手机,收货地址\n") + lines);
    OrderPlan plan;
    QString error;
    QVERIFY2(OrderImporter::prepare(f, OrderMapping::propose(f.headers()), *m_parser, &plan, &error),
             qPrintable(error));
    const OrderImporter::Result r =
        OrderImporter::store(m_db, plan, OrderImporter::Destination::Recipients,
                             merge ? OrderImporter::Duplicates::Merge : OrderImporter::Duplicates::Skip);
    QCOMPARE(r.ok ? r.summary : r.reason, summary);
    QCOMPARE(r.imported, added);
    QCOMPARE(int(rows(Schema::kRecipientTable).size()), before + added);
}

QTEST_GUILESS_MAIN(TestOrderImport)
#include "test_orderimport.moc"
