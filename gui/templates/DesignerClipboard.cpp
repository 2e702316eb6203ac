#include "gui/templates/DesignerClipboard.h"

#include "gui/templates/DesignerEdits.h"
#include "templates/TemplateFile.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QStringList>

namespace DesignerClipboard {

void put(const TemplateDesign& design, const QVector<DesignItem>& items)
{
    TemplateDesign part;
    part.pageMm = design.pageMm;
    part.bandMm = design.bandMm;
    part.items = items;
    QStringList lines;
    for (const DesignItem& i : items)
        lines << DesignerEdits::label(i);
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(kMimeType), TemplateFile::toJson(part, false));
    data->setText(lines.join(QLatin1Char('\n')));
    QGuiApplication::clipboard()->setMimeData(data);
}

QVector<DesignItem> items()
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data || !data->hasFormat(QString::fromLatin1(kMimeType)))
        return {};
    TemplateDesign part;
    QString error;
    if (!TemplateFile::fromJson(data->data(QString::fromLatin1(kMimeType)), &part, &error))
        return {};
    return part.items;
}

bool hasItems()
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasFormat(QString::fromLatin1(kMimeType));
}

} // namespace DesignerClipboard
