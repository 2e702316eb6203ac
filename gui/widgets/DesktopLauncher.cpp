#include "gui/widgets/DesktopLauncher.h"

#include "gui/widgets/ProductInfo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextStream>

namespace {

// Expands a value of user-dirs.dirs: "$HOME/Desktop" or an absolute path.
QString expandUserDir(QString value)
{
    const QString home = QDir::homePath();
    if (value.startsWith(QLatin1String("$HOME")))
        value = home + value.mid(5);
    else if (value.startsWith(QLatin1String("${HOME}")))
        value = home + value.mid(7);
    return value;
}

QString fromUserDirsFile()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    QFile f(config + QStringLiteral("/user-dirs.dirs"));
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    static const QRegularExpression line(QStringLiteral("^\\s*XDG_DESKTOP_DIR\\s*=\\s*\"(.*)\"\\s*$"));
    QString found;
    QTextStream in(&f);
    while (!in.atEnd()) {
        const auto m = line.match(in.readLine());
        if (m.hasMatch())
            found = m.captured(1); // the last assignment wins, as in the shell
    }
    if (found.isEmpty())
        return {};
    found.replace(QLatin1String("\\\""), QLatin1String("\""));
    return expandUserDir(found);
}

} // namespace

QString DesktopLauncher::desktopDir()
{
    QString dir = fromUserDirsFile();
    if (dir.isEmpty())
        dir = expandUserDir(qEnvironmentVariable("XDG_DESKTOP_DIR"));
    if (dir.isEmpty())
        dir = QDir::homePath() + QStringLiteral("/Desktop");
    return QDir::cleanPath(dir);
}

QString DesktopLauncher::launcherPath()
{
    return desktopDir() + QLatin1Char('/') + ProductInfo::launcherName() + QStringLiteral(".desktop");
}

QString DesktopLauncher::iconPath()
{
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty())
        data = QDir::homePath() + QStringLiteral("/.local/share");
    return data + QStringLiteral("/icons/tavsoft-waybill.png");
}

QString DesktopLauncher::quoteExecArg(const QString& arg)
{
    // Reserved characters force quoting; inside quotes four characters
    // take a backslash.
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool needs = arg.isEmpty();
    for (QChar c : arg)
        needs = needs || reserved.contains(c);
    QString out;
    for (QChar c : arg) {
        if (c == QLatin1Char('%'))
            out += QLatin1String("%%"); // field codes start with %
        else if (needs && (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
                           c == QLatin1Char('\\')))
            out += QLatin1Char('\\') + QString(c);
        else
            out += c;
    }
    return needs ? QLatin1Char('"') + out + QLatin1Char('"') : out;
}

QString DesktopLauncher::escapeValue(const QString& value)
{
    QString out;
    for (QChar c : value) {
        switch (c.unicode()) {
        case '\\':
            out += QLatin1String("\\\\");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        case '\t':
            out += QLatin1String("\\t");
            break;
        case '\r':
            out += QLatin1String("\\r");
            break;
        default:
            out += c;
        }
    }
    return out;
}

bool DesktopLauncher::write(const QString& programPath, const QString& workingDir, const QIcon& icon,
                            QString* error)
{
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    const QFileInfo program(programPath);
    const QString desktop = desktopDir();
    if (!QDir().mkpath(desktop))
        return fail(QStringLiteral("无法创建桌面文件夹 %1").arg(desktop));

    // The icon is best effort: a launcher without it still starts the program.
    const QString iconFile = iconPath();
    bool haveIcon = false;
    if (!icon.isNull() && QDir().mkpath(QFileInfo(iconFile).absolutePath()))
        haveIcon = icon.pixmap(64, 64).save(iconFile, "PNG");

    QString text;
    text += QLatin1String("[Desktop Entry]\n");
    text += QLatin1String("Type=Application\n");
    text += QLatin1String("Version=1.0\n");
    text += QStringLiteral("Name=%1\n").arg(escapeValue(ProductInfo::launcherName()));
    text += QStringLiteral("Exec=%1\n").arg(escapeValue(quoteExecArg(program.absoluteFilePath())));
    text += QStringLiteral("Path=%1\n").arg(escapeValue(QDir(workingDir).absolutePath()));
    if (haveIcon)
        text += QStringLiteral("Icon=%1\n").arg(escapeValue(iconFile));
    text += QLatin1String("Terminal=false\n");
    text += QLatin1String("Categories=Office;\n");

    const QString path = launcherPath();
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("无法写入桌面快捷方式 %1：%2").arg(path, f.errorString()));
    f.write(text.toUtf8());
    if (!f.commit())
        return fail(QStringLiteral("无法写入桌面快捷方式 %1：%2").arg(path, f.errorString()));
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner | QFileDevice::ExeUser);
    return true;
}
