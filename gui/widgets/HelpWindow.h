#pragma once

#include <QDialog>

class QTextBrowser;

// "使用说明": the program's short help, shipped inside the program, in a
// window of its own that stays open beside the main window.
class HelpWindow : public QDialog
{
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // The help as shipped (HTML).
    static QString helpHtml();
    // What the window shows, as plain text.
    QString shownText() const;

private:
    QTextBrowser* m_text = nullptr;
};
