#include "printing/RenglonField.h"

#include "db/SpanishText.h"
#include "printing/Archive.h"
#include "printing/FieldValueProvider.h"

#include <algorithm>
#include <utility>

CRenglonField::CRenglonField(std::int32_t kind, std::int32_t index, std::int32_t width)
    : Kind(kind), Index(index), Width(std::clamp<std::int32_t>(width, 0, FormatData::kTicketColumns)) {
    Text = FormatData::Sample(kind, index);
    if (Width > 0) {
        const auto w = static_cast<std::size_t>(Width);
        const std::size_t length = SpanishText::length(Text);
        Text = length >= w ? SpanishText::left(Text, w) : Text + std::string(w - length, ' ');
    }
}

CRenglonField::CRenglonField(std::string text) : Text(std::move(text)) {}

std::string CRenglonField::Value(const CFieldValueProvider& values) const {
    switch (Kind) {
    case FIELD_TEXT: return Text;
    case FIELD_DOC: return values.DocumentValue(Index);
    case FIELD_DETAIL: return values.DetailValue(Index);
    default: return {};
    }
}

bool CRenglonField::Load(CArchive& ar) {
    Text = ar.ReadString();
    Text2 = ar.ReadString();
    Kind = ar.ReadInt32();
    Index = ar.ReadInt32();
    Width = ar.ReadInt32();
    return ar.ok();
}

void CRenglonField::Store(CArchive& ar) const {
    ar.WriteString(Text);
    ar.WriteString(Text2);
    ar.WriteInt32(Kind);
    ar.WriteInt32(Index);
    ar.WriteInt32(Width);
}
