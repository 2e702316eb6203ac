#include "data/store/Database.h"
#include "gui/templates/CalibrationDialog.h"
#include "gui/templates/TemplateWindow.h"
#include "gui/widgets/Dialogs.h"
#include "report/FontSetup.h"
#include "templates/LayoutAdjustments.h"
#include "templates/layouts/Catalogue.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

// The files the template window reads and writes go through the same checks
// as the command line's: the form's picture (背景图) and the calibration
// sheet saved as PDF.
class TestTemplateFiles : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void filesAreChecked_data();
    void filesAreChecked();

private:
    QTemporaryDir m_dir;
    QString m_book;
};

void TestTemplateFiles::initTestCase()
{
    FontSetup::install();
    Dialogs::setScripted(true);
    m_book = m_dir.filePath("book.mdb");
    Database db;
    QVERIFY(db.open(m_book, nullptr));
    QImage image(200, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    QVERIFY(image.save(m_dir.filePath("form.png")));
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    QVERIFY(buffer.open(QIODevice::WriteOnly) && image.save(&buffer, "JPEG"));
    QFile cut(m_dir.filePath("cut.jpg"));
    QVERIFY(cut.open(QIODevice::WriteOnly) && cut.write(jpeg.left(200)) == 200);
    cut.close();
    QCOMPARE(::mkfifo(QFile::encodeName(m_dir.filePath("pipe.jpg")).constData(), 0600), 0);
    QVERIFY(QDir(m_dir.path()).mkdir("folder.pdf"));
    QVERIFY(QFile::link(m_book, m_dir.filePath("link.pdf")));
}

void TestTemplateFiles::filesAreChecked_data()
{
    QTest::addColumn<QString>("action"); // "picture" or "sheet"
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("message"); // empty: taken
    QTest::newRow("picture") << "picture"
                             << "form.png"
                             << "";
    QTest::newRow("picture cut short") << "picture"
                                       << "cut.jpg"
                                       << "无法解码";
    QTest::newRow("picture is a pipe") << "picture"
                                       << "pipe.jpg"
                                       << "不是文件。";
    QTest::newRow("sheet") << "sheet"
                           << "sheet.pdf"
                           << "";
    QTest::newRow("sheet onto a folder") << "sheet"
                                         << "folder.pdf"
                                         << "是一个文件夹";
    QTest::newRow("sheet onto the book") << "sheet"
                                         << "link.pdf"
                                         << "正在使用的数据库文件";
}

void TestTemplateFiles::filesAreChecked()
{
    QFETCH(QString, action);
    QFETCH(QString, file);
    QFETCH(QString, message);
    Dialogs::clear();
    {
        Database db;
        QVERIFY(db.open(m_book, nullptr, false));
        QVERIFY(LayoutAdjustments::setPicture(db, "st", {}, nullptr));
    }
    const QByteArray bookBefore = [this] {
        QFile f(m_book);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    TemplateSources sources;
    sources.databasePath = m_book;
    TemplateWindow w(*layouts::findTemplate("st"), layouts::Variant::Single, sources);
    Dialogs::answerFile(m_dir.filePath(file));
    QElapsedTimer clock;
    clock.start();
    if (action == "picture") {
        w.choosePicture();
    } else {
        CalibrationDialog dialog(w.layout(), &w, m_book);
        dialog.saveSheet();
    }
    QVERIFY(clock.elapsed() < 10000); // a pipe is never waited on
    const QList<Dialogs::Shown> shown = Dialogs::shown();
    const bool refused = !shown.isEmpty() && shown.last().icon == QMessageBox::Critical;
    QCOMPARE(refused, !message.isEmpty());
    if (refused)
        QVERIFY2(shown.last().text.contains(message), qPrintable(shown.last().text));
    Database db;
    QVERIFY(db.open(m_book, nullptr, false));
    if (action == "picture") {
        QCOMPARE(LayoutAdjustments::load(db, "st").picture.isEmpty(), refused);
    } else {
        QCOMPARE(QFileInfo(m_dir.filePath(file)).isFile() && !QFileInfo(m_dir.filePath(file)).isSymLink(),
                 !refused);
        QFile f(m_book);
        QVERIFY(f.open(QIODevice::ReadOnly) && f.readAll() == bookBefore);
    }
}

QTEST_MAIN(TestTemplateFiles)
#include "test_template_files.moc"
