#pragma once

#include <QByteArray>
#include <QMarginsF>
#include <QString>
#include <QStringList>

class ReportLayout;

// What a print queue's driver (its PPD) does to a form: CUPS' own Epson
// 9- and 24-pin drivers state the page length in sixths of an inch, so a
// form of any other height creeps up or down form after form on
// continuous paper, and every driver leaves its unprintable margins blank.
struct PrinterDriverFacts
{
    QString nickName;
    // The driver sets the page length in whole sixths of an inch.
    bool sixthsOfInch = false;
    // Unprintable margins of a form, millimetres (left, top, right, bottom).
    QMarginsF marginsMm;

    // Reads the PPD of a CUPS queue. False with the reason when the queue
    // has none (a raw or driverless queue: nothing to say then).
    static bool read(const QString& queue, PrinterDriverFacts* facts, QString* error);
    static PrinterDriverFacts parse(const QByteArray& ppd);

    // How far each form lands from where it should on continuous paper,
    // millimetres (negative: higher up), for a form pageHeightMm high.
    double driftPerFormMm(double pageHeightMm) const;
    // Said before printing when forms will drift; empty when they won't.
    QString driftWarning(double pageHeightMm, int forms) const;
    // Lines naming the pages of a run whose text falls inside the
    // unprintable margins (first maxPages pages looked at).
    QStringList marginHits(const ReportLayout& layout, int maxPages = 50) const;
};
