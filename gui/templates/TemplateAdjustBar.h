#pragma once

#include <QObject>
#include <QString>

#include <functional>

class LayoutEditor;
class QCheckBox;
class QPushButton;
class QToolButton;
class QWidget;
class TemplateReport;

// The left half of a template window's strip: "校准…", "背景图…",
// "隐藏"/"显示", "恢复默认" and "按词换行". Each stores its change in the
// address book at once, through the layout editor or, for the wrapping
// rule, for the whole template (every variant's window prints with it).
class TemplateAdjustBar : public QObject
{
    Q_OBJECT
public:
    // The buttons go on strip; dialogs open over window; database gives
    // the address book of the moment.
    TemplateAdjustBar(QWidget* strip, TemplateReport* layout, LayoutEditor* editor,
                      std::function<QString()> database, QWidget* window);

    QPushButton* calibrateButton() const { return m_calibrate; }
    QPushButton* pictureButton() const { return m_picture; }
    QPushButton* hideButton() const { return m_hide; }
    QToolButton* resetButton() const { return m_reset; }
    QCheckBox* wordWrapBox() const { return m_wordWrap; }

    void calibrate();
    void choosePicture();
    void toggleHidden();
    void setWordWrap(bool on);
    // Shows the saved choice again (another window may have changed it).
    void showWrapChoice();

private:
    void buildButtons(QWidget* strip);
    void buildWrapChoice(QWidget* strip);

    TemplateReport* m_layout;
    LayoutEditor* m_editor;
    std::function<QString()> m_database;
    QWidget* m_window;
    QPushButton* m_calibrate = nullptr;
    QPushButton* m_picture = nullptr;
    QPushButton* m_hide = nullptr;
    QToolButton* m_reset = nullptr;
    QCheckBox* m_wordWrap = nullptr;
};
