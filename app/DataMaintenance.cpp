#include "app/DataMaintenance.h"

#include "data/records/DataSet.h"
#include "data/store/DataLocation.h"
#include "data/store/Database.h"
#include "exchange/DataExporter.h"
#include "exchange/DatabaseBackup.h"
#include "gui/widgets/BackgroundWork.h"
#include "gui/widgets/DatabaseLocationDialog.h"
#include "gui/widgets/Dialogs.h"

#include <QCoreApplication>

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
    // dialog appears only when the export runs longer than a moment. The
    // rows are read again on the worker's own connection.
    BackgroundWork work(owner);
    work.addProgressDialog(QStringLiteral("数据导出"), QStringLiteral("正在导出收件信息…"),
                           recipients.recordCount() > 2000 ? 300 : 1000000);
    const QString dbPath = recipients.database() ? recipients.database()->path() : QString();
    const DataSet::Query query = recipients.query();
    DataExporter::Result r;
    work.run([&](const ProgressFn& progress) {
        r = DataExporter::exportQuery(dbPath, query, chosen, format, progress);
    });
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
    BackgroundWork work(owner);
    work.addProgressDialog(QStringLiteral("数据备份"), QStringLiteral("正在备份数据…"), 400, 0);
    QString why;
    bool ok = false;
    bool cancelled = false;
    work.run([&](const ProgressFn& progress) {
        ok = DatabaseBackup::backup(databasePath, chosen, &why, nullptr, progress, &cancelled);
    });
    if (cancelled)
        return;
    if (ok)
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
    // The copy is checked on a worker thread; the windows let go of their
    // connections on their own thread just before the file is replaced.
    BackgroundWork work(owner);
    work.addProgressDialog(QStringLiteral("数据恢复"), QStringLiteral("正在恢复数据…"), 400, 0);
    QString why;
    bool ok = false;
    bool cancelled = false;
    work.run([&](const ProgressFn& progress) {
        ok = DatabaseBackup::restore(
            source, databasePath, &why, [&] { work.inOwnerThread(closeLists); }, progress, &cancelled);
    });
    if (cancelled)
        return false;
    if (ok) {
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
