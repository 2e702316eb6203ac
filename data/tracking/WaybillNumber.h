#pragma once

#include <QString>
#include <QStringList>

// A waybill number as the pre-printed forms carry it: an optional prefix of
// letters and up to 20 digits ("SF0001234", "880012"). Forms in a stack are
// numbered consecutively, so the next form's number is the digits plus one,
// keeping leading zeros. The arithmetic is on the digits themselves, so 20
// digits stay exact.
class WaybillNumber
{
public:
    static constexpr int kMaxDigits = 20;

    // Splits text (blanks around it ignored) into prefix and digits; false
    // and a message for the user when it is not such a number.
    static bool parse(const QString& text, QString* prefix, QString* digits, QString* error = nullptr);

    // The digits plus one, same width; "999" gives "1000" and sets *widened.
    static QString increment(const QString& digits, bool* widened = nullptr);

    // count consecutive numbers from first. When the digits run over their
    // width on the way, *note says where (the numbers stay exact); false and
    // an error when first is no number or the digits would pass 20.
    static bool sequence(const QString& first, int count, QStringList* out, QString* note, QString* error);
};
