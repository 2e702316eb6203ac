#include "data/store/ServerStore.h"

#include <QSqlError>

#include <libpq-fe.h>

// The user's sentences for the server's failures, and the driver's English
// kept off stderr: the part of ServerStore that only words things.
namespace ServerStore {

namespace {

// libpq's own words for a failure that comes without an SQLSTATE (a
// connection that failed or broke), as the code the server would have sent.
QString stateFromWords(const QString& words)
{
    static const struct
    {
        const char* words;
        const char* state;
    } known[] = {
        {"password", "28P01"},
        {"terminating connection due to administrator command", "57P01"},
        {"terminating connection because of crash", "57P02"},
        {"terminating connection due to immediate shutdown", "57P01"},
        {"the database system is shutting down", "57P03"},
        {"the database system is starting up", "57P03"},
        {"the database system is in recovery mode", "57P03"},
        {"server closed the connection unexpectedly", "08006"},
        {"no connection to the server", "08006"},
        {"could not receive data from server", "08006"},
        {"could not send data to server", "08006"},
        {"connection to server was lost", "08006"},
        {"Connection refused", "08001-refused"},
        {"No such file or directory", "08001-nosocket"},
        {"could not translate host name", "08001-name"},
        {"Name or service not known", "08001-name"},
        {"timeout expired", "08001-timeout"},
        {"No route to host", "08001-route"},
        {"Network is unreachable", "08001-route"},
    };
    for (const auto& k : known)
        if (words.contains(QLatin1String(k.words), Qt::CaseInsensitive))
            return QLatin1String(k.state);
    if (words.contains(QLatin1String("role \"")) && words.contains(QLatin1String("does not exist")))
        return QStringLiteral("28000");
    if (words.contains(QLatin1String("database \"")) && words.contains(QLatin1String("does not exist")))
        return QStringLiteral("3D000");
    return {};
}

// The sentence for a state; empty for one the program has no words for.
QString sentenceFor(const QString& state)
{
    if (state == QLatin1String("08001-refused"))
        return QStringLiteral("无法连接：服务器没有运行，或不在这个端口上接受连接（连接被拒绝）。");
    if (state == QLatin1String("08001-nosocket"))
        return QStringLiteral("无法连接：本机的数据库服务器没有运行（找不到它的套接字）。");
    if (state == QLatin1String("08001-name"))
        return QStringLiteral("无法连接：找不到这个主机名，请检查服务器地址。");
    if (state == QLatin1String("08001-timeout"))
        return QStringLiteral("无法连接：服务器在限定时间内没有回应，请检查服务器是否开着、网络是否通。");
    if (state == QLatin1String("08001-route"))
        return QStringLiteral("无法连接：网络不通，到不了服务器，请检查网络。");
    if (state == QLatin1String("57P01") || state == QLatin1String("57P02"))
        return QStringLiteral("数据库服务器已停止或正在重启，连接已断开，这次操作没有完成。");
    if (state == QLatin1String("57P03"))
        return QStringLiteral("数据库服务器正在启动或关闭，暂时不接受连接，请稍后再试。");
    if (state == QLatin1String("57014"))
        return QStringLiteral("数据库服务器没有在限定时间内完成这次操作，已取消，数据没有改动。");
    if (state == QLatin1String("08006") || state == QLatin1String("08003"))
        return QStringLiteral("与数据库服务器的连接断开了（服务器停止、重启或网络中断），这次操作没有完成。");
    if (state.startsWith(QLatin1String("08")))
        return QStringLiteral("无法连接数据库服务器，请检查网络和服务器地址。");
    if (state.startsWith(QLatin1String("28")))
        return QStringLiteral("数据库服务器拒绝登录，请检查用户名和密码。");
    if (state == QLatin1String("3D000"))
        return QStringLiteral("服务器上没有这个数据库。");
    if (state == QLatin1String("42501"))
        return QStringLiteral("没有访问这个数据库的权限。");
    if (state.startsWith(QLatin1String("40")) || state == QLatin1String("55P03"))
        return QStringLiteral("数据库正被其他电脑使用，请稍后再试。");
    if (state.startsWith(QLatin1String("23")))
        return QStringLiteral("数据不符合数据库的要求。");
    if (state.startsWith(QLatin1String("53")))
        return QStringLiteral("数据库服务器资源不足（磁盘或内存）。");
    if (state.startsWith(QLatin1String("57")))
        return QStringLiteral("数据库服务器已停止或正在关闭，这次操作没有完成。");
    return {};
}

} // namespace

QString describe(const QString& state, const QString& words)
{
    const QString code = state.isEmpty() ? stateFromWords(words) : state;
    const QString sentence = sentenceFor(code);
    if (!sentence.isEmpty())
        return sentence;
    // Words the program has none for: the server's own, for whoever helps.
    const QString detail = words.trimmed();
    if (code.isEmpty() && detail.isEmpty())
        return QStringLiteral("无法连接数据库服务器，请检查网络和服务器地址。");
    return detail.isEmpty() ? QStringLiteral("数据库操作失败。")
                            : QStringLiteral("数据库操作失败。详情：") + detail;
}

QString describe(const QSqlError& error)
{
    const QString words = error.databaseText().trimmed();
    return describe(error.nativeErrorCode(), words.isEmpty() ? error.driverText().trimmed() : words);
}

QString describe(const PGresult* result, const PGconn* conn)
{
    const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    const char* words = result ? PQresultErrorMessage(result) : nullptr;
    if ((!words || !*words) && conn)
        words = PQerrorMessage(conn);
    return describe(QString::fromUtf8(state ? state : ""), QString::fromUtf8(words ? words : ""));
}

namespace {

QtMessageHandler& previousHandler()
{
    static QtMessageHandler handler = nullptr;
    return handler;
}

void withoutDriverWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg && message.startsWith(QLatin1String("QPSQL")))
        return;
    if (QtMessageHandler next = previousHandler())
        next(type, context, message);
}

} // namespace

void quietDriverMessages()
{
    if (!previousHandler())
        previousHandler() = qInstallMessageHandler(withoutDriverWarnings);
}

} // namespace ServerStore
