#include "gui/widgets/EnterClicks.h"

#include <QKeyEvent>
#include <QPushButton>

void EnterClicks::install(QWidget* window)
{
    auto* filter = new EnterClicks(window);
    for (QPushButton* b : window->findChildren<QPushButton*>())
        b->installEventFilter(filter);
}

bool EnterClicks::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        auto* button = qobject_cast<QPushButton*>(watched);
        if (button && (key == Qt::Key_Return || key == Qt::Key_Enter) && button->isEnabled()) {
            button->click();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
