#include "exchange/CellText.h"

#include <QDateTime>

#include <charconv>
#include <cmath>

QString CellText::number(double v)
{
    if (!std::isfinite(v))
        return QString();
    if (v == 0)
        return QStringLiteral("0"); // also -0
    char buf[512];
    const double a = std::fabs(v);
    std::to_chars_result r;
    // Whole numbers and ordinary magnitudes in plain digits: the shortest
    // digits that read back as the same double, never an exponent.
    if (a >= 1e-6 && a < 1e21)
        r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    else
        r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
    if (r.ec != std::errc())
        return QString::number(v, 'g', 17);
    return QString::fromLatin1(buf, int(r.ptr - buf));
}

QString CellText::serialDate(double serial, DateKind kind, bool date1904)
{
    if (!std::isfinite(serial) || serial < 0 || serial > 2958466.0) // up to 9999-12-31
        return number(serial);
    const qint64 secs = std::llround(serial * 86400.0);
    qint64 days = secs / 86400;
    const int rest = int(secs % 86400);
    QDate base;
    if (date1904) {
        base = QDate(1904, 1, 1);
    } else if (days < 61) {
        // Serial 60 is the 29 February 1900 that never was (a Lotus habit).
        base = QDate(1899, 12, 31);
    } else {
        base = QDate(1899, 12, 30);
    }
    const QDate d = base.addDays(days);
    const QTime t = QTime(0, 0).addSecs(rest);
    switch (kind) {
    case DateKind::Date:
        return d.toString(QStringLiteral("yyyy-MM-dd"));
    case DateKind::DateTime:
        return d.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char(' ') +
               t.toString(QStringLiteral("hh:mm:ss"));
    case DateKind::Time:
        return t.toString(QStringLiteral("hh:mm:ss"));
    }
    return QString();
}

static bool isBlank(QChar c)
{
    return c.isSpace() || c.category() == QChar::Other_Control || c.category() == QChar::Other_Format;
}

QString CellText::trimmed(const QString& s)
{
    int b = 0;
    int e = s.size();
    while (b < e && isBlank(s.at(b)))
        ++b;
    while (e > b && isBlank(s.at(e - 1)))
        --e;
    return s.mid(b, e - b);
}
