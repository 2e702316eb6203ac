#include "app/MainForm.h"
#include "app/ProgramWindows.h"
#include "data/store/AppInfo.h"
#include "data/store/FreedMemory.h"
#include "data/store/ServerStore.h"
#include "report/FontSetup.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <memory>

int main(int argc, char** argv)
{
    FreedMemory::keepForReuse();
    QApplication app(argc, argv);
    QApplication::setOrganizationName(AppInfo::organization());
    QApplication::setApplicationName(AppInfo::applicationName());
    // Lets the desktop match the window to the installed menu entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.tavsoft.waybill"));

    // Qt's own dialogs (file, font, print) in Chinese.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    FontSetup::install();
    // Menus, message boxes and dialogs in the interface face too.
    QApplication::setFont(FontSetup::interfaceFont(13));

    ServerStore::quietDriverMessages();

    // An address book that can't be opened is the user's to decide about;
    // only their 退出 ends the program here.
    std::unique_ptr<ProgramWindows> windows(ProgramWindows::start());
    if (!windows)
        return 1;
    windows->mainForm()->show();
    return app.exec();
}
