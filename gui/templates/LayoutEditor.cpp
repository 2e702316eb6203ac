#include "gui/templates/LayoutEditor.h"

#include "data/store/Database.h"
#include "gui/widgets/Dialogs.h"
#include "report/QRDBText.h"
#include "report/QuickRep.h"
#include "templates/BackgroundPicture.h"
#include "templates/TemplateReport.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>

#include <cmath>

namespace {
constexpr double kPpi = 96.0;
// The picture behind the page never needs more pixels than this across.
constexpr int kPictureWidth = 2400;

QImage decodePicture(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.width() > kPictureWidth)
        reader.setScaledSize(size.scaled(kPictureWidth, size.height() * kPictureWidth / size.width() + 1,
                                         Qt::KeepAspectRatio));
    return reader.read();
}
} // namespace

LayoutEditor::LayoutEditor(TemplateReport* tpl, QWidget* itemLayer, QLabel* image, const QRect& builtInRect,
                           std::function<QString()> databasePath, QWidget* window)
    : QObject(window), m_tpl(tpl), m_layer(itemLayer), m_image(image), m_builtInRect(builtInRect),
      m_databasePath(std::move(databasePath)), m_window(window)
{
    m_layer->setFocusPolicy(Qt::ClickFocus);
    m_layer->installEventFilter(this);
}

void LayoutEditor::reload()
{
    Database db;
    QString error;
    TemplateAdjustment a;
    if (db.open(m_databasePath(), &error, false))
        a = LayoutAdjustments::load(db, m_tpl->code(), &error);
    // No address book yet: the layout as designed.
    m_tpl->setAdjustment(a);
    showPicture();
    m_layer->update();
}

void LayoutEditor::showPicture()
{
    const QByteArray& own = m_tpl->adjustment().picture;
    QImage picture = own.isEmpty() ? QImage() : decodePicture(own);
    m_tpl->report()->ScreenPicture = picture;
    if (!picture.isNull()) {
        m_image->setGeometry(m_layer->rect());
        m_image->setPixmap(QPixmap::fromImage(picture));
    } else {
        m_image->setGeometry(m_builtInRect);
        const QString builtIn = m_tpl->builtInPicture();
        QPixmap pixmap(builtIn);
        // The shop's own templates carry their picture in the design.
        if (builtIn.isEmpty() && !m_tpl->templateDesign().picture.isEmpty())
            pixmap = QPixmap::fromImage(decodePicture(m_tpl->templateDesign().picture));
        m_image->setPixmap(pixmap);
    }
}

bool LayoutEditor::store(const std::function<bool(Database&, QString*)>& write)
{
    Database db;
    QString error;
    if (!db.open(m_databasePath(), &error, false) || !write(db, &error)) {
        Dialogs::error(m_window, QStringLiteral("无法保存模板调整：%1").arg(error));
        return false;
    }
    return true;
}

void LayoutEditor::select(TQRDBText* item)
{
    if (m_selected == item)
        return;
    m_selected = item;
    m_layer->update();
    emit selectionChanged(item);
}

bool LayoutEditor::nudge(int dx, int dy)
{
    if (!m_selected)
        return false;
    ItemAdjustment a = m_tpl->itemAdjustment(m_selected);
    a.dx = qBound(-LayoutAdjustments::kMaxOffsetTenths, a.dx + dx, LayoutAdjustments::kMaxOffsetTenths);
    a.dy = qBound(-LayoutAdjustments::kMaxOffsetTenths, a.dy + dy, LayoutAdjustments::kMaxOffsetTenths);
    m_tpl->setItemAdjustment(m_selected, a);
    m_layer->update();
    const QString code = m_tpl->code();
    const QString variant = layouts::variantName(m_tpl->variant());
    const QString name = m_selected->objectName();
    return store(
        [&](Database& db, QString* e) { return LayoutAdjustments::setItem(db, code, variant, name, a, e); });
}

bool LayoutEditor::setHidden(bool hidden)
{
    if (!m_selected)
        return false;
    ItemAdjustment a = m_tpl->itemAdjustment(m_selected);
    a.hidden = hidden;
    m_tpl->setItemAdjustment(m_selected, a);
    m_layer->update();
    emit selectionChanged(m_selected);
    const QString code = m_tpl->code();
    const QString variant = layouts::variantName(m_tpl->variant());
    const QString name = m_selected->objectName();
    return store(
        [&](Database& db, QString* e) { return LayoutAdjustments::setItem(db, code, variant, name, a, e); });
}

bool LayoutEditor::resetSelected()
{
    if (!m_selected)
        return false;
    m_tpl->setItemAdjustment(m_selected, ItemAdjustment());
    m_layer->update();
    emit selectionChanged(m_selected);
    const QString code = m_tpl->code();
    const QString variant = layouts::variantName(m_tpl->variant());
    const QString name = m_selected->objectName();
    return store(
        [&](Database& db, QString* e) { return LayoutAdjustments::reset(db, code, variant, name, e); });
}

bool LayoutEditor::resetTemplate()
{
    // All fitting work at once: asked first, and kept for undoResetTemplate().
    const QString lost = LayoutAdjustments::summary(m_tpl->adjustment());
    if (lost.isEmpty()) {
        Dialogs::message(m_window, QStringLiteral("这个模板没有任何调整，已是默认状态。"));
        return false;
    }
    if (Dialogs::message(m_window,
                         QStringLiteral("要把整个模板恢复为默认吗？\n\n将清除：%1。\n\n"
                                        "清除前的调整会保留一份，可用“恢复默认 → 撤销恢复模板”找回。")
                             .arg(lost),
                         QMessageBox::Question, QMessageBox::Ok | QMessageBox::Cancel,
                         QStringLiteral("恢复整个模板")) != QMessageBox::Ok)
        return false;
    const QString code = m_tpl->code();
    const bool ok =
        store([&](Database& db, QString* e) { return LayoutAdjustments::resetKeeping(db, code, e); });
    reload();
    emit selectionChanged(m_selected);
    return ok;
}

bool LayoutEditor::canUndoReset() const
{
    Database db;
    return db.open(m_databasePath(), nullptr, false) &&
           LayoutAdjustments::hasKept(db, m_tpl->code());
}

bool LayoutEditor::undoResetTemplate()
{
    // Adjustments made since the reset give way to the kept ones.
    const QString replaced = LayoutAdjustments::summary(m_tpl->adjustment());
    if (!replaced.isEmpty() &&
        Dialogs::message(m_window,
                         QStringLiteral("恢复模板之后又做了调整（%1），找回以前的调整会替换它们。要继续吗？")
                             .arg(replaced),
                         QMessageBox::Question, QMessageBox::Ok | QMessageBox::Cancel,
                         QStringLiteral("撤销恢复模板")) != QMessageBox::Ok)
        return false;
    const QString code = m_tpl->code();
    const bool ok =
        store([&](Database& db, QString* e) { return LayoutAdjustments::restoreKept(db, code, e); });
    reload();
    emit selectionChanged(m_selected);
    return ok;
}

bool LayoutEditor::setPicture(const QString& path)
{
    QByteArray bytes;
    QString error;
    if (!BackgroundPicture::read(path, &bytes, &error)) {
        Dialogs::error(m_window, error);
        return false;
    }
    const QString code = m_tpl->code();
    if (!store([&](Database& db, QString* e) { return LayoutAdjustments::setPicture(db, code, bytes, e); }))
        return false;
    reload();
    return true;
}

bool LayoutEditor::resetPicture()
{
    const QString code = m_tpl->code();
    const bool ok =
        store([&](Database& db, QString* e) { return LayoutAdjustments::setPicture(db, code, {}, e); });
    reload();
    return ok;
}

bool LayoutEditor::setCalibration(int dx, int dy, double scaleX, double scaleY)
{
    const QString code = m_tpl->code();
    const bool ok = store([&](Database& db, QString* e) {
        return LayoutAdjustments::setCalibration(db, code, dx, dy, scaleX, scaleY, e);
    });
    reload();
    return ok;
}

QRect LayoutEditor::itemRect(const TQRDBText* item) const
{
    const TQuickRep* rep = m_tpl->report();
    QFontMetricsF fm(item->Font, m_layer);
    const double textWidth = fm.horizontalAdvance(item->DataField);
    const double width = std::max(rep->tenthsToPixels(item->Size.Width, kPpi), textWidth);
    return QRectF(rep->tenthsToPixels(item->Size.Left, kPpi), rep->tenthsToPixels(item->Size.Top, kPpi),
                  width, rep->tenthsToPixels(item->Size.Height, kPpi))
        .toAlignedRect();
}

TQRDBText* LayoutEditor::itemAt(const QPoint& pos) const
{
    const QList<TQRDBText*> items = m_tpl->items();
    // The last drawn is on top.
    for (int i = items.size() - 1; i >= 0; --i)
        if (itemRect(items.at(i)).contains(pos))
            return items.at(i);
    return nullptr;
}

void LayoutEditor::paint()
{
    QPainter painter(m_layer);
    painter.setRenderHint(QPainter::TextAntialiasing);
    // On a busy photo of a form the items and their names would vanish: a
    // light ground under each and a frame of two tones round it, seen on
    // dark and light alike.
    const QList<TQRDBText*> shown = m_tpl->items();
    for (const TQRDBText* item : shown)
        if (item->Enabled)
            painter.fillRect(itemRect(item), QColor(255, 255, 255, 120));
    m_tpl->report()->paintDesign(&painter, kPpi);
    for (const TQRDBText* item : shown) {
        if (!item->Enabled)
            continue;
        const QRect r = itemRect(item).adjusted(0, 0, -1, -1);
        painter.setPen(QPen(QColor(255, 255, 255, 200), 3));
        painter.drawRect(r);
        painter.setPen(QPen(QColor(0, 90, 220, 170), 1));
        painter.drawRect(r);
    }
    // Hidden items stay visible here, greyed, so they can be shown again.
    for (const TQRDBText* item : m_tpl->items()) {
        if (item->Enabled)
            continue;
        const QRect r = itemRect(item);
        painter.setPen(QPen(Qt::gray, 1, Qt::DotLine));
        painter.drawRect(r.adjusted(0, 0, -1, -1));
        painter.setFont(item->Font);
        painter.drawText(r, Qt::AlignLeft | Qt::AlignTop, item->DataField);
    }
    if (m_selected) {
        painter.setPen(QPen(QColor(0, 90, 220), 1, Qt::DashLine));
        painter.setBrush(QColor(0, 90, 220, 40));
        painter.drawRect(itemRect(m_selected).adjusted(-2, -2, 1, 1));
    }
}

bool LayoutEditor::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_layer)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Paint:
        paint();
        return true;
    case QEvent::MouseButtonPress: {
        auto* e = static_cast<QMouseEvent*>(event);
        select(itemAt(e->position().toPoint()));
        m_dragging = m_selected && e->button() == Qt::LeftButton;
        m_dragStart = e->position().toPoint();
        m_dragFrom = m_tpl->itemAdjustment(m_selected);
        return true;
    }
    case QEvent::MouseMove: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (!m_dragging)
            return false;
        // Whole tenths of a millimetre, as the arrow keys move.
        const QPoint d = e->position().toPoint() - m_dragStart;
        ItemAdjustment a = m_dragFrom;
        a.dx += int(std::lround(m_tpl->report()->pixelsToTenths(d.x(), kPpi)));
        a.dy += int(std::lround(m_tpl->report()->pixelsToTenths(d.y(), kPpi)));
        m_tpl->setItemAdjustment(m_selected, a);
        m_layer->update();
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (m_dragging) {
            m_dragging = false;
            // Store where the drag ended; nothing when it never moved.
            const ItemAdjustment now = m_tpl->itemAdjustment(m_selected);
            if (now.dx != m_dragFrom.dx || now.dy != m_dragFrom.dy) {
                m_tpl->setItemAdjustment(m_selected, m_dragFrom);
                nudge(now.dx - m_dragFrom.dx, now.dy - m_dragFrom.dy);
            }
        }
        return true;
    case QEvent::KeyPress: {
        auto* e = static_cast<QKeyEvent*>(event);
        const int step = e->modifiers() & Qt::ShiftModifier ? 10 : 1;
        switch (e->key()) {
        case Qt::Key_Left:
            return nudge(-step, 0), true;
        case Qt::Key_Right:
            return nudge(step, 0), true;
        case Qt::Key_Up:
            return nudge(0, -step), true;
        case Qt::Key_Down:
            return nudge(0, step), true;
        default:
            return false;
        }
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}
