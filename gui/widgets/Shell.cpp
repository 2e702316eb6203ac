#include "gui/widgets/Shell.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>

namespace {

struct Hooks
{
    Shell::Finder finder;
    Shell::Starter starter;
    Shell::UrlOpener opener;
};

Hooks& hooks()
{
    static Hooks h;
    return h;
}

} // namespace

QStringList Shell::calculators()
{
    return {QStringLiteral("gnome-calculator"), QStringLiteral("kcalc"), QStringLiteral("galculator"),
            QStringLiteral("mate-calc"), QStringLiteral("xcalc")};
}

QStringList Shell::textEditors()
{
    return {QStringLiteral("gnome-text-editor"),
            QStringLiteral("gedit"),
            QStringLiteral("kate"),
            QStringLiteral("mousepad"),
            QStringLiteral("pluma"),
            QStringLiteral("xed"),
            QStringLiteral("leafpad")};
}

QString Shell::firstFound(const QStringList& programs)
{
    for (const QString& p : programs) {
        QString path = hooks().finder ? hooks().finder(p) : QStandardPaths::findExecutable(p);
        if (!path.isEmpty())
            return path;
    }
    return {};
}

bool Shell::startFirst(const QStringList& programs)
{
    const QString path = firstFound(programs);
    if (path.isEmpty())
        return false;
    return start(path);
}

bool Shell::start(const QString& path)
{
    if (hooks().starter)
        return hooks().starter(path, {});
    return QProcess::startDetached(path, {});
}

bool Shell::openUrl(const QUrl& url)
{
    if (hooks().opener)
        return hooks().opener(url);
    return QDesktopServices::openUrl(url);
}

void Shell::setFinder(Finder f)
{
    hooks().finder = std::move(f);
}

void Shell::setStarter(Starter s)
{
    hooks().starter = std::move(s);
}

void Shell::setUrlOpener(UrlOpener o)
{
    hooks().opener = std::move(o);
}
