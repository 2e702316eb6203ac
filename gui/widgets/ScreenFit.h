#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

class QWidget;

// Windows of fixed size on screens smaller than they are: the size is kept
// where it fits; where it doesn't, the window takes what the screen has and
// its content scrolls, and it is placed so that its title bar is on screen.
namespace ScreenFit {

// What a window manager's frame is taken to add around the client area
// before the window is shown (title bar on top).
QMargins frameGuess();
// The screen room (available geometry) for a window.
QRect availableFor(const QWidget* window);
// wanted, or less where the screen with the frame cannot hold it.
QSize clientSize(const QSize& wanted, const QRect& available, const QMargins& frame = frameGuess());
// Frame's top left: centred, but never left of or above the available room.
QPoint framePos(const QSize& client, const QRect& available, const QMargins& frame = frameGuess());
// content itself when it fits into room, else a frameless scroll area of
// room's size (at most) holding it; parent becomes the scroll area's.
QWidget* scrollIfLarger(QWidget* content, const QSize& room, QWidget* parent);

} // namespace ScreenFit
