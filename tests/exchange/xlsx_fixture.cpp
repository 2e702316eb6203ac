// Writes an .xlsx test fixture with libxlsxwriter in a process of its own:
// libxlsxwriter and QuaZip cannot live in one process (clashing zip symbols).
// Usage: xlsx_fixture DESCRIPTION.json OUT.xlsx
// DESCRIPTION: {"sheets": [...], "dataSheet": n, "rows": [[cell, ...], ...]}
// with cells {"s": text} | {"n": number[, "f": number format]} | {"b": bool} | {"d": "yyyy-MM-dd"} |
// {"dt": "yyyy-MM-ddThh:mm:ss"} | null.
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <xlsxwriter.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    QFile in(QString::fromLocal8Bit(argv[1]));
    if (!in.open(QIODevice::ReadOnly))
        return 2;
    const QJsonObject d = QJsonDocument::fromJson(in.readAll()).object();
    lxw_workbook* wb = workbook_new(argv[2]);
    lxw_format* date = workbook_add_format(wb);
    format_set_num_format(date, "yyyy-mm-dd");
    lxw_format* dateTime = workbook_add_format(wb);
    format_set_num_format(dateTime, "yyyy/m/d h:mm:ss");
    const QJsonArray sheets = d.value("sheets").toArray();
    const QJsonArray rows = d.value("rows").toArray();
    for (int s = 0; s < sheets.size(); ++s) {
        lxw_worksheet* ws = workbook_add_worksheet(wb, sheets.at(s).toString().toUtf8().constData());
        if (s != d.value("dataSheet").toInt()) {
            worksheet_write_string(ws, 0, 0, "不是这一张", nullptr);
            continue;
        }
        for (int r = 0; r < rows.size(); ++r) {
            const QJsonArray row = rows.at(r).toArray();
            for (int c = 0; c < row.size(); ++c) {
                const QJsonObject v = row.at(c).toObject();
                if (v.contains("s")) {
                    if (!v.value("s").toString().isEmpty())
                        worksheet_write_string(ws, r, c, v.value("s").toString().toUtf8().constData(),
                                               nullptr);
                } else if (v.contains("n")) {
                    lxw_format* f = nullptr;
                    if (v.contains("f")) {
                        f = workbook_add_format(wb);
                        format_set_num_format(f, v.value("f").toString().toUtf8().constData());
                    }
                    worksheet_write_number(ws, r, c, v.value("n").toDouble(), f);
                } else if (v.contains("b")) {
                    worksheet_write_boolean(ws, r, c, v.value("b").toBool(), nullptr);
                } else if (v.contains("d") || v.contains("dt")) {
                    const QDateTime t =
                        v.contains("d")
                            ? QDateTime(QDate::fromString(v.value("d").toString(), Qt::ISODate), QTime(0, 0))
                            : QDateTime::fromString(v.value("dt").toString(), Qt::ISODate);
                    lxw_datetime x{t.date().year(), t.date().month(),  t.date().day(),
                                   t.time().hour(), t.time().minute(), double(t.time().second())};
                    worksheet_write_datetime(ws, r, c, &x, v.contains("d") ? date : dateTime);
                }
            }
        }
    }
    return workbook_close(wb) == LXW_NO_ERROR ? 0 : 1;
}
