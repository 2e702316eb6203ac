#pragma once

class QToolBar;

// Pictures for the preview's toolbar commands, drawn at run time, so that
// all of them fit the window's 500 pixels; each caption becomes its tooltip.
namespace PreviewIcons {
void decorate(QToolBar* bar);
} // namespace PreviewIcons
