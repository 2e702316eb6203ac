#pragma once

#include <QString>

// What marks a piece of pasted text as part of an address: its words
// (路, 号, 小区, 大学 …), a building's number and the room set off after it.
class AddressWords
{
public:
    // Words that make a text part of an address rather than a note.
    // A building named in Latin letters, by the word it ends with: "Trent Building",
    // "China World Tower", "The Hub".
    static bool isLatinBuilding(const QString& t);
    static bool looksLikeAddress(const QString& text);
    // The title of a unit's head, which holds the unit's word: "副院长", "校长".
    static bool isHeadTitle(const QString& text);
    // One of the parts Hong Kong and Macau are written with, which are no
    // districts of the table: "新界", "港島", "氹仔".
    static bool isSarArea(const QString& text);
    // A district of Hong Kong or Macau written after it: "香港 尖沙咀", "九龍 旺角".
    static bool isSarDistrict(const QString& text, const QString& before);
    // "香港", "澳門特別行政區": the name of Hong Kong or Macau alone.
    static bool isSarName(const QString& text);
    // Which of Hong Kong and Macau a text begins with one of its parts names
    // ("新界沙田…" -> "香港特别行政区"), or empty.
    static QString sarOfLeadingArea(const QString& text);
    // One of those parts with its district glued to it: "新界沙田", "九龍旺角".
    static bool isSarAreaWithDistrict(const QString& text);
    // Where in a village or a compound, set off after it: "东头", "第二家", "南门".
    static bool isPosition(const QString& text);
    // Where the parcels of a campus or a village are left, named as a place: "快递点".
    static bool isPickupPoint(const QString& text);
    // A bare number set off after a building, unit or phase is its room: "…7号楼 302", "…2期 1605",
    // "3栋 1单元 501", "5幢 2-1102", "10舍 415"; after a street its house
    // number. After a floor ("5楼", "12层") only a room on that floor: "5楼 502";
    // "5楼 106" is a postcode in Taiwan.
    static bool isRoomAfterBuilding(const QString& before, const QString& value);
    // The unit word set off after its number: "302 室", "5 号楼".
    static bool isUnitAfterNumber(const QString& before, const QString& value);
    // A village of two characters after its town ("兴坪镇 渔村"), a group after
    // its village ("何大湾村 东组"): too short to pass as an address alone.
    static bool isVillageAfterTown(const QString& before, const QString& value);
};
