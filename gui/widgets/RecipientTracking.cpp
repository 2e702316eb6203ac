#include "gui/widgets/RecipientTracking.h"

#include "data/records/ContainsSearch.h"
#include "data/records/DataSet.h"
#include "data/store/Database.h"
#include "data/store/Schema.h"
#include "data/tracking/PrintHistory.h"
#include "gui/widgets/Dialogs.h"
#include "gui/widgets/RecordGrid.h"
#include "gui/widgets/UserTemplateMenu.h"
#include "report/FontSetup.h"
#include "templates/TemplateMenuTable.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMenu>

RecipientTracking::RecipientTracking(RecordGrid* grid, DataSet* list, const QString& table,
                                     layouts::Variant batch, QWidget* window)
    : QObject(window), m_grid(grid), m_list(list), m_table(table), m_batch(batch), m_window(window)
{
    m_numberBox = new QLineEdit;
    m_numberBox->setObjectName(QStringLiteral("WaybillNumberBox"));
    m_numberBox->setFont(FontSetup::songFont(14));
    m_numberBox->setToolTip(QStringLiteral("按快递单号查询"));
    m_filterBox = new QComboBox;
    m_filterBox->setObjectName(QStringLiteral("PrintedFilter"));
    m_filterBox->setFont(FontSetup::songFont(12));
    m_filterBox->addItems({QStringLiteral("全部"), QStringLiteral("未打印"), QStringLiteral("已打印")});
    m_filterBox->setToolTip(QStringLiteral("按打印标记显示"));
    connect(m_filterBox, &QComboBox::activated, this, &RecipientTracking::applyFilter);
}

void RecipientTracking::addPrintChoices(QMenu* batchMenu)
{
    batchMenu->addSeparator();
    QMenu* chosen = batchMenu->addMenu(QStringLiteral("打印选中记录"));
    chosen->setObjectName(QStringLiteral("PrintChosenMenu"));
    QMenu* unprinted = batchMenu->addMenu(QStringLiteral("仅未打印"));
    unprinted->setObjectName(QStringLiteral("PrintUnprintedMenu"));
    for (const TemplateMenuEntry& e : TemplateMenuTable::entries()) {
        const QString code = e.code;
        connect(chosen->addAction(e.caption), &QAction::triggered, this, [this, code] { printChosen(code); });
        connect(unprinted->addAction(e.caption), &QAction::triggered, this,
                [this, code] { printUnprinted(code); });
    }
    auto database = [this] { return m_list ? m_list->database() : nullptr; };
    UserTemplateMenu::add(chosen, database, [this](const QString& code) { printChosen(code); });
    UserTemplateMenu::add(unprinted, database, [this](const QString& code) { printUnprinted(code); });
}

void RecipientTracking::addClearMark(QMenu* contextMenu)
{
    QAction* a = contextMenu->addAction(QStringLiteral("清除打印标记"));
    a->setObjectName(QStringLiteral("ClearPrintedMark"));
    connect(a, &QAction::triggered, this, &RecipientTracking::clearMarks);
}

QList<int> RecipientTracking::targetRows(bool currentIfNone) const
{
    QList<int> rows = m_grid->selectedRowList();
    if (rows.isEmpty() && currentIfNone && m_list->currentRow() >= 0)
        rows << m_list->currentRow();
    return rows;
}

void RecipientTracking::printChosen(const QString& code)
{
    const QList<int> rows = targetRows(false);
    if (rows.isEmpty()) {
        Dialogs::message(m_window,
                         QStringLiteral("请先在表格左侧点选要打印的记录（按住 Ctrl 或 Shift 可选多条）。"));
        return;
    }
    QList<qint64> serials;
    const int column = m_list->fieldIndex(QStringLiteral("序号"));
    for (int row : rows)
        serials << m_list->value(row, column).toLongLong();
    emit selectionPrintRequested(code, m_batch, PrintSelection::of(serials));
}

void RecipientTracking::printUnprinted(const QString& code)
{
    emit selectionPrintRequested(code, m_batch, PrintSelection::unprinted());
}

void RecipientTracking::clearMarks()
{
    const QList<int> rows = targetRows(true);
    if (rows.isEmpty() || !m_list->database())
        return;
    if (Dialogs::message(m_window,
                         QStringLiteral("清除这 %1 条记录的打印标记和快递单号吗？").arg(rows.size()),
                         QMessageBox::Question, QMessageBox::Ok | QMessageBox::Cancel) != QMessageBox::Ok)
        return;
    QList<qint64> serials, rowIds;
    const int column = m_list->fieldIndex(QStringLiteral("序号"));
    for (int row : rows) {
        serials << m_list->value(row, column).toLongLong();
        rowIds << m_list->rowId(row);
    }
    QString error;
    if (!PrintHistory::clearMarks(*m_list->database(), m_table, serials, &error) ||
        !m_list->refreshRows(rowIds, &error))
        Dialogs::error(m_window, error);
}

void RecipientTracking::applyFilter(int index)
{
    QString where;
    if (index == 1)
        where = PrintSelection::unprinted().whereClause(*m_list->database());
    else if (index == 2)
        where = QStringLiteral("coalesce(%1, '') <> ''").arg(Schema::quoted(QStringLiteral("已打印")));
    QString error;
    if (!m_list->open(m_table, where, {}, &error))
        Dialogs::error(m_window, error);
}

PrintSelection RecipientTracking::filterSelection() const
{
    switch (m_filterBox->currentIndex()) {
    case 1:
        return PrintSelection::unprinted();
    case 2: {
        QList<qint64> serials;
        const int column = m_list->fieldIndex(QStringLiteral("序号"));
        for (int row = 0; row < m_list->recordCount(); ++row)
            serials << m_list->value(row, column).toLongLong();
        return PrintSelection::of(serials);
    }
    default:
        return PrintSelection::all();
    }
}

bool RecipientTracking::hasNumber() const
{
    return !m_numberBox->text().isEmpty();
}

bool RecipientTracking::searchNumber(QString* error)
{
    m_filterBox->setCurrentIndex(0);
    return ContainsSearch::open(*m_list, m_table, QStringLiteral("快递单号"), m_numberBox->text(), error);
}

void RecipientTracking::reset()
{
    m_numberBox->clear();
    m_filterBox->setCurrentIndex(0);
}
