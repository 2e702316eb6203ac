#include "gui/widgets/ScreenFit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QWidget>

#include <algorithm>

namespace ScreenFit {

QMargins frameGuess()
{
    return QMargins(4, 32, 4, 4);
}

QRect availableFor(const QWidget* window)
{
    const QScreen* screen = window ? window->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

QSize clientSize(const QSize& wanted, const QRect& available, const QMargins& frame)
{
    const int w = available.width() - frame.left() - frame.right();
    const int h = available.height() - frame.top() - frame.bottom();
    return QSize(std::min(wanted.width(), std::max(200, w)), std::min(wanted.height(), std::max(150, h)));
}

QPoint framePos(const QSize& client, const QRect& available, const QMargins& frame)
{
    const int outerW = client.width() + frame.left() + frame.right();
    const int outerH = client.height() + frame.top() + frame.bottom();
    return QPoint(available.left() + std::max(0, (available.width() - outerW) / 2),
                  available.top() + std::max(0, (available.height() - outerH) / 2));
}

QWidget* scrollIfLarger(QWidget* content, const QSize& room, QWidget* parent)
{
    const QSize size = content->size().expandedTo(content->minimumSize());
    if (size.width() <= room.width() && size.height() <= room.height())
        return content;
    auto* scroll = new QScrollArea(parent);
    scroll->setObjectName(content->objectName() + QStringLiteral("Scroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(false);
    scroll->setWidget(content);
    // A scroll bar one way takes room the other way.
    QSize box = size.boundedTo(room);
    const int bar = scroll->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    if (size.height() > room.height())
        box.setWidth(std::min(room.width(), size.width() + bar));
    if (size.width() > room.width())
        box.setHeight(std::min(room.height(), size.height() + bar));
    scroll->setFixedSize(box);
    return scroll;
}

} // namespace ScreenFit
