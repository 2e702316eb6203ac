#pragma once

#include <QPair>
#include <QStringList>
#include <QTableView>
#include <QVector>

class DataSetModel;
class PrintedMarkDelegate;

// The read-only record grids of the main and the Excel window: a row
// indicator on the left through which one or several rows are selected
// (click, drag, Ctrl, Shift), uniform rows so that a hundred thousand
// records scroll smoothly, and an optional fixed column layout. The grid's
// current row and its set's current row are kept the same both ways, since
// the printing windows read the set.
class RecordGrid : public QTableView
{
    Q_OBJECT
public:
    struct Column
    {
        QString name;
        int width;
    };

    RecordGrid(DataSetModel* model, const QString& objectName, QWidget* parent = nullptr);

    // Shows these columns in this order and width, hides the columns named in
    // hidden, and shows any other column (one the program doesn't know)
    // after them. Reapplied whenever the list is rebuilt.
    void setColumnLayout(const QVector<Column>& shown, const QStringList& hidden);
    // A recipient list (`inr` or `excel`): a narrow tick column for
    // "已打印", the ten columns an import fills, in that order and these
    // widths, then "快递单号"; "序号" and "选中" hidden. Each window has its
    // own widths.
    void setRecipientLayout(const QVector<int>& widths);
    // Centred, bold, teal titles.
    void setHighlightedTitles();

    // Columns (by name) that take the width of their content whenever the
    // list is rebuilt, such as mobile numbers where the default cuts them;
    // never narrower than their layout's width.
    void setFittedColumns(const QStringList& names);
    // "手机" and "电话" are never narrower than an 11-digit number needs.
    int numberWidth() const;

    // Selected rows (0-based), in ascending order.
    QList<int> selectedRowList() const;
    // Every row of the list, those a search has still to find included.
    void selectAll() override;

signals:
    // A right click: the row under the mouse became the current one (the
    // selection is left alone); globalPos is where the menu goes.
    void contextMenuAt(const QPoint& globalPos);
    // A double click anywhere on the grid: cells, row indicator, titles, or
    // the empty space below the last row.
    void gridDoubleClicked();
    // Enter: load the current row, as a double click does.
    void enterPressed();
    // Delete: delete the selected rows.
    void deletePressed();

protected:
    // Rows are selected through the row indicator only (click, drag, Ctrl,
    // Shift); clicking a cell or moving with the keys only moves the
    // current row, so that a row the user merely looked at is never
    // deleted by mistake.
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void applyColumnLayout();
    void fitColumns();
    static bool isNumberColumn(const QString& name);
    void followSet();
    bool onColumnBorder(const QPoint& pos) const;

    DataSetModel* m_model;
    QVector<Column> m_shown;
    QStringList m_hidden;
    QStringList m_fitted;
    bool m_hasLayout = false;
    bool m_following = false;
    PrintedMarkDelegate* m_markDelegate = nullptr;
};
