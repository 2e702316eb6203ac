#pragma once

#include <QColor>
#include <QFont>
#include <QObject>
#include <QString>

#include <functional>

class TQRBand;
class TQuickRep;

// Position and size of an item on its band, in tenths of a millimetre.
struct TQRItemSize
{
    double Height = 0;
    double Left = 0;
    double Top = 0;
    double Width = 0;
};

// What an item draws of its text.
enum class TQRItemKind
{
    Text,    // the text, in lines
    Code128, // a Code 128 barcode of it, the text under the bars when HumanReadable
    QrCode   // a QR code of it
};

// A text item that prints one column of the report's records.
// The text is cut into lines at carriage returns only (line feeds are
// dropped); the item is as wide as its widest line and prints as many
// lines as fit its height.
class TQRDBText : public QObject
{
    Q_OBJECT
public:
    // Called just before the item prints a non-empty value; the hook may
    // change the value for this one print.
    using PrintHook = std::function<void(TQRDBText* sender, QString& value)>;

    explicit TQRDBText(TQRBand* band, const QString& name = {});
    ~TQRDBText() override;

    QString DataField; // the column the record source gives this item
    TQRItemSize Size;
    QFont Font;
    QColor FontColor = Qt::black; // window text
    bool AutoSize = true;
    bool Transparent = true;
    bool Enabled = true; // false: prints nothing (the user hid the item)
    QColor Color = Qt::white;
    PrintHook OnPrint;
    TQRItemKind Kind = TQRItemKind::Text;
    // Qt::AlignLeft, AlignHCenter or AlignRight: where each line sits in the
    // item's width (left: the item is as wide as its text, AutoSize).
    int Alignment = Qt::AlignLeft;
    int Rotation = 0; // 0, 90, 180, 270 degrees clockwise; the box stays where it is
    int MaxLines = 0; // 0: as many as fit the height
    bool HumanReadable = true;

    TQRBand* band() const { return m_band; }
    TQuickRep* report() const;

    // Position on screen in pixels at ppi and the report's zoom; setting it
    // stores pixels x 254 / ppi x 100 / zoom tenths of a millimetre.
    int leftPixels(double ppi = 96) const;
    int topPixels(double ppi = 96) const;
    void setLeftPixels(int pixels, double ppi = 96);
    void setTopPixels(int pixels, double ppi = 96);

    // Position in tenths of a millimetre (same as Size.Left / Size.Top).
    void setLeftTenths(double tenths) { Size.Left = tenths; }
    void setTopTenths(double tenths) { Size.Top = tenths; }
    void setFont(const QFont& font) { Font = font; }
    void setFont(const QFont& font, const QColor& color)
    {
        Font = font;
        FontColor = color;
    }

    // What the item prints for a record's value: the value after the hook
    // (called only for a non-empty value); nothing when the item is hidden.
    QString printText(QString value);

private:
    TQRBand* m_band;
};
