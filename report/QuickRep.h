#pragma once

#include <QImage>
#include <QObject>
#include <QPageLayout>
#include <QSizeF>
#include <QString>

#include <functional>

class QPainter;
class ReportOutputListener;
class ReportRecords;
class TQRBand;

// Page geometry, every value in tenths of a millimetre.
struct TQRPage
{
    double BottomMargin = 0;
    double Length = 1270;
    double TopMargin = 0;
    double Width = 2300;
    double LeftMargin = 0;
    double RightMargin = 0;
    double ColumnSpace = 0;
};

// How the printer is off: every page is drawn scaled by ScaleX/ScaleY (from
// the page's top left corner) and then moved by Dx/Dy tenths of a millimetre.
// Paper, PDF and preview alike; the template window's design view never.
struct TQRCalibration
{
    double Dx = 0;
    double Dy = 0;
    double ScaleX = 1;
    double ScaleY = 1;
    bool isIdentity() const { return Dx == 0 && Dy == 0 && ScaleX == 1 && ScaleY == 1; }
};

// What the user chose in the print setup; kept for later prints of the same
// report. Zero or empty means "the driver's default".
struct TQRPrinterSettings
{
    QString PrinterName; // empty: the system's default printer
    int Copies = 1;
    int FirstPage = 0; // 0 and 0: all pages
    int LastPage = 0;
    int RangePageCount = 0; // pages the report had when the range was chosen
    QPageLayout::Orientation Orientation = QPageLayout::Portrait;
    int Bin = 0;       // QPrinter::PaperSource; 0 = automatic
    int Duplex = 0;    // QPrinter::DuplexMode; 0 = none
    int Quality = 0;   // resolution in dpi; 0 = driver default
    int Collate = 0;   // 0 = driver default, 1 = collate, 2 = don't
    int ColorMode = 0; // 0 = driver default, 1 = colour, 2 = greyscale
};

// A report: one page setup, one detail band with its text items, and an
// optional record source that gives one band per record. Layout and painting
// live in ReportLayout; the preview window and the printer are in the GUI
// library (ReportPreview, ReportPrinter).
class TQuickRep : public QObject
{
    Q_OBJECT
public:
    explicit TQuickRep(QObject* parent = nullptr);
    ~TQuickRep() override;

    TQRPage Page;
    int Zoom = 100; // percent, for on-screen positions
    // Not owned; none: the band prints once, its items empty.
    ReportRecords* Records = nullptr;
    bool PrintIfEmpty = true; // a source without records still prints one band
    TQRPrinterSettings PrinterSettings;
    TQRCalibration Calibration;
    // The user's picture of the blank form: drawn behind the page on screen
    // (preview), never on paper.
    QImage ScreenPicture;
    QString ReportTitle;
    // Told about printing and PDF export from the preview; not owned.
    ReportOutputListener* OutputListener = nullptr;

    // The detail band (the first band created on this report), or null.
    TQRBand* band() const;
    QList<TQRBand*> bands() const { return m_bands; }

    // Page size in millimetres, as the printer and PDF get it.
    QSizeF pageSizeMm() const;

    // Pixels on screen <-> tenths of a millimetre on the page:
    // pixels x 254 / ppi x 100 / Zoom.
    double pixelsToTenths(double pixels, double ppi = 96) const;
    double tenthsToPixels(double tenths, double ppi = 96) const;

    // Paints the band's items as the template window shows them: each item
    // shows its column name, not a value. The painter's origin is the top
    // left corner of the band; one unit of the painter is one pixel at ppi
    // (and Zoom). Only opaque items paint a background.
    void paintDesign(QPainter* painter, double ppi = 96) const;

    // Opens the preview window modally and returns when it closes. Needs the
    // GUI library's preview (installed by ReportPreview); returns false when
    // there is none.
    bool Preview(QWidget* parent = nullptr);
    using PreviewHandler = std::function<void(TQuickRep* report, QWidget* parent)>;
    static void setPreviewHandler(PreviewHandler handler);

private:
    friend class TQRBand;
    void addBand(TQRBand* band);
    void removeBand(TQRBand* band);

    QList<TQRBand*> m_bands;
};
