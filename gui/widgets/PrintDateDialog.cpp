#include "gui/widgets/PrintDateDialog.h"

#include "report/FontSetup.h"

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

PrintDateDialog::PrintDateDialog(const QDate& current, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("PrintDateDialog"));
    setWindowTitle(QStringLiteral("打印日期"));
    setFont(FontSetup::interfaceFont(14));
    auto* column = new QVBoxLayout(this);
    auto* note = new QLabel(QStringLiteral("运单上寄件日期（年、月、日）印的日子。\n"
                                           "改后一直有效，直到再改或下次启动软件（那时恢复为当天）。"),
                            this);
    column->addWidget(note);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("打印日期："), this));
    m_edit = new QDateEdit(current.isValid() ? current : QDate::currentDate(), this);
    m_edit->setObjectName(QStringLiteral("PrintDate"));
    m_edit->setCalendarPopup(true);
    m_edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    row->addWidget(m_edit, 1);
    auto* today = new QPushButton(QStringLiteral("今天"), this);
    today->setObjectName(QStringLiteral("TodayButton"));
    today->setAutoDefault(false);
    row->addWidget(today);
    column->addLayout(row);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    column->addWidget(buttons);
    connect(today, &QPushButton::clicked, this, [this] { m_edit->setDate(QDate::currentDate()); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QDate PrintDateDialog::date() const
{
    return m_edit->date();
}

void PrintDateDialog::setDate(const QDate& date)
{
    m_edit->setDate(date);
}
