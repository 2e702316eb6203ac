#pragma once

#include <QString>

#include <functional>

class ReportLayout;
class TQuickRep;

// Writes the pages of a report into a PDF file of the exact page size
// (1200 dpi, zero margins); the text stays real, extractable text.
class ReportPdfWriter
{
public:
    // Runs the report and writes every page. progress gets the percent of
    // records done and may return false to cancel (no file is left then).
    static bool write(TQuickRep* report, const QString& path, QString* error = nullptr,
                      const std::function<bool(int percent)>& progress = {});
    // Writes the pages of a run; a run not finished yet is finished first.
    static bool write(ReportLayout* layout, const QString& path, QString* error = nullptr,
                      const std::function<bool(int percent)>& progress = {});
};
