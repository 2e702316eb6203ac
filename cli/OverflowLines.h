#pragma once

#include <QTextStream>

class ReportLayout;

// One line per cut text of a run: "第N条 ITEM 列名: 说明".
void writeOverflows(QTextStream& out, const ReportLayout& layout);
// The same lines after a warning, when anything was cut; nothing otherwise.
void warnOverflows(QTextStream& err, const ReportLayout& layout);
