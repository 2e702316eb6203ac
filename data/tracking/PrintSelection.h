#pragma once

#include <QList>
#include <QString>
#include <QVariantList>

class Database;

// Which recipient rows a batch prints: all of them (the plain batch), the
// rows chosen in a grid (by "序号"), only those without a printed mark, or
// the chosen ones among those. Rows come in table order whichever is used,
// the order the grids show.
struct PrintSelection
{
    bool chosen = false;   // only the rows in serials
    QList<qint64> serials; // "序号" of the chosen rows
    bool unprintedOnly = false;

    static PrintSelection all() { return {}; }
    static PrintSelection of(const QList<qint64>& serials) { return {true, serials, false}; }
    static PrintSelection unprinted() { return {false, {}, true}; }

    bool isAll() const { return !chosen && !unprintedOnly; }
    // The condition for DataSet::open (empty for all rows) and its binds.
    QString whereClause(const Database& db) const;
    QVariantList binds() const;
    // What a preview holds, for its status bar: "选中 12 条", "未打印 40 条",
    // "全部 407 条".
    QString describe(int count) const;
};
