#pragma once

#include <QString>

// What a shop's back office or a buyer's app shows around an order and a
// copy of the whole page takes along: the platform's or shop's heading
// ("天猫超市", "京麦工作台", "李宁官方旗舰店"), the path to the page
// ("千牛工作台 > 交易管理 > 订单详情"), the order's state ("买家已付款，等待卖家发货",
// "预计明天送达", "剩余 23:41:08"), the buttons ("复制", "修改地址", "[催发货]").
// None of it is for the courier.
class PageChrome
{
public:
    // The text without the lines that are all page, and without the state
    // and the buttons written beside the fields.
    static QString stripped(const QString& text);
    // "等待卖家发货", "已付款", "商家正在备货": what the page says of the order's state.
    static bool isState(const QString& clause);
};
