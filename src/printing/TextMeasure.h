#pragma once

#include "printing/LogFont.h"

#include <string_view>

// Text measurement for the page layout, in 0.1 mm. The page layout needs widths to wrap notes and
// the font's vertical metrics to stack their lines; the surface that draws the page implements
// this with the same fonts it draws with, so the layout and the drawing agree.
class CTextMeasure {
public:
    struct Metrics {
        double ascent = 0;          // baseline to the top of the character cell
        double descent = 0;         // baseline to the bottom of the character cell
        double externalLeading = 0; // space the font asks for between lines
        double averageCharWidth = 0;
        double height() const { return ascent + descent; }
    };

    virtual ~CTextMeasure() = default;

    // Metrics of `font` at its natural width; its Width member is not applied.
    virtual Metrics FontMetrics(const LogFont& font) const = 0;
    // Advance width of UTF-8 `text` in `font` at its natural width.
    virtual double TextWidth(std::string_view text, const LogFont& font) const = 0;
};
