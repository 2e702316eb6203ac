#pragma once

#include "data/tracking/RowNumbers.h"
#include "report/ReportRecords.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QSet>

class DataSet;
class TQuickRep;

// A report's records read from datasets. The driving set gives one record
// per row; without one (or with a closed one) there is a single record. Every
// item of the report's band reads its column (TQRDBText::DataField) from the
// set bound to it: the driving set at the record's row, any other set at its
// current row. No cursor is ever moved.
class DataSetRecords : public ReportRecords
{
public:
    explicit DataSetRecords(const TQuickRep* report) : m_report(report) {}

    void setDriver(DataSet* rows);
    // The set item index (in the band's order) reads; null: it prints nothing.
    void bindItem(int index, DataSet* set);
    // Item index prints text on every record rather than a column.
    void setFixed(int index, const QString& text);
    // Item index prints a part of the day of printing: "年" (2026), "月"
    // (12), "日" (10) or "日期" (2026-12-10).
    void setDatePart(int index, const QString& part);
    // Item index prints the waybill number of its row.
    void setNumberItem(int index) { m_numberItems.insert(index); }
    // The numbers a print is about to give, by row of the set the number
    // items read: printed in place of what the rows carry. Empty: the rows'.
    void setNumbers(const RowNumbers& byRow) { m_numbers = byRow; }

    int recordCount() const override;
    QStringList texts(int record) const override;

private:
    const TQuickRep* m_report;
    QPointer<DataSet> m_driver;
    QList<QPointer<DataSet>> m_sets; // by item index
    QHash<int, QString> m_fixed;     // item index -> text
    QHash<int, QString> m_dateParts; // item index -> part
    QSet<int> m_numberItems;         // item indexes of the waybill number
    RowNumbers m_numbers;            // row -> number about to be given
};
