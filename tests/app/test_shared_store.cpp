#include "app/MainForm.h"
#include "data/records/DataSet.h"
#include "data/store/Database.h"
#include "data/store/ServerAddress.h"
#include "data/store/StoreSettings.h"
#include "data/store/Settings.h"
#include "gui/widgets/Dialogs.h"
#include "report/FontSetup.h"
#include "tests/TestStore.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTest>

#include <memory>

// Two packing tables on one server: two main windows, each with its own
// connection, as two computers would have them.
class TestSharedStore : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        WAYBILL_REQUIRE_STORE();
        if (!TestStore::serverRun())
            QSKIP("two computers share an address book only on a server (the server run)");
        FontSetup::install();
        Dialogs::setScripted(true);
        ServerAddress address;
        QString error;
        QVERIFY(ServerAddress::parse(TestStore::freshServerDatabase(), &address, &error));
        QVERIFY2(StoreSettings::useServer(address, &error), qPrintable(error));
        QCOMPARE(Settings().storeLocation(), address.uri());
    }

    void seeEachOthersChangesAndNeverOverwriteThem()
    {
        QString error;
        std::unique_ptr<TMainForm> a(TMainForm::create(Settings(), &error));
        std::unique_ptr<TMainForm> b(TMainForm::create(Settings(), &error));
        QVERIFY2(a && b, qPrintable(error));
        auto box = [](TMainForm* f, const char* name) { return f->findChild<QLineEdit*>(name); };
        auto button = [](TMainForm* f, const char* name) { return f->findChild<QPushButton*>(name); };
        auto type = [&](TMainForm* f, const QString& text) {
            QLineEdit* name = box(f, "Edit10");
            name->end(false);
            QTest::keyClicks(name, text);
        };

        // A adds a recipient; B's list shows it without "刷新".
        box(a.get(), "Edit10")->setText(QStringLiteral("张三"));
        button(a.get(), "Button3")->click();
        QCOMPARE(a->recipients()->recordCount(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(b->recipients()->recordCount(), 1, 2000);

        // Both load the row; A's change is stored, B's would overwrite it unseen.
        a->DBGridEh1DblClick();
        b->DBGridEh1DblClick();
        type(a.get(), QStringLiteral("A"));
        type(b.get(), QStringLiteral("B"));
        Dialogs::clear();
        button(a.get(), "Button4")->click();
        QCOMPARE(Dialogs::lastShown().text, QStringLiteral("修改记录成功！"));
        button(b.get(), "Button4")->click();
        QCOMPARE(Dialogs::lastShown().text, DataSet::changedElsewhereMessage());
        QCOMPARE(box(b.get(), "Edit10")->text(), QStringLiteral("张三B")); // nothing typed is lost
        const int name = b->recipients()->fieldIndex(QStringLiteral("姓名"));
        QTRY_COMPARE_WITH_TIMEOUT(b->recipients()->value(0, name), QStringLiteral("张三A"), 2000);

        // After loading again, B's change goes through.
        b->DBGridEh1DblClick();
        type(b.get(), QStringLiteral("B"));
        button(b.get(), "Button4")->click();
        QCOMPARE(Dialogs::lastShown().text, QStringLiteral("修改记录成功！"));
        QTRY_COMPARE_WITH_TIMEOUT(a->recipients()->value(0, name), QStringLiteral("张三AB"), 2000);
    }
};

QTEST_MAIN(TestSharedStore)
#include "test_shared_store.moc"
