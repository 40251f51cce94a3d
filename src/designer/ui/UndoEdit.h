#pragma once

#include "designer/FormatEdit.h"

#include <QUndoCommand>

#include <functional>

// An edit of the open format on the designer's undo stack. `changed` is called after each redo
// or undo so that the window redraws. Nudges of the same selection (same `mergeId`, not -1)
// merge into one step.
class CUndoEdit final : public QUndoCommand {
public:
    CUndoEdit(CFormatEdit edit, CDesignFormat& format, std::function<void()> changed, int mergeId = -1);

    void redo() override;
    void undo() override;
    int id() const override { return m_mergeId; }
    bool mergeWith(const QUndoCommand* other) override;

private:
    CFormatEdit m_edit;
    CDesignFormat& m_format;
    std::function<void()> m_changed;
    int m_mergeId;
};
