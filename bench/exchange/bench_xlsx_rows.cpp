// Writes the import benchmark's workbook with libxlsxwriter (shared
// strings), in a process of its own: libxlsxwriter and QuaZip clash.
// Usage: bench_xlsx_rows RECORDS OUT.xlsx
#include "SampleRows.h"

#include <xlsxwriter.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    const int n = atoi(argv[1]);
    lxw_workbook* wb = workbook_new(argv[2]);
    lxw_worksheet* ws = workbook_add_worksheet(wb, "Sheet1");
    const QStringList header = SampleRows::header();
    for (int c = 0; c < header.size(); ++c)
        worksheet_write_string(ws, 0, lxw_col_t(c), header.at(c).toUtf8().constData(), nullptr);
    for (int r = 0; r < n; ++r) {
        const QStringList row = SampleRows::row(r);
        for (int c = 0; c < row.size(); ++c) {
            if (c == SampleRows::kQuantity)
                worksheet_write_number(ws, lxw_row_t(r + 1), lxw_col_t(c), row.at(c).toDouble(), nullptr);
            else if (!row.at(c).isEmpty())
                worksheet_write_string(ws, lxw_row_t(r + 1), lxw_col_t(c), row.at(c).toUtf8().constData(),
                                       nullptr);
        }
    }
    return workbook_close(wb) == LXW_NO_ERROR ? 0 : 1;
}
