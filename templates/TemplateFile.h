#pragma once

#include "templates/TemplateDesign.h"

#include <QByteArray>
#include <QString>

// Template files (.wbtemplate) that a shop hands on: one UTF-8 JSON object
// with the format's name and version, the page, the printer's calibration,
// the items in the shape `waybill-cli catalogue --json` gives them (plus
// kind, text, align, rotation …) and the picture, base64. The reader
// checks every field of a file from anywhere and refuses it whole, with the
// field named in the reason; the address book keeps its templates in the
// same form (without the picture).
class TemplateFile
{
public:
    static constexpr const char* kFormat = "waybill-template";
    static constexpr int kVersion = 1;
    static constexpr const char* kSuffix = "wbtemplate";

    static constexpr double kMinPageMm = 10;
    static constexpr double kMaxPageMm = 1000;
    static constexpr int kMaxItems = 500;
    static constexpr qint64 kMaxFileBytes = 48 * 1024 * 1024; // a 32 MB picture in base64, and the rest

    // The design as the file's JSON; without the picture when withPicture is false.
    static QByteArray toJson(const TemplateDesign& design, bool withPicture = true);
    // Reads a file's JSON: everything checked (fromJson then check), nothing
    // set in *out unless all of it is sound.
    static bool fromJson(const QByteArray& json, TemplateDesign* out, QString* error);
    // Whether a design holds only what the page engine and the address book
    // take: the limits of a file, for a design from the designer too.
    static bool check(const TemplateDesign& design, QString* error);

    static bool write(const QString& path, const TemplateDesign& design, QString* error);
    static bool read(const QString& path, TemplateDesign* out, QString* error);

    // Names as the file spells them.
    static QString kindName(DesignItem::Kind k);
    static QString sourceName(DesignItem::Source s);
    static QString alignName(DesignItem::Align a);
};
