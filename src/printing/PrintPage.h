#pragma once

#include "printing/FormatRect.h"
#include "printing/LogFont.h"
#include "printing/QrCode.h"

#include <cstdint>
#include <string>
#include <vector>

// A point on the sheet in 0.1 mm, y upwards from the top-left corner (y ≤ 0 on the sheet).
struct PagePoint final {
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend bool operator==(const PagePoint&, const PagePoint&) = default;
};

// One drawing operation of a printed page, in 0.1 mm with y upwards from the top-left corner of
// the sheet. Whatever draws it (paper, PDF, preview) only maps coordinates and fonts.
struct PageOp final {
    enum class Kind { Text, Line, Rectangle, QrCode, Picture };

    Kind kind = Kind::Text;
    std::int32_t colour = 0; // 0x00BBGGRR

    // Text: one line, no line breaks. `anchor` is the reference point: its y is the bottom of the
    // character cell, its x the left end, right end or centre of the text after `alignment`
    // (ALIGN_LEFT, ALIGN_RIGHT, ALIGN_CENTER). Drawn clipped to `clip` (normalised: left ≤ right,
    // top ≤ bottom numerically).
    std::string text;
    LogFont font;       // Height < 0 (character height); Width 0: the width is xScale
    double xScale = 1;  // horizontal scale of the glyphs against the font's natural width
    std::int32_t alignment = 0;
    PagePoint anchor;
    FormatRect clip;

    // Line: from `from` to `to`. Rectangle: the outline through (from.x, from.y), (to.x, from.y),
    // (to.x, to.y), (from.x, to.y). Both with a solid pen `penWidth` wide.
    PagePoint from;
    PagePoint to;
    std::int32_t penWidth = 0;

    // Picture: the picture file named by `text`, fitted into `clip` keeping its proportions and
    // centred there; nothing when it cannot be read.
    // QR code: `qr`'s modules in black, with its quiet zone of white, filling the square `clip`.
    QrCode qr;
};

// One printed sheet: its drawing operations in drawing order, and which detail rows it carries.
struct PrintPage final {
    std::vector<PageOp> ops;
    std::int32_t firstRow = 0; // grid row of its first detail line (1 for the document's first)
    std::int32_t rowCount = 0; // detail lines on this sheet
};
