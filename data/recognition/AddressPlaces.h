#pragma once

#include "data/recognition/PasteTokenizer.h"
#include "data/recognition/RegionTable.h"

#include <QList>
#include <QString>

// Pieces set off by blanks inside an address that are places of it rather
// than the recipient's name: "江北区 观音桥 建新北路65号", "杜村 十一组".
class AddressPlaces
{
public:
    using Token = PasteTokenizer::Token;

    explicit AddressPlaces(const RegionTable& regions);

    // Between the district and the street, the name written elsewhere
    // (nameBefore: it came before the address).
    bool isPlaceBeforeStreet(const QList<Token>& tokens, int i, const QString& value, bool nameBefore) const;
    // A sub-district or town, after which a place may stand before the
    // street as after a district: "容桂街道 华口 兴华路9号".
    static bool isSubDistrict(const QString& part);
    // Hong Kong or Macau named alone ("香港", "澳門"): its region, else -1.
    // Written first, it is where the address lies, whatever regions of the
    // mainland its buildings are named like ("嘉禾大廈": 嘉禾 is a county of Hunan).
    int sarNamed(const QString& part) const;
    // Between two pieces of the address, and no name.
    bool isPlaceBetween(const QList<Token>& tokens, int i, const QString& value) const;
    // "图门巴雅尔 手机 139…": the text's first piece, right before the phone's
    // label, is the name though a place's character is in it (门, 道).
    bool isNameBeforePhoneLabel(const QList<Token>& tokens, int i, const QString& value) const;

private:
    const RegionTable& m_regions;
};
