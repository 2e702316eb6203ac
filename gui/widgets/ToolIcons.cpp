#include "gui/widgets/ToolIcons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

const QColor kTeal(0, 128, 128);
const QColor kDark(40, 60, 90);

void person(QPainter& p, const QRectF& r, const QColor& c)
{
    p.setBrush(c);
    p.setPen(Qt::NoPen);
    const qreal w = r.width();
    p.drawEllipse(QPointF(r.center().x(), r.top() + w * 0.28), w * 0.18, w * 0.18);
    QPainterPath body;
    body.moveTo(r.left() + w * 0.15, r.bottom());
    body.cubicTo(r.left() + w * 0.15, r.top() + w * 0.45, r.right() - w * 0.15, r.top() + w * 0.45,
                 r.right() - w * 0.15, r.bottom());
    body.closeSubpath();
    p.drawPath(body);
}

void printer(QPainter& p, qreal s, const QColor& body)
{
    p.setPen(QPen(kDark, s / 24));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(s * 0.28, s * 0.1, s * 0.44, s * 0.3)); // paper in
    p.setBrush(body);
    p.drawRoundedRect(QRectF(s * 0.1, s * 0.36, s * 0.8, s * 0.34), s * 0.06, s * 0.06);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(s * 0.28, s * 0.58, s * 0.44, s * 0.32)); // paper out
    p.drawLine(QPointF(s * 0.34, s * 0.7), QPointF(s * 0.66, s * 0.7));
    p.drawLine(QPointF(s * 0.34, s * 0.8), QPointF(s * 0.6, s * 0.8));
}

void arrow(QPainter& p, QPointF from, QPointF to, const QColor& c, qreal width)
{
    p.setPen(QPen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(from, to);
    QLineF l(to, from);
    QLineF a = l;
    a.setLength(width * 2.2);
    a.setAngle(l.angle() + 35);
    p.drawLine(a);
    a.setAngle(l.angle() - 35);
    p.drawLine(a);
}

void disk(QPainter& p, qreal s)
{
    p.setPen(QPen(kDark, s / 24));
    p.setBrush(QColor(70, 110, 170));
    p.drawRoundedRect(QRectF(s * 0.12, s * 0.12, s * 0.76, s * 0.76), s * 0.06, s * 0.06);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(s * 0.26, s * 0.12, s * 0.48, s * 0.26));
    p.setBrush(QColor(220, 220, 220));
    p.drawRect(QRectF(s * 0.24, s * 0.55, s * 0.52, s * 0.33));
}

void draw(QPainter& p, ToolIcons::Kind kind, qreal s)
{
    p.setRenderHint(QPainter::Antialiasing);
    switch (kind) {
    case ToolIcons::Sender:
        person(p, QRectF(s * 0.1, s * 0.08, s * 0.62, s * 0.84), kTeal);
        arrow(p, QPointF(s * 0.62, s * 0.5), QPointF(s * 0.94, s * 0.5), QColor(220, 120, 0), s / 12);
        break;
    case ToolIcons::Recipient:
        person(p, QRectF(s * 0.32, s * 0.08, s * 0.62, s * 0.84), QColor(60, 100, 180));
        arrow(p, QPointF(s * 0.04, s * 0.5), QPointF(s * 0.36, s * 0.5), QColor(0, 150, 70), s / 12);
        break;
    case ToolIcons::Print:
        printer(p, s, QColor(200, 200, 210));
        break;
    case ToolIcons::BatchPrint:
        p.setPen(QPen(kDark, s / 24));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(s * 0.36, s * 0.02, s * 0.44, s * 0.3));
        printer(p, s, QColor(180, 200, 230));
        break;
    case ToolIcons::Excel: {
        p.setPen(QPen(QColor(20, 110, 60), s / 24));
        p.setBrush(Qt::white);
        const QRectF r(s * 0.12, s * 0.12, s * 0.76, s * 0.76);
        p.drawRect(r);
        for (int i = 1; i < 4; ++i) {
            p.drawLine(QPointF(r.left(), r.top() + r.height() * i / 4),
                       QPointF(r.right(), r.top() + r.height() * i / 4));
            p.drawLine(QPointF(r.left() + r.width() * i / 3, r.top()),
                       QPointF(r.left() + r.width() * i / 3, r.bottom()));
        }
        p.fillRect(QRectF(r.left(), r.top(), r.width(), r.height() / 4), QColor(20, 110, 60));
        break;
    }
    case ToolIcons::Export:
        p.setPen(QPen(kDark, s / 24));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(s * 0.1, s * 0.1, s * 0.5, s * 0.8));
        arrow(p, QPointF(s * 0.4, s * 0.5), QPointF(s * 0.94, s * 0.5), QColor(0, 150, 70), s / 10);
        break;
    case ToolIcons::Backup:
        disk(p, s);
        break;
    case ToolIcons::Restore:
        disk(p, s);
        arrow(p, QPointF(s * 0.9, s * 0.2), QPointF(s * 0.5, s * 0.72), QColor(220, 120, 0), s / 10);
        break;
    case ToolIcons::Tools: {
        p.setPen(QPen(QColor(110, 110, 120), s / 7, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(s * 0.22, s * 0.78), QPointF(s * 0.62, s * 0.38));
        p.setPen(QPen(QColor(110, 110, 120), s / 14));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(s * 0.5, s * 0.1, s * 0.4, s * 0.4), 200 * 16, 260 * 16);
        break;
    }
    case ToolIcons::Help: {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(50, 110, 200));
        p.drawEllipse(QRectF(s * 0.08, s * 0.08, s * 0.84, s * 0.84));
        QFont f;
        f.setPixelSize(int(s * 0.62));
        f.setBold(true);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(QRectF(0, 0, s, s), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    case ToolIcons::Exit: {
        const QColor red(200, 40, 40);
        p.setPen(QPen(red, s / 10, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(s * 0.18, s * 0.2, s * 0.64, s * 0.64), 120 * 16, 300 * 16);
        p.drawLine(QPointF(s * 0.5, s * 0.1), QPointF(s * 0.5, s * 0.48));
        break;
    }
    case ToolIcons::Close:
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(200, 60, 50));
        p.drawRoundedRect(QRectF(0, 0, s, s), s * 0.2, s * 0.2);
        p.setPen(QPen(Qt::white, s / 7, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(s * 0.3, s * 0.3), QPointF(s * 0.7, s * 0.7));
        p.drawLine(QPointF(s * 0.7, s * 0.3), QPointF(s * 0.3, s * 0.7));
        break;
    case ToolIcons::App:
        p.setPen(QPen(kDark, s / 24));
        p.setBrush(QColor(250, 240, 200));
        p.drawRect(QRectF(s * 0.06, s * 0.18, s * 0.88, s * 0.64));
        p.setPen(QPen(QColor(200, 40, 40), s / 20));
        for (int i = 0; i < 3; ++i)
            p.drawLine(QPointF(s * 0.16, s * (0.34 + i * 0.14)), QPointF(s * 0.56, s * (0.34 + i * 0.14)));
        p.setBrush(kTeal);
        p.setPen(Qt::NoPen);
        p.drawRect(QRectF(s * 0.64, s * 0.3, s * 0.2, s * 0.4));
        break;
    case ToolIcons::Link: {
        p.setPen(Qt::NoPen);
        QLinearGradient g(0, 0, 0, s);
        g.setColorAt(0, QColor(90, 160, 230));
        g.setColorAt(1, QColor(30, 90, 170));
        p.setBrush(g);
        p.drawEllipse(QRectF(s * 0.05, s * 0.05, s * 0.9, s * 0.9));
        p.setPen(QPen(Qt::white, s / 20));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(s * 0.3, s * 0.05, s * 0.4, s * 0.9));
        p.drawLine(QPointF(s * 0.05, s * 0.5), QPointF(s * 0.95, s * 0.5));
        break;
    }
    }
}

} // namespace

QIcon ToolIcons::drawn(Kind kind, int size)
{
    QIcon icon;
    for (int scale : {1, 2}) {
        QPixmap pm(size * scale, size * scale);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        draw(p, kind, size * scale);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

QIcon ToolIcons::icon(Kind kind)
{
    // Drawn throughout: a toolbar mixing theme icons with ours looks patched.
    return drawn(kind);
}

QPixmap ToolIcons::titleBackground(int width, int height)
{
    QPixmap pm(qMax(1, width), qMax(1, height));
    QPainter p(&pm);
    QLinearGradient g(0, 0, 0, height);
    g.setColorAt(0, QColor(120, 190, 200));
    g.setColorAt(0.5, QColor(40, 140, 160));
    g.setColorAt(1, QColor(20, 110, 130));
    p.fillRect(pm.rect(), g);
    return pm;
}
