#include "data/store/Transaction.h"

#include <QSqlError>

Transaction::Transaction(const QSqlDatabase& db) : m_db(db)
{
    m_active = m_db.isOpen() && m_db.transaction();
}

Transaction::~Transaction()
{
    if (m_active)
        m_db.rollback();
}

bool Transaction::commit(QString* error)
{
    if (!m_active) {
        if (error)
            *error = QStringLiteral("没有进行中的事务");
        return false;
    }
    if (!m_db.commit()) {
        if (error)
            *error = m_db.lastError().text();
        return false;
    }
    m_active = false;
    return true;
}
