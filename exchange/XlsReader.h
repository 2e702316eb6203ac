#pragma once

#include "exchange/Progress.h"

#include <QString>

class WorkbookReader;

// Excel 97-2003 (.xls) sheets through FreeXL; formula results and error
// cells through BiffFormulaReader.
class XlsReader
{
public:
    static bool read(const QString& path, WorkbookReader* out, QString* error, const ProgressFn& progress,
                     bool* cancelled);
};
