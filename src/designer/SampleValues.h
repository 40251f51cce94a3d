#pragma once

#include "printing/FieldValueProvider.h"

// What the designer shows in place of a document: each datum's caption ("Nombre Cliente") or its
// sample value ("$1,242.00").
class CSampleValues final : public CFieldValueProvider {
public:
    enum class Mode { Captions, Samples };

    explicit CSampleValues(Mode mode = Mode::Samples) : m_mode(mode) {}
    Mode GetMode() const { return m_mode; }

    std::string DocumentValue(std::int32_t index) const override;
    std::string DetailValue(std::int32_t index) const override;

private:
    Mode m_mode;
};
