#include "designer/ui/UndoEdit.h"

CUndoEdit::CUndoEdit(CFormatEdit edit, CDesignFormat& format, ElementOps::Selection selectedBefore,
                     ElementOps::Selection selectedAfter, Changed changed, int mergeId)
    : QUndoCommand(QString::fromStdString(edit.Text())), m_edit(std::move(edit)), m_format(format),
      m_selectedBefore(std::move(selectedBefore)), m_selectedAfter(std::move(selectedAfter)),
      m_changed(std::move(changed)), m_mergeId(mergeId) {}

void CUndoEdit::redo() {
    m_edit.Redo(m_format);
    m_changed(m_selectedAfter);
}

void CUndoEdit::undo() {
    m_edit.Undo(m_format);
    m_changed(m_selectedBefore);
}

bool CUndoEdit::mergeWith(const QUndoCommand* other) {
    const auto* next = dynamic_cast<const CUndoEdit*>(other);
    if (!next || next->m_mergeId != m_mergeId || &next->m_format != &m_format || !m_edit.MergeWith(next->m_edit))
        return false;
    m_selectedAfter = next->m_selectedAfter;
    return true;
}
