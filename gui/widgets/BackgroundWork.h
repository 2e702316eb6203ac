#pragma once

#include "exchange/Progress.h"

#include <QObject>
#include <QPointer>

#include <atomic>
#include <functional>

class QProgressDialog;
class QWidget;

// Runs one long job of a window (an import, an export, a backup, a
// restore) on a thread of its own; the job opens the database connection it
// needs there, from the address book's path. run() returns once the job has
// ended, as a modal dialog's exec() does, and meanwhile the event loop goes
// on: the window repaints, the progress dialog moves and its cancel button
// answers. Input to the program's other widgets is held back until then,
// so nothing reads or writes the tables beside the job.
class BackgroundWork : public QObject
{
    Q_OBJECT
public:
    explicit BackgroundWork(QWidget* owner);
    ~BackgroundWork() override;

    // A window-modal progress dialog for the job with a "取消" button,
    // shown once the job runs longer than minimumMs; maximum 0 gives a busy
    // bar to a job without steps.
    QProgressDialog* addProgressDialog(const QString& title, const QString& label, int minimumMs,
                                       int maximum = 100);

    // Runs job on a worker thread and waits for it with the event loop
    // turning. The job's progress function, called in the worker, moves the
    // dialog and returns false once the user cancelled.
    void run(const std::function<void(const ProgressFn&)>& job);

    // Called from the job: runs fn in the owner's thread and waits for it,
    // for what the windows must do midway (let go of their connections).
    void inOwnerThread(const std::function<void()>& fn);

    bool isRunning() const { return m_running; }
    bool wasCancelled() const { return m_cancel; }

public slots:
    void cancel() { m_cancel = true; }

signals:
    // In the owner's thread, while the job runs.
    void progressChanged(int percent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showProgress(int percent);

    QPointer<QWidget> m_owner;
    QPointer<QProgressDialog> m_dialog;
    std::atomic<bool> m_cancel{false};
    bool m_running = false;
};
