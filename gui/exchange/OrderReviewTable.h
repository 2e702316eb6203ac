#pragma once

#include <QTableWidget>

struct OrderPlan;

// The rows of an order import that need a look before they are stored:
// masked or unsure fields, duplicates. Each row shows its file row, what
// is the matter and the ten recipient columns, which the user may edit; an
// edited row counts as checked.
class OrderReviewTable : public QTableWidget
{
    Q_OBJECT
public:
    explicit OrderReviewTable(QWidget* parent = nullptr);

    // Shows the plan's rows that need a look; edits go into the plan, which
    // must outlive the table's use of it.
    void setPlan(OrderPlan* plan);
    // The plan row a table row shows.
    int planRow(int row) const { return m_rows.value(row, -1); }

signals:
    void rowChecked();

private:
    void edited(QTableWidgetItem* item);

    OrderPlan* m_plan = nullptr;
    QVector<int> m_rows;
    bool m_filling = false;
};
