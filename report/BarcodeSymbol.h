#pragma once

#include <QByteArray>
#include <QRectF>
#include <QString>
#include <QVector>

// A barcode as modules, encoded with libzint: Code 128 (one row of bars)
// or a QR code (a square of modules). Painted as rectangles, so PDF files
// and printers get vector shapes, never a picture.
class BarcodeSymbol
{
public:
    enum class Type
    {
        Code128,
        QrCode
    };

    // Encodes text; false with the reason (a character Code 128 cannot
    // carry, too much for a QR code) and an empty symbol.
    static bool encode(Type type, const QString& text, BarcodeSymbol* out, QString* error = nullptr);

    Type type() const { return m_type; }
    bool isEmpty() const { return m_width == 0; }
    int width() const { return m_width; } // modules across
    int rows() const { return m_rows; }   // 1 for Code 128
    bool isSet(int row, int column) const { return m_bits.at(row * m_width + column) != 0; }

    // The dark modules as rectangles in module units, runs of a row merged.
    QVector<QRectF> darkRuns() const;

    // The X dimension (module width) of a symbol in a box: the largest whole
    // number of quarter millimetres that fits, at least one. A quarter
    // millimetre is two dots at 203 dpi and three at 300 dpi, so on those
    // printers every bar falls on whole dots.
    static double moduleMm(int modules, double roomMm);
    static constexpr double kModuleStepMm = 0.25;

    // The light margin a reader needs on each side, in modules: 10 across
    // the bars of Code 128, 4 round a QR code. It is part of the symbol's
    // room, so the bars shrink rather than touch what lies beside the box.
    static int quietModules(Type type) { return type == Type::Code128 ? 10 : 4; }
    int quietModules() const { return quietModules(m_type); }

    // The characters of text Code 128 cannot carry (beyond Latin-1), each
    // once, in order; empty when it can carry all.
    static QString code128Misfits(const QString& text);

private:
    Type m_type = Type::Code128;
    int m_width = 0;
    int m_rows = 0;
    QByteArray m_bits; // row by row, one byte per module
};
