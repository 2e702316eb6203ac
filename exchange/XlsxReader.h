#pragma once

#include "exchange/Progress.h"

#include <QString>

class WorkbookReader;

// Excel 2007+ (.xlsx) sheets: the zip container through QuaZip, its parts
// with QXmlStreamReader. Shared and inline strings both occur; styles.xml
// tells which numbers are dates.
class XlsxReader
{
public:
    static bool read(const QString& path, WorkbookReader* out, QString* error, const ProgressFn& progress,
                     bool* cancelled);
};
