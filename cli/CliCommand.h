#pragma once

#include <QStringList>
#include <QTextStream>

// One sub-command of waybill-cli. Each command lives in a file of its own
// and registers itself with WAYBILL_CLI_COMMAND.
struct CliContext
{
    QStringList args; // the command's own arguments (after its name)
    QString dbPath;   // --db, or data.mdb in the working directory
    QTextStream& out;
    QTextStream& err;
};

using CliHandler = int (*)(CliContext&);

class Database;

// Opens the database of --db for a command; never makes up a missing one.
// On failure the reason goes to the error stream.
bool openCliDatabase(CliContext& ctx, Database& db);

struct CliCommand
{
    QString name;
    QString usage; // one line, shown by --help
    CliHandler run;
};

class CliRegistry
{
public:
    static void add(const CliCommand& c);
    static const QList<CliCommand>& all();
};

struct CliRegistrar
{
    CliRegistrar(const char* name, const char* usage, CliHandler run)
    {
        CliRegistry::add({QString::fromUtf8(name), QString::fromUtf8(usage), run});
    }
};

#define WAYBILL_CLI_CAT2(a, b) a##b
#define WAYBILL_CLI_CAT(a, b) WAYBILL_CLI_CAT2(a, b)
#define WAYBILL_CLI_COMMAND(name, usage, fn)                                                                 \
    static const CliRegistrar WAYBILL_CLI_CAT(cliRegistrar_, __LINE__)(name, usage, fn)
