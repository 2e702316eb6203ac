#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QUrl>

#include "gui/widgets/HelpWindow.h"
class QWidget;

// The commands of the tools and help menus that reach outside the address
// book: other programs, web and mail addresses, the help shipped inside
// the program and the "关于" box. Each one says so when the desktop cannot
// do what was asked, instead of doing nothing.
class ToolsAndHelp : public QObject
{
    Q_OBJECT
public:
    explicit ToolsAndHelp(QWidget* owner);

    // Starts the first installed of programs; when none is installed the
    // message names what was tried. what: "计算器", "记事本".
    bool startProgram(const QStringList& programs, const QString& what);
    // Opens a web or mail address with the desktop's program for it.
    bool openAddress(const QUrl& url);
    void showHelp();
    void showAbout(const QString& databasePath);

    HelpWindow* helpWindow() const { return m_help; }

private:
    QWidget* m_owner;
    QPointer<HelpWindow> m_help;
};
