#pragma once

#include <QString>

// Writes a file beside its final name and moves it into place at the end,
// so the final name holds either the old file or the complete new one.
// An uncommitted replacer removes its temporary file. The temporary file is
// hidden, named ".<final name>.waybill-XXXXXX", and locked (flock) while its
// replacer lives, so one left by a killed run can be told from a live one.
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

    // Removes the temporary files that killed runs left in the folder of
    // finalPath (and the SQLite journals beside them): only files of ours by
    // name, owned by this user, untouched for minAgeSeconds and locked by no
    // live replacer. prepare() calls it; returns how many were removed.
    static int removeStale(const QString& finalPath, int minAgeSeconds = kStaleSeconds);
    static constexpr int kStaleSeconds = 600;

private:
    QString m_final;
    QString m_temp;
    Access m_access;
    bool m_committed = false;
    int m_lockFd = -1; // holds the flock on the temporary file
};
