#pragma once

#include "designer/ElementOps.h"
#include "designer/FormatEdit.h"

#include <QUndoCommand>

#include <functional>

// An edit of the open format on the designer's undo stack, with the elements selected before and
// after it: undoing it selects again what the edit was made on, redoing it what it left
// selected. `changed` is called after each redo or undo with the selection to show, so that the
// window redraws. Nudges of the same selection (same `mergeId`, not -1) merge into one step.
class CUndoEdit final : public QUndoCommand {
public:
    using Changed = std::function<void(const ElementOps::Selection&)>;

    CUndoEdit(CFormatEdit edit, CDesignFormat& format, ElementOps::Selection selectedBefore,
              ElementOps::Selection selectedAfter, Changed changed, int mergeId = -1);

    void redo() override;
    void undo() override;
    int id() const override { return m_mergeId; }
    bool mergeWith(const QUndoCommand* other) override;

private:
    CFormatEdit m_edit;
    CDesignFormat& m_format;
    ElementOps::Selection m_selectedBefore;
    ElementOps::Selection m_selectedAfter;
    Changed m_changed;
    int m_mergeId;
};
