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

    // The forms people paste: plain, labelled, reordered, without province, glued.
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
    return 0;
}
