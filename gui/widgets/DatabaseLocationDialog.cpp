#include "gui/widgets/DatabaseLocationDialog.h"

#include "data/store/Database.h"
#include "data/store/ServerAddress.h"
#include "data/store/Settings.h"
#include "data/store/StoreSettings.h"
#include "gui/widgets/Dialogs.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

const int kDefaultPort = 5432;
const int kIndent = 24; // fields sit under their choice

} // namespace

DatabaseLocationDialog::DatabaseLocationDialog(const QString& filePath, QWidget* parent)
    : QDialog(parent), m_filePath(filePath), m_saved(Settings().server())
{
    setObjectName(QStringLiteral("DatabaseLocationDialog"));
    setWindowTitle(QStringLiteral("数据库位置"));
    auto* layout = new QVBoxLayout(this);

    m_fileChoice = new QRadioButton(QStringLiteral("本机数据文件"), this);
    m_fileChoice->setObjectName(QStringLiteral("FileChoice"));
    layout->addWidget(m_fileChoice);
    m_fileLabel = new QLabel(QDir::toNativeSeparators(filePath), this);
    m_fileLabel->setObjectName(QStringLiteral("FilePath"));
    m_fileLabel->setWordWrap(true);
    m_fileLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_fileLabel->setContentsMargins(kIndent, 0, 0, 6);
    layout->addWidget(m_fileLabel);

    m_serverChoice = new QRadioButton(QStringLiteral("数据库服务器"), this);
    m_serverChoice->setObjectName(QStringLiteral("ServerChoice"));
    m_serverChoice->setToolTip(QStringLiteral("PostgreSQL 服务器上的数据库，可供多台电脑共用"));
    layout->addWidget(m_serverChoice);
    auto* form = new QFormLayout;
    form->setContentsMargins(kIndent, 0, 0, 0);
    m_host = new QLineEdit(this);
    m_host->setObjectName(QStringLiteral("Host"));
    m_host->setPlaceholderText(QStringLiteral("如 192.168.1.10；留空为本机"));
    m_host->setToolTip(
        QStringLiteral("服务器的名称或 IP 地址；本机服务器也可填它的套接字文件夹，如 /run/postgresql"));
    m_port = new QSpinBox(this);
    m_port->setObjectName(QStringLiteral("Port"));
    m_port->setRange(1, 65535);
    m_port->setValue(kDefaultPort);
    m_port->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed); // five digits need no full row
    m_database = new QLineEdit(QStringLiteral("waybill"), this);
    m_database->setObjectName(QStringLiteral("DatabaseName"));
    m_user = new QLineEdit(this);
    m_user->setObjectName(QStringLiteral("User"));
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("Password"));
    m_password->setEchoMode(QLineEdit::Password);
    form->addRow(QStringLiteral("主机："), m_host);
    form->addRow(QStringLiteral("端口："), m_port);
    form->addRow(QStringLiteral("数据库："), m_database);
    form->addRow(QStringLiteral("用户名："), m_user);
    form->addRow(QStringLiteral("密码："), m_password);
    m_test = new QPushButton(QStringLiteral("测试连接"), this);
    m_test->setObjectName(QStringLiteral("TestConnection"));
    m_test->setAutoDefault(false);
    auto* testRow = new QHBoxLayout;
    testRow->addWidget(m_test);
    testRow->addStretch(1);
    form->addRow(QString(), testRow);
    layout->addLayout(form);
    m_serverFields = {m_host, m_port, m_database, m_user, m_password, m_test};
    for (int row = 0; row < form->rowCount(); ++row)
        if (QLayoutItem* label = form->itemAt(row, QFormLayout::LabelRole); label && label->widget())
            m_serverFields << label->widget();

    layout->addStretch(1);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OkButton"));
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    cancel->setAutoDefault(false);
    layout->addWidget(buttons);

    ServerAddress saved;
    if (!m_saved.isEmpty() && ServerAddress::parse(m_saved, &saved, nullptr)) {
        m_serverChoice->setChecked(true);
        m_host->setText(saved.host);
        m_port->setValue(saved.port > 0 ? saved.port : kDefaultPort);
        m_database->setText(saved.database);
        m_user->setText(saved.user);
        if (QFileInfo::exists(StoreSettings::passwordFile()))
            m_password->setPlaceholderText(QStringLiteral("已保存，不改请留空"));
    } else {
        m_fileChoice->setChecked(true);
    }

    setTabOrder(m_fileChoice, m_serverChoice);
    setTabOrder(m_serverChoice, m_host);
    setTabOrder(m_host, m_port);
    setTabOrder(m_port, m_database);
    setTabOrder(m_database, m_user);
    setTabOrder(m_user, m_password);
    setTabOrder(m_password, m_test);
    setTabOrder(m_test, ok);
    setTabOrder(ok, cancel);

    connect(m_serverChoice, &QRadioButton::toggled, this, &DatabaseLocationDialog::updateEnabled);
    connect(m_test, &QPushButton::clicked, this, &DatabaseLocationDialog::testConnection);
    connect(buttons, &QDialogButtonBox::accepted, this, &DatabaseLocationDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    updateEnabled();
    resize(460, sizeHint().height());
}

QString DatabaseLocationDialog::chosenLocation() const
{
    return m_serverChoice->isChecked() ? address().uri(false) : m_filePath;
}

ServerAddress DatabaseLocationDialog::address() const
{
    ServerAddress a;
    a.host = m_host->text().trimmed();
    a.port = m_port->value();
    a.database = m_database->text().trimmed();
    a.user = m_user->text().trimmed();
    a.password = m_password->text();
    return a;
}

bool DatabaseLocationDialog::tryServer(QString* error)
{
    if (m_database->text().trimmed().isEmpty()) {
        *error = QStringLiteral("请填写数据库名。");
        return false;
    }
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restore = qScopeGuard([] { QGuiApplication::restoreOverrideCursor(); });
    Database db;
    return db.open(address().uri(true), error);
}

void DatabaseLocationDialog::testConnection()
{
    QString error;
    if (tryServer(&error))
        Dialogs::message(this, QStringLiteral("连接成功。"), QMessageBox::Information);
    else
        Dialogs::error(this, error);
}

void DatabaseLocationDialog::accept()
{
    QString error;
    bool ok = true;
    if (m_fileChoice->isChecked()) {
        ok = StoreSettings::useFile(&error);
    } else {
        if (!tryServer(&error)) {
            Dialogs::error(this, QStringLiteral("无法使用这个数据库服务器，设置没有改变。\n\n%1").arg(error));
            return;
        }
        ok = StoreSettings::useServer(address(), &error);
    }
    if (!ok) {
        Dialogs::error(this, error);
        return;
    }
    QDialog::accept();
}

void DatabaseLocationDialog::updateEnabled()
{
    const bool server = m_serverChoice->isChecked();
    for (QWidget* w : std::as_const(m_serverFields))
        w->setEnabled(server);
}
