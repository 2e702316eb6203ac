#include "data/store/Database.h"
#include "exchange/DatabaseBackup.h"
#include "templates/LabelTemplates.h"
#include "templates/UserTemplates.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <sys/stat.h>
#include <sys/sysmacros.h>

// What waybill-cli refuses, run as a script runs it: outputs that would land
// on the address book, a folder or a device; command lines that would
// silently do something else than asked; pictures that could never be shown.
class TestCliRefusals : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void outputTargets_data();
    void outputTargets();
    void badCommandLines_data();
    void badCommandLines();
    void pictures_data();
    void pictures();

private:
    int run(const QStringList& args, QString* out, QString* err);
    void makeBook(const QString& path);

    QTemporaryDir m_dir;
};

namespace {

QByteArray digest(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                                       : QByteArray();
}

// Every line the user reads is Chinese: no English text of Qt or a library.
// Every line the user reads is Chinese: no English text of Qt or a library.
// libtiff alone writes its warnings to stderr itself, past Qt.
bool allChinese(const QString& text)
{
    static const QRegularExpression han(QStringLiteral("\\p{Han}"));
    static const QRegularExpression libtiff(QStringLiteral("^TIFF\\w+: Warning, "));
    const QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& line : lines)
        if (!line.contains(han) && !line.startsWith(QLatin1String("  ")) && !line.contains(libtiff))
            return false;
    return true;
}

QByteArray pngChunk(const char* type, const QByteArray& data)
{
    QByteArray body = QByteArray(type, 4) + data;
    quint32 crc = 0xffffffffu;
    for (char c : body) {
        crc ^= quint8(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    QByteArray out(4, 0);
    qToBigEndian(quint32(data.size()), out.data());
    QByteArray tail(4, 0);
    qToBigEndian(~crc, tail.data());
    return out + body + tail;
}

// A PNG that says it is side × side pixels of grey, with one row of data.
QByteArray pngClaiming(quint32 side)
{
    QByteArray ihdr(13, 0);
    qToBigEndian(side, ihdr.data());
    qToBigEndian(side, ihdr.data() + 4);
    ihdr[8] = 8; // bit depth; colour type 0 (grey), no interlace
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", ihdr) +
           pngChunk("IDAT", qCompress(QByteArray(1024, 0)).mid(4)) + pngChunk("IEND", {});
}

// A baseline TIFF (grey, one uncompressed strip) that says it is side × side.
QByteArray tiffClaiming(quint32 side)
{
    struct Entry
    {
        quint16 tag, type;
        quint32 value;
    };
    const quint32 dataAt = 8 + 2 + 9 * 12 + 4;
    const Entry entries[] = {{256, 4, side},   {257, 4, side}, {258, 3, 8},    {259, 3, 1}, {262, 3, 1},
                             {273, 4, dataAt}, {277, 3, 1},    {278, 4, side}, {279, 4, 16}};
    QByteArray t("II*\0\x08\0\0\0", 8);
    QByteArray n(2, 0);
    qToLittleEndian(quint16(9), n.data());
    t += n;
    for (const Entry& e : entries) {
        QByteArray b(12, 0);
        qToLittleEndian(e.tag, b.data());
        qToLittleEndian(e.type, b.data() + 2);
        qToLittleEndian(quint32(1), b.data() + 4);
        if (e.type == 3)
            qToLittleEndian(quint16(e.value), b.data() + 8);
        else
            qToLittleEndian(e.value, b.data() + 8);
        t += b;
    }
    return t + QByteArray(4, 0) + QByteArray(16, 0);
}

QByteArray realPicture(const char* format)
{
    QImage image(300, 160, QImage::Format_RGB32);
    image.fill(Qt::white);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

} // namespace

int TestCliRefusals::run(const QStringList& args, QString* out, QString* err)
{
    QProcess p;
    p.setWorkingDirectory(m_dir.path());
    // As from cron or ssh: no session's runtime folder.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(WAYBILL_BINARY_DIR "/cli/waybill-cli"), args);
    // A command waiting on a pipe would not come back.
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished();
        return -1;
    }
    *out = QString::fromUtf8(p.readAllStandardOutput());
    *err = QString::fromUtf8(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

void TestCliRefusals::makeBook(const QString& path)
{
    QFile::remove(path);
    Database db;
    QVERIFY(db.open(path, nullptr));
    QVERIFY(db.exec("INSERT INTO inr (姓名, 地址) VALUES ('张三', '郑州市花园路12号')"));
    QVERIFY(db.exec("INSERT INTO outr (姓名) VALUES ('寄件人')"));
    TemplateDesign own = LabelTemplates::all().at(0);
    own.code = QStringLiteral("shop1");
    QString error;
    QVERIFY2(UserTemplates::save(db, own, &error), qPrintable(error));
}

void TestCliRefusals::init()
{
    QDir dir(m_dir.path());
    for (const QString& name : dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System)) {
        QFileInfo info(dir.filePath(name));
        if (info.isDir() && !info.isSymLink())
            QDir(info.filePath()).removeRecursively();
        else
            QFile::remove(info.filePath());
    }
}

void TestCliRefusals::outputTargets_data()
{
    QTest::addColumn<QStringList>("command"); // %1 is the target
    QTest::addColumn<QString>("ext");         // what the command adds to the name, or the book's own
    QTest::addColumn<QString>("target");      // book, link, device or folder
    QTest::addColumn<QString>("reason");
    struct Command
    {
        const char* name;
        QStringList args;
        QString ext;
    };
    const QList<Command> commands{
        {"print single", {"print", "--template", "st", "--pdf", "%1"}, ".pdf"},
        {"print batch", {"print", "--template", "st", "--variant", "batch", "--pdf", "%1"}, ".pdf"},
        {"layout sheet", {"layout", "sheet", "--template", "st", "--pdf", "%1"}, ".pdf"},
        {"export .xls", {"export", "--force", "%1"}, ".xls"},
        {"export .xlsx", {"export", "--force", "%1"}, ".xlsx"},
        {"backup", {"backup", "%1"}, ".bak"}};
    const QList<std::pair<QString, QString>> targets{{"book", "正在使用的数据库文件"},
                                                     {"link", "正在使用的数据库文件"},
                                                     {"device", "不是普通文件"},
                                                     {"folder", "是一个文件夹，不是文件"}};
    for (const Command& c : commands)
        for (const auto& t : targets)
            QTest::addRow("%s: %s", c.name, qPrintable(t.first)) << c.args << c.ext << t.first << t.second;
}

void TestCliRefusals::outputTargets()
{
    QFETCH(QStringList, command);
    QFETCH(QString, ext);
    QFETCH(QString, target);
    QFETCH(QString, reason);
    // The book carries the name the output would get, so nothing but the
    // guard keeps the command off it.
    const QString book = m_dir.filePath("book" + ext);
    makeBook(book);
    QVERIFY(QFile::link(book, m_dir.filePath("link" + ext)));
    // A device node of our own (the null device's numbers), so that a
    // command replacing it with a file harms nothing; a pipe where no node
    // may be made.
    const QByteArray device = QFile::encodeName(m_dir.filePath("null" + ext));
    const bool node = ::mknod(device.constData(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    QVERIFY(node || ::mkfifo(device.constData(), 0666) == 0);
    QVERIFY(QDir(m_dir.path()).mkdir("folder" + ext));
    const QString name = (target == "device" ? QStringLiteral("null") : target) + ext;
    const QByteArray before = digest(book);
    QString out, err;
    const int rc = run(QStringList{"--db", book} + command.replaceInStrings("%1", name), &out, &err);
    QCOMPARE(rc, 1);
    QVERIFY2(err.contains(reason), qPrintable(err));
    QVERIFY2(allChinese(err) && !err.contains("--force"), qPrintable(err));
    QCOMPARE(digest(book), before);
    QVERIFY(!QFileInfo::exists(book + "-journal"));
    struct stat st
    {
    };
    QVERIFY(::stat(device.constData(), &st) == 0 && (node ? S_ISCHR(st.st_mode) : S_ISFIFO(st.st_mode)));
    QVERIFY(QDir(m_dir.filePath("folder" + ext)).isEmpty());
}

void TestCliRefusals::badCommandLines_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("untrue");    // what was said before, and is wrong
    QTest::addColumn<QString>("untouched"); // a file that must not appear
    const QStringList pdf{"print", "--template", "st", "--variant", "batch", "--pdf", "a.pdf"};
    QTest::newRow("--db without a value") << QStringList{"--db"} << 2 << "--db 缺少取值"
                                          << "未知命令"
                                          << "";
    QTest::newRow("--db empty") << QStringList{"--db", "", "export", "x"} << 2 << "--db 的取值是空的"
                                << "文件夹"
                                << "x.xls";
    QTest::newRow("two --pdf") << pdf + QStringList{"--pdf", "b.pdf"} << 2 << "--pdf 给了两次"
                               << ""
                               << "b.pdf";
    QTest::newRow("two --pdf for the sheet")
        << QStringList{"layout", "sheet", "--template", "st", "--pdf", "a.pdf", "--pdf", "b.pdf"} << 2
        << "--pdf 给了两次"
        << ""
        << "b.pdf";
    QTest::newRow("--first-number empty")
        << pdf + QStringList{"--first-number", ""} << 2 << "--first-number 的取值是空的"
        << ""
        << "a.pdf";
    QTest::newRow("extra argument to print") << pdf + QStringList{"extra"} << 2 << "多余的参数“extra”"
                                             << "缺少取值"
                                             << "a.pdf";
    QTest::newRow("extra argument to layout")
        << QStringList{"layout", "offset", "--template", "st", "--mm", "1,1", "extra"} << 2
        << "多余的参数“extra”"
        << ""
        << "";
    QTest::newRow("picture and --default")
        << QStringList{"layout", "background", "--template", "st", "form.png", "--default"} << 2
        << "--default 之一"
        << ""
        << "";
    QTest::newRow("layout of the shop's own template")
        << QStringList{"layout", "show", "--template", "shop1", "--json"} << 0 << "\"picture\": \"none\""
        << "没有模板"
        << "";
    QTest::newRow("layout of no template")
        << QStringList{"layout", "offset", "--template", "nosuch", "--mm", "1,1"} << 2
        << "自定义模板见 waybill-cli template list"
        << ""
        << "";
    QTest::newRow("restore onto a missing book")
        << QStringList{"--db", "missing.mdb", "restore", "copy.bak"} << 1 << "找不到数据库文件"
        << ""
        << "missing.mdb";
    QTest::newRow("parse-address nothing") << QStringList{"parse-address", " "} << 2 << "没有要识别的文字"
                                           << "{"
                                           << "";
    QTest::newRow("password in the URI")
        << QStringList{"--db", "postgresql://waybill:geheim@/nobook?host=/nonexistent", "export", "x"} << 1
        << "PGPASSWORD"
        << "geheim"
        << "x.xls";
    QTest::newRow("template with no verb") << QStringList{"template"} << 2 << "template list"
                                           << ""
                                           << "";
    QTest::newRow("template delete of a built-in one")
        << QStringList{"template", "delete", "st"} << 2 << "是内置模板"
        << ""
        << "";
    QTest::newRow("template export of no template")
        << QStringList{"template", "export", "nosuch", "x.wbtemplate"} << 1 << "没有自定义模板“nosuch”"
        << ""
        << "x.wbtemplate";
    QTest::newRow("template import of a picture")
        << QStringList{"template", "import", "form.png"} << 1 << "不是有效的 JSON"
        << "已导入"
        << "";
    QTest::newRow("help says where passwords go") << QStringList{"--help"} << 0 << "PGPASSWORD"
                                                  << "XDG_RUNTIME_DIR"
                                                  << "";
}

void TestCliRefusals::badCommandLines()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, message);
    QFETCH(QString, untrue);
    QFETCH(QString, untouched);
    const QString book = m_dir.filePath("data.mdb");
    makeBook(book);
    QString error;
    QVERIFY2(DatabaseBackup::backup(book, m_dir.filePath("copy"), &error), qPrintable(error));
    QFile picture(m_dir.filePath("form.png"));
    QVERIFY(picture.open(QIODevice::WriteOnly) && picture.write(realPicture("PNG")) > 0);
    picture.close();
    const QByteArray before = digest(book);
    QString out, err;
    QCOMPARE(run(args, &out, &err), code);
    const QString said = code ? err : out;
    QVERIFY2(said.contains(message), qPrintable(said));
    QVERIFY2(untrue.isEmpty() || !(out + err).contains(untrue), qPrintable(out + err));
    QVERIFY2(!err.contains("XDG_RUNTIME_DIR"), qPrintable(err));
    QVERIFY(untouched.isEmpty() || !QFileInfo::exists(m_dir.filePath(untouched)));
    QCOMPARE(digest(book), before);
}

void TestCliRefusals::pictures_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("bytes"); // for a file
    QTest::addColumn<QString>("message");  // empty: accepted
    const QByteArray jpeg = realPicture("JPEG");
    QTest::newRow("a JPEG") << "file" << jpeg << "";
    QTest::newRow("a PNG") << "file" << realPicture("PNG") << "";
    QTest::newRow("a TIFF") << "file" << realPicture("TIFF") << "";
    QTest::newRow("a JPEG cut after 200 bytes") << "file" << jpeg.left(200) << "无法解码";
    QTest::newRow("a PNG of 30000 x 30000") << "file" << pngClaiming(30000) << "30000 × 30000 像素";
    QTest::newRow("a PNG of 5000 x 5000") << "file" << pngClaiming(5000) << "需要的内存超过";
    QTest::newRow("a TIFF of a million square") << "file" << tiffClaiming(1000000) << "1000000 × 1000000";
    QTest::newRow("a text") << "file" << QByteArray("姓名 地址\n")
                            << "不是可读的 JPEG、PNG、BMP 或 TIFF 图片";
    QTest::newRow("missing") << "missing" << QByteArray() << "找不到图片文件";
    QTest::newRow("a folder") << "folder" << QByteArray() << "是一个文件夹，不是文件。";
    QTest::newRow("/dev/zero") << "/dev/zero" << QByteArray() << "不是文件。";
    QTest::newRow("a pipe") << "fifo" << QByteArray() << "不是文件。";
}

void TestCliRefusals::pictures()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    const QString book = m_dir.filePath("data.mdb");
    makeBook(book);
    QString path = m_dir.filePath("form.jpg");
    if (kind == "file") {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
    } else if (kind == "folder") {
        QVERIFY(QDir().mkpath(path));
    } else if (kind == "fifo") {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind.startsWith('/')) {
        path = kind;
    }
    QString out, err;
    const int rc = run({"--db", book, "layout", "background", "--template", "st", path}, &out, &err);
    QCOMPARE(rc, message.isEmpty() ? 0 : 2);
    QVERIFY2(err.contains(message) && allChinese(err), qPrintable(err));
    QCOMPARE(run({"--db", book, "layout", "show", "--template", "st", "--json"}, &out, &err), 0);
    QVERIFY2(out.contains(message.isEmpty() ? "\"picture\": \"own\"" : "\"picture\": \"built-in\""),
             qPrintable(out));
}

QTEST_GUILESS_MAIN(TestCliRefusals)
#include "test_cli_refusals.moc"
