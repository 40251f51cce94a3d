#include "printing/RenglonFormato.h"

#include "printing/Archive.h"

#include <algorithm>

bool CRenglonFormato::HasDetail() const {
    return !IsShape() &&
           std::any_of(Fields.begin(), Fields.end(), [](const CRenglonField& f) { return f.IsDetail(); });
}

bool CRenglonFormato::IsNotesElement() const {
    return !IsShape() &&
           std::any_of(Fields.begin(), Fields.end(), [](const CRenglonField& f) { return f.IsDetailNotes(); });
}

bool CRenglonFormato::IsQrElement() const {
    return !IsShape() && std::any_of(Fields.begin(), Fields.end(), [](const CRenglonField& f) {
               return f.Kind == FIELD_DOC && f.Index == FormatData::kQrCode;
           });
}

bool CRenglonFormato::IsLogoElement() const {
    return !IsShape() && std::any_of(Fields.begin(), Fields.end(), [](const CRenglonField& f) {
               return f.Kind == FIELD_DOC && f.Index == FormatData::kLogoNegocio;
           });
}

bool CRenglonFormato::IsWrappedElement() const {
    return !IsShape() && std::any_of(Fields.begin(), Fields.end(), [](const CRenglonField& f) {
               return FormatData::IsWrapped(f.Kind, f.Index);
           });
}

bool CRenglonFormato::BuildText(const CFieldValueProvider& values) {
    if (IsShape())
        return false;
    Text.clear();
    for (const CRenglonField& field : Fields)
        Text += field.Value(values);
    return HasDetail();
}

bool CRenglonFormato::Load(CArchive& ar) {
    Text = ar.ReadString();
    Alignment = ar.ReadInt32();
    // Every field is followed at least by the fixed part of this element.
    const std::int32_t count = ar.ReadCount(CRenglonField::kMinStreamBytes);
    Fields.clear();
    if (ar.ok() && static_cast<std::size_t>(count) * CRenglonField::kMinStreamBytes + kFixedBytes > ar.Remaining())
        ar.Fail();
    Fields.reserve(ar.ok() ? static_cast<std::size_t>(count) : 0);
    for (std::int32_t i = 0; i < count && ar.ok(); ++i) {
        CRenglonField field;
        field.Load(ar);
        Fields.push_back(std::move(field));
    }
    Position.left = ar.ReadInt32();
    Position.top = ar.ReadInt32();
    Position.right = ar.ReadInt32();
    Position.bottom = ar.ReadInt32();
    Colour = ar.ReadInt32();
    IsLine = ar.ReadInt32();
    IsRectangle = ar.ReadInt32();
    Font.Load(ar);
    return ar.ok();
}

void CRenglonFormato::Store(CArchive& ar) const {
    ar.WriteString(Text);
    ar.WriteInt32(Alignment);
    ar.WriteInt32(static_cast<std::int32_t>(Fields.size()));
    for (const CRenglonField& field : Fields)
        field.Store(ar);
    ar.WriteInt32(Position.left);
    ar.WriteInt32(Position.top);
    ar.WriteInt32(Position.right);
    ar.WriteInt32(Position.bottom);
    ar.WriteInt32(Colour);
    ar.WriteInt32(IsLine);
    ar.WriteInt32(IsRectangle);
    Font.Store(ar);
}
