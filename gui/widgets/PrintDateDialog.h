#pragma once

#include <QDate>
#include <QDialog>

class QDateEdit;

// "打印日期…": the day the waybills carry as the sender's date, today unless
// the user picks another (a parcel handed in tomorrow, forms filled the
// evening before). The main window keeps the choice until it is changed or
// the program starts again.
class PrintDateDialog : public QDialog
{
    Q_OBJECT
public:
    explicit PrintDateDialog(const QDate& current, QWidget* parent = nullptr);

    QDate date() const;
    void setDate(const QDate& date);

private:
    QDateEdit* m_edit = nullptr;
};
