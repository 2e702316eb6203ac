#pragma once

class AddressPlaces;
class RegionTable;
struct AddressCandidates;

// Pieces of an entry's address that read as regions but are not where the
// address lies: a district's name after a street elsewhere ("…学府路1号 红河学院
// 东区"), a place named like a region of another province, a name or chat
// written before the region the address starts with.
class StrayRegions
{
public:
    StrayRegions(const RegionTable& regions, const AddressPlaces& places);
    // Takes the regions that lie outside the one the address starts with
    // for parts of the place, names or remarks.
    void dropElsewhere(AddressCandidates& c) const;
    // Takes names and chat written before that region out of the address.
    void dropBeforeStart(AddressCandidates& c) const;

private:
    const RegionTable& m_regions;
    const AddressPlaces& m_places;
};
