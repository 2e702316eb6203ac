#pragma once

#include <QStringList>

// Where a report's texts come from: so many records, one band each, and for
// every record the values of the band's items. The page engine asks for a
// record's values whenever it prints or paints its band (it keeps only the
// first record of every page), so a source answers the same for the same
// record as long as a run lasts, and quickly.
class ReportRecords
{
public:
    virtual ~ReportRecords() = default;

    // Records the report prints. A source without records is still asked
    // for record 0 when its report prints the band anyway
    // (TQuickRep::PrintIfEmpty); it then gives what prints without a record.
    virtual int recordCount() const = 0;
    // The values of record (0-based) for the items of the report's band, in
    // the band's order, before their print hooks; a missing one prints empty.
    virtual QStringList texts(int record) const = 0;
};
