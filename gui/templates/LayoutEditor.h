#pragma once

#include "templates/LayoutAdjustments.h"

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QString>

#include <functional>

class Database;
class QLabel;
class QWidget;
class TQRDBText;
class TemplateReport;

// The template window's hand on the saved adjustments: selects an item on
// the page and moves it with the mouse or the arrow keys (0.1 mm, with
// Shift 1 mm), hides it, puts the user's picture of the form behind the
// items, and stores every change in the address book at once.
class LayoutEditor : public QObject
{
    Q_OBJECT
public:
    // itemLayer shows the items and takes the mouse and keys; image is the
    // picture behind them, builtInRect where the built-in picture sits.
    LayoutEditor(TemplateReport* tpl, QWidget* itemLayer, QLabel* image, const QRect& builtInRect,
                 std::function<QString()> databasePath, QWidget* window);

    // Reads what the address book holds for the template and shows it.
    void reload();

    TQRDBText* selected() const { return m_selected; }
    void select(TQRDBText* item);
    // Moves the selected item by tenths of a millimetre and saves it.
    bool nudge(int dx, int dy);
    bool setHidden(bool hidden);
    // Back to the catalogue: the selected item, or everything of the template.
    bool resetSelected();
    // "恢复整个模板": asks, naming what goes, and keeps the state it clears.
    bool resetTemplate();
    // "撤销恢复模板": the state the last resetTemplate() cleared, back again
    // (also after a restart); whether there is one.
    bool undoResetTemplate();
    bool canUndoReset() const;
    // The user's picture of the form (a file), or the built-in one again.
    bool setPicture(const QString& path);
    bool resetPicture();
    // Stores the printer's calibration (tenths of a millimetre, percent).
    bool setCalibration(int dx, int dy, double scaleX, double scaleY);

    // The item's rectangle on the page on screen (pixels at 96 dpi).
    QRect itemRect(const TQRDBText* item) const;

signals:
    void selectionChanged(TQRDBText* item);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool store(const std::function<bool(Database& db, QString* error)>& write);
    void showPicture();
    void paint();
    TQRDBText* itemAt(const QPoint& pos) const;

    TemplateReport* m_tpl;
    QWidget* m_layer;
    QLabel* m_image;
    QRect m_builtInRect;
    std::function<QString()> m_databasePath;
    QWidget* m_window;
    TQRDBText* m_selected = nullptr;
    bool m_dragging = false;
    QPoint m_dragStart;
    ItemAdjustment m_dragFrom;
};
