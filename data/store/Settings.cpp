#include "data/store/Settings.h"

#include "data/store/AppInfo.h"
#include "data/store/DataLocation.h"
#include "data/store/ServerAddress.h"

#include <QCoreApplication>
#include <QSettings>

namespace {

const QString kServerKey = QStringLiteral("database/server");
const QString kPdfMarksKey = QStringLiteral("print/pdfMarksPrinted");
const QString kSingleNumberKey = QStringLiteral("print/singleAsksNumber");
const QString kPreviewSizeKey = QStringLiteral("preview/size");
const QString kPreviewZoomKey = QStringLiteral("preview/zoom");

QSettings store()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, AppInfo::organization());
}

// message names the file with %1.
bool synced(QSettings& s, const QString& message, QString* error)
{
    s.sync();
    if (s.status() == QSettings::NoError)
        return true;
    if (error)
        *error = message.arg(s.fileName());
    return false;
}

} // namespace

Settings::Panel Settings::panel() const
{
    return store().value(panelKey()).toString() == QLatin1String("1") ? Panel::Sender : Panel::Recipient;
}

bool Settings::setPanel(Panel panel, QString* error)
{
    QSettings s = store();
    s.setValue(panelKey(), panel == Panel::Sender ? QStringLiteral("1") : QStringLiteral("0"));
    return synced(s, QStringLiteral("无法保存界面设置：%1"), error);
}

QString Settings::server() const
{
    const QString uri = store().value(kServerKey).toString();
    return ServerAddress::isServer(uri) ? uri : QString();
}

bool Settings::setServer(const QString& uri, QString* error)
{
    QSettings s = store();
    if (uri.isEmpty())
        s.remove(kServerKey);
    else
        s.setValue(kServerKey, uri);
    return synced(s, QStringLiteral("无法保存设置：%1"), error);
}

bool Settings::pdfMarksPrinted() const
{
    return store().value(kPdfMarksKey, false).toBool();
}

bool Settings::setPdfMarksPrinted(bool on, QString* error)
{
    QSettings s = store();
    s.setValue(kPdfMarksKey, on);
    return synced(s, QStringLiteral("无法保存设置：%1"), error);
}

namespace {
QString escpKey(const QString& printer, const char* what)
{
    // Queue names hold no '/', but a key must not open a group either way.
    return QStringLiteral("escp/%1/%2")
        .arg(QString(printer).replace(QLatin1Char('/'), QLatin1Char('_')), QLatin1String(what));
}

bool setOrRemove(const QString& key, const QString& value, QString* error)
{
    QSettings s = store();
    if (value.isEmpty())
        s.remove(key);
    else
        s.setValue(key, value);
    return synced(s, QStringLiteral("无法保存设置：%1"), error);
}
} // namespace

QString Settings::escpPaper(const QString& printer) const
{
    return store().value(escpKey(printer, "paper")).toString();
}

bool Settings::setEscpPaper(const QString& printer, const QString& paper, QString* error)
{
    return setOrRemove(escpKey(printer, "paper"), paper, error);
}

QString Settings::escpDevice(const QString& printer) const
{
    return store().value(escpKey(printer, "device")).toString();
}

bool Settings::setEscpDevice(const QString& printer, const QString& device, QString* error)
{
    return setOrRemove(escpKey(printer, "device"), device, error);
}

bool Settings::singleAsksNumber() const
{
    return store().value(kSingleNumberKey, false).toBool();
}

bool Settings::setSingleAsksNumber(bool on, QString* error)
{
    QSettings s = store();
    s.setValue(kSingleNumberKey, on);
    return synced(s, QStringLiteral("无法保存设置：%1"), error);
}

QString Settings::storeLocation() const
{
    if (m_program == Program::CommandLine)
        return DataLocation::workingDirectoryBook();
    QString chosen = server();
    if (!chosen.isEmpty())
        return chosen;
    if (!QCoreApplication::instance())
        return DataLocation::workingDirectoryBook();
    return DataLocation::addressBook(QCoreApplication::applicationFilePath());
}

QSize Settings::previewSize() const
{
    return store().value(kPreviewSizeKey).toSize();
}

QString Settings::previewZoom() const
{
    return store().value(kPreviewZoomKey).toString();
}

bool Settings::setPreview(const QSize& size, const QString& zoom, QString* error)
{
    QSettings s = store();
    s.setValue(kPreviewSizeKey, size);
    s.setValue(kPreviewZoomKey, zoom);
    return synced(s, QStringLiteral("无法保存预览窗口设置：%1"), error);
}
