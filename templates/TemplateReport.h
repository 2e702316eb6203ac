#pragma once

#include "templates/BreakIntoLines.h"
#include "templates/DataSetRecords.h"
#include "templates/LayoutAdjustments.h"
#include "templates/TemplateDesign.h"
#include "templates/layouts/Catalogue.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QRectF>
#include <QString>
#include <QVector>

class DataSet;
class Database;
class TQRBand;
class TQRDBText;
class TQuickRep;

// The report of one template variant: the page, the one detail band and the
// items, with the print hooks that break long values into lines. Built from
// a built-in template's catalogue entry, or from a template as a value (the
// shop's own, TemplateDesign), which prints the same in all four variants:
// the variant says only where the records come from. The template window
// and the command-line printer both print through this, so that a waybill
// comes out the same whichever way it is printed.
class TemplateReport : public QObject
{
    Q_OBJECT
public:
    TemplateReport(const layouts::Template& tmpl, layouts::Variant variant, QObject* parent = nullptr);
    // The design's items at their places in millimetres, off any grid.
    TemplateReport(const TemplateDesign& design, layouts::Variant variant, QObject* parent = nullptr);
    ~TemplateReport() override;

    // Looks the template up by code and variant name ("single", "batch",
    // "excel-single", "excel-batch"); null and a message for the user when
    // either is unknown. With an address book, the shop's own templates
    // are looked up there after the built-in ones.
    static TemplateReport* create(const QString& code, const QString& variantName, QString* error,
                                  QObject* parent = nullptr);
    static TemplateReport* create(Database& db, const QString& code, const QString& variantName,
                                  QString* error, QObject* parent = nullptr);

    // The built-in template; null for the shop's own.
    const layouts::Template* builtIn() const { return m_builtIn; }
    // The template as built: for a built-in one its catalogue layout of
    // this variant, as designed (no saved adjustments).
    const TemplateDesign& templateDesign() const { return m_design; }
    QString code() const { return m_design.code; }
    QString caption() const { return m_design.caption; }
    // The built-in picture's resource path; empty for the shop's own.
    QString builtInPicture() const;
    layouts::Variant variant() const { return m_variant; }
    // One page per recipient row (batch and Excel batch) rather than one.
    bool isBatch() const;
    // The recipient table of the variant: "inr", or "excel" for the Excel ones.
    QString recipientTable() const;

    TQuickRep* report() const { return m_report; }
    TQRBand* band() const { return m_band; }
    // Layout items in creation order.
    QList<TQRDBText*> items() const { return m_items; }
    TQRDBText* item(const QString& name) const;
    // Whether an item reads the sender record (else the recipient record).
    bool isSenderItem(const TQRDBText* item) const;
    // Wrap width in bytes of an item's print hook; 0 when it wraps by no
    // byte count (none, or by the box's width).
    int wrapWidth(const TQRDBText* item) const;
    // How the print hooks break long values: the saved choice of the
    // template (adjustment().wordWrap), the byte rule unless the user chose
    // words. Takes effect on the next run of the report.
    WrapRule wrapRule() const;
    void setWrapRule(WrapRule rule);
    // Name of an item's print hook ("QRDBText5Print"); empty when none.
    QString hookName(const TQRDBText* item) const;

    // The font an item of the layout is designed with.
    static QFont designFont(const layouts::Item& item);
    static QFont designFont(const DesignItem& item);
    // A layout length in millimetres as it lands on paper: rounded to the
    // whole screen pixel it was laid out on, in tenths of a millimetre.
    static double gridTenths(double mm);

    // Moves every item by whole screen pixels at 96 pixels per inch, as the
    // shift buttons do. The moves add up, kept apart from the saved
    // adjustments and lasting as long as this object; a move that would
    // take the total past the page's width (left/right) or height
    // (up/down), where nothing lands on the paper any more, is refused with
    // the reason and changes nothing.
    bool shiftLeft(int pixels, QString* error = nullptr);
    bool shiftTop(int pixels, QString* error = nullptr);
    // The farthest total move each way, in pixels: the page's width and height.
    int maxShiftLeft() const;
    int maxShiftTop() const;
    int totalShiftLeft() const { return m_shiftLeft; }
    int totalShiftTop() const { return m_shiftTop; }

    // The user's saved adjustments of this template: the printer's
    // calibration goes to the report, the offsets and hiding of this
    // variant's items to the items. An item stands at
    //   designed place + its saved offset + the shift boxes' pixels,
    // and the calibration then moves and scales the page as a whole.
    void setAdjustment(const TemplateAdjustment& adjustment);
    const TemplateAdjustment& adjustment() const { return m_adjustment; }
    // Reads and applies what the address book holds for this template; one
    // without adjustments leaves the layout as designed.
    bool loadAdjustment(Database& db, QString* error);
    // The saved offset (tenths of a millimetre) and hiding of one item.
    ItemAdjustment itemAdjustment(const TQRDBText* item) const;
    void setItemAdjustment(const TQRDBText* item, const ItemAdjustment& adjustment);
    // The item's design from the catalogue; null for the shop's own templates.
    const layouts::Item* design(const TQRDBText* item) const;
    // The item's design as a value (for a built-in one, on the grid).
    const DesignItem* designItem(const TQRDBText* item) const;

    // Font sizes the items take, in points.
    static constexpr double kMinFontPt = 1;
    static constexpr double kMaxFontPt = 500;
    // Whether pt is a size the items take (not NaN, not infinite, 1 to 500).
    static bool checkFontSize(double pt, QString* error);
    // Gives every item a copy of font; a size outside 1 to 500 points is
    // refused with the reason and changes nothing.
    bool setItemsFont(const QFont& font, const QColor& color = Qt::black, QString* error = nullptr);

    // Points the sender items at senders and the recipient items at
    // recipients. In the batch variants the recipients also drive the pages.
    // Either may be null: those items then print nothing.
    void bind(DataSet* senders, DataSet* recipients);
    // The numbers a print gives, by recipient row, printed by the items of
    // 快递单号 (fields and codes) before the rows are marked with them.
    void setNumbers(const RowNumbers& byRow) { m_records.setNumbers(byRow); }
    // The report's records, as bound.
    const DataSetRecords& records() const { return m_records; }

private:
    void build();
    void printHook(TQRDBText* sender, QString& value) const;
    void place(int index);
    bool shiftBy(int pixels, bool horizontal, QString* error);

    const layouts::Template* m_builtIn = nullptr;
    TemplateDesign m_design;
    QVector<QRectF> m_boxes; // designed boxes, tenths of a millimetre
    layouts::Variant m_variant;
    TQuickRep* m_report = nullptr;
    TQRBand* m_band = nullptr;
    DataSetRecords m_records;
    QList<TQRDBText*> m_items;
    QList<const layouts::Item*> m_designs; // parallel to m_items; empty for the shop's own
    TemplateAdjustment m_adjustment;
    int m_shiftLeft = 0; // shift boxes: total of the moves so far, in pixels
    int m_shiftTop = 0;
};
