#pragma once

#include <QString>

// How spreadsheet values that are not text become the text stored in the
// address book: whole numbers without decimals or exponent (a mobile number
// stays "13800138000"), other numbers in the shortest decimal form that reads
// back as the same double, dates as yyyy-MM-dd, date-times as
// yyyy-MM-dd hh:mm:ss, booleans as 1/0.
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

    // Blanks and control characters removed at both ends (a path typed or
    // pasted into the path box).
    static QString trimmed(const QString& s);
};
