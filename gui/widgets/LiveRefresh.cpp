#include "gui/widgets/LiveRefresh.h"

#include "data/records/DataSet.h"
#include "data/store/Database.h"

LiveRefresh::LiveRefresh(QObject* parent) : QObject(parent)
{
    // Announcements come once per statement: a burst is read once.
    m_timer.setSingleShot(true);
    m_timer.setInterval(150);
    connect(&m_timer, &QTimer::timeout, this, &LiveRefresh::apply);
}

bool LiveRefresh::watch(Database* db, const QList<DataSet*>& sets)
{
    delete m_listener; // ends the previous subscription
    m_listener = new QObject(this);
    m_sets.clear();
    for (DataSet* s : sets)
        m_sets << s;
    return db && db->watchChanges(m_listener, [this](const QString& table) {
        m_pending.insert(table);
        if (!isPaused())
            m_timer.start();
    });
}

void LiveRefresh::pause()
{
    ++m_paused;
    m_timer.stop();
}

void LiveRefresh::resume(bool listsReopened)
{
    if (m_paused == 0 || --m_paused > 0)
        return;
    if (listsReopened)
        m_pending.clear();
    else if (!m_pending.isEmpty())
        apply();
}

void LiveRefresh::apply()
{
    if (isPaused())
        return; // kept for resume()
    const QSet<QString> tables = std::exchange(m_pending, {});
    for (const QPointer<DataSet>& set : std::as_const(m_sets)) {
        if (!set || !set->isOpen() || set->state() != DataSet::State::Browse ||
            !tables.contains(set->table()))
            continue;
        const qint64 id = set->currentRowId();
        const int row = set->currentRow();
        if (!set->reopen())
            continue;
        const int again = set->rowOfId(id);
        set->moveTo(again >= 0 ? again : std::min(row, set->recordCount() - 1));
    }
    for (const QString& t : tables)
        emit refreshed(t);
}
