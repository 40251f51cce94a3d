#pragma once

#include "printing/TextMeasure.h"

#include <cmath>
#include <string_view>

// Metrics proportional to the font's height, so layouts can be checked without a real face:
// every character is half the height wide; ascent, descent and leading are fractions of it.
class FakeMeasure final : public CTextMeasure {
public:
    FakeMeasure() = default;
    FakeMeasure(double ascent, double descent, double leading)
        : m_ascent(ascent), m_descent(descent), m_leading(leading) {}

    Metrics FontMetrics(const LogFont& font) const override {
        const double h = std::abs(font.Height);
        Metrics m;
        m.ascent = m_ascent * h;
        m.descent = m_descent * h;
        m.externalLeading = m_leading * h;
        m.averageCharWidth = 0.5 * h;
        return m;
    }
    double TextWidth(std::string_view text, const LogFont& font) const override {
        return 0.5 * std::abs(font.Height) * static_cast<double>(text.size());
    }

private:
    double m_ascent = 0.8;
    double m_descent = 0.2;
    double m_leading = 0.1;
};
