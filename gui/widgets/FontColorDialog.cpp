#include "gui/widgets/FontColorDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

QList<QPair<QColor, QString>> FontColorDialog::standardColors()
{
    return {{QColor(0x00, 0x00, 0x00), QStringLiteral("黑色")},
            {QColor(0x80, 0x00, 0x00), QStringLiteral("褐红色")},
            {QColor(0x00, 0x80, 0x00), QStringLiteral("绿色")},
            {QColor(0x80, 0x80, 0x00), QStringLiteral("橄榄色")},
            {QColor(0x00, 0x00, 0x80), QStringLiteral("深蓝色")},
            {QColor(0x80, 0x00, 0x80), QStringLiteral("紫色")},
            {QColor(0x00, 0x80, 0x80), QStringLiteral("蓝绿色")},
            {QColor(0x80, 0x80, 0x80), QStringLiteral("灰色")},
            {QColor(0xC0, 0xC0, 0xC0), QStringLiteral("银色")},
            {QColor(0xFF, 0x00, 0x00), QStringLiteral("红色")},
            {QColor(0x00, 0xFF, 0x00), QStringLiteral("酸橙色")},
            {QColor(0xFF, 0xFF, 0x00), QStringLiteral("黄色")},
            {QColor(0x00, 0x00, 0xFF), QStringLiteral("蓝色")},
            {QColor(0xFF, 0x00, 0xFF), QStringLiteral("紫红色")},
            {QColor(0x00, 0xFF, 0xFF), QStringLiteral("水绿色")},
            {QColor(0xFF, 0xFF, 0xFF), QStringLiteral("白色")}};
}

FontColorDialog::FontColorDialog(const QFont& font, const QColor& color, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("字体"));
    auto* layout = new QVBoxLayout(this);

    m_fonts = new QFontDialog(font, this);
    m_fonts->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    m_fonts->setWindowFlags(Qt::Widget);
    layout->addWidget(m_fonts);

    auto* colorRow = new QHBoxLayout;
    colorRow->addWidget(new QLabel(QStringLiteral("颜色(&C)："), this));
    m_colors = new QComboBox(this);
    int current = 0;
    const auto colors = standardColors();
    for (int i = 0; i < colors.size(); ++i) {
        QPixmap swatch(16, 12);
        swatch.fill(colors[i].first);
        QPainter(&swatch).drawRect(0, 0, 15, 11);
        m_colors->addItem(QIcon(swatch), colors[i].second, colors[i].first);
        if (colors[i].first == color)
            current = i;
    }
    m_colors->setCurrentIndex(current);
    colorRow->addWidget(m_colors);
    colorRow->addStretch();
    layout->addLayout(colorRow);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QFont FontColorDialog::selectedFont() const
{
    return m_fonts->currentFont();
}

QColor FontColorDialog::selectedColor() const
{
    return m_colors->currentData().value<QColor>();
}
