// Times an order export of a shop from file to stored recipients: reading
// (GB18030 CSV, as Taobao writes it, or .xlsx), mapping, recognising every
// address and storing, into a fresh address book. The orders are made up
// here from name and place lists, with platform-masked and repeated rows.
// Usage: bench_order_import [ROWS] [--xlsx] [--server URI] [--smoke]
#include "data/recognition/AddressParser.h"
#include "data/recognition/RegionTable.h"
#include "data/store/Database.h"
#include "exchange/OrderFile.h"
#include "exchange/OrderImporter.h"
#include "exchange/OrderMapping.h"
#include "exchange/XlsxTextWriter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <cstdio>

namespace {

QStringList orders(int n)
{
    const QStringList surnames =
        QStringLiteral("李 王 张 刘 陈 杨 黄 赵 吴 周 徐 孙 马 朱 胡 郭 何 高 林 罗 欧阳 司马")
            .split(QLatin1Char(' '));
    const QStringList given =
        QStringLiteral("伟 芳 娜 秀英 敏 静 丽 强 磊 军 洋 勇 艳 杰 娟 涛 明 超 秀兰 霞 平 刚 桂英")
            .split(QLatin1Char(' '));
    const QStringList places = {QStringLiteral("广东省 广州市 天河区"),
                                QStringLiteral("广东省 深圳市 福田区"),
                                QStringLiteral("浙江省 宁波市 鄞州区"),
                                QStringLiteral("江苏省 无锡市 梁溪区"),
                                QStringLiteral("山东省 青岛市 市南区"),
                                QStringLiteral("河南省 洛阳市 西工区"),
                                QStringLiteral("湖南省 长沙市 岳麓区"),
                                QStringLiteral("四川省 绵阳市 涪城区"),
                                QStringLiteral("北京 北京市 东城区"),
                                QStringLiteral("上海 上海市 徐汇区"),
                                QStringLiteral("福建省 泉州市 丰泽区"),
                                QStringLiteral("辽宁省 大连市 中山区"),
                                QStringLiteral("陕西省 西安市 雁塔区"),
                                QStringLiteral("安徽省 合肥市 蜀山区"),
                                QStringLiteral("云南省 昆明市 五华区"),
                                QStringLiteral("黑龙江省 哈尔滨市 南岗区"),
                                QStringLiteral("新疆维吾尔自治区 乌鲁木齐市 天山区"),
                                QStringLiteral("重庆 重庆市 渝中区")};
    const QStringList streets =
        QStringLiteral("人民路 解放大道 建设街 和平路 学府路 新华街 长江路 滨河东路 朝阳北路")
            .split(QLatin1Char(' '));
    const QStringList goods =
        QStringLiteral("保温杯 数据线 手机壳 帆布袋 毛巾 茶叶 护手霜 雨伞").split(QLatin1Char(' '));
    QRandomGenerator rnd(20261210);
    auto pick = [&rnd](const QStringList& l) { return l.at(int(rnd.bounded(quint32(l.size())))); };
    QStringList lines;
    lines << QStringLiteral(
        "订单编号,买家会员名,买家应付货款,订单状态,买家留言,收货人姓名,收货地址,运送方式,联系电话,"
        "联系手机,宝贝标题,宝贝总数量,订单备注");
    for (int i = 0; i < n; ++i) {
        if (i > 10 && rnd.bounded(50) == 0) {
            lines << lines.at(1 + int(rnd.bounded(quint32(i - 1)))); // a repeated order
            continue;
        }
        const bool masked = rnd.bounded(40) == 0;
        const QString name = pick(surnames) + pick(given) + (rnd.bounded(2) ? pick(given) : QString());
        const QString mobile = QStringLiteral("1%1%2")
                                   .arg(3 + rnd.bounded(7))
                                   .arg(rnd.bounded(1000000000), 9, 10, QLatin1Char('0'));
        const QString address = pick(places) + QLatin1Char(' ') + pick(streets) +
                                QString::number(1 + rnd.bounded(999)) + QStringLiteral("号") +
                                QString::number(1 + rnd.bounded(30)) + QStringLiteral("栋") +
                                QString::number(101 + rnd.bounded(2500)) + QStringLiteral("室");
        lines << QStringLiteral("=\"%1\",buyer%2,%3.00,买家已付款,%4,%5,\"%6\",快递,,%7,%8,%9,")
                     .arg(3000000000000000LL + i)
                     .arg(i)
                     .arg(10 + rnd.bounded(300))
                     .arg(rnd.bounded(5) == 0 ? QStringLiteral("请尽快发货") : QString())
                     .arg(masked ? name.left(1) + QStringLiteral("**") : name)
                     .arg(masked ? pick(places) + QStringLiteral("***") : address)
                     .arg(masked ? mobile.left(3) + QStringLiteral("****") + mobile.right(4) : mobile)
                     .arg(pick(goods))
                     .arg(1 + rnd.bounded(3));
    }
    return lines;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int n = 10000;
    bool xlsx = false;
    QString server;
    bool smoke = false;
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        if (a == QLatin1String("--xlsx"))
            xlsx = true;
        else if (a == QLatin1String("--server") && i + 1 < argc)
            server = QString::fromLocal8Bit(argv[++i]);
        else if (a == QLatin1String("--smoke"))
            smoke = true;
        else
            n = a.toInt();
    }
    QTemporaryDir dir;
    const QStringList lines = orders(n);
    const QString path = dir.filePath(xlsx ? QStringLiteral("orders.xlsx") : QStringLiteral("orders.csv"));
    QString err;
    if (xlsx) {
        XlsxTextWriter w(path);
        bool ok = w.open(&err) && w.addSheet(QStringLiteral("Sheet1"), &err);
        for (const QString& l : lines) {
            QStringList cells = l.split(QLatin1Char(','));
            for (QString& c : cells)
                c.remove(QLatin1Char('"')).remove(QLatin1Char('='));
            ok = ok && w.addRow(cells, &err);
        }
        if (!ok || !w.close(&err)) {
            fprintf(stderr, "%s\n", qPrintable(err));
            return 1;
        }
    } else {
        QFile f(path);
        QStringEncoder gb("GB18030");
        if (!f.open(QIODevice::WriteOnly) || f.write(gb(lines.join(QStringLiteral("\r\n")))) < 0)
            return 1;
    }
    RegionTable regions;
    if (!regions.loadBuiltIn(&err)) {
        fprintf(stderr, "%s\n", qPrintable(err));
        return 1;
    }
    const AddressParser parser(regions);
    Database db;
    if (!db.open(server.isEmpty() ? dir.filePath(QStringLiteral("data.mdb")) : server, &err)) {
        fprintf(stderr, "%s\n", qPrintable(err));
        return 1;
    }
    db.exec(QStringLiteral("DELETE FROM inr"));

    QElapsedTimer total;
    total.start();
    QElapsedTimer t;
    t.start();
    OrderFile file;
    if (!file.read(path, &err)) {
        fprintf(stderr, "%s\n", qPrintable(err));
        return 1;
    }
    const qint64 readMs = t.restart();
    const OrderMapping mapping = OrderMapping::propose(file.headers());
    OrderPlan plan;
    if (!OrderImporter::prepare(file, mapping, parser, &plan, &err)) {
        fprintf(stderr, "%s\n", qPrintable(err));
        return 1;
    }
    const qint64 prepareMs = t.restart();
    const OrderImporter::Result r = OrderImporter::store(db, plan, OrderImporter::Destination::Recipients,
                                                         OrderImporter::Duplicates::Skip);
    const qint64 storeMs = t.elapsed();
    const qint64 totalMs = total.elapsed();
    if (!r.ok) {
        fprintf(stderr, "%s\n", qPrintable(r.reason));
        return 1;
    }
    printf("%d order rows (%s, %s): read %lld ms, map and recognise %lld ms, store %lld ms; total %lld ms "
           "(goal 3000 ms)\n%s\n",
           n, xlsx ? "xlsx" : "GB18030 CSV", server.isEmpty() ? "SQLite file" : "server", readMs, prepareMs,
           storeMs, totalMs, qPrintable(r.summary));
    // The smoke run checks that what was stored is what the summary says.
    return smoke && r.imported + r.duplicates != int(plan.rows.size()) ? 1 : 0;
}
