#pragma once

#include "data/store/Database.h"
#include "data/tracking/PrintSelection.h"

#include <QObject>
#include <QString>

class DataSet;

// The data of a batch printing window: a connection of its own and two
// independent sets, the recipients that drive the pages (ADODataSet1, over
// `inr` or `excel`) and the senders (ADODataSet2, over `outr`), which stays
// on its first row so every page carries the first sender. Recipient rows
// with neither name nor address would print empty forms: the set leaves
// them out and says how many.
class BatchData : public QObject
{
    Q_OBJECT
public:
    explicit BatchData(const QString& recipientTable, QObject* parent = nullptr);
    ~BatchData() override;

    // Closes the connection, opens the address book at path afresh and reads
    // both tables whole; each set stands on its first row. On failure both
    // sets stay closed and error says why. A missing file is not created.
    bool reload(const QString& path, QString* error);
    void close();

    // Which recipient rows the next reload reads (all of them by default),
    // and the sender row the pages carry (-1: the first one).
    void setSelection(const PrintSelection& selection) { m_selection = selection; }
    PrintSelection selection() const { return m_selection; }
    void setSenderRow(qint64 rowId) { m_senderRow = rowId; }

    // The rows of the selection the last reload left out for having neither
    // name nor address, and the warning for them (empty when none).
    int blankCount() const { return m_blankCount; }
    QString blankNote() const { return blankNote(m_blankCount); }
    static QString blankNote(int count);
    // How many rows of table the selection takes that have neither name nor
    // address (what a reload leaves out).
    static bool countBlank(Database& db, const QString& table, const PrintSelection& selection, int* count,
                           QString* error);

    QString recipientTable() const { return m_recipientTable; }
    Database& connection() { return m_connection; }
    DataSet* recipients() const { return m_recipients; }
    DataSet* senders() const { return m_senders; }

private:
    QString m_recipientTable;
    Database m_connection;           // ADOConnection1
    DataSet* m_recipients = nullptr; // ADODataSet1
    DataSet* m_senders = nullptr;    // ADODataSet2
    PrintSelection m_selection;
    qint64 m_senderRow = -1;
    int m_blankCount = 0;
};
