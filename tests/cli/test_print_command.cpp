#include "data/store/Database.h"
#include "exchange/StoreCopy.h"
#include "tests/TestStore.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

// Runs waybill-cli print as a user would and reads the PDF back with
// poppler's pdftotext.
class TestPrintCommand : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void addressWrapsOnPaper();
    void batchPrintsEveryRecipient();
    void shiftAndFont();
    void refused_data();
    void refused();
    void layoutAndCheck();

private:
    int run(const QStringList& args, QString* out = nullptr, QString* err = nullptr);
    QString pdfText(const QString& pdf, bool layout = true);
    int pageCount(const QString& pdf);
    QString m_db = QStringLiteral("data.mdb");
    QString m_layoutDb = QStringLiteral("layout.mdb");
};

namespace {
const QString kAddressChar = QStringLiteral("鑫");
const QString kCli = QStringLiteral(WAYBILL_BINARY_DIR "/cli/waybill-cli");

bool insert(Database& db, const QString& table, const QString& name, const QString& address)
{
    QString error;
    if (!db.exec(QStringLiteral("insert into %1 (\"姓名\", \"地址\") values (?, ?)").arg(table),
                 {name, address}, &error)) {
        qWarning() << error;
        return false;
    }
    return true;
}
} // namespace

int TestPrintCommand::run(const QStringList& args, QString* out, QString* err)
{
    QProcess p;
    p.start(kCli,
            args.value(0) == QLatin1String("--db") ? args : QStringList{QStringLiteral("--db"), m_db} + args);
    if (!p.waitForFinished(60000))
        return -1;
    if (out)
        *out = QString::fromUtf8(p.readAllStandardOutput());
    if (err)
        *err = QString::fromUtf8(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

QString TestPrintCommand::pdfText(const QString& pdf, bool layout)
{
    QProcess p;
    QStringList args;
    if (layout)
        args << QStringLiteral("-layout");
    else
        args << QStringLiteral("-bbox");
    args << pdf << QStringLiteral("-");
    p.start(QStringLiteral("pdftotext"), args);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

int TestPrintCommand::pageCount(const QString& pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {pdf});
    p.waitForFinished(30000);
    const auto m =
        QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(QString::fromUtf8(p.readAll()));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

void TestPrintCommand::initTestCase()
{
    QVERIFY2(QFile::exists(kCli), qPrintable(kCli));
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    WAYBILL_REQUIRE_STORE();
    QFile::remove(QStringLiteral("data.mdb"));
    m_db = TestStore::location(m_db);
    Database db;
    QString error;
    QVERIFY2(db.open(m_db, &error), qPrintable(error));
    QVERIFY(insert(db, QStringLiteral("outr"), QStringLiteral("寄件甲"), QStringLiteral("上海市")));
    QVERIFY(insert(db, QStringLiteral("outr"), QStringLiteral("寄件乙"), QStringLiteral("杭州市")));
    QVERIFY(insert(db, QStringLiteral("inr"), QStringLiteral("收件一"), kAddressChar.repeated(40)));
    QVERIFY(insert(db, QStringLiteral("inr"), QStringLiteral("收件二"), kAddressChar.repeated(60)));
    QVERIFY(insert(db, QStringLiteral("inr"), QStringLiteral("收件三"), QString()));
}

void TestPrintCommand::addressWrapsOnPaper()
{
    struct Case
    {
        int row;
        QList<int> lines; // address characters per printed line
    };
    // 40 characters: 19, 18, 3. 60 characters: the fourth line (4
    // characters) no longer fits the item's 14 mm and is lost.
    for (const Case& c : {Case{1, {19, 18, 3}}, Case{2, {19, 18, 19}}}) {
        const QString pdf = QStringLiteral("wrap%1.pdf").arg(c.row);
        QString out, err;
        QCOMPARE(run({QStringLiteral("print"), QStringLiteral("--template"), QStringLiteral("st"),
                      QStringLiteral("--recipient"), QString::number(c.row), QStringLiteral("--pdf"), pdf},
                     &out, &err),
                 0);
        QCOMPARE(pageCount(pdf), 1);
        QList<int> lines;
        for (const QString& line : pdfText(pdf).split(u'\n')) {
            const int n = line.count(kAddressChar);
            if (n > 0)
                lines << n;
        }
        QCOMPARE(lines, c.lines);
    }
}

void TestPrintCommand::batchPrintsEveryRecipient()
{
    QString out, err;
    QCOMPARE(run({QStringLiteral("print"), QStringLiteral("--template"), QStringLiteral("sf"),
                  QStringLiteral("--variant"), QStringLiteral("batch"), QStringLiteral("--pdf"),
                  QStringLiteral("batch.pdf")},
                 &out, &err),
             0);
    QCOMPARE(pageCount(QStringLiteral("batch.pdf")), 3);
    const QStringList pages = pdfText(QStringLiteral("batch.pdf")).split(u'\f');
    const QStringList names = {QStringLiteral("收件一"), QStringLiteral("收件二"), QStringLiteral("收件三")};
    for (int p = 0; p < 3; ++p) {
        QVERIFY2(pages.at(p).contains(names.at(p)), qPrintable(pages.at(p)));
        QVERIFY(pages.at(p).contains(QStringLiteral("寄件甲")));
        QVERIFY(!pages.at(p).contains(QStringLiteral("寄件乙")));
    }
}

void TestPrintCommand::shiftAndFont()
{
    // The sender's name: where it starts, in PDF points, from -bbox output.
    const auto nameBox = [this](const QString& pdf) {
        const QString html = pdfText(pdf, false);
        const auto m =
            QRegularExpression(
                QStringLiteral(
                    "xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">寄件乙"))
                .match(html);
        return m.hasMatch() ? QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                                     QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()))
                            : QRectF();
    };
    const QStringList base = {QStringLiteral("print"), QStringLiteral("--template"), QStringLiteral("st"),
                              QStringLiteral("--sender"), QStringLiteral("2")};
    QCOMPARE(run(base + QStringList{QStringLiteral("--pdf"), QStringLiteral("plain.pdf")}), 0);
    QCOMPARE(
        run(base + QStringList{QStringLiteral("--dx"), QStringLiteral("10"), QStringLiteral("--dy"),
                               QStringLiteral("-8"), QStringLiteral("--pdf"), QStringLiteral("shifted.pdf")}),
        0);
    QCOMPARE(run(base + QStringList{QStringLiteral("--font"), QStringLiteral("宋体,14"),
                                    QStringLiteral("--pdf"), QStringLiteral("big.pdf")}),
             0);
    const QRectF plain = nameBox(QStringLiteral("plain.pdf"));
    const QRectF shifted = nameBox(QStringLiteral("shifted.pdf"));
    const QRectF big = nameBox(QStringLiteral("big.pdf"));
    QVERIFY(!plain.isNull() && !shifted.isNull() && !big.isNull());
    // 10 pixels right and 8 up at 96 pixels per inch: 7.5 and 6 points,
    // within the rounding of an item to the pixel grid.
    QVERIFY2(qAbs(shifted.left() - plain.left() - 7.5) < 0.8,
             qPrintable(QString::number(shifted.left() - plain.left())));
    QVERIFY2(qAbs(plain.top() - shifted.top() - 6.0) < 0.8,
             qPrintable(QString::number(plain.top() - shifted.top())));
    // A box 5.3 mm high still holds a line of 14 pt, 14/12 as wide.
    QVERIFY2(qAbs(big.width() - plain.width() * 14 / 12) < 1.0,
             qPrintable(QStringLiteral("%1 %2").arg(big.width()).arg(plain.width())));
}

void TestPrintCommand::refused_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    const QString pdf = QStringLiteral("refused.pdf");
    QTest::newRow("unknown template")
        << QStringList{QStringLiteral("--template"), QStringLiteral("xx"), QStringLiteral("--pdf"), pdf}
        << QStringLiteral("没有模板");
    QTest::newRow("unknown variant") << QStringList{QStringLiteral("--template"), QStringLiteral("st"),
                                                    QStringLiteral("--variant"),  QStringLiteral("double"),
                                                    QStringLiteral("--pdf"),      pdf}
                                     << QStringLiteral("没有打印方式");
    QTest::newRow("recipient past the end")
        << QStringList{QStringLiteral("--template"), QStringLiteral("st"),    QStringLiteral("--recipient"),
                       QStringLiteral("4"),          QStringLiteral("--pdf"), pdf}
        << QStringLiteral("没有第 4 行");
    QTest::newRow("sender zero") << QStringList{QStringLiteral("--template"), QStringLiteral("st"),
                                                QStringLiteral("--sender"),   QStringLiteral("0"),
                                                QStringLiteral("--pdf"),      pdf}
                                 << QStringLiteral("行号");
    QTest::newRow("excel table empty")
        << QStringList{QStringLiteral("--template"),   QStringLiteral("st"),    QStringLiteral("--variant"),
                       QStringLiteral("excel-single"), QStringLiteral("--pdf"), pdf}
        << QStringLiteral("是空的");
    QTest::newRow("batch with row") << QStringList{QStringLiteral("--template"),  QStringLiteral("st"),
                                                   QStringLiteral("--variant"),   QStringLiteral("batch"),
                                                   QStringLiteral("--recipient"), QStringLiteral("2"),
                                                   QStringLiteral("--pdf"),       pdf}
                                    << QStringLiteral("批量打印");
    QTest::newRow("no output") << QStringList{QStringLiteral("--template"), QStringLiteral("st")}
                               << QStringLiteral("--pdf");
    QTest::newRow("bad font") << QStringList{QStringLiteral("--template"), QStringLiteral("st"),
                                             QStringLiteral("--font"),     QStringLiteral("宋体"),
                                             QStringLiteral("--pdf"),      pdf}
                              << QStringLiteral("--font");
    const QStringList st = {QStringLiteral("--template"), QStringLiteral("st"), QStringLiteral("--pdf"), pdf};
    // Shifts that leave the page, and font sizes no printer takes.
    QTest::newRow("dx at the int limit")
        << st + QStringList{QStringLiteral("--dx"), QStringLiteral("2147483647")} << QStringLiteral("纸外");
    QTest::newRow("dy a million up") << st + QStringList{QStringLiteral("--dy"), QStringLiteral("-1000000")}
                                     << QStringLiteral("纸外");
    for (const char* size : {"nan", "inf", "1e-300", "0.5", "501"})
        QTest::newRow(qPrintable(QStringLiteral("font %1").arg(QLatin1String(size))))
            << st + QStringList{QStringLiteral("--font"), QStringLiteral("宋体,") + QLatin1String(size)}
            << QStringLiteral("1 到 500 磅");
    QTest::newRow("unwritable") << QStringList{QStringLiteral("--template"), QStringLiteral("st"),
                                               QStringLiteral("--pdf"), QStringLiteral("no/such/dir/x.pdf")}
                                << QStringLiteral("无法写入");
    QTest::newRow("unknown printer") << QStringList{QStringLiteral("--template"), QStringLiteral("st"),
                                                    QStringLiteral("--printer"), QStringLiteral("没有这台")}
                                     << QStringLiteral("没有名为");
    QTest::newRow("missing database")
        << QStringList{QStringLiteral("--db"), QStringLiteral("none.mdb"), QStringLiteral("--template"),
                       QStringLiteral("st"),   QStringLiteral("--pdf"),    pdf}
        << QStringLiteral("找不到数据库文件");
}

void TestPrintCommand::refused()
{
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    if (args.first() != QLatin1String("--db"))
        args.prepend(QStringLiteral("print"));
    else
        args.insert(2, QStringLiteral("print"));
    QString out, err;
    const int rc = run(args, &out, &err);
    QVERIFY(rc != 0);
    QVERIFY2(err.contains(message), qPrintable(err));
    QVERIFY(!QFile::exists(QStringLiteral("refused.pdf")));
    QVERIFY(!QFile::exists(QStringLiteral("none.mdb")));
    // Nothing half-written is left beside the target.
    QCOMPARE(QDir().entryList({QStringLiteral(".*waybill-*")}, QDir::Files | QDir::Hidden), QStringList());
}

void TestPrintCommand::layoutAndCheck()
{
    QFile::remove(QStringLiteral("layout.mdb"));
    if (TestStore::serverRun()) {
        m_layoutDb = TestStore::location(m_layoutDb);
        Database from, to;
        QString error;
        QVERIFY2(from.open(m_db, &error) && to.open(m_layoutDb, &error) && StoreCopy::copy(from, to, &error),
                 qPrintable(error));
    } else {
        QVERIFY(QFile::copy(QStringLiteral("data.mdb"), m_layoutDb));
    }
    QImage photo(40, 30, QImage::Format_RGB32);
    photo.fill(Qt::gray);
    QVERIFY(photo.save(QStringLiteral("form.tif")));
    QFile text(QStringLiteral("form.txt"));
    QVERIFY(text.open(QIODevice::WriteOnly) && text.write("not a picture") > 0);
    text.close();

    struct Step
    {
        QString args;
        int rc;
        QString out; // expected in the standard output (or, with rc 2, the error); "!…": not there
    };
    // The 60-character address loses its fourth line; the 40-character one fits.
    const Step steps[] = {
        {"print --template st --recipient 2 --check", 3, "第1条 QRDBText7 地址: 超出 1 行\n"},
        {"print --template st --recipient 1 --check", 0, ""},
        {"layout move --template st --variant single --item QRDBText7 --mm 1.5,-0.3", 0, ""},
        {"layout hide --template st --variant single --item QRDBText8", 0, ""},
        {"layout offset --template st --mm 0.2,0 --scale 101", 0, ""},
        {"layout background --template st form.tif", 0, ""},
        {"layout show --template st --variant single --json", 0,
         "\"offset_mm\": [\n                        1.5,\n"},
        {"layout show --template st --variant single --json", 0, "\"picture\": \"own\""},
        {"layout show --template st --variant single --json", 0,
         "\"scale_percent\": [\n        101,\n        101"},
        {"layout show --template st --variant single --json", 0, "\"hidden\": true"},
        {"layout show --template st --variant batch --json", 0, "\"hidden\": false"},
        {"layout move --template st --variant single --item QRDBText7 --mm 0.05,0", 2, "步长 0.1"},
        {"layout move --template st --variant single --item QRDBText99 --mm 1,0", 2, "没有项目"},
        {"layout offset --template st --mm 0,0 --scale 150", 2, "--scale"},
        {"layout background --template st form.txt", 2, "不是可读的"},
        // Unequal scales read back as written, across and down.
        {"layout offset --template st --mm 0.2,0 --scale 100.5,99.8", 0, ""},
        {"layout show --template st --json", 0, "\"scale_percent\": [\n        100.5,\n        99.8\n"},
        // A variant's reset takes only that variant of that template.
        {"layout hide --template st --variant batch --item QRDBText8", 0, ""},
        {"layout hide --template ht --variant batch --item QRDBText1", 0, ""},
        {"layout reset --template st --variant batch", 0, ""},
        {"layout show --template st --variant batch --json", 0, "!\"hidden\": true"},
        {"layout show --template st --variant single --json", 0, "\"hidden\": true"},
        {"layout show --template ht --variant batch --json", 0, "\"hidden\": true"},
        {"layout show --template st --json", 0, "\"picture\": \"own\""},
        {"layout reset --template ht", 0, ""},
        {"layout reset --template st", 0, "撤销恢复模板"},
        {"layout show --template st --json", 0, "\"picture\": \"built-in\""},
    };
    for (const Step& s : steps) {
        QStringList args = {QStringLiteral("--db"), m_layoutDb};
        args += s.args.split(u' ');
        QString out, err;
        QCOMPARE(run(args, &out, &err), s.rc);
        const QString& seen = s.rc == 2 ? err : out;
        const bool absent = s.out.startsWith(u'!');
        QVERIFY2(s.out.isEmpty() ? seen.isEmpty() || s.rc == 0
                 : absent        ? !seen.contains(s.out.mid(1))
                                 : seen.contains(s.out),
                 qPrintable(s.args + QStringLiteral("\n") + seen));
        if (s.args.endsWith(QLatin1String("--check")) && s.rc == 0)
            QCOMPARE(out, QString());
    }
    QString out;
    QVERIFY(run(QStringList{"--db", m_layoutDb} + QStringList{"layout", "show", "--template", "st", "--json"},
                &out) == 0);
    QVERIFY(!out.contains(QStringLiteral("\"hidden\": true")));
    QVERIFY(out.contains(QStringLiteral("\"offset_mm\": [\n        0,\n        0\n")));

    // Without --check the waybill still prints, and the cut text is named.
    QString err;
    QCOMPARE(run(QStringList{"--db", m_layoutDb} +
                     QStringList{"print", "--template", "st", "--recipient", "2", "--pdf", "cut.pdf"},
                 &out, &err),
             0);
    QVERIFY(QFile::exists(QStringLiteral("cut.pdf")));
    QVERIFY2(err.contains(QStringLiteral("第1条 QRDBText7 地址: 超出 1 行")), qPrintable(err));
}

QTEST_GUILESS_MAIN(TestPrintCommand)
#include "test_print_command.moc"
