#pragma once

#include "templates/layouts/Catalogue.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>

class TemplateWindow;

// The 80 template windows of a run. Each is made the first time it is
// asked for and kept until the program ends, so its shifts, fonts and box
// contents are still there the next time it is opened.
//
//   TemplateWindows::instance().exec("st", layouts::Variant::Batch);
//   connect(mainForm, &TMainForm::templateRequested, &TemplateWindows::instance(),
//           &TemplateWindows::open);
class TemplateWindows : public QObject
{
    Q_OBJECT
public:
    static TemplateWindows& instance();

    // The window, made on first use; null for an unknown template code.
    TemplateWindow* window(const QString& code, layouts::Variant variant);
    // The window if it was made already.
    TemplateWindow* existing(const QString& code, layouts::Variant variant) const;
    // Shows the window modally and returns when it closes (QDialog result);
    // -1 for an unknown template code.
    int exec(const QString& code, layouts::Variant variant);

public slots:
    // For the print menus' templateRequested(code, variant) signals.
    void open(const QString& code, layouts::Variant variant) { exec(code, variant); }

public:
    // Destroys every window (at the end of the run, and between tests).
    void clear();

private:
    TemplateWindows();
    static QString key(const QString& code, layouts::Variant variant);

    QHash<QString, QPointer<TemplateWindow>> m_windows;
};
