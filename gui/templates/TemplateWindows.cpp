#include "gui/templates/TemplateWindows.h"

#include "gui/templates/TemplateWindow.h"
#include "gui/widgets/Dialogs.h"

#include <QCoreApplication>

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
    if (TemplateWindow* w = existing(code, variant))
        return w;
    const layouts::Template* t = layouts::findTemplate(code);
    if (!t)
        return nullptr;
    auto* w = new TemplateWindow(*t, variant, m_sources);
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
