#pragma once

#include <QString>

// Breaks a long value into lines of at most `width` bytes of its GBK form by
// inserting "\r\n" pairs, the way the waybill items expect it: the item
// itself never wraps, it only starts a new line at a carriage return.
//
// Bytes are counted as the courier forms were laid out for: a Chinese
// character is two bytes, an ASCII character one. The break goes at
// i x width or i x width - 1 depending on the parity of the bytes above 126
// before it; a break that would fall between the two bytes of a character
// moves in front of that character. A character that GBK cannot encode
// (emoji, rare ideographs) counts as one two-byte character. The result is
// the original text with the line breaks added, nothing else changed.
// Widths below 2 return the value unchanged.
//
// WrapRule::Words starts from the same breaks but moves a break earlier,
// never later, where it would split a run of digits or Latin letters
// ("2201", "B座" stays "B座") or put closing punctuation ("，", "）") at the
// start of a line; the rest of the text moves down with it, so no line
// holds more than the byte rule's, and one more line may follow. A run
// longer than a whole line is still split at the width.
enum class WrapRule
{
    Bytes, // the forms' own rule, kept for the built-in templates
    Words
};

QString BreakIntoLines(const QString& value, int width, WrapRule rule = WrapRule::Bytes);
