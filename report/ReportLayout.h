#pragma once

#include "report/QuickRep.h"
#include "report/ReportOverflow.h"
#include "report/ReportPainter.h"
#include "report/TextShapeCache.h"

#include <QImage>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

class QPainter;

// One run of a report, kept apart from painting: the record loop, the page
// breaking and the item texts (after their print hooks). Per page only its
// first record is kept, and the texts of the last two pages made; the texts
// of an older page are printed again from the report's records when it is
// painted. So a batch of 100,000 records costs
// a few hundred kilobytes however often it is painted, and a page is painted
// on demand onto any painter (screen, preview, printer, PDF), always the
// same way.
//
// The geometry and fonts of the items are taken when the run starts.
class ReportLayout
{
public:
    explicit ReportLayout(TQuickRep* report);
    ~ReportLayout();

    // Starts (or restarts) the run from the first of the report's records.
    // Generation then goes record by record through step().
    void start();
    // Prints the band for the next record; false once the run is finished
    // (or cancelled). Calls start() when not started yet.
    bool step();
    // Runs to the end; progress gets the percent done after every record
    // and may return false to cancel. False when cancelled.
    bool generateAll(const std::function<bool(int percent)>& progress = {});
    // Stops before the next record; pages made so far stay.
    void cancel();

    bool isStarted() const { return m_started; }
    bool isFinished() const { return m_finished; }
    bool isCancelled() const { return m_cancelled; }
    // Records done x 100 / record count.
    int progress() const;
    int pageCount() const { return m_pageFirst.size(); }
    // The pages the whole run will make, known as soon as it has started
    // (every band is as high as the others); pageCount() once finished.
    int expectedPageCount() const;

    QSizeF pageSizeMm() const;
    // Page width and length in tenths of a millimetre.
    double pageWidthTenths() const { return m_pageWidth; }
    double pageLengthTenths() const { return m_pageLength; }

    // Paints page index (0-based) onto painter, whose origin must be the
    // top left corner of the page and whose units are pixels of its device
    // (the device's logical dpi gives the scale). A white page with the item
    // texts; nothing else.
    void paintPage(QPainter* painter, int index) const;
    // The records' texts read again for the pages made, which stay as they
    // are: a print about to give the rows their waybill numbers prints them.
    void rereadTexts();

    // What the screen shows beyond the paper: the form's picture behind the
    // page (stretched to it) and red outlines round the cut texts.
    struct ScreenExtras
    {
        QImage background;
        bool outlineOverflows = false;
    };
    void paintPage(QPainter* painter, int index, const ScreenExtras& extras) const;

    // Every item whose text was cut, in record order; kept only for those.
    const QVector<ReportOverflow>& overflows() const { return m_overflows; }
    int overflowCount(int page) const;
    QString itemName(int index) const { return m_itemNames.value(index); }
    QString itemField(int index) const { return m_itemFields.value(index); }
    // What was cut, in words: "超出 1 行" ...
    QString describe(const ReportOverflow& overflow) const;

    // Texts printed on a page, band by band, item by item (after hooks);
    // for the command-line tool and tests.
    QStringList pageTexts(int index) const;

private:
    // Records [first, end) of a page; end is the next page's first.
    int pageEnd(int index) const;
    // The item texts of every band on a page.
    const QVector<QStringList>& bandTexts(int index) const;
    QStringList recordTexts(int record) const;
    double pageRoom() const;
    void printBand();
    void finish();

    TQuickRep* m_report;
    QVector<ReportPainter::Item> m_items;
    QVector<QString> m_itemNames;
    QVector<QString> m_itemFields;
    TQRCalibration m_calibration;
    ReportOverflowCheck m_overflowCheck;
    QVector<ReportOverflow> m_overflows;
    double m_pageWidth = 0;
    double m_pageLength = 0;
    double m_bandHeight = 0;
    double m_bandWidth = 0;
    QColor m_bandColor = Qt::white;
    bool m_bandTransparent = false;
    bool m_hasBand = false;

    QVector<int> m_pageFirst;       // first record of every page
    double m_used = 0;              // tenths used on the current page
    QVector<QStringList> m_made[2]; // texts of the pages made last, by page index % 2
    mutable int m_readPage = -1;    // an older page, printed again
    mutable QVector<QStringList> m_read;
    mutable TextShapeCache m_textCache;
    bool m_started = false;
    bool m_finished = false;
    bool m_cancelled = false;
    bool m_fromRecords = false; // the source has records (else one band of no record)
    int m_records = 0;
    int m_done = 0;
};
