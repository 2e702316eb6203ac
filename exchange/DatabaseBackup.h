#pragma once

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
    // is complete. *writtenPath receives the file written.
    static bool backup(const QString& dbPath, const QString& chosenName, QString* error,
                       QString* writtenPath = nullptr);

    // Replaces the database at dbPath by the file at source, which must be an
    // intact address book (tables outr, inr, excel); otherwise nothing
    // changes. Once source is found good, and before dbPath is written,
    // closeConnections runs: the caller closes every connection it holds to
    // dbPath (a file must not change under an open connection), and reopens
    // afterwards. At every moment a complete database stands at dbPath, and
    // no rollback journal is left beside it.
    static bool restore(const QString& source, const QString& dbPath,
                        const std::function<void()>& closeConnections, QString* error);
};
