#include "data/store/AppInfo.h"
#include "data/store/DataLocation.h"
#include "data/store/Database.h"
#include "data/store/DatabaseFile.h"
#include "data/store/Settings.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>
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
    void settings_data();
    void settings();
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

// What a user has stored, as earlier versions wrote it (a null variant:
// nothing), read with its defaults; the panel is written back the same way.
void TestDataLocation::settings_data()
{
    QTest::addColumn<QVariant>("panel");
    QTest::addColumn<QVariant>("server");
    QTest::addColumn<bool>("sender");
    QTest::addColumn<QString>("location"); // empty: data.mdb in the working directory
    const QString uri = QStringLiteral("postgresql://wang@db.example:5432/waybill");
    QTest::newRow("nothing stored") << QVariant() << QVariant() << false << QString();
    QTest::newRow("sender panel") << QVariant(QStringLiteral("1")) << QVariant() << true << QString();
    QTest::newRow("recipient panel") << QVariant(QStringLiteral("0")) << QVariant() << false << QString();
    QTest::newRow("other text") << QVariant(QStringLiteral("1 ")) << QVariant() << false << QString();
    QTest::newRow("server chosen") << QVariant(QStringLiteral("1")) << QVariant(uri) << true << uri;
    QTest::newRow("no server address")
        << QVariant() << QVariant(QStringLiteral("/tmp/x.mdb")) << false << QString();
}

void TestDataLocation::settings()
{
    QFETCH(QVariant, panel);
    QFETCH(QVariant, server);
    QFETCH(bool, sender);
    QFETCH(QString, location);
    QTemporaryDir config;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.path());
    {
        QSettings raw(QSettings::NativeFormat, QSettings::UserScope, AppInfo::organization());
        raw.clear();
        if (panel.isValid())
            raw.setValue(QStringLiteral("outr"), panel);
        if (server.isValid())
            raw.setValue(QStringLiteral("database/server"), server);
    }
    const Settings window;
    QCOMPARE(window.panel(), sender ? Settings::Panel::Sender : Settings::Panel::Recipient);
    QCOMPARE(window.storeLocation(), location.isEmpty() ? DataLocation::workingDirectoryBook() : location);
    // The command line never follows the window program's choice.
    QCOMPARE(Settings(Settings::Program::CommandLine).storeLocation(), DataLocation::workingDirectoryBook());

    Settings written;
    QVERIFY(written.setPanel(sender ? Settings::Panel::Recipient : Settings::Panel::Sender, nullptr));
    QSettings raw(QSettings::NativeFormat, QSettings::UserScope, AppInfo::organization());
    QCOMPARE(raw.value(QStringLiteral("outr")), QVariant(sender ? QStringLiteral("0") : QStringLiteral("1")));
}

QTEST_GUILESS_MAIN(TestDataLocation)
#include "test_data_location.moc"
