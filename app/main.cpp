#include "app/Dialogs.h"
#include "app/MainForm.h"
#include "report/FontSetup.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <memory>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("tavsoft"));
    QApplication::setApplicationName(QStringLiteral("waybill"));

    // Qt's own dialogs (file, font, print) in Chinese.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    FontSetup::install();

    // The main window first: it owns the main connection and the lists that
    // every other window reads.
    QString error;
    std::unique_ptr<TMainForm> mainForm(TMainForm::create(&error));
    if (!mainForm) {
        Dialogs::error(nullptr, error);
        return 1;
    }

    // The Excel window is created here, after the main window: it opens its
    // own connection and registers its list for the Excel printing windows.
    //   connect(mainForm.get(), &TMainForm::excelImportRequested, excelForm, ...);

    // The template windows come next (they read the lists registered by the
    // two windows above):
    //   connect(mainForm.get(), &TMainForm::templateRequested, templates, ...);

    mainForm->show();
    return app.exec();
}
