#pragma once

#include <QString>

#include <functional>

class DataSet;
class QWidget;

// The data maintenance commands of the tools menu, with their file dialogs,
// progress and messages: "数据导出", "数据备份", "数据恢复".
namespace DataMaintenance {

// Writes the recipients as the list shows them to a workbook the user names.
void exportList(QWidget* owner, DataSet& recipients);
// Copies the address book at databasePath to a backup file the user names.
void backup(QWidget* owner, const QString& databasePath);
// Replaces the address book at databasePath with a backup the user picks.
// closeLists runs once the chosen file is found good, before the address
// book is written (the windows close their connections to it). True when
// it was replaced.
bool restore(QWidget* owner, const QString& databasePath, const std::function<void()>& closeLists);

// "数据库位置…": the file or a server, chosen in a dialog that keeps only a
// location it could connect to. True when the choice was saved; the lists
// are then to be opened again.
bool chooseLocation(QWidget* owner);

} // namespace DataMaintenance
