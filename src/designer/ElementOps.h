#pragma once

#include "designer/ElementBox.h"
#include "designer/SheetSize.h"
#include "printing/WindowsFormat.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Editing operations on the elements of a format, by their positions in the element list. Every
// result stays on the sheet: x in 0 … width, y in −height … 0 (0.1 mm, y upwards), so that an
// element dragged or typed off the paper can still be reached.
namespace ElementOps {

using Selection = std::vector<std::size_t>;

enum class Edge { Left, Right, Top, Bottom, CentreX, CentreY };

// The smallest box holding the selected elements (indices out of range are skipped).
ElementBox Bounds(const CWindowsFormat& format, const Selection& selection);
// `box` moved (and, when larger than the sheet, cut) so that it lies on the sheet.
ElementBox Clamped(ElementBox box, const SheetSize& sheet);
// Nearest multiple of `grid` (0.1 mm); `grid` ≤ 0 leaves the value.
std::int32_t Snap(std::int32_t value, std::int32_t grid);

// Moves the selection together by (dx, dy), held back at the sheet's edges. The distance
// actually moved.
struct Offset {
    std::int32_t dx = 0;
    std::int32_t dy = 0;
};
Offset Move(CWindowsFormat& format, const Selection& selection, std::int32_t dx, std::int32_t dy,
            const SheetSize& sheet);
// Gives one element the box `box`, clamped to the sheet.
void SetBox(CRenglonFormato& element, const ElementBox& box, const SheetSize& sheet);

// Lines the selection up on the edge or centre of its first element.
void Align(CWindowsFormat& format, const Selection& selection, Edge edge, const SheetSize& sheet);
// The width or height of the first element for all of the selection, keeping left and upper edges.
void SameWidth(CWindowsFormat& format, const Selection& selection, const SheetSize& sheet);
void SameHeight(CWindowsFormat& format, const Selection& selection, const SheetSize& sheet);
// Equal gaps between the selected elements, across (horizontal) or down; the outermost two stay.
// Needs three elements.
void Distribute(CWindowsFormat& format, const Selection& selection, bool horizontal);

// Copies of `elements` appended to the format, moved by (dx, dy) and kept on the sheet; their
// indices.
Selection Insert(CWindowsFormat& format, const std::vector<CRenglonFormato>& elements, std::int32_t dx,
                 std::int32_t dy, const SheetSize& sheet);
// Removes the selected elements; the rest keep their order.
void Remove(CWindowsFormat& format, Selection selection);

} // namespace ElementOps
