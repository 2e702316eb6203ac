#pragma once

#include "exchange/Progress.h"

#include <QByteArray>
#include <QString>

class WorkbookReader;

// Excel 2007+ (.xlsx) sheets: the zip container through QuaZip, its parts
// with QXmlStreamReader. Shared and inline strings both occur; styles.xml
// gives the number formats (CellText). Damaged parts end the reading with
// a reason; sizes are checked before anything is inflated.
class XlsxReader
{
public:
    static bool read(const QString& path, WorkbookReader* out, QString* error, const ProgressFn& progress,
                     bool* cancelled);
    static bool readData(const QByteArray& data, WorkbookReader* out, QString* error);
};
