#include "data/store/Database.h"
#include "data/store/Schema.h"
#include "exchange/CellText.h"
#include "exchange/ExcelImporter.h"

#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

// How the import stores its records, whatever the text encoding of the
// database file.
class TestImportStorage : public QObject
{
    Q_OBJECT
private slots:
    void storesEveryTextAsGiven_data();
    void storesEveryTextAsGiven();
    void rowsBecomeRecords();
};

void TestImportStorage::storesEveryTextAsGiven_data()
{
    QTest::addColumn<QString>("encoding");
    QTest::newRow("UTF-8 file") << "UTF-8";
    QTest::newRow("UTF-16 file") << "UTF-16le";
}

void TestImportStorage::storesEveryTextAsGiven()
{
    QFETCH(QString, encoding);
    QTemporaryDir dir;
    const QString path = dir.filePath("data.mdb");
    {
        sqlite3* raw = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &raw), SQLITE_OK);
        QCOMPARE(
            sqlite3_exec(raw, qPrintable("PRAGMA encoding='" + encoding + "'"), nullptr, nullptr, nullptr),
            SQLITE_OK);
        for (const QString& sql : Schema::createStatements())
            QCOMPARE(sqlite3_exec(raw, sql.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(raw);
    }
    Database db;
    QString error;
    QVERIFY2(db.open(path, &error), qPrintable(error));

    // Texts from literals, from conversions and from the sheet, and empties.
    const QStringList first = {CellText::boolean(true),
                               CellText::boolean(false),
                               QStringLiteral("13800138000"),
                               QString::number(0.1),
                               QString(),
                               QString(""),
                               QStringLiteral("北京市海淀区"),
                               QString(300, QChar(0x5730)),
                               QStringLiteral("😀"),
                               QStringLiteral("备注")};
    const QStringList second = {QStringLiteral("李四")}; // shorter than ten: the rest empty
    QVERIFY2(ExcelImporter::replaceTable(db, {first, second}, &error), qPrintable(error));

    QSqlQuery q(db.db());
    QVERIFY(
        q.exec("SELECT 姓名, 城市, 邮编, 收件单位, 地址, 手机, 电话, 内件品名, 数量, 备注, 快递单号 IS NULL "
               "FROM excel ORDER BY 序号"));
    QVERIFY(q.next());
    for (int c = 0; c < 10; ++c) {
        QCOMPARE(q.value(c).toString(), first.at(c).isNull() ? QString("") : first.at(c));
        QVERIFY(!q.value(c).isNull());
    }
    QCOMPARE(q.value(10).toInt(), 1);
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toString(), QStringLiteral("李四"));
    for (int c = 1; c < 10; ++c)
        QCOMPARE(q.value(c).toString(), QString(""));
    QVERIFY(!q.next());
}

void TestImportStorage::rowsBecomeRecords()
{
    // Header in another order, with blanks around a title and a column the
    // import ignores; a row with text in that column only is no recipient.
    const QVector<QStringList> rows = {
        {"备注", " 姓名 ", "微信", "城市", "邮编", "收件单位", "地址", "手机", "电话", "内件品名", "数量"},
        {"加急", "张三", "zs", "北京", "100080", "", "海淀区", "13800138000", "", "文件", "1"},
        {"", "", "only-wechat"},
        {"", "李四"},
    };
    QVector<QStringList> records;
    QString error;
    QVERIFY2(ExcelImporter::mapRows(TextTable::fromLists(rows), &records, &error), qPrintable(error));
    QCOMPARE(records.size(), 2);
    QCOMPARE(records[0],
             QStringList({"张三", "北京", "100080", "", "海淀区", "13800138000", "", "文件", "1", "加急"}));
    QCOMPARE(records[1].value(0), QStringLiteral("李四"));
    QCOMPARE(records[1].size(), 10);

    // A missing title names itself.
    QVERIFY(!ExcelImporter::mapRows(TextTable::fromLists({{"姓名", "城市"}}), &records, &error));
    QVERIFY2(error.contains(QStringLiteral("备注")), qPrintable(error));

    // Cells naming one long shared string read as slices of it; as records
    // each would be a copy. Past the reading's budget the import refuses.
    TextTable shared;
    shared.setShared(QString(1 << 20, QLatin1Char('x')));
    shared.startRow(0);
    const QStringList titles = Schema::importColumns();
    for (int c = 0; c < titles.size(); ++c)
        shared.set(c, shared.add(titles.at(c)));
    for (int r = 1; r <= 26; ++r) {
        shared.startRow(r);
        for (int c = 0; c < titles.size(); ++c)
            shared.set(c, TextTable::sharedText(0, 1 << 20));
    }
    shared.finish();
    QVERIFY(!ExcelImporter::mapRows(shared, &records, &error));
    QVERIFY2(error.contains(QStringLiteral("内存")), qPrintable(error));
}

QTEST_GUILESS_MAIN(TestImportStorage)
#include "test_import_storage.moc"
