#pragma once

#include <QString>

#include <functional>

class DataSet;
class QAction;
class QMenu;
class QWidget;

// The data maintenance commands of the tools menu, with their file dialogs,
// progress and messages: "数据导出", "数据备份", "数据恢复",
// "撤销上次恢复". The work runs on
// a worker thread with a connection of its own (BackgroundWork); each
// function returns once it has ended.
namespace DataMaintenance {

// Writes the recipients as the list shows them to a workbook the user names.
void exportList(QWidget* owner, DataSet& recipients);
// Copies the address book at databasePath to a backup file the user names.
void backup(QWidget* owner, const QString& databasePath);
// Replaces the address book at databasePath with a backup the user picks,
// once the user confirmed it (the question names both books' figures and
// the backup's date), and with a safety copy of the book written first
// (RestoreSafety). closeLists runs in the owner's thread once the chosen file was checked,
// right before the data is replaced (the caller's lists and connection let
// go of it); not at all when the restore fails or is cancelled before.
// True when it was replaced.
// With lastSafetyCopy, "撤销上次恢复": brings back the newest safety copy
// the same way, asking first and keeping a safety copy of what it replaces.
bool restore(QWidget* owner, const QString& databasePath, const std::function<void()>& closeLists,
             bool lastSafetyCopy = false);
// Adds "撤销上次恢复" to menu (the tools menu, beside 数据库位置…), enabled
// whenever the menu opens with a safety copy of the book at location() to
// go back to; the caller connects the action.
QAction* addUndoRestore(QMenu* menu, const std::function<QString()>& location);

// "数据库位置…": the file or a server, chosen in a dialog that keeps only a
// location it could connect to. True when the choice was saved; the lists
// are then to be opened again.
bool chooseLocation(QWidget* owner);

// After a switch of address book: when the one at `to` is empty (no
// recipients, no Excel list, at most the first start's sender row) and the
// one at `from` is not, asks whether to copy from's content over, and does
// so with a progress dialog. True when it was copied.
bool offerCopy(QWidget* owner, const QString& from, const QString& to);

} // namespace DataMaintenance
