#pragma once

#include <QString>
#include <QStringList>

// Rows as users import them: the ten columns, Chinese names, companies and
// 40-60 character addresses, mobile and fixed numbers. The same index gives
// the same row in every process, so helpers can write the same workbook.
namespace SampleRows {

inline QStringList header()
{
    return {QStringLiteral("姓名"),     QStringLiteral("城市"),     QStringLiteral("邮编"),
            QStringLiteral("收件单位"), QStringLiteral("地址"),     QStringLiteral("手机"),
            QStringLiteral("电话"),     QStringLiteral("内件品名"), QStringLiteral("数量"),
            QStringLiteral("备注")};
}

// Column of the quantity, written as a number.
constexpr int kQuantity = 8;

namespace detail {
inline quint32 next(quint32& s)
{
    s = s * 1664525u + 1013904223u;
    return s >> 8;
}
template <int N>
QString pick(const char* const (&list)[N], quint32& s)
{
    return QString::fromUtf8(list[next(s) % N]);
}
} // namespace detail

// Row i of the data (0-based, the header not counted).
inline QStringList row(int i)
{
    using detail::next;
    using detail::pick;
    static const char* const surnames[] = {"王", "李", "张", "刘", "陈", "杨", "黄", "赵", "周",   "吴",
                                           "徐", "孙", "马", "朱", "胡", "郭", "何", "林", "欧阳", "诸葛"};
    static const char* const given[] = {"伟", "芳", "娜", "秀英", "敏", "静", "丽", "强", "磊",   "军",
                                        "洋", "勇", "艳", "杰",   "娟", "涛", "明", "超", "秀兰", "霞"};
    static const char* const places[] = {"浙江省杭州市西湖区", "江苏省南京市鼓楼区", "广东省深圳市南山区",
                                         "四川省成都市武侯区", "湖北省武汉市洪山区", "山东省青岛市市南区",
                                         "福建省厦门市思明区", "河南省郑州市金水区", "上海市浦东新区",
                                         "北京市海淀区"};
    static const char* const cities[] = {"杭州", "南京", "深圳", "成都", "武汉",
                                         "青岛", "厦门", "郑州", "上海", "北京"};
    static const char* const posts[] = {"310000", "210000", "518000", "610000", "430000",
                                        "266000", "361000", "450000", "200120", "100080"};
    static const char* const roads[] = {
        "文三路",   "中山北路", "科技园南路", "人民南路四段",         "珞喻路",
        "香港中路", "湖滨南路", "花园路",     "张江高科技园区碧波路", "中关村大街"};
    static const char* const buildings[] = {"华星时代广场", "金鹰国际商城", "腾讯滨海大厦", "环球中心",
                                            "光谷软件园",   "万象城",       "国际银行大厦", "绿地中心",
                                            "长泰广场",     "科技财富中心"};
    static const char* const trades[] = {"贸易",     "电子科技", "服装",     "食品",
                                         "网络科技", "物流",     "文化传媒", "医疗器械"};
    static const char* const goods[] = {"服装", "电子产品", "文件", "书籍",
                                        "食品", "化妆品",   "配件", "日用品"};
    static const char* const notes[] = {"", "", "轻放", "易碎品，请小心轻放", "工作日送达", "请先电话联系"};
    quint32 s = quint32(i) * 2654435761u + 12345u;
    next(s);
    const int place = int(next(s) % 10);
    const QString name = pick(surnames, s) + pick(given, s) + (next(s) % 2 ? pick(given, s) : QString());
    const QString company = QString::fromUtf8(cities[place]) + QString::fromUtf8("市") + pick(surnames, s) +
                            pick(given, s) + pick(trades, s) + QString::fromUtf8("有限公司");
    QString address = QString::fromUtf8(places[place]) + pick(roads, s) + QString::number(next(s) % 999 + 1) +
                      QString::fromUtf8("号") + pick(buildings, s) + QString::fromUtf8("（") +
                      pick(trades, s) + QString::fromUtf8("园区）") + QString::number(next(s) % 30 + 1) +
                      QString::fromUtf8("栋") + QString::number(next(s) % 3000 + 101) +
                      QString::fromUtf8("室");
    while (address.size() < 40)
        address += QString::fromUtf8("（近") + pick(buildings, s) + QString::fromUtf8("）");
    address.truncate(60);
    const QString mobile =
        QStringLiteral("1%1%2").arg(3 + next(s) % 7).arg(next(s) % 1000000000, 9, 10, QLatin1Char('0'));
    const QString phone = QStringLiteral("0%1-%2").arg(10 + next(s) % 900).arg(80000000 + next(s) % 9999999);
    return {name,
            QString::fromUtf8(cities[place]),
            QString::fromUtf8(posts[place]),
            company,
            address,
            mobile,
            phone,
            pick(goods, s),
            QString::number(next(s) % 9 + 1),
            pick(notes, s)};
}

} // namespace SampleRows
