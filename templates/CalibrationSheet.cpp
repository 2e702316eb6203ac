#include "templates/CalibrationSheet.h"

#include "report/FontSetup.h"
#include "report/QRDBText.h"
#include "report/QuickRep.h"
#include "templates/TemplateReport.h"

#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPen>
#include <QSaveFile>

namespace {

// Ticks of one ruler every millimetre along a length; longer every 5 and 10
// mm, numbered every 10. Units are tenths of a millimetre.
void ruler(QPainter* p, double length, bool horizontal, bool numbers, bool farSide, double across)
{
    for (int mm = 0; mm * 10 <= length; ++mm) {
        const double tick = mm % 10 == 0 ? 30 : (mm % 5 == 0 ? 20 : 10);
        const double at = mm * 10.0;
        const double from = farSide ? across : 0;
        const double to = farSide ? across - tick : tick;
        if (horizontal)
            p->drawLine(QLineF(at, from, at, to));
        else
            p->drawLine(QLineF(from, at, to, at));
        if (numbers && mm % 10 == 0 && mm > 0) {
            const QString n = QString::number(mm);
            if (horizontal)
                p->drawText(QPointF(at + 3, 60), n);
            else
                p->drawText(QPointF(35, at + 12), n);
        }
    }
}

} // namespace

void CalibrationSheet::paint(QPainter* painter, const TemplateReport& tpl)
{
    const TQuickRep* report = tpl.report();
    QPaintDevice* device = painter->device();
    const double u = device->logicalDpiX() / 254.0; // device pixels per tenth
    const double width = std::round(report->Page.Width);
    const double length = std::round(report->Page.Length);

    painter->save();
    painter->scale(1.0, double(device->logicalDpiY()) / device->logicalDpiX());
    painter->fillRect(QRectF(0, 0, width * u, length * u), Qt::white);
    painter->setClipRect(QRectF(0, 0, width * u, length * u));
    const TQRCalibration& c = report->Calibration;
    painter->translate(c.Dx * u, c.Dy * u);
    painter->scale(c.ScaleX * u, c.ScaleY * u);
    // From here one unit is a tenth of a millimetre on the page.

    painter->setPen(QPen(Qt::black, 1.5));
    QFont small(FontSetup::songFamily());
    small.setPixelSize(25); // 2.5 mm
    painter->setFont(small);
    ruler(painter, width, true, true, false, length);
    ruler(painter, width, true, false, true, length);
    ruler(painter, length, false, true, false, width);
    ruler(painter, length, false, false, true, width);

    const QList<TQRDBText*> items = tpl.items();
    for (const TQRDBText* item : items) {
        if (!item->Enabled)
            continue;
        const QPointF at(item->Size.Left, item->Size.Top);
        painter->drawLine(QLineF(at.x() - kCrossArm, at.y(), at.x() + kCrossArm, at.y()));
        painter->drawLine(QLineF(at.x(), at.y() - kCrossArm, at.x(), at.y() + kCrossArm));
        painter->drawText(at + QPointF(6, 28), item->DataField);
    }
    painter->restore();
}

bool CalibrationSheet::writePdf(const TemplateReport& tpl, const QString& path, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("无法写入文件“%1”：%2").arg(path, file.errorString());
        return false;
    }
    QPdfWriter writer(&file);
    writer.setResolution(1200);
    writer.setCreator(QStringLiteral("waybill"));
    writer.setPageSize(
        QPageSize(tpl.report()->pageSizeMm(), QPageSize::Millimeter, QString(), QPageSize::ExactMatch));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter;
    if (!painter.begin(&writer)) {
        file.cancelWriting();
        if (error)
            *error = QStringLiteral("无法生成 PDF 文件“%1”。").arg(path);
        return false;
    }
    paint(&painter, tpl);
    painter.end();
    if (!file.commit()) {
        if (error)
            *error = QStringLiteral("无法写入文件“%1”：%2").arg(path, file.errorString());
        return false;
    }
    return true;
}
