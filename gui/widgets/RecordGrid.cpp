#include "gui/widgets/RecordGrid.h"

#include "data/store/Schema.h"
#include "gui/widgets/PrintedMarkDelegate.h"
#include "gui/widgets/RowNumberHeader.h"
#include "report/FontSetup.h"

#include "data/records/DataSet.h"
#include "data/records/DataSetModel.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

#include <algorithm>

namespace {

// The current row is the one single print, "修改" and "隐藏寄件日期" act
// on: it stands out in a colour of its own, with a frame, also when the
// grid has no focus. Selected rows keep the selection colour.
class CurrentRowDelegate : public QStyledItemDelegate
{
public:
    explicit CurrentRowDelegate(QTableView* view) : QStyledItemDelegate(view), m_view(view) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const bool current = index.row() == m_view->currentIndex().row();
        if (current && !(option.state & QStyle::State_Selected))
            painter->fillRect(option.rect, QColor(255, 230, 140));
        QStyleOptionViewItem o = option;
        o.state &= ~QStyle::State_HasFocus;
        QStyledItemDelegate::paint(painter, o, index);
        if (current) {
            painter->save();
            painter->setPen(QPen(QColor(200, 120, 0), 1));
            const QRect r = option.rect.adjusted(0, 0, -1, -1);
            painter->drawLine(r.topLeft(), r.topRight());
            painter->drawLine(r.bottomLeft(), r.bottomRight());
            painter->restore();
        }
    }

private:
    QTableView* m_view;
};

} // namespace

RecordGrid::RecordGrid(DataSetModel* model, const QString& objectName, QWidget* parent)
    : QTableView(parent), m_model(model)
{
    setObjectName(objectName);
    setVerticalHeader(new RowNumberHeader(this));
    setModel(model);
    setFont(FontSetup::interfaceFont(14));
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
    horizontalHeader()->setFont(FontSetup::interfaceFont(14));
    horizontalHeader()->setHighlightSections(false);
    rows->setFont(FontSetup::interfaceFont(12));
    setItemDelegate(new CurrentRowDelegate(this));
    DataSet* set = model->dataSet();
    connect(model, &QAbstractItemModel::modelReset, this, [this, set] {
        // A search scanning on grows the list up to the table's size.
        static_cast<RowNumberHeader*>(verticalHeader())
            ->reserveRows(set->isScanning() ? set->tableRowCount() : 0);
        updateGeometries();
        if (m_hasLayout)
            applyColumnLayout();
        fitColumns();
    });

    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this, set](const QModelIndex& current) {
                viewport()->update(); // the old and the new current row repaint
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

void RecordGrid::selectAll()
{
    m_model->dataSet()->complete();
    QTableView::selectAll();
}

QItemSelectionModel::SelectionFlags RecordGrid::selectionCommand(const QModelIndex& index,
                                                                 const QEvent* event) const
{
    // The row indicator selects through selectRow(), which passes no event.
    if (event)
        return QItemSelectionModel::NoUpdate;
    return QTableView::selectionCommand(index, event);
}

bool RecordGrid::onColumnBorder(const QPoint& pos) const
{
    const QHeaderView* header = horizontalHeader();
    const int logical = header->logicalIndexAt(pos);
    if (logical < 0)
        return false;
    const int margin = style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, header);
    const int left = header->sectionViewportPosition(logical);
    const int right = left + header->sectionSize(logical);
    if (pos.x() >= right - margin)
        return true;
    // A left edge is a border only where a shown column ends there: hidden
    // columns may stand before the first one.
    for (int v = header->visualIndex(logical) - 1; v >= 0; --v)
        if (!header->isSectionHidden(header->logicalIndex(v)))
            return pos.x() <= left + margin;
    return false;
}

bool RecordGrid::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        // A double click on a column border fits the column to its content
        // (the header does that); anywhere else it loads the row.
        if (watched == horizontalHeader()->viewport() &&
            onColumnBorder(static_cast<QMouseEvent*>(event)->position().toPoint()))
            return QTableView::eventFilter(watched, event);
        emit gridDoubleClicked();
        return true;
    }
    return QTableView::eventFilter(watched, event);
}

void RecordGrid::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        emit enterPressed();
        event->accept();
        return;
    case Qt::Key_Delete:
        emit deletePressed();
        event->accept();
        return;
    default:
        QTableView::keyPressEvent(event);
    }
}

void RecordGrid::setFittedColumns(const QStringList& names)
{
    m_fitted = names;
    fitColumns();
}

void RecordGrid::fitColumns()
{
    // Wider for long content, never narrower than the layout (or a mobile
    // number) wants: an empty list would shrink them to their titles.
    for (const QString& name : std::as_const(m_fitted)) {
        const int c = m_model->dataSet()->fieldIndex(name);
        if (c < 0)
            continue;
        int floor = isNumberColumn(name) ? numberWidth() : 0;
        for (const Column& shown : std::as_const(m_shown))
            if (shown.name == name)
                floor = std::max(floor, shown.width);
        resizeColumnToContents(c);
        if (columnWidth(c) < floor)
            setColumnWidth(c, floor);
    }
}

bool RecordGrid::isNumberColumn(const QString& name)
{
    return name == QStringLiteral("手机") || name == QStringLiteral("电话");
}

int RecordGrid::numberWidth() const
{
    // An 11-digit mobile number, as the item delegate draws it: text margins
    // on both sides, the grid line, and the column's own slack.
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    return fontMetrics().horizontalAdvance(QStringLiteral("13800138000")) + 2 * margin + 1 + 6;
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
    // The printed mark first, as a narrow tick column, and the waybill
    // number beside it: at the end it stood off-screen.
    QVector<Column> shown{{QStringLiteral("已打印"), 50}, {QStringLiteral("快递单号"), 130}};
    for (int i = 0; i < names.size() && i < widths.size(); ++i)
        shown.append({names.at(i), widths.at(i)});
    if (!m_markDelegate)
        m_markDelegate = new PrintedMarkDelegate(this);
    setColumnLayout(shown, {QStringLiteral("序号"), QStringLiteral("选中")});
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
    header->setFont(FontSetup::interfaceFont(14, true));
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
    QVector<int> wanted;
    for (const Column& c : m_shown) {
        const int logical = fields.indexOf(c.name);
        if (logical < 0)
            continue;
        setColumnHidden(logical, false);
        setColumnWidth(logical, isNumberColumn(c.name) ? std::max(c.width, numberWidth()) : c.width);
        wanted << logical;
    }
    // A list rebuilt (every search) comes back in table order, which is
    // usually the layout's already: each move lays out the whole grid again.
    QVector<int> shownNow;
    for (int v = 0; v < header->count() && shownNow.size() < wanted.size(); ++v) {
        const int logical = header->logicalIndex(v);
        if (!m_hidden.contains(fields.value(logical)))
            shownNow << logical;
    }
    if (shownNow != wanted)
        for (int visual = 0; visual < wanted.size(); ++visual)
            header->moveSection(header->visualIndex(wanted.at(visual)), visual);
    for (int logical = 0; logical < fields.size(); ++logical)
        if (m_hidden.contains(fields[logical]))
            setColumnHidden(logical, true);
    if (m_markDelegate) {
        for (int logical = 0; logical < fields.size(); ++logical)
            setItemDelegateForColumn(logical, nullptr);
        const int mark = fields.indexOf(QStringLiteral("已打印"));
        if (mark >= 0)
            setItemDelegateForColumn(mark, m_markDelegate);
    }
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
