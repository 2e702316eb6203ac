#include "gui/report/PreviewIcons.h"

#include "gui/widgets/ToolIcons.h"

#include <QAction>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QToolBar>

namespace {

const QColor kInk(40, 60, 90);
const QColor kBlue(45, 105, 175);

void page(QPainter& p, const QRectF& r)
{
    p.setPen(QPen(kInk, 1.2));
    p.setBrush(Qt::white);
    p.drawRect(r);
}

void triangle(QPainter& p, qreal x, qreal y, qreal w, qreal h, bool right)
{
    QPainterPath t;
    if (right) {
        t.moveTo(x, y);
        t.lineTo(x + w, y + h / 2);
        t.lineTo(x, y + h);
    } else {
        t.moveTo(x + w, y);
        t.lineTo(x, y + h / 2);
        t.lineTo(x + w, y + h);
    }
    t.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawPath(t);
}

void doubleArrow(QPainter& p, qreal y, qreal left, qreal right)
{
    p.setPen(QPen(kBlue, 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(left, y), QPointF(right, y));
    p.drawLine(QPointF(left, y), QPointF(left + 3, y - 3));
    p.drawLine(QPointF(left, y), QPointF(left + 3, y + 3));
    p.drawLine(QPointF(right, y), QPointF(right - 3, y - 3));
    p.drawLine(QPointF(right, y), QPointF(right - 3, y + 3));
}

QIcon draw(const QString& caption)
{
    constexpr int s = 20;
    QPixmap pix(s, s);
    pix.fill(Qt::transparent);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);
    if (caption == QStringLiteral("合适大小")) {
        page(p, QRectF(3.5, 2.5, 13, 15));
        p.setPen(QPen(kBlue, 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(6, 5, 8, 10));
    } else if (caption == QStringLiteral("合适宽度")) {
        page(p, QRectF(2.5, 3.5, 15, 13));
        doubleArrow(p, 10, 5, 15);
    } else if (caption == QStringLiteral("缩放100%")) {
        p.setPen(QPen(kInk, 1.6));
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(8.5, 8.5), 6, 6);
        p.drawLine(QPointF(13, 13), QPointF(18, 18));
        QFont f = p.font();
        f.setPixelSize(8);
        f.setBold(true);
        p.setFont(f);
        p.setPen(kBlue);
        p.drawText(QRectF(2.5, 2.5, 12, 12), Qt::AlignCenter, QStringLiteral("1:1"));
    } else if (caption == QStringLiteral("首 页")) {
        p.fillRect(QRectF(4, 4, 2, 12), kBlue);
        triangle(p, 7, 4, 9, 12, false);
    } else if (caption == QStringLiteral("上一页")) {
        triangle(p, 5, 4, 10, 12, false);
    } else if (caption == QStringLiteral("下一页")) {
        triangle(p, 5, 4, 10, 12, true);
    } else if (caption == QStringLiteral("末 页")) {
        triangle(p, 4, 4, 9, 12, true);
        p.fillRect(QRectF(14, 4, 2, 12), kBlue);
    } else if (caption == QStringLiteral("设 置")) {
        // Sliders: the print settings.
        p.setPen(QPen(kInk, 1.4));
        for (int i = 0; i < 3; ++i)
            p.drawLine(QPointF(3, 5 + 5 * i), QPointF(17, 5 + 5 * i));
        p.setBrush(kBlue);
        p.setPen(QPen(kInk, 1));
        const qreal knobs[] = {12, 6, 10};
        for (int i = 0; i < 3; ++i)
            p.drawRect(QRectF(knobs[i] - 2, 3 + 5 * i, 4, 4));
    } else if (caption == QStringLiteral("打 印")) {
        p.end();
        return ToolIcons::drawn(ToolIcons::Print, s);
    } else if (caption == QStringLiteral("导出PDF")) {
        QPainterPath sheet;
        sheet.moveTo(4, 2);
        sheet.lineTo(12, 2);
        sheet.lineTo(16, 6);
        sheet.lineTo(16, 18);
        sheet.lineTo(4, 18);
        sheet.closeSubpath();
        p.setPen(QPen(kInk, 1.2));
        p.setBrush(Qt::white);
        p.drawPath(sheet);
        p.fillRect(QRectF(2, 10, 16, 6), QColor(200, 30, 30));
        QFont f = p.font();
        f.setPixelSize(6);
        f.setBold(true);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(QRectF(2, 10, 16, 6), Qt::AlignCenter, QStringLiteral("PDF"));
    } else if (caption == QStringLiteral("关 闭")) {
        p.setPen(QPen(QColor(190, 40, 40), 2.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(5, 5), QPointF(15, 15));
        p.drawLine(QPointF(15, 5), QPointF(5, 15));
    }
    p.end();
    return QIcon(pix);
}

} // namespace

namespace PreviewIcons {

void decorate(QToolBar* bar)
{
    for (QAction* a : bar->actions()) {
        if (a->isSeparator())
            continue;
        a->setIcon(draw(a->text()));
        a->setToolTip(a->text());
    }
}

} // namespace PreviewIcons
