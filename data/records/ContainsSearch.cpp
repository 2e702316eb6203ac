#include "data/records/ContainsSearch.h"

#include "data/store/Schema.h"
#include "data/store/SearchIndex.h"

#include "data/records/DataSet.h"
#include "data/store/Database.h"

#include <QStringList>

namespace ContainsSearch {

namespace {
// Rows of noted changes indexed before a search: some 50 ms of work.
constexpr int kCatchUpRows = 5000;
} // namespace

QString whereClause(const QString& column)
{
    // LIKE on both stores. SQLite's ignores the case of Latin letters; a
    // server's ILIKE would too, but scans several times slower, and names
    // and numbers here are Chinese and digits.
    return Schema::quoted(column) + QStringLiteral(" LIKE ? ESCAPE '\\'");
}

QVariant pattern(const QString& text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    escaped.replace(QLatin1Char('%'), QLatin1String("\\%"));
    escaped.replace(QLatin1Char('_'), QLatin1String("\\_"));
    return QVariant(QLatin1Char('%') + escaped + QLatin1Char('%'));
}

bool open(DataSet& set, const QString& table, const QString& column, const QString& text, QString* error)
{
    return openAll(set, table, {{column, text}}, error);
}

bool openAll(DataSet& set, const QString& table, const QList<QPair<QString, QString>>& terms, QString* error)
{
    if (!set.database()) {
        if (error)
            *error = QStringLiteral("数据库没有连接");
        return false;
    }
    Database& db = *set.database();
    // What the triggers noted since the last search, into the index first
    // (a little at a time: the rows still noted are read beside the index).
    SearchIndex::catchUp(db, kCatchUpRows);
    QStringList clauses;
    QVariantList binds;
    bool keyed = false;
    for (const auto& [column, text] : terms) {
        // LIKE reads its pattern as a C string: at a NUL character the
        // pattern would end, and "%" then matches every row. Such a text is
        // looked for as it is, character for character; a server's texts
        // cannot hold the character at all, so there no row has it.
        if (!text.contains(QChar(u'\0'))) {
            clauses << whereClause(column);
            binds << pattern(text);
            QString narrow;
            QVariantList narrowBinds;
            if (SearchIndex::narrowing(db, table, column, text, &narrow, &narrowBinds)) {
                keyed = true;
                if (!narrow.isEmpty())
                    clauses << narrow;
                binds << narrowBinds;
            }
        } else if (db.isServer()) {
            return set.open(table, QStringLiteral("1 = 0"), {}, error);
        } else {
            clauses << db.containsText(Schema::quoted(column));
            binds << QVariant(text);
        }
    }
    const QString where = clauses.join(QStringLiteral(" AND "));
    // Through the index the rows are looked up, and the table's count
    // comes apart; else one scan reads both.
    return keyed ? set.open(table, where, binds, error) : set.openScan(table, where, binds, error);
}

bool byNameOrMobile(DataSet& set, const QString& table, const QString& name, const QString& mobile,
                    QString* error)
{
    if (!mobile.isEmpty())
        return open(set, table, QStringLiteral("手机"), mobile, error);
    if (!name.isEmpty())
        return open(set, table, QStringLiteral("姓名"), name, error);
    return true;
}

} // namespace ContainsSearch
