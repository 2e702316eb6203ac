#include "gui/exchange/OrderReviewTable.h"

#include "data/store/Schema.h"
#include "exchange/OrderImporter.h"

#include <QHeaderView>

namespace {
constexpr int kFixed = 2; // 行号, 问题
}

OrderReviewTable::OrderReviewTable(QWidget* parent) : QTableWidget(parent)
{
    setObjectName(QStringLiteral("OrderReviewTable"));
    QStringList headers = {QStringLiteral("行号"), QStringLiteral("需要核对")};
    headers << Schema::importColumns();
    setColumnCount(int(headers.size()));
    setHorizontalHeaderLabels(headers);
    verticalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    setColumnWidth(0, 50);
    setColumnWidth(1, 220);
    setWordWrap(false);
    connect(this, &QTableWidget::itemChanged, this, &OrderReviewTable::edited);
}

void OrderReviewTable::setPlan(OrderPlan* plan)
{
    m_plan = plan;
    m_rows.clear();
    m_filling = true;
    clearContents();
    for (int i = 0; plan && i < plan->rows.size(); ++i) {
        const OrderRow& r = plan->rows.at(i);
        if (r.needsReview() || r.duplicate != OrderRow::Duplicate::None)
            m_rows << i;
    }
    setRowCount(int(m_rows.size()));
    const QColor unsure(255, 236, 179);
    for (int t = 0; t < m_rows.size(); ++t) {
        const OrderRow& r = plan->rows.at(m_rows.at(t));
        auto* number = new QTableWidgetItem(QString::number(r.fileRow));
        number->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        setItem(t, 0, number);
        auto* problems = new QTableWidgetItem(r.problems());
        problems->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        problems->setToolTip(r.problems());
        setItem(t, 1, problems);
        for (int c = 0; c < Schema::importColumns().size(); ++c) {
            const QString column = Schema::importColumns().at(c);
            auto* cell = new QTableWidgetItem(r.values.value(c));
            if (r.masked.contains(column) || r.unsure.contains(column))
                cell->setBackground(unsure);
            setItem(t, kFixed + c, cell);
        }
    }
    m_filling = false;
    resizeColumnsToContents();
    setColumnWidth(1, qMin(columnWidth(1), 260));
}

void OrderReviewTable::edited(QTableWidgetItem* item)
{
    if (m_filling || !m_plan || item->column() < kFixed)
        return;
    const int p = planRow(item->row());
    if (p < 0)
        return;
    OrderRow& r = m_plan->rows[p];
    r.values[item->column() - kFixed] = item->text().trimmed();
    r.checked = true;
    m_filling = true;
    if (QTableWidgetItem* problems = this->item(item->row(), 1))
        problems->setText(QStringLiteral("已核对"));
    m_filling = false;
    emit rowChecked();
}
