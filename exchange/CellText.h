#pragma once

#include <QString>

// How spreadsheet values that are not text become the text stored in the
// address book. Texts stay exactly as stored; everything else goes through
// here, for .xls and .xlsx alike.
//
// Number cells show as their number format says, as far as the plain
// formats go:
// - General, "@" and formats without digit placeholders: the number in the
//   shortest decimal form that reads back as the same double, never an
//   exponent for ordinary magnitudes (a mobile number stays "13800138000").
// - Formats of 0 # ? , . : zero padding and decimals as the format says
//   ("000000" keeps 010000's zero, "0.00" gives "12.50"), rounded half away
//   from zero. Literal text ("件", "¥"), thousands separators, colours,
//   locales and Chinese-numeral switches ([DBNum1]) are left out: the cell
//   gives the plain number. A percent format gives the percentage with "%".
//   The first section decides for every value; a negative number keeps "-".
// - Formats with date or time parts (y m d h s outside quotes and
//   brackets, or [h] [m] [s]): yyyy-MM-dd, yyyy-MM-dd hh:mm:ss, or hh:mm:ss
//   for a time alone; elapsed hours ([h]) count on past a day ("36:00:00").
// Booleans become 1/0.
class CellText
{
public:
    static QString number(double v);
    static QString boolean(bool v) { return v ? QStringLiteral("1") : QStringLiteral("0"); }

    enum class DateKind
    {
        Date,
        DateTime,
        Time
    };
    // A spreadsheet serial day number (1900 system, or 1904 when set) as text.
    static QString serialDate(double serial, DateKind kind, bool date1904 = false);
    // A duration in days as elapsed hours, minutes and seconds ("36:00:00").
    static QString elapsedTime(double days);

    // What a number format code does to a number, worked out once per format.
    struct NumberFormat
    {
        enum class Kind
        {
            General,
            Fixed,
            Date,
            DateTime,
            Time
        };
        Kind kind = Kind::General;
        int integerDigits = 1; // zero padding of the whole part
        int minDecimals = 0;   // decimals always shown (0)
        int maxDecimals = 0;   // decimals shown when not zero (0 and #)
        bool percent = false;
        bool elapsed = false; // a time in hours that go past 24
    };
    static NumberFormat parseFormat(const QString& code);

    // The code of a built-in format number as Chinese-language Excel shows
    // it (General for numbers it does not know).
    static QString builtinFormat(int id);

    static QString formatted(double value, const NumberFormat& format, bool date1904 = false);
    static QString formatted(double value, const QString& formatCode, bool date1904 = false)
    {
        return formatted(value, parseFormat(formatCode), date1904);
    }

    // Blanks and control characters removed at both ends (a path typed or
    // pasted into the path box).
    static QString trimmed(const QString& s);
    static QStringView trimmed(QStringView s);
};
