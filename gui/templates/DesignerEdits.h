#pragma once

#include "templates/TemplateDesign.h"

#include <QPointF>
#include <QRectF>
#include <QStringList>

// The designer's changes to a template, as functions from one value to the
// next: the window hands the result to the undo stack, so every change is
// one step back. Items are named by their index in design.items.
namespace DesignerEdits {

enum class AlignTo
{
    Left,
    HCenter,
    Right,
    Top,
    VCenter,
    Bottom
};

// A blank template of the given page (the band is the page).
TemplateDesign blank(const QSizeF& pageMm);
// The presets of the new-template dialog: caption and page.
struct PagePreset
{
    QString caption;
    QSizeF pageMm;
};
QVector<PagePreset> pagePresets();

// The columns a data field may print, for each source: the sender's and
// the recipient's record (快递单号 among them) and the print date.
QStringList columns(DesignItem::Source source);

QRectF box(const DesignItem& item);
void setBox(DesignItem* item, const QRectF& box);
// "item1", "item2" ...: the first name base+N no item of design has.
QString freeName(const TemplateDesign& design, const QString& base = QStringLiteral("item"));

// A new item of kind with its box's top-left at `at` (kept on the page),
// sized and filled as that kind usually is.
DesignItem newItem(const TemplateDesign& design, DesignItem::Kind kind, const QPointF& at);
// Appends items under names of their own (copies of copies stay apart),
// moved by offset; the indexes of the new items.
QVector<int> paste(TemplateDesign* design, const QVector<DesignItem>& items, const QPointF& offset);
void remove(TemplateDesign* design, QVector<int> indexes);
// Moves the items by (dx, dy) mm, each kept on the page.
void move(TemplateDesign* design, const QVector<int>& indexes, double dx, double dy);
// Lines the items up on the edge or centre of the box around them all.
void align(TemplateDesign* design, const QVector<int>& indexes, AlignTo to);
// Equal gaps between three or more items, the outer two staying put.
void distribute(TemplateDesign* design, const QVector<int>& indexes, Qt::Orientation orientation);

// The item's names for the selection to follow a change.
QStringList names(const TemplateDesign& design, const QVector<int>& indexes);
QVector<int> indexesOf(const TemplateDesign& design, const QStringList& names);

// What the designer shows in an item's box: a field's column, a text.
QString label(const DesignItem& item);

} // namespace DesignerEdits
