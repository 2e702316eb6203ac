#pragma once

#include <QString>

class ServerAddress;

// Which address book the window program uses: its file (the default) or a
// database on a server, as chosen under "数据库位置…". The server's address
// is kept in the program's settings without its password; the password
// goes into a file of libpq's password-file format that only the user can
// read (the desktop's keyring is not asked), and every connection to that
// server reads it from there.
class StoreSettings
{
public:
    // Chooses the server; its password, if any, is kept as said above. Without
    // a password, one kept before stays.
    static bool useServer(const ServerAddress& address, QString* error);
    // Goes back to the file; the kept password is removed.
    static bool useFile(QString* error);
    // The password file (present only while a server with a password is chosen).
    static QString passwordFile();
};
