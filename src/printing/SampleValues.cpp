#include "printing/SampleValues.h"

#include "printing/FormatData.h"

std::string CSampleValues::DocumentValue(std::int32_t index) const { return FormatData::Sample(FIELD_DOC, index); }

std::string CSampleValues::DetailValue(std::int32_t index) const {
    return FormatData::Sample(FIELD_DETAIL, index);
}
