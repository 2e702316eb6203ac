#pragma once
#include <QString>
class RegionTable;
// Sentences of chat and voice input run into the value they lead to, with
// no label or blank between: "你好我要寄到四川省…", "住在广西南宁市…",
// "收货的是我室友上官若溪", "麻烦寄给我老公他叫郎晓峰".
class SentenceLeadIn
{
public:
    // The value the sentence leads to, or empty when it is all talk
    // ("香港的": where it goes, said before the fields).
    static QString reduced(const QString& token, const RegionTable& regions);
    // Where the address begins after a sentence that leads to it, or 0.
    static int addressStart(const QString& token, const RegionTable& regions);
    // The name a sentence about the recipient ends with, or empty.
    static QString nameAtEnd(const QString& token);
    // A sentence about the recipient run on after the house number, as voice
    // input does: "…56号给我舅舅姓姚叫姚国强". Takes it off the address, returns the name.
    static QString takeNameAfterAddress(QString& address);
    // A note without the word pointing at the parcel it is for: "这个下午送" -> "下午送".
    static QString withoutPointer(const QString& token);
};
