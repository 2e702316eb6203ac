#pragma once

#include "data/tracking/PrintSelection.h"
#include "gui/templates/TemplateSources.h"
#include "templates/TemplateDesign.h"
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
//   TemplateWindows windows(sources);
//   windows.exec("st", layouts::Variant::Batch);
//   connect(mainForm, &TMainForm::templateRequested, &windows, &TemplateWindows::open);
class TemplateWindows : public QObject
{
    Q_OBJECT
public:
    explicit TemplateWindows(const TemplateSources& sources, QObject* parent = nullptr);
    ~TemplateWindows() override;

    // What windows made from now on print from; windows made already keep
    // theirs until told (the lists live as long as the program's windows).
    void setSources(const TemplateSources& sources) { m_sources = sources; }
    // Another address book, for the windows made already too (the user
    // chose one under "数据库位置…").
    void setDatabasePath(const QString& path);

    // The window, made on first use; null for an unknown template code. A
    // template of the shop's own is read from the address book each time:
    // a window of an older state of it (changed here or on another
    // computer) is made again.
    TemplateWindow* window(const QString& code, layouts::Variant variant);
    // The window if it was made already.
    TemplateWindow* existing(const QString& code, layouts::Variant variant) const;
    // Shows the window modally and returns when it closes (QDialog result);
    // -1 for an unknown template code.
    int exec(const QString& code, layouts::Variant variant);

public slots:
    // For the print menus' templateRequested(code, variant) signals.
    void open(const QString& code, layouts::Variant variant) { exec(code, variant); }
    // A batch window that prints only these rows, until it closes.
    void openSelection(const QString& code, layouts::Variant variant, const PrintSelection& selection);
    // The print history's reprint: the preview of these rows at once.
    void reprint(const QString& code, layouts::Variant variant, const PrintSelection& rows, qint64 senderRow);

signals:
    // A template window's "复制为自定义模板" (shown only while something is
    // connected here): a new template of the shop's own from design.
    void copyAsUserTemplate(const TemplateDesign& design);

public:
    // Destroys every window (at the end of the run, and between tests).
    void clear();

private:
    static QString key(const QString& code, layouts::Variant variant);

    TemplateSources m_sources;
    QHash<QString, QPointer<TemplateWindow>> m_windows;
};
