#pragma once

#include <QString>

// The integer conversion of the shift boxes: optional leading blanks, an
// optional sign, then decimal digits, or hexadecimal digits after "$" or
// "0x"; nothing may follow, not even a blank. The value must fit 32 bits.
namespace IntegerText {

bool toInt(const QString& text, int* value);

// "'12a' is not a valid integer value"
QString invalidMessage(const QString& text);

} // namespace IntegerText
