#pragma once

#include "printing/TextMeasure.h"

// Text measurement of the page model with Qt's fonts, the same ones the page painter draws with.
class CQtTextMeasure final : public CTextMeasure {
public:
    Metrics FontMetrics(const LogFont& font) const override;
    double TextWidth(std::string_view text, const LogFont& font) const override;
};
