#pragma once

#include <QString>

class QWidget;
class ReportLayout;

// Before a print: when texts of the run were cut, lists them by record
// ("第 12 条：地址超出 1 行") and asks whether to print all the same.
class OverflowQuestion
{
public:
    // Finishes the run first, so every record is seen. True to print: nothing
    // was cut, or the user chose to go on.
    static bool ask(QWidget* parent, ReportLayout* layout);
    // The question's text; empty when nothing was cut.
    static QString text(const ReportLayout& layout);

    // Records listed before the rest is summed up.
    static constexpr int kListed = 15;
};
