#pragma once

#include "data/tracking/PrintHistory.h"
#include "data/tracking/PrintSelection.h"
#include "templates/layouts/Catalogue.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

// "打印记录": every recorded print, newest first, and the waybills of the
// one chosen, with what became of their rows since (deleted rows are
// shown as such). Reprints one print or one waybill of it through the
// template windows (reprintRequested).
class PrintHistoryWindow : public QDialog
{
    Q_OBJECT
public:
    explicit PrintHistoryWindow(const QString& databasePath, QWidget* parent = nullptr);

    // Reads the history afresh; false (and the message shown) when the
    // address book can't be read.
    bool reload();
    // The address book to read (the user may choose another meanwhile).
    void setDatabasePath(const QString& path) { m_path = path; }

    int entryCount() const { return m_entries.size(); }
    // Entries the search box lets through.
    int shownCount() const;
    // Chooses entry index (0 = newest) as a click would.
    void selectEntry(int index);
    void selectWaybill(int index);

public slots:
    void reprintEntry();
    void reprintWaybill();

signals:
    void reprintRequested(const QString& code, layouts::Variant variant, const PrintSelection& rows,
                          qint64 senderRow);

private:
    // Hides the entries the search text does not find; the first shown is chosen.
    void applySearch();
    void showEntry(int index);
    void reprint(const QList<qint64>& serials);
    const PrintHistory::Entry* current() const;

    QString m_path;
    QList<PrintHistory::Entry> m_entries; // newest first
    QHash<qint64, PrintHistory::RowState> m_states;
    QTableWidget* m_entryTable = nullptr;
    QTableWidget* m_waybillTable = nullptr;
    QLabel* m_summary = nullptr;
    QLineEdit* m_search = nullptr;
    QLabel* m_found = nullptr;
    QPushButton* m_reprintEntry = nullptr;
    QPushButton* m_reprintWaybill = nullptr;
};
