#include "gui/widgets/FontColorDialog.h"

#include "report/FontSetup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The faces that stand in for "宋体" are listed under that name only.
bool isSongStandIn(const QString& family)
{
    const QStringList standIns = QFont::substitutes(FontSetup::songFamily());
    return standIns.mid(0, 3).contains(family, Qt::CaseInsensitive);
}

void selectText(QListWidget* list, const QString& text)
{
    const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchFixedString);
    if (!found.isEmpty()) {
        list->setCurrentItem(found.first());
        list->scrollToItem(found.first());
    }
}

} // namespace

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

QStringList FontColorDialog::styleNames()
{
    return {QStringLiteral("常规"), QStringLiteral("倾斜"), QStringLiteral("粗体"),
            QStringLiteral("粗偏斜体")};
}

FontColorDialog::FontColorDialog(const QFont& font, const QColor& color, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("字体"));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    layout->addLayout(grid);

    auto column = [&](int col, const QString& title, QLineEdit*& box, QListWidget*& list, int width) {
        auto* label = new QLabel(title, this);
        box = new QLineEdit(this);
        box->setReadOnly(true);
        list = new QListWidget(this);
        list->setFixedWidth(width);
        list->setMinimumHeight(150);
        box->setFixedWidth(width);
        label->setBuddy(list);
        grid->addWidget(label, 0, col);
        grid->addWidget(box, 1, col);
        grid->addWidget(list, 2, col);
    };
    column(0, QStringLiteral("字体(&F)："), m_familyBox, m_families, 200);
    column(1, QStringLiteral("字形(&Y)："), m_styleBox, m_styles, 110);
    column(2, QStringLiteral("大小(&S)："), m_sizeBox, m_sizes, 70);

    const QString song = FontSetup::songFamily();
    m_families->addItem(song);
    for (const QString& f : QFontDatabase::families())
        if (f != song && !isSongStandIn(f) && !QFontDatabase::isPrivateFamily(f))
            m_families->addItem(f);
    m_styles->addItems(styleNames());
    for (int s : {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72})
        m_sizes->addItem(QString::number(s));

    auto* effects = new QGroupBox(QStringLiteral("效果"), this);
    auto* effectsBox = new QVBoxLayout(effects);
    m_strike = new QCheckBox(QStringLiteral("删除线(&K)"), effects);
    m_underline = new QCheckBox(QStringLiteral("下划线(&U)"), effects);
    effectsBox->addWidget(m_strike);
    effectsBox->addWidget(m_underline);
    auto* colorRow = new QHBoxLayout;
    auto* colorLabel = new QLabel(QStringLiteral("颜色(&C)："), effects);
    m_colors = new QComboBox(effects);
    colorLabel->setBuddy(m_colors);
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
    colorRow->addWidget(colorLabel);
    colorRow->addWidget(m_colors);
    effectsBox->addLayout(colorRow);
    grid->addWidget(effects, 3, 0);

    auto* sampleBox = new QGroupBox(QStringLiteral("示例"), this);
    auto* sampleLayout = new QVBoxLayout(sampleBox);
    m_sample = new QLabel(QStringLiteral("寄件人 AaBbYyZz 123"), sampleBox);
    m_sample->setAlignment(Qt::AlignCenter);
    m_sample->setMinimumHeight(60);
    sampleLayout->addWidget(m_sample);
    grid->addWidget(sampleBox, 3, 1, 1, 2);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    // Start at the font the items have now.
    QString family = font.family();
    if (isSongStandIn(family) || family.compare(QStringLiteral("SimSun"), Qt::CaseInsensitive) == 0)
        family = song;
    if (m_families->findItems(family, Qt::MatchFixedString).isEmpty())
        m_families->insertItem(1, family);
    selectText(m_families, family);
    m_styles->setCurrentRow((font.bold() ? 2 : 0) + (font.italic() ? 1 : 0));
    const int points = font.pointSize() > 0 ? font.pointSize() : qRound(font.pixelSize() * 72.0 / 96.0);
    if (m_sizes->findItems(QString::number(points), Qt::MatchFixedString).isEmpty())
        m_sizes->addItem(QString::number(points));
    selectText(m_sizes, QString::number(points));
    m_strike->setChecked(font.strikeOut());
    m_underline->setChecked(font.underline());

    for (QListWidget* list : {m_families, m_styles, m_sizes})
        connect(list, &QListWidget::currentTextChanged, this, &FontColorDialog::updateSample);
    for (QCheckBox* c : {m_strike, m_underline})
        connect(c, &QCheckBox::toggled, this, &FontColorDialog::updateSample);
    connect(m_colors, &QComboBox::currentIndexChanged, this, &FontColorDialog::updateSample);
    updateSample();
}

QFont FontColorDialog::selectedFont() const
{
    QFont f(m_families->currentItem() ? m_families->currentItem()->text() : FontSetup::songFamily());
    const int style = std::max(0, m_styles->currentRow());
    f.setBold(style >= 2);
    f.setItalic(style % 2 == 1);
    f.setPointSize(m_sizes->currentItem() ? m_sizes->currentItem()->text().toInt() : 12);
    f.setStrikeOut(m_strike->isChecked());
    f.setUnderline(m_underline->isChecked());
    return f;
}

QColor FontColorDialog::selectedColor() const
{
    return m_colors->currentData().value<QColor>();
}

void FontColorDialog::updateSample()
{
    if (QListWidgetItem* i = m_families->currentItem())
        m_familyBox->setText(i->text());
    if (QListWidgetItem* i = m_styles->currentItem())
        m_styleBox->setText(i->text());
    if (QListWidgetItem* i = m_sizes->currentItem())
        m_sizeBox->setText(i->text());
    m_sample->setFont(selectedFont());
    QPalette pal = m_sample->palette();
    pal.setColor(QPalette::WindowText, selectedColor());
    m_sample->setPalette(pal);
}
