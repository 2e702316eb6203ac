#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QVariantList>

class DataSet;

// The single-field search of the recipient lists: rows whose column
// contains the typed text anywhere. The text is bound, never spliced into
// the statement, and LIKE's wildcards are escaped, so quotes, "%" and "_"
// are searched for as themselves.
namespace ContainsSearch {

QString whereClause(const QString& column);
QVariant pattern(const QString& text);

// Reopens set on table narrowed to the rows whose column contains text.
bool open(DataSet& set, const QString& table, const QString& column, const QString& text, QString* error);

// Reopens set narrowed to the rows that meet every term: each column
// contains its text.
bool openAll(DataSet& set, const QString& table, const QList<QPair<QString, QString>>& terms, QString* error);

// The search bar of a recipient list: by mobile number when that box holds
// text (it wins over the name), else by name; nothing at all when both are
// empty. False only when the list could not be reopened.
bool byNameOrMobile(DataSet& set, const QString& table, const QString& name, const QString& mobile,
                    QString* error);

} // namespace ContainsSearch
