#include "templates/TemplateWindows.h"

#include "templates/TemplateWindow.h"

#include <QCoreApplication>

TemplateWindows::TemplateWindows()
{
    // Windows must go before the application object does.
    if (QCoreApplication* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &TemplateWindows::clear);
}

TemplateWindows& TemplateWindows::instance()
{
    // Never destroyed: the windows are released on aboutToQuit or clear().
    static TemplateWindows* registry = new TemplateWindows();
    return *registry;
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
    auto* w = new TemplateWindow(*t, variant);
    m_windows.insert(key(code, variant), w);
    return w;
}

int TemplateWindows::exec(const QString& code, layouts::Variant variant)
{
    TemplateWindow* w = window(code, variant);
    return w ? w->exec() : -1;
}

void TemplateWindows::clear()
{
    for (const QPointer<TemplateWindow>& w : std::as_const(m_windows))
        delete w.data();
    m_windows.clear();
}
