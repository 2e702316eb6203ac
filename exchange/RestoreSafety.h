#pragma once

#include "exchange/Progress.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>

// The automatic safety copies taken of an address book before a restore
// replaces it, so that the restore can be undone. They are backup files in
// the data folder (beside the file; for a server, the user's data folder),
// named after the book and the moment, the newest kKept of them kept. The
// window and the command line restore through here.
class RestoreSafety
{
public:
    static constexpr int kKept = 5;

    // How much an address book holds, as the question before replacing it says.
    struct Counts
    {
        qint64 senders = 0;
        qint64 recipients = 0;
        qint64 excelRows = 0;
        // "寄件人 3 条、收件人 20 条、Excel 数据 0 条"
        QString describe() const;
    };

    // location: the book's file or server URI.
    explicit RestoreSafety(const QString& location);

    QString folder() const { return m_folder; }
    // The copies of this book, oldest first.
    QStringList copies() const;
    // The newest copy, or empty.
    QString latest() const;

    enum class Copy
    {
        Keep, // a safety copy first; no copy, no restore
        Skip  // the user chose to go on without one (the book cannot be read)
    };
    struct Result
    {
        bool ok = false;
        bool cancelled = false;
        bool copyFailed = false; // nothing was replaced: the safety copy could not be written
        QString safetyCopy;      // the copy written, when one was
        QString error;
    };

    // Replaces the book by the backup at source (DatabaseBackup::restore),
    // with a safety copy of the book first. closeConnections and progress
    // as there. A failed or cancelled restore removes its copy again when
    // nothing was replaced.
    Result restore(const QString& source, Copy copy = Copy::Keep,
                   const std::function<void()>& closeConnections = {}, const ProgressFn& progress = {});
    // Brings back the newest safety copy, itself with a safety copy of what
    // it replaces (so an undo can be undone the same way).
    Result undo(Copy copy = Copy::Keep, const std::function<void()>& closeConnections = {},
                const ProgressFn& progress = {});

    // The book at location (file or server) in figures.
    static bool countBook(const QString& location, Counts* out, QString* error);
    // A backup file in figures, read without writing to it or beside it.
    static bool countBackup(const QString& path, Counts* out, QString* error);
    // When the copy at path was taken (from its name; the file time else).
    static QDateTime takenAt(const QString& path);

private:
    bool keep(QString* written, QString* error, const ProgressFn& progress, bool* cancelled);
    void prune() const;

    QString m_location;
    QString m_folder;
    QString m_prefix;
};
