#pragma once

#include "templates/TemplateDesign.h"

#include <QObject>
#include <QStringList>

class QUndoStack;

// The template the designer edits and its undo stack. Every change goes
// through change() as one step of the stack, so undo and redo reach every
// change and the clean state says whether anything is unsaved.
class DesignerDocument : public QObject
{
    Q_OBJECT
public:
    explicit DesignerDocument(QObject* parent = nullptr);

    const TemplateDesign& design() const { return m_design; }
    QUndoStack* undoStack() const { return m_stack; }

    // Starts over on design: no steps back, nothing unsaved.
    void reset(const TemplateDesign& design);
    // One step on the undo stack from the current design to next, with
    // the items named in selectAfter selected once it is done (and the
    // current selection once it is undone). Steps of the same mergeKey in a
    // row (arrow keys, typing in a box) are one step. No change, no step.
    void change(const TemplateDesign& next, const QString& text, const QStringList& selectAfter,
                const QString& mergeKey = QString());
    bool isModified() const;
    // After a save: what is there now is what the address book holds.
    void markSaved(const TemplateDesign& saved);

    // The selection as names of items (the scene keeps it in step).
    QStringList selection() const { return m_selection; }
    void setSelection(const QStringList& names);

signals:
    // The design is another one now (a step done or undone, a reset).
    void designChanged();
    void selectionChanged();

private:
    friend class DesignerCommand;
    void apply(const TemplateDesign& design, const QStringList& selection);

    TemplateDesign m_design;
    QStringList m_selection;
    QUndoStack* m_stack;
};
