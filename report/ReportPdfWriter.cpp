#include "report/ReportPdfWriter.h"

#include "report/PdfJoin.h"
#include "report/QuickRep.h"
#include "report/ReportLayout.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTemporaryFile>

#include <memory>

namespace {
void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

QString tr(const char* text)
{
    return QCoreApplication::translate("ReportPdfWriter", text);
}

void setUp(QPdfWriter* writer, const ReportLayout* layout)
{
    writer->setResolution(1200);
    writer->setCreator(QStringLiteral("waybill"));
    writer->setPageSize(
        QPageSize(layout->pageSizeMm(), QPageSize::Millimeter, QString(), QPageSize::ExactMatch));
    writer->setPageOrientation(QPageLayout::Portrait);
    writer->setPageMargins(QMarginsF(0, 0, 0, 0));
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
    return write(layout, path, kPartPages, error, progress);
}

bool ReportPdfWriter::write(ReportLayout* layout, const QString& path, int partPages, QString* error,
                            const std::function<bool(int)>& progress)
{
    if (!layout->isStarted())
        layout->start();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        setError(error, tr("无法写入文件“%1”：%2").arg(path, file.errorString()));
        return false;
    }
    // Parts go beside the file: where there is room for it, there is for
    // them, and a temporary folder may be held in memory.
    const bool parts = partPages > 0 && layout->expectedPageCount() > partPages;
    const QString dir = QFileInfo(path).absolutePath();
    std::unique_ptr<PdfJoin> join;
    if (parts)
        join = std::make_unique<PdfJoin>(&file, dir);
    std::unique_ptr<QTemporaryFile> part;
    std::unique_ptr<QPdfWriter> writer;
    QPainter painter;
    const auto fail = [&](const QString& text) {
        if (painter.isActive())
            painter.end();
        file.cancelWriting();
        setError(error, text);
        return false;
    };
    // Ends the file being written; a part is added to the joined file.
    const auto endFile = [&](QString* why) {
        painter.end();
        writer.reset();
        if (!part)
            return true;
        bool ok = part->flush();
        if (!ok)
            *why = part->errorString();
        ok = ok && join->append(part->fileName(), why);
        part.reset();
        return ok;
    };
    QString why;
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
                    return fail(tr("已取消。"));
                }
            }
        }
        if (page >= layout->pageCount())
            break;
        if (parts ? page % partPages == 0 : page == 0) {
            QIODevice* device = &file;
            if (parts) {
                if (page > 0 && !endFile(&why))
                    return fail(tr("无法写入文件“%1”：%2").arg(path, why));
                part = std::make_unique<QTemporaryFile>(dir + QStringLiteral("/.pdf-part-XXXXXX"));
                if (!part->open())
                    return fail(tr("无法写入文件“%1”：%2").arg(part->fileName(), part->errorString()));
                device = part.get();
            }
            writer = std::make_unique<QPdfWriter>(device);
            setUp(writer.get(), layout);
            if (!painter.begin(writer.get()))
                return fail(tr("无法生成 PDF 文件“%1”。").arg(path));
        } else {
            writer->newPage();
        }
        layout->paintPage(&painter, page);
        ++page;
    }
    if (page == 0)
        return fail(tr("报表没有可输出的页。"));
    if (!endFile(&why) || (join && !join->finish(&why)))
        return fail(tr("无法写入文件“%1”：%2").arg(path, why));
    if (!file.commit()) {
        setError(error, tr("无法写入文件“%1”：%2").arg(path, file.errorString()));
        return false;
    }
    return true;
}
