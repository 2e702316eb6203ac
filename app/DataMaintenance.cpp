#include "app/DataMaintenance.h"

#include "data/records/DataSet.h"
#include "data/store/DataLocation.h"
#include "data/store/Database.h"
#include "data/store/ServerAddress.h"
#include "exchange/DataExporter.h"
#include "exchange/DatabaseBackup.h"
#include "exchange/RestoreSafety.h"
#include "exchange/StoreCopy.h"
#include "gui/widgets/BackgroundWork.h"
#include "gui/widgets/DatabaseLocationDialog.h"
#include "gui/widgets/Dialogs.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QProgressDialog>

namespace DataMaintenance {

namespace {

// The fixed failure message, then why: retrying cannot help every failure.
QString withReason(const QString& message, const QString& why)
{
    return why.isEmpty() ? message : message + QStringLiteral("\n\n原因：") + why;
}

const QString kUndoTitle = QStringLiteral("撤销上次恢复");

// Asks before the book at databasePath is replaced by the backup (or the
// safety copy) at source, naming both books' figures and the backup's date.
bool confirmReplace(QWidget* owner, const QString& databasePath, const QString& source, bool undo)
{
    const QString safetyFolder = RestoreSafety(databasePath).folder();
    RestoreSafety::Counts incoming, current;
    QString why;
    if (!RestoreSafety::countBackup(source, &incoming, &why)) {
        Dialogs::message(owner, withReason(DatabaseBackup::restoreFailureMessage(), why));
        return false;
    }
    const QString now = RestoreSafety::countBook(databasePath, &current, &why)
                            ? current.describe()
                            : QStringLiteral("无法读取（%1）").arg(why);
    const QString format = QStringLiteral("yyyy-MM-dd HH:mm");
    const QString file = QDir::toNativeSeparators(source);
    const QString text =
        undo ? QStringLiteral("要撤销上次恢复吗？将用恢复前自动保存的安全副本替换当前数据。\n\n"
                              "安全副本：%1（%2 保存）\n其中：%3\n当前数据：%4\n\n"
                              "替换前会先把当前数据也保存为安全副本（在 %5）。")
                   .arg(file, RestoreSafety::takenAt(source).toString(format), incoming.describe(), now,
                        QDir::toNativeSeparators(safetyFolder))
             : QStringLiteral(
                   "要用备份文件替换当前数据吗？\n\n备份文件：%1（%2 保存）\n其中：%3\n当前数据：%4\n\n"
                   "恢复前会自动把当前数据保存为安全副本（在 %5，保留最近 %6 份），"
                   "恢复后可用“其他工具 → 撤销上次恢复”找回。")
                   .arg(file, QFileInfo(source).lastModified().toString(format), incoming.describe(), now,
                        QDir::toNativeSeparators(safetyFolder))
                   .arg(RestoreSafety::kKept);
    return Dialogs::message(owner, text, QMessageBox::Question, QMessageBox::Ok | QMessageBox::Cancel,
                            undo ? kUndoTitle : QStringLiteral("数据恢复")) == QMessageBox::Ok;
}

using ReplaceJob = std::function<RestoreSafety::Result(RestoreSafety::Copy, const std::function<void()>&,
                                                       const ProgressFn&)>;

// Runs a restore on a worker thread with its progress dialog and says how
// it went. When the safety copy cannot be written (the book in use cannot
// be read), the user may go on without one.
bool replaceBook(QWidget* owner, const QString& title, const std::function<void()>& closeLists,
                 const ReplaceJob& job)
{
    RestoreSafety::Copy copy = RestoreSafety::Copy::Keep;
    for (;;) {
        // The windows let go of their connections on their own thread
        // just before the data is replaced.
        BackgroundWork work(owner);
        work.addProgressDialog(title, QStringLiteral("正在恢复数据…"), 400, 0);
        RestoreSafety::Result r;
        work.run([&](const ProgressFn& progress) {
            r = job(
                copy, [&] { work.inOwnerThread(closeLists); }, progress);
        });
        if (r.cancelled)
            return false;
        if (r.ok) {
            Dialogs::message(owner, DatabaseBackup::restoreSuccessMessage());
            return true;
        }
        if (r.copyFailed && copy == RestoreSafety::Copy::Keep &&
            Dialogs::message(
                owner, r.error + QStringLiteral("\n\n仍要恢复吗？当前数据将不保存副本，恢复后无法撤销。"),
                QMessageBox::Warning, QMessageBox::Ok | QMessageBox::Cancel, title) == QMessageBox::Ok) {
            copy = RestoreSafety::Copy::Skip;
            continue;
        }
        if (!r.copyFailed)
            Dialogs::message(owner, withReason(DatabaseBackup::restoreFailureMessage(), r.error));
        return false;
    }
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

bool restore(QWidget* owner, const QString& databasePath, const std::function<void()>& closeLists,
             bool lastSafetyCopy)
{
    RestoreSafety safety(databasePath);
    const QString source = lastSafetyCopy
                               ? safety.latest()
                               : Dialogs::openFileName(owner, QStringLiteral("数据恢复"), {},
                                                       QStringLiteral("备份文件 (*.bak);;所有文件 (*)"));
    if (source.isEmpty() && lastSafetyCopy)
        Dialogs::message(owner, QStringLiteral("没有可以撤销的恢复：还没有自动保存的安全副本。"));
    if (source.isEmpty() || !confirmReplace(owner, databasePath, source, lastSafetyCopy))
        return false;
    return replaceBook(
        owner, lastSafetyCopy ? kUndoTitle : QStringLiteral("数据恢复"), closeLists,
        [&](RestoreSafety::Copy copy, const std::function<void()>& close, const ProgressFn& progress) {
            return safety.restore(source, copy, close, progress);
        });
}

QAction* addUndoRestore(QMenu* menu, const std::function<QString()>& location)
{
    QAction* undo = menu->addAction(kUndoTitle);
    undo->setObjectName(QStringLiteral("UndoRestoreAction"));
    // Offered while a safety copy of the book in use is there to go back to.
    QObject::connect(menu, &QMenu::aboutToShow, undo,
                     [undo, location] { undo->setEnabled(!RestoreSafety(location()).latest().isEmpty()); });
    return undo;
}

bool chooseLocation(QWidget* owner)
{
    DatabaseLocationDialog dialog(DataLocation::addressBook(QCoreApplication::applicationFilePath()), owner);
    return Dialogs::exec(&dialog) == QDialog::Accepted;
}

bool offerCopy(QWidget* owner, const QString& from, const QString& to)
{
    RestoreSafety::Counts source, target;
    const auto empty = [](const RestoreSafety::Counts& c) {
        return c.recipients == 0 && c.excelRows == 0 && c.senders <= 1;
    };
    // Either book unreadable: the switch itself reports what matters.
    if (!RestoreSafety::countBook(to, &target, nullptr) || !empty(target) ||
        !RestoreSafety::countBook(from, &source, nullptr) || empty(source))
        return false;
    const QString text =
        QStringLiteral("新选的数据库里还没有通讯录。要把原来的通讯录复制过去吗？\n\n原来：%1\n%2\n"
                       "新选的数据库：%3\n\n复制后新选的数据库中的寄件人、收件人、Excel 数据、打印记录和"
                       "模板调整都与原来的相同；原来的通讯录不变。")
            .arg(source.describe(), ServerAddress::displayLocation(from), target.describe());
    if (Dialogs::message(owner, text, QMessageBox::Question, QMessageBox::Ok | QMessageBox::Cancel,
                         QStringLiteral("复制通讯录")) != QMessageBox::Ok)
        return false;
    BackgroundWork work(owner);
    QProgressDialog* progress =
        work.addProgressDialog(QStringLiteral("复制通讯录"), QStringLiteral("正在复制通讯录…"), 300, 0);
    progress->setCancelButton(nullptr); // one transaction: nothing to stop halfway
    bool ok = false;
    QString why;
    work.run([&](const ProgressFn&) {
        Database a, b;
        ok = a.open(from, &why, false) && b.open(to, &why, false) && StoreCopy::copy(a, b, &why);
    });
    if (!ok) {
        Dialogs::error(owner, withReason(QStringLiteral("通讯录没有复制。"), why));
        return false;
    }
    Dialogs::message(owner, QStringLiteral("通讯录已复制：%1。").arg(source.describe()));
    return true;
}

} // namespace DataMaintenance
