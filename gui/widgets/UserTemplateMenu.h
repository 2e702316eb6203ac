#pragma once

#include <QString>

#include <functional>

class Database;
class QMenu;

// "自定义模板" in a print menu, after the twenty built-in templates: the
// shop's own templates, read from the address book each time the submenu
// opens, so that one made or changed on another computer is there too.
namespace UserTemplateMenu {

// Adds the submenu at the end of menu; chosen gets the code of the picked
// template. database gives the window's connection (null or closed: none).
QMenu* add(QMenu* menu, const std::function<Database*()>& database,
           const std::function<void(const QString& code)>& chosen);

} // namespace UserTemplateMenu
