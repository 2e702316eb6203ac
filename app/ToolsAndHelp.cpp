#include "app/ToolsAndHelp.h"

#include "gui/widgets/Dialogs.h"
#include "gui/widgets/HelpWindow.h"
#include "gui/widgets/ProductInfo.h"
#include "gui/widgets/Shell.h"

#include "data/store/ServerAddress.h"
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

ToolsAndHelp::ToolsAndHelp(QWidget* owner) : QObject(owner), m_owner(owner) {}

bool ToolsAndHelp::startProgram(const QStringList& programs, const QString& what)
{
    const QString path = Shell::firstFound(programs);
    if (path.isEmpty()) {
        Dialogs::message(
            m_owner,
            QStringLiteral("没有找到%1程序。试过：%2。").arg(what, programs.join(QStringLiteral("、"))));
        return false;
    }
    if (!Shell::start(path)) {
        Dialogs::message(m_owner, QStringLiteral("无法启动%1程序 %2。").arg(what, path));
        return false;
    }
    return true;
}

bool ToolsAndHelp::openAddress(const QUrl& url)
{
    if (Shell::openUrl(url))
        return true;
    const bool mail = url.scheme() == QLatin1String("mailto");
    const QString text =
        mail ? QStringLiteral("这台电脑上没有可以写邮件的程序，无法打开“%1”。\n请用您的邮箱把邮件发到 %2。")
                   .arg(url.toString(), url.path())
             : QStringLiteral("这台电脑上没有可以打开网页的程序（浏览器），无法打开“%1”。\n"
                              "使用说明在“帮助主题”→“使用说明”中。")
                   .arg(url.toString());
    Dialogs::message(m_owner, text);
    return false;
}

void ToolsAndHelp::showHelp()
{
    if (!m_help)
        m_help = new HelpWindow(m_owner);
    m_help->show();
    m_help->raise();
    m_help->activateWindow();
}

void ToolsAndHelp::showAbout(const QString& databasePath)
{
    ServerAddress server;
    const QString text = ServerAddress::parse(databasePath, &server, nullptr)
                             ? QStringLiteral("%1\n\n数据库（地址簿）：\n%2\n\n程序：\n%3")
                                   .arg(ProductInfo::windowTitle(), server.display(),
                                        QDir::toNativeSeparators(QCoreApplication::applicationFilePath()))
                             : QStringLiteral("%1\n\n数据文件（地址簿）：\n%2\n\n程序：\n%3")
                                   .arg(ProductInfo::windowTitle(),
                                        QDir::toNativeSeparators(QFileInfo(databasePath).absoluteFilePath()),
                                        QDir::toNativeSeparators(QCoreApplication::applicationFilePath()));
    Dialogs::message(m_owner, text, QMessageBox::Information, QMessageBox::Ok, QStringLiteral("关于"));
}
