#include "gui/report/PrintProgress.h"

#include "gui/widgets/Dialogs.h"
#include "report/QuickRep.h"
#include "report/ReportPrinter.h"

#include <QApplication>
#include <QPrinter>
#include <QProgressDialog>

#include <algorithm>

bool PrintProgress::print(ReportLayout* layout, TQuickRep* report, QWidget* parent, QString* error)
{
    QString ignored;
    QString& why = error ? *error : ignored;
    QPrinter printer(QPrinter::HighResolution);
    QString paperWarning;
    if (!ReportPrinter::setupKept(&printer, report, &why, &paperWarning))
        return false;
    if (!paperWarning.isEmpty()) {
        const auto answer = Dialogs::message(parent, paperWarning + QStringLiteral("\n\n仍要打印吗？"),
                                             QMessageBox::Warning, QMessageBox::Ok | QMessageBox::Cancel);
        if (answer != QMessageBox::Ok) {
            why.clear();
            return false;
        }
    }

    QProgressDialog progress(parent);
    progress.setWindowTitle(QStringLiteral("Printing progress"));
    progress.setLabelText(QStringLiteral("Printing progress"));
    progress.setCancelButtonText(QStringLiteral("Cancel"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setRange(0, 100);
    progress.setValue(0);
    progress.show();
    QApplication::processEvents();

    const bool ok = ReportPrinter::print(layout, &printer, &why, [&](int done, int total) {
        progress.setValue(int(qint64(done) * 100 / std::max(1, total)));
        QApplication::processEvents();
        return !progress.wasCanceled();
    });
    progress.close();
    if (!ok && progress.wasCanceled())
        why.clear(); // the user's own choice, nothing to report
    return ok;
}
