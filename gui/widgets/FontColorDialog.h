#pragma once

#include <QColor>
#include <QDialog>
#include <QFont>

class QComboBox;
class QFontDialog;

// The font dialog of the template windows: face, size and style as in the
// system's font dialog, plus the colour of the text, chosen from the
// sixteen standard colours.
class FontColorDialog : public QDialog
{
    Q_OBJECT
public:
    FontColorDialog(const QFont& font, const QColor& color, QWidget* parent = nullptr);

    QFont selectedFont() const;
    QColor selectedColor() const;

    // The sixteen colours offered, with their names.
    static QList<QPair<QColor, QString>> standardColors();

private:
    QFontDialog* m_fonts = nullptr;
    QComboBox* m_colors = nullptr;
};
