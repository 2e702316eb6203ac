#pragma once

#include <QString>

// Where the address book lives. Started from its build folder the program
// keeps data.mdb in the working directory, where the launcher it writes
// starts it. An installed program's folder is neither writable nor per
// user, so there the address book lives in the user's data folder and the
// menu entry takes the place of the desktop launcher.
class DataLocation
{
public:
    // Whether the program file at programPath is an installed one: it lies
    // in /usr/bin, /usr/local/bin or /bin, or anywhere under /opt.
    static bool isInstalled(const QString& programPath);

    // data.mdb in the current working directory, taken afresh each call.
    static QString workingDirectoryBook();
    // data.mdb in the user's data folder (QStandardPaths::AppDataLocation,
    // e.g. ~/.local/share/tavsoft/waybill).
    static QString userDataBook();
    // The address book of the program at programPath: one of the two above.
    static QString addressBook(const QString& programPath);
};
