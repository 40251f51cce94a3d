#pragma once

#include "printing/PrintPage.h"
#include "printing/WindowsFormat.h"

#include <cstddef>
#include <cstdint>

class CFieldValueProvider;
class CTextMeasure;

// How the designer's sheet shows each element: the same drawing operations the printed page
// carries for it (through the page layout), with the texts of `values`; a detail element also
// on the following detail rows, which the sheet shows faintly, up to Caben rows.
class CDesignSheet final {
public:
    static constexpr std::int32_t kMaxGhostRows = 60;

    struct Drawing {
        PrintPage ops;    // as printed on the first detail row (or where it stands)
        PrintPage ghosts; // the following detail rows
    };

    // `measure` must outlive the sheet.
    explicit CDesignSheet(const CTextMeasure& measure) : m_measure(measure) {}

    Drawing Draw(const CWindowsFormat& format, std::size_t index, const CFieldValueProvider& values) const;

private:
    const CTextMeasure& m_measure;
};
