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
    // Pages per part of a long run (see below): QPdfWriter's own tables for
    // this many pages cost about a megabyte.
    static constexpr int kPartPages = 20000;

    // Runs the report and writes every page. progress gets the percent of
    // records done and may return false to cancel (no file is left then).
    static bool write(TQuickRep* report, const QString& path, QString* error = nullptr,
                      const std::function<bool(int percent)>& progress = {});
    // Writes the pages of a run; a run not finished yet is finished first.
    static bool write(ReportLayout* layout, const QString& path, QString* error = nullptr,
                      const std::function<bool(int percent)>& progress = {});
    // The same; a run of more than partPages pages is written as parts of
    // partPages pages beside path, joined into one file as they are done, so
    // that memory does not grow with the run. A shorter run is one file, as
    // QPdfWriter writes it.
    static bool write(ReportLayout* layout, const QString& path, int partPages, QString* error = nullptr,
                      const std::function<bool(int percent)>& progress = {});
};
