#include "gui/widgets/RecordGrid.h"
#include "data/Schema.h"
#include "report/FontSetup.h"

#include "data/DataSet.h"
#include "data/DataSetModel.h"

#include <QHeaderView>
#include <QMouseEvent>

#include <algorithm>

RecordGrid::RecordGrid(DataSetModel* model, const QString& objectName, QWidget* parent)
    : QTableView(parent), m_model(model)
{
    setObjectName(objectName);
    setModel(model);
    setFont(FontSetup::songFont(14));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setToolTip(QStringLiteral("双击修改记录"));
    setWordWrap(false);
    setAlternatingRowColors(false);
    QHeaderView* rows = verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(fontMetrics().height() + 6);
    rows->setMinimumWidth(28);
    horizontalHeader()->setFont(FontSetup::songFont(14));
    horizontalHeader()->setHighlightSections(false);
    rows->setFont(FontSetup::songFont(12));
    connect(model, &QAbstractItemModel::modelReset, this, [this] {
        if (m_hasLayout)
            applyColumnLayout();
    });

    DataSet* set = model->dataSet();
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this, set](const QModelIndex& current) {
                if (!m_following && current.isValid())
                    set->moveTo(current.row());
            });
    connect(set, &DataSet::currentChanged, this, &RecordGrid::followSet);
    viewport()->installEventFilter(this);
    verticalHeader()->viewport()->installEventFilter(this);
    horizontalHeader()->viewport()->installEventFilter(this);
    connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        const QModelIndex idx = indexAt(pos);
        if (idx.isValid())
            selectionModel()->setCurrentIndex(idx, QItemSelectionModel::NoUpdate);
        emit contextMenuAt(viewport()->mapToGlobal(pos));
    });
}

QItemSelectionModel::SelectionFlags RecordGrid::selectionCommand(const QModelIndex& index,
                                                                 const QEvent* event) const
{
    // The row indicator selects through selectRow(), which passes no event.
    if (event)
        return QItemSelectionModel::NoUpdate;
    return QTableView::selectionCommand(index, event);
}

bool RecordGrid::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        emit gridDoubleClicked();
        return true;
    }
    return QTableView::eventFilter(watched, event);
}

void RecordGrid::followSet()
{
    const int row = m_model->dataSet()->currentRow();
    if (row < 0 || row >= m_model->rowCount())
        return;
    const QModelIndex current = currentIndex();
    if (current.isValid() && current.row() == row)
        return;
    int column = current.isValid() ? current.column() : 0;
    while (column < m_model->columnCount() - 1 && isColumnHidden(column))
        ++column;
    m_following = true;
    selectionModel()->setCurrentIndex(m_model->index(row, column), QItemSelectionModel::NoUpdate);
    m_following = false;
}

void RecordGrid::setRecipientLayout(const QVector<int>& widths)
{
    const QStringList names = Schema::importColumns();
    Q_ASSERT(widths.size() == names.size());
    QVector<Column> shown;
    for (int i = 0; i < names.size() && i < widths.size(); ++i)
        shown.append({names.at(i), widths.at(i)});
    setColumnLayout(shown, {QStringLiteral("序号"), QStringLiteral("选中"), QStringLiteral("已打印"),
                            QStringLiteral("快递单号")});
}

void RecordGrid::setColumnLayout(const QVector<Column>& shown, const QStringList& hidden)
{
    m_shown = shown;
    m_hidden = hidden;
    m_hasLayout = true;
    applyColumnLayout();
}

void RecordGrid::setHighlightedTitles()
{
    QHeaderView* header = horizontalHeader();
    header->setFont(FontSetup::songFont(14, true));
    header->setDefaultAlignment(Qt::AlignCenter);
    QPalette pal = header->palette();
    pal.setColor(QPalette::ButtonText, QColor(0, 128, 128));
    pal.setColor(QPalette::WindowText, QColor(0, 128, 128));
    header->setPalette(pal);
}

void RecordGrid::applyColumnLayout()
{
    const QStringList fields = m_model->dataSet()->fieldNames();
    QHeaderView* header = horizontalHeader();
    int visual = 0;
    for (const Column& c : m_shown) {
        const int logical = fields.indexOf(c.name);
        if (logical < 0)
            continue;
        setColumnHidden(logical, false);
        setColumnWidth(logical, c.width);
        header->moveSection(header->visualIndex(logical), visual++);
    }
    for (int logical = 0; logical < fields.size(); ++logical)
        if (m_hidden.contains(fields[logical]))
            setColumnHidden(logical, true);
}

QList<int> RecordGrid::selectedRowList() const
{
    // From the selection's ranges: a row counts however many of its cells
    // are selected.
    QList<int> rows;
    for (const QItemSelectionRange& r : selectionModel()->selection())
        for (int row = r.top(); row <= r.bottom(); ++row)
            rows << row;
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}
