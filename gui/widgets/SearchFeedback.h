#pragma once

#include <QObject>
#include <QString>
#include <QVariantList>

#include <functional>

class DataSet;
class QGroupBox;
class QStatusBar;

// The search bar of a recipient list and what it tells: the typed texts
// without leading and trailing blanks, "未找到" in the status bar when no
// row matches, and the list frame's title while the list is narrowed: what
// was searched for, "查询结果（手机含“138”，两框都填时只按手机查询）：17 条，共 407 条",
// or "查询结果：17 条，共 407 条" for another narrowing (the printed-mark
// filter); "全部记录" otherwise. While a search still scans, the title
// says the rows found so far and "正在查找…".
class SearchFeedback : public QObject
{
    Q_OBJECT
public:
    SearchFeedback(DataSet* set, QGroupBox* frame, QStatusBar* status, QObject* parent = nullptr);

    // Narrows the list to the rows whose name contains name and whose mobile
    // number contains mobile; an empty box (after trimming) does not count,
    // both empty: nothing happens. False with the reason when the list could
    // not be reopened.
    bool search(const QString& name, const QString& mobile, QString* error);
    // Another search of the bar (the waybill number box): open narrows the
    // list, criteria says by what, e.g. "单号含“0012”".
    bool search(const QString& criteria, const std::function<bool(QString*)>& open, QString* error);

    // criteria: what was searched for, e.g. "姓名含“张”"; empty for none.
    static QString resultTitle(int shown, int total, const QString& criteria = {});
    // "手机含“138”" or "姓名含“张”", naming the box that counted.
    static QString criteria(const QString& name, const QString& mobile);

private:
    void updateTitle();

    DataSet* m_set;
    QGroupBox* m_frame;
    QStatusBar* m_status;
    // The last search by name and mobile, and the statement it opened: the
    // title names it while the list still shows that statement.
    QString m_criteria;
    QString m_where;
    QVariantList m_binds;
};
