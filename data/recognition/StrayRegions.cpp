#include "data/recognition/StrayRegions.h"

#include "data/recognition/AddressCandidates.h"
#include "data/recognition/AddressPlaces.h"
#include "data/recognition/AddressWords.h"
#include "data/recognition/PasteChat.h"
#include "data/recognition/PersonName.h"
#include "data/recognition/RegionTable.h"

StrayRegions::StrayRegions(const RegionTable& regions, const AddressPlaces& places)
    : m_regions(regions), m_places(places)
{
}

void StrayRegions::dropElsewhere(AddressCandidates& c) const
{
    int anchor = -1;
    int anchorAt = -1;
    // Hong Kong or Macau written first is where the address lies ("香港 九龍 … 嘉禾大廈").
    if (!c.parts.isEmpty() && (anchor = m_places.sarNamed(c.parts.first().text)) >= 0)
        anchorAt = 0;
    for (int i = 0; i < c.parts.size() && anchor < 0; ++i) {
        // "九龍" of Hong Kong is no 九龙县.
        if (c.parts.at(i).shortOnly < 0 && !AddressWords::isSarArea(c.parts.at(i).text)) {
            const RegionTable::Path path = m_regions.match(c.parts.at(i).text);
            if (!path.ambiguous && !path.written.isEmpty()) {
                anchor = path.written.last().region;
                anchorAt = i;
            }
        }
    }
    // Written in short forms only, the address starts where a region goes
    // on into the street: "香港新界沙田 石门 安群街3号".
    for (int i = 0; i < c.parts.size() && anchor < 0; ++i) {
        if (c.parts.at(i).startsRegion) {
            anchor = m_regions.match(c.parts.at(i).text).written.last().region;
            anchorAt = i;
        }
    }
    // Begun with a district of several cities, one named short after the street
    // is a place's name there too: "普陀区沈家门街道 海滨路 东港 小区" (东港区 is in 日照).
    if (anchor < 0 && !c.parts.isEmpty() && m_regions.match(c.parts.first().text).length > 0) {
        for (int i = 2; i < c.parts.size(); ++i) {
            if (c.parts.at(i).shortOnly >= 0 && !c.parts.at(i - 1).region) {
                c.parts[i].region = false;
                c.parts[i].shortOnly = -1;
            }
        }
    }
    // A district's name after the street that lies elsewhere is a part of
    // the place there: "…学府路1号 红河学院 东区 7栋".
    for (int i = 1; anchor >= 0 && i < c.parts.size(); ++i) {
        AddressCandidates::Part& p = c.parts[i];
        const RegionTable::Path path =
            p.region && p.shortOnly < 0 ? m_regions.match(p.text) : RegionTable::Path();
        if (!path.written.isEmpty() && !c.parts.at(i - 1).region &&
            !m_regions.isWithin(path.written.last().region, anchor) &&
            !m_regions.isWithin(anchor, path.written.last().region))
            p.region = false;
    }
    for (int i = c.parts.size() - 1; anchor >= 0 && i >= 0; --i) {
        const int r = c.parts.at(i).shortOnly;
        // After the region the address starts with, a place of its own
        // named like a region elsewhere.
        if (r >= 0 && i > anchorAt && !m_regions.isWithin(r, anchor) && !m_regions.isWithin(anchor, r)) {
            c.parts[i].region = false;
            c.parts[i].shortOnly = -1;
            continue;
        }
        if (r >= 0 && !m_regions.isWithin(r, anchor) && !m_regions.isWithin(anchor, r)) {
            const AddressCandidates::Part p = c.parts.takeAt(i);
            (p.maybeName ? c.strongNames : c.remarks).prepend(p.text);
        }
    }
}

void StrayRegions::dropBeforeStart(AddressCandidates& c) const
{
    // An address goes from its province or city down: a piece that reads
    // as a name, written before the one the address starts with, is no
    // part of it ("幸子轩 江西省宜春市…": 轩 as in 听雨轩).
    int start = -1;
    for (int i = 0; i < c.parts.size() && start < 0; ++i) {
        if (c.parts.at(i).startsRegion)
            start = i;
    }
    // Nor is chat that names a place, before any region: "我在住院", "我家在农村".
    for (int i = 0; i < c.parts.size() && m_regions.match(c.parts.at(i).text).length == 0;) {
        if (PasteChat::isChat(c.parts.at(i).text) && i < c.parts.size() - 1) {
            c.parts.removeAt(i);
            --start;
        } else {
            ++i;
        }
    }
    for (int i = start - 1; i >= 0; --i) {
        const AddressCandidates::Part& p = c.parts.at(i);
        if (p.region || m_regions.match(p.text).length > 0 || PersonName::fit(p.text) == PersonName::No ||
            AddressWords::isSarArea(p.text))
            continue;
        c.weakNames.prepend(c.parts.takeAt(i).text);
    }
}
