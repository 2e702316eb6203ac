#pragma once

#include <QDialog>
#include <QSizeF>
#include <QVector>

class QButtonGroup;
class QComboBox;
class QDoubleSpinBox;
class QRadioButton;

// "新建模板": a blank page (a preset or any size in mm), a copy of one of
// the built-in templates (with its saved calibration and picture), or one
// of the shop's own templates from the address book to go on with.
class DesignerStartDialog : public QDialog
{
    Q_OBJECT
public:
    enum class Start
    {
        Blank,
        BuiltIn,
        Saved
    };
    struct Choice
    {
        Start start = Start::Blank;
        QSizeF pageMm{100, 150};
        QString code; // BuiltIn, Saved
    };
    struct Entry
    {
        QString code;
        QString caption;
    };

    // saved: the address book's own templates (may be empty).
    DesignerStartDialog(const QVector<Entry>& builtIn, const QVector<Entry>& saved,
                        QWidget* parent = nullptr);

    Choice choice() const;
    // Sets the dialog to a choice (a test, or the last one).
    void setChoice(const Choice& c);

private:
    void presetChosen(int index);
    void showState();

    QRadioButton* m_blank;
    QRadioButton* m_builtIn;
    QRadioButton* m_saved;
    QComboBox* m_preset;
    QDoubleSpinBox* m_width;
    QDoubleSpinBox* m_height;
    QComboBox* m_builtInList;
    QComboBox* m_savedList;
};
