#pragma once

#include <QString>
#include <QStringList>

#include "data/recognition/ParsedRecipient.h"
#include "data/recognition/RegionTable.h"

// Turns the address pieces found in a text into the address as printed:
// province first, a missing province or city completed from the region
// table, a region repeated before the street written once. Sets 城市 and
// marks 地址, 城市 and 邮编 unsure where they cannot be settled.
class AddressCompleter
{
public:
    explicit AddressCompleter(const RegionTable& regions);

    // parts: the pieces in the order to join them; r holds the numbers
    // already found (an area code or a postcode helps to settle a district
    // of several cities) and receives 地址 and 城市.
    void complete(const QStringList& parts, ParsedRecipient& r) const;
    // Drops the notes that only name the region the address begins with again:
    // "（台灣）" under an address of Taiwan.
    void dropRegionsAgain(QStringList& remarks, const QString& address) const;

private:
    // A district of several cities read with the region the area code or the
    // postcode points to; prefix is what was put in front of the address.
    RegionTable::Path settleByHints(const QString& address, const ParsedRecipient& r, QString* prefix) const;
    void checkPostcode(ParsedRecipient& r, int province) const;

    const RegionTable& m_regions;
};
