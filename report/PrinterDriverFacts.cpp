#include "report/PrinterDriverFacts.h"

#include "report/ReportLayout.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>

// cupsGetPPD is the way to a queue's PPD that works with every spooler.
#define _PPD_DEPRECATED
#include <cups/cups.h>
#include <cups/ppd.h>

#include <cmath>

namespace {
constexpr double kMmPerPoint = 25.4 / 72;
constexpr double kSixthMm = 25.4 / 6;

QString quoted(const QByteArray& ppd, const QString& keyword)
{
    const QRegularExpression re(QStringLiteral("^\\*%1(?:\\s+[^:]*)?:\\s*\"([^\"]*)\"").arg(keyword),
                                QRegularExpression::MultilineOption);
    return re.match(QString::fromUtf8(ppd)).captured(1);
}
} // namespace

bool PrinterDriverFacts::read(const QString& queue, PrinterDriverFacts* facts, QString* error)
{
    // The spooler hands out a copy of the PPD in a temporary file.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    const char* path = cupsGetPPD(queue.toLocal8Bit().constData());
#pragma GCC diagnostic pop
    if (!path) {
        if (error)
            *error = QStringLiteral("打印机“%1”没有驱动描述文件（PPD）。").arg(queue);
        return false;
    }
    QFile file(QString::fromLocal8Bit(path));
    const bool ok = file.open(QIODevice::ReadOnly);
    const QByteArray text = ok ? file.readAll() : QByteArray();
    file.remove();
    if (!ok) {
        if (error)
            *error = QStringLiteral("无法读取打印机“%1”的驱动描述文件。").arg(queue);
        return false;
    }
    *facts = parse(text);
    return true;
}

PrinterDriverFacts PrinterDriverFacts::parse(const QByteArray& ppd)
{
    PrinterDriverFacts f;
    f.nickName = quoted(ppd, QStringLiteral("NickName"));
    const QString text = QString::fromUtf8(ppd);
    // rastertoepson with the 9- or 24-pin model numbers; the colour
    // models state lengths exactly.
    const bool epson = text.contains(QRegularExpression(QStringLiteral("^\\*cupsFilter2?:.*rastertoepson"),
                                                        QRegularExpression::MultilineOption));
    const QRegularExpressionMatch model = QRegularExpression(QStringLiteral("^\\*cupsModelNumber:\\s*(\\d+)"),
                                                             QRegularExpression::MultilineOption)
                                              .match(text);
    f.sixthsOfInch = epson && model.hasMatch() && model.captured(1).toInt() <= 1;

    // Margins of custom sizes (left bottom right top, points), else those
    // of the default paper.
    const QRegularExpressionMatch hw =
        QRegularExpression(
            QStringLiteral("^\\*HWMargins:\\s*([\\d.]+)\\s+([\\d.]+)\\s+([\\d.]+)\\s+([\\d.]+)"),
            QRegularExpression::MultilineOption)
            .match(text);
    if (hw.hasMatch()) {
        f.marginsMm = QMarginsF(hw.captured(1).toDouble(), hw.captured(4).toDouble(),
                                hw.captured(3).toDouble(), hw.captured(2).toDouble()) *
                      kMmPerPoint;
        return f;
    }
    const QRegularExpressionMatch def = QRegularExpression(QStringLiteral("^\\*DefaultPageSize:\\s*(\\S+)"),
                                                           QRegularExpression::MultilineOption)
                                            .match(text);
    if (!def.hasMatch())
        return f;
    const QString name = QRegularExpression::escape(def.captured(1));
    const QRegularExpressionMatch area =
        QRegularExpression(
            QStringLiteral("^\\*ImageableArea %1[/:][^\"]*\"([\\d.]+) ([\\d.]+) ([\\d.]+) ([\\d.]+)\"")
                .arg(name),
            QRegularExpression::MultilineOption)
            .match(text);
    const QRegularExpressionMatch paper =
        QRegularExpression(QStringLiteral("^\\*PaperDimension %1[/:][^\"]*\"([\\d.]+) ([\\d.]+)\"").arg(name),
                           QRegularExpression::MultilineOption)
            .match(text);
    if (area.hasMatch() && paper.hasMatch()) {
        f.marginsMm =
            QMarginsF(area.captured(1).toDouble(), paper.captured(2).toDouble() - area.captured(4).toDouble(),
                      paper.captured(1).toDouble() - area.captured(3).toDouble(),
                      area.captured(2).toDouble()) *
            kMmPerPoint;
    }
    return f;
}

double PrinterDriverFacts::driftPerFormMm(double pageHeightMm) const
{
    if (!sixthsOfInch)
        return 0;
    // The driver gets the height in whole points and rounds it to sixths.
    const int points = int(std::lround(pageHeightMm / kMmPerPoint));
    const int sixths = int(points / 12.0 + 0.5);
    return sixths * kSixthMm - pageHeightMm;
}

QString PrinterDriverFacts::driftWarning(double pageHeightMm, int forms) const
{
    const double drift = driftPerFormMm(pageHeightMm);
    if (std::abs(drift) < 0.05)
        return {};
    const int last = std::max(2, forms);
    return QStringLiteral(
               "这台打印机的驱动程序（%1）只能按 1/6 英寸设定页长：%2 毫米高的运单会按 %3 毫米走纸，"
               "连续纸上每张偏移 %4 毫米，第 %5 张偏移 %6 毫米。"
               "建议把它标为“针式打印机（ESC/P）”，改用本程序自己的输出。")
        .arg(nickName.isEmpty() ? QStringLiteral("Epson 针式") : nickName)
        .arg(pageHeightMm, 0, 'f', 1)
        .arg(pageHeightMm + drift, 0, 'f', 1)
        .arg(drift, 0, 'f', 2)
        .arg(last)
        .arg(drift * (last - 1), 0, 'f', 1);
}

QStringList PrinterDriverFacts::marginHits(const ReportLayout& layout, int maxPages) const
{
    QStringList lines;
    if (marginsMm.isNull())
        return lines;
    // A coarse picture (2 dots a millimetre) is enough to see ink in a band.
    constexpr double dotsPerMm = 2;
    const QSizeF mm = layout.pageSizeMm();
    QImage image(int(std::ceil(mm.width() * dotsPerMm)), int(std::ceil(mm.height() * dotsPerMm)),
                 QImage::Format_Grayscale8);
    image.setDotsPerMeterX(int(dotsPerMm * 1000));
    image.setDotsPerMeterY(int(dotsPerMm * 1000));
    const int left = int(marginsMm.left() * dotsPerMm);
    const int top = int(marginsMm.top() * dotsPerMm);
    const int right = image.width() - int(marginsMm.right() * dotsPerMm);
    const int bottom = image.height() - int(marginsMm.bottom() * dotsPerMm);
    for (int page = 0; page < std::min(maxPages, layout.pageCount()); ++page) {
        image.fill(Qt::white);
        QPainter painter(&image);
        layout.paintPage(&painter, page);
        painter.end();
        QStringList sides;
        bool l = false, t = false, r = false, b = false;
        for (int y = 0; y < image.height(); ++y) {
            const uchar* line = image.constScanLine(y);
            for (int x = 0; x < image.width(); ++x) {
                if (line[x] >= 224)
                    continue;
                l = l || x < left;
                r = r || x >= right;
                t = t || y < top;
                b = b || y >= bottom;
            }
        }
        if (l)
            sides << QStringLiteral("左 %1").arg(marginsMm.left(), 0, 'f', 1);
        if (t)
            sides << QStringLiteral("上 %1").arg(marginsMm.top(), 0, 'f', 1);
        if (r)
            sides << QStringLiteral("右 %1").arg(marginsMm.right(), 0, 'f', 1);
        if (b)
            sides << QStringLiteral("下 %1").arg(marginsMm.bottom(), 0, 'f', 1);
        if (!sides.isEmpty())
            lines << QStringLiteral("第 %1 张：有文字落在打印机不能打印的边距内（%2 毫米），打不出来。")
                         .arg(page + 1)
                         .arg(sides.join(QStringLiteral("、")));
    }
    return lines;
}
