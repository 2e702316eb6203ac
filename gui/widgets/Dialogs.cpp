#include "gui/widgets/Dialogs.h"

#include "gui/widgets/FontColorDialog.h"

#include <QAbstractButton>
#include <QDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QQueue>

namespace {

struct Script
{
    bool on = false;
    QQueue<QMessageBox::StandardButton> buttons;
    QQueue<QPair<QString, QString>> files; // empty path = cancel
    QQueue<QPair<QVariant, QColor>> fonts; // invalid font = cancel
    QQueue<int> execs;
    QList<Dialogs::Shown> shown;
};

Script& script()
{
    static Script s;
    return s;
}

QMessageBox::StandardButton firstButton(QMessageBox::StandardButtons buttons)
{
    for (int b = QMessageBox::FirstButton; b <= QMessageBox::LastButton; b <<= 1)
        if (buttons & b)
            return QMessageBox::StandardButton(b);
    return QMessageBox::NoButton;
}

} // namespace

QMessageBox::StandardButton Dialogs::message(QWidget* parent, const QString& text, QMessageBox::Icon icon,
                                             QMessageBox::StandardButtons buttons, const QString& title)
{
    Script& s = script();
    if (s.on) {
        s.shown.append({QStringLiteral("message"), title, text, icon, buttons});
        if (!s.buttons.isEmpty())
            return s.buttons.dequeue();
        return firstButton(buttons);
    }
    QMessageBox box(icon, title, text, buttons, parent);
    if (QAbstractButton* ok = box.button(QMessageBox::Ok))
        ok->setText(QStringLiteral("确定"));
    if (QAbstractButton* cancel = box.button(QMessageBox::Cancel))
        cancel->setText(QStringLiteral("取消"));
    return QMessageBox::StandardButton(box.exec());
}

void Dialogs::error(QWidget* parent, const QString& text)
{
    message(parent, text, QMessageBox::Critical, QMessageBox::Ok, QStringLiteral("错误"));
}

QString Dialogs::openFileName(QWidget* parent, const QString& caption, const QString& dir,
                              const QString& filter)
{
    Script& s = script();
    if (s.on) {
        s.shown.append({QStringLiteral("open"), caption, filter, QMessageBox::NoIcon, {}});
        return s.files.isEmpty() ? QString() : s.files.dequeue().first;
    }
    return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

QString Dialogs::saveFileName(QWidget* parent, const QString& caption, const QString& dir,
                              const QString& filter, QString* selectedFilter)
{
    Script& s = script();
    if (s.on) {
        s.shown.append({QStringLiteral("save"), caption, filter, QMessageBox::NoIcon, {}});
        if (s.files.isEmpty())
            return {};
        const auto answer = s.files.dequeue();
        if (selectedFilter && !answer.second.isEmpty())
            *selectedFilter = answer.second;
        return answer.first;
    }
    return QFileDialog::getSaveFileName(parent, caption, dir, filter, selectedFilter);
}

bool Dialogs::font(QWidget* parent, QFont* font, const QString& caption, QColor* color)
{
    Script& s = script();
    if (s.on) {
        s.shown.append({QStringLiteral("font"), caption, font->toString(), QMessageBox::NoIcon, {}});
        if (s.fonts.isEmpty())
            return false;
        const auto answer = s.fonts.dequeue();
        if (!answer.first.isValid())
            return false;
        *font = answer.first.value<QFont>();
        if (color)
            *color = answer.second;
        return true;
    }
    if (color) {
        FontColorDialog dialog(*font, *color, parent);
        if (!caption.isEmpty())
            dialog.setWindowTitle(caption);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        *font = dialog.selectedFont();
        *color = dialog.selectedColor();
        return true;
    }
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, *font, parent, caption);
    if (ok)
        *font = chosen;
    return ok;
}

int Dialogs::exec(QDialog* dialog)
{
    Script& s = script();
    if (s.on) {
        s.shown.append({QStringLiteral("dialog"), dialog->windowTitle(), {}, QMessageBox::NoIcon, {}});
        return s.execs.isEmpty() ? int(QDialog::Rejected) : s.execs.dequeue();
    }
    return dialog->exec();
}

void Dialogs::setScripted(bool on)
{
    script().on = on;
}

bool Dialogs::isScripted()
{
    return script().on;
}

void Dialogs::answerButton(QMessageBox::StandardButton b)
{
    script().buttons.enqueue(b);
}

void Dialogs::answerFile(const QString& path, const QString& selectedFilter)
{
    script().files.enqueue({path, selectedFilter});
}

void Dialogs::answerFont(const QFont& f, const QColor& color)
{
    script().fonts.enqueue({QVariant::fromValue(f), color});
}

void Dialogs::answerFontCancel()
{
    script().fonts.enqueue({QVariant(), QColor()});
}

void Dialogs::answerExec(int result)
{
    script().execs.enqueue(result);
}

QList<Dialogs::Shown> Dialogs::shown()
{
    return script().shown;
}

Dialogs::Shown Dialogs::lastShown()
{
    return script().shown.isEmpty() ? Shown{} : script().shown.last();
}

void Dialogs::clear()
{
    Script& s = script();
    s.buttons.clear();
    s.files.clear();
    s.fonts.clear();
    s.execs.clear();
    s.shown.clear();
}
