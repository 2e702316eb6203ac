#include "gui/widgets/RecipientPasteDialog.h"

#include "gui/widgets/ScreenFit.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// Qt 6.4's text edits crash when pasting while the X clipboard has no owner
// (an empty clipboard after login): they are handed no data at all.
class PasteBox : public QPlainTextEdit
{
public:
    using QPlainTextEdit::QPlainTextEdit;

protected:
    bool canInsertFromMimeData(const QMimeData* source) const override
    {
        return source && QPlainTextEdit::canInsertFromMimeData(source);
    }
    void insertFromMimeData(const QMimeData* source) override
    {
        if (source && source->hasText())
            QPlainTextEdit::insertFromMimeData(source);
    }
};

} // namespace

RecipientPasteDialog::RecipientPasteDialog(const AddressParser& parser, QWidget* parent)
    : QDialog(parent), m_parser(parser)
{
    setObjectName(QStringLiteral("RecipientPasteDialog"));
    setWindowTitle(QStringLiteral("智能识别"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(
        QStringLiteral("把收件人信息粘贴到下面（姓名、手机、电话、收件单位、地址、邮编，顺序不限）。"
                       "多个收件人之间空一行，或每行一个。"),
        this));
    m_text = new PasteBox(this);
    m_text->setObjectName(QStringLiteral("PasteText"));
    m_text->setPlaceholderText(QStringLiteral("张三 13800138000 河南省郑州市金水区花园路12号"));
    layout->addWidget(m_text, 1);

    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("ReviewNote"));
    m_note->setWordWrap(true);
    m_note->hide();
    layout->addWidget(m_note);
    m_review = new QTableWidget(0, ParsedRecipient::keys().size(), this);
    m_review->setObjectName(QStringLiteral("ReviewList"));
    m_review->setHorizontalHeaderLabels(ParsedRecipient::keys());
    m_review->horizontalHeader()->setStretchLastSection(true);
    m_review->hide();
    layout->addWidget(m_review, 2);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_recognise = new QPushButton(QStringLiteral("识别"), this);
    m_recognise->setObjectName(QStringLiteral("RecogniseButton"));
    m_recognise->setDefault(true);
    m_addAll = new QPushButton(QStringLiteral("全部添加"), this);
    m_addAll->setObjectName(QStringLiteral("AddAllButton"));
    m_addAll->hide();
    auto* cancel = new QPushButton(QStringLiteral("取消"), this);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    buttons->addWidget(m_recognise);
    buttons->addWidget(m_addAll);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);

    connect(m_recognise, &QPushButton::clicked, this, &RecipientPasteDialog::recognise);
    connect(m_addAll, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    // Room for a pasted chat message and, later, a list to review.
    resize(ScreenFit::clientSize(QSize(900, 480), ScreenFit::availableFor(parent)));
}

void RecipientPasteDialog::fitReview()
{
    // The whole rows in view without sideways scrolling: the dialog grows
    // as far as the screen lets it, then the address column gives way.
    m_review->resizeColumnsToContents();
    int need = m_review->verticalHeader()->sizeHint().width() + 2 * m_review->frameWidth() +
               m_review->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    for (int col = 0; col < m_review->columnCount(); ++col)
        need += m_review->columnWidth(col);
    const QMargins margins = layout()->contentsMargins();
    need += margins.left() + margins.right();
    const QSize room = ScreenFit::clientSize(QSize(need, height()), ScreenFit::availableFor(this));
    if (width() < room.width())
        resize(room.width(), height());
    if (need > room.width())
        m_review->horizontalHeader()->setSectionResizeMode(
            int(ParsedRecipient::keys().indexOf(QStringLiteral("地址"))), QHeaderView::Stretch);
}

QColor RecipientPasteDialog::unsureColor()
{
    return QColor(255, 230, 140);
}

QString RecipientPasteDialog::unsureHint()
{
    return QStringLiteral("识别时不能确定，请核对");
}

void RecipientPasteDialog::setText(const QString& text)
{
    m_text->setPlainText(text);
}

void RecipientPasteDialog::recognise()
{
    m_found.clear();
    m_found = m_parser.parseAll(m_text->toPlainText());
    if (m_found.isEmpty()) {
        m_note->setText(QStringLiteral("没有可识别的文字。"));
        m_note->show();
        return;
    }
    if (m_found.size() == 1) {
        accept();
        return;
    }
    showReview();
}

void RecipientPasteDialog::showReview()
{
    const QStringList keys = ParsedRecipient::keys();
    m_review->setRowCount(m_found.size());
    int marked = 0;
    for (int row = 0; row < m_found.size(); ++row) {
        const ParsedRecipient& r = m_found.at(row);
        for (int col = 0; col < keys.size(); ++col) {
            auto* item = new QTableWidgetItem(r.value(keys.at(col)));
            if (r.isUnsure(keys.at(col))) {
                item->setBackground(unsureColor());
                item->setToolTip(unsureHint());
                ++marked;
            }
            m_review->setItem(row, col, item);
        }
    }
    fitReview();
    m_note->setText(QStringLiteral("识别出 %1 个收件人，请核对（黄色的格子识别时不能确定），可直接修改，"
                                   "然后点“全部添加”。")
                        .arg(m_found.size()));
    m_note->setProperty("marked", marked);
    m_note->show();
    m_review->show();
    m_addAll->show();
    m_recognise->setDefault(false);
    m_addAll->setDefault(true);
}

QList<ParsedRecipient> RecipientPasteDialog::recipients() const
{
    if (m_found.size() < 2 || m_review->rowCount() != m_found.size())
        return m_found;
    // A row the user emptied in the review is one not to add.
    QList<ParsedRecipient> list;
    const QStringList keys = ParsedRecipient::keys();
    for (int row = 0; row < m_found.size(); ++row) {
        ParsedRecipient r = m_found.at(row);
        bool empty = true;
        for (int col = 0; col < keys.size(); ++col) {
            const QTableWidgetItem* item = m_review->item(row, col);
            r.setValue(keys.at(col), item ? item->text().trimmed() : QString());
            empty = empty && r.value(keys.at(col)).isEmpty();
        }
        if (!empty)
            list << r;
    }
    return list;
}
