#include "gui/widgets/Dialogs.h"

#include "gui/widgets/FontColorDialog.h"

#include <QAbstractButton>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QQueue>
#include <QVBoxLayout>

namespace {

struct Script
{
    bool on = false;
    QQueue<QMessageBox::StandardButton> buttons;
    QQueue<QPair<QString, QString>> files; // empty path = cancel
    QQueue<QPair<QVariant, QColor>> fonts; // invalid font = cancel
    QQueue<int> execs;
    QQueue<QString> texts; // null = cancel
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
    if (QAbstractButton* save = box.button(QMessageBox::Save))
        save->setText(QStringLiteral("保存"));
    if (QAbstractButton* discard = box.button(QMessageBox::Discard))
        discard->setText(QStringLiteral("不保存"));
    return QMessageBox::StandardButton(box.exec());
}

bool Dialogs::confirm(QWidget* parent, const QString& text)
{
    const QMessageBox::StandardButtons buttons = QMessageBox::Ok | QMessageBox::Cancel;
    Script& s = script();
    if (s.on) {
        s.shown.append(
            {QStringLiteral("message"), QStringLiteral("提示"), text, QMessageBox::Warning, buttons});
        return !s.buttons.isEmpty() && s.buttons.dequeue() == QMessageBox::Ok;
    }
    QMessageBox box(QMessageBox::Warning, QStringLiteral("提示"), text, buttons, parent);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("取消"));
    box.setDefaultButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok;
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

bool Dialogs::text(QWidget* parent, const QString& title, const QString& label, QString* value,
                   const std::function<QString(const QString&)>& feedback)
{
    Script& s = script();
    if (s.on) {
        s.shown.append({QStringLiteral("text"), title, label, QMessageBox::NoIcon, {}});
        if (s.texts.isEmpty() || s.texts.head().isNull()) {
            if (!s.texts.isEmpty())
                s.texts.dequeue();
            return false;
        }
        *value = s.texts.dequeue();
        return true;
    }
    QDialog dialog(parent);
    dialog.setWindowTitle(title);
    auto* box = new QVBoxLayout(&dialog);
    auto* prompt = new QLabel(label, &dialog);
    prompt->setWordWrap(true);
    box->addWidget(prompt);
    auto* edit = new QLineEdit(*value, &dialog);
    edit->setObjectName(QStringLiteral("TextBox"));
    box->addWidget(edit);
    auto* note = new QLabel(&dialog);
    note->setObjectName(QStringLiteral("TextNote"));
    note->setWordWrap(true);
    note->setMinimumWidth(360);
    box->addWidget(note);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    box->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    const auto update = [&](const QString& text) {
        const QString line = feedback ? feedback(text) : QString();
        const bool bad = line.startsWith(QLatin1Char('!'));
        note->setText(bad ? line.mid(1) : line);
        note->setStyleSheet(bad ? QStringLiteral("color: #b00000;") : QString());
        buttons->button(QDialogButtonBox::Ok)->setEnabled(!bad);
    };
    QObject::connect(edit, &QLineEdit::textChanged, &dialog, update);
    update(edit->text());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    *value = edit->text();
    return true;
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

void Dialogs::answerText(const QString& text)
{
    script().texts.enqueue(text);
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
    s.texts.clear();
    s.shown.clear();
}
