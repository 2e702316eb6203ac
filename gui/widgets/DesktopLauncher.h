#pragma once

#include <QIcon>
#include <QString>

// The launcher on the user's desktop: a desktop entry that starts this
// program in the folder of the address book in use, so that the icon opens
// that same address book. Rewritten at every start.
class DesktopLauncher
{
public:
    // The user's desktop folder as `xdg-user-dir DESKTOP` reports it:
    // user-dirs.dirs under the configuration folder, then the
    // XDG_DESKTOP_DIR variable, then ~/Desktop.
    static QString desktopDir();
    // Full path of the launcher file.
    static QString launcherPath();
    // Where the launcher's icon is written.
    static QString iconPath();

    // Writes the icon and the launcher for the program at programPath,
    // started in workingDir. The desktop folder is created when missing.
    static bool write(const QString& programPath, const QString& workingDir, const QIcon& icon,
                      QString* error = nullptr);

    // Quoting of one Exec argument and escaping of a string value, as the
    // desktop entry format wants them.
    static QString quoteExecArg(const QString& arg);
    static QString escapeValue(const QString& value);
};
