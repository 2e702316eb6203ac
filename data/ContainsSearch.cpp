#include "data/ContainsSearch.h"

#include "data/Schema.h"

#include "data/DataSet.h"

namespace ContainsSearch {

QString whereClause(const QString& column)
{
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
    if (text.contains(QChar(u'\0'))) {
        QString quoted = column;
        quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
        return set.open(table, QStringLiteral("instr(\"%1\", ?) > 0").arg(quoted), {QVariant(text)}, error);
    }
    return set.open(table, whereClause(column), {pattern(text)}, error);
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
