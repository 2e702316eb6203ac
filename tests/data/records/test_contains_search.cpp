#include "data/records/ContainsSearch.h"
#include "data/records/DataSet.h"
#include "data/store/Database.h"
#include "data/store/Schema.h"
#include "tests/TestStore.h"

#include "data/store/SearchIndex.h"
#include "data/store/ServerIndexBuild.h"

#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

class TestContainsSearch : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { WAYBILL_REQUIRE_STORE(); }
    void matchesPlainSubstring_data();
    void matchesPlainSubstring();
    void mobileWinsAndEmptyDoesNothing();
    void indexFindsWhatTheScanFinds_data();
    void indexFindsWhatTheScanFinds();
};

void TestContainsSearch::matchesPlainSubstring_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("chinese anywhere") << "姓名"
                                      << "张" << QStringList{"张三", "老张", "张_伟"};
    QTest::newRow("double quote") << "姓名"
                                  << "\"" << QStringList{"王\"五"};
    QTest::newRow("percent is literal") << "姓名"
                                        << "%" << QStringList{"百分%"};
    QTest::newRow("underscore is literal") << "姓名"
                                           << "_" << QStringList{"张_伟"};
    QTest::newRow("backslash is literal") << "姓名"
                                          << "\\" << QStringList{"反\\斜"};
    QTest::newRow("blanks only") << "姓名"
                                 << " " << QStringList{"有 空格"};
    QTest::newRow("statement text") << "姓名"
                                    << "\" or \"\"=\"" << QStringList{};
    QTest::newRow("mobile digits") << "手机"
                                   << "139" << QStringList{"老张"};
    // LIKE would stop at the NUL and find every row.
    const QString nul(QChar(u'\0'));
    QTest::newRow("nul alone") << "姓名" << nul << QStringList{"零" + nul + "零"};
    QTest::newRow("nul after text") << "姓名"
                                    << "张" + nul << QStringList{};
    QTest::newRow("nul in mobile") << "手机"
                                   << "1" + nul << QStringList{};
}

void TestContainsSearch::matchesPlainSubstring()
{
    QFETCH(QString, column);
    QFETCH(QString, text);
    QFETCH(QStringList, expected);

    QTemporaryDir dir;
    Database db;
    QVERIFY(db.open(TestStore::location(dir.filePath("data.mdb")), nullptr));
    const QList<QPair<QString, QString>> rows = {
        {"张三", "13800138000"}, {"老张", "13900138001"}, {"张_伟", "1"},
        {"王\"五", "2"},         {"百分%", "3"},          {"反\\斜", "4"},
        {"有 空格", "5"},        {"李四", "6"},           {"零" + QString(QChar(u'\0')) + "零", "7"}};
    // A server's texts cannot hold a NUL: no such row there, none found.
    const bool server = TestStore::serverRun();
    for (const auto& r : rows)
        if (!server || !r.first.contains(QChar(u'\0')))
            QVERIFY(db.exec("INSERT INTO inr (姓名, 手机) VALUES (?, ?)", {r.first, r.second}));
    if (server)
        expected.removeIf([](const QString& n) { return n.contains(QChar(u'\0')); });
    // A server writes an updated row at the table's end: the scan meets the
    // first row last, and the list must still come in key order.
    QVERIFY(db.exec("UPDATE inr SET 手机 = 手机 || '' WHERE 姓名 = '张三'"));

    DataSet set;
    set.setDatabase(&db);
    QString error;
    QVERIFY2(ContainsSearch::open(set, "inr", column, text, &error), qPrintable(error));
    QStringList names;
    for (set.first(); !set.eof(); set.next())
        names << set.value("姓名");
    QCOMPARE(names, expected);
    QCOMPARE(set.tableRowCount(), int(rows.size()) - (server ? 1 : 0));
}

void TestContainsSearch::mobileWinsAndEmptyDoesNothing()
{
    QTemporaryDir dir;
    Database db;
    QVERIFY(db.open(TestStore::location(dir.filePath("data.mdb")), nullptr));
    QVERIFY(db.exec("INSERT INTO inr (姓名, 手机) VALUES ('张三', '111'), ('李四', '222'), ('张五', '333')"));
    DataSet set;
    set.setDatabase(&db);
    QVERIFY(ContainsSearch::byNameOrMobile(set, "inr", "张", "222", nullptr));
    QCOMPARE(set.recordCount(), 1);
    QCOMPARE(set.value("姓名"), QStringLiteral("李四"));
    // Both boxes empty: the earlier result stays as it is.
    QVERIFY(ContainsSearch::byNameOrMobile(set, "inr", "", "", nullptr));
    QCOMPARE(set.recordCount(), 1);
    QVERIFY(ContainsSearch::byNameOrMobile(set, "inr", "张", "", nullptr));
    QCOMPARE(set.recordCount(), 2);
}

void TestContainsSearch::indexFindsWhatTheScanFinds_data()
{
    QTest::addColumn<quint32>("seed");
    // Before: rows the index was built from; after: rows changed since,
    // indexed at the next search; behind: changes the index could not take
    // in yet (another connection writing), read beside it.
    QTest::addColumn<QString>("changes");
    // Rows at first; a long list's scans go on in the event loop, every
    // other one finished there before its rows are read.
    QTest::addColumn<int>("rows");
    QTest::newRow("built") << 1u << "before" << 300;
    QTest::newRow("kept by triggers") << 2u << "after" << 300;
    QTest::newRow("behind a writer") << 3u << "behind" << 300;
    QTest::newRow("built, other texts") << 4u << "before" << 300;
    QTest::newRow("kept, other texts") << 5u << "after" << 300;
    // Emptied and loaded in bulk twice (into the empty list, then beside
    // its rows), indexed by the loads themselves.
    QTest::newRow("loaded in bulk") << 6u << "bulk" << 300;
    // Long enough that a server loads it without its indexes and builds
    // them afterwards, beside the program.
    QTest::newRow("loaded in bulk, long") << 11u << "bulk" << 3000;
    // The same beside another program: loaded with the indexes kept.
    QTest::newRow("loaded in bulk, long, beside another") << 12u << "bulk beside" << 3000;
    // A bulk load given up half way: the list and its index as they were,
    // and kept in step by the triggers afterwards.
    QTest::newRow("bulk load cancelled") << 10u << "cancelled" << 300;
    // Another computer writing the list at the same time (a file's writers
    // take turns); a list emptied by TRUNCATE (a file's: by DELETE).
    QTest::newRow("two writers") << 7u << "both" << 300;
    QTest::newRow("truncated") << 8u << "truncate" << 300;
    QTest::newRow("long list, kept") << 9u << "after" << 12000;
    // Long enough that a scan's far part is read on a connection of its own.
    QTest::newRow("longer list, two parts") << 10u << "after" << 40000;
}

// Random texts of the characters that make searches differ: both cases,
// LIKE's wildcards and escape, quotes, blanks, Chinese, digits, non-Latin
// letters with case, a character outside the BMP, and NUL in a file.
static QString randomText(QRandomGenerator& r, int length, bool server)
{
    static const QString alphabet =
        QStringLiteral("aAbBzZ%_\\\"' 张三李四王五1380 ÉéΣσ") + QString::fromUcs4(U"\U0001F600");
    QString out;
    for (int i = 0; i < length; ++i) {
        const int at = r.bounded(int(alphabet.size()) + (server ? 0 : 1));
        if (at == alphabet.size())
            out += QChar(u'\0');
        else if (alphabet.at(at).isHighSurrogate())
            out += alphabet.mid(at, 2);
        else if (!alphabet.at(at).isLowSurrogate())
            out += alphabet.at(at);
    }
    return out;
}

void TestContainsSearch::indexFindsWhatTheScanFinds()
{
    QFETCH(quint32, seed);
    QFETCH(QString, changes);
    QFETCH(int, rows);
    QRandomGenerator r(seed);
    const bool server = TestStore::serverRun();
    QTemporaryDir dir;
    const QString where = TestStore::location(dir.filePath("data.mdb"));
    Database db;
    QVERIFY(db.open(where, nullptr));
    const QStringList columns = SearchIndex::columns();
    auto addRows = [&](int n) {
        const bool tx = db.db().transaction();
        for (int i = 0; i < n; ++i)
            QVERIFY(db.exec("INSERT INTO inr (姓名, 手机, 快递单号) VALUES (?, ?, ?)",
                            {randomText(r, r.bounded(8), server), randomText(r, r.bounded(12), server),
                             randomText(r, r.bounded(14), server)}));
        QVERIFY(!tx || db.db().commit());
    };
    addRows(rows);
    if (changes == "before") { // the index of an older book (sizes of an older server), made at its opening
        QVERIFY(db.exec(server ? "DROP FUNCTION waybill_count() CASCADE" : "DROP TABLE inr_search"));
        QVERIFY(db.exec("INSERT INTO inr (姓名) VALUES ('不计数')"));
        QCOMPARE(SearchIndex::rowCount(db, "inr"), -1);
        db.close();
        QVERIFY(db.open(where, nullptr));
    }
    // Searched once, so that what follows is a change since the index caught up.
    DataSet set;
    set.setDatabase(&db);
    {
        QString e;
        QVERIFY2(ContainsSearch::open(set, "inr", "姓名", "abc", &e), qPrintable(e));
    }
    Database writer;
    if (changes == "both") {
        QVERIFY(writer.open(where, nullptr));
        QVERIFY(writer.db().transaction());
        QVERIFY(writer.exec("INSERT INTO inr (姓名) SELECT 姓名 || 'x' FROM inr WHERE 序号 % 3 = 0"));
        QVERIFY(writer.exec("DELETE FROM inr WHERE 序号 % 5 = 0"));
        QVERIFY(server || writer.db().commit());
        QVERIFY(db.exec("DELETE FROM inr WHERE 序号 % 7 = 1 AND 序号 % 5 <> 0"));
        addRows(60);
        QVERIFY(!server || writer.db().commit());
    } else if (changes == "truncate") {
        QVERIFY(db.exec(server ? "TRUNCATE inr" : "DELETE FROM inr"));
        addRows(60);
    } else if (changes.startsWith("bulk") || changes == "cancelled") {
        auto rowAt = [&](int, QVector<QVariant>& v) {
            v = {randomText(r, r.bounded(8), server), randomText(r, r.bounded(12), server),
                 randomText(r, r.bounded(14), server)};
        };
        if (changes == "bulk beside")
            QVERIFY(writer.open(where, nullptr));
        QVERIFY(db.db().transaction());
        QVERIFY(db.removeAllRows("inr"));
        if (changes != "cancelled") {
            for (const int n : {rows - 100, 80})
                QVERIFY(db.appendRows("inr", columns, n, rowAt, {}, nullptr, nullptr));
            QVERIFY(db.db().commit());
            QString narrow;
            QVariantList narrowBinds;
            const bool dropped = !SearchIndex::narrowing(db, "inr", "姓名", "abc", &narrow, &narrowBinds);
            QCOMPARE(dropped, server && rows > 2000 && changes == "bulk");
            SearchIndex::buildMissing(db);
            QVERIFY(ServerIndexBuild::wait(60));
        } else {
            bool cancelled = false;
            QVERIFY(!db.appendRows(
                "inr", columns, rows, rowAt, [](int percent) { return percent < 50; }, &cancelled, nullptr));
            QVERIFY(cancelled);
            QVERIFY(db.db().rollback());
            addRows(60);
        }
    } else if (changes != "before") {
        QVERIFY(db.db().transaction());
        for (int i = 0; i < 40; ++i)
            QVERIFY(db.exec(QStringLiteral("UPDATE inr SET %1 = ? WHERE 序号 = ?").arg(columns.at(i % 3)),
                            {randomText(r, r.bounded(9), server), 1 + r.bounded(rows)}));
        QVERIFY(db.exec("DELETE FROM inr WHERE 序号 % 7 = 0"));
        QVERIFY(db.exec("UPDATE inr SET 序号 = 序号 + ? WHERE 序号 % 11 = 0", {1000 + rows}));
        QVERIFY(db.db().commit());
        addRows(60);
        if (changes == "behind" && !server) {
            QVERIFY(writer.open(where, nullptr));
            QVERIFY(writer.db().transaction());
            QVERIFY(writer.exec("UPDATE outr SET 姓名 = 姓名"));
        }
    }
    // Texts found in the rows (some with their case turned) and texts at random.
    QList<QPair<QString, QString>> searches;
    QStringList texts[3];
    QSqlQuery all(db.db());
    QVERIFY(all.exec("SELECT 姓名, 手机, 快递单号 FROM inr"));
    while (all.next())
        for (int c = 0; c < 3; ++c)
            texts[c] << all.value(c).toString();
    all.finish();
    while (searches.size() < 200) {
        const int c = r.bounded(3);
        const QString text = texts[c].at(r.bounded(int(texts[c].size())));
        if (text.isEmpty())
            continue;
        const int from = r.bounded(int(text.size()));
        QString part = text.mid(from, 1 + r.bounded(5));
        if (r.bounded(3) == 0)
            part = r.bounded(2) ? part.toUpper() : part.toLower();
        searches.append({columns.at(c), part});
        searches.append({columns.at(r.bounded(3)), randomText(r, 1 + r.bounded(5), server)});
    }
    int indexed = 0;
    int stepped = 0;
    for (const auto& [column, text] : searches) {
        QString error;
        QVERIFY2(ContainsSearch::open(set, "inr", column, text, &error), qPrintable(error));
        if (set.isScanning() && ++stepped % 2)
            QTRY_VERIFY(!set.isScanning());
        QVector<qint64> found;
        for (int i = 0; i < set.recordCount(); ++i)
            found << set.rowId(i);
        if (set.query().where.contains("MATCH") || (server && !set.query().scan))
            ++indexed;
        // The scan as it always was, straight on the table.
        QVector<qint64> scanned;
        const bool nul = text.contains(QChar(u'\0'));
        if (!(server && nul))
            QVERIFY(db.readIds(
                QStringLiteral("SELECT 序号 FROM inr WHERE %1 ORDER BY 序号")
                    .arg(nul ? db.containsText(Schema::quoted(column)) : ContainsSearch::whereClause(column)),
                {nul ? QVariant(text) : ContainsSearch::pattern(text)}, &scanned, nullptr));
        QVERIFY2(found == scanned, qPrintable(QStringLiteral("%1 含 %2: %3 行, 扫描 %4 行")
                                                  .arg(column, text.toHtmlEscaped())
                                                  .arg(found.size())
                                                  .arg(scanned.size())));
    }
    // The index did the work for the longer texts; a long list's scans went on in steps.
    QVERIFY2(indexed > 20, qPrintable(QString::number(indexed)));
    QVERIFY(rows < 10000 || stepped > 20);
    // The size the triggers keep is the table's.
    QVector<qint64> count;
    QVERIFY(db.readIds("SELECT COUNT(*) FROM inr", {}, &count, nullptr));
    QCOMPARE(SearchIndex::rowCount(db, "inr"), int(count.value(0)));
}

QTEST_GUILESS_MAIN(TestContainsSearch)
#include "test_contains_search.moc"
