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
    connect(set, &DataSet::rowsAppended, this, &SearchFeedback::updateTitle);
    connect(set, &DataSet::scanFinished, this, [this] {
        updateTitle();
        if (!m_set->scanError().isEmpty()) {
            m_status->showMessage(
                QStringLiteral("查找没有完成，列表只有已找到的记录：%1").arg(m_set->scanError()));
            return;
        }
        if (m_set->isFiltered() && m_set->query().where == m_where && m_set->isEmpty())
            m_status->showMessage(QStringLiteral("未找到"), 10000);
    });
    updateTitle();
}

QString SearchFeedback::resultTitle(int shown, int total, const QString& criteria)
{
    const QString what = criteria.isEmpty() ? QString() : QStringLiteral("（%1）").arg(criteria);
    return QStringLiteral("查询结果%1：%2 条，共 %3 条").arg(what).arg(shown).arg(total);
}

QString SearchFeedback::criteria(const QString& name, const QString& mobile)
{
    // The mobile box wins when both hold text: said, so that the name the
    // user typed is not thought to have narrowed the list.
    if (!mobile.isEmpty())
        return name.isEmpty() ? QStringLiteral("手机含“%1”").arg(mobile)
                              : QStringLiteral("手机含“%1”，两框都填时只按手机查询").arg(mobile);
    return name.isEmpty() ? QString() : QStringLiteral("姓名含“%1”").arg(name);
}

bool SearchFeedback::search(const QString& name, const QString& mobile, QString* error)
{
    const QString n = name.trimmed();
    const QString m = mobile.trimmed();
    if (n.isEmpty() && m.isEmpty())
        return true;
    return search(
        criteria(n, m),
        [this, n, m](QString* why) {
            return ContainsSearch::byNameOrMobile(*m_set, m_set->table(), n, m, why);
        },
        error);
}

bool SearchFeedback::search(const QString& criteria, const std::function<bool(QString*)>& open,
                            QString* error)
{
    // Known before the set resets, so that the title names it at once.
    m_criteria = criteria;
    m_where.clear();
    const bool ok = open(error);
    if (ok) {
        m_where = m_set->query().where;
        m_binds = m_set->query().binds;
    }
    updateTitle();
    // A search still scanning tells when it finds nothing at its end.
    if (ok && !m_set->isScanning() && m_set->isEmpty())
        m_status->showMessage(QStringLiteral("未找到"), 10000);
    else
        m_status->clearMessage();
    return ok;
}

void SearchFeedback::updateTitle()
{
    if (!m_set->isOpen() || !m_set->isFiltered()) {
        // The count too: a long list shows no end otherwise.
        m_frame->setTitle(m_set->isOpen() ? QStringLiteral("全部记录（%1 条）").arg(m_set->recordCount())
                                          : QStringLiteral("全部记录"));
        return;
    }
    const DataSet::Query q = m_set->query();
    const bool ours = q.where == m_where && q.binds == m_binds;
    if (m_set->isScanning()) {
        // The rows found so far; the whole count would wait for the scan.
        const QString what =
            ours && !m_criteria.isEmpty() ? QStringLiteral("（%1）").arg(m_criteria) : QString();
        m_frame->setTitle(
            QStringLiteral("查询结果%1：已找到 %2 条，正在查找…").arg(what).arg(m_set->knownCount()));
        return;
    }
    QString title = resultTitle(m_set->recordCount(), m_set->tableRowCount(), ours ? m_criteria : QString());
    if (!m_set->scanError().isEmpty())
        title += QStringLiteral("（查找没有完成）");
    m_frame->setTitle(title);
}
