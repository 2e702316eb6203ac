#pragma once

#include "exchange/Progress.h"

#include <QByteArray>
#include <QString>

class WorkbookReader;

// Excel 97-2003 (.xls) workbooks: the compound file through libgsf, the
// workbook stream through BiffReader.
class XlsReader
{
public:
    static bool read(const QString& path, WorkbookReader* out, QString* error, const ProgressFn& progress,
                     bool* cancelled);
    static bool readData(const QByteArray& data, WorkbookReader* out, QString* error);
};
