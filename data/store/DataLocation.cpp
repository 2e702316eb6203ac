#include "data/store/DataLocation.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

bool DataLocation::isInstalled(const QString& programPath)
{
    if (programPath.isEmpty() || !QDir::isAbsolutePath(programPath))
        return false;
    const QString dir = QFileInfo(QDir::cleanPath(programPath)).path();
    return dir == QLatin1String("/usr/bin") || dir == QLatin1String("/usr/local/bin") ||
           dir == QLatin1String("/bin") || dir.startsWith(QLatin1String("/opt/"));
}

QString DataLocation::workingDirectoryBook()
{
    return QDir::current().absoluteFilePath(QStringLiteral("data.mdb"));
}

QString DataLocation::userDataBook()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/data.mdb");
}

QString DataLocation::addressBook(const QString& programPath)
{
    return isInstalled(programPath) ? userDataBook() : workingDirectoryBook();
}
