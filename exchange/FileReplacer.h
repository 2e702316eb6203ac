#pragma once

#include <QString>

// Writes a file beside its final name and moves it into place at the end,
// so the final name holds either the old file or the complete new one.
// An uncommitted replacer removes its temporary file.
class FileReplacer
{
public:
    // Who may read the new file when no file of that name stood there
    // before: the owner only (an address book), or as the user's umask
    // allows (a workbook). A file that is replaced keeps its mode.
    enum class Access
    {
        Private,
        Shared
    };

    explicit FileReplacer(const QString& finalPath, Access access = Access::Private);
    ~FileReplacer();
    FileReplacer(const FileReplacer&) = delete;
    FileReplacer& operator=(const FileReplacer&) = delete;

    // Creates the (empty) temporary file in the target's folder.
    bool prepare(QString* error);
    QString tempPath() const { return m_temp; }
    QString finalPath() const { return m_final; }

    // Flushes the temporary file to disk, renames it over the final name and
    // flushes the folder.
    bool commit(QString* error);

    // fsync of one file or folder.
    static bool syncPath(const QString& path, QString* error);

private:
    QString m_final;
    QString m_temp;
    Access m_access;
    bool m_committed = false;
};
