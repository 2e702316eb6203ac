#include "fuzz/FuzzTargets.h"

#include "exchange/BiffReader.h"
#include "exchange/CellText.h"
#include "exchange/WorkbookReader.h"
#include "exchange/XlsReader.h"
#include "exchange/XlsxReader.h"
#include "templates/TemplateFile.h"

#include <cstring>

namespace {

QByteArray bytes(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// A failure must always come with its reason.
void check(bool ok, const QString& error)
{
    if (!ok && error.isEmpty())
        qFatal("failed without a reason");
}

} // namespace

namespace FuzzTargets {

void xls(const uint8_t* data, size_t size)
{
    WorkbookReader out;
    QString error;
    check(XlsReader::readData(bytes(data, size), &out, &error), error);
}

void biff(const uint8_t* data, size_t size)
{
    const QByteArray stream = bytes(data, size);
    WorkbookReader::Budget budget;
    BiffReader reader;
    QString error;
    const bool ok = reader.open(stream, &budget, &error);
    check(ok, error);
    if (!ok)
        return;
    for (int i = 0; i < reader.sheets().size(); ++i) {
        WorkbookReader::Sheet sheet;
        check(reader.readSheet(i, &sheet, &error), error);
    }
}

void xlsx(const uint8_t* data, size_t size)
{
    WorkbookReader out;
    QString error;
    check(XlsxReader::readData(bytes(data, size), &out, &error), error);
}

void workbook(const uint8_t* data, size_t size)
{
    WorkbookReader reader;
    QString error;
    check(reader.readData(bytes(data, size), &error), error);
    // Every cell is a view into the reader's buffers: touch each character.
    const TextTable& t = reader.table();
    ushort sum = 0;
    for (int r = 0; r < t.rowCount(); ++r)
        for (int c = 0; c < t.columnCount(r); ++c)
            for (QChar ch : t.at(r, c))
                sum = ushort(sum + ch.unicode());
    volatile ushort keep = sum;
    (void)keep;
}

void numberFormat(const uint8_t* data, size_t size)
{
    double v = 0;
    if (size < sizeof v)
        return;
    std::memcpy(&v, data, sizeof v);
    const QString code =
        QString::fromUtf8(reinterpret_cast<const char*>(data + sizeof v), qsizetype(size - sizeof v));
    const QString text = CellText::formatted(v, code, false);
    if (text.size() > 4096)
        qFatal("a number longer than any format asks for");
}

void templateFile(const uint8_t* data, size_t size)
{
    TemplateDesign design;
    QString error;
    const bool ok = TemplateFile::fromJson(bytes(data, size), &design, &error);
    check(ok, error);
    // What was read is sound: it passes the check the store makes and
    // reads back the same.
    if (ok) {
        TemplateDesign again;
        if (!TemplateFile::check(design, &error) ||
            !TemplateFile::fromJson(TemplateFile::toJson(design), &again, &error))
            qFatal("a template read from a file does not read back");
    }
}

Target byName(const char* name)
{
    static const struct
    {
        const char* name;
        Target target;
    } targets[] = {{"xls", xls},
                   {"biff", biff},
                   {"xlsx", xlsx},
                   {"workbook", workbook},
                   {"numformat", numberFormat},
                   {"wbtemplate", templateFile}};
    for (const auto& t : targets)
        if (std::strcmp(name, t.name) == 0)
            return t.target;
    return nullptr;
}

} // namespace FuzzTargets
