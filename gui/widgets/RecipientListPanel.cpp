#include "gui/widgets/RecipientListPanel.h"

#include "data/records/DataSet.h"
#include "data/records/DataSetModel.h"
#include "gui/widgets/Dialogs.h"
#include "gui/widgets/RecipientTracking.h"
#include "gui/widgets/RecordGrid.h"
#include "gui/widgets/SearchFeedback.h"
#include "report/FontSetup.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QLabel* label(const QString& text, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setFont(FontSetup::interfaceFont(14));
    return l;
}

QLineEdit* box(const QString& name, QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setFont(FontSetup::interfaceFont(14));
    return e;
}

} // namespace

RecipientListPanel::RecipientListPanel(DataSetModel* list, const Options& options, QStatusBar* status,
                                       QWidget* parent)
    : QWidget(parent), m_set(list->dataSet())
{
    setObjectName(QStringLiteral("RecipientList"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(options.spacing);

    m_bar = new QGroupBox(QStringLiteral("单项查询"), this);
    m_bar->setObjectName(QStringLiteral("SearchBar"));
    m_bar->setFont(FontSetup::interfaceFont(options.titlePixels));
    m_bar->setFixedHeight(options.barHeight);
    m_nameLabel = label(QStringLiteral("姓名:"), m_bar);
    m_name = box(options.nameBox, m_bar);
    m_mobileLabel = label(QStringLiteral("手机:"), m_bar);
    m_mobile = box(options.mobileBox, m_bar);
    m_nameLabel->setBuddy(m_name);
    m_mobileLabel->setBuddy(m_mobile);
    m_searchButton = new QPushButton(QStringLiteral("查询"), m_bar);
    m_searchButton->setObjectName(options.searchButton);
    m_searchButton->setFont(FontSetup::interfaceFont(14));
    m_searchButton->setAutoDefault(false);
    m_numberLabel = label(QStringLiteral("单号:"), m_bar);
    column->addWidget(m_bar);

    m_frame = new QGroupBox(QStringLiteral("全部记录"), this);
    m_frame->setFont(FontSetup::interfaceFont(options.titlePixels));
    auto* inside = new QVBoxLayout(m_frame);
    inside->setContentsMargins(4, 4, 4, 4);
    m_grid = new RecordGrid(list, options.grid, m_frame);
    m_grid->setHighlightedTitles();
    m_grid->setRecipientLayout(options.columnWidths);
    inside->addWidget(m_grid);
    column->addWidget(m_frame, 1);

    // Made after the grid: Tab reaches the number box and the filter after it.
    m_tracking = new RecipientTracking(m_grid, list->dataSet(), options.table, options.batch, this);
    m_feedback = new SearchFeedback(list->dataSet(), m_frame, status, this);
    buildBar(options);

    connect(m_tracking, &RecipientTracking::selectionPrintRequested, this,
            &RecipientListPanel::selectionPrintRequested);
    connect(m_set, &DataSet::rowChanged, this, &RecipientListPanel::followMark);
    connect(m_searchButton, &QPushButton::clicked, this, &RecipientListPanel::search);
    connect(m_name, &QLineEdit::returnPressed, this, &RecipientListPanel::search);
    connect(m_mobile, &QLineEdit::returnPressed, this, &RecipientListPanel::search);
}

void RecipientListPanel::buildBar(const Options& options)
{
    // In the face of the boxes beside them.
    m_tracking->numberBox()->setFont(FontSetup::interfaceFont(14));
    m_tracking->filterBox()->setFont(FontSetup::interfaceFont(14));
    m_numberLabel->setFont(FontSetup::interfaceFont(14));
    m_tracking->numberBox()->setFixedWidth(130);
    const bool fixed = !options.bar.isEmpty() && !options.bar.first().rect.isNull();
    if (fixed) {
        // A fixed label ends where its box begins.
        m_nameLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_mobileLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    } else {
        m_name->setFixedWidth(153);
        m_mobile->setFixedWidth(153);
        m_row = new QHBoxLayout(m_bar);
        m_row->setContentsMargins(8, 0, 8, 4);
    }
    // In a row, the number box and its label keep a row of their own: the
    // pair takes a share of the bar's spare width, as it always did.
    QHBoxLayout* numberPair = nullptr;
    for (const Place& p : options.bar) {
        QWidget* w = part(p.part);
        if (fixed) {
            if (w->parentWidget() != m_bar)
                w->setParent(m_bar);
            w->setGeometry(p.rect);
            w->show();
        } else if (p.part == Part::NumberBox && numberPair) {
            numberPair->addWidget(w);
        } else if (p.part == Part::NumberLabel) {
            numberPair = new QHBoxLayout;
            m_row->addLayout(numberPair);
            numberPair->addWidget(w);
        } else {
            m_row->addWidget(w);
        }
    }
    if (m_row)
        m_row->addStretch();
}

QWidget* RecipientListPanel::part(Part part) const
{
    switch (part) {
    case Part::NameLabel:
        return m_nameLabel;
    case Part::NameBox:
        return m_name;
    case Part::MobileLabel:
        return m_mobileLabel;
    case Part::MobileBox:
        return m_mobile;
    case Part::SearchButton:
        return m_searchButton;
    case Part::NumberLabel:
        return m_numberLabel;
    case Part::NumberBox:
        return m_tracking->numberBox();
    case Part::Filter:
        return m_tracking->filterBox();
    }
    return nullptr;
}

void RecipientListPanel::search()
{
    QString why;
    // A waybill number, when given, is the most exact key of all; the
    // title says it was the one used.
    const QString number = m_tracking->numberBox()->text();
    const bool ok = m_tracking->hasNumber()
                        ? m_feedback->search(
                              QStringLiteral("单号含“%1”").arg(number),
                              [this](QString* error) { return m_tracking->searchNumber(error); }, &why)
                        : m_feedback->search(m_name->text(), m_mobile->text(), &why);
    if (!ok)
        Dialogs::error(window(), why);
    else if (!m_name->text().isEmpty() || !m_mobile->text().isEmpty())
        m_tracking->filterBox()->setCurrentIndex(0);
}

void RecipientListPanel::followMark(int row)
{
    const int filter = m_tracking->filterBox()->currentIndex();
    if (filter == 0 || m_refilterQueued)
        return;
    const bool printed = !m_set->value(row, m_set->fieldIndex(QStringLiteral("已打印"))).isEmpty();
    if (printed == (filter == 2))
        return;
    // Once for all the rows of a print, after the set has told them all.
    m_refilterQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_refilterQueued = false;
        const int now = m_tracking->filterBox()->currentIndex();
        if (now != 0)
            m_tracking->applyFilter(now);
    });
}

void RecipientListPanel::clearSearch()
{
    m_name->clear();
    m_mobile->clear();
    m_tracking->reset();
}
