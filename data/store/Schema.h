#pragma once

#include <QStringList>

// The three tables of the address book and their columns, in table order.
namespace Schema {

inline const QString kSenderTable = QStringLiteral("outr");
inline const QString kRecipientTable = QStringLiteral("inr");
inline const QString kExcelTable = QStringLiteral("excel");

// Columns of `outr`, in table order.
QStringList senderColumns();
// Columns of `inr` and `excel`, in table order ("序号" first, "快递单号" last).
QStringList recipientColumns();
// The ten columns an import fills and the editor writes, in the import's order.
QStringList importColumns();

// A table or column name as an SQL identifier: in double quotes, quotes
// inside doubled. The only way names reach a statement; values are bound.
QString quoted(const QString& name);

// CREATE TABLE statements for an empty database file.
QStringList createStatements();

} // namespace Schema
