#pragma once

#include <QByteArray>
#include <QHash>
#include <QPointF>
#include <QString>

class Database;

// What the user changed about a template to fit their own paper, kept in the
// address book beside the built-in layouts (which never change):
// - per template: an offset and a scale for the printer, and an own picture
//   of the blank form (shown on screen only), and whether long values wrap
//   by words rather than by the forms' byte count;
// - per template, variant and item: an offset from the designed place, and
//   whether the item prints at all.
// Lengths are whole tenths of a millimetre, the step the user types in.
struct ItemAdjustment
{
    int dx = 0; // tenths of a millimetre, positive right
    int dy = 0; // positive down
    bool hidden = false;
    bool isDefault() const { return dx == 0 && dy == 0 && !hidden; }
};

struct TemplateAdjustment
{
    int dx = 0; // printer offset, tenths of a millimetre
    int dy = 0;
    double scaleX = 100; // percent
    double scaleY = 100;
    QByteArray picture; // the form's picture file as it was read; empty: built-in
    // Break long values with WrapRule::Words. Off for the built-in
    // templates: their forms were laid out for the byte rule.
    bool wordWrap = false;
    // Keyed by itemKey(variant, item name).
    QHash<QString, ItemAdjustment> items;

    static QString itemKey(const QString& variant, const QString& item) { return variant + u'/' + item; }
    ItemAdjustment item(const QString& variant, const QString& name) const
    {
        return items.value(itemKey(variant, name));
    }
    bool hasCalibration() const { return dx != 0 || dy != 0 || scaleX != 100 || scaleY != 100; }
};

// Reads and writes the adjustments of the address book at a path. The two
// tables are made on the first write; a file without them reads as "nothing
// adjusted", so older address books open unchanged.
class LayoutAdjustments
{
public:
    static const QString kTemplateTable; // "layout_template"
    static const QString kItemTable;     // "layout_item"

    // Everything stored for the template code. A missing table or file reads
    // as defaults; error is set only when the file cannot be read.
    static TemplateAdjustment load(Database& db, const QString& code, QString* error = nullptr);

    static bool setCalibration(Database& db, const QString& code, int dx, int dy, double scaleX,
                               double scaleY, QString* error);
    static bool setPicture(Database& db, const QString& code, const QByteArray& picture, QString* error);
    static bool setWordWrap(Database& db, const QString& code, bool on, QString* error);
    static bool setItem(Database& db, const QString& code, const QString& variant, const QString& item,
                        const ItemAdjustment& adjustment, QString* error);
    // Forgets the item, every item of the variant (item empty), or everything
    // of the template, calibration and picture included (both empty).
    static bool reset(Database& db, const QString& code, const QString& variant, const QString& item,
                      QString* error);

    // "恢复整个模板" that can be undone: everything of the template is first
    // kept (one kept state per template, replacing the one before), then
    // forgotten as reset() does, in one transaction.
    static bool resetKeeping(Database& db, const QString& code, QString* error);
    // Whether a kept state waits for the template.
    static bool hasKept(Database& db, const QString& code);
    // Puts the kept state back in place of what the template holds now and
    // forgets the kept one.
    static bool restoreKept(Database& db, const QString& code, QString* error);
    // What the user would lose with the adjustment a, in words ("2 个项目的
    // 位置、1 个隐藏的项目、打印校准、自己的背景图"); empty when nothing.
    static QString summary(const TemplateAdjustment& a);
    static const QString kKeptTable; // "layout_kept"
    static bool ensureKeptTable(Database& db, QString* error);

    // Bounds a user may type: an offset of at most 100 mm, a scale of 90 to 110 %.
    static constexpr int kMaxOffsetTenths = 1000;
    static constexpr double kMinScale = 90;
    static constexpr double kMaxScale = 110;
    // Largest picture file accepted.
    static constexpr qint64 kMaxPictureBytes = 32 * 1024 * 1024;

    // Makes the two tables where they are missing (the first adjustment
    // does it; a copy of an address book does it for the target), and adds
    // the columns later versions keep to a table an older one made.
    static bool ensureTables(Database& db, QString* error);

private:
    static bool ensureWordWrapColumn(Database& db, QString* error);
};
