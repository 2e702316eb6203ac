#pragma once

#include <QObject>

class QWidget;

// Enter (and Return) on a focused push button presses it, as Space does,
// also in windows where buttons are no default buttons (so that Enter in a
// box never presses one by surprise).
class EnterClicks : public QObject
{
    Q_OBJECT
public:
    // Every push button under window.
    static void install(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;
};
