#pragma once

#include <QString>

class QPainter;
class TemplateReport;

// The page a user prints to find out how far the printer is off: the
// template's page with millimetre rulers along its edges and a cross at the
// top left corner of every printed item, drawn through the same calibration
// as the waybills. Laid over the real form (or measured with a ruler), it
// shows the offset to type in.
class CalibrationSheet
{
public:
    // Paints the sheet; the painter's origin is the page's top left corner
    // and its units are pixels of its device (the device's dpi gives the scale).
    static void paint(QPainter* painter, const TemplateReport& tpl);
    // Writes the sheet as a one-page PDF of the template's page size.
    static bool writePdf(const TemplateReport& tpl, const QString& path, QString* error);

    // Half the length of a cross's arm, tenths of a millimetre.
    static constexpr double kCrossArm = 30;
};
