#include "gui/templates/DesignerStartDialog.h"

#include "gui/templates/DesignerEdits.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

DesignerStartDialog::DesignerStartDialog(const QVector<Entry>& builtIn, const QVector<Entry>& saved,
                                         QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("DesignerStartDialog"));
    setWindowTitle(QStringLiteral("新建模板"));
    auto* column = new QVBoxLayout(this);

    m_blank = new QRadioButton(QStringLiteral("空白模板"), this);
    column->addWidget(m_blank);
    auto* blankForm = new QFormLayout;
    blankForm->setContentsMargins(24, 0, 0, 0);
    m_preset = new QComboBox(this);
    for (const DesignerEdits::PagePreset& p : DesignerEdits::pagePresets())
        m_preset->addItem(p.caption, p.pageMm);
    m_preset->addItem(QStringLiteral("自定义尺寸"));
    blankForm->addRow(QStringLiteral("纸张"), m_preset);
    auto* size = new QHBoxLayout;
    m_width = new QDoubleSpinBox(this);
    m_height = new QDoubleSpinBox(this);
    for (QDoubleSpinBox* b : {m_width, m_height}) {
        b->setRange(10, 1000);
        b->setDecimals(1);
        b->setSuffix(QStringLiteral(" mm"));
        size->addWidget(b);
    }
    size->insertWidget(1, new QLabel(QStringLiteral("×"), this));
    blankForm->addRow(QStringLiteral("宽 × 高"), size);
    column->addLayout(blankForm);

    m_builtIn = new QRadioButton(QStringLiteral("复制内置模板（连同已保存的校准和背景图）"), this);
    column->addWidget(m_builtIn);
    m_builtInList = new QComboBox(this);
    for (const Entry& e : builtIn)
        m_builtInList->addItem(e.caption, e.code);
    auto* indent1 = new QHBoxLayout;
    indent1->setContentsMargins(24, 0, 0, 0);
    indent1->addWidget(m_builtInList);
    column->addLayout(indent1);

    m_saved = new QRadioButton(QStringLiteral("打开已保存的自定义模板"), this);
    column->addWidget(m_saved);
    m_savedList = new QComboBox(this);
    for (const Entry& e : saved)
        m_savedList->addItem(e.caption, e.code);
    auto* indent2 = new QHBoxLayout;
    indent2->setContentsMargins(24, 0, 0, 0);
    indent2->addWidget(m_savedList);
    column->addLayout(indent2);
    m_saved->setEnabled(!saved.isEmpty());

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    column->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    connect(m_preset, &QComboBox::currentIndexChanged, this, &DesignerStartDialog::presetChosen);
    for (QRadioButton* r : {m_blank, m_builtIn, m_saved})
        connect(r, &QRadioButton::toggled, this, &DesignerStartDialog::showState);
    m_blank->setChecked(true);
    m_preset->setCurrentIndex(2);
    presetChosen(2);
}

void DesignerStartDialog::presetChosen(int index)
{
    const QSizeF page = m_preset->itemData(index).toSizeF();
    if (!page.isEmpty()) {
        m_width->setValue(page.width());
        m_height->setValue(page.height());
    }
    showState();
}

void DesignerStartDialog::showState()
{
    const bool custom = m_preset->itemData(m_preset->currentIndex()).toSizeF().isEmpty();
    m_preset->setEnabled(m_blank->isChecked());
    m_width->setEnabled(m_blank->isChecked() && custom);
    m_height->setEnabled(m_blank->isChecked() && custom);
    m_builtInList->setEnabled(m_builtIn->isChecked());
    m_savedList->setEnabled(m_saved->isChecked());
}

DesignerStartDialog::Choice DesignerStartDialog::choice() const
{
    Choice c;
    c.pageMm = QSizeF(m_width->value(), m_height->value());
    if (m_builtIn->isChecked()) {
        c.start = Start::BuiltIn;
        c.code = m_builtInList->currentData().toString();
    } else if (m_saved->isChecked()) {
        c.start = Start::Saved;
        c.code = m_savedList->currentData().toString();
    }
    return c;
}

void DesignerStartDialog::setChoice(const Choice& c)
{
    (c.start == Start::BuiltIn ? m_builtIn : c.start == Start::Saved ? m_saved : m_blank)->setChecked(true);
    if (c.start == Start::Blank) {
        int preset = m_preset->count() - 1;
        for (int i = 0; i < m_preset->count() - 1; ++i)
            if (m_preset->itemData(i).toSizeF() == c.pageMm)
                preset = i;
        m_preset->setCurrentIndex(preset);
        m_width->setValue(c.pageMm.width());
        m_height->setValue(c.pageMm.height());
    }
    QComboBox* list = c.start == Start::Saved ? m_savedList : m_builtInList;
    if (c.start != Start::Blank)
        list->setCurrentIndex(qMax(0, list->findData(c.code)));
    showState();
}
