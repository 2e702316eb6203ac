#include "data/store/ServerAddress.h"

#include <QUrl>
#include <QUrlQuery>

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
        return fail(url.errorString());
    ServerAddress a;
    a.host = url.host(QUrl::FullyDecoded);
    a.port = url.port(0);
    if (a.port < 0 || a.port > 65535)
        return fail(QStringLiteral("端口应在 1 到 65535 之间。"));
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
                return fail(QStringLiteral("端口应在 1 到 65535 之间。"));
        } else if (key == QLatin1String("user")) {
            a.user = value;
        } else if (key == QLatin1String("password")) {
            a.password = value;
        } else if (key == QLatin1String("dbname")) {
            a.database = value;
        } else if (key == QLatin1String("connect_timeout")) {
            a.connectTimeout = value.toInt();
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
