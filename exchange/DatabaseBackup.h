#pragma once

#include "exchange/Progress.h"

#include <QString>

#include <functional>

// Backup and restore of the whole address book file.
class DatabaseBackup
{
public:
    static QString backupSuccessMessage() { return QStringLiteral("数据备份成功！"); }
    static QString backupFailureMessage() { return QStringLiteral("数据备份失败，请重试！"); }
    static QString restoreSuccessMessage() { return QStringLiteral("数据恢复成功！"); }
    static QString restoreFailureMessage() { return QStringLiteral("数据恢复失败，请重试！"); }

    // The chosen name with ".bak" appended unless it already ends so (any case).
    static QString backupPath(const QString& chosenName);

    // Copies the database at dbPath consistently (SQLite online backup, so
    // connections may stay open and even write meanwhile) to
    // backupPath(chosenName), replacing an existing file only once the copy
    // is complete. *writtenPath receives the file written. progress hears
    // of the steps; a cancel before the copy is in place leaves no file.
    static bool backup(const QString& dbPath, const QString& chosenName, QString* error,
                       QString* writtenPath = nullptr, const ProgressFn& progress = {},
                       bool* cancelled = nullptr);

    // Replaces the database at dbPath by the file at source, which must be an
    // intact address book (tables outr, inr, excel); otherwise nothing
    // changes. closeConnections runs once the checked copy is ready, right
    // before the data is replaced: the program's windows let go of their
    // connections there and reopen afterwards. At every moment a complete
    // database stands at dbPath, and no rollback journal is left beside it;
    // on a server one transaction replaces the tables' content. A cancel
    // (progress returning false) is heard until closeConnections runs and
    // changes nothing.
    static bool restore(const QString& source, const QString& dbPath, QString* error,
                        const std::function<void()>& closeConnections = {}, const ProgressFn& progress = {},
                        bool* cancelled = nullptr);
};
