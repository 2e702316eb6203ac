#include "gui/templates/DesignerCommand.h"

#include "gui/templates/DesignerDocument.h"

DesignerCommand::DesignerCommand(DesignerDocument* doc, const TemplateDesign& before,
                                 const TemplateDesign& after, const QStringList& selectBefore,
                                 const QStringList& selectAfter, const QString& text, const QString& mergeKey)
    : QUndoCommand(text), m_doc(doc), m_before(before), m_after(after), m_selectBefore(selectBefore),
      m_selectAfter(selectAfter), m_mergeKey(mergeKey)
{
}

void DesignerCommand::undo()
{
    m_doc->apply(m_before, m_selectBefore);
}

void DesignerCommand::redo()
{
    m_doc->apply(m_after, m_selectAfter);
}

int DesignerCommand::id() const
{
    // One id for every mergeable step; mergeWith() compares the keys.
    return m_mergeKey.isEmpty() ? -1 : 1;
}

bool DesignerCommand::mergeWith(const QUndoCommand* other)
{
    const auto* o = static_cast<const DesignerCommand*>(other);
    if (o->m_mergeKey != m_mergeKey)
        return false;
    m_after = o->m_after;
    m_selectAfter = o->m_selectAfter;
    return true;
}

void DesignerCommand::keepIdentity(const TemplateDesign& saved)
{
    for (TemplateDesign* d : {&m_before, &m_after}) {
        d->code = saved.code;
        d->builtIn = saved.builtIn;
    }
}
