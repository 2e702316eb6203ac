#include "gui/widgets/HelpWindow.h"

#include "gui/widgets/ScreenFit.h"
#include "report/FontSetup.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

static void initHelpResource()
{
    // The resource lives in a static library: make sure it is linked in.
    Q_INIT_RESOURCE(help);
}

QString HelpWindow::helpHtml()
{
    initHelpResource();
    QFile f(QStringLiteral(":/help/help.html"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}

HelpWindow::HelpWindow(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("使用说明"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    auto* box = new QVBoxLayout(this);
    m_text = new QTextBrowser(this);
    m_text->setObjectName(QStringLiteral("HelpText"));
    m_text->setOpenLinks(false);
    m_text->setFont(FontSetup::interfaceFont(14));
    m_text->setHtml(helpHtml());
    box->addWidget(m_text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("关闭"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    box->addWidget(buttons);
    resize(ScreenFit::clientSize(QSize(640, 560), ScreenFit::availableFor(parent)));
}

QString HelpWindow::shownText() const
{
    return m_text->toPlainText();
}
