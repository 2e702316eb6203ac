#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "report/DotCanvas.h"

#include <QImage>

#include <functional>
#include <vector>

class QIODevice;
class ReportLayout;

struct EscpOptions
{
    // Continuous (tractor) paper runs on from form to form; sheets are
    // ejected with a form feed after each form.
    enum class Paper
    {
        Continuous,
        Sheets
    };
    Paper paper = Paper::Continuous;
    // 180 or 360 dots per inch across; always 180 down.
    int dpiX = 180;
    // The printer takes ESC ( C (page length in 1/360 in). Without it the
    // length is set in lines (ESC 3 / ESC C), to the nearest 1/180 in.
    bool escp2 = true;
};

// The program's own output for 24-pin dot-matrix printers speaking Epson
// ESC/P: every form is painted by the page engine at the printer's own
// resolution into dots and sent as 24-dot bit-image lines, positioned
// exactly (ESC J in 1/180 in, ESC + for a last 1/360, ESC $ across), so
// that no driver rounds the page length to sixths of an inch or clips its
// own margins. Forms go out one by one; memory stays that of one form.
//
// The stream starts at the top of the first form, where the user has set
// the printer's top of form. On continuous paper form k starts exactly
// k page heights below it (to the 1/360 in, the remainder carried), and the
// stream ends at the top of the next form.
class EscpWriter
{
public:
    EscpWriter(QIODevice* out, const EscpOptions& options);

    // Paints page (0-based) of layout and writes it as the next form.
    bool writePage(const ReportLayout& layout, int page, QString* error);
    // Writes a form already painted at dpiX x 180 dpi (white: no dot),
    // pageHeightMm the form's height on paper.
    bool writeForm(const QImage& dots, double pageHeightMm, QString* error);
    // Moves the paper to the top of the next form (continuous paper) and
    // resets the printer.
    bool finish(QString* error);

    // Said once each: what the printer may do other than asked.
    QStringList warnings() const { return m_warnings; }
    qint64 bytesWritten() const { return m_bytes; }
    int formsWritten() const { return m_forms; }

    // Writes every page of a run (finished first if needed) to out.
    // progress gets (forms done, forms in all) and may return false to cancel.
    static bool write(ReportLayout* layout, QIODevice* out, const EscpOptions& options, QString* error,
                      QStringList* warnings = nullptr,
                      const std::function<bool(int done, int total)>& progress = {});

private:
    bool put(const QByteArray& bytes, QString* error);
    bool begin(double pageHeightMm, QString* error);
    // Paints the page into m_canvas at the printer's resolution (360 x 360
    // for 360 x 180), moved down by topOffsetDots (a fraction of a dot).
    void render(const ReportLayout& layout, int page, double topOffsetDots);
    // One bit a dot, ink set, the leftmost dot in the high bit; rowsPerDot
    // rows of image struck as one. With canvas, only the dots it painted
    // are read (the rest are white).
    void pack(const QImage& image, int rows, int rowsPerDot, const DotCanvas* canvas);
    bool writeDots(double pageHeightMm, QString* error);
    void pageLength(QByteArray* out, double pageHeightMm);
    // Feeds the paper down by units of 1/360 in.
    static void feed(QByteArray* out, qint64 units360);
    void band(QByteArray* out, int top);
    void warnOnce(const QString& text);

    QIODevice* m_out;
    EscpOptions m_options;
    QStringList m_warnings;
    qint64 m_bytes = 0;
    int m_forms = 0;
    bool m_started = false;
    double m_pageHeight360 = 0; // page height in 1/360 in, of the first form
    qint64 m_head = 0;          // where the head stands, 1/360 in below the first form's top
    double m_formTop = 0;       // exact top of the next form, 1/360 in
    DotCanvas m_canvas;         // the page painted, kept from form to form
    std::vector<uchar> m_bits;  // the form's dots, m_bitsPerRow bytes a row
    using Span = DotCanvas::Span;
    std::vector<Span> m_inked; // bytes of each row of m_bits that may be set
    int m_bitsPerRow = 0;
    int m_dotWidth = 0;
    int m_dotRows = 0;
    QByteArray m_columns; // a band's columns, kept from band to band
};
