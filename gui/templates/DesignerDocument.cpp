#include "gui/templates/DesignerDocument.h"

#include "gui/templates/DesignerCommand.h"

#include <QUndoStack>

DesignerDocument::DesignerDocument(QObject* parent) : QObject(parent), m_stack(new QUndoStack(this)) {}

void DesignerDocument::reset(const TemplateDesign& design)
{
    m_stack->clear();
    apply(design, {});
    m_stack->setClean();
}

void DesignerDocument::change(const TemplateDesign& next, const QString& text, const QStringList& selectAfter,
                              const QString& mergeKey)
{
    if (next == m_design) {
        setSelection(selectAfter);
        return;
    }
    m_stack->push(new DesignerCommand(this, m_design, next, m_selection, selectAfter, text, mergeKey));
}

bool DesignerDocument::isModified() const
{
    return !m_stack->isClean();
}

void DesignerDocument::markSaved(const TemplateDesign& saved)
{
    // The save may have given the template its code: that is no step back.
    m_design.code = saved.code;
    m_design.builtIn = saved.builtIn;
    for (int i = 0; i < m_stack->count(); ++i)
        const_cast<DesignerCommand*>(static_cast<const DesignerCommand*>(m_stack->command(i)))
            ->keepIdentity(saved);
    m_stack->setClean();
    emit designChanged();
}

void DesignerDocument::setSelection(const QStringList& names)
{
    if (names == m_selection)
        return;
    m_selection = names;
    emit selectionChanged();
}

void DesignerDocument::apply(const TemplateDesign& design, const QStringList& selection)
{
    m_design = design;
    m_selection = selection;
    emit designChanged();
    emit selectionChanged();
}
