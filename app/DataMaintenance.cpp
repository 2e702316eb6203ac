#include "app/DataMaintenance.h"

#include "data/store/DataLocation.h"
#include "data/records/DataSet.h"
#include "exchange/DataExporter.h"
#include "exchange/DatabaseBackup.h"
#include "gui/widgets/DatabaseLocationDialog.h"
#include "gui/widgets/Dialogs.h"

#include <QCoreApplication>
#include <QProgressDialog>

namespace DataMaintenance {

namespace {

// The fixed failure message, then why: retrying cannot help every failure.
QString withReason(const QString& message, const QString& why)
{
    return why.isEmpty() ? message : message + QStringLiteral("\n\n原因：") + why;
}

} // namespace

void exportList(QWidget* owner, DataSet& recipients)
{
    QString filter;
    const QString chosen =
        Dialogs::saveFileName(owner, QStringLiteral("数据导出"), {},
                              QStringLiteral("Excel 97-2003 工作簿 (*.xls);;Excel 工作簿 (*.xlsx)"), &filter);
    if (chosen.isEmpty())
        return;
    const DataExporter::Format format = DataExporter::formatFor(chosen, filter);
    // The extension is added after the dialog's own overwrite question.
    if (DataExporter::extensionHidesExisting(chosen, format) &&
        Dialogs::message(owner, QStringLiteral("同名文件已存在，要替换它吗？"), QMessageBox::Warning,
                         QMessageBox::Ok | QMessageBox::Cancel) != QMessageBox::Ok)
        return;

    // Long lists take a while: show progress and allow cancelling. The
    // dialog appears only when the export runs longer than a moment.
    QProgressDialog progress(QStringLiteral("正在导出收件信息…"), QStringLiteral("取消"), 0, 100, owner);
    progress.setWindowTitle(QStringLiteral("数据导出"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(recipients.recordCount() > 2000 ? 300 : 1000000);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    const DataExporter::Result r =
        DataExporter::exportDataSet(recipients, chosen, format, [&progress](int percent) {
            progress.setValue(percent);
            return !progress.wasCanceled();
        });
    progress.close();
    if (r.cancelled)
        return;
    if (!r.ok) {
        Dialogs::error(owner, r.error);
        return;
    }
    Dialogs::message(owner, DataExporter::messageFor(r));
}

void backup(QWidget* owner, const QString& databasePath)
{
    const QString chosen = Dialogs::saveFileName(owner, QStringLiteral("数据备份"), {},
                                                 QStringLiteral("备份文件 (*.bak);;所有文件 (*)"));
    if (chosen.isEmpty())
        return;
    QString why;
    if (DatabaseBackup::backup(databasePath, chosen, &why))
        Dialogs::message(owner, DatabaseBackup::backupSuccessMessage());
    else
        Dialogs::message(owner, withReason(DatabaseBackup::backupFailureMessage(), why));
}

bool restore(QWidget* owner, const QString& databasePath, const std::function<void()>& closeLists)
{
    const QString source = Dialogs::openFileName(owner, QStringLiteral("数据恢复"), {},
                                                 QStringLiteral("备份文件 (*.bak);;所有文件 (*)"));
    if (source.isEmpty())
        return false;
    QString why;
    // closeLists closes the windows' connections once the backup is found good.
    if (DatabaseBackup::restore(source, databasePath, closeLists, &why)) {
        Dialogs::message(owner, DatabaseBackup::restoreSuccessMessage());
        return true;
    }
    Dialogs::message(owner, withReason(DatabaseBackup::restoreFailureMessage(), why));
    return false;
}

bool chooseLocation(QWidget* owner)
{
    DatabaseLocationDialog dialog(DataLocation::addressBook(QCoreApplication::applicationFilePath()), owner);
    return Dialogs::exec(&dialog) == QDialog::Accepted;
}

} // namespace DataMaintenance
