#pragma once

#include <QObject>
#include <QString>

class DataSet;
class QGroupBox;
class QStatusBar;

// The search bar of a recipient list and what it tells: the typed texts
// without leading and trailing blanks, "未找到" in the status bar when no
// row matches, and the list frame's title "查询结果：17 条，共 407 条"
// while the list is narrowed ("全部记录" otherwise).
class SearchFeedback : public QObject
{
    Q_OBJECT
public:
    SearchFeedback(DataSet* set, QGroupBox* frame, QStatusBar* status, QObject* parent = nullptr);

    // Narrows the list by mobile number (which wins) or name; both empty
    // after trimming: nothing happens. False with the reason when the list
    // could not be reopened.
    bool search(const QString& name, const QString& mobile, QString* error);

    static QString resultTitle(int shown, int total);

private:
    void updateTitle();

    DataSet* m_set;
    QGroupBox* m_frame;
    QStatusBar* m_status;
};
