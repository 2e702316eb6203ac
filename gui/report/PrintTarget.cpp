#include "gui/report/PrintTarget.h"

#include "data/store/Settings.h"
#include "exchange/OutputGuard.h"
#include "gui/widgets/Dialogs.h"
#include "report/QuickRep.h"

#include <QFileInfo>
#include <QMenu>
#include <QPrinterInfo>
#include <QToolBar>
#include <QToolButton>

namespace PrintTarget {

QString describe(const TQRPrinterSettings& s, int pageCount)
{
    QString pages;
    if (s.FirstPage > 0 || s.LastPage > 0) {
        const int from = std::max(1, s.FirstPage);
        const int to = std::max(from, s.LastPage);
        pages = QStringLiteral("第 %1–%2 页（共 %3 页）").arg(from).arg(to).arg(pageCount);
    } else {
        pages = QStringLiteral("全部 %1 页").arg(pageCount);
    }
    if (s.Copies > 1)
        pages += QStringLiteral("，%1 份").arg(s.Copies);

    QString printer;
    if (!s.PrinterName.isEmpty()) {
        printer = s.PrinterName;
    } else {
        const QString def = QPrinterInfo::defaultPrinterName();
        if (!def.isEmpty())
            printer = QStringLiteral("%1（默认）").arg(def);
        else if (QPrinterInfo::availablePrinterNames().isEmpty())
            printer = QStringLiteral("没有安装打印机");
        else
            printer = QStringLiteral("没有默认打印机，打印时选择");
    }
    return QStringLiteral("下次打印：%1 · 打印机：%2").arg(pages, printer);
}

bool dropStaleRange(TQRPrinterSettings* s, int pageCount)
{
    if (s->FirstPage <= 0 && s->LastPage <= 0)
        return false;
    // A range from elsewhere (no count kept) is left alone.
    if (s->RangePageCount == 0 || s->RangePageCount == pageCount)
        return false;
    s->FirstPage = 0;
    s->LastPage = 0;
    s->RangePageCount = 0;
    return true;
}

bool mustAskForPrinter(const TQRPrinterSettings& s)
{
    return s.PrinterName.isEmpty() && QPrinterInfo::defaultPrinterName().isEmpty() &&
           !QPrinterInfo::availablePrinterNames().isEmpty();
}

QAction* addPdfChoice(QToolBar* bar, QAction* pdf)
{
    // Whether a PDF stands for the forms (marks and history) or is only a
    // file: the user's choice, kept for the next time.
    auto* menu = new QMenu(bar);
    QAction* choice = menu->addAction(QStringLiteral("导出PDF时标记为已打印"));
    choice->setObjectName(QStringLiteral("PdfMarksPrinted"));
    choice->setCheckable(true);
    choice->setChecked(Settings().pdfMarksPrinted());
    QObject::connect(choice, &QAction::toggled, bar, [bar](bool on) {
        QString error;
        if (!Settings().setPdfMarksPrinted(on, &error))
            Dialogs::error(bar->window(), error);
    });
    pdf->setMenu(menu);
    if (auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(pdf)))
        button->setPopupMode(QToolButton::MenuButtonPopup);
    return choice;
}

QString exported(int pages, const QString& path, bool marked, bool markable)
{
    const QString done = QStringLiteral("已导出 %1 页到“%2”").arg(pages).arg(path);
    if (marked)
        return done + QStringLiteral("，这些运单已标为已打印。");
    return done + (markable ? QStringLiteral("（未标为已打印）。") : QStringLiteral("。"));
}

QString askPdfPath(QWidget* parent, const QString& databasePath)
{
    QString path = Dialogs::saveFileName(parent, QStringLiteral("导出PDF"), QString(),
                                         QStringLiteral("PDF 文件 (*.pdf)"));
    if (path.isEmpty())
        return {};
    if (!path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)) {
        path += QLatin1String(".pdf");
        // The dialog asked about the name typed, not this one.
        if (QFileInfo::exists(path) &&
            Dialogs::message(parent, QStringLiteral("文件“%1”已存在，要替换它吗？").arg(path),
                             QMessageBox::Warning, QMessageBox::Ok | QMessageBox::Cancel) != QMessageBox::Ok)
            return {};
    }
    QString error;
    if (!OutputGuard::check(path, databasePath, &error)) {
        Dialogs::error(parent, error);
        return {};
    }
    return path;
}

} // namespace PrintTarget
