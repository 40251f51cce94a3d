#pragma once

#include "printing/FieldValueProvider.h"

// The designer's view of the data by name: every datum shows its caption ("Nombre Cliente")
// instead of a value, for laying out a form before thinking of any document.
class CCaptionValues final : public CFieldValueProvider {
public:
    std::string DocumentValue(std::int32_t index) const override;
    std::string DetailValue(std::int32_t index) const override;
};
