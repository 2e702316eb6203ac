#pragma once

#include <QString>
#include <QVector>

// The twenty templates in the order of the print menus, with the captions
// the menus show.
struct TemplateMenuEntry
{
    QString code;
    QString caption;
};

namespace TemplateMenuTable {
QVector<TemplateMenuEntry> entries();
// Caption of entry index (0-based) in the recipient grid's single-print
// submenu, which differs in one place from the toolbar menus.
QString gridSingleCaption(int index);
} // namespace TemplateMenuTable
