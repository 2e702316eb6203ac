#include "gui/widgets/SearchFeedback.h"

#include "data/records/ContainsSearch.h"
#include "data/records/DataSet.h"

#include <QGroupBox>
#include <QStatusBar>

SearchFeedback::SearchFeedback(DataSet* set, QGroupBox* frame, QStatusBar* status, QObject* parent)
    : QObject(parent), m_set(set), m_frame(frame), m_status(status)
{
    connect(set, &DataSet::reset, this, &SearchFeedback::updateTitle);
    connect(set, &DataSet::rowInserted, this, &SearchFeedback::updateTitle);
    updateTitle();
}

QString SearchFeedback::resultTitle(int shown, int total)
{
    return QStringLiteral("查询结果：%1 条，共 %2 条").arg(shown).arg(total);
}

bool SearchFeedback::search(const QString& name, const QString& mobile, QString* error)
{
    const QString n = name.trimmed();
    const QString m = mobile.trimmed();
    if (n.isEmpty() && m.isEmpty())
        return true;
    const bool ok = ContainsSearch::byNameOrMobile(*m_set, m_set->table(), n, m, error);
    updateTitle();
    if (ok && m_set->isEmpty())
        m_status->showMessage(QStringLiteral("未找到"), 10000);
    else
        m_status->clearMessage();
    return ok;
}

void SearchFeedback::updateTitle()
{
    if (!m_set->isOpen() || !m_set->isFiltered()) {
        m_frame->setTitle(QStringLiteral("全部记录"));
        return;
    }
    m_frame->setTitle(resultTitle(m_set->recordCount(), m_set->tableRowCount()));
}
