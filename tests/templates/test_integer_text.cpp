#include "templates/IntegerText.h"

#include <QTest>

#include <climits>

// The shift boxes' number rule at the edges of 32 bits.
class TestIntegerText : public QObject
{
    Q_OBJECT
private slots:
    void limits_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("value");
        QTest::newRow("INT_MAX") << "2147483647" << true << INT_MAX;
        QTest::newRow("INT_MAX + 1") << "2147483648" << false << 0;
        QTest::newRow("INT_MIN") << "-2147483648" << true << INT_MIN;
        QTest::newRow("INT_MIN - 1") << "-2147483649" << false << 0;
        QTest::newRow("far past") << "-99999999999999999999" << false << 0;
        QTest::newRow("hex INT_MAX") << "$7FFFFFFF" << true << INT_MAX;
    }
    void limits()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(int, value);
        int parsed = 12345;
        QCOMPARE(IntegerText::toInt(text, &parsed), ok);
        if (ok)
            QCOMPARE(parsed, value);
    }
};

QTEST_GUILESS_MAIN(TestIntegerText)
#include "test_integer_text.moc"
