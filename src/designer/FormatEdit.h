#pragma once

#include "printing/WindowsFormat.h"

#include <string>

// One undoable change to a format: the layout before and after it (the detail geometry,
// elements, Caben and Repetir). Formats hold at most a few hundred elements, so keeping both
// states whole is cheap and makes every edit, however it came about, undoable the same way.
class CFormatEdit final {
public:
    CFormatEdit(std::string text, CWindowsFormat before, CWindowsFormat after)
        : m_text(std::move(text)), m_before(std::move(before)), m_after(std::move(after)) {}

    const std::string& Text() const { return m_text; }
    void Redo(CWindowsFormat& format) const { format = m_after; }
    void Undo(CWindowsFormat& format) const { format = m_before; }
    bool Changes() const { return !(m_before == m_after); }

    // Successive nudges of the same selection become one step: `next` starts where this ends.
    bool MergeWith(const CFormatEdit& next);

    const CWindowsFormat& Before() const { return m_before; }
    const CWindowsFormat& After() const { return m_after; }

private:
    std::string m_text;
    CWindowsFormat m_before;
    CWindowsFormat m_after;
};
