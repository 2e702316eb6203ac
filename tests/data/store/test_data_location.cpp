#include "data/store/AppInfo.h"
#include "data/store/DataLocation.h"
#include "data/store/Database.h"
#include "data/store/DatabaseFile.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

// Where the address book lives, installed and run from a build folder.
class TestDataLocation : public QObject
{
    Q_OBJECT
private slots:
    void installedPrograms_data();
    void installedPrograms();
    void firstStartMakesTheUserDataFolder();
};

void TestDataLocation::installedPrograms_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<bool>("installed");
    QTest::newRow("package") << "/usr/bin/waybill" << true;
    QTest::newRow("local install") << "/usr/local/bin/waybill" << true;
    QTest::newRow("merged /bin") << "/bin/waybill" << true;
    QTest::newRow("under /opt") << "/opt/tavsoft/bin/waybill" << true;
    QTest::newRow("dotted into /usr/bin") << "/usr/lib/../bin/waybill" << true;
    QTest::newRow("build folder") << "/home/wang/waybill/build/app/waybill" << false;
    QTest::newRow("build below /usr") << "/usr/src/waybill/build/app/waybill" << false;
    QTest::newRow("look-alike of /opt") << "/optional/waybill" << false;
    QTest::newRow("look-alike of /usr/bin") << "/usr/bin2/waybill" << false;
    QTest::newRow("relative") << "usr/bin/waybill" << false;
    QTest::newRow("empty") << "" << false;
}

void TestDataLocation::installedPrograms()
{
    QFETCH(QString, program);
    QFETCH(bool, installed);
    QCOMPARE(DataLocation::isInstalled(program), installed);
    QCOMPARE(DataLocation::addressBook(program),
             installed ? DataLocation::userDataBook() : DataLocation::workingDirectoryBook());
}

void TestDataLocation::firstStartMakesTheUserDataFolder()
{
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("share")).toLocal8Bit());
    QCoreApplication::setOrganizationName(AppInfo::organization());
    QCoreApplication::setApplicationName(AppInfo::applicationName());
    const QString book = DataLocation::userDataBook();
    QCOMPARE(book, home.filePath(QStringLiteral("share/tavsoft/waybill/data.mdb")));

    QString error;
    Database db;
    QVERIFY(!db.open(book, &error, false)); // never made up unless asked
    QVERIFY(!QFileInfo::exists(QFileInfo(book).path()));
    QVERIFY2(db.open(book, &error, true), qPrintable(error));
    QVERIFY(DatabaseFile::check(book, &error));
}

QTEST_GUILESS_MAIN(TestDataLocation)
#include "test_data_location.moc"
