// Times recognising one recipient in pasted text, and loading the region table.
// Usage: bench_address_parser [ENTRIES]  (default 20000)
#include "data/recognition/AddressParser.h"
#include "data/recognition/RegionTable.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <ctime>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int n = argc > 1 ? qMax(1, atoi(argv[1])) : 20000;

    QElapsedTimer t;
    t.start();
    RegionTable regions;
    QString err;
    if (!regions.loadBuiltIn(&err)) {
        std::fprintf(stderr, "%s\n", qPrintable(err));
        return 1;
    }
    const double loadMs = t.nsecsElapsed() / 1e6;

    // The forms people paste: plain, labelled, reordered, without province,
    // glued, chat, emoji labels, order copies, extensions, Hong Kong.
    const QStringList inputs = {
        QStringLiteral("张伟 13812345678 河南省郑州市金水区花园路12号"),
        QStringLiteral("广东省深圳市南山区科技园南路88号，李娜，150-3569-6956"),
        QStringLiteral("收货人: 王芳\n手机号码: 139 1234 5678\n所在地区: 浙江省 杭州市 西湖区\n"
                       "详细地址: 文三路478号华星时代广场A座1201室\n邮编: 310012"),
        QStringLiteral("欧阳娜娜 金水区花园路12号 450000 0371-65432100转808"),
        QStringLiteral("江苏省昆山市玉山镇前进西路1号 朱琳 +86 139 1234 0000 请工作日送货"),
        QStringLiteral("张三，13800138000，北京 北京市 朝阳区 朝阳门外大街20号，100020"),
        QStringLiteral("范伟河北省唐山市路北区新华东道100号13999990123"),
        QStringLiteral("【收货人】梅花【手机】13900001253【地址】江苏省扬州市广陵区文昌中路1号"),
        QStringLiteral("亲，我的地址是：湖北省十堰市茅箭区北京中路9号，我叫冯雅，手机号是18971900123，谢谢"),
        QStringLiteral(
            "📦收货人：阿迪力·吾守尔\n📱手机号：177****3021转4412\n🏠地址：新疆哈密市伊州区天山北路2号"),
        QStringLiteral("订单编号：88120394711 收件单位：长沙湘江印务有限公司 收件人：Amy Liu "
                       "电话：+86 731 8456 2211 地址：湖南省长沙市天心区湘府中路18号 邮编：000000"),
        QStringLiteral("鼓楼区湖东路20号 陈立(总经办) 0591-83301122 350003"),
        QStringLiteral("彭家乐 +852 5566 7788 香港新界荃湾区青山公路388号"),
    };
    const AddressParser parser(regions);
    int filled = 0;
    for (const QString& s : inputs) // warm up
        filled += parser.parse(s).city.isEmpty() ? 0 : 1;
    t.restart();
    const std::clock_t cpu0 = std::clock();
    for (int i = 0; i < n; ++i)
        filled += parser.parse(inputs.at(i % inputs.size())).address.isEmpty() ? 0 : 1;
    const double us = t.nsecsElapsed() / 1e3 / n;
    // Processor time too: on a shared machine the wall clock counts the waits.
    const double cpuUs = double(std::clock() - cpu0) / CLOCKS_PER_SEC * 1e6 / n;
    std::printf("region table: %d regions, loaded in %.1f ms\n", regions.size(), loadMs);
    std::printf("recognise one entry: %.1f us wall, %.1f us processor (mean of %d, %d with an address)\n", us,
                cpuUs, n, filled);

    // Several recipients pasted at once: split, then each recognised.
    const QString several = QStringLiteral("1. 石磊 13915500011 江苏省常州市武进区湖塘镇人民中路5号\n"
                                           "2. 甘甜 13915500012 江苏省常州市新北区太湖东路9号\n"
                                           "3. 韩冰 13915500013 江苏省常州市钟楼区南大街1号");
    const int rounds = qMax(1, n / 3);
    int people = 0;
    const std::clock_t cpu1 = std::clock();
    for (int i = 0; i < rounds; ++i)
        people += parser.parseAll(several).size();
    const double perPerson = double(std::clock() - cpu1) / CLOCKS_PER_SEC * 1e6 / qMax(1, people);
    std::printf("several in one text: %.1f us processor per recipient (%d recipients)\n", perPerson, people);
    return 0;
}
