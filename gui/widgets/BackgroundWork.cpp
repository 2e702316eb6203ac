#include "gui/widgets/BackgroundWork.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QProgressDialog>
#include <QThread>

#include <memory>

namespace {

// What a person does to a widget: held back from all but the progress
// dialog while a job runs.
bool isUserInput(const QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::Wheel:
    case QEvent::Close:
        return event->spontaneous();
    default:
        return false;
    }
}

} // namespace

BackgroundWork::BackgroundWork(QWidget* owner) : QObject(owner), m_owner(owner)
{
    // Queued from the worker: only what arrives while the job runs moves the dialog.
    connect(this, &BackgroundWork::progressChanged, this, &BackgroundWork::showProgress);
}

BackgroundWork::~BackgroundWork()
{
    delete m_dialog.data();
}

QProgressDialog* BackgroundWork::addProgressDialog(const QString& title, const QString& label, int minimumMs,
                                                   int maximum)
{
    delete m_dialog.data();
    m_dialog = new QProgressDialog(label, QStringLiteral("取消"), 0, maximum, m_owner);
    m_dialog->setWindowTitle(title);
    m_dialog->setWindowModality(Qt::WindowModal);
    m_dialog->setMinimumDuration(minimumMs);
    m_dialog->setAutoClose(false);
    m_dialog->setAutoReset(false);
    connect(m_dialog, &QProgressDialog::canceled, this, &BackgroundWork::cancel);
    return m_dialog;
}

void BackgroundWork::showProgress(int percent)
{
    if (m_running && !m_cancel && m_dialog && m_dialog->maximum() > 0)
        m_dialog->setValue(percent);
}

void BackgroundWork::run(const std::function<void(const ProgressFn&)>& job)
{
    if (m_running)
        return;
    m_cancel = false;
    // Emitted in the worker: the dialog hears of it through the owner's event loop.
    const ProgressFn progress = [this](int percent) {
        emit progressChanged(percent);
        return !m_cancel.load();
    };
    std::unique_ptr<QThread> worker(QThread::create([&job, &progress] { job(progress); }));
    QEventLoop loop;
    connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    m_running = true;
    qApp->installEventFilter(this);
    if (m_dialog)
        m_dialog->setValue(0); // starts its clock: it shows after the minimum duration
    worker->start();
    loop.exec();
    worker->wait();
    qApp->removeEventFilter(this);
    m_running = false;
    if (m_dialog)
        m_dialog->close();
}

void BackgroundWork::inOwnerThread(const std::function<void()>& fn)
{
    if (QThread::currentThread() == thread())
        fn();
    else
        QMetaObject::invokeMethod(this, fn, Qt::BlockingQueuedConnection);
}

bool BackgroundWork::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_running || !watched->isWidgetType() || !isUserInput(event))
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    return !(m_dialog && (widget == m_dialog || m_dialog->isAncestorOf(widget)));
}
