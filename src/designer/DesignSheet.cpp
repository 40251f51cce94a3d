#include "designer/DesignSheet.h"

#include "designer/SheetValues.h"
#include "printing/PageLayout.h"

#include <algorithm>

namespace {

// Only the header (pitch, Caben, Repetir) matters to one element's operations.
CPageLayout layoutFor(const CWindowsFormat& format, const CTextMeasure& measure) {
    CWindowsFormat header;
    header.Pitch = format.Pitch;
    header.Caben = format.Caben;
    header.Repetir = format.Repetir;
    return CPageLayout(std::move(header), measure);
}

// Printing wraps the last element that holds the line notes.
const CRenglonFormato* notesElement(const CWindowsFormat& format) {
    const CRenglonFormato* notes = nullptr;
    for (const CRenglonFormato& e : format.Elements)
        if (e.IsNotesElement())
            notes = &e;
    return notes;
}

} // namespace

std::vector<std::int32_t> CDesignSheet::RowOffsets(const CWindowsFormat& format, const CSheetValues& values) const {
    std::vector<std::int32_t> offsets{0};
    if (format.Pitch <= 0)
        return offsets;
    const std::int32_t rows = std::clamp(format.Caben, 1, kMaxGhostRows);
    const CPageLayout layout = layoutFor(format, m_measure);
    const CRenglonFormato* notes = notesElement(format);
    std::int32_t offset = 0;
    for (std::int32_t row = 0; row + 1 < rows; ++row) {
        if (notes) {
            CRenglonFormato element = *notes;
            element.BuildText(values.Row(static_cast<std::size_t>(row)));
            PrintPage scratch;
            offset -= layout.LayoutElement(scratch, element, offset);
        }
        offset -= format.Pitch;
        offsets.push_back(offset);
    }
    return offsets;
}

CDesignSheet::Drawing CDesignSheet::Draw(const CWindowsFormat& format, std::size_t index, const CSheetValues& values,
                                          const std::vector<std::int32_t>& rows) const {
    Drawing drawing;
    if (index >= format.Elements.size())
        return drawing;
    const CPageLayout layout = layoutFor(format, m_measure);
    CRenglonFormato element = format.Elements[index];
    const bool detail = element.BuildText(values.Row(0));
    layout.LayoutElement(drawing.ops, element, 0);
    if (!detail)
        return drawing;
    for (std::size_t row = 1; row < rows.size(); ++row) {
        element.BuildText(values.Row(row));
        layout.LayoutElement(drawing.ghosts, element, rows[row]);
    }
    return drawing;
}
