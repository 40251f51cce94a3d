#include "designer/SampleValues.h"

#include "printing/FormatData.h"

std::string CSampleValues::DocumentValue(std::int32_t index) const {
    return m_mode == Mode::Captions ? FormatData::Caption(FIELD_DOC, index) : FormatData::Sample(FIELD_DOC, index);
}

std::string CSampleValues::DetailValue(std::int32_t index) const {
    return m_mode == Mode::Captions ? FormatData::Caption(FIELD_DETAIL, index)
                                    : FormatData::Sample(FIELD_DETAIL, index);
}
