#include "exchange/CellText.h"

#include <QtTest>

#include <cstdlib>

class TestCellText : public QObject
{
    Q_OBJECT
private slots:
    void number_data();
    void number();
    void numberRoundTrips();
    void serialDate_data();
    void serialDate();
    void formatted_data();
    void formatted();
    void builtinFormats_data();
    void builtinFormats();
    void trimmed();
};

void TestCellText::number_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("mobile") << 13800138000.0 << "13800138000";
    QTest::newRow("zero") << 0.0 << "0";
    QTest::newRow("negative zero") << -0.0 << "0";
    QTest::newRow("negative whole") << -42.0 << "-42";
    QTest::newRow("big whole") << 1e20 << "100000000000000000000";
    QTest::newRow("largest plain") << 999999999999999868928.0 << "999999999999999868928";
    QTest::newRow("1e21 has an exponent") << 1e21 << "1e+21";
    QTest::newRow("tenth") << 0.1 << "0.1";
    QTest::newRow("sum not exact") << 0.1 + 0.2 << "0.30000000000000004";
    QTest::newRow("price") << 12.5 << "12.5";
    QTest::newRow("one third") << 1.0 / 3 << "0.3333333333333333";
    QTest::newRow("tiny") << 1.5e-10 << "1.5e-10";
    QTest::newRow("huge") << 1.5e300 << "1.5e+300";
}

void TestCellText::number()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(CellText::number(value), text);
}

void TestCellText::numberRoundTrips()
{
    // Random doubles: the text reads back as the same value and is never
    // longer than the 17 significant digits of %.17g.
    std::srand(7);
    for (int i = 0; i < 2000; ++i) {
        const double v = (std::rand() - RAND_MAX / 2) / double(std::rand() + 1) * std::pow(10.0, i % 12 - 4);
        const QString s = CellText::number(v);
        QCOMPARE(s.toDouble(), v);
        QVERIFY2(!s.contains(QLatin1Char('e')) || std::fabs(v) < 1e-6 || std::fabs(v) >= 1e21, qPrintable(s));
        // Shortest: one significant digit fewer no longer reads back as v.
        QString mantissa = s.section(QLatin1Char('e'), 0, 0);
        mantissa.remove(QLatin1Char('-')).remove(QLatin1Char('.'));
        while (mantissa.startsWith(QLatin1Char('0')))
            mantissa.remove(0, 1);
        while (mantissa.endsWith(QLatin1Char('0')))
            mantissa.chop(1);
        const int digits = int(mantissa.size());
        if (digits > 1)
            QVERIFY2(QString::number(v, 'g', digits - 1).toDouble() != v, qPrintable(s));
    }
}

void TestCellText::serialDate_data()
{
    QTest::addColumn<double>("serial");
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("date1904");
    QTest::addColumn<QString>("text");
    const int date = int(CellText::DateKind::Date);
    const int dateTime = int(CellText::DateKind::DateTime);
    const int time = int(CellText::DateKind::Time);
    QTest::newRow("2024-03-15") << 45366.0 << date << false << "2024-03-15";
    QTest::newRow("with time") << 45366.3958333333 << dateTime << false << "2024-03-15 09:30:00";
    QTest::newRow("time only") << 0.75 << time << false << "18:00:00";
    QTest::newRow("1900-01-01") << 1.0 << date << false << "1900-01-01";
    QTest::newRow("1900-02-28") << 59.0 << date << false << "1900-02-28";
    QTest::newRow("serial 60, no 29 February") << 60.0 << date << false << "1900-03-01";
    QTest::newRow("1900-03-01") << 61.0 << date << false << "1900-03-01";
    QTest::newRow("1904 system") << 0.0 << date << true << "1904-01-01";
    QTest::newRow("rounds to the second") << 45366.99999999 << dateTime << false << "2024-03-16 00:00:00";
}

void TestCellText::serialDate()
{
    QFETCH(double, serial);
    QFETCH(int, kind);
    QFETCH(bool, date1904);
    QFETCH(QString, text);
    QCOMPARE(CellText::serialDate(serial, CellText::DateKind(kind), date1904), text);
}

void TestCellText::formatted_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    // Numbers stay numbers whatever literals, colours or locales stand around General.
    QTest::newRow("General") << "General" << 12.0 << "12";
    QTest::newRow("General fraction") << "General" << 0.1 + 0.2 << "0.30000000000000004";
    QTest::newRow("General with unit") << "General\"件\"" << 12.0 << "12";
    QTest::newRow("[Red]General") << "[Red]General" << 12.0 << "12";
    QTest::newRow("[$-804]General") << "[$-804]General" << 12.0 << "12";
    QTest::newRow("[DBNum1]General") << "[DBNum1][$-804]General" << 12.0 << "12";
    QTest::newRow("[DBNum2]General") << "[DBNum2][$-804]General" << 305.0 << "305";
    QTest::newRow("[DBNum3]0") << "[DBNum3][$-804]0" << 7.0 << "7";
    QTest::newRow("lower-case general") << "general" << 13800138000.0 << "13800138000";
    QTest::newRow("text format") << "@" << 13800138000.0 << "13800138000";
    QTest::newRow("only a literal") << "\"件\"" << 3.0 << "3";
    QTest::newRow("empty code") << "" << 3.5 << "3.5";
    // Zero padding and decimals as the format says; literals left out.
    QTest::newRow("postcode") << "000000" << 10000.0 << "010000";
    QTest::newRow("postcode long enough") << "000000" << 310000.0 << "310000";
    QTest::newRow("unit after 0") << "0\"件\"" << 12.0 << "12";
    QTest::newRow("unit escaped") << "0\\件" << 12.0 << "12";
    QTest::newRow("0 rounds half up") << "0" << 2.5 << "3";
    QTest::newRow("0 negative half") << "0" << -2.5 << "-3";
    QTest::newRow("two decimals") << "0.00" << 12.5 << "12.50";
    QTest::newRow("two decimals by decimal digits") << "0.00" << 2.675 << "2.68";
    QTest::newRow("carry into the whole part") << "0.00" << 9.999 << "10.00";
    QTest::newRow("grouping left out") << "#,##0.00" << 1234567.891 << "1234567.89";
    QTest::newRow("# decimals trimmed") << "0.##" << 1.5 << "1.5";
    QTest::newRow("# decimals whole") << "0.##" << 2.0 << "2";
    QTest::newRow("# whole part") << "#" << 0.0 << "0";
    QTest::newRow("# rounds half up") << "#" << 12.5 << "13";
    QTest::newRow("negative zero after rounding") << "0" << -0.2 << "0";
    QTest::newRow("currency sign") << "\"¥\"#,##0.00;[Red]\"¥\"-#,##0.00" << -5.0 << "-5.00";
    QTest::newRow("[$¥-804] prefix") << "[$¥-804]#,##0" << 1500.0 << "1500";
    QTest::newRow("[Red] zero padded") << "[Red]00000" << 42.0 << "00042";
    QTest::newRow("condition") << "[>999]0;0.0" << 5.0 << "5";
    QTest::newRow("percent") << "0.0%" << 0.125 << "12.5%";
    QTest::newRow("scientific is the plain number") << "0.00E+00" << 12345.0 << "12345";
    QTest::newRow("fraction is the plain number") << "# ?/?" << 1.25 << "1.25";
    QTest::newRow("huge stays exact") << "0" << 1e22 << "1e+22";
    // Dates and times only where y m d h s stand outside quotes and brackets.
    QTest::newRow("date") << "yyyy-mm-dd" << 45366.0 << "2024-03-15";
    QTest::newRow("chinese date") << "yyyy\"年\"m\"月\"d\"日\"" << 45366.0 << "2024-03-15";
    QTest::newRow("locale date") << "[$-804]yyyy/m/d" << 45366.0 << "2024-03-15";
    QTest::newRow("month alone") << "mmm" << 45366.0 << "2024-03-15";
    QTest::newRow("date and time") << "yyyy/m/d h:mm" << 45366.3958333333 << "2024-03-15 09:30:00";
    QTest::newRow("date, time dropped") << "yyyy-mm-dd" << 45366.75 << "2024-03-15";
    QTest::newRow("time") << "h:mm:ss" << 0.75 << "18:00:00";
    QTest::newRow("minutes and seconds") << "mm:ss" << 0.5 << "12:00:00";
    QTest::newRow("AM/PM") << "h:mm AM/PM" << 0.75 << "18:00:00";
    QTest::newRow("elapsed hours") << "[h]:mm" << 0.25 << "06:00:00";
    QTest::newRow("elapsed hours past a day") << "[h]:mm:ss" << 1.5 << "36:00:00";
    QTest::newRow("time of day past a day") << "h:mm:ss" << 1.5 << "12:00:00";
    QTest::newRow("letters in quotes") << "0\"yds\"" << 3.0 << "3";
    QTest::newRow("letters in brackets") << "[Red][$-409]0" << 3.0 << "3";
    QTest::newRow("1904 system") << "yyyy-mm-dd" << 0.0 << "1904-01-01";
    QTest::newRow("date out of range") << "yyyy-mm-dd" << -1.0 << "-1";
}

void TestCellText::formatted()
{
    QFETCH(QString, code);
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(CellText::formatted(value, code, QByteArray(QTest::currentDataTag()) == "1904 system"), text);
}

void TestCellText::builtinFormats_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("text"); // of 45366.75
    QTest::newRow("0 General") << 0 << "45366.75";
    QTest::newRow("1 0") << 1 << "45367";
    QTest::newRow("4 #,##0.00") << 4 << "45366.75";
    QTest::newRow("9 percent") << 9 << "4536675%";
    QTest::newRow("14 date") << 14 << "2024-03-15";
    QTest::newRow("20 time") << 20 << "18:00:00";
    QTest::newRow("22 date-time") << 22 << "2024-03-15 18:00:00";
    QTest::newRow("31 chinese date") << 31 << "2024-03-15";
    QTest::newRow("33 chinese time") << 33 << "18:00:00";
    QTest::newRow("49 text") << 49 << "45366.75";
    QTest::newRow("58 chinese month-day") << 58 << "2024-03-15";
    QTest::newRow("unknown") << 200 << "45366.75";
}

void TestCellText::builtinFormats()
{
    QFETCH(int, id);
    QFETCH(QString, text);
    QCOMPARE(CellText::formatted(45366.75, CellText::builtinFormat(id)), text);
}

void TestCellText::trimmed()
{
    QCOMPARE(CellText::trimmed(QStringLiteral(" \t/tmp/a b.xls\r\n\x01")), QStringLiteral("/tmp/a b.xls"));
    QCOMPARE(CellText::trimmed(QStringLiteral("\u3000 \u200b")), QString());
    QCOMPARE(CellText::trimmed(QStringLiteral(" 姓名 ")), QStringLiteral("姓名"));
}

QTEST_GUILESS_MAIN(TestCellText)
#include "test_celltext.moc"
