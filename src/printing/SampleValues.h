#pragma once

#include "printing/DocumentValues.h"

// The designers' sample document: every datum gives its fixed sample value, whatever the line.
// Lets the ticket designer print a test ticket before any document exists.
class CSampleValues final : public CDocumentValues {
public:
    std::string DocumentValue(std::int32_t index) const override;
    std::string DetailValue(std::int32_t index) const override;
};
