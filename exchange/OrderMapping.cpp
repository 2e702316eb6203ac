#include "exchange/OrderMapping.h"

#include "data/store/AppInfo.h"
#include "data/store/Schema.h"

#include <QCryptographicHash>
#include <QHash>
#include <QRegularExpression>
#include <QSettings>

using Field = OrderMapping::Field;

namespace {

struct FieldName
{
    Field field;
    const char* key;
    const char* label;
};

const FieldName kNames[] = {
    {Field::None, "不导入", "（不导入）"},
    {Field::Name, "姓名", "姓名"},
    {Field::Mobile, "手机", "手机"},
    {Field::Phone, "电话", "电话"},
    {Field::FullAddress, "完整地址", "完整地址（自动拆分）"},
    {Field::Province, "省", "地址：省"},
    {Field::CityPart, "市", "地址：市"},
    {Field::District, "区", "地址：区县"},
    {Field::Street, "街道", "地址：街道"},
    {Field::Detail, "详细地址", "地址：详细地址"},
    {Field::City, "城市", "城市"},
    {Field::Address, "地址", "地址（原样）"},
    {Field::Postcode, "邮编", "邮编"},
    {Field::Company, "收件单位", "收件单位"},
    {Field::Goods, "内件品名", "内件品名"},
    {Field::Quantity, "数量", "数量"},
    {Field::Remark, "备注", "备注"},
    {Field::OrderNumber, "订单编号", "订单编号（记入备注）"},
};

// Normalised headers of the platforms' exports and of the program's own list.
const QHash<QString, Field>& dictionary()
{
    static const QHash<QString, Field> d = [] {
        QHash<QString, Field> h;
        auto add = [&h](Field f, std::initializer_list<const char*> names) {
            for (const char* n : names)
                h.insert(QString::fromUtf8(n), f);
        };
        add(Field::Name, {"姓名", "收货人", "收件人", "收货人姓名", "收件人姓名", "买家姓名", "客户姓名",
                          "收货人名称", "收件人名称", "联系人", "收货联系人", "consignee", "receivername"});
        add(Field::Mobile, {"手机", "手机号", "手机号码", "联系手机", "收货人手机", "收货人手机号",
                            "收件人手机", "收件人手机号", "收货人手机号码", "收件人手机号码",
                            "收货人联系方式", "收件人联系方式", "联系方式", "mobile", "receivermobile"});
        add(Field::Phone,
            {"电话", "联系电话", "固定电话", "座机", "收货人电话", "收件人电话", "phone", "tel"});
        add(Field::FullAddress,
            {"收货地址", "收件地址", "收货人地址", "收件人地址", "详细收货地址", "客户地址", "配送地址",
             "收货人详细地址", "收件人详细地址", "完整地址", "address", "receiveraddress"});
        add(Field::Province, {"省", "省份", "收货省份", "收件省份", "收货人省份", "所在省", "省份/直辖市",
                              "省/直辖市", "收件省", "province"});
        add(Field::CityPart, {"市", "收货城市", "收件城市", "收货人城市", "所在市", "收件市", "city"});
        add(Field::District, {"区", "区县", "区/县", "县/区", "县区", "收货区县", "收件区县", "收货人区县",
                              "所在区", "收件区", "district"});
        add(Field::Street, {"街道", "乡镇", "街道/镇", "乡镇/街道", "收货街道", "town"});
        add(Field::Detail, {"详细地址", "收货详细地址", "收件详细地址", "街道地址", "门牌号"});
        add(Field::City, {"城市"});
        add(Field::Address, {"地址"});
        add(Field::Postcode, {"邮编", "邮政编码", "收货邮编", "收件邮编", "zip", "postcode"});
        add(Field::Company, {"收件单位", "收货单位", "收件公司", "公司名称", "单位"});
        add(Field::Goods, {"内件品名", "商品名称", "宝贝标题", "商品标题", "宝贝名称", "货品名称", "品名",
                           "商品", "选购商品", "商品信息", "商品简称", "货品标题"});
        add(Field::Quantity, {"数量", "购买数量", "宝贝总数量", "商品数量", "商品总数量", "订购数量", "件数",
                              "货品数量", "商品件数"});
        add(Field::Remark, {"备注", "买家留言", "订单备注", "卖家备注", "商家备注", "买家备注", "留言",
                            "客户备注", "用户备注"});
        add(Field::OrderNumber, {"订单编号", "订单号", "主订单编号", "子订单编号", "订单id", "主订单号",
                                 "子订单号", "商品订单号", "平台订单号", "orderid"});
        return h;
    }();
    return d;
}

// Fields that take several columns, joined in file order.
bool several(Field f)
{
    return f == Field::Remark || f == Field::Goods || f == Field::None;
}

QSettings store()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, AppInfo::organization());
}

} // namespace

QVector<Field> OrderMapping::fields()
{
    QVector<Field> out;
    for (const FieldName& n : kNames)
        out << n.field;
    return out;
}

QString OrderMapping::key(Field f)
{
    for (const FieldName& n : kNames)
        if (n.field == f)
            return QString::fromUtf8(n.key);
    return {};
}

QString OrderMapping::label(Field f)
{
    for (const FieldName& n : kNames)
        if (n.field == f)
            return QString::fromUtf8(n.label);
    return {};
}

bool OrderMapping::fromKey(const QString& text, Field* f)
{
    const QString t = text.trimmed();
    for (const FieldName& n : kNames) {
        if (t == QString::fromUtf8(n.key) || t == QString::fromUtf8(n.label)) {
            *f = n.field;
            return true;
        }
    }
    return false;
}

int OrderMapping::importColumn(Field f)
{
    switch (f) {
    case Field::Name:
    case Field::City:
    case Field::Postcode:
    case Field::Company:
    case Field::Address:
    case Field::Mobile:
    case Field::Phone:
    case Field::Goods:
    case Field::Quantity:
    case Field::Remark:
        return int(Schema::importColumns().indexOf(key(f)));
    default:
        return -1;
    }
}

QString OrderMapping::normalise(const QString& header)
{
    QString h = header;
    static const QRegularExpression unit(QStringLiteral("[(（][^()（）]*[)）]$"));
    static const QRegularExpression blanks(QStringLiteral("[\\s\"'*＊:：\\x{FEFF}\\x{3000}]"));
    h.remove(blanks);
    // "商品数量(件)", "收货人手机号（加密）": the unit or note says nothing about the column.
    const QString bare = QString(h).remove(unit);
    if (!bare.isEmpty())
        h = bare;
    return h.toLower();
}

Field OrderMapping::guess(const QString& header)
{
    return dictionary().value(normalise(header), Field::None);
}

int OrderMapping::knownCount(const QStringList& headers)
{
    int n = 0;
    for (const QString& h : headers)
        n += guess(h) != Field::None ? 1 : 0;
    return n;
}

OrderMapping OrderMapping::propose(const QStringList& headers)
{
    OrderMapping m;
    m.m_headers = headers;
    QVector<Field> g;
    for (const QString& h : headers)
        g << guess(h);
    auto has = [&g](Field f) { return g.contains(f); };
    const bool parts = has(Field::Province) || has(Field::CityPart) || has(Field::District);
    for (Field& f : g) {
        if (parts && f == Field::City)
            f = Field::CityPart; // 省份, 城市, 区县, 详细地址
        else if (parts && (f == Field::Address || f == Field::FullAddress))
            f = Field::Detail;
        else if (!parts && f == Field::Detail && !has(Field::FullAddress))
            f = Field::FullAddress; // 详细地址 alone holds the whole address
        else if (!parts && f == Field::Address && !has(Field::City))
            f = Field::FullAddress; // 地址 without 城市 is not the program's own list
    }
    // Without a mobile column the platform's 联系电话 is the mobile (JD).
    if (!has(Field::Mobile)) {
        const int phone = int(g.indexOf(Field::Phone));
        if (phone >= 0)
            g[phone] = Field::Mobile;
    }
    QVector<Field> taken;
    for (Field& f : g) {
        if (several(f))
            continue;
        if (taken.contains(f))
            f = Field::None;
        else
            taken << f;
    }
    m.m_fields = g;
    return m;
}

QString OrderMapping::settingsKey() const
{
    QStringList n;
    for (const QString& h : m_headers)
        n << normalise(h);
    const QByteArray digest =
        QCryptographicHash::hash(n.join(QChar(0x1f)).toUtf8(), QCryptographicHash::Sha1).toHex();
    return QStringLiteral("orderMapping/") + QString::fromLatin1(digest);
}

OrderMapping OrderMapping::forHeaders(const QStringList& headers)
{
    OrderMapping m = propose(headers);
    const QStringList kept = store().value(m.settingsKey()).toStringList();
    if (kept.size() != headers.size())
        return m;
    for (int c = 0; c < kept.size(); ++c) {
        Field f;
        if (fromKey(kept.at(c), &f))
            m.m_fields[c] = f;
    }
    return m;
}

bool OrderMapping::remember(QString* error) const
{
    QStringList keys;
    for (Field f : m_fields)
        keys << key(f);
    QSettings s = store();
    s.setValue(settingsKey(), keys);
    s.sync();
    if (s.status() == QSettings::NoError)
        return true;
    if (error)
        *error = QStringLiteral("无法保存列的对应关系：%1").arg(s.fileName());
    return false;
}

bool OrderMapping::isRemembered() const
{
    return store().contains(settingsKey());
}

void OrderMapping::setField(int column, Field f)
{
    if (column < 0 || column >= m_fields.size())
        return;
    // A field of one column leaves the column it was on.
    if (!several(f))
        for (Field& other : m_fields)
            if (other == f)
                other = Field::None;
    m_fields[column] = f;
}

bool OrderMapping::apply(const QString& assignment, QString* error)
{
    const qsizetype eq = assignment.lastIndexOf(QLatin1Char('='));
    if (eq <= 0) {
        if (error)
            *error = QStringLiteral("“%1”应写成 列=字段，如 收货人=姓名。").arg(assignment);
        return false;
    }
    const QString column = assignment.left(eq).trimmed();
    Field f;
    if (!fromKey(assignment.mid(eq + 1), &f)) {
        QStringList keys;
        for (const FieldName& n : kNames)
            keys << QString::fromUtf8(n.key);
        if (error)
            *error = QStringLiteral("不认识的字段“%1”，可用：%2")
                         .arg(assignment.mid(eq + 1).trimmed(), keys.join(QStringLiteral("、")));
        return false;
    }
    int c = int(m_headers.indexOf(column));
    if (c < 0) {
        const QString n = normalise(column);
        for (int i = 0; i < m_headers.size() && c < 0; ++i)
            if (normalise(m_headers.at(i)) == n)
                c = i;
    }
    bool number = false;
    if (c < 0) {
        c = column.toInt(&number) - 1;
        if (!number || c < 0 || c >= m_fields.size())
            c = -1;
    }
    if (c < 0) {
        if (error)
            *error = QStringLiteral("文件的标题行里没有列“%1”。").arg(column);
        return false;
    }
    setField(c, f);
    return true;
}

bool OrderMapping::hasRecipient() const
{
    for (Field f : m_fields)
        if (f == Field::Name || f == Field::Address || f == Field::FullAddress || f == Field::Province ||
            f == Field::CityPart || f == Field::District || f == Field::Street || f == Field::Detail)
            return true;
    return false;
}

bool OrderMapping::splitsAddress() const
{
    for (Field f : m_fields)
        if (f == Field::FullAddress || f == Field::Province || f == Field::CityPart || f == Field::District ||
            f == Field::Street || f == Field::Detail)
            return true;
    return false;
}
