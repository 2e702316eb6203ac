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

QString CellText::elapsedTime(double days)
{
    if (!std::isfinite(days) || days < 0 || days > 2958466.0)
        return number(days);
    const qint64 secs = std::llround(days * 86400.0);
    return QStringLiteral("%1:%2:%3")
        .arg(secs / 3600, 2, 10, QLatin1Char('0'))
        .arg(secs / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(secs % 60, 2, 10, QLatin1Char('0'));
}

namespace {

bool isDigitPlaceholder(QChar c)
{
    return c == QLatin1Char('0') || c == QLatin1Char('#') || c == QLatin1Char('?');
}

} // namespace

CellText::NumberFormat CellText::parseFormat(const QString& code)
{
    using Kind = NumberFormat::Kind;
    NumberFormat f;
    bool general = false, date = false, time = false, decimalPoint = false, otherNumber = false;
    int zerosWhole = 0, zerosDecimal = 0, placesDecimal = 0;
    char lastDatePart = 0; // y, d, h, s or m of the last date or time part
    const int n = int(code.size());
    for (int i = 0; i < n; ++i) {
        const QChar c = code.at(i);
        const char l = c.unicode() < 128 ? char(c.toLower().unicode()) : 0;
        if (c == QLatin1Char('"')) {
            const int end = int(code.indexOf(QLatin1Char('"'), i + 1));
            if (end < 0)
                break;
            i = end;
        } else if (c == QLatin1Char('\\') || c == QLatin1Char('_') || c == QLatin1Char('*')) {
            ++i; // an escaped character, a space as wide as one, a fill character
        } else if (c == QLatin1Char('[')) {
            const int end = int(code.indexOf(QLatin1Char(']'), i + 1));
            const QString inner = code.mid(i + 1, end < 0 ? -1 : end - i - 1).toLower();
            // Elapsed hours, minutes, seconds; colours, locales, conditions
            // and numeral switches don't change the value.
            if (!inner.isEmpty() && inner.count(inner.at(0)) == inner.size() &&
                (inner.at(0) == QLatin1Char('h') || inner.at(0) == QLatin1Char('m') ||
                 inner.at(0) == QLatin1Char('s'))) {
                time = true;
                lastDatePart = 'h';
                f.elapsed = f.elapsed || inner.at(0) == QLatin1Char('h');
            }
            if (end < 0)
                break;
            i = end;
        } else if (c == QLatin1Char(';')) {
            break; // the first section decides
        } else if (code.mid(i, 7).compare(QLatin1String("General"), Qt::CaseInsensitive) == 0) {
            general = true;
            i += 6;
        } else if (code.mid(i, 5).compare(QLatin1String("am/pm"), Qt::CaseInsensitive) == 0) {
            i += 4;
        } else if (code.mid(i, 3).compare(QLatin1String("a/p"), Qt::CaseInsensitive) == 0) {
            i += 2;
        } else if (l == 'y' || l == 'd') {
            date = true;
            lastDatePart = l;
        } else if (l == 'h' || l == 's') {
            time = true;
            lastDatePart = l;
        } else if (l == 'm') {
            while (i + 1 < n && code.at(i + 1).toLower() == QLatin1Char('m'))
                ++i;
            if (lastDatePart == 'h') {
                time = true;
            } else {
                // Minutes when seconds follow ("mm:ss"), else a month.
                int j = i + 1;
                while (j < n && !code.at(j).isLetterOrNumber() && code.at(j) != QLatin1Char('"') &&
                       code.at(j) != QLatin1Char('['))
                    ++j;
                if (j < n && code.at(j).toLower() == QLatin1Char('s'))
                    time = true;
                else
                    date = true;
            }
            lastDatePart = 'm';
        } else if (isDigitPlaceholder(c)) {
            if (decimalPoint) {
                ++placesDecimal;
                if (c != QLatin1Char('#'))
                    ++zerosDecimal;
            } else if (c != QLatin1Char('#')) {
                ++zerosWhole;
            }
        } else if (c == QLatin1Char('.')) {
            decimalPoint = true;
        } else if (c == QLatin1Char('%')) {
            f.percent = true;
        } else if (l == 'e' || c == QLatin1Char('/')) {
            otherNumber = true; // scientific or fraction: the plain number
        }
    }
    if (date && time)
        f.kind = Kind::DateTime;
    else if (date)
        f.kind = Kind::Date;
    else if (time)
        f.kind = Kind::Time;
    else if (general || otherNumber ||
             (zerosWhole == 0 && placesDecimal == 0 && !decimalPoint && code.indexOf(QLatin1Char('#')) < 0))
        f.kind = Kind::General;
    else
        f.kind = Kind::Fixed;
    if (f.kind == Kind::Fixed) {
        f.integerDigits = qBound(1, zerosWhole, 64);
        f.minDecimals = qMin(zerosDecimal, 64);
        f.maxDecimals = qMin(placesDecimal, 64);
    } else {
        f.percent = false;
    }
    f.elapsed = f.elapsed && f.kind == Kind::Time;
    return f;
}

QString CellText::builtinFormat(int id)
{
    // Numbers 0..49 are the same everywhere; 5..8, 14, 22 and 27..58 as a
    // Chinese (PRC) Excel shows them.
    switch (id) {
    case 1:
        return QStringLiteral("0");
    case 2:
        return QStringLiteral("0.00");
    case 3:
        return QStringLiteral("#,##0");
    case 4:
        return QStringLiteral("#,##0.00");
    case 5:
        return QStringLiteral("\"¥\"#,##0;\"¥\"-#,##0");
    case 6:
        return QStringLiteral("\"¥\"#,##0;[Red]\"¥\"-#,##0");
    case 7:
        return QStringLiteral("\"¥\"#,##0.00;\"¥\"-#,##0.00");
    case 8:
        return QStringLiteral("\"¥\"#,##0.00;[Red]\"¥\"-#,##0.00");
    case 9:
        return QStringLiteral("0%");
    case 10:
        return QStringLiteral("0.00%");
    case 11:
        return QStringLiteral("0.00E+00");
    case 12:
        return QStringLiteral("# ?/?");
    case 13:
        return QStringLiteral("# ?\?/??");
    case 14:
        return QStringLiteral("yyyy/m/d");
    case 15:
        return QStringLiteral("d-mmm-yy");
    case 16:
        return QStringLiteral("d-mmm");
    case 17:
        return QStringLiteral("mmm-yy");
    case 18:
        return QStringLiteral("h:mm AM/PM");
    case 19:
        return QStringLiteral("h:mm:ss AM/PM");
    case 20:
        return QStringLiteral("h:mm");
    case 21:
        return QStringLiteral("h:mm:ss");
    case 22:
        return QStringLiteral("yyyy/m/d h:mm");
    case 27:
    case 36:
    case 50:
    case 52:
    case 57:
        return QStringLiteral("yyyy\"年\"m\"月\"");
    case 28:
    case 29:
    case 51:
    case 53:
    case 54:
    case 58:
        return QStringLiteral("m\"月\"d\"日\"");
    case 30:
        return QStringLiteral("m-d-yy");
    case 31:
        return QStringLiteral("yyyy\"年\"m\"月\"d\"日\"");
    case 32:
        return QStringLiteral("h\"时\"mm\"分\"");
    case 33:
        return QStringLiteral("h\"时\"mm\"分\"ss\"秒\"");
    case 34:
    case 55:
        return QStringLiteral("上午/下午h\"时\"mm\"分\"");
    case 35:
    case 56:
        return QStringLiteral("上午/下午h\"时\"mm\"分\"ss\"秒\"");
    case 37:
        return QStringLiteral("#,##0_);(#,##0)");
    case 38:
        return QStringLiteral("#,##0_);[Red](#,##0)");
    case 39:
        return QStringLiteral("#,##0.00_);(#,##0.00)");
    case 40:
        return QStringLiteral("#,##0.00_);[Red](#,##0.00)");
    case 41:
        return QStringLiteral("_(* #,##0_);_(* (#,##0);_(* \"-\"_);_(@_)");
    case 42:
        return QStringLiteral("_(\"¥\"* #,##0_);_(\"¥\"* (#,##0);_(\"¥\"* \"-\"_);_(@_)");
    case 43:
        return QStringLiteral("_(* #,##0.00_);_(* (#,##0.00);_(* \"-\"??_);_(@_)");
    case 44:
        return QStringLiteral("_(\"¥\"* #,##0.00_);_(\"¥\"* (#,##0.00);_(\"¥\"* \"-\"??_);_(@_)");
    case 45:
        return QStringLiteral("mm:ss");
    case 46:
        return QStringLiteral("[h]:mm:ss");
    case 47:
        return QStringLiteral("mm:ss.0");
    case 48:
        return QStringLiteral("##0.0E+0");
    case 49:
        return QStringLiteral("@");
    default:
        return QStringLiteral("General");
    }
}

QString CellText::formatted(double value, const NumberFormat& format, bool date1904)
{
    using Kind = NumberFormat::Kind;
    switch (format.kind) {
    case Kind::General:
        return number(value);
    case Kind::Date:
        return serialDate(value, DateKind::Date, date1904);
    case Kind::DateTime:
        return serialDate(value, DateKind::DateTime, date1904);
    case Kind::Time:
        return format.elapsed ? elapsedTime(value) : serialDate(value, DateKind::Time, date1904);
    case Kind::Fixed:
        break;
    }
    if (format.percent)
        value *= 100;
    if (!std::isfinite(value) || std::fabs(value) >= 1e21)
        return number(value);
    // Rounded on the shortest decimal digits of the value, so 2.675 with
    // two decimals is 2.68 as the spreadsheet shows it, not the 2.67 of
    // its binary value.
    char buf[512];
    const std::to_chars_result r =
        std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::fixed);
    if (r.ec != std::errc())
        return number(value);
    const QByteArray digits(buf, int(r.ptr - buf));
    const qsizetype dot = digits.indexOf('.');
    QByteArray whole = dot < 0 ? digits : digits.left(dot);
    QByteArray decimals = dot < 0 ? QByteArray() : digits.mid(dot + 1);
    if (decimals.size() > format.maxDecimals) {
        const bool up = decimals.at(format.maxDecimals) >= '5';
        decimals.truncate(format.maxDecimals);
        if (up) {
            QByteArray all = whole + decimals;
            qsizetype i = all.size() - 1;
            for (; i >= 0; --i) {
                if (all.at(i) == '9') {
                    all[i] = '0';
                } else {
                    all[i] = char(all.at(i) + 1);
                    break;
                }
            }
            if (i < 0)
                all.prepend('1');
            whole = all.left(all.size() - decimals.size());
            decimals = all.right(decimals.size());
        }
    }
    while (decimals.size() > format.minDecimals && decimals.endsWith('0'))
        decimals.chop(1);
    while (decimals.size() < format.minDecimals)
        decimals.append('0');
    while (whole.size() > 1 && whole.startsWith('0'))
        whole.remove(0, 1);
    if (whole.size() < format.integerDigits)
        whole.prepend(QByteArray(format.integerDigits - whole.size(), '0'));
    QByteArray out = whole;
    if (!decimals.isEmpty())
        out += '.' + decimals;
    const bool zero = out.count('0') + out.count('.') == out.size();
    if (value < 0 && !zero)
        out.prepend('-');
    if (format.percent)
        out.append('%');
    return QString::fromLatin1(out);
}

static bool isBlank(QChar c)
{
    return c.isSpace() || c.category() == QChar::Other_Control || c.category() == QChar::Other_Format;
}

QString CellText::trimmed(const QString& s)
{
    return trimmed(QStringView(s)).toString();
}

QStringView CellText::trimmed(QStringView s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && isBlank(s.at(b)))
        ++b;
    while (e > b && isBlank(s.at(e - 1)))
        --e;
    return s.mid(b, e - b);
}
