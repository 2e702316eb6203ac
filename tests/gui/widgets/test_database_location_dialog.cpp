#include "data/store/Database.h"
#include "data/store/ServerAddress.h"
#include "data/store/Settings.h"
#include "data/store/StoreSettings.h"
#include "gui/widgets/DatabaseLocationDialog.h"
#include "gui/widgets/Dialogs.h"

#include "tests/TestStore.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

// "数据库位置": what is saved shows again, the file is taken back at once, a
// server only once a connection to it worked (the server cases need the
// test cluster, i.e. the server run).
class TestDatabaseLocationDialog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void prefillsFromSettings_data();
    void prefillsFromSettings();
    void choosingTheFile_data();
    void choosingTheFile();
    void unusableServerIsRefused_data();
    void unusableServerIsRefused();
    void workingServerIsSaved();

private:
    static void save(const QString& uri)
    {
        ServerAddress a;
        QString err;
        QVERIFY2(ServerAddress::parse(uri, &a, &err), qPrintable(err));
        QVERIFY2(StoreSettings::useServer(a, &err), qPrintable(err));
    }
    template <typename T>
    static T* child(DatabaseLocationDialog& d, const char* name)
    {
        T* w = d.findChild<T*>(QLatin1String(name));
        if (!w)
            qFatal("no widget %s", name);
        return w;
    }
    static void fillServer(DatabaseLocationDialog& d, const QString& host, const QString& db,
                           const QString& password)
    {
        child<QRadioButton>(d, "ServerChoice")->click();
        child<QLineEdit>(d, "Host")->setText(host);
        child<QLineEdit>(d, "DatabaseName")->setText(db);
        child<QLineEdit>(d, "User")->setText(QStringLiteral("waybill"));
        child<QLineEdit>(d, "Password")->setText(password);
    }

    const QString m_file = QStringLiteral("/home/someone/data.mdb");
};

void TestDatabaseLocationDialog::initTestCase()
{
    WAYBILL_REQUIRE_STORE();
    Dialogs::setScripted(true);
}

void TestDatabaseLocationDialog::init()
{
    Dialogs::clear();
    QString err;
    QVERIFY2(StoreSettings::useFile(&err), qPrintable(err));
}

void TestDatabaseLocationDialog::prefillsFromSettings_data()
{
    QTest::addColumn<QString>("saved");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("user");
    QTest::newRow("file") << QString() << QString() << 5432 << QStringLiteral("waybill") << QString();
    QTest::newRow("host") << QStringLiteral("postgresql://anna:pw@db.example.com:6543/shop")
                          << QStringLiteral("db.example.com") << 6543 << QStringLiteral("shop")
                          << QStringLiteral("anna");
    QTest::newRow("socket") << QStringLiteral("postgresql:///books?host=/run/postgresql")
                            << QStringLiteral("/run/postgresql") << 5432 << QStringLiteral("books")
                            << QString();
}

void TestDatabaseLocationDialog::prefillsFromSettings()
{
    QFETCH(QString, saved);
    QFETCH(QString, host);
    QFETCH(int, port);
    QFETCH(QString, database);
    QFETCH(QString, user);
    if (!saved.isEmpty())
        save(saved);
    DatabaseLocationDialog d(m_file, nullptr);
    const bool server = !saved.isEmpty();
    QCOMPARE(child<QRadioButton>(d, "ServerChoice")->isChecked(), server);
    QCOMPARE(child<QRadioButton>(d, "FileChoice")->isChecked(), !server);
    QCOMPARE(child<QLabel>(d, "FilePath")->text(), m_file);
    QCOMPARE(child<QLineEdit>(d, "Host")->text(), host);
    QCOMPARE(child<QSpinBox>(d, "Port")->value(), port);
    QCOMPARE(child<QLineEdit>(d, "DatabaseName")->text(), database);
    QCOMPARE(child<QLineEdit>(d, "User")->text(), user);
    QVERIFY(child<QLineEdit>(d, "Password")->text().isEmpty()); // the kept password is never shown
    QCOMPARE(child<QLineEdit>(d, "Host")->isEnabled(), server);
    QCOMPARE(child<QPushButton>(d, "TestConnection")->isEnabled(), server);
}

void TestDatabaseLocationDialog::choosingTheFile_data()
{
    QTest::addColumn<bool>("confirm");
    QTest::newRow("Enter") << true;
    QTest::newRow("取消") << false;
}

void TestDatabaseLocationDialog::choosingTheFile()
{
    QFETCH(bool, confirm);
    save(QStringLiteral("postgresql://anna:pw@db.example.com/shop"));
    const QString before = Settings().server();
    DatabaseLocationDialog d(m_file, nullptr);
    child<QRadioButton>(d, "FileChoice")->click();
    QVERIFY(!child<QLineEdit>(d, "Host")->isEnabled());
    d.show(); // the default button answers Enter only when shown
    if (confirm)
        QTest::keyClick(child<QRadioButton>(d, "FileChoice"), Qt::Key_Return); // Enter presses 确定
    else
        child<QPushButton>(d, "CancelButton")->click();
    QCOMPARE(d.result(), confirm ? int(QDialog::Accepted) : int(QDialog::Rejected));
    QCOMPARE(Settings().server(), confirm ? QString() : before);
    QCOMPARE(QFile::exists(StoreSettings::passwordFile()), !confirm);
    QCOMPARE(d.chosenLocation(), m_file);
    QVERIFY(Dialogs::shown().isEmpty());
}

void TestDatabaseLocationDialog::unusableServerIsRefused_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("reason"); // part of the server's answer
    const QString socket = TestStore::serverSocket();
    QTest::newRow("no such database")
        << socket << QStringLiteral("no_such_db") << QStringLiteral("no_such_db");
    QTest::newRow("no such host") << QStringLiteral("/nonexistent-waybill-socket")
                                  << QStringLiteral("waybill")
                                  << QStringLiteral("/nonexistent-waybill-socket");
}

void TestDatabaseLocationDialog::unusableServerIsRefused()
{
    if (!TestStore::serverRun())
        QSKIP("needs the test server (server run)");
    QFETCH(QString, host);
    QFETCH(QString, database);
    QFETCH(QString, reason);
    DatabaseLocationDialog d(m_file, nullptr);
    fillServer(d, host, database, QStringLiteral("pw"));
    child<QPushButton>(d, "OkButton")->click();
    QCOMPARE(d.result(), int(QDialog::Rejected));
    QCOMPARE(Dialogs::shown().size(), 1);
    const Dialogs::Shown said = Dialogs::lastShown();
    QCOMPARE(said.icon, QMessageBox::Critical);
    QVERIFY2(said.text.startsWith(QStringLiteral("无法使用这个数据库服务器")), qPrintable(said.text));
    QVERIFY2(said.text.contains(reason), qPrintable(said.text));
    QCOMPARE(Settings().server(), QString());
    QVERIFY(!QFile::exists(StoreSettings::passwordFile()));
}

void TestDatabaseLocationDialog::workingServerIsSaved()
{
    if (!TestStore::serverRun())
        QSKIP("needs the test server (server run)");
    ServerAddress target;
    QVERIFY(ServerAddress::parse(TestStore::freshServerDatabase(), &target, nullptr));
    {
        DatabaseLocationDialog d(m_file, nullptr);
        fillServer(d, target.host, target.database, QStringLiteral("secret"));
        child<QPushButton>(d, "TestConnection")->click();
        QCOMPARE(Dialogs::lastShown().text, QStringLiteral("连接成功。"));
        child<QPushButton>(d, "OkButton")->click();
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(Settings().server(), d.chosenLocation());
    }
    const QString saved = Settings().server();
    QVERIFY2(!saved.contains(QStringLiteral("secret")), qPrintable(saved));
    ServerAddress back;
    QVERIFY(ServerAddress::parse(saved, &back, nullptr));
    QCOMPARE(back.database, target.database);
    QCOMPARE(back.host, target.host);
    Database db;
    QString err;
    QVERIFY2(db.open(Settings().storeLocation(), &err, false), qPrintable(err));

    // Confirming again without retyping the password keeps the kept one.
    DatabaseLocationDialog again(m_file, nullptr);
    child<QPushButton>(again, "OkButton")->click();
    QCOMPARE(again.result(), int(QDialog::Accepted));
    QVERIFY(QFile::exists(StoreSettings::passwordFile()));
    QCOMPARE(Settings().server(), saved);
}

QTEST_MAIN(TestDatabaseLocationDialog)
#include "test_database_location_dialog.moc"
