#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>

class TQRDBText;

class QPainter;
class QPaintDevice;
class TextShapeCache;

// Text item drawing shared by the design view, the preview, the printer and
// PDF files. Geometry is in tenths of a millimetre; the painter's units are
// given as units per tenth. Text is measured with the metrics of the device
// it goes to, never the screen's.
class ReportPainter
{
public:
    struct Item
    {
        double left = 0; // tenths of a millimetre, relative to the band
        double top = 0;
        double width = 0;
        double height = 0;
        QFont font;
        bool transparent = true;
        QColor color = Qt::white;     // fill of an opaque item
        QColor fontColor = Qt::black; // the text
        bool enabled = true;          // false: a hidden item, prints nothing
        int kind = 0;                 // TQRItemKind: 0 text, 1 Code 128, 2 QR code
        int alignment = 0x1;          // Qt::AlignLeft, AlignHCenter or AlignRight
        int rotation = 0;             // 0, 90, 180, 270 clockwise, within the box
        int maxLines = 0;             // 0: as many as fit
        bool humanReadable = true;    // Code 128: the text under the bars
    };

    // How a text comes out in an item on a device, in tenths of a millimetre.
    struct Extent
    {
        double width = 0;      // widest drawn line, a bold second stroke included
        double lineHeight = 0; // pitch of the lines
        int drawn = 0;         // lines that fit the item's height
        int dropped = 0;       // lines with text beyond them (empty ones are no loss)
    };
    static Extent measure(const Item& item, const QString& text, QPaintDevice* device);

    // The geometry, font and fill of a text item as it stands now.
    static Item itemOf(const TQRDBText& text);

    // The text cut at every carriage return, line feeds dropped.
    static QStringList splitLines(const QString& text);

    // Height of one line in device pixels: one em for "宋体" (the forms
    // were laid out for a font exactly one em high), otherwise the font's
    // own height on the device.
    static double lineHeight(const QFont& font, QPaintDevice* device);

    // How many of lineCount lines fit an item heightTenths high when one
    // line is lineHeightTenths: line k prints while
    // (k + 1) x line height <= height + 1 tenth.
    static int fittingLines(int lineCount, double lineHeightTenths, double heightTenths);

    // Offset of the second, shifted drawing that makes bold text bold on
    // any device (the installed Song font has no bold face), in tenths of a
    // millimetre for the given point size.
    static double boldOffsetTenths(double pointSize);

    // Whether bold text in font is made bold by drawing it twice: the family
    // has no real bold face. Qt's synthetic bold is lost in the print
    // preview and on high-resolution printers.
    static bool emulatesBold(const QFont& font);

    // Draws one item with its text at bandLeft/bandTop (painter units).
    // unitsPerTenth converts tenths to painter units; metrics come from
    // device (the painter's own device when null). Opaque items fill their
    // rectangle first, unless their text is empty: an empty item paints
    // nothing. With a cache, fonts are worked out and lines shaped once for
    // as long as they are kept there.
    static void paintItem(QPainter* painter, const Item& item, const QString& text, double bandLeft,
                          double bandTop, double unitsPerTenth, QPaintDevice* device = nullptr,
                          TextShapeCache* cache = nullptr);

    // The text with "\r\n" put in where a line would grow wider than
    // widthTenths in font, measured as at 1200 dpi (the PDF files and
    // printers); a run of Latin letters or digits moves down whole where it
    // can.
    static QString breakToWidth(const QFont& font, const QString& text, double widthTenths);

    // Devices of at most this resolution (printers) get barcodes on whole dots.
    static constexpr int kSnapDpi = 600;

    // Width in tenths of the widest line of text on device (AutoSize width).
    static double textWidthTenths(const QFont& font, const QString& text, QPaintDevice* device);

private:
    // A Code 128 or QR item: the symbol in its box, as rectangles.
    static void paintCode(QPainter* painter, const Item& item, const QString& text, double bandLeft,
                          double bandTop, double unitsPerTenth, QPaintDevice* device, TextShapeCache* cache);
};
