#include "data/store/StoreSettings.h"

#include "data/store/AppInfo.h"
#include "data/store/ServerAddress.h"
#include "data/store/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

// A field of a password-file line: ':' and '\' escaped.
QString field(const QString& text)
{
    QString out = text;
    out.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    out.replace(QLatin1Char(':'), QLatin1String("\\:"));
    return out;
}

} // namespace

QString StoreSettings::passwordFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/') +
           AppInfo::organization() + QStringLiteral("-server.pgpass");
}

bool StoreSettings::useServer(const ServerAddress& address, QString* error)
{
    const QString path = passwordFile();
    // No password given: one kept before stays (the user left the box
    // empty); libpq takes it only for its own database and user.
    if (!address.password.isEmpty()) {
        if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
            if (error)
                *error = QStringLiteral("无法创建文件夹 %1").arg(QFileInfo(path).absolutePath());
            return false;
        }
        // The one chosen server only: its host (a socket folder too; none is
        // the local default, "localhost" to libpq), port, database and user
        // (none: any, as libpq then logs in under the user's own name).
        QSaveFile f(path);
        if (!f.open(QIODevice::WriteOnly) ||
            !f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
            f.write(QStringLiteral("%1:%2:%3:%4:%5\n")
                        .arg(address.host.isEmpty() ? QStringLiteral("localhost") : field(address.host),
                             address.port > 0 ? QString::number(address.port) : QStringLiteral("*"),
                             field(address.database),
                             address.user.isEmpty() ? QStringLiteral("*") : field(address.user),
                             field(address.password))
                        .toUtf8()) < 0 ||
            !f.commit()) {
            if (error)
                *error = QStringLiteral("无法保存密码文件 %1：%2").arg(path, f.errorString());
            return false;
        }
    }
    return Settings().setServer(address.uri(false), error);
}

bool StoreSettings::useFile(QString* error)
{
    QFile::remove(passwordFile());
    return Settings().setServer(QString(), error);
}
