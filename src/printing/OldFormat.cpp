#include "printing/OldFormat.h"

#include "printing/Archive.h"
#include "printing/ByteArrayFile.h"

#include <cmath>
#include <limits>

namespace {

// New document datum of old data 1 … 20, and new detail datum of old data 30 … 37.
constexpr std::int32_t kHeaderData[20] = {2, 3, 4, 5, 6, 8, 9, 10, 12, 18, 25, 27, 29, 32, 36, 37, 19, 20, 21, 22};
constexpr std::int32_t kDetailData[8] = {1, 2, 14, 3, 10, 4, 11, 15};
constexpr std::int32_t kOldNotesDatum = 37;

std::int32_t saturate(std::int64_t v) {
    if (v > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (v < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(v);
}

// Truncated toward zero; a damaged stream may hold any double, and converting one out of range is
// undefined, so those are limited here.
std::int32_t truncated(double v) {
    if (std::isnan(v))
        return 0;
    if (v >= 2147483647.0)
        return std::numeric_limits<std::int32_t>::max();
    if (v <= -2147483648.0)
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(v);
}

bool rightAligned(std::int32_t datum) {
    return (datum >= 11 && datum <= 15) || datum == 22 || datum == 23 || (datum >= 33 && datum <= 36);
}

} // namespace

bool COldFormat::ReadStream(const unsigned char* data, std::size_t size) {
    CByteArrayFile file(data, size);
    CArchive ar(file, CArchive::load);
    const std::int32_t count = ar.ReadInt32();
    const double top = ar.ReadDouble();
    const double bottom = ar.ReadDouble();
    const double pitch = ar.ReadDouble();
    if (ar.ok() && (count < 0 || static_cast<std::size_t>(count) > ar.Remaining() / Element::kMinStreamBytes))
        ar.Fail();
    std::vector<Element> elements;
    elements.reserve(ar.ok() ? static_cast<std::size_t>(count) : 0);
    for (std::int32_t i = 0; i < count && ar.ok(); ++i) {
        Element e;
        e.X = ar.ReadInt32();
        e.Y = ar.ReadInt32();
        e.Width = ar.ReadInt32();
        e.Datum = ar.ReadInt32();
        e.Colour = ar.ReadInt32();
        e.Text = ar.ReadString();
        e.Font.Load(ar);
        elements.push_back(std::move(e));
    }
    if (!ar.ok())
        return false;
    Top = top;
    Bottom = bottom;
    Pitch = pitch;
    Elements = std::move(elements);
    return true;
}

COldFormat::Bytes COldFormat::WriteStream() const {
    CByteArrayFile file;
    {
        CArchive ar(file, CArchive::store);
        ar.WriteInt32(static_cast<std::int32_t>(Elements.size()));
        ar.WriteDouble(Top);
        ar.WriteDouble(Bottom);
        ar.WriteDouble(Pitch);
        for (const Element& e : Elements) {
            ar.WriteInt32(e.X);
            ar.WriteInt32(e.Y);
            ar.WriteInt32(e.Width);
            ar.WriteInt32(e.Datum);
            ar.WriteInt32(e.Colour);
            ar.WriteString(e.Text);
            e.Font.Store(ar);
        }
    }
    return file.Detach();
}

CRenglonFormato COldFormat::ConvertElement(const Element& old, std::int32_t detailTop, std::int32_t detailBottom) {
    (void)detailBottom; // part of the conversion's inputs, but no element depends on it
    CRenglonFormato element;
    const std::int32_t datum = old.Datum;
    if (datum == 0)
        element.Fields.emplace_back(old.Text);
    else if (datum >= 1 && datum <= 20)
        element.Fields.emplace_back(FIELD_DOC, kHeaderData[datum - 1]);
    else if (datum >= 30 && datum <= 37)
        element.Fields.emplace_back(FIELD_DETAIL, kDetailData[datum - 30]);
    element.Alignment = rightAligned(datum) ? ALIGN_RIGHT : ALIGN_LEFT;
    element.Colour = old.Colour;
    element.Font = old.Font;

    // Computed wide and limited: the old values come from a file and may be anything.
    const std::int64_t height = old.Font.Height;
    const std::int64_t x = old.X;
    element.Position.left = old.X;
    element.Position.right = saturate(x + old.Width);
    if (datum < 30) {
        element.Position.top = saturate(-std::int64_t{old.Y});
        element.Position.bottom = saturate(height - old.Y - 10);
    } else {
        std::int64_t top = detailTop;
        // The notes sit one text line below their detail line.
        if (datum == kOldNotesDatum)
            top = detailTop + height - 10;
        element.Position.top = saturate(top);
        element.Position.bottom = saturate(top + height - 10);
    }
    return element;
}

CWindowsFormat COldFormat::Convert() const {
    CWindowsFormat format;
    format.DetailTop = truncated(-(Top * 100));
    format.DetailBottom = truncated(-(Bottom * 100));
    format.Pitch = truncated(Pitch * 100);
    // A zero pitch fits no count of lines; 0 lets printing put at least one line per page.
    format.Caben = Pitch == 0 ? 0 : truncated((Bottom - Top) / Pitch);
    format.Elements.reserve(Elements.size());
    for (const Element& old : Elements)
        format.Elements.push_back(ConvertElement(old, format.DetailTop, format.DetailBottom));
    return format;
}
