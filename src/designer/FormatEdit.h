#pragma once

#include "designer/DesignFormat.h"

#include <string>

// One undoable change to a format: its design before and after it (the layout, remarks, Caben
// fixed or not, paper and background picture; never the id or name). Formats hold at most a few
// hundred elements and the picture is shared, so keeping both states whole is cheap and makes
// every edit, however it came about, undoable the same way.
class CFormatEdit final {
public:
    CFormatEdit(std::string text, CDesignFormat before, CDesignFormat after)
        : m_text(std::move(text)), m_before(std::move(before)), m_after(std::move(after)) {}

    const std::string& Text() const { return m_text; }
    void Redo(CDesignFormat& format) const { format.TakeDesign(m_after); }
    void Undo(CDesignFormat& format) const { format.TakeDesign(m_before); }
    bool Changes() const { return !m_before.SameDesign(m_after); }

    // Successive nudges of the same selection become one step: `next` starts where this ends.
    bool MergeWith(const CFormatEdit& next);

    const CDesignFormat& Before() const { return m_before; }
    const CDesignFormat& After() const { return m_after; }

private:
    std::string m_text;
    CDesignFormat m_before;
    CDesignFormat m_after;
};
