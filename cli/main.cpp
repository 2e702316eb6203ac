#include "cli/CliCommand.h"

#include "data/store/AppInfo.h"
#include "data/store/DataLocation.h"
#include "data/store/Database.h"
#include "data/store/FreedMemory.h"
#include "data/store/ServerAddress.h"
#include "data/store/ServerIndexBuild.h"
#include "data/store/ServerStore.h"
#include "data/store/Settings.h"
#include "data/store/StoreSettings.h"
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
      << "                     密码不要写在 URI 里：命令行对本机的每个用户都可见（/proc/PID/cmdline）。\n"
      << "                     请用环境变量 PGPASSWORD，或在图形界面程序的“数据库位置…”中保存密码\n"
      << "                     （存于 " << QDir::toNativeSeparators(StoreSettings::passwordFile())
      << "，仅本人可读）。\n"
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

namespace {

// Qt warns on every start without a session's runtime folder (cron, ssh,
// a container); the command line uses none, so the warning says nothing.
// The picture decoders' English details of a broken file only repeat the
// reason the command gives. Everything else goes to stderr as Qt's own
// handler writes it there.
void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg && message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR")))
        return;
    if (type == QtWarningMsg && context.category &&
        QLatin1String(context.category).startsWith(QLatin1String("qt.gui.imageio")))
        return;
    std::fprintf(stderr, "%s\n", qFormatLogMessage(type, context, message).toLocal8Bit().constData());
    std::fflush(stderr);
}

// Takes a leading --db VALUE off args; a file is made absolute against
// the working folder. False and the reason when the value is missing or empty.
bool takeDatabase(QStringList* args, QString* db, QString* error)
{
    if (args->isEmpty() || args->first() != QLatin1String("--db"))
        return true;
    if (args->size() < 2 || args->at(1).startsWith(QLatin1String("--"))) {
        *error = QStringLiteral("选项 --db 缺少取值：请给出数据库文件或服务器地址。");
        return false;
    }
    const QString value = args->at(1);
    if (value.trimmed().isEmpty()) {
        *error = QStringLiteral("选项 --db 的取值是空的：请给出数据库文件或服务器地址。");
        return false;
    }
    *db = ServerAddress::isServer(value) ? value : QDir::current().absoluteFilePath(value);
    *args = args->mid(2);
    return true;
}

// A password typed into the URI can be read by every local user while the
// command runs.
void warnAboutPassword(const QString& db, QTextStream& err)
{
    ServerAddress a;
    if (!ServerAddress::isServer(db) || !ServerAddress::parse(db, &a, nullptr) || a.password.isEmpty())
        return;
    err << "注意：--db 中的密码在命令运行时对本机的每个用户都可见（/proc/PID/cmdline）。"
        << "请改用环境变量 PGPASSWORD，或在图形界面程序的“数据库位置…”中保存密码（存于 "
        << QDir::toNativeSeparators(StoreSettings::passwordFile()) << "，仅本人可读）。\n";
    err.flush();
}

} // namespace

int main(int argc, char** argv)
{
    qInstallMessageHandler(quietHandler);
    FreedMemory::keepForReuse();
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
    QString error;
    if (!takeDatabase(&args, &db, &error)) {
        err << error << "\n";
        usage(err, db);
        return 2;
    }
    warnAboutPassword(db, err);
    if (args.isEmpty() || args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h")) {
        usage(args.isEmpty() ? err : out, db);
        return args.isEmpty() ? 2 : 0;
    }
    const QString name = args.takeFirst();
    for (const CliCommand& c : CliRegistry::all()) {
        if (c.name == name) {
            CliContext ctx{args, db, out, err};
            const int rc = c.run(ctx);
            // A server's search indexes rebuilt after a load would be cut
            // short by the end of the program: the next opening would build
            // them again, and search by scan until then.
            if (ServerIndexBuild::running()) {
                err << "正在数据库服务器上建立查询索引…\n";
                err.flush();
                // A server that stopped answering is not waited for long.
                if (!ServerIndexBuild::wait(ServerStore::kStatementSeconds * 2))
                    err << "查询索引没有建成，程序下次打开这个数据库时再建；在此之前查询逐行查找。\n";
            }
            out.flush();
            err.flush();
            return rc;
        }
    }
    err << "未知命令: " << name << "\n";
    usage(err, db);
    return 2;
}
