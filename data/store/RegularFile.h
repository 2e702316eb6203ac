#pragma once

#include <QString>

class QFile;

// A file the program reads in (an address book, a backup, a picture),
// checked before anything opens it: a FIFO or a device would block a read
// for ever or hand out endless data, so only a regular file, or a link to
// one, passes.
class RegularFile
{
public:
    // Whether path names a regular file; otherwise *error says what it is
    // ("… 不是文件。", "… 是一个文件夹，不是文件。", "… 不存在。").
    static bool check(const QString& path, QString* error);

    // Opens path read-only into file without ever waiting on a FIFO or a
    // device: what was opened must itself be a regular file (so a FIFO put
    // there after check() is refused too).
    static bool open(QFile& file, const QString& path, QString* error);
};
