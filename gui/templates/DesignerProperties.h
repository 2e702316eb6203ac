#pragma once

#include "templates/TemplateDesign.h"

#include <QWidget>

#include <functional>

class DesignerDocument;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QSpinBox;

// The designer's property panel: the template's name and page, and all of
// the selected item (kind, column, text, box in 0.1 mm steps, font,
// alignment, wrapping, lines, rotation, the barcode's text). Each edit is a
// step on the undo stack; edits of one box in a row are one step.
class DesignerProperties : public QWidget
{
    Q_OBJECT
public:
    explicit DesignerProperties(DesignerDocument* doc, QWidget* parent = nullptr);

    // Shows what the document holds now.
    void refresh();

private:
    void build();
    void editItem(const QString& field, const std::function<void(DesignItem&)>& change);
    void editPage(const QString& field, const std::function<void(TemplateDesign&)>& change);
    void fillColumns(DesignItem::Source source, const QString& current);
    // Why a Code 128 item may print no bars; empty when it will.
    static QString codeNote(const DesignItem& item);
    QDoubleSpinBox* mmBox(double min, double max);

    DesignerDocument* m_doc;
    bool m_loading = false;

    QLineEdit* m_caption = nullptr;
    QDoubleSpinBox* m_pageW = nullptr;
    QDoubleSpinBox* m_pageH = nullptr;

    QGroupBox* m_itemGroup = nullptr;
    QLabel* m_selectionNote = nullptr;
    QComboBox* m_kind = nullptr;
    QComboBox* m_source = nullptr;
    QComboBox* m_column = nullptr;
    QLineEdit* m_text = nullptr;
    QLabel* m_codeNote = nullptr; // what a Code 128 cannot print
    QDoubleSpinBox* m_left = nullptr;
    QDoubleSpinBox* m_top = nullptr;
    QDoubleSpinBox* m_width = nullptr;
    QDoubleSpinBox* m_height = nullptr;
    QComboBox* m_family = nullptr;
    QDoubleSpinBox* m_size = nullptr;
    QCheckBox* m_bold = nullptr;
    QComboBox* m_align = nullptr;
    QComboBox* m_wrap = nullptr;
    QSpinBox* m_wrapBytes = nullptr;
    QSpinBox* m_lines = nullptr;
    QComboBox* m_rotation = nullptr;
    QCheckBox* m_human = nullptr;
    QCheckBox* m_hidden = nullptr;
    QCheckBox* m_opaque = nullptr;
};
