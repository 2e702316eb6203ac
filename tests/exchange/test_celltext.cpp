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

void TestCellText::trimmed()
{
    QCOMPARE(CellText::trimmed(QStringLiteral(" \t/tmp/a b.xls\r\n\x01")), QStringLiteral("/tmp/a b.xls"));
    QCOMPARE(CellText::trimmed(QStringLiteral("\u3000 \u200b")), QString());
    QCOMPARE(CellText::trimmed(QStringLiteral(" 姓名 ")), QStringLiteral("姓名"));
}

QTEST_GUILESS_MAIN(TestCellText)
#include "test_celltext.moc"
