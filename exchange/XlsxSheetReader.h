#pragma once

#include "exchange/CellText.h"
#include "exchange/Progress.h"
#include "exchange/WorkbookReader.h"

#include <QByteArray>
#include <QString>
#include <QVector>

class QuaZip;
class QXmlStreamReader;

// The large parts of an .xlsx package: the shared strings and the sheet.
// They are read with the lean XlsxScanner; a part it gives up on is read
// again from its start with QXmlStreamReader, which reads any XML and words
// what is wrong with a damaged part. Both readings keep the same rules
// (rich text runs, phonetic guides, _xHHHH_ escapes, number formats, the
// memory budget).
class XlsxSheetReader
{
public:
    // What every sheet of the package reads with.
    struct Workbook
    {
        QuaZip* zip = nullptr;
        WorkbookReader::Budget* budget = nullptr;
        // The shared strings, one after another; each a slice of them.
        QString stringChars;
        QVector<TextTable::Text> strings;
        QVector<CellText::NumberFormat> styles;
        bool date1904 = false;
    };

    // The shared strings part, held whole, into workbook->strings.
    static bool readStrings(const QByteArray& data, const QString& part, Workbook* workbook, QString* error);
    // The sheet part (its sizes already checked), streamed from the zip.
    static bool readSheet(const Workbook& workbook, const QString& part, WorkbookReader::Sheet* out,
                          QString* error, const ProgressFn& progress, bool* cancelled);

    // The next token of a part read with QXmlStreamReader; false at the end
    // of the document or at an error, also for a part declaring entities.
    static bool nextToken(QXmlStreamReader& x);

    // A damaged workbook's reason, and one for a part whose XML cannot be
    // read, with the parser's words after ours.
    static QString damaged(const QString& why);
    static QString badXml(const QString& part, const QXmlStreamReader& x);
};
