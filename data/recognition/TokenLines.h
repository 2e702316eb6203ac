#pragma once

#include "data/recognition/PasteTokenizer.h"

class RegionTable;

// Where a token stands among the others of a paste: on an order's line, or
// after words that change the address written before it.
class TokenLines
{
public:
    using Tokens = QList<PasteTokenizer::Token>;
    // On a line an order's label begins ("商品：…", "订单号：…"), up to the
    // next label, in a text of several lines.
    static bool onOrderLine(const Tokens& tokens, int i);
    // The nearest label before it on its line is an order's: "商品：卫衣 120cm 粉色".
    static bool afterOrderLabel(const Tokens& tokens, int i);
    // The first of the words that change or deny the address ("改为", "不对 换成")
    // just before token i, when value starts a new address from its province; or -1.
    static int addressChangedAt(const Tokens& tokens, int i, const QString& value,
                                const RegionTable& regions);
};
