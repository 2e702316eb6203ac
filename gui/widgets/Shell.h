#pragma once

#include <QStringList>
#include <QUrl>

#include <functional>

// Starting other programs and opening addresses, behind replaceable
// functions so that tests can watch what would be started instead.
class Shell
{
public:
    using Finder = std::function<QString(const QString& program)>;
    using Starter = std::function<bool(const QString& path, const QStringList& args)>;
    using UrlOpener = std::function<bool(const QUrl& url)>;

    // Desktop calculators and text editors, in order of preference.
    static QStringList calculators();
    static QStringList textEditors();

    // Full path of the first of the programs found on the search path, or
    // empty when none is installed.
    static QString firstFound(const QStringList& programs);
    // Starts the first found of the programs, detached. False when none is
    // installed or it could not be started.
    static bool startFirst(const QStringList& programs);
    // Starts the program at path, detached.
    static bool start(const QString& path);
    static bool openUrl(const QUrl& url);

    // Replacements for tests; an empty function restores the real one.
    static void setFinder(Finder f);
    static void setStarter(Starter s);
    static void setUrlOpener(UrlOpener o);
};
