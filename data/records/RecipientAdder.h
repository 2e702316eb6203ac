#pragma once

#include "data/recognition/AddressParser.h"

#include <QList>

class DataSet;

// Stores recognised recipients as new rows of `inr`, the way the recipient
// panel's "添加" does: the ten editor columns in the editor's order, an
// empty waybill number, the columns the text has no value for left empty.
class RecipientAdder
{
public:
    // Whether the recipient has no value at all (adding it is refused).
    static bool isEmpty(const ParsedRecipient& r);

    // Appends every recipient to the open recipient set in one transaction:
    // all are stored or none. On failure the set is read afresh.
    static bool addAll(DataSet& recipients, const QList<ParsedRecipient>& list, QString* error);
};
