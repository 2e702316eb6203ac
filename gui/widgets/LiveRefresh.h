#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QTimer>

class Database;
class DataSet;

// Keeps lists current while other computers change a shared address book:
// when the server announces a change of a list's table, the list is read
// again within a moment, standing on the same row as before. A list in
// the middle of an edit is left alone (its post checks the row anyway).
// The file store has no announcements; there "刷新" does it.
class LiveRefresh : public QObject
{
    Q_OBJECT
public:
    explicit LiveRefresh(QObject* parent = nullptr);

    // Listens on db for these lists; called again after db reconnects.
    bool watch(Database* db, const QList<DataSet*>& sets);

    // While a worker thread uses the address book the lists are not read
    // behind its back: announcements are only gathered. resume() reads the
    // lists they name once; with listsReopened the caller has just opened
    // every list afresh itself, which shows them already. Pauses nest.
    void pause();
    void resume(bool listsReopened = false);
    bool isPaused() const { return m_paused > 0; }

signals:
    void refreshed(const QString& table);

private:
    void apply();

    QList<QPointer<DataSet>> m_sets;
    QSet<QString> m_pending;
    QTimer m_timer;
    int m_paused = 0;
    QObject* m_listener = nullptr; // the current subscription's context
};
