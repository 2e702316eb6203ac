#pragma once

#include <QString>

// Where the help menu, the status bar and the search bar's link send the
// user. Kept together so that a change of address touches one place.
namespace ProductInfo {

inline QString webSite()
{
    return QStringLiteral("https://www.tavsoft.example");
}
inline QString faqPage()
{
    return webSite() + QStringLiteral("/zyques.htm");
}
inline QString supportMail()
{
    return QStringLiteral("support@tavsoft.example");
}
inline QString windowTitle()
{
    return QStringLiteral("Tavrin快递单打印软件-Tavrin软件 V9.6（专业版）");
}
inline QString launcherName()
{
    return QStringLiteral("Tavrin快递单打印软件（专业版）");
}

} // namespace ProductInfo
