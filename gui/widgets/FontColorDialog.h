#pragma once

#include <QColor>
#include <QDialog>
#include <QFont>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;

// The font dialog of the template windows, laid out as the system's font
// dialog: face, style and size lists with their boxes, the effects
// (strike-out, underline, colour) and a sample. The face that stands in for
// "宋体" is offered under that name, and every face keeps the four styles
// 常规, 倾斜, 粗体, 粗偏斜体 (a face without a bold cut is drawn bold).
class FontColorDialog : public QDialog
{
    Q_OBJECT
public:
    FontColorDialog(const QFont& font, const QColor& color, QWidget* parent = nullptr);

    QFont selectedFont() const;
    QColor selectedColor() const;

    // The sixteen colours offered, with their names.
    static QList<QPair<QColor, QString>> standardColors();
    // Style names in the order offered.
    static QStringList styleNames();

private:
    void updateSample();

    QLineEdit* m_familyBox = nullptr;
    QListWidget* m_families = nullptr;
    QLineEdit* m_styleBox = nullptr;
    QListWidget* m_styles = nullptr;
    QLineEdit* m_sizeBox = nullptr;
    QListWidget* m_sizes = nullptr;
    QCheckBox* m_strike = nullptr;
    QCheckBox* m_underline = nullptr;
    QComboBox* m_colors = nullptr;
    QLabel* m_sample = nullptr;
};
