#pragma once

#include <QStatusBar>

class QLabel;
class ReportLayout;
class TQuickRep;

// The preview's status bar: how far the generation is, which page is on
// show, the report's title with the count of cut texts, and, for a batch of
// chosen rows, what the pages hold ("选中 12 条").
class PreviewStatusBar : public QStatusBar
{
    Q_OBJECT
public:
    PreviewStatusBar(TQuickRep* report, const ReportLayout* layout, QWidget* parent);

    // Says the state of the run, page (0-based) on show.
    void update(int page);
    // What the pages hold, asked again after the rows changed.
    void refreshContents();

    QString pageText(int page) const;
    QString progressText() const;
    QString overflowText() const;
    QString contentsText() const;

private:
    TQuickRep* m_report;
    const ReportLayout* m_layout;
    int m_shownProgress = 0;
    QLabel* m_progressPanel;
    QLabel* m_pagePanel;
    QLabel* m_titlePanel;
    QLabel* m_contentsPanel = nullptr;
};
