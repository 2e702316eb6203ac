#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QStringList>

// Reads an Epson ESC/P or ESC/P2 stream (ours, or what CUPS' rastertoepson
// makes) the way a 24-pin printer would, into dots on paper. Positions are
// kept in 1/3600 in, so every unit of the commands is exact; the dots come
// out at the resolution asked for.
//
// On continuous paper the stream is one strip: a form feed moves to the top
// of form plus the page length, and setting the page length makes the
// current place the top of form, as the printers do. On sheets every form
// feed ends a sheet and the next starts at its top.
class EscpDecoder
{
public:
    enum class Paper
    {
        Continuous,
        Sheets
    };

    struct Result
    {
        QList<QImage> images;   // continuous: one strip; sheets: one per sheet
        QList<int> topsOfForm;  // continuous: rows where a top of form was set or reached
        QList<int> pageLengths; // every page length set, 1/3600 in
        QStringList commands;   // distinct commands seen ("ESC *39", "ESC J", "FF" ...)
        qint64 textBytes = 0;   // printable characters (nothing of ours prints text)
    };

    // dpiX x dpiY: the resolution of the images. False with the reason on
    // a command it does not know or a stream cut short.
    static bool decode(const QByteArray& stream, Paper paper, int dpiX, int dpiY, Result* result,
                       QString* error);

    // For comparing pages of dots (black on white, 8-bit grey): the
    // bounding boxes of the groups of ink (dots at most a cell apart), and the
    // box of the ink inside window.
    static QList<QRect> inkGroups(const QImage& image, int cellX, int cellY);
    static QRect inkBox(const QImage& image, const QRect& window);
    // The part rect of image, white where it reaches past the image.
    static QImage crop(const QImage& image, const QRect& rect);
    // Dots that differ within rect, b moved by (dx, dy) (outside an image
    // counts as white).
    static qint64 differingDots(const QImage& a, const QImage& b, const QRect& rect, int dx = 0, int dy = 0);
    // Dots within rect struck in one image with none in the other within
    // reach dots: more than two rasterisers' different edges.
    static qint64 strayDots(const QImage& a, const QImage& b, const QRect& rect, int reach);
    // How far the ink of got lies from that of want (same resolution), group
    // by group of want's ink: the worst edge of any group, millimetres
    // (infinite for a group with no ink near it). groups gets their count,
    // where the worst group's place.
    static double worstOffsetMm(const QImage& got, const QImage& want, int dpiX, int dpiY,
                                int* groups = nullptr, QPoint* where = nullptr);
};
