#include "designer/FormatEdit.h"

bool CFormatEdit::MergeWith(const CFormatEdit& next) {
    if (next.m_text != m_text || !next.m_before.SameDesign(m_after))
        return false;
    m_after = next.m_after;
    return true;
}
