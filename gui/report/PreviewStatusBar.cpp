#include "gui/report/PreviewStatusBar.h"

#include "report/QuickRep.h"
#include "report/ReportLayout.h"
#include "report/ReportOutputListener.h"

#include <QLabel>
#include <QRegularExpression>

PreviewStatusBar::PreviewStatusBar(TQuickRep* report, const ReportLayout* layout, QWidget* parent)
    : QStatusBar(parent), m_report(report), m_layout(layout), m_progressPanel(new QLabel(this)),
      m_pagePanel(new QLabel(this)), m_titlePanel(new QLabel(report->ReportTitle, this))
{
    setSizeGripEnabled(false);
    m_progressPanel->setMinimumWidth(50);
    m_pagePanel->setMinimumWidth(100);
    addWidget(m_progressPanel);
    addWidget(m_pagePanel);
    addWidget(m_titlePanel, 1);
    if (m_report->OutputListener) {
        m_contentsPanel = new QLabel(m_report->OutputListener->contentsText(), this);
        m_contentsPanel->setObjectName(QStringLiteral("ContentsPanel"));
        addPermanentWidget(m_contentsPanel);
    }
}

void PreviewStatusBar::update(int page)
{
    const int p = m_layout->progress();
    // Whole steps of 5, blank at the start and once finished.
    if (m_layout->isFinished() || p >= 100) {
        m_progressPanel->clear();
        m_shownProgress = 100;
    } else if (p - m_shownProgress >= 5 || p < m_shownProgress) {
        m_shownProgress = p - p % 5;
        m_progressPanel->setText(m_shownProgress > 0 ? QStringLiteral("%1%").arg(m_shownProgress)
                                                     : QString());
    }
    m_pagePanel->setText(pageText(page));
    // The count of cut texts shares the title's panel (templates have no title).
    const QStringList title = {m_report->ReportTitle, overflowText()};
    m_titlePanel->setText(title.filter(QRegularExpression(QStringLiteral("."))).join(QStringLiteral("  ")));
}

void PreviewStatusBar::refreshContents()
{
    if (m_contentsPanel)
        m_contentsPanel->setText(m_report->OutputListener->contentsText());
}

QString PreviewStatusBar::pageText(int page) const
{
    const int count = m_layout->pageCount();
    return QStringLiteral("第 %1/%2 页").arg(count > 0 ? page + 1 : 0).arg(count);
}

QString PreviewStatusBar::progressText() const
{
    return m_progressPanel->text();
}

QString PreviewStatusBar::overflowText() const
{
    const int n = m_layout->overflows().size();
    return n > 0 ? QStringLiteral("文字超出 %1 处").arg(n) : QString();
}

QString PreviewStatusBar::contentsText() const
{
    return m_contentsPanel ? m_contentsPanel->text() : QString();
}
