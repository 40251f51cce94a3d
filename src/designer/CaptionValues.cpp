#include "designer/CaptionValues.h"

#include "printing/FormatData.h"

std::string CCaptionValues::DocumentValue(std::int32_t index) const { return FormatData::Caption(FIELD_DOC, index); }

std::string CCaptionValues::DetailValue(std::int32_t index) const { return FormatData::Caption(FIELD_DETAIL, index); }
