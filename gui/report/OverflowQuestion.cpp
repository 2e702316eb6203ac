#include "gui/report/OverflowQuestion.h"

#include "gui/widgets/Dialogs.h"
#include "report/ReportLayout.h"

#include <QStringList>

QString OverflowQuestion::text(const ReportLayout& layout)
{
    const QVector<ReportOverflow>& all = layout.overflows();
    if (all.isEmpty())
        return {};
    QStringList lines;
    for (int i = 0; i < all.size() && i < kListed; ++i) {
        const ReportOverflow& o = all.at(i);
        lines << QStringLiteral("第 %1 条：%2%3")
                     .arg(o.record)
                     .arg(layout.itemField(o.item), layout.describe(o));
    }
    if (all.size() > kListed)
        lines << QStringLiteral("……（共 %1 处）").arg(all.size());
    return QStringLiteral("有 %1 处文字没有完整打印：\n%2\n\n仍要打印吗？")
        .arg(all.size())
        .arg(lines.join(u'\n'));
}

bool OverflowQuestion::ask(QWidget* parent, ReportLayout* layout)
{
    if (!layout->isStarted())
        layout->start();
    while (!layout->isFinished())
        layout->step();
    const QString question = text(*layout);
    if (question.isEmpty())
        return true;
    return Dialogs::message(parent, question, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}
