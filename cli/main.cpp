#include "cli/CliCommand.h"

#include "data/store/AppInfo.h"
#include "data/store/DataLocation.h"
#include "data/store/Database.h"
#include "data/store/ServerAddress.h"
#include "data/store/ServerStore.h"
#include "data/store/Settings.h"
#include "report/FontSetup.h"

#include <QDir>
#include <QGuiApplication>

#include <algorithm>
#include <cstdio>

void CliRegistry::add(const CliCommand& c)
{
    const_cast<QList<CliCommand>&>(all()).append(c);
}

const QList<CliCommand>& CliRegistry::all()
{
    static QList<CliCommand> commands;
    return commands;
}

bool openCliDatabase(CliContext& ctx, Database& db)
{
    QString err;
    if (db.open(ctx.dbPath, &err, false))
        return true;
    ctx.err << err << "\n";
    return false;
}

static void usage(QTextStream& s, const QString& db)
{
    s << "用法: waybill-cli [--db FILE|URI] COMMAND [ARGS]\n"
      << "  --db FILE          数据库文件，缺省为工作目录中的 data.mdb\n"
      << "  --db URI           PostgreSQL 服务器上的数据库，如 postgresql://user@host:5432/waybill\n"
      << "数据库: "
      << (ServerAddress::isServer(db) ? ServerAddress::displayLocation(db) : QDir::toNativeSeparators(db))
      << "\n"
      << "（安装后的图形界面程序使用 " << QDir::toNativeSeparators(DataLocation::userDataBook()) << "）\n"
      << "命令:\n";
    QList<CliCommand> cmds = CliRegistry::all();
    std::sort(cmds.begin(), cmds.end(),
              [](const CliCommand& a, const CliCommand& b) { return a.name < b.name; });
    for (const CliCommand& c : cmds)
        s << "  " << c.usage << "\n";
}

int main(int argc, char** argv)
{
    // Fonts and PDF output need a GUI application, not a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ServerStore::quietDriverMessages();
    QGuiApplication::setOrganizationName(AppInfo::organization());
    QGuiApplication::setApplicationName(AppInfo::applicationName());
    FontSetup::install();

    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = QGuiApplication::arguments().mid(1);
    // The command line never moves with the window program's rule: a script
    // names its file or works in its own directory.
    QString db = Settings(Settings::Program::CommandLine).storeLocation();
    if (args.size() >= 2 && args.first() == QLatin1String("--db")) {
        db = ServerAddress::isServer(args.at(1)) ? args.at(1) : QDir::current().absoluteFilePath(args.at(1));
        args = args.mid(2);
    }
    if (args.isEmpty() || args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h")) {
        usage(args.isEmpty() ? err : out, db);
        return args.isEmpty() ? 2 : 0;
    }
    const QString name = args.takeFirst();
    for (const CliCommand& c : CliRegistry::all()) {
        if (c.name == name) {
            CliContext ctx{args, db, out, err};
            const int rc = c.run(ctx);
            out.flush();
            err.flush();
            return rc;
        }
    }
    err << "未知命令: " << name << "\n";
    usage(err, db);
    return 2;
}
