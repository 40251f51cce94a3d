#include "printing/RenglonTicket.h"

#include "db/SpanishText.h"
#include "printing/Archive.h"
#include "printing/FieldValueProvider.h"

#include <algorithm>

bool CRenglonTicket::HasDetail() const {
    return std::any_of(Fields.begin(), Fields.end(), [](const CRenglonField& f) { return f.IsDetail(); });
}

std::string CRenglonTicket::Align(const std::string& text, std::int32_t alignment, int width) {
    const auto columns = static_cast<std::size_t>(std::max(width, 0));
    const std::size_t length = SpanishText::length(text);
    if (length > columns)
        return text;
    switch (alignment) {
    case ALIGN_RIGHT: return std::string(columns - length, ' ') + text;
    case ALIGN_CENTER: return std::string((columns - length) / 2, ' ') + text;
    default: return text;
    }
}

bool CRenglonTicket::BuildText(const CFieldValueProvider& values, bool detailMode, int columns) {
    // Both modes start afresh, so a detail row printed for several lines never carries the
    // previous line's text.
    std::string text;
    for (const CRenglonField& field : Fields)
        if (detailMode || !field.IsDetail())
            text += field.Value(values);
    Text = Align(text, Alignment, columns);
    return HasDetail();
}

void CRenglonTicket::BuildPreview(int columns) {
    std::string text;
    for (const CRenglonField& field : Fields)
        text += field.Text;
    Text = Align(text, Alignment, columns);
}

bool CRenglonTicket::Load(CArchive& ar) {
    Text = ar.ReadString();
    Alignment = ar.ReadInt32();
    const std::int32_t count = ar.ReadCount(CRenglonField::kMinStreamBytes);
    Fields.clear();
    Fields.reserve(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count && ar.ok(); ++i) {
        CRenglonField field;
        field.Load(ar);
        Fields.push_back(std::move(field));
    }
    return ar.ok();
}

void CRenglonTicket::Store(CArchive& ar) const {
    ar.WriteString(Text);
    ar.WriteInt32(Alignment);
    ar.WriteInt32(static_cast<std::int32_t>(Fields.size()));
    for (const CRenglonField& field : Fields)
        field.Store(ar);
}
