#include "data/records/ContainsSearch.h"

#include "data/store/Schema.h"

#include "data/records/DataSet.h"
#include "data/store/Database.h"

namespace ContainsSearch {

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
    // LIKE reads its pattern as a C string: at a NUL character the pattern
    // would end, and "%" then matches every row. Such a text is looked for
    // as it is, character for character.
    if (!set.database()) {
        if (error)
            *error = QStringLiteral("数据库没有连接");
        return false;
    }
    const Database& db = *set.database();
    if (text.contains(QChar(u'\0'))) {
        // A server's texts cannot hold the character at all: no row has it.
        if (db.isServer())
            return set.open(table, QStringLiteral("1 = 0"), {}, error);
        return set.openScan(table, db.containsText(Schema::quoted(column)), {QVariant(text)}, error);
    }
    return set.openScan(table, whereClause(column), {pattern(text)}, error);
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
