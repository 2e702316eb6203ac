#pragma once

#include "templates/BreakIntoLines.h"
#include "templates/DataSetRecords.h"
#include "templates/LayoutAdjustments.h"
#include "templates/layouts/Catalogue.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QString>

class DataSet;
class Database;
class TQRBand;
class TQRDBText;
class TQuickRep;

// The report of one template variant, built from its catalogue entry: the
// page, the one detail band and the layout items, with the print hooks that
// break long values into lines. The template window and the command-line
// printer both print through this, so that a waybill comes out the same
// whichever way it is printed.
class TemplateReport : public QObject
{
    Q_OBJECT
public:
    TemplateReport(const layouts::Template& tmpl, layouts::Variant variant, QObject* parent = nullptr);
    ~TemplateReport() override;

    // Looks the template up by code and variant name ("single", "batch",
    // "excel-single", "excel-batch"); null and a message for the user when
    // either is unknown.
    static TemplateReport* create(const QString& code, const QString& variantName, QString* error,
                                  QObject* parent = nullptr);

    const layouts::Template& templ() const { return m_template; }
    layouts::Variant variant() const { return m_variant; }
    const layouts::Page& page() const { return m_template.variant(m_variant); }
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
    // Wrap width of an item's print hook; 0 when it has none.
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
    // The item's design from the catalogue.
    const layouts::Item* design(const TQRDBText* item) const;

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
    // The report's records, as bound.
    const DataSetRecords& records() const { return m_records; }

private:
    void printHook(TQRDBText* sender, QString& value) const;
    void place(int index);
    bool shiftBy(int pixels, bool horizontal, QString* error);

    const layouts::Template& m_template;
    layouts::Variant m_variant;
    TQuickRep* m_report = nullptr;
    TQRBand* m_band = nullptr;
    DataSetRecords m_records;
    QList<TQRDBText*> m_items;
    QList<const layouts::Item*> m_designs; // parallel to m_items
    TemplateAdjustment m_adjustment;
    int m_shiftLeft = 0; // shift boxes: total of the moves so far, in pixels
    int m_shiftTop = 0;
};
