#pragma once

#include "report/BarcodeSymbol.h"

#include <QFont>
#include <QGlyphRun>
#include <QHash>
#include <QList>
#include <QString>
#include <QVector>

class QPaintDevice;

// What painting an item's text costs once rather than on every page: the
// font as it is drawn on a device (resolved for the device's resolution,
// with its metrics), and the shaped glyphs of the lines drawn lately. On a
// batch the sender's lines are the same on every page; a bold line is drawn
// twice from one shaping. Old lines are dropped as new ones come, so the
// cache stays small whatever the number of pages.
class TextShapeCache
{
public:
    struct Face
    {
        QFont font;               // as drawn: resolved for the device, bold dropped when emulated
        bool emulateBold = false; // no real bold face: drawn twice, shifted
        double ascent = 0;        // device pixels
        double lineHeight = 0;    // device pixels
        double boldDx = 0;        // device pixels
        int dpiX = 0;
        int dpiY = 0;
    };

    // The face of an item font on device, worked out once per font and
    // resolution.
    const Face& face(const QFont& font, QPaintDevice* device);
    // One line of text in face, shaped on device: glyph runs placed from the
    // baseline origin. Valid until the next call.
    const QList<QGlyphRun>& line(const Face& face, const QString& text, QPaintDevice* device);
    // A barcode of text, encoded once for as long as it is kept; an empty
    // symbol when the text cannot be encoded.
    const BarcodeSymbol& symbol(BarcodeSymbol::Type type, const QString& text);
    void clear();

private:
    QHash<QString, BarcodeSymbol> m_symbols;
    struct Entry
    {
        QFont requested;
        Face face;
        QHash<QString, QList<QGlyphRun>> lines;
        QHash<QString, QList<QGlyphRun>> older;
    };
    QVector<Entry> m_entries;
    int m_last = -1;
};
