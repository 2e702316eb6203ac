#include "data/store/ServerAddress.h"

#include <QRegularExpression>
#include <QUrl>
#include <QUrlQuery>

namespace {

// The authority of a URI as typed (user, password, host, port), read by
// hand: Qt's parser names only its own reason, in English.
QString authority(const QString& uri)
{
    const int start = uri.indexOf(QLatin1String("://"));
    if (start < 0)
        return {};
    QString rest = uri.mid(start + 3);
    const int end = rest.indexOf(QRegularExpression(QStringLiteral("[/?#]")));
    if (end >= 0)
        rest.truncate(end);
    return rest.mid(rest.lastIndexOf(QLatin1Char('@')) + 1);
}

// Why Qt refused the URI, said of the part the user typed wrong.
QString invalidReason(const QString& uri, const QUrl& url)
{
    const QString hostPort = authority(uri);
    const QString qtReason = url.errorString();
    if (qtReason.contains(QLatin1String("port"), Qt::CaseInsensitive)) {
        const int colon = hostPort.lastIndexOf(QLatin1Char(':'));
        const QString port = colon >= 0 ? hostPort.mid(colon + 1) : QString();
        return QStringLiteral("端口“%1”无效，应为 1 到 65535 之间的数字。").arg(port);
    }
    if (qtReason.contains(QLatin1String("host"), Qt::CaseInsensitive))
        return QStringLiteral("主机名“%1”无效：只能含字母、数字、点和连字符（IPv6 地址写在方括号里）。")
            .arg(hostPort.section(QLatin1Char(':'), 0, hostPort.startsWith(QLatin1Char('[')) ? -2 : 0));
    return QStringLiteral("写法不对，应为 postgresql://用户名@主机:端口/数据库名。");
}

} // namespace

bool ServerAddress::isServer(const QString& location)
{
    return location.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           location.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

bool ServerAddress::parse(const QString& uri, ServerAddress* out, QString* error)
{
    auto fail = [&](const QString& why) {
        if (error)
            *error = QStringLiteral("数据库服务器地址 %1 无效：%2").arg(displayLocation(uri), why);
        return false;
    };
    if (!isServer(uri))
        return fail(QStringLiteral("应以 postgresql:// 开头。"));
    const QUrl url(uri, QUrl::StrictMode);
    if (!url.isValid())
        return fail(invalidReason(uri, url));
    ServerAddress a;
    a.host = url.host(QUrl::FullyDecoded);
    a.port = url.port(0);
    if (a.port < 0 || a.port > 65535)
        return fail(QStringLiteral("端口“%1”无效，应为 1 到 65535 之间的数字。").arg(a.port));
    a.user = url.userName(QUrl::FullyDecoded);
    a.password = url.password(QUrl::FullyDecoded);
    a.database = url.path(QUrl::FullyDecoded);
    if (a.database.startsWith(QLatin1Char('/')))
        a.database.remove(0, 1);
    const QUrlQuery query(url);
    for (const auto& item : query.queryItems(QUrl::FullyDecoded)) {
        const QString key = item.first;
        const QString value = item.second;
        if (key == QLatin1String("host")) {
            a.host = value;
        } else if (key == QLatin1String("port")) {
            bool ok = false;
            a.port = value.toInt(&ok);
            if (!ok || a.port <= 0 || a.port > 65535)
                return fail(QStringLiteral("端口“%1”无效，应为 1 到 65535 之间的数字。").arg(value));
        } else if (key == QLatin1String("user")) {
            a.user = value;
        } else if (key == QLatin1String("password")) {
            a.password = value;
        } else if (key == QLatin1String("dbname")) {
            a.database = value;
        } else if (key == QLatin1String("connect_timeout")) {
            bool ok = false;
            a.connectTimeout = value.toInt(&ok);
            if (!ok || a.connectTimeout < 0)
                return fail(QStringLiteral("连接超时“%1”无效，应为秒数。").arg(value));
        } else {
            return fail(QStringLiteral("不支持参数 %1。").arg(key));
        }
    }
    if (a.database.isEmpty())
        return fail(QStringLiteral("没有给出数据库名。"));
    if (out)
        *out = a;
    return true;
}

QString ServerAddress::uri(bool withPassword) const
{
    QUrl url;
    url.setScheme(QStringLiteral("postgresql"));
    QUrlQuery query;
    if (host.startsWith(QLatin1Char('/')))
        query.addQueryItem(QStringLiteral("host"), QString::fromLatin1(QUrl::toPercentEncoding(host, "/")));
    else
        url.setHost(host);
    if (port > 0)
        url.setPort(port);
    if (!user.isEmpty())
        url.setUserName(user);
    if (withPassword && !password.isEmpty())
        url.setPassword(password);
    url.setPath(QLatin1Char('/') + database);
    if (connectTimeout > 0)
        query.addQueryItem(QStringLiteral("connect_timeout"), QString::number(connectTimeout));
    if (!query.isEmpty())
        url.setQuery(query);
    QString text = url.toString(QUrl::FullyEncoded);
    // An empty authority still needs its slashes: postgresql:///dbname.
    if (url.host().isEmpty() && !text.startsWith(QLatin1String("postgresql://")))
        text.replace(0, int(strlen("postgresql:")), QStringLiteral("postgresql://"));
    return text;
}

QString ServerAddress::display() const
{
    QString where = host.isEmpty() ? QStringLiteral("本机") : host;
    if (port > 0)
        where += QLatin1Char(':') + QString::number(port);
    return QStringLiteral("服务器 %1%2/%3")
        .arg(user.isEmpty() ? QString() : user + QLatin1Char('@'), where, database);
}

QString ServerAddress::endpoint() const
{
    const QString p = QString::number(port > 0 ? port : 5432);
    if (host.isEmpty())
        return QStringLiteral("本机（端口 %1）").arg(p);
    if (host.startsWith(QLatin1Char('/')))
        return QStringLiteral("本机套接字 %1（端口 %2）").arg(host, p);
    return host.contains(QLatin1Char(':')) ? QStringLiteral("[%1]:%2").arg(host, p)
                                           : host + QLatin1Char(':') + p;
}

QString ServerAddress::displayLocation(const QString& location)
{
    if (!isServer(location))
        return location;
    QUrl url(location);
    if (!url.isValid())
        return QStringLiteral("postgresql://…");
    url.setPassword(QString());
    QUrlQuery query(url);
    if (query.hasQueryItem(QStringLiteral("password"))) {
        query.removeAllQueryItems(QStringLiteral("password"));
        url.setQuery(query);
    }
    return url.toString(QUrl::FullyEncoded);
}
