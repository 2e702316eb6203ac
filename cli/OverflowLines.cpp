#include "cli/OverflowLines.h"

#include "report/ReportLayout.h"

void writeOverflows(QTextStream& out, const ReportLayout& layout)
{
    for (const ReportOverflow& o : layout.overflows())
        out << "第" << o.record << "条 " << layout.itemName(o.item) << " " << layout.itemField(o.item) << ": "
            << layout.describe(o) << "\n";
}

void warnOverflows(QTextStream& err, const ReportLayout& layout)
{
    if (layout.overflows().isEmpty())
        return;
    err << "警告：有 " << layout.overflows().size() << " 处文字没有完整打印：\n";
    writeOverflows(err, layout);
}
