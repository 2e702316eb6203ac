#include "exchange/XlsReader.h"

#include "exchange/BiffFormulaReader.h"
#include "exchange/CellText.h"
#include "exchange/WorkbookReader.h"

#include <QFile>

#include <freexl.h>

namespace {

// Closes a FreeXL handle when it goes out of scope.
class FreeXlHandle
{
public:
    ~FreeXlHandle()
    {
        if (h)
            freexl_close(h);
    }
    const void* h = nullptr;
};

QString freeXlError(int rc)
{
    switch (rc) {
    case FREEXL_FILE_NOT_FOUND:
        return QStringLiteral("文件不存在或无法读取。");
    case FREEXL_INSUFFICIENT_MEMORY:
        return QStringLiteral("内存不足。");
    case FREEXL_INVALID_CFBF_HEADER:
    case FREEXL_CFBF_INVALID_SIGNATURE:
    case FREEXL_BIFF_WORKBOOK_NOT_FOUND:
        return QStringLiteral("文件不是Excel 97-2003工作簿。");
    case FREEXL_UNSUPPORTED_CHARSET:
    case FREEXL_INVALID_CHARACTER:
        return QStringLiteral("工作簿的文字编码无法识别。");
    default:
        return QStringLiteral("工作簿已损坏或格式不受支持（错误 %1）。").arg(rc);
    }
}

} // namespace

bool XlsReader::read(const QString& path, WorkbookReader* out, QString* error, const ProgressFn& progress,
                     bool* cancelled)
{
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    FreeXlHandle xls;
    const QByteArray native = QFile::encodeName(path);
    int rc = freexl_open(native.constData(), &xls.h);
    if (rc != FREEXL_OK)
        return fail(freeXlError(rc));

    unsigned int info = 0;
    if (freexl_get_info(xls.h, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK && info != FREEXL_BIFF_PLAIN)
        return fail(QStringLiteral("工作簿有密码保护，请先在Excel中取消密码。"));
    if (freexl_get_info(xls.h, FREEXL_BIFF_VERSION, &info) == FREEXL_OK && info != FREEXL_BIFF_VER_8 &&
        info != FREEXL_BIFF_VER_5 && info != FREEXL_BIFF_VER_4 && info != FREEXL_BIFF_VER_3 &&
        info != FREEXL_BIFF_VER_2)
        return fail(QStringLiteral("文件不是Excel 97-2003工作簿。"));

    unsigned int sheets = 0;
    if (freexl_get_info(xls.h, FREEXL_BIFF_SHEET_COUNT, &sheets) != FREEXL_OK || sheets == 0)
        return fail(QStringLiteral("工作簿中没有工作表。"));

    unsigned short chosen = 0;
    QString chosenName;
    for (unsigned short i = 0; i < sheets; ++i) {
        const char* name = nullptr;
        if (freexl_get_worksheet_name(xls.h, i, &name) != FREEXL_OK)
            continue;
        const QString n = QString::fromUtf8(name ? name : "");
        if (i == 0)
            chosenName = n;
        if (n.compare(QLatin1String("Sheet1"), Qt::CaseInsensitive) == 0) {
            chosen = i;
            chosenName = n;
            break;
        }
    }
    rc = freexl_select_active_worksheet(xls.h, chosen);
    if (rc != FREEXL_OK)
        return fail(freeXlError(rc));
    out->setSheetName(chosenName);

    // FreeXL leaves formula cells empty and gives error cells as numbers:
    // their texts come from the sheet's records.
    BiffFormulaReader formulas;
    QString why;
    if (!formulas.readFile(path, chosenName, chosen, &why))
        return fail(why);
    const QHash<quint64, QString>& overlay = formulas.cells();

    unsigned int rows = 0;
    unsigned short cols = 0;
    rc = freexl_worksheet_dimensions(xls.h, &rows, &cols);
    if (rc != FREEXL_OK)
        return fail(freeXlError(rc));

    QVector<QStringList>& result = out->mutableRows();
    result.clear();
    result.reserve(int(rows));
    int lastPercent = -1;
    for (unsigned int r = 0; r < rows; ++r) {
        if (progress) {
            const int percent = int(qint64(r) * 100 / rows);
            if (percent != lastPercent) {
                lastPercent = percent;
                if (!progress(percent)) {
                    if (cancelled)
                        *cancelled = true;
                    return fail(QStringLiteral("已取消。"));
                }
            }
        }
        QStringList row;
        row.reserve(cols);
        bool any = false;
        for (unsigned short c = 0; c < cols; ++c) {
            FreeXL_CellValue v;
            rc = freexl_get_cell_value(xls.h, r, c, &v);
            if (rc != FREEXL_OK)
                return fail(freeXlError(rc));
            QString text;
            switch (v.type) {
            case FREEXL_CELL_INT:
                text = QString::number(v.value.int_value);
                break;
            case FREEXL_CELL_DOUBLE:
                text = CellText::number(v.value.double_value);
                break;
            case FREEXL_CELL_TEXT:
            case FREEXL_CELL_SST_TEXT:
            case FREEXL_CELL_DATE:
            case FREEXL_CELL_DATETIME:
            case FREEXL_CELL_TIME:
                text = QString::fromUtf8(v.value.text_value);
                break;
            default:
                break;
            }
            if (!overlay.isEmpty()) {
                const auto it = overlay.constFind(BiffFormulaReader::key(r, c));
                if (it != overlay.constEnd())
                    text = it.value();
            }
            any = any || !text.isEmpty();
            row << text;
        }
        if (any)
            result << row;
    }
    if (progress && lastPercent != 100)
        progress(100);
    return true;
}
