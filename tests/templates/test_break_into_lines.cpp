#include "templates/BreakIntoLines.h"

#include <QtTest>

namespace {

// Builds text from a compact pattern: "C<n>" n Chinese characters, "a<n>"
// n ASCII letters, "E<n>" n emoji, "X<n>" n GBK characters whose second
// byte is below 127, "R" a CR LF already in the value, "|" a CR LF the
// wrapping must insert. Characters run through their sequences across the
// whole pattern, so a value and its expected result built from patterns
// with the same tokens hold the same characters in the same order.
QString build(const QString& pattern, bool withBreaks)
{
    static const QString chinese = QStringLiteral("申通快递单模板寄件人收件地址电话手机城市邮编");
    static const QString lowSecond = QStringLiteral("丂丄丅丆丏"); // 0x81 0x40...
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");   // U+1F600
    const QString extB = QString::fromUtf8("\xF0\xA0\x80\x80");    // U+20000
    QString out;
    int c = 0, a = 0, e = 0, x = 0;
    const QStringList tokens = pattern.split(u' ', Qt::SkipEmptyParts);
    for (const QString& t : tokens) {
        if (t == QLatin1String("|")) {
            if (withBreaks)
                out += QLatin1String("\r\n");
            continue;
        }
        if (t == QLatin1String("R")) {
            out += QLatin1String("\r\n");
            continue;
        }
        const int n = t.mid(1).toInt();
        for (int k = 0; k < n; ++k) {
            switch (t.at(0).unicode()) {
            case u'C':
                out += chinese.at(c++ % chinese.size());
                break;
            case u'a':
                out += QChar(u'a' + a++ % 26);
                break;
            case u'E':
                out += (e++ % 2) ? extB : emoji;
                break;
            case u'X':
                out += lowSecond.at(x++ % lowSecond.size());
                break;
            }
        }
    }
    return out;
}

QString visible(QString s)
{
    return s.replace(QLatin1String("\r\n"), QLatin1String("⏎"));
}

} // namespace

class TestBreakIntoLines : public QObject
{
    Q_OBJECT
private slots:
    void wrap_data();
    void wrap();
    void keepsEveryCharacter();
    void rules_data();
    void rules();
};

void TestBreakIntoLines::wrap_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("expected");

    // The worked results the courier layouts were sized for.
    QTest::newRow("empty") << "" << 39 << "|";
    QTest::newRow("3 single") << "a3" << 39 << "a3 |";
    QTest::newRow("37 single") << "a37" << 39 << "a37 |";
    QTest::newRow("38 single") << "a38" << 39 << "a37 | a1";
    QTest::newRow("39 single") << "a39" << 39 << "a37 | a2 |";
    QTest::newRow("52 single w20") << "a52" << 20 << "a18 | a18 | a16 |";
    QTest::newRow("14 double w10") << "C14" << 10 << "C4 | C4 | C4 | C2";
    QTest::newRow("18 double") << "C18" << 39 << "C18 |";
    QTest::newRow("20 double") << "C20" << 39 << "C19 | C1 |";
    QTest::newRow("40 double") << "C40" << 39 << "C19 | C18 | C3 |";
    QTest::newRow("50 double") << "C50" << 39 << "C19 | C18 | C13 |";
    QTest::newRow("25 double w21") << "C25" << 21 << "C10 | C9 | C6 |";
    QTest::newRow("6+3+12 mixed") << "C6 a3 C12" << 39 << "C6 a3 C11 | C1 |";

    // A break that would fall between the two bytes of a character goes in
    // front of it.
    QTest::newRow("19 double") << "C19" << 39 << "C18 | C1";
    QTest::newRow("9 double w19") << "C9" << 19 << "C8 | C1";
    QTest::newRow("7 double w15") << "C7" << 15 << "C6 | C1";
    QTest::newRow("6+2+12 mixed") << "C6 a2 C12" << 39 << "C6 a2 C11 | C1";

    // Characters GBK cannot encode count as one two-byte character.
    QTest::newRow("20 emoji") << "E20" << 39 << "E19 | E1 |";
    QTest::newRow("emoji in Chinese") << "C10 E1 C9" << 39 << "C10 E1 C8 | C1 |";
    QTest::newRow("emoji at break") << "a37 E1" << 39 << "a37 | E1 |";

    // Two-byte characters whose second byte is not above 126: only the
    // first byte counts, and they still stay whole.
    QTest::newRow("low second byte") << "X20" << 39 << "X18 | X2 |";

    // Line breaks already in the value are plain bytes and do not restart
    // the count.
    QTest::newRow("existing CR LF") << "a10 R a30" << 39 << "a10 R a25 | a5 |";
    QTest::newRow("existing CR LF double") << "C5 R C20" << 21 << "C5 R C4 | C9 | C7 |";

    // Below two bytes a line cannot hold a character: the value stays as it is.
    QTest::newRow("width 1") << "C3 a2" << 1 << "C3 a2";
}

void TestBreakIntoLines::wrap()
{
    QFETCH(QString, value);
    QFETCH(int, width);
    QFETCH(QString, expected);
    const QString in = build(value, false);
    const QString want = build(expected, true);
    const QString got = BreakIntoLines(in, width);
    QVERIFY2(got == want, qPrintable(QStringLiteral("got %1, want %2").arg(visible(got), visible(want))));
}

void TestBreakIntoLines::keepsEveryCharacter()
{
    // Whatever the width, removing the inserted pairs gives the value back,
    // and the number of pairs is (bytes div width) + 1.
    const QString value = build(QStringLiteral("C7 a5 E2 X3 C30 a11 R C4"), false);
    const int bytes = 7 * 2 + 5 + 2 * 2 + 3 * 2 + 30 * 2 + 11 + 2 + 4 * 2;
    for (int width : {2, 3, 15, 19, 21, 35, 37, 39, 41, 200}) {
        const QString out = BreakIntoLines(value, width);
        QCOMPARE(out.size() - value.size(), 2 * (bytes / width + 1));
        QCOMPARE(out.count(u'\r'), value.count(u'\r') + bytes / width + 1);
        QCOMPARE(out.count(u'\n'), value.count(u'\n') + bytes / width + 1);
        const auto strip = [](QString s) { return s.remove(u'\r').remove(u'\n'); };
        QCOMPARE(strip(out), strip(value));
    }
}

void TestBreakIntoLines::rules_data()
{
    // Addresses as typed; "|" in the results is the CR LF a rule inserts.
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("bytes");
    QTest::addColumn<QString>("words");

    // Where the byte rule breaks inside no run, both rules agree.
    QTest::newRow("plain Chinese") << "广东省深圳市南山区粤海街道科技园" << 15
                                   << "广东省深圳市南|山区粤海街道|科技园|"
                                   << "广东省深圳市南|山区粤海街道|科技园|";
    // A room number goes down whole.
    QTest::newRow("room number") << "幸福路5号楼2201室" << 15 << "幸福路5号楼22|01室|"
                                 << "幸福路5号楼|2201室|";
    // The comma stays behind the character it follows.
    QTest::newRow("comma at break") << "送到门口，勿打电话" << 9 << "送到门口|，勿打|电话|"
                                    << "送到门|口，勿|打电话|";
    QTest::newRow("bracket at break") << "中山路（东段）二号" << 13 << "中山路（东段|）二号|"
                                      << "中山路（东|段）二号|";
    // A Latin word longer than a line is still cut, at the width.
    QTest::newRow("long Latin word") << "中山路GrandPlaza" << 9 << "中山路G|randPla|za"
                                     << "中山路|GrandPl|aza";
    // Moving the number down needs one more line than the byte rule.
    QTest::newRow("one more line") << "中国人12345678号" << 10 << "中国人12|345678号|"
                                   << "中国人|12345678|号";
}

void TestBreakIntoLines::rules()
{
    QFETCH(QString, value);
    QFETCH(int, width);
    QFETCH(QString, bytes);
    QFETCH(QString, words);
    const auto breaks = [](QString s) { return s.replace(u'|', QLatin1String("\r\n")); };
    QCOMPARE(visible(BreakIntoLines(value, width)), visible(breaks(bytes)));
    QCOMPARE(visible(BreakIntoLines(value, width, WrapRule::Bytes)), visible(breaks(bytes)));
    QCOMPARE(visible(BreakIntoLines(value, width, WrapRule::Words)), visible(breaks(words)));
}

QTEST_APPLESS_MAIN(TestBreakIntoLines)
#include "test_break_into_lines.moc"
