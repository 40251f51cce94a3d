#include "designer/DesignSheet.h"

#include "printing/PageLayout.h"

#include <algorithm>

CDesignSheet::Drawing CDesignSheet::Draw(const CWindowsFormat& format, std::size_t index,
                                          const CFieldValueProvider& values) const {
    Drawing drawing;
    if (index >= format.Elements.size())
        return drawing;
    // Only the header (pitch, Repetir) matters to one element's operations.
    CWindowsFormat header;
    header.Pitch = format.Pitch;
    header.Caben = format.Caben;
    header.Repetir = format.Repetir;
    const CPageLayout layout(std::move(header), m_measure);

    CRenglonFormato element = format.Elements[index];
    const bool detail = element.BuildText(values);
    layout.LayoutElement(drawing.ops, element, 0);
    // The notes block pushes the lines below it down when printed; repeated at the bare pitch it
    // would only cover them.
    if (detail && !element.IsNotesElement() && format.Pitch > 0) {
        const std::int32_t rows = std::clamp(format.Caben, 1, kMaxGhostRows);
        for (std::int32_t row = 1; row < rows; ++row)
            layout.LayoutElement(drawing.ghosts, element, -row * format.Pitch);
    }
    return drawing;
}
