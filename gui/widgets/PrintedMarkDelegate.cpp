#include "gui/widgets/PrintedMarkDelegate.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QToolTip>

QString PrintedMarkDelegate::displayText(const QVariant& value, const QLocale&) const
{
    return value.toString().isEmpty() ? QString() : QStringLiteral("✓");
}

void PrintedMarkDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    option->displayAlignment = Qt::AlignCenter;
    option->palette.setColor(QPalette::Text, QColor(0, 128, 0));
}

bool PrintedMarkDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                    const QStyleOptionViewItem& option, const QModelIndex& index)
{
    if (event->type() == QEvent::ToolTip) {
        const QString when = index.data().toString();
        if (!when.isEmpty()) {
            QToolTip::showText(event->globalPos(), QStringLiteral("已打印：%1").arg(when), view);
            return true;
        }
    }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}
