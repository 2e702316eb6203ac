#include "exchange/OrderImporter.h"

#include "data/recognition/AddressParser.h"
#include "data/store/Database.h"
#include "data/store/Schema.h"
#include "data/store/SearchIndex.h"
#include "data/store/Transaction.h"
#include "exchange/CellText.h"
#include "exchange/ExcelImporter.h"
#include "exchange/OrderFile.h"

#include <QHash>
#include <QRegularExpression>

using Field = OrderMapping::Field;

namespace {

const QString kName = QStringLiteral("姓名");
const QString kCity = QStringLiteral("城市");
const QString kPostcode = QStringLiteral("邮编");
const QString kAddress = QStringLiteral("地址");
const QString kMobile = QStringLiteral("手机");
const QString kPhone = QStringLiteral("电话");
const QString kGoods = QStringLiteral("内件品名");
const QString kQuantity = QStringLiteral("数量");
const QString kRemark = QStringLiteral("备注");
const QString kJoin = QStringLiteral("；");

int columnOf(const QString& name)
{
    return int(Schema::importColumns().indexOf(name));
}

void appendText(QString& to, const QString& text)
{
    if (text.isEmpty())
        return;
    to = to.isEmpty() ? text : to + kJoin + text;
}

// What decides whether two rows are one recipient, blanks aside.
QString duplicateKey(const QString& name, const QString& mobile, const QString& address)
{
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    return QString(name).remove(blanks) + QChar(0x1f) + QString(mobile).remove(blanks) + QChar(0x1f) +
           QString(address).remove(blanks);
}

QString duplicateKey(const OrderRow& r)
{
    return duplicateKey(r.value(kName), r.value(kMobile), r.value(kAddress));
}

// A later row merged into what is kept: empty columns filled, goods and
// remarks added when they differ. Quantities add up only with goods that
// were added, so merging the same order twice changes nothing.
void merge(QStringList& kept, const QStringList& later)
{
    const int goods = columnOf(kGoods);
    const int remark = columnOf(kRemark);
    const int quantity = columnOf(kQuantity);
    bool newGoods = false;
    for (int c = 0; c < kept.size() && c < later.size(); ++c) {
        const QString& add = later.at(c);
        if (add.isEmpty() || kept.at(c) == add || c == quantity)
            continue;
        if (kept.at(c).isEmpty()) {
            kept[c] = add;
            newGoods = newGoods || c == goods;
        } else if ((c == goods || c == remark) && !kept.at(c).contains(add)) {
            kept[c] += kJoin + add;
            newGoods = newGoods || c == goods;
        }
    }
    if (quantity >= kept.size() || quantity >= later.size() || later.at(quantity).isEmpty())
        return;
    bool a = false;
    bool b = false;
    const qint64 sum = kept.at(quantity).toLongLong(&a) + later.at(quantity).toLongLong(&b);
    if (kept.at(quantity).isEmpty())
        kept[quantity] = later.at(quantity);
    else if (newGoods && a && b)
        kept[quantity] = QString::number(sum);
}

// The address of an order row from its full text or its parts, split by
// the recogniser into 城市, 地址 and 邮编.
void recogniseAddress(OrderRow& row, const QString& text, bool masked, const AddressParser& parser)
{
    QString rest = text;
    // Taobao writes the postcode after the address: "…华星时代广场(310012)".
    static const QRegularExpression trailingCode(QStringLiteral("\\s*[(（]\\s*(\\d{6})\\s*[)）]\\s*$"));
    const QRegularExpressionMatch m = trailingCode.match(rest);
    if (m.hasMatch()) {
        if (row.value(kPostcode).isEmpty())
            row.setValue(kPostcode, m.captured(1));
        rest.truncate(m.capturedStart());
    }
    const ParsedRecipient p = parser.parse(QStringLiteral("收货地址：") + rest);
    // Text the recogniser put anywhere but the address was part of it: the
    // address is kept whole then, and marked. A hidden address is kept as
    // it came; its region still gives the city.
    const bool leaked =
        masked || !p.name.isEmpty() || !p.mobile.isEmpty() || !p.phone.isEmpty() || !p.remark.isEmpty();
    row.setValue(kAddress, leaked || p.address.isEmpty() ? rest.simplified() : p.address);
    if (row.value(kCity).isEmpty())
        row.setValue(kCity, p.city);
    if (row.value(kPostcode).isEmpty())
        row.setValue(kPostcode, p.postcode);
    if ((leaked && !masked) || p.address.isEmpty() || p.isUnsure(kAddress))
        row.unsure << kAddress;
    if (row.value(kCity).isEmpty() || p.isUnsure(kCity))
        row.unsure << kCity;
    if (p.isUnsure(kPostcode) && !row.value(kPostcode).isEmpty())
        row.unsure << kPostcode;
}

} // namespace

QString OrderRow::value(const QString& column) const
{
    return values.value(columnOf(column));
}

void OrderRow::setValue(const QString& column, const QString& text)
{
    const int c = columnOf(column);
    if (c < 0)
        return;
    while (values.size() <= c)
        values << QString();
    values[c] = text;
}

QString OrderRow::problems() const
{
    QStringList p;
    for (const QString& c : masked)
        p << QStringLiteral("%1被平台隐藏或加密").arg(c);
    for (const QString& c : unsure)
        p << (value(c).isEmpty() ? QStringLiteral("缺少%1").arg(c) : QStringLiteral("%1识别不确定").arg(c));
    if (duplicate == Duplicate::Existing)
        p << QStringLiteral("与已有收件人重复");
    else if (duplicate == Duplicate::InFile)
        p << QStringLiteral("与文件中前面的一行重复");
    return p.join(kJoin);
}

int OrderPlan::duplicates() const
{
    int n = 0;
    for (const OrderRow& r : rows)
        n += r.duplicate != OrderRow::Duplicate::None ? 1 : 0;
    return n;
}

int OrderPlan::needingReview() const
{
    int n = 0;
    for (const OrderRow& r : rows)
        n += r.needsReview() ? 1 : 0;
    return n;
}

QString OrderImporter::cleanCell(QStringView cell)
{
    QStringView t = CellText::trimmed(cell);
    // ="0571…" keeps a number a text in a spreadsheet; so does a leading '.
    if (t.size() >= 3 && t.startsWith(QLatin1String("=\"")) && t.endsWith(QLatin1Char('"')))
        t = CellText::trimmed(t.mid(2, t.size() - 3));
    else if (t.startsWith(QLatin1Char('\'')))
        t = CellText::trimmed(t.mid(1));
    return t.toString();
}

bool OrderImporter::isMasked(const QString& value)
{
    if (value.contains(QLatin1Char('*')) || value.contains(QChar(0xFF0A)))
        return true;
    // An encrypted field: a long run of letters, digits and token marks,
    // no Chinese, no blanks.
    static const QRegularExpression token(QStringLiteral("^[~#$@]?[A-Za-z0-9+/=_~#$@.\\-]{16,}$"));
    static const QRegularExpression letter(QStringLiteral("[A-Za-z]"));
    return token.match(value).hasMatch() && letter.match(value).hasMatch();
}

OrderRow OrderImporter::mapRow(const QStringList& cells, int fileRow, const OrderMapping& mapping,
                               const AddressParser& parser)
{
    OrderRow row;
    row.fileRow = fileRow;
    for (int i = 0; i < Schema::importColumns().size(); ++i)
        row.values << QString();
    QString full;
    QString parts[5]; // 省 市 区 街道 详细地址
    QString orderNumber;
    bool addressMasked = false;
    for (int c = 0; c < mapping.columnCount() && c < cells.size(); ++c) {
        const Field f = mapping.field(c);
        const QString v = cleanCell(cells.at(c));
        if (f == Field::None || v.isEmpty())
            continue;
        const int column = OrderMapping::importColumn(f);
        if (column >= 0) {
            const QString name = Schema::importColumns().at(column);
            if ((f == Field::Name || f == Field::Mobile || f == Field::Phone || f == Field::Address ||
                 f == Field::Company) &&
                isMasked(v) && !row.masked.contains(name))
                row.masked << name;
            if (f == Field::Goods || f == Field::Remark) {
                appendText(row.values[column], v);
            } else {
                row.values[column] = v;
            }
            continue;
        }
        switch (f) {
        case Field::FullAddress:
            full = v;
            break;
        case Field::Province:
        case Field::CityPart:
        case Field::District:
        case Field::Street:
        case Field::Detail:
            parts[int(f) - int(Field::Province)] = v;
            break;
        case Field::OrderNumber:
            orderNumber = v;
            break;
        default:
            break;
        }
        if (f != Field::OrderNumber && isMasked(v))
            addressMasked = true;
    }
    if (addressMasked && !row.masked.contains(kAddress))
        row.masked << kAddress;
    if (full.isEmpty()) {
        QStringList joined;
        for (const QString& p : parts) {
            // A detail that repeats the parts before it (some exports do) is the whole address.
            if (!p.isEmpty() && !joined.isEmpty() && p.startsWith(joined.first())) {
                joined.clear();
            }
            if (!p.isEmpty() && !joined.contains(p))
                joined << p;
        }
        full = joined.join(QLatin1Char(' '));
    }
    if (!full.isEmpty())
        recogniseAddress(row, full, addressMasked, parser);
    if (row.value(kPostcode) == QLatin1String("000000"))
        row.setValue(kPostcode, QString());
    if (!orderNumber.isEmpty()) {
        QString remark = QStringLiteral("订单编号 ") + orderNumber;
        appendText(remark, row.value(kRemark));
        row.setValue(kRemark, remark);
    }
    if (row.value(kName).isEmpty() && !row.value(kAddress).isEmpty())
        row.unsure << kName;
    if (row.value(kAddress).isEmpty() && !row.value(kName).isEmpty())
        row.unsure << kAddress;
    if (row.value(kMobile).isEmpty() && row.value(kPhone).isEmpty() && !row.value(kAddress).isEmpty())
        row.unsure << kMobile;
    return row;
}

bool OrderImporter::prepare(const OrderFile& file, const OrderMapping& mapping, const AddressParser& parser,
                            OrderPlan* plan, QString* error, const ProgressFn& progress, bool* cancelled)
{
    if (cancelled)
        *cancelled = false;
    *plan = OrderPlan();
    if (!mapping.hasRecipient()) {
        if (error)
            *error = QStringLiteral("没有哪一列对应姓名或地址：请为收货人和收货地址选好对应的列。");
        return false;
    }
    const TextTable& t = file.table();
    const int first = file.headerRow() + 1;
    const int count = t.rowCount() - first;
    plan->rows.reserve(count);
    int shown = -1;
    for (int r = first; r < t.rowCount(); ++r) {
        const int percent = count > 0 ? int(qint64(r - first) * 100 / count) : 100;
        if (progress && percent != shown) {
            shown = percent;
            if (!progress(percent)) {
                if (cancelled)
                    *cancelled = true;
                if (error)
                    *error = QStringLiteral("已取消。");
                return false;
            }
        }
        OrderRow row = mapRow(t.row(r), file.fileRow(r), mapping, parser);
        if (row.value(kName).isEmpty() && row.value(kAddress).isEmpty()) {
            plan->blankRows << row.fileRow;
            continue;
        }
        plan->rows.append(std::move(row));
    }
    if (progress)
        progress(100);
    return true;
}

bool OrderImporter::markDuplicates(Database& db, Destination to, OrderPlan* plan, QString* error)
{
    QHash<QString, qint64> stored;
    if (to == Destination::Recipients) {
        const QString sql = QStringLiteral("SELECT %1, \"姓名\", \"手机\", \"地址\" FROM inr ORDER BY %1")
                                .arg(db.rowIdColumn(Schema::kRecipientTable));
        const bool ok = db.readRows(
            sql, {}, 3,
            [&](qint64 key, const QVector<QString>& v) {
                const QString k = duplicateKey(v.value(0), v.value(1), v.value(2));
                if (!stored.contains(k))
                    stored.insert(k, key);
            },
            error);
        if (!ok)
            return false;
    }
    QHash<QString, int> seen;
    for (int i = 0; i < plan->rows.size(); ++i) {
        OrderRow& r = plan->rows[i];
        r.duplicate = OrderRow::Duplicate::None;
        r.existingKey = -1;
        r.earlier = -1;
        // Hidden values are equal for different buyers: never a duplicate.
        if (r.masked.contains(kName) || r.masked.contains(kMobile) || r.masked.contains(kAddress))
            continue;
        const QString k = duplicateKey(r);
        if (stored.contains(k)) {
            r.duplicate = OrderRow::Duplicate::Existing;
            r.existingKey = stored.value(k);
        } else if (seen.contains(k)) {
            r.duplicate = OrderRow::Duplicate::InFile;
            r.earlier = seen.value(k);
        } else {
            seen.insert(k, i);
        }
    }
    return true;
}

QString OrderImporter::summary(int imported, int duplicates, int review, Duplicates rule)
{
    return (rule == Duplicates::Merge ? QStringLiteral("导入 %1 条，合并 %2 条重复，%3 条需核对")
                                      : QStringLiteral("导入 %1 条，跳过 %2 条重复，%3 条需核对"))
        .arg(imported)
        .arg(duplicates)
        .arg(review);
}

OrderImporter::Result OrderImporter::store(Database& db, const OrderPlan& given, Destination to,
                                           Duplicates rule, const ProgressFn& progress)
{
    Result res;
    res.blankRows = given.blankRows;
    auto fail = [&](const QString& why) {
        res.reason = why.isEmpty() ? QStringLiteral("无法保存导入的记录。") : why;
        return res;
    };
    if (!db.isOpen())
        return fail(QStringLiteral("数据库没有打开。"));
    // Nothing to store must not empty the Excel list.
    if (given.rows.isEmpty())
        return fail(QStringLiteral("文件里没有可导入的行：每一行的姓名和地址都是空的。"));
    QString why;
    QSqlDatabase conn = db.db();
    // The list replaced, or the recipients appended to, in one transaction.
    std::unique_ptr<Transaction> tx;
    if (to == Destination::Recipients) {
        tx = std::make_unique<Transaction>(conn);
        if (!tx->isActive())
            return fail(QStringLiteral("无法开始保存：数据库忙或只读。"));
    }
    OrderPlan plan = given;
    if (!markDuplicates(db, to, &plan, &why))
        return fail(why);

    // What is stored: new rows (later equal rows merged into them, if
    // chosen) and merges into stored recipients.
    QVector<QStringList> records;
    QVector<int> recordOf(plan.rows.size(), -1);
    QHash<qint64, QList<int>> mergesInto;
    for (int i = 0; i < plan.rows.size(); ++i) {
        const OrderRow& r = plan.rows.at(i);
        switch (r.duplicate) {
        case OrderRow::Duplicate::None:
            recordOf[i] = int(records.size());
            records << r.values;
            res.review += r.needsReview() ? 1 : 0;
            break;
        case OrderRow::Duplicate::InFile:
            ++res.duplicates;
            if (rule == Duplicates::Merge && recordOf.at(r.earlier) >= 0)
                merge(records[recordOf.at(r.earlier)], r.values);
            break;
        case OrderRow::Duplicate::Existing:
            ++res.duplicates;
            if (rule == Duplicates::Merge)
                mergesInto[r.existingKey] << i;
            break;
        }
    }
    bool cancelled = false;
    if (to == Destination::ExcelList) {
        if (!ExcelImporter::replaceTable(db, records, &why, progress, &cancelled)) {
            res.cancelled = cancelled;
            return fail(why);
        }
    } else {
        QStringList columns = Schema::importColumns();
        columns << QStringLiteral("快递单号");
        const QString none = QStringLiteral("");
        auto rowAt = [&](int r, QVector<QVariant>& values) {
            const QStringList& rec = records.at(r);
            for (int c = 0; c < columns.size(); ++c)
                values[c] = c < rec.size() && !rec.at(c).isEmpty() ? rec.at(c) : none;
        };
        if (!records.isEmpty() && !db.appendRows(Schema::kRecipientTable, columns, int(records.size()), rowAt,
                                                 progress, &cancelled, &why)) {
            res.cancelled = cancelled;
            return fail(why);
        }
        const QString key = db.rowIdColumn(Schema::kRecipientTable);
        QStringList select;
        QStringList assign;
        for (const QString& c : Schema::importColumns()) {
            select << QStringLiteral("coalesce(%1, '')").arg(Schema::quoted(c));
            assign << Schema::quoted(c) + QStringLiteral(" = ?");
        }
        for (auto it = mergesInto.cbegin(); it != mergesInto.cend(); ++it) {
            QStringList kept;
            const bool read = db.readRows(
                QStringLiteral("SELECT %1, %2 FROM inr WHERE %1 = ?")
                    .arg(key, select.join(QStringLiteral(", "))),
                {it.key()}, int(Schema::importColumns().size()),
                [&](qint64, const QVector<QString>& v) { kept = QStringList(v.cbegin(), v.cend()); }, &why);
            if (!read)
                return fail(why);
            const QStringList before = kept;
            for (int i : it.value()) {
                merge(kept, plan.rows.at(i).values);
                res.review += plan.rows.at(i).needsReview() ? 1 : 0;
            }
            if (kept == before)
                continue;
            QVariantList binds;
            for (const QString& v : qAsConst(kept))
                binds << v;
            binds << it.key();
            if (!db.exec(QStringLiteral("UPDATE inr SET %1 WHERE %2 = ?")
                             .arg(assign.join(QStringLiteral(", ")), key),
                         binds, &why))
                return fail(why);
        }
        if (!tx->commit(&why))
            return fail(why);
        SearchIndex::buildMissing(db);
    }
    res.ok = true;
    res.imported = int(records.size());
    res.summary = summary(res.imported, res.duplicates, res.review, rule);
    if (!res.blankRows.isEmpty())
        res.summary += QLatin1Char('\n') + ExcelImporter::blankRowsNote(res.blankRows);
    return res;
}
