#pragma once

#include <QIcon>
#include <QPixmap>

// The program's own pictures, drawn at run time: toolbar icons, the close
// icon of the panel title bars, the program icon and the web link.
class ToolIcons
{
public:
    enum Kind
    {
        Sender,
        Recipient,
        Print,
        BatchPrint,
        Excel,
        Export,
        Backup,
        Restore,
        Tools,
        Help,
        Exit,
        Close,
        App,
        Link
    };

    static QIcon icon(Kind kind);
    static QIcon drawn(Kind kind, int size = 32);
    // The stretched background of a panel title bar.
    static QPixmap titleBackground(int width, int height);
};
