#include "data/tracking/PrintHistory.h"

#include "data/store/Database.h"
#include "data/store/Schema.h"
#include "data/store/SearchIndex.h"
#include "data/store/TableRegistry.h"
#include "data/store/Transaction.h"
#include "data/tracking/FirstInOrder.h"
#include "data/tracking/PrintedWaybills.h"

#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <limits>
#include <tuple>

const QString PrintHistory::kTable = QStringLiteral("printlog");
const QString PrintHistory::kDone = QStringLiteral("完成");
const QString PrintHistory::kUnderWay = QStringLiteral("未完成");
const QString PrintHistory::kReprint = QStringLiteral("重印");

namespace {
const TableRegistration kPrintLog{
    {PrintHistory::kTable, QStringLiteral("编号"), true, &PrintHistory::ensureTable}};
} // namespace

namespace {

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

QString q(const char* name)
{
    return Schema::quoted(QString::fromUtf8(name));
}

QList<qint64> splitSerials(const QString& text)
{
    QList<qint64> out;
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts))
        out << part.toLongLong();
    return out;
}

const QString kTimeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");

bool hasStateColumn(Database& db, bool* has, QString* error)
{
    QStringList columns;
    if (!db.columns(PrintHistory::kTable, &columns, error))
        return false;
    *has = columns.contains(QStringLiteral("状态"));
    return true;
}

bool startRecord(Database& db, const PrintHistory::Entry& e, const Transaction& tx, QString* error)
{
    const int given = e.givenNumbers().size();
    if (given != 0 && given != e.serials.size()) {
        setError(error, QStringLiteral("单号与收件记录的数目不一致。"));
        return false;
    }
    if (!tx.isActive()) {
        setError(error, QStringLiteral("无法开始写入打印记录。"));
        return false;
    }
    return PrintHistory::ensureTable(db, error);
}

// Two computers giving numbers at once: the second waits here, then finds
// the first one's numbers taken. Numbers the user was told of pass.
bool checkNumbers(Database& db, const PrintHistory::Entry& e, const QString& refusal, QString* error)
{
    const NumberSequence numbers = e.givenNumbers();
    if (numbers.isEmpty())
        return true;
    PrintHistory::Conflicts unseen;
    if (!db.lockNumbers(error) || !PrintHistory::numbersInUse(db, e.recipientTable(), e.serials, numbers,
                                                              &unseen, error, e.acceptedTaken))
        return false;
    if (unseen.isEmpty())
        return true;
    setError(error, refusal.arg(unseen
                                    .firstLines(PrintHistory::Conflicts::kLinesKept,
                                                QStringLiteral("另有 %1 个单号也已被使用"))
                                    .join(QLatin1Char('\n'))));
    return false;
}

// The waybills of e as its rows stand now, for callers that name rows only.
bool waybillsNow(Database& db, const PrintHistory::Entry& e, QList<PrintHistory::Waybill>* out,
                 QString* error)
{
    QHash<qint64, PrintHistory::Waybill> rows;
    const bool ok = db.readRows(
        QStringLiteral("SELECT %2, %3, %4, %5, %6 FROM %1 WHERE %7")
            .arg(Schema::quoted(e.recipientTable()), q("序号"), q("姓名"), q("城市"), q("地址"), q("手机"),
                 db.inList(q("序号"))),
        {Database::jsonList(e.serials)}, 4,
        [&rows](qint64 serial, const QVector<QString>& t) {
            rows.insert(serial, {serial, t.at(0), t.at(1), t.at(2), t.at(3), {}});
        },
        error);
    const NumberSequence numbers = e.givenNumbers();
    for (int i = 0; ok && i < e.serials.size(); ++i) {
        PrintHistory::Waybill w = rows.value(e.serials.at(i));
        w.serial = e.serials.at(i);
        w.number = numbers.value(i);
        out->append(w);
    }
    return ok;
}

// The entry's row, then its waybills; the lists of serials and numbers
// are kept with the waybills only (the entry's own columns for them stay
// empty, as they do not grow with the print).
bool insertEntry(Database& db, PrintHistory::Entry* e, bool complete, QString* error)
{
    QSqlQuery insert(db.db());
    insert.prepare(QStringLiteral("INSERT INTO %1 (%2, %3, %4, %5, %6, %7, %8, %9, %10, %12) "
                                  "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?) RETURNING %11")
                       .arg(Schema::quoted(PrintHistory::kTable), q("时间"), q("模板"), q("方式"), q("输出"),
                            q("目标"), q("页数"), q("寄件人"), q("序号"))
                       .arg(q("快递单号"), q("编号"), q("状态")));
    for (const QVariant& v :
         {QVariant(e->when.toString(kTimeFormat)), QVariant(e->templateCode), QVariant(e->variant),
          QVariant(e->toPdf ? QStringLiteral("PDF") : QStringLiteral("打印机")), QVariant(e->target),
          QVariant(e->pages), QVariant(e->senderRow), QVariant(QString()), QVariant(QString()),
          QVariant(!complete    ? PrintHistory::kUnderWay
                   : e->reprint ? PrintHistory::kReprint
                                : PrintHistory::kDone)})
        insert.addBindValue(v);
    if (!insert.exec() || !insert.next()) {
        setError(error, db.failure(insert.lastError()));
        return false;
    }
    const qint64 newId = insert.value(0).toLongLong();
    insert.finish();
    std::function<PrintHistory::Waybill(int)> at = e->waybillAt;
    QList<PrintHistory::Waybill> waybills = e->waybills;
    if (!at) {
        if (waybills.isEmpty() && !waybillsNow(db, *e, &waybills, error))
            return false;
        at = [&waybills](int i) { return waybills.at(i); };
    }
    if (!PrintedWaybills::store(db, newId, int(e->serials.size()), at, &e->waybillsAfter, error))
        return false;
    e->id = newId;
    return true;
}

// Every waybill of the entry gives its row the printed mark and, where it
// carries one, its number: one statement over the stored waybills.
bool writeMarks(Database& db, const PrintHistory::Entry& e, QString* error)
{
    if (e.serials.isEmpty())
        return true;
    const QString table = Schema::quoted(e.recipientTable());
    if (!db.exec(QStringLiteral("UPDATE %1 SET %2 = ?, %3 = coalesce(nullif(i.%3, ''), %1.%3) FROM %4 i "
                                "WHERE i.%5 > ? AND i.%6 = ? AND %1.%7 = i.%7")
                     .arg(table, q("已打印"), q("快递单号"), Schema::quoted(PrintedWaybills::kTable),
                          q("编号"), q("打印记录"), q("序号")),
                 {PrintHistory::markText(e.when), e.waybillsAfter, e.id}, error))
        return false;
    // The numbers are searched for: into the index with the marks, rather
    // than a little at each search to come (the rows stay noted if not).
    if (!e.numbers.isEmpty() || !e.sequence.isEmpty())
        SearchIndex::takeIn(db, e.recipientTable(), std::numeric_limits<int>::max());
    return true;
}

QString tableWord(const QString& table)
{
    return table == Schema::kExcelTable ? QStringLiteral("导入记录") : QStringLiteral("收件人");
}

// One number an earlier print gave, for the user.
QString useLine(const PrintedWaybills::Use& u, bool sameRow)
{
    const QString row = QStringLiteral("%1序号 %2").arg(tableWord(u.table)).arg(u.serial);
    const QString whom = u.name.isEmpty() ? row : QStringLiteral("“%1”（%2）").arg(u.name, row);
    const QString when = PrintHistory::markText(u.when);
    QString line = u.complete ? QStringLiteral("单号 %1 已在 %2 打印给%3").arg(u.number, when, whom)
                              : QStringLiteral("单号 %1 已在 %2 一次未完成的打印中给了%3，可能已印在运单上")
                                    .arg(u.number, when, whom);
    if (sameRow)
        line += QStringLiteral("（就是这次要打印的这一行）");
    return line;
}

} // namespace

QString PrintHistory::Entry::recipientTable() const
{
    return variant.startsWith(QLatin1String("excel")) ? Schema::kExcelTable : Schema::kRecipientTable;
}

QString PrintHistory::markText(const QDateTime& when)
{
    return when.toString(QStringLiteral("yyyy-MM-dd hh:mm"));
}

bool PrintHistory::ensureTable(Database& db, QString* error)
{
    if (!db.hasTable(kTable) &&
        !db.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (%2 %12, "
                                "%3 TEXT, %4 TEXT, %5 TEXT, %6 TEXT, %7 TEXT, %8 %13, %9 %13, "
                                "%10 TEXT, %11 TEXT, %14 TEXT)")
                     .arg(Schema::quoted(kTable), q("编号"), q("时间"), q("模板"), q("方式"), q("输出"),
                          q("目标"), q("页数"), q("寄件人"))
                     .arg(q("序号"), q("快递单号"), db.type(Database::Type::Key),
                          db.type(Database::Type::Integer), q("状态")),
                 {}, error))
        return false;
    // Records from before prints could be cut short: every entry complete.
    bool has = false;
    if (!hasStateColumn(db, &has, error) ||
        (!has &&
         !db.exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 TEXT").arg(Schema::quoted(kTable), q("状态")),
                  {}, error)))
        return false;
    return PrintedWaybills::ensureTable(db, error);
}

bool PrintHistory::record(Database& db, const Entry& e, bool mark, QString* error, qint64* id)
{
    Transaction tx(db.db());
    if (!startRecord(db, e, tx, error))
        return false;
    if (mark &&
        !checkNumbers(
            db, e, QStringLiteral("单号刚被其他电脑使用，打印记录没有保存，请核对已打印单据上的单号：\n%1"),
            error))
        return false;
    Entry stored = e;
    if (!insertEntry(db, &stored, true, error) || (mark && !writeMarks(db, stored, error)) ||
        !tx.commit(error))
        return false;
    if (id)
        *id = stored.id;
    return true;
}

bool PrintHistory::begin(Database& db, const Entry& e, QString* error, qint64* id)
{
    Entry stored = e;
    if (!begin(db, &stored, error))
        return false;
    if (id)
        *id = stored.id;
    return true;
}

bool PrintHistory::begin(Database& db, Entry* e, QString* error)
{
    Transaction tx(db.db());
    if (!startRecord(db, *e, tx, error) ||
        !checkNumbers(db, *e, QStringLiteral("单号刚被其他电脑使用，没有打印：\n%1"), error))
        return false;
    Entry stored = *e;
    if (!insertEntry(db, &stored, false, error) || !tx.commit(error))
        return false;
    e->id = stored.id;
    e->waybillsAfter = stored.waybillsAfter;
    return true;
}

bool PrintHistory::finish(Database& db, const Entry& e, bool mark, QString* error)
{
    Transaction tx(db.db());
    if (!startRecord(db, e, tx, error))
        return false;
    QSqlQuery update(db.db());
    update.prepare(QStringLiteral("UPDATE %1 SET %2 = ?, %3 = ? WHERE %4 = ?")
                       .arg(Schema::quoted(kTable), q("状态"), q("页数"), q("编号")));
    update.addBindValue(e.reprint ? kReprint : kDone);
    update.addBindValue(e.pages);
    update.addBindValue(e.id);
    if (!update.exec()) {
        setError(error, db.failure(update.lastError()));
        return false;
    }
    if (update.numRowsAffected() != 1) {
        setError(error, QStringLiteral("打印开始时写下的记录已不在（地址簿是否刚被恢复或换掉？）。"));
        return false;
    }
    update.finish();
    return (!mark || writeMarks(db, e, error)) && tx.commit(error);
}

bool PrintHistory::abandon(Database& db, qint64 id, QString* error)
{
    Transaction tx(db.db());
    return tx.isActive() && PrintedWaybills::remove(db, id, error) &&
           db.exec(QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(Schema::quoted(kTable), q("编号")), {id},
                   error) &&
           tx.commit(error);
}

bool PrintHistory::entries(Database& db, QList<Entry>* out, QString* error)
{
    out->clear();
    if (!db.hasTable(kTable))
        return true;
    bool hasState = false;
    QHash<qint64, QList<Waybill>> waybills;
    if (!hasStateColumn(db, &hasState, error) || !PrintedWaybills::read(db, &waybills, error))
        return false;
    QSqlQuery query(db.db());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT %2, %3, %4, %5, %6, %7, %8, %9, %10, %11, %12 FROM %1 ORDER BY %2")
                        .arg(Schema::quoted(kTable), q("编号"), q("时间"), q("模板"), q("方式"), q("输出"),
                             q("目标"), q("页数"), q("寄件人"), q("序号"))
                        .arg(q("快递单号"), hasState ? q("状态") : QStringLiteral("NULL")))) {
        setError(error, db.failure(query.lastError()));
        return false;
    }
    while (query.next()) {
        Entry e;
        e.id = query.value(0).toLongLong();
        e.when = QDateTime::fromString(query.value(1).toString(), kTimeFormat);
        e.templateCode = query.value(2).toString();
        e.variant = query.value(3).toString();
        e.toPdf = query.value(4).toString() == QLatin1String("PDF");
        e.target = query.value(5).toString();
        e.pages = query.value(6).toInt();
        e.senderRow = query.value(7).isNull() ? -1 : query.value(7).toLongLong();
        e.serials = splitSerials(query.value(8).toString());
        const QString numbers = query.value(9).toString();
        if (!numbers.isEmpty())
            e.numbers = numbers.split(QLatin1Char(','));
        e.complete = query.value(10).toString() != kUnderWay;
        e.reprint = query.value(10).toString() == kReprint;
        e.waybills = waybills.value(e.id);
        if (e.serials.isEmpty()) {
            // Kept with the waybills only.
            for (const Waybill& w : qAsConst(e.waybills)) {
                e.serials << w.serial;
                e.numbers << w.number;
            }
            if (std::all_of(e.numbers.cbegin(), e.numbers.cend(),
                            [](const QString& n) { return n.isEmpty(); }))
                e.numbers.clear();
        }
        out->append(e);
    }
    return true;
}

bool PrintHistory::rowStates(Database& db, const QString& table, const QList<qint64>& serials,
                             QHash<qint64, RowState>* out, QString* error)
{
    out->clear();
    QSqlQuery query(db.db());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT %2, %3, %4, %5 FROM %1 WHERE %6")
                      .arg(Schema::quoted(table), q("序号"), q("姓名"), q("已打印"), q("快递单号"),
                           db.inList(q("序号"))));
    query.addBindValue(Database::jsonList(serials));
    if (!query.exec()) {
        setError(error, db.failure(query.lastError()));
        return false;
    }
    while (query.next())
        out->insert(query.value(0).toLongLong(),
                    {true, query.value(1).toString(), query.value(2).toString(), query.value(3).toString()});
    return true;
}

QStringList PrintHistory::Conflicts::firstLines(int shown, const QString& more) const
{
    QStringList out = lines.mid(0, shown);
    if (count > out.size())
        out << more.arg(count - out.size());
    return out;
}

bool PrintHistory::numbersInUse(Database& db, const QString& table, const QList<qint64>& serials,
                                const NumberSequence& numbers, Conflicts* out, QString* error,
                                const QBitArray& accepted)
{
    *out = {};
    out->taken = QBitArray(numbers.size());
    if (numbers.isEmpty())
        return true;
    // The row the number at position i goes to.
    const auto serialAt = [&](int i) { return i < serials.size() ? serials.at(i) : qint64(-1); };
    // Numbers the user was told of already are not told again.
    const auto tell = [&](int i) { return i >= accepted.size() || !accepted.testBit(i); };
    const auto room = [out] { return Conflicts::kLinesKept - int(out->lines.size()); };
    for (const QString& t : {Schema::kRecipientTable, Schema::kExcelTable}) {
        QSqlQuery query(db.db());
        query.setForwardOnly(true);
        // The goes are in print order, which is not number order where the
        // digits grow ("K10" before "K9"): the first lines in number order
        // are picked from all the goes.
        FirstInOrder<QString, QString> first(room());
        for (int g = 0; g < PrintedWaybills::goes(numbers); ++g) {
            QVariantList binds;
            const QString where = PrintedWaybills::condition(db, q("快递单号"), numbers, g, &binds);
            query.prepare(QStringLiteral("SELECT %2, %3, %4 FROM %1 WHERE %5 ORDER BY %4")
                              .arg(Schema::quoted(t), q("序号"), q("姓名"), q("快递单号"), where));
            for (const QVariant& b : qAsConst(binds))
                query.addBindValue(b);
            if (!query.exec()) {
                setError(error, db.failure(query.lastError()));
                return false;
            }
            while (query.next()) {
                const qint64 serial = query.value(0).toLongLong();
                const QString number = query.value(2).toString();
                const int i = numbers.indexOf(number);
                if (i < 0)
                    continue; // in a range, but none of these numbers
                if (t == table && serialAt(i) == serial)
                    continue; // the row keeps its own number; the record below tells whether it was printed
                out->taken.setBit(i);
                if (!tell(i))
                    continue;
                ++out->count;
                first.offer(number, [&] {
                    return QStringLiteral("单号 %1 已用于%2“%3”（序号 %4）")
                        .arg(number, tableWord(t), query.value(1).toString())
                        .arg(serial);
                });
            }
        }
        out->lines += first.sorted();
    }
    // Numbers printed before, on rows that are gone, renumbered or this one:
    // each once, by its first use.
    const QBitArray inRows = out->taken;
    FirstInOrder<std::tuple<bool, qint64, qint64>, QString> first(room());
    const bool ok = PrintedWaybills::usesOf(
        db, numbers,
        [&](const PrintedWaybills::Use& u, int i) {
            if (inRows.testBit(i))
                return;
            if (!out->taken.testBit(i)) {
                out->taken.setBit(i);
                if (tell(i))
                    ++out->count;
            }
            if (tell(i))
                first.offer(
                    {u.listed, u.entry, u.sheet},
                    [&] { return useLine(u, u.table == table && serialAt(i) == u.serial); }, i);
        },
        error);
    out->lines += first.sorted();
    return ok;
}

bool PrintHistory::clearMarks(Database& db, const QString& table, const QList<qint64>& serials,
                              QString* error)
{
    return db.exec(QStringLiteral("UPDATE %1 SET %2 = '', %3 = '' WHERE %4")
                       .arg(Schema::quoted(table), q("已打印"), q("快递单号"), db.inList(q("序号"))),
                   {Database::jsonList(serials)}, error);
}
