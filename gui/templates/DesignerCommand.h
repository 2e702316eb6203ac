#pragma once

#include "templates/TemplateDesign.h"

#include <QStringList>
#include <QUndoCommand>

class DesignerDocument;

// One step of the designer's undo stack: the template before and after it
// (the value is shared, not copied, so a step is small whatever the
// picture), and the selection either side.
class DesignerCommand : public QUndoCommand
{
public:
    DesignerCommand(DesignerDocument* doc, const TemplateDesign& before, const TemplateDesign& after,
                    const QStringList& selectBefore, const QStringList& selectAfter, const QString& text,
                    const QString& mergeKey);

    void undo() override;
    void redo() override;
    int id() const override;
    bool mergeWith(const QUndoCommand* other) override;

    // A save gave the template its code: every step keeps it.
    void keepIdentity(const TemplateDesign& saved);

private:
    DesignerDocument* m_doc;
    TemplateDesign m_before;
    TemplateDesign m_after;
    QStringList m_selectBefore;
    QStringList m_selectAfter;
    QString m_mergeKey;
};
