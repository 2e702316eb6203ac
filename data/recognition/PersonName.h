#pragma once

#include <QString>
#include <QStringList>

// Tells whether a short text reads as a person's name: a known surname
// (compound ones too) with one or two given characters, or a surname with
// 先生/女士/小姐 (strong); a name with "·" or Latin words ("Wang Lei"); up to
// eight Chinese characters without a known surname (weak).
class PersonName
{
public:
    enum Fit
    {
        No,     // not a name
        Weak,   // short Chinese text, but no known surname
        Strong, // known surname and a name's length
    };

    static Fit fit(const QString& text);
    // Drops a trailing "收" or "(收)" that people add to the name.
    static QString withoutReceiveMark(const QString& text);
    // Takes "（陈思收）" out of an address, which goes on after it
    // ("…B塔（陈思收）2201室"); returns the names.
    static QStringList takeReceiversInside(QString& text);
    // Whether the text holds a word of delivery notes ("送", "放门口", "自提" …).
    static bool isDeliveryNote(const QString& text);
    // Length of the surname at the start (0, 1 or 2).
    static int surnameLength(const QString& text);
    // A surname and one or two characters with the receive mark: "黄国栋收".
    static bool isMarkedReceiver(const QString& text);
    // Joins a name typed with blanks between its characters: "陆 嘉 琪".
    static void joinSpacedNames(QString& text);
    // Joins a Mongolian or Tibetan name typed in its two parts: "乌兰 图雅".
    static void joinNameParts(QString& text);
};
