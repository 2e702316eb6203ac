#include "data/tracking/PrintedWaybills.h"

#include "data/store/Database.h"
#include "data/store/Schema.h"
#include "data/store/TableRegistry.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVector>

#include <algorithm>

const QString PrintedWaybills::kTable = QStringLiteral("printlog_item");

namespace {
// Made with the print record itself, so a copy between stores makes both.
const TableRegistration kItems{
    {PrintedWaybills::kTable, QStringLiteral("编号"), true, &PrintHistory::ensureTable}};

QString q(const char* name)
{
    return Schema::quoted(QString::fromUtf8(name));
}

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

const QString kTimeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");

QString tableOf(const QString& variant)
{
    PrintHistory::Entry e;
    e.variant = variant;
    return e.recipientTable();
}

} // namespace

bool PrintedWaybills::ensureTable(Database& db, QString* error)
{
    if (db.hasTable(kTable))
        return true;
    return db.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (%2 %10, %3 %11 NOT NULL, %4 %11, %5 %11, "
                                  "%6 TEXT, %7 TEXT, %8 TEXT, %9 TEXT, %12 TEXT)")
                       .arg(Schema::quoted(kTable), q("编号"), q("打印记录"), q("张次"), q("序号"), q("姓名"),
                            q("城市"), q("地址"), q("手机"))
                       .arg(db.type(Database::Type::Key), db.type(Database::Type::Integer), q("快递单号")),
                   {}, error);
}

bool PrintedWaybills::store(Database& db, qint64 id, int count,
                            const std::function<PrintHistory::Waybill(int)>& waybillAt, qint64* after,
                            QString* error)
{
    if (!ensureTable(db, error))
        return false;
    // Keys only grow (on the server too, whoever inserts meanwhile): the
    // rows stored next lie above the highest one now.
    QSqlQuery top(db.db());
    if (!top.exec(QStringLiteral("SELECT max(%2) FROM %1").arg(Schema::quoted(kTable), q("编号"))) ||
        !top.next()) {
        setError(error, db.failure(top.lastError()));
        return false;
    }
    *after = top.value(0).toLongLong();
    top.finish();
    if (count <= 0)
        return true;
    const QStringList columns{QStringLiteral("打印记录"), QStringLiteral("张次"),    QStringLiteral("序号"),
                              QStringLiteral("姓名"),     QStringLiteral("城市"),    QStringLiteral("地址"),
                              QStringLiteral("手机"),     QStringLiteral("快递单号")};
    // A few thousand at a time: the rows are read from their set between
    // the chunks, never while a server takes one in (a connection copying
    // rows in answers nothing else).
    constexpr int kChunk = 4096;
    QList<PrintHistory::Waybill> chunk;
    for (int first = 0; first < count; first += kChunk) {
        const int n = std::min(kChunk, count - first);
        chunk.clear();
        for (int i = 0; i < n; ++i)
            chunk.append(waybillAt(first + i));
        if (!db.appendRows(
                kTable, columns, n,
                [&](int i, QVector<QVariant>& values) {
                    const PrintHistory::Waybill& w = chunk.at(i);
                    values = {id, first + i + 1, w.serial, w.name, w.city, w.address, w.mobile, w.number};
                },
                {}, nullptr, error))
            return false;
    }
    return true;
}

bool PrintedWaybills::read(Database& db, QHash<qint64, QList<PrintHistory::Waybill>>* out, QString* error)
{
    out->clear();
    if (!db.hasTable(kTable))
        return true;
    QSqlQuery query(db.db());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT %2, %3, %4, %5, %6, %7, %8 FROM %1 ORDER BY %2, %9")
                        .arg(Schema::quoted(kTable), q("打印记录"), q("序号"), q("姓名"), q("城市"),
                             q("地址"), q("手机"), q("快递单号"), q("张次")))) {
        setError(error, db.failure(query.lastError()));
        return false;
    }
    while (query.next()) {
        PrintHistory::Waybill w;
        w.serial = query.value(1).toLongLong();
        w.name = query.value(2).toString();
        w.city = query.value(3).toString();
        w.address = query.value(4).toString();
        w.mobile = query.value(5).toString();
        w.number = query.value(6).toString();
        (*out)[query.value(0).toLongLong()].append(w);
    }
    return true;
}

bool PrintedWaybills::remove(Database& db, qint64 id, QString* error)
{
    if (!db.hasTable(kTable))
        return true;
    return db.exec(QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(Schema::quoted(kTable), q("打印记录")),
                   {id}, error);
}

int PrintedWaybills::goes(const NumberSequence& numbers)
{
    if (numbers.isComputed())
        return 1;
    return (numbers.size() + PrintHistory::kNumbersAtOnce - 1) / PrintHistory::kNumbersAtOnce;
}

QString PrintedWaybills::condition(const Database& db, const QString& column, const NumberSequence& numbers,
                                   int g, QVariantList* binds)
{
    if (numbers.isComputed()) {
        // Same length, and between the first and the last: without the
        // length "K1000" would fall between "K100" and "K199".
        QStringList parts;
        for (const NumberSequence::Span& s : numbers.spans()) {
            parts << QStringLiteral("(length(%1) = ? AND %1 BETWEEN ? AND ?)").arg(column);
            *binds << int(s.from.size()) << s.from << s.to;
        }
        return QLatin1Char('(') + parts.join(QStringLiteral(" OR ")) + QLatin1Char(')');
    }
    // Waybill numbers are letters and digits only (WaybillNumber), so they
    // go into the JSON list as they are.
    const int first = g * PrintHistory::kNumbersAtOnce;
    const int end = std::min(first + PrintHistory::kNumbersAtOnce, numbers.size());
    QString list(QLatin1Char('['));
    for (int i = first; i < end; ++i) {
        if (i > first)
            list += QLatin1Char(',');
        list += QLatin1Char('"') + numbers.at(i) + QLatin1Char('"');
    }
    *binds << list + QLatin1Char(']');
    return db.inList(column, false);
}

bool PrintedWaybills::usesOf(Database& db, const NumberSequence& numbers,
                             const std::function<void(const Use&, int)>& each, QString* error)
{
    if (numbers.isEmpty() || !db.hasTable(PrintHistory::kTable))
        return true;
    // An entry's waybills share its time: read once, not for each (every
    // reading asks the system for the time zone).
    QString timeText;
    QDateTime when;
    const auto timeOf = [&](const QString& text) {
        if (text != timeText) {
            timeText = text;
            when = QDateTime::fromString(text, kTimeFormat);
        }
        return when;
    };
    QSqlQuery query(db.db());
    query.setForwardOnly(true);
    if (db.hasTable(kTable)) {
        for (int g = 0; g < goes(numbers); ++g) {
            QVariantList binds;
            const QString where = condition(db, QStringLiteral("i.") + q("快递单号"), numbers, g, &binds);
            query.prepare(QStringLiteral("SELECT i.%3, p.%4, p.%5, p.%6, i.%7, i.%8, p.%9, i.%12 FROM %1 i "
                                         "JOIN %2 p ON p.%9 = i.%10 "
                                         "WHERE %11")
                              .arg(Schema::quoted(kTable), Schema::quoted(PrintHistory::kTable),
                                   q("快递单号"), q("时间"), q("状态"), q("方式"), q("序号"), q("姓名"),
                                   q("编号"))
                              .arg(q("打印记录"), where, q("张次")));
            for (const QVariant& b : qAsConst(binds))
                query.addBindValue(b);
            if (!query.exec()) {
                setError(error, db.failure(query.lastError()));
                return false;
            }
            while (query.next()) {
                const QString number = query.value(0).toString();
                const int at = numbers.indexOf(number);
                if (at >= 0)
                    each({number, timeOf(query.value(1).toString()),
                          query.value(2).toString() != PrintHistory::kUnderWay,
                          tableOf(query.value(3).toString()), query.value(4).toLongLong(),
                          query.value(5).toString(), false, query.value(6).toLongLong(),
                          query.value(7).toLongLong()},
                         at);
            }
        }
        query.finish();
    }
    // Prints recorded before their waybills were kept (no state, or a file
    // whose record has no state column yet): their lists.
    QStringList columns;
    if (!db.columns(PrintHistory::kTable, &columns, error))
        return false;
    const QString older = columns.contains(QStringLiteral("状态"))
                              ? QStringLiteral(" AND %1 IS NULL").arg(q("状态"))
                              : QString();
    if (!query.exec(QStringLiteral("SELECT %2, %3, %4, %5, %7 FROM %1 WHERE %5 <> ''%6 ORDER BY %7")
                        .arg(Schema::quoted(PrintHistory::kTable), q("时间"), q("方式"), q("序号"),
                             q("快递单号"), older, q("编号")))) {
        setError(error, db.failure(query.lastError()));
        return false;
    }
    while (query.next()) {
        const QStringList given = query.value(3).toString().split(QLatin1Char(','));
        const QStringList serials = query.value(2).toString().split(QLatin1Char(','));
        for (int i = 0; i < given.size(); ++i)
            if (const int at = numbers.indexOf(given.at(i)); at >= 0)
                each({given.at(i), timeOf(query.value(0).toString()), true,
                      tableOf(query.value(1).toString()), serials.value(i).toLongLong(), QString(), true,
                      query.value(4).toLongLong(), i},
                     at);
    }
    return true;
}
