#pragma once

#include <QByteArray>
#include <QString>

// The picture of a blank form a user puts behind a template's page. It is
// read and decoded once, within a pixel and memory limit, before it is
// stored, so a stored picture can always be shown: a cut-off file, a
// picture claiming more pixels than a form needs, or anything that is no
// file (a folder, a device, a pipe) is refused with the reason.
class BackgroundPicture
{
public:
    // Reads the picture file at path; its bytes, as stored, in *bytes.
    static bool read(const QString& path, QByteArray* bytes, QString* error);
    // Whether bytes decode to a picture within the limits; name says which
    // file in the message.
    static bool check(const QByteArray& bytes, const QString& name, QString* error);

    // A form scanned at 1200 dpi stays well within these.
    static constexpr int kMaxSide = 12000;
    static constexpr int kAllocationLimitMiB = 64; // what one decode may take
};
