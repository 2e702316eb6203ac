#pragma once

class QWidget;
class TMainForm;

// The main window's two panels, sender and recipient, each a column of
// title bar, editor and grid (the recipient's with its search bar). The
// editors keep their designed size; the grids take whatever room the
// window gives beyond it.
class MainFormPanels
{
public:
    // The panel, ready for the client area's column.
    static QWidget* build(TMainForm* f, QWidget* central, bool sender);

private:
    static QWidget* buildTitleBar(TMainForm* f, QWidget* panel, bool sender);
    // The frame holding the editor.
    static QWidget* buildEditor(TMainForm* f, QWidget* panel, bool sender);
    static QWidget* buildSenderGrid(TMainForm* f, QWidget* panel);
    static QWidget* buildRecipientList(TMainForm* f, QWidget* panel);
};
