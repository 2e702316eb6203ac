#pragma once

class QWidget;
class TMainForm;

// The main window's toolbar (buttons with their Alt keys), its status bar
// and its menus: the print menus, the grids' context menus, the tools and
// help menus.
class MainFormBars
{
public:
    static void buildToolBar(TMainForm* f, QWidget* central);
    static void buildMenus(TMainForm* f);
    static void buildStatusBar(TMainForm* f);
};
