#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// Which column of an order file goes to which recipient column. Platforms
// name their columns differently (收货人 / 收件人 / 收货人姓名 / 客户姓名 …)
// and some split the address into 省/市/区/详细地址: propose() knows the
// usual headers of Taobao/Tmall, Pinduoduo, Douyin shop, JD and WeChat shop
// exports and of this program's own Excel list. The user may change any
// column; the choice is remembered per set of headers.
class OrderMapping
{
public:
    // Where a file column goes. The first ten are recipient columns; the
    // address parts are joined and split by the recogniser, as is a full
    // address; an order number is kept in 备注.
    enum class Field
    {
        None,
        Name,
        City,
        Postcode,
        Company,
        Address,
        Mobile,
        Phone,
        Goods,
        Quantity,
        Remark,
        FullAddress,
        Province,
        CityPart,
        District,
        Street,
        Detail,
        OrderNumber
    };

    // Every field, in the order the window's lists show them.
    static QVector<Field> fields();
    // The key the command line's --map and the remembered mapping use
    // (姓名, 手机, 完整地址, 省, 订单编号, 不导入 …).
    static QString key(Field f);
    // What the window's lists show.
    static QString label(Field f);
    // A field from its key or its label; false when neither.
    static bool fromKey(const QString& text, Field* f);
    // The recipient column (Schema::importColumns()) a field fills, or -1
    // for the address parts, the order number and None.
    static int importColumn(Field f);

    // A header as the dictionary compares it: blanks, quotes, a byte-order
    // mark and a bracketed unit ("(元)", "（件）") taken off, ASCII lowered.
    static QString normalise(const QString& header);
    // The field a header alone suggests, before the set is looked at.
    static Field guess(const QString& header);
    // How many of the headers the dictionary knows: how a header row is told.
    static int knownCount(const QStringList& headers);

    // A mapping proposed for the file's headers: the set decides what
    // 城市, 地址, 详细地址 and 联系电话 mean (with 省 columns the address is in
    // parts; without a 手机 column 联系电话 is the mobile), and a field
    // that takes one column goes to the first column suggesting it.
    static OrderMapping propose(const QStringList& headers);

    // The remembered mapping for this set of headers, or the proposed one.
    static OrderMapping forHeaders(const QStringList& headers);
    // Remembers the mapping for its headers (the user's settings).
    bool remember(QString* error) const;
    bool isRemembered() const;

    QStringList headers() const { return m_headers; }
    int columnCount() const { return int(m_fields.size()); }
    Field field(int column) const { return m_fields.value(column, Field::None); }
    void setField(int column, Field f);
    // Changes by "列=字段" (a header or a 1-based column number, then a
    // key or label); false with a Chinese reason.
    bool apply(const QString& assignment, QString* error);

    // Whether anything says who or where: a name, an address or address part.
    bool hasRecipient() const;
    // Whether the address is recognised from a full text or from parts.
    bool splitsAddress() const;

private:
    QString settingsKey() const;

    QStringList m_headers;
    QVector<Field> m_fields;
};
