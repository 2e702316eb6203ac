#pragma once

#include <QByteArray>
#include <QSizeF>
#include <QString>
#include <QVector>

// A template as a value: the page, the one band, an optional background
// picture and the items. The built-in templates are turned into one from the
// catalogue (with the saved calibration); the shop's own templates are
// stored in the address book and in template files. The designer edits it,
// the page engine prints it. Lengths are millimetres.
struct DesignItem
{
    enum class Kind
    {
        Field,
        Text,
        Barcode,
        QrCode
    };
    enum class Source
    {
        Sender,
        Recipient,
        PrintDate
    };
    enum class Align
    {
        Left,
        Center,
        Right
    };
    enum class Wrap
    {
        None,
        Bytes,
        Width
    };

    Kind kind = Kind::Field;
    QString name; // unique within the template, e.g. "QRDBText5", "item3"
    Source source = Source::Recipient;
    QString column; // Field / Barcode / QrCode of a record column, UTF-8 ("姓名", "快递单号", "年")
    QString text;   // Text items; Barcode / QrCode of fixed text when column is empty
    double leftMm = 0;
    double topMm = 0;
    double widthMm = 30;
    double heightMm = 6;
    QString fontFamily; // empty: the program's default face
    double fontPt = 12;
    bool bold = false;
    Align align = Align::Left;
    Wrap wrap = Wrap::None;
    int wrapBytes = 0;         // Wrap::Bytes: line width in GBK bytes
    int maxLines = 0;          // 0: as many as the box holds
    int rotation = 0;          // 0, 90, 180 or 270 degrees, clockwise
    bool humanReadable = true; // Barcode: the text under the bars
    bool hidden = false;
    bool opaque = false; // fills its text's box white, covering what lies under it

    bool operator==(const DesignItem& o) const
    {
        return kind == o.kind && name == o.name && source == o.source && column == o.column &&
               text == o.text && leftMm == o.leftMm && topMm == o.topMm && widthMm == o.widthMm &&
               heightMm == o.heightMm && fontFamily == o.fontFamily && fontPt == o.fontPt && bold == o.bold &&
               align == o.align && wrap == o.wrap && wrapBytes == o.wrapBytes && maxLines == o.maxLines &&
               rotation == o.rotation && humanReadable == o.humanReadable && hidden == o.hidden &&
               opaque == o.opaque;
    }
    bool operator!=(const DesignItem& o) const { return !(*this == o); }
};

struct TemplateDesign
{
    QString code;    // "st" for a built-in one, "u-..." for the shop's own
    QString caption; // shown in menus and window titles
    bool builtIn = false;
    QSizeF pageMm{230, 127};
    QSizeF bandMm{230, 127};
    QByteArray picture; // encoded image (JPEG/PNG) of the form; shown, never printed
    QVector<DesignItem> items;
    // The printer's calibration that goes with the template (tenths of a
    // millimetre, percent) and the word rule for long values. For the
    // shop's own templates the address book keeps them where it keeps a
    // built-in one's (LayoutAdjustments, under the code); the value carries
    // them into copies and template files.
    int calibrationDx = 0;
    int calibrationDy = 0;
    double scaleX = 100;
    double scaleY = 100;
    bool wordWrap = false;

    bool operator==(const TemplateDesign& o) const
    {
        return code == o.code && caption == o.caption && builtIn == o.builtIn && pageMm == o.pageMm &&
               bandMm == o.bandMm && picture == o.picture && items == o.items &&
               calibrationDx == o.calibrationDx && calibrationDy == o.calibrationDy && scaleX == o.scaleX &&
               scaleY == o.scaleY && wordWrap == o.wordWrap;
    }
    bool operator!=(const TemplateDesign& o) const { return !(*this == o); }
};
