#pragma once

#include "report/ReportPainter.h"

#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QVector>

struct TQRCalibration;

// One item whose text did not come out whole on one record's page.
struct ReportOverflow
{
    enum class Kind
    {
        Lines,      // lines beyond the item's height were dropped
        IntoItem,   // the text runs past its right edge into another item's box
        PageEdge,   // the text runs past the edge of the page
        Unencodable // a Code 128 text has characters the code cannot carry: no bars print
    };
    int record = 0; // 1-based: the record (band print) of the run
    int page = 0;   // 0-based page it is on
    int item = 0;   // index of the item in the band
    Kind kind = Kind::Lines;
    int lines = 0;   // Lines: how many lines with text were dropped
    double over = 0; // IntoItem, PageEdge: how far past, tenths of a millimetre
    int into = -1;   // IntoItem: index of the item run into
    QRectF rect;     // the text as drawn, tenths, page coordinates before calibration
    QString misfits; // Unencodable: the characters, each once
};

// Finds the texts of a band that were cut. Text is measured as it is drawn
// at 1200 dpi, the resolution of the PDF files and printers, so that what
// the check says holds on paper.
class ReportOverflowCheck
{
public:
    ReportOverflowCheck();

    // The overflows of one band print. bandLeft/bandTop place the band on
    // the page (tenths); pageSize is the page in tenths; calibration moves
    // the whole page before the page edge is checked. Fills record, item,
    // kind and the amounts; the caller sets the page.
    QVector<ReportOverflow> check(const QVector<ReportPainter::Item>& items, const QStringList& texts,
                                  double bandLeft, double bandTop, const QSizeF& pageSize,
                                  const TQRCalibration& calibration, int record) const;

    // "超出 1 行", "超出右边 3.2 毫米，压到“城市”", "超出纸边 5.0 毫米",
    // "条码含有无法编码的字符“张三”…".
    static QString describe(const ReportOverflow& o, const QString& intoColumn = {});

private:
    QImage m_device; // stands in for a 1200 dpi printer
};
