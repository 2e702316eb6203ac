#pragma once

#include "data/tracking/PrintSelection.h"
#include "templates/layouts/Catalogue.h"

#include <QRect>
#include <QVector>
#include <QWidget>

class DataSet;
class DataSetModel;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;
class RecipientTracking;
class RecordGrid;
class SearchFeedback;

// A recipient list as the main and the Excel window show it: the search bar
// "单项查询" (name and mobile boxes, "查询", the waybill number box and the
// printed-mark filter) above the frame "全部记录" with the grid. It
// searches, tells what it found (SearchFeedback: the frame's title, "未找到"
// in the status bar) and tracks the prints (RecipientTracking). The window
// keeps the list, its connection and its menus.
class RecipientListPanel : public QWidget
{
    Q_OBJECT
public:
    // What stands in the search bar.
    enum class Part
    {
        NameLabel,
        NameBox,
        MobileLabel,
        MobileBox,
        SearchButton,
        NumberLabel,
        NumberBox,
        Filter
    };
    struct Place
    {
        Part part;
        // In the bar. Null rects (all of them) lay the parts out in a row,
        // left to right; else each stands where its rect says.
        QRect rect;
    };
    struct Options
    {
        // Object names the window's code and tests know.
        QString nameBox;
        QString mobileBox;
        QString searchButton;
        QString grid;
        // The list's table and the variant its "批量打印" choices open.
        QString table;
        layouts::Variant batch = layouts::Variant::Batch;
        QVector<int> columnWidths; // RecordGrid::setRecipientLayout
        QVector<Place> bar;        // left to right
        int barHeight = 50;
        int titlePixels = 14; // the two frames' titles
        int spacing = 0;      // between bar and frame
    };

    RecipientListPanel(DataSetModel* list, const Options& options, QStatusBar* status,
                       QWidget* parent = nullptr);

    RecordGrid* grid() const { return m_grid; }
    QLineEdit* nameBox() const { return m_name; }
    QLineEdit* mobileBox() const { return m_mobile; }
    QPushButton* searchButton() const { return m_searchButton; }
    QGroupBox* searchBar() const { return m_bar; }
    // "全部记录", or the search result while the list is narrowed.
    QGroupBox* frame() const { return m_frame; }
    // The bar's row when its parts are laid out, for the window's own
    // buttons; null when they stand in fixed places.
    QHBoxLayout* searchRow() const { return m_row; }
    QWidget* part(Part part) const;
    RecipientTracking* tracking() const { return m_tracking; }

public slots:
    // "查询": by waybill number when one is given, else by name and mobile
    // number (each box that holds text counts); a failure is shown. A search
    // by name or mobile number shows every printed mark again.
    void search();
    // After the window reopened the whole list: both boxes empty, the
    // number box too, filter "全部".
    void clearSearch();

signals:
    // "打印选中记录" / "仅未打印" of the grid's batch menu.
    void selectionPrintRequested(const QString& code, layouts::Variant variant,
                                 const PrintSelection& selection);

private:
    void buildBar(const Options& options);
    // Under the "未打印" or "已打印" filter, a row whose mark changed (a
    // print, "清除打印标记") no longer belongs: the filter is applied again.
    void followMark(int row);

    QGroupBox* m_bar = nullptr;
    QGroupBox* m_frame = nullptr;
    QHBoxLayout* m_row = nullptr;
    QLabel* m_nameLabel = nullptr;
    QLabel* m_mobileLabel = nullptr;
    QLabel* m_numberLabel = nullptr;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_mobile = nullptr;
    QPushButton* m_searchButton = nullptr;
    RecordGrid* m_grid = nullptr;
    RecipientTracking* m_tracking = nullptr;
    SearchFeedback* m_feedback = nullptr;
    DataSet* m_set = nullptr;
    bool m_refilterQueued = false;
};
