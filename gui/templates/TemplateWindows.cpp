#include "gui/templates/TemplateWindows.h"

#include "gui/templates/TemplateWindow.h"
#include "gui/widgets/Dialogs.h"

#include "data/store/Database.h"
#include "templates/TemplateReport.h"
#include "templates/UserTemplates.h"

#include <QCoreApplication>
#include <QMetaMethod>

TemplateWindows::TemplateWindows(const TemplateSources& sources, QObject* parent)
    : QObject(parent), m_sources(sources)
{
    // Windows must go before the application object does.
    if (QCoreApplication* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &TemplateWindows::clear);
}

TemplateWindows::~TemplateWindows()
{
    clear();
}

QString TemplateWindows::key(const QString& code, layouts::Variant variant)
{
    return code + QLatin1Char('/') + QString::number(int(variant));
}

TemplateWindow* TemplateWindows::existing(const QString& code, layouts::Variant variant) const
{
    return m_windows.value(key(code, variant)).data();
}

TemplateWindow* TemplateWindows::window(const QString& code, layouts::Variant variant)
{
    TemplateWindow* w = existing(code, variant);
    const layouts::Template* t = layouts::findTemplate(code);
    if (!t) {
        Database db;
        TemplateDesign design;
        QString error;
        if (!db.open(m_sources.database(), &error, false))
            return nullptr;
        if (!UserTemplates::load(db, code, &design, &error)) {
            // Taken away meanwhile, maybe on another computer.
            Dialogs::error(nullptr, error);
            return nullptr;
        }
        // Calibration lives beside the design: compare the layout only.
        if (w) {
            TemplateDesign shown = w->layout()->templateDesign();
            shown.calibrationDx = design.calibrationDx;
            shown.calibrationDy = design.calibrationDy;
            shown.scaleX = design.scaleX;
            shown.scaleY = design.scaleY;
            shown.wordWrap = design.wordWrap;
            if (shown == design)
                return w;
            delete w;
        }
        w = new TemplateWindow(design, variant, m_sources);
    } else if (w) {
        return w;
    } else {
        w = new TemplateWindow(*t, variant, m_sources);
    }
    w->setCopyActionVisible(isSignalConnected(QMetaMethod::fromSignal(&TemplateWindows::copyAsUserTemplate)));
    connect(w, &TemplateWindow::copyAsUserTemplate, this, &TemplateWindows::copyAsUserTemplate);
    m_windows.insert(key(code, variant), w);
    return w;
}

int TemplateWindows::exec(const QString& code, layouts::Variant variant)
{
    TemplateWindow* w = window(code, variant);
    return w ? w->exec() : -1;
}

void TemplateWindows::setDatabasePath(const QString& path)
{
    m_sources.databasePath = path;
    for (const QPointer<TemplateWindow>& w : std::as_const(m_windows))
        if (w)
            w->setSources(m_sources);
}

void TemplateWindows::clear()
{
    for (const QPointer<TemplateWindow>& w : std::as_const(m_windows))
        delete w.data();
    m_windows.clear();
}

void TemplateWindows::openSelection(const QString& code, layouts::Variant variant,
                                    const PrintSelection& selection)
{
    TemplateWindow* w = window(code, variant);
    if (!w)
        return;
    w->setSelection(selection);
    w->exec();
    w->setSelection(PrintSelection::all());
}

void TemplateWindows::reprint(const QString& code, layouts::Variant variant, const PrintSelection& rows,
                              qint64 senderRow)
{
    TemplateWindow* w = window(code, variant);
    QString error;
    if (!w)
        Dialogs::error(nullptr, QStringLiteral("没有模板“%1”。").arg(code));
    else if (!w->reprint(rows, senderRow, &error))
        Dialogs::error(nullptr, error);
}
