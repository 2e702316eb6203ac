#pragma once

#include <QSqlDatabase>

// Begins a transaction on construction and rolls it back on destruction
// unless commit() succeeded, so an early return or a failed step never
// leaves half a change behind.
class Transaction
{
public:
    explicit Transaction(const QSqlDatabase& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    bool isActive() const { return m_active; }
    bool commit(QString* error = nullptr);

private:
    QSqlDatabase m_db;
    bool m_active = false;
};
