#include "data/store/StoreDialect.h"

#include <QSqlError>
#include <QSqlQuery>

bool StoreDialect::run(const QString& sql, QString* error) const
{
    QSqlQuery q(db());
    if (q.exec(sql))
        return true;
    if (error)
        *error = failure(q.lastError());
    return false;
}
