#pragma once

#include <QFont>
#include <QList>
#include <QMessageBox>
#include <QString>
#include <QVariant>

#include <functional>

class QDialog;

// Every dialog the program shows goes through here, so that tests can set
// the next answer instead of a person clicking, and read back what was shown.
// Outside scripted mode the real dialogs run.
class Dialogs
{
public:
    struct Shown
    {
        QString kind;  // "message", "open", "save", "font", "dialog"
        QString title; // caption of the box or dialog
        QString text;  // message text
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
    };

    // The program's message box: caption "提示" unless given, owned by parent.
    static QMessageBox::StandardButton message(QWidget* parent, const QString& text,
                                               QMessageBox::Icon icon = QMessageBox::NoIcon,
                                               QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                               const QString& title = QStringLiteral("提示"));
    // A warning whose safe answer is the default: "取消" has the focus, so
    // Enter does not go on. True for "确定"; scripted, the answer given or
    // else "取消".
    static bool confirm(QWidget* parent, const QString& text);
    // The standard error dialog: shows an error text with an error icon.
    static void error(QWidget* parent, const QString& text);

    // File dialogs. An empty result means cancelled.
    static QString openFileName(QWidget* parent, const QString& caption, const QString& dir = {},
                                const QString& filter = {});
    static QString saveFileName(QWidget* parent, const QString& caption, const QString& dir = {},
                                const QString& filter = {}, QString* selectedFilter = nullptr);
    // Font dialog starting at font (and color, when given); true and the
    // chosen font and colour when confirmed.
    static bool font(QWidget* parent, QFont* font, const QString& caption = {}, QColor* color = nullptr);
    // A one-line text prompt; true and *value when confirmed. feedback, when
    // given, turns the text typed so far into a line shown under the box;
    // a line starting with "!" is an error and OK waits for a better text.
    static bool text(QWidget* parent, const QString& title, const QString& label, QString* value,
                     const std::function<QString(const QString&)>& feedback = {});
    // Any other modal dialog (print setup and the like): its exec() result.
    static int exec(QDialog* dialog);

    // --- scripted mode, for tests ---
    static void setScripted(bool on);
    static bool isScripted();
    // Answers, taken in order by the dialogs of the matching kind. With no
    // answer queued, a message box answers its first button (OK), a file or
    // font dialog is cancelled, exec() is rejected.
    static void answerButton(QMessageBox::StandardButton b);
    // An empty path answers the next file dialog with Cancel.
    static void answerFile(const QString& path, const QString& selectedFilter = {});
    static void answerFont(const QFont& f, const QColor& color = Qt::black);
    static void answerFontCancel();
    static void answerExec(int result);
    // A null text answers the next text prompt with Cancel.
    static void answerText(const QString& text);
    static QList<Shown> shown();
    static Shown lastShown();
    static void clear(); // forget shown dialogs and queued answers
};
