#include "data/store/TableRegistry.h"

#include <algorithm>

namespace {

// Filled before main() by the features' registrations, read-only after.
QVector<TableSpec>& declared()
{
    static QVector<TableSpec> specs;
    return specs;
}

} // namespace

TableRegistration::TableRegistration(TableSpec table)
{
    declared().append(std::move(table));
}

QVector<TableSpec> TableRegistry::tables()
{
    QVector<TableSpec> specs = declared();
    std::sort(specs.begin(), specs.end(),
              [](const TableSpec& a, const TableSpec& b) { return a.name < b.name; });
    return specs;
}
