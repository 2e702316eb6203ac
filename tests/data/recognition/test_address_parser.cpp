#include "data/recognition/AddressParser.h"
#include "data/recognition/RegionTable.h"
#include "data/records/DataSet.h"
#include "data/records/RecipientAdder.h"
#include "data/store/Database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

// Recognising recipients in pasted text: accuracy over tables of realistic
// inputs (the first set, a second one of the kinds shops receive from chats
// and order pages, and fresh ones written without looking at the parser),
// and storing what was recognised. The exact edge cases are in
// test_recognition_edges.
class TestAddressParser : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void accuracy_data();
    void accuracy();
    void splitsEntriesAtBlankLines();
    void readsTheSenderWithItsRecipient_data();
    void readsTheSenderWithItsRecipient();
    void readsAnAddressColumn_data();
    void readsAnAddressColumn();
    void addsAllOrNothing();

private:
    struct SampleSet
    {
        QStringList columns;     // 输入, then the fields the file lists
        QList<QStringList> rows; // input, then the expected fields
        QList<QList<ParsedRecipient>> got;
    };
    bool load(const QString& file, SampleSet& set);
    RegionTable m_regions;
    QHash<QString, SampleSet> m_sets;
};

bool TestAddressParser::load(const QString& file, SampleSet& set)
{
    QFile f(QDir::isAbsolutePath(file)
                ? file
                : QStringLiteral(WAYBILL_SOURCE_DIR "/tests/data/recognition/") + file);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& raw : f.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw);
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        QStringList cells = line.split(QLatin1Char('\t'));
        if (set.columns.isEmpty()) {
            set.columns = cells;
            continue;
        }
        if (cells.size() != set.columns.size())
            return false;
        cells[0]
            .replace(QStringLiteral("\\n"), QStringLiteral("\n"))
            .replace(QStringLiteral("\\t"), QStringLiteral("\t"))
            .replace(QStringLiteral("\\r"), QStringLiteral("\r"));
        set.rows << cells;
    }
    const AddressParser parser(m_regions);
    for (const QStringList& row : std::as_const(set.rows))
        set.got << parser.parseAll(row.first());
    return true;
}

void TestAddressParser::initTestCase()
{
    QString err;
    QVERIFY2(m_regions.loadBuiltIn(&err), qPrintable(err));
    QVERIFY(m_regions.size() > 3000);
    QVERIFY(load(QStringLiteral("address_samples.tsv"), m_sets[QStringLiteral("first")]));
    QVERIFY(load(QStringLiteral("recipient_samples.tsv"), m_sets[QStringLiteral("second")]));
    QVERIFY(load(QStringLiteral("fresh_samples.tsv"), m_sets[QStringLiteral("fresh")]));
    QVERIFY(load(QStringLiteral("fresh3_samples.tsv"), m_sets[QStringLiteral("fresh3")]));
    QVERIFY(load(QStringLiteral("fresh4_samples.tsv"), m_sets[QStringLiteral("fresh4")]));
    QVERIFY(load(QStringLiteral("fresh5_samples.tsv"), m_sets[QStringLiteral("fresh5")]));
    QVERIFY(load(QStringLiteral("fresh6_samples.tsv"), m_sets[QStringLiteral("fresh6")]));
    QVERIFY(load(QStringLiteral("fresh7_samples.tsv"), m_sets[QStringLiteral("fresh7")]));
    QVERIFY(load(QStringLiteral("fresh8_samples.tsv"), m_sets[QStringLiteral("fresh8")]));
    QVERIFY(load(QStringLiteral("mend9_samples.tsv"), m_sets[QStringLiteral("mend9")]));
    // Written last, measured before any mend, then mended for.
    for (const char* set :
         {"fresh9", "fresh10", "fresh11", "fresh12", "fresh13", "fresh14", "fresh15", "fresh16", "fresh17",
          "fresh18", "fresh19", "fresh20", "fresh22", "fresh23", "fresh25", "fresh26", "fresh27", "fresh28"})
        QVERIFY(
            load(QString::fromUtf8(set) + QStringLiteral("_samples.tsv"), m_sets[QString::fromUtf8(set)]));
    // A table being written is measured before anything is mended for it:
    // WAYBILL_MEASURE_SAMPLES=/path/a.tsv:/path/b.tsv adds it, without a floor.
    for (const QString& path :
         qEnvironmentVariable("WAYBILL_MEASURE_SAMPLES").split(QLatin1Char(':'), Qt::SkipEmptyParts))
        QVERIFY2(load(path, m_sets[QFileInfo(path).baseName()]), qPrintable(path));
    QVERIFY(m_sets.value(QStringLiteral("first")).rows.size() >= 200);
    QVERIFY(m_sets.value(QStringLiteral("second")).rows.size() >= 200);
    QVERIFY(m_sets.value(QStringLiteral("fresh")).rows.size() >= 120);
    QVERIFY(m_sets.value(QStringLiteral("fresh3")).rows.size() >= 100);
    QVERIFY(m_sets.value(QStringLiteral("fresh4")).rows.size() >= 120);
    QVERIFY(m_sets.value(QStringLiteral("fresh5")).rows.size() >= 110);
    QVERIFY(m_sets.value(QStringLiteral("fresh6")).rows.size() >= 110);
    QVERIFY(m_sets.value(QStringLiteral("fresh7")).rows.size() >= 130);
    QVERIFY(m_sets.value(QStringLiteral("fresh8")).rows.size() >= 120);
    QVERIFY(m_sets.value(QStringLiteral("mend9")).rows.size() >= 65);
    for (const char* set : {"fresh9", "fresh10", "fresh11", "fresh14", "fresh15"})
        QVERIFY(m_sets.value(QString::fromUtf8(set)).rows.size() >= 130);
    QVERIFY(m_sets.value(QStringLiteral("fresh12")).rows.size() >= 115);
    QVERIFY(m_sets.value(QStringLiteral("fresh13")).rows.size() >= 125);
    QVERIFY(m_sets.value(QStringLiteral("fresh16")).rows.size() >= 160);
    QVERIFY(m_sets.value(QStringLiteral("fresh17")).rows.size() >= 130);
    QVERIFY(m_sets.value(QStringLiteral("fresh18")).rows.size() >= 150);
    QVERIFY(m_sets.value(QStringLiteral("fresh19")).rows.size() >= 150);
    QVERIFY(m_sets.value(QStringLiteral("fresh20")).rows.size() >= 150);
    QVERIFY(m_sets.value(QStringLiteral("fresh22")).rows.size() >= 150);
    QVERIFY(m_sets.value(QStringLiteral("fresh23")).rows.size() >= 150);
    QVERIFY(m_sets.value(QStringLiteral("fresh25")).rows.size() >= 150);
    QVERIFY(m_sets.value(QStringLiteral("fresh26")).rows.size() >= 150);
    QVERIFY(m_sets.value(QStringLiteral("fresh27")).rows.size() >= 150);
    QVERIFY(m_sets.value(QStringLiteral("fresh28")).rows.size() >= 120);
}

void TestAddressParser::accuracy_data()
{
    QTest::addColumn<QString>("set");
    QTest::addColumn<QString>("key");  // a field, or "整条" for every field of an entry
    QTest::addColumn<double>("least"); // share of inputs that must come out exactly
    // Just under what the parser reaches: one entry more wrong fails.
    const struct
    {
        const char* set;
        const char* key;
        double least;
    } floors[] = {
        {"fresh28", "整条", 0.683},     {"fresh28", "姓名", 0.933},     {"fresh28", "手机", 0.925},
        {"fresh28", "电话", 0.933},     {"fresh28", "城市", 0.95},      {"fresh28", "邮编", 0.95},
        {"fresh28", "收件单位", 0.941}, {"fresh28", "地址", 0.85},      {"fresh28", "备注", 0.70},
        {"first", "整条", 0.998},       {"first", "姓名", 0.998},       {"first", "手机", 0.998},
        {"first", "电话", 0.998},       {"first", "城市", 0.998},       {"first", "邮编", 0.998},
        {"first", "地址", 0.998},       {"second", "整条", 0.997},      {"second", "姓名", 0.997},
        {"second", "手机", 0.997},      {"second", "电话", 0.997},      {"second", "城市", 0.997},
        {"second", "邮编", 0.997},      {"second", "收件单位", 0.997},  {"second", "地址", 0.997},
        {"second", "备注", 0.997},      {"fresh", "整条", 0.995},       {"fresh", "姓名", 0.995},
        {"fresh", "手机", 0.995},       {"fresh", "电话", 0.995},       {"fresh", "城市", 0.995},
        {"fresh", "邮编", 0.995},       {"fresh", "收件单位", 0.995},   {"fresh", "地址", 0.995},
        {"fresh", "备注", 0.995},       {"fresh3", "整条", 0.995},      {"fresh3", "姓名", 0.995},
        {"fresh3", "手机", 0.995},      {"fresh3", "电话", 0.995},      {"fresh3", "城市", 0.995},
        {"fresh3", "邮编", 0.995},      {"fresh3", "收件单位", 0.995},  {"fresh3", "地址", 0.995},
        {"fresh3", "备注", 0.995},      {"fresh4", "整条", 0.995},      {"fresh4", "姓名", 0.995},
        {"fresh4", "手机", 0.995},      {"fresh4", "电话", 0.995},      {"fresh4", "城市", 0.995},
        {"fresh4", "邮编", 0.995},      {"fresh4", "收件单位", 0.995},  {"fresh4", "地址", 0.995},
        {"fresh4", "备注", 0.995},      {"fresh5", "整条", 0.995},      {"fresh5", "姓名", 0.995},
        {"fresh5", "手机", 0.995},      {"fresh5", "电话", 0.995},      {"fresh5", "城市", 0.995},
        {"fresh5", "邮编", 0.995},      {"fresh5", "收件单位", 0.995},  {"fresh5", "地址", 0.995},
        {"fresh5", "备注", 0.995},      {"fresh6", "整条", 0.995},      {"fresh6", "姓名", 0.995},
        {"fresh6", "手机", 0.995},      {"fresh6", "电话", 0.995},      {"fresh6", "城市", 0.995},
        {"fresh6", "邮编", 0.995},      {"fresh6", "收件单位", 0.995},  {"fresh6", "地址", 0.995},
        {"fresh6", "备注", 0.995},      {"fresh7", "整条", 0.995},      {"fresh7", "姓名", 0.995},
        {"fresh7", "手机", 0.995},      {"fresh7", "电话", 0.995},      {"fresh7", "城市", 0.995},
        {"fresh7", "邮编", 0.995},      {"fresh7", "收件单位", 0.995},  {"fresh7", "地址", 0.995},
        {"fresh7", "备注", 0.995},      {"fresh8", "整条", 0.995},      {"fresh8", "姓名", 0.995},
        {"fresh8", "手机", 0.995},      {"fresh8", "电话", 0.995},      {"fresh8", "城市", 0.995},
        {"fresh8", "邮编", 0.995},      {"fresh8", "收件单位", 0.995},  {"fresh8", "地址", 0.995},
        {"fresh8", "备注", 0.995},      {"fresh9", "整条", 0.99},       {"fresh9", "姓名", 0.995},
        {"fresh9", "手机", 0.995},      {"fresh9", "电话", 0.995},      {"fresh9", "城市", 0.995},
        {"fresh9", "邮编", 0.995},      {"fresh9", "收件单位", 0.995},  {"fresh9", "地址", 0.995},
        {"fresh9", "备注", 0.99},       {"fresh10", "整条", 0.98},      {"fresh10", "姓名", 0.995},
        {"fresh10", "手机", 0.995},     {"fresh10", "电话", 0.995},     {"fresh10", "城市", 0.995},
        {"fresh10", "邮编", 0.995},     {"fresh10", "收件单位", 0.995}, {"fresh10", "地址", 0.99},
        {"fresh10", "备注", 0.98},      {"fresh11", "整条", 0.99},      {"fresh11", "姓名", 0.995},
        {"fresh11", "手机", 0.995},     {"fresh11", "电话", 0.995},     {"fresh11", "城市", 0.995},
        {"fresh11", "邮编", 0.995},     {"fresh11", "收件单位", 0.995}, {"fresh11", "地址", 0.99},
        {"fresh11", "备注", 0.995},     {"mend9", "整条", 0.99},        {"mend9", "姓名", 0.99},
        {"mend9", "手机", 0.99},        {"mend9", "电话", 0.99},        {"mend9", "城市", 0.99},
        {"mend9", "邮编", 0.99},        {"mend9", "收件单位", 0.99},    {"mend9", "地址", 0.99},
        {"mend9", "备注", 0.99},        {"fresh12", "整条", 0.995},     {"fresh12", "姓名", 0.995},
        {"fresh12", "手机", 0.995},     {"fresh12", "电话", 0.995},     {"fresh12", "城市", 0.995},
        {"fresh12", "邮编", 0.995},     {"fresh12", "收件单位", 0.995}, {"fresh12", "地址", 0.995},
        {"fresh12", "备注", 0.995},     {"fresh13", "整条", 0.995},     {"fresh13", "姓名", 0.995},
        {"fresh13", "手机", 0.995},     {"fresh13", "电话", 0.995},     {"fresh13", "城市", 0.995},
        {"fresh13", "邮编", 0.995},     {"fresh13", "收件单位", 0.995}, {"fresh13", "地址", 0.995},
        {"fresh13", "备注", 0.995},     {"fresh14", "整条", 0.99},      {"fresh14", "姓名", 0.99},
        {"fresh14", "手机", 0.995},     {"fresh14", "电话", 0.995},     {"fresh14", "城市", 0.995},
        {"fresh14", "邮编", 0.995},     {"fresh14", "收件单位", 0.995}, {"fresh14", "地址", 0.995},
        {"fresh14", "备注", 0.99},      {"fresh16", "整条", 0.995},     {"fresh16", "姓名", 0.995},
        {"fresh16", "手机", 0.995},     {"fresh16", "电话", 0.995},     {"fresh16", "城市", 0.995},
        {"fresh16", "邮编", 0.995},     {"fresh16", "收件单位", 0.995}, {"fresh16", "地址", 0.995},
        {"fresh16", "备注", 0.995},     {"fresh15", "整条", 0.995},     {"fresh15", "姓名", 0.995},
        {"fresh15", "手机", 0.995},     {"fresh15", "电话", 0.995},     {"fresh15", "城市", 0.995},
        {"fresh15", "邮编", 0.995},     {"fresh15", "收件单位", 0.995}, {"fresh15", "地址", 0.995},
        {"fresh15", "备注", 0.995},     {"fresh17", "整条", 0.965},     {"fresh17", "姓名", 0.975},
        {"fresh17", "手机", 0.99},      {"fresh17", "电话", 0.99},      {"fresh17", "城市", 0.99},
        {"fresh17", "邮编", 0.99},      {"fresh17", "收件单位", 0.99},  {"fresh17", "地址", 0.975},
        {"fresh17", "备注", 0.975},     {"fresh18", "整条", 0.995},     {"fresh18", "姓名", 0.995},
        {"fresh18", "手机", 0.995},     {"fresh18", "电话", 0.995},     {"fresh18", "城市", 0.995},
        {"fresh18", "邮编", 0.995},     {"fresh18", "收件单位", 0.995}, {"fresh18", "地址", 0.995},
        {"fresh18", "备注", 0.995},     {"fresh19", "整条", 0.995},     {"fresh19", "姓名", 0.995},
        {"fresh19", "手机", 0.995},     {"fresh19", "电话", 0.995},     {"fresh19", "城市", 0.995},
        {"fresh19", "邮编", 0.995},     {"fresh19", "收件单位", 0.995}, {"fresh19", "地址", 0.995},
        {"fresh19", "备注", 0.995},     {"fresh20", "整条", 0.995},     {"fresh20", "姓名", 0.995},
        {"fresh20", "手机", 0.995},     {"fresh20", "电话", 0.995},     {"fresh20", "城市", 0.995},
        {"fresh20", "邮编", 0.995},     {"fresh20", "收件单位", 0.995}, {"fresh20", "地址", 0.995},
        {"fresh20", "备注", 0.995},     {"fresh22", "整条", 0.955},     {"fresh22", "姓名", 0.983},
        {"fresh22", "手机", 0.99},      {"fresh22", "电话", 0.99},      {"fresh22", "城市", 0.995},
        {"fresh22", "邮编", 0.995},     {"fresh22", "收件单位", 0.995}, {"fresh22", "地址", 0.983},
        {"fresh22", "备注", 0.965},     {"fresh23", "整条", 0.895},     {"fresh23", "姓名", 0.975},
        {"fresh23", "手机", 0.99},      {"fresh23", "电话", 0.99},      {"fresh23", "城市", 0.99},
        {"fresh23", "邮编", 0.99},      {"fresh23", "收件单位", 0.99},  {"fresh23", "地址", 0.955},
        {"fresh23", "备注", 0.915},     {"fresh26", "整条", 0.99},      {"fresh26", "姓名", 0.995},
        {"fresh26", "手机", 0.995},     {"fresh26", "电话", 0.995},     {"fresh26", "城市", 0.995},
        {"fresh26", "邮编", 0.995},     {"fresh26", "收件单位", 0.995}, {"fresh26", "地址", 0.995},
        {"fresh26", "备注", 0.99},      {"fresh27", "整条", 0.993},     {"fresh27", "姓名", 0.993},
        {"fresh25", "整条", 0.895},     {"fresh25", "姓名", 0.985},     {"fresh25", "手机", 0.985},
        {"fresh25", "电话", 0.985},     {"fresh25", "城市", 0.985},     {"fresh25", "邮编", 0.985},
        {"fresh25", "收件单位", 0.985}, {"fresh25", "地址", 0.97},      {"fresh25", "备注", 0.895},
        {"fresh27", "手机", 0.993},     {"fresh27", "电话", 0.993},     {"fresh27", "城市", 0.993},
        {"fresh27", "邮编", 0.993},     {"fresh27", "收件单位", 0.993}, {"fresh27", "地址", 0.993},
        {"fresh27", "备注", 0.993},
    };
    for (const QString& path :
         qEnvironmentVariable("WAYBILL_MEASURE_SAMPLES").split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        const QString set = QFileInfo(path).baseName();
        for (const char* key : {"整条", "姓名", "手机", "电话", "城市", "邮编", "收件单位", "地址", "备注"})
            QTest::newRow(qPrintable(set + QLatin1Char(' ') + QString::fromUtf8(key)))
                << set << QString::fromUtf8(key) << 0.0;
    }
    for (const auto& f : floors) {
        QTest::newRow(
            qPrintable(QStringLiteral("%1 %2").arg(QString::fromUtf8(f.set), QString::fromUtf8(f.key))))
            << QString::fromUtf8(f.set) << QString::fromUtf8(f.key) << f.least;
    }
}

void TestAddressParser::accuracy()
{
    QFETCH(QString, set);
    QFETCH(QString, key);
    QFETCH(double, least);
    const SampleSet& s = m_sets[set];
    const QStringList keys = key == QStringLiteral("整条") ? s.columns.mid(1) : QStringList{key};
    int right = 0;
    int leaks = 0; // entries where one field holds the text of another
    QStringList misses;
    for (int i = 0; i < s.rows.size(); ++i) {
        const QStringList& row = s.rows.at(i);
        const QList<ParsedRecipient>& got = s.got.at(i);
        QStringList wrong;
        bool leak = false;
        for (const QString& k : keys) {
            const int column = s.columns.indexOf(k);
            QVERIFY2(column > 0, qPrintable(k));
            // Several recipients in one text: their values separated by ||.
            QStringList values;
            for (const ParsedRecipient& r : got)
                values << r.value(k);
            const QString joined = values.join(QStringLiteral("||"));
            if (joined == row.at(column))
                continue;
            wrong << QStringLiteral("%1 \"%2\" got \"%3\"").arg(k, row.at(column), joined);
            for (int other = 1; other < s.columns.size(); ++other) {
                for (const QString& v : row.at(other).split(QStringLiteral("||"))) {
                    leak = leak || (other != column && v.size() >= 2 && joined.contains(v) &&
                                    !row.at(column).contains(v));
                }
            }
        }
        leaks += leak ? 1 : 0;
        if (wrong.isEmpty())
            ++right;
        else
            misses << QStringLiteral("  %1\n    %2").arg(row.first(), wrong.join(QStringLiteral("; ")));
    }
    const double share = double(right) / s.rows.size();
    qInfo().noquote() << QStringLiteral("%1 set, %2: %3 of %4 exact (%5 %), %6 with another field's text")
                             .arg(set, key)
                             .arg(right)
                             .arg(s.rows.size())
                             .arg(share * 100, 0, 'f', 1)
                             .arg(leaks);
    if (!misses.isEmpty() && qEnvironmentVariableIsSet("WAYBILL_SHOW_MISSES"))
        qInfo().noquote() << misses.join(QLatin1Char('\n'));
    QVERIFY2(share >= least, qPrintable(QStringLiteral("%1 below %2").arg(share).arg(least)));
}

void TestAddressParser::splitsEntriesAtBlankLines()
{
    const QString text = QStringLiteral("张伟 13812345678\r\n河南省郑州市金水区花园路12号\r\n\r\n \r\n"
                                        "李娜\n15035696956\n广东省深圳市南山区科技园南路88号\n\u3000\n\n");
    const QStringList entries = AddressParser::splitEntries(text);
    QCOMPARE(entries.size(), 2);
    const AddressParser parser(m_regions);
    QCOMPARE(parser.parse(entries.at(0)).address, QStringLiteral("河南省郑州市金水区花园路12号"));
    QCOMPARE(parser.parse(entries.at(1)).name, QStringLiteral("李娜"));
}

void TestAddressParser::readsTheSenderWithItsRecipient_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("remark");
    // Set apart from the recipient, the sender's part looks like one more recipient.
    QTest::newRow("a whole sender on the line above")
        << QStringLiteral("寄件人：张三 13900001111 北京市朝阳区建国路88号\n收件人：李四 13812345678 "
                          "上海市黄浦区南京东路1号")
        << QStringLiteral("寄件人：张三 13900001111 北京市朝阳区建国路88号");
    QTest::newRow("under a heading of its own")
        << QStringLiteral("发件人信息：\n姓名：张三\n电话：13900001111\n收件人信息：\n姓名：李四\n"
                          "电话：13812345678\n地址：上海市黄浦区南京东路1号")
        << QStringLiteral("发件人信息： 姓名：张三 电话：13900001111");
    QTest::newRow("after the recipient's line")
        << QStringLiteral("收件人：李四 13812345678 上海市黄浦区南京东路1号\n发货人：张三 13900001111 "
                          "北京市朝阳区建国路88号")
        << QStringLiteral("发货人：张三 13900001111 北京市朝阳区建国路88号");
    QTest::newRow("the short marks of the two ends")
        << QStringLiteral(
               "收：李四 13812345678 上海市黄浦区南京东路1号\n寄：张三 13900001111 北京市朝阳区建国路88号")
        << QStringLiteral("寄：张三 13900001111 北京市朝阳区建国路88号");
    QTest::newRow("blocks under bracketed headings")
        << QStringLiteral("【寄件人】\n姓名：张三\n电话：13900001111\n【收件人】\n姓名：李四\n"
                          "电话：13812345678\n地址：上海市黄浦区南京东路1号")
        << QStringLiteral("寄件人 姓名：张三 电话：13900001111");
    QTest::newRow("both on one line")
        << QStringLiteral(
               "寄件人 姓名：张三 电话：13900001111 地址：北京市朝阳区建国路88号 收件人 姓名：李四 "
               "电话：13812345678 地址：上海市黄浦区南京东路1号")
        << QStringLiteral("寄件人 姓名：张三 电话：13900001111 地址：北京市朝阳区建国路88号");
}

void TestAddressParser::readsTheSenderWithItsRecipient()
{
    QFETCH(QString, text);
    QFETCH(QString, remark);
    const QList<ParsedRecipient> list = AddressParser(m_regions).parseAll(text);
    QCOMPARE(list.size(), 1);
    QCOMPARE(list.first().name, QStringLiteral("李四"));
    QCOMPARE(list.first().mobile, QStringLiteral("13812345678"));
    QCOMPARE(list.first().remark, remark);
}

void TestAddressParser::readsAnAddressColumn_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("city");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("postcode");
    // Pieces that would read as a name or a note in a pasted text stay in the address.
    QTest::newRow("blanks between the regions")
        << QStringLiteral("浙江省 杭州市 西湖区 文三路478号 华星时代广场 310012") << QStringLiteral("杭州市")
        << QStringLiteral("浙江省杭州市西湖区文三路478号华星时代广场") << QStringLiteral("310012");
    QTest::newRow("a piece like a name")
        << QStringLiteral("上海市浦东新区 张江 碧波路690号") << QStringLiteral("上海市")
        << QStringLiteral("上海市浦东新区张江碧波路690号") << QString();
    QTest::newRow("placeholder postcode")
        << QStringLiteral("广东省深圳市南山区科技园 000000") << QStringLiteral("深圳市")
        << QStringLiteral("广东省深圳市南山区科技园") << QString();
}

void TestAddressParser::readsAnAddressColumn()
{
    QFETCH(QString, text);
    QFETCH(QString, city);
    QFETCH(QString, address);
    QFETCH(QString, postcode);
    const ParsedRecipient r = AddressParser(m_regions).parseAddress(text);
    QCOMPARE(r.city, city);
    QCOMPARE(r.address, address);
    QCOMPARE(r.postcode, postcode);
    QVERIFY(r.name.isEmpty() && r.remark.isEmpty());
}

void TestAddressParser::addsAllOrNothing()
{
    QTemporaryDir dir;
    Database db;
    QVERIFY(db.open(dir.filePath(QStringLiteral("data.mdb")), nullptr));
    DataSet set;
    set.setDatabase(&db);
    QVERIFY(set.open(QStringLiteral("inr")));
    const AddressParser parser(m_regions);
    QList<ParsedRecipient> list;
    for (const QString& e : AddressParser::splitEntries(QStringLiteral(
             "张伟 13812345678 河南省郑州市金水区花园路12号\n\n李娜 15035696956 宝安区科苑路15号")))
        list << parser.parse(e);
    QString err;
    QVERIFY2(RecipientAdder::addAll(set, list, &err), qPrintable(err));
    QCOMPARE(set.recordCount(), 2);
    QSqlQuery q(db.db());
    QVERIFY(q.exec(QStringLiteral("SELECT 姓名, 城市, 地址, 快递单号, 内件品名 FROM inr ORDER BY 序号")));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toString(), QStringLiteral("张伟"));
    QCOMPARE(q.value(1).toString(), QStringLiteral("郑州市"));
    QVERIFY(!q.value(3).isNull() && q.value(3).toString().isEmpty());
    QVERIFY(!q.value(4).isNull());
    QVERIFY(q.next());
    QCOMPARE(q.value(2).toString(), QStringLiteral("广东省深圳市宝安区科苑路15号"));

    // An empty entry among them: nothing of the batch is stored.
    list << ParsedRecipient();
    QVERIFY(!RecipientAdder::addAll(set, list, &err));
    QCOMPARE(err, QStringLiteral("收件信息不能为空！"));
    QVERIFY(q.exec(QStringLiteral("SELECT count(*) FROM inr")) && q.next());
    QCOMPARE(q.value(0).toInt(), 2);
}

QTEST_GUILESS_MAIN(TestAddressParser)
#include "test_address_parser.moc"
