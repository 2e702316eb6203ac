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
    // Between two pieces of the address, and no name.
    bool isPlaceBetween(const QList<Token>& tokens, int i, const QString& value) const;
    // "图门巴雅尔 手机 139…": the text's first piece, right before the phone's
    // label, is the name though a place's character is in it (门, 道).
    bool isNameBeforePhoneLabel(const QList<Token>& tokens, int i, const QString& value) const;

private:
    const RegionTable& m_regions;
};
