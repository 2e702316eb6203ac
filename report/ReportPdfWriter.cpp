#include "report/ReportPdfWriter.h"

#include "report/QuickRep.h"
#include "report/ReportLayout.h"

#include <QCoreApplication>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

namespace {
void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}
} // namespace

bool ReportPdfWriter::write(TQuickRep* report, const QString& path, QString* error,
                            const std::function<bool(int)>& progress)
{
    ReportLayout layout(report);
    layout.start();
    return write(&layout, path, error, progress);
}

bool ReportPdfWriter::write(ReportLayout* layout, const QString& path, QString* error,
                            const std::function<bool(int)>& progress)
{
    if (!layout->isStarted())
        layout->start();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        setError(error, QCoreApplication::translate("ReportPdfWriter", "无法写入文件“%1”：%2")
                            .arg(path, file.errorString()));
        return false;
    }
    QPdfWriter writer(&file);
    writer.setResolution(1200);
    writer.setCreator(QStringLiteral("waybill"));
    writer.setPageSize(
        QPageSize(layout->pageSizeMm(), QPageSize::Millimeter, QString(), QPageSize::ExactMatch));
    writer.setPageOrientation(QPageLayout::Portrait);
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));

    QPainter painter;
    int page = 0;
    int lastPercent = -1;
    // Pages are made as they are written: a page is painted once the next
    // one has started (or the run has finished).
    while (true) {
        while (layout->pageCount() <= page + 1 && !layout->isFinished()) {
            layout->step();
            if (progress && layout->progress() != lastPercent) {
                lastPercent = layout->progress();
                if (!progress(lastPercent)) {
                    layout->cancel();
                    if (painter.isActive())
                        painter.end();
                    file.cancelWriting();
                    setError(error, QCoreApplication::translate("ReportPdfWriter", "已取消。"));
                    return false;
                }
            }
        }
        if (page >= layout->pageCount())
            break;
        if (page == 0) {
            if (!painter.begin(&writer)) {
                file.cancelWriting();
                setError(error,
                         QCoreApplication::translate("ReportPdfWriter", "无法生成 PDF 文件“%1”。").arg(path));
                return false;
            }
        } else {
            writer.newPage();
        }
        layout->paintPage(&painter, page);
        ++page;
    }
    if (page == 0) {
        file.cancelWriting();
        setError(error, QCoreApplication::translate("ReportPdfWriter", "报表没有可输出的页。"));
        return false;
    }
    painter.end();
    if (!file.commit()) {
        setError(error, QCoreApplication::translate("ReportPdfWriter", "无法写入文件“%1”：%2")
                            .arg(path, file.errorString()));
        return false;
    }
    return true;
}
