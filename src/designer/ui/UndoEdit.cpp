#include "designer/ui/UndoEdit.h"

CUndoEdit::CUndoEdit(CFormatEdit edit, CDesignFormat& format, std::function<void()> changed, int mergeId)
    : QUndoCommand(QString::fromStdString(edit.Text())), m_edit(std::move(edit)), m_format(format),
      m_changed(std::move(changed)), m_mergeId(mergeId) {}

void CUndoEdit::redo() {
    m_edit.Redo(m_format);
    m_changed();
}

void CUndoEdit::undo() {
    m_edit.Undo(m_format);
    m_changed();
}

bool CUndoEdit::mergeWith(const QUndoCommand* other) {
    const auto* next = dynamic_cast<const CUndoEdit*>(other);
    return next && next->m_mergeId == m_mergeId && &next->m_format == &m_format && m_edit.MergeWith(next->m_edit);
}
