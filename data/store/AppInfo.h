#pragma once

#include <QString>

// The names the program files its settings and data under (QSettings and
// the desktop's standard folders); the window and the command-line tool use
// the same, so both find the same things.
namespace AppInfo {

inline QString organization()
{
    return QStringLiteral("tavsoft");
}
inline QString applicationName()
{
    return QStringLiteral("waybill");
}

} // namespace AppInfo
