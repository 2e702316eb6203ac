#include "data/store/StoreDialect.h"

#include <QSqlError>
#include <QSqlQuery>

bool StoreDialect::run(const QString& sql, QString* error, const QVariantList& binds) const
{
    QSqlQuery q(db());
    bool ok = binds.isEmpty() ? q.exec(sql) : q.prepare(sql);
    for (const QVariant& v : binds)
        q.addBindValue(v);
    if (ok && !binds.isEmpty())
        ok = q.exec();
    if (ok)
        return true;
    if (error)
        *error = failure(q.lastError());
    return false;
}
