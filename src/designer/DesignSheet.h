#pragma once

#include "printing/PrintPage.h"
#include "printing/WindowsFormat.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class CSheetValues;
class CTextMeasure;

// How the designer's sheet shows each element: the same drawing operations the printed page
// carries for it (through the page layout), with the data of `values`; a detail element also
// on the following detail rows up to Caben, which the sheet shows faintly. As on paper, each
// row's notes block pushes the rows below it down.
class CDesignSheet final {
public:
    static constexpr std::int32_t kMaxGhostRows = 60;

    struct Drawing {
        PrintPage ops;    // as printed on the first detail row (or where it stands)
        PrintPage ghosts; // the following detail rows
        // Some of its text does not fit its box on some row and is cut off on paper.
        bool overflows = false;
    };

    // `measure` must outlive the sheet.
    explicit CDesignSheet(const CTextMeasure& measure) : m_measure(measure) {}

    // Where each shown detail row lies: its vertical offset from the first (0.1 mm, 0 or less),
    // one per row. A single row when the format has no pitch.
    std::vector<std::int32_t> RowOffsets(const CWindowsFormat& format, const CSheetValues& values) const;
    // `rows` from RowOffsets of the same format and values.
    Drawing Draw(const CWindowsFormat& format, std::size_t index, const CSheetValues& values,
                 const std::vector<std::int32_t>& rows) const;

private:
    // A text line wider or taller than the box it is clipped to.
    bool cut(const PageOp& op) const;

    const CTextMeasure& m_measure;
};
