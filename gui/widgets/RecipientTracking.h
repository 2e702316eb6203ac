#pragma once

#include "data/tracking/PrintSelection.h"
#include "templates/layouts/Catalogue.h"

#include <QObject>

class DataSet;
class QComboBox;
class QLineEdit;
class QMenu;
class QWidget;
class RecordGrid;

// What a recipient list offers for tracking its prints, the same in the
// main and the Excel window: print only the rows chosen in the grid, or
// only those not printed yet; clear a printed mark; show only printed or
// unprinted rows; find a row by its waybill number.
class RecipientTracking : public QObject
{
    Q_OBJECT
public:
    // list is the grid's set over table; batch is the variant its batch
    // menu opens (Batch or ExcelBatch); window owns the messages.
    RecipientTracking(RecordGrid* grid, DataSet* list, const QString& table, layouts::Variant batch,
                      QWidget* window);

    // Appends "打印选中记录" and "仅未打印", each with the twenty templates,
    // to a grid's batch submenu.
    void addPrintChoices(QMenu* batchMenu);
    // Appends "清除打印标记" to the grid's context menu.
    void addClearMark(QMenu* contextMenu);

    // The search box for "快递单号" and the "全部 / 未打印 / 已打印" filter,
    // for the window to place.
    QLineEdit* numberBox() const { return m_numberBox; }
    QComboBox* filterBox() const { return m_filterBox; }

    // What a plain batch of this list prints under the filter: the rows
    // not printed yet under "未打印", the rows shown under "已打印", else
    // every row.
    PrintSelection filterSelection() const;

    // Whether the number box holds text (its search then wins).
    bool hasNumber() const;
    // Narrows the list to the rows whose "快递单号" contains the box's text.
    bool searchNumber(QString* error);
    // Back to the whole list: number box empty, filter "全部" (the list
    // itself is reopened by the window).
    void reset();

public slots:
    void printChosen(const QString& code);
    void printUnprinted(const QString& code);
    void clearMarks();
    void applyFilter(int index);

signals:
    void selectionPrintRequested(const QString& code, layouts::Variant variant,
                                 const PrintSelection& selection);

private:
    // Rows chosen through the row indicator, or else the current row.
    QList<int> targetRows(bool currentIfNone) const;

    RecordGrid* m_grid;
    DataSet* m_list;
    QString m_table;
    layouts::Variant m_batch;
    QWidget* m_window;
    QLineEdit* m_numberBox = nullptr;
    QComboBox* m_filterBox = nullptr;
};
